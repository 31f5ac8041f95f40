#!/usr/bin/env bash
# Takes a screenshot of each wizard step with the sample letter loaded, under
# a virtual display, into docs/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
cmake --build "$build_dir" --target wordlark_screenshot_tour wordlark_templates
export QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1280x960x24" \
  "$build_dir/tests/wordlark_screenshot_tour" "$build_dir/bin" \
  examples/sample-letter/letter.set docs/screenshots
