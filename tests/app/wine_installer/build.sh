#!/bin/sh
# Builds the tiny 64-bit Windows installer of the Wine tests into the folder OUT:
#   CorvaneApp.exe        the "program", with a version resource (2.5.1.0)
#   uninstall.exe         removes the program and its Uninstall key
#   CorvaneTestSetup.exe  console installer carrying both as resources
# Needs the Debian package mingw-w64.  Usage: build.sh OUT
set -eu
src=$(cd "$(dirname "$0")" && pwd)
out=$1
mkdir -p "$out"
cd "$out"
cc=x86_64-w64-mingw32-gcc
rc=x86_64-w64-mingw32-windres
"$rc" -O coff -i "$src/app.rc" -o app.res.o
"$cc" -Os -s -o CorvaneApp.exe "$src/app.c" app.res.o
"$cc" -Os -s -municode -o uninstall.exe "$src/uninstaller.c"
# The installer's resources name the two programs just built, found in this folder.
"$rc" -O coff -I "$out" -i "$src/installer.rc" -o installer.res.o
"$cc" -Os -s -municode -o CorvaneTestSetup.exe "$src/installer.c" installer.res.o
rm -f app.res.o installer.res.o
