#!/usr/bin/env bash
# Download benchmark: nginx on 127.0.0.1 serves a 256 MiB file; our engine (vexo_get, 10
# blocks), aria2c -x10 -s10 -k1M and curl (one stream) fetch it in turn, several rounds, once from
# an unlimited server and once from one that limits every connection to 4 MiB/s. Prints the
# median time of each and the ratios ours/aria2c and ours/curl (below 1 means ours is faster).
#
#   bench/download/run.sh [rounds]        (default 3; CORVANE_BUILD_DIR picks the build)
set -euo pipefail
rounds=${1:-3}
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${CORVANE_BUILD_DIR:-$top/build}
tool=$build/bin/vexo_get
if [ ! -x "$tool" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target vexo_get -j 2 >/dev/null
fi
for program in /usr/sbin/nginx aria2c curl; do
  command -v "$program" >/dev/null || { echo "missing: $program (scripts/install_deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
nginx_pid=
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
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

# run NAME: downloads once with NAME, prints the seconds taken, checks the result.
run() {
  local url="http://127.0.0.1:$port/file.bin" out="$work/out/file.bin"
  rm -f "$out" "$out".*
  sync
  local begin end
  begin=$(date +%s.%N)
  case $1 in
    ours) "$tool" -q -b 10 "$url" "$out" ;;
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
printf '%-22s %10s %10s %10s %14s %12s\n' "server" "ours (s)" "aria2c (s)" "curl (s)" "ours/aria2c" "ours/curl"
for mode in unlimited limited; do
  if [ "$mode" = unlimited ]; then start_nginx ""; else start_nginx "limit_rate 4m;"; fi
  : >"$work/ours.t"; : >"$work/aria2c.t"; : >"$work/curl.t"
  for r in $(seq "$rounds"); do
    # Alternate the order so no program always runs on a warmer cache.
    if [ $((r % 2)) -eq 1 ]; then order="ours aria2c curl"; else order="curl aria2c ours"; fi
    for program in $order; do run "$program" >>"$work/$program.t"; done
  done
  o=$(median <"$work/ours.t"); a=$(median <"$work/aria2c.t"); c=$(median <"$work/curl.t")
  label=$mode
  [ "$mode" = limited ] && label="4 MiB/s per connection"
  awk -v l="$label" -v o="$o" -v a="$a" -v c="$c" \
    'BEGIN { printf "%-22s %10.2f %10.2f %10.2f %14.2f %12.2f\n", l, o, a, c, o / a, o / c }'
done
