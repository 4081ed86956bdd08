#!/usr/bin/env bash
# Start-up benchmark under Xvfb: time from exec to the first painted frame of the main window,
# and the resident memory at that moment, for Corvane with the real pack, for Corvane with a
# generated catalogue of 5,000 programs (a loose software/software.xml in GBK in the work folder,
# which wins over the pack's), and for the floor: a plain Qt Widgets window with one label.
#
# Honest timing: startup_launch stamps CLOCK_MONOTONIC and execs the program in the same process;
# the program, with $CORVANE_FIRST_PAINT_EXIT set, stamps CLOCK_MONOTONIC once its window's first
# paint has been flushed, prints it with VmRSS and exits. The three are run interleaved, after one
# unmeasured warm-up each; medians over the rounds, ratios and differences from this same run.
#
#   bench/startup/run.sh [rounds]        (default 9; CORVANE_BUILD_DIR picks the build)
set -euo pipefail
rounds=${1:-9}
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${CORVANE_BUILD_DIR:-$top/build}

if [ -z "${CORVANE_STARTUP_IN_XVFB:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "missing: xvfb-run (scripts/install_deps.sh installs it)" >&2; exit 1; }
  if [ ! -x "$build/bin/startup_launch" ] || [ ! -x "$build/bin/startup_floor" ] || [ ! -x "$build/dist/Corvane" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target Corvane startup_launch startup_floor -j 2 >/dev/null
  fi
  exec env CORVANE_STARTUP_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each case runs from its own copy of the program folder (the work folder when writable) and its
# own HOME and runtime folder, so no lock, other instance, settings or earlier download carries over.
mkdir -p "$work/real" "$work/big"
cp -a "$build/dist/." "$work/real/"
cp -a "$build/dist/." "$work/big/"
mkdir -p "$work/big/software"
python3 - "$top/data/pack/software/software.xml" "$work/big/software/software.xml" <<'PY'
import re, sys
text = open(sys.argv[1], "rb").read().decode("gb18030")
rows = re.findall(r"<soft\b.*?/>", text, re.S)
head = text[:text.index(rows[0])]
out = [head]
for i in range(1, 5001):
    row = rows[(i - 1) % len(rows)]
    row = re.sub(r'\bid="\d+"', 'id="%d"' % i, row, count=1)
    row = re.sub(r'\bname="([^"]*)"', lambda m: 'name="%s %d"' % (m.group(1), i), row, count=1)
    row = re.sub(r'\burl="([^"]*)"', lambda m: 'url="%s?n=%d"' % (m.group(1), i), row, count=1)
    out.append(row + "\r\n  ")
out.append("</softs>\r\n")
open(sys.argv[2], "wb").write("".join(out).encode("gbk"))
PY
count=$(grep -c '<soft ' "$work/big/software/software.xml")
[ "$count" -eq 5000 ] || { echo "generated catalogue has $count rows" >&2; exit 1; }

# run_once CASE -> "ms rss_kb"
run_once() {
  local program home
  case $1 in
    real) program=$work/real/Corvane ;;
    big) program=$work/big/Corvane ;;
    floor) program=$build/bin/startup_floor ;;
  esac
  home=$work/home-$1
  rm -rf "$home" && mkdir -p "$home/run" && chmod 700 "$home/run"
  rm -f "$work/$1/Error.log" "$work/$1/Config.ini"
  local out
  out=$(cd "$home" && HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run \
        QT_QPA_PLATFORM=xcb CORVANE_UPDATE_URL=http://127.0.0.1:9/update CORVANE_FIRST_PAINT_EXIT=1 \
        timeout 60 "$build/bin/startup_launch" "$program" 2>/dev/null) || true
  local start end rss
  start=$(awk '$1 == "exec" {print $2}' <<<"$out")
  end=$(awk '$1 == "first-paint" {print $2}' <<<"$out")
  rss=$(awk '$1 == "first-paint" {print $4}' <<<"$out")
  [ -n "$start" ] && [ -n "$end" ] || { echo "$1: no first paint reported: $out" >&2; exit 1; }
  echo "$(( (end - start) / 1000 )) $rss"
}

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

cases="floor real big"
for c in $cases; do run_once "$c" >/dev/null; done  # warm-up
for c in $cases; do : >"$work/$c.times"; : >"$work/$c.rss"; done
for _ in $(seq "$rounds"); do
  for c in $cases; do
    read -r us kb < <(run_once "$c")
    echo "$us" >>"$work/$c.times"
    echo "$kb" >>"$work/$c.rss"
  done
done

declare -A ms mb
for c in $cases; do
  ms[$c]=$(median <"$work/$c.times" | awk '{printf "%.1f", $1 / 1000}')
  mb[$c]=$(median <"$work/$c.rss" | awk '{printf "%.1f", $1 / 1024}')
done
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), Xvfb 1280x1024x24"
echo "medians of $rounds rounds (exec to first painted frame; VmRSS at that moment)"
printf '  %-28s %9s %9s\n' case ms MiB
printf '  %-28s %9s %9s\n' "floor (Qt Widgets, 1 label)" "${ms[floor]}" "${mb[floor]}"
printf '  %-28s %9s %9s\n' "Corvane, real pack" "${ms[real]}" "${mb[real]}"
printf '  %-28s %9s %9s\n' "Corvane, 5,000 programs" "${ms[big]}" "${mb[big]}"
for c in real big; do
  awk -v name="$c" -v a="${ms[$c]}" -v f="${ms[floor]}" -v r="${mb[$c]}" \
    'BEGIN {printf "  %-5s - floor: %+.1f ms (ratio %.2f), %.1f MiB resident\n", name, a - f, a / f, r}'
done
awk -v a="${ms[big]}" -v f="${ms[floor]}" -v r="${mb[big]}" 'BEGIN {
  ok = (a - f <= 300 && r < 100)
  printf "goal (5,000 programs within 0.3 s of the floor and under 100 MB): %s\n", ok ? "met" : "NOT met" }'
