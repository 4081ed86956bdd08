#!/usr/bin/env bash
# Regenerates the committed seed corpora under tests/fuzz/<target>/seeds/ from a normal build
# (default build/): the seed writer makes what the project's own writers make, the pack builder
# a real data pack, and the rest is copied from the tree. Regression inputs are never touched.
#
#   tests/fuzz/make_seeds.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
fuzz=$top/tests/fuzz
cmake --build "$build" --target fuzz_seed_writer pack_builder -j 2 >/dev/null

for dir in "$fuzz"/*/seeds; do rm -f "$dir"/*; done
"$build/bin/fuzz_seed_writer" "$fuzz" "$top"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/pack/software"
cp "$top/data/pack/software/type.xml" "$top/data/pack/software/TypeReq.xml" "$tmp/pack/software/"
"$build/bin/pack_builder" "$tmp/pack.zip" "$tmp/pack"
for target in unzip packet_extract; do cp "$tmp/pack.zip" "$fuzz/$target/seeds/pack.zip"; done

for name in type.xml TypeReq.xml WID.xml; do
  cp "$top/data/pack/software/$name" "$fuzz/data_table/seeds/$name"
  cp "$top/data/pack/software/$name" "$fuzz/data_tree/seeds/$name"
done
du -sh "$fuzz"/*/seeds | sort -k2
