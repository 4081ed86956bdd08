#!/usr/bin/env bash
# Download benchmark: a 256 MiB file on 127.0.0.1; our engine (vexo_get, 10 blocks; also with
# block splitting turned off, as the engine was before), aria2c -x10 -s10 -k1M and curl (one
# stream) fetch it in turn, several rounds, from three servers: nginx unlimited, nginx limiting
# every connection to 4 MiB/s, and a server of ours that sends one of ten connections at
# 1 MiB/s and the others at full speed. Prints the median time of each and the ratios
# ours/aria2c and ours/curl (below 1 means ours is faster). Then the global speed limit: three
# downloads at once under a 2 MiB/s limit, the total rate over 20 s against the limit.
#
#   bench/download/run.sh [rounds]        (default 3; CORVANE_BUILD_DIR picks the build,
#                                          CORVANE_BENCH_CASES="throttled" runs only some servers)
set -euo pipefail
rounds=${1:-3}
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${CORVANE_BUILD_DIR:-$top/build}
tool=$build/bin/vexo_get
throttle=$build/bin/throttle_server
limit_bench=$build/bin/speed_limit_bench
if [ ! -x "$tool" ] || [ ! -x "$throttle" ] || [ ! -x "$limit_bench" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target vexo_get throttle_server speed_limit_bench -j 2 >/dev/null
fi
for program in /usr/sbin/nginx aria2c curl; do
  command -v "$program" >/dev/null || { echo "missing: $program (scripts/install_deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
nginx_pid=
throttle_pid=
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  [ -n "$throttle_pid" ] && kill "$throttle_pid" 2>/dev/null && wait "$throttle_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/www" "$work/out" "$work/tmp"
head -c $((256 << 20)) /dev/urandom >"$work/www/file.bin"
size=$(stat -c %s "$work/www/file.bin")
sum=$(sha256sum "$work/www/file.bin" | cut -c1-64)

# A random high port nothing answers on.
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
}

# start_nginx "extra location lines"
start_nginx() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" && wait "$nginx_pid" 2>/dev/null || true
  port=$(free_port)
  local user=""
  [ "$(id -u)" -eq 0 ] && user="user root root;"
  cat >"$work/nginx.conf" <<CONF
$user
daemon off;
worker_processes 2;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 512; }
http {
  access_log off;
  default_type application/octet-stream;
  sendfile on;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
    location / { $1 }
  }
}
CONF
  /usr/sbin/nginx -p "$work" -e "$work/error.log" -c "$work/nginx.conf" &
  nginx_pid=$!
  for _ in $(seq 100); do
    curl -s -o /dev/null -r 0-0 "http://127.0.0.1:$port/file.bin" && return 0
    sleep 0.05
  done
  echo "nginx did not start" >&2
  cat "$work/error.log" >&2
  exit 1
}

# start_throttled: our server, one connection of ten at 1 MiB/s (it prints its port).
start_throttled() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" && wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=
  "$throttle" "$work/www/file.bin" 1024 >"$work/throttle.port" &
  throttle_pid=$!
  for _ in $(seq 200); do
    port=$(head -1 "$work/throttle.port" 2>/dev/null || true)
    [ -n "$port" ] && curl -s -o /dev/null -r 0-0 "http://127.0.0.1:$port/file.bin" && return 0
    sleep 0.05
  done
  echo "throttle_server did not start" >&2
  exit 1
}

# run NAME: downloads once with NAME, prints the seconds taken, checks the result.
run() {
  local url="http://127.0.0.1:$port/file.bin" out="$work/out/file.bin"
  rm -f "$out" "$out".*
  [ -n "$throttle_pid" ] && curl -s -o /dev/null "http://127.0.0.1:$port/rearm"
  sync
  local begin end
  begin=$(date +%s.%N)
  case $1 in
    ours) "$tool" -q -b 10 "$url" "$out" ;;
    nosplit) "$tool" -q -b 10 -S 0 "$url" "$out" ;;
    aria2c) aria2c -q -x10 -s10 -k1M --allow-overwrite=true --auto-file-renaming=false -d "$work/out" -o file.bin "$url" ;;
    curl) curl -s -o "$out" "$url" ;;
  esac
  end=$(date +%s.%N)
  if [ "$(stat -c %s "$out")" != "$size" ] || [ "$(sha256sum "$out" | cut -c1-64)" != "$sum" ]; then
    echo "$1 produced a wrong file" >&2
    exit 1
  fi
  echo "$begin $end" | awk '{ printf "%.3f\n", $2 - $1 }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%s, %s, %d MiB file, %d rounds\n' "$(lscpu | sed -n 's/^Model name: *//p' | head -1)" \
  "$(nproc) cores" $((size >> 20)) "$rounds"
printf '%-24s %9s %12s %10s %9s %12s %10s\n' "server" "ours (s)" "no split (s)" "aria2c (s)" "curl (s)" "ours/aria2c" "ours/curl"
for mode in ${CORVANE_BENCH_CASES:-unlimited limited throttled}; do
  case $mode in
    unlimited) start_nginx "" ;;
    limited) start_nginx "limit_rate 4m;" ;;
    throttled) start_throttled ;;
  esac
  programs="ours nosplit aria2c curl"
  # curl's one stream is never the throttled connection there: no comparison.
  [ "$mode" = throttled ] && programs="ours nosplit aria2c"
  for p in ours nosplit aria2c curl; do : >"$work/$p.t"; done
  for r in $(seq "$rounds"); do
    # Alternate the order so no program always runs on a warmer cache.
    order=$programs
    [ $((r % 2)) -eq 0 ] && order=$(echo "$programs" | tr ' ' '\n' | tac | tr '\n' ' ')
    for program in $order; do run "$program" >>"$work/$program.t"; done
  done
  o=$(median <"$work/ours.t"); n=$(median <"$work/nosplit.t"); a=$(median <"$work/aria2c.t")
  c=$(median <"$work/curl.t"); [ -z "$c" ] && c=0
  case $mode in
    unlimited) label=unlimited ;;
    limited) label="4 MiB/s per connection" ;;
    throttled) label="1 of 10 at 1 MiB/s" ;;
  esac
  awk -v l="$label" -v o="$o" -v n="$n" -v a="$a" -v c="$c" \
    'BEGIN { if (c > 0) printf "%-24s %9.2f %12.2f %10.2f %9.2f %12.2f %10.2f\n", l, o, n, a, c, o / a, o / c;
             else printf "%-24s %9.2f %12.2f %10.2f %9s %12.2f %10s\n", l, o, n, a, "-", o / a, "-" }'
done

# The global limit: three downloads at once under 2 MiB/s, measured over 20 s.
[ -n "$throttle_pid" ] && kill "$throttle_pid" && wait "$throttle_pid" 2>/dev/null || true
throttle_pid=
start_nginx ""
rm -f "$work/out/"*
read -r limit rate ratio < <("$limit_bench" "http://127.0.0.1:$port/file.bin" "$work/out" 2048 20)
awk -v l="$limit" -v r="$rate" -v q="$ratio" \
  'BEGIN { printf "global limit %d KiB/s, 3 downloads, 20 s: %.1f KiB/s, ratio %.3f (%s)\n", l, r, q,
           (q >= 0.95 && q <= 1.05) ? "within 5%" : "off by more than 5%" }'
