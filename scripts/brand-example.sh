#!/usr/bin/env bash
# Makes a branded program folder from the example brand in examples/brand:
# the program, its templates, the enciphered settings, two banners and a skin.
#   scripts/brand-example.sh [BUILD_DIR] [TARGET_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
target=${2:-$build_dir/branded}
mkdir -p "$target"
cp -r "$build_dir/bin/." "$target/"
rm -f "$target"/dbsettings.dat "$target"/banner*.dat "$target"/mainskin.dat
"$build_dir/bin/wordlark-brand" encipher examples/brand/settings.txt "$target/dbsettings.dat"
cp examples/brand/banner1.dat examples/brand/banner2.dat "$target/"
"$build_dir/bin/wordlark-brand" pack-skin examples/brand/skin.qss "$target/mainskin.dat"
echo "Branded program folder: $target (start $target/wordlark)"
