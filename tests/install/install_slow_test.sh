#!/usr/bin/env bash
# Installs the build as a user and as the Debian package, and runs what was installed under
# Xvfb.
#   install_slow_test.sh user BUILD      per-user prefix: files, menu entry, icons, metadata, a
#                                        start with /r from another folder, uninstall
#   install_slow_test.sh package BUILD   cpack DEB: contents, dependencies, lintian, then the
#                                        program from a read-only copy of the package's files
set -uo pipefail
mode=$1
build=$(cd "$2" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
failures=0
xvfb_pid=""
restore_manifest() { :; }
cleanup() {
  restore_manifest
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  chmod -R u+w "$tmp" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else fail "$what"; fi
}
need() { command -v "$1" >/dev/null || { echo "skipped: $1 is not installed"; exit 0; }; }
need Xvfb
need xdotool
need xprop
need desktop-file-validate

# A private session: home, configuration, data, runtime folder, registry, no update server.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
export XDG_RUNTIME_DIR=$tmp/run CORVANE_REGISTRY=$tmp/registry.reg
export CORVANE_UPDATE_URL=http://127.0.0.1:9/update/packet
unset QT_QPA_PLATFORM
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 300); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$tmp/display")

# As root, the program runs without the capability that ignores file modes, so a read-only
# folder is read-only for it too.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then setpriv --bounding-set -dac_override,-dac_read_search -- "$@"; else "$@"; fi
}

