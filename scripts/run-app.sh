#!/usr/bin/env bash
# Starts the application from the build's program folder.
set -euo pipefail
build_dir=${1:-build}
exec "$build_dir/bin/wordlark"
