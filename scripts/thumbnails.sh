#!/usr/bin/env bash
# Renders the sample letter with every template in Templates/ and writes a
# small picture of the top of each page beside it: Templates/NAME.png for
# Templates/NAME.tem. The page is shot at desktop width with headless
# Chromium and scaled down with ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}

bash scripts/install-deps.sh chromium imagemagick fonts-liberation fonts-dejavu-core
cmake --build "$build_dir" --target wordlark-render
render=$build_dir/bin/wordlark-render

# Shot size and thumbnail size, both 4:3.
shot_width=1280
shot_height=960
thumb_size=240x180

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shopt -s nullglob
templates=(Templates/*.tem)
if ((${#templates[@]} == 0)); then
  echo "No templates in Templates/." >&2
  exit 1
fi

for tem in "${templates[@]}"; do
  name=$(basename "$tem" .tem)
  # A folder holding only this template, so the catalogue's first entry is it
  # whatever the catalogue makes of the file name.
  mkdir -p "$work/$name/templates" "$work/$name/page"
  cp "$tem" "$work/$name/templates/"
  "$render" --templates "$work/$name/templates" \
    examples/sample-letter/letter.set "$work/$name/page/index.html" >/dev/null

  shot=$work/$name/shot.png
  if ! timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$work/profile" --virtual-time-budget=2000 \
    --window-size="$shot_width,$shot_height" --screenshot="$shot" \
    "file://$work/$name/page/index.html" >"$work/chromium.log" 2>&1 || [[ ! -s "$shot" ]]; then
    cat "$work/chromium.log" >&2
    echo "Chromium took no screenshot of $tem." >&2
    exit 1
  fi

  # Exactly the thumbnail size (the shot is already 4:3), 256 colours, no
  # time stamps, so that an unchanged page gives the same file.
  convert "$shot" -filter Lanczos -resize "$thumb_size!" -strip \
    -define png:exclude-chunks=date,time +dither -colors 256 "PNG8:$work/$name/thumb.png"
  mv "$work/$name/thumb.png" "Templates/$name.png"
  echo "Templates/$name.png"
done