# run_window TITLE SHOT KEY COMMAND...: starts COMMAND, waits for a window titled TITLE, saves a
# picture of it to SHOT (unless "-"), writes its WM_CLASS to $tmp/wm_class, presses KEY and
# waits for the program to end. Prints "window=<id>" and "exit=<code>".
run_window() {
  local title=$1 shot=$2 key=$3 w="" pid
  shift 3
  "$@" >"$tmp/program.out" 2>&1 &
  pid=$!
  for _ in $(seq 150); do
    w=$(xdotool search --name "^${title}\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  echo "window=$w"
  # Without a window, say why: the program's output and any crash dump.
  [ -z "$w" ] && cat "$tmp/program.out" "$XDG_DATA_HOME"/corvane/Errors/* 2>/dev/null
  if [ -n "$w" ]; then
    sleep 1  # the first paint
    xprop -id "$w" WM_CLASS >"$tmp/wm_class" 2>&1
    [ "$shot" != - ] && import -window "$w" "$shot" 2>/dev/null
    xdotool windowactivate --sync "$w" 2>/dev/null
    xdotool key --window "$w" "$key"
  fi
  for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$pid" 2>/dev/null && { echo "still running"; kill -9 "$pid"; }
  wait "$pid"
  echo "exit=$?"
}

# Every file with its size, time and mode: what a run must leave unchanged.
snapshot() { find "$1" -printf '%p %s %T@ %m\n' | sort; }

if [ "$mode" = user ]; then
  prefix=$tmp/prefix
  manifest=$build/install_manifest_user.txt
  [ -f "$manifest" ] && cp "$manifest" "$tmp/manifest.saved"
  restore_manifest() { if [ -f "$tmp/manifest.saved" ]; then cp "$tmp/manifest.saved" "$manifest"; else rm -f "$manifest"; fi; }

  check "install into the prefix" cmake --install "$build" --prefix "$prefix"
  for f in lib/corvane/Corvane lib/corvane/update lib/corvane/libcore.so lib/corvane/libvexo.so \
           lib/corvane/soft.dat share/applications/corvane.desktop \
           share/icons/hicolor/scalable/apps/corvane.svg \
           share/metainfo/io.github.corvane.Corvane.metainfo.xml; do
    check "installed $f" test -f "$prefix/$f"
  done
  check "launcher links to the program" test "$(readlink -f "$prefix/bin/corvane")" = "$prefix/lib/corvane/Corvane"
  for size in 16 32 48 256; do
    check "${size} px icon" test "$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x${size}/apps/corvane.png" 2>&1)" = "${size}x${size}"
  done
  desktop=$prefix/share/applications/corvane.desktop
  check "menu entry validates" desktop-file-validate "$desktop"
  check "menu entry starts the launcher" grep -qx "Exec=$prefix/bin/corvane" "$desktop"
  if command -v appstreamcli >/dev/null; then
    check "metainfo validates" appstreamcli validate --no-net "$prefix/share/metainfo/io.github.corvane.Corvane.metainfo.xml"
  fi

  # A start as the autostart entry makes it: the launcher with /r, from another folder.
  out=$(cd / && run_window "Kiv软件" "$build/corvane-installed.png" Escape as_user "$prefix/bin/corvane" /r)
  echo "$out"
  check "window shown" grep -q '^window=[0-9]' <<<"$out"
  check "clean exit" grep -qx 'exit=0' <<<"$out"
  wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
  check "WM_CLASS matches StartupWMClass ($wm_class)" grep -q "\"$wm_class\"\$" "$tmp/wm_class"
  work=$prefix/lib/corvane
  check "settings saved in the program folder" test -f "$work/Config/MgrSet.xml"
  # The skin comes from the pack beside the program: without it the window is a blank square.
  colours=$(identify -format '%k' "$build/corvane-installed.png" 2>/dev/null || echo 0)
  check "the window is painted from the pack ($colours colours)" test "$colours" -gt 500

  # Uninstall removes exactly what was installed: the run's own files stay.
  check "uninstall" cmake --build "$build" --target uninstall
  left=$(cd "$prefix" && find . -type f -o -type l | sort)
  while read -r f; do
    [ -e "$f" ] || [ -L "$f" ] && fail "left after uninstall: $f"
  done <"$manifest"
  check "settings kept" test -f "$work/Config/MgrSet.xml"
  echo "left: $left"

  # Install and uninstall with nothing run in between leaves nothing at all.
  prefix2=$tmp/prefix2
  cmake --install "$build" --prefix "$prefix2" >/dev/null && cmake --build "$build" --target uninstall >/dev/null
  check "nothing left behind" test -z "$(find "$prefix2" -mindepth 1 2>/dev/null)"
fi

if [ "$mode" = package ]; then
  need cpack
  need dpkg-deb
  pkg=$tmp/pkg
  mkdir -p "$pkg"
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$pkg" >"$tmp/cpack.log" 2>&1 || { fail "cpack"; cat "$tmp/cpack.log"; }
  deb=$(ls "$pkg"/*.deb 2>/dev/null | head -1)
  [ -n "$deb" ] || { fail "no package"; exit 1; }
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  check "dependencies from dpkg-shlibdeps" grep -q 'libqt6widgets6' <<<"$depends"
  check "libcurl dependency" grep -q 'libcurl4' <<<"$depends"
  dpkg-deb -c "$deb" >"$tmp/contents"
  for f in ./usr/lib/corvane/Corvane ./usr/lib/corvane/update ./usr/lib/corvane/soft.dat \
           ./usr/share/applications/corvane.desktop ./usr/share/doc/corvane/copyright \
           ./usr/share/doc/corvane/changelog.Debian.gz "./usr/bin/corvane -> ../lib/corvane/Corvane"; do
    check "packaged $f" grep -qF " $f" "$tmp/contents"
  done
  if command -v lintian >/dev/null; then
    lintian --no-tag-display-limit "$deb" >"$tmp/lintian" 2>&1
    cat "$tmp/lintian"
    check "lintian reports no error" bash -c "! grep -q '^E:' '$tmp/lintian'"
  fi

  root=$tmp/root
  dpkg-deb -x "$deb" "$root"
  check "packaged menu entry validates" desktop-file-validate "$root/usr/share/applications/corvane.desktop"
  chmod -R a-w "$root/usr/lib/corvane"
  before=$(snapshot "$root")
  export XDG_DATA_HOME=$tmp/data
  out=$(cd / && run_window "Kiv软件" - Escape as_user "$root/usr/bin/corvane")
  echo "$out"
  check "window shown" grep -q '^window=[0-9]' <<<"$out"
  check "clean exit" grep -qx 'exit=0' <<<"$out"
  check "settings saved under XDG_DATA_HOME" test -f "$tmp/data/corvane/Config/MgrSet.xml"
  check "log under XDG_DATA_HOME" test -f "$tmp/data/corvane/Error.log"
  # The updater leaves a read-only installation to the package manager: its notice, then nothing.
  out=$(cd / && run_window "Update" - Return as_user "$root/usr/lib/corvane/update" -c1 -s2)
  echo "$out"
  check "updater notice shown" grep -q '^window=[0-9]' <<<"$out"
  check "updater ends" grep -qx 'exit=0' <<<"$out"
  check "nothing written under the program folder" test "$before" = "$(snapshot "$root")"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
