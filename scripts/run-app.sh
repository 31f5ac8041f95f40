#!/usr/bin/env bash
# Starts the application from the build's program folder.
set -euo pipefail
build_dir=${1:-build}
bin="$build_dir/bin"
if [[ -x "$bin/wordlark" ]]; then
  exec "$bin/wordlark"
fi
# Until the desktop application is part of the build, show the reseller tool.
exec "$bin/wordlark-brand" --help
