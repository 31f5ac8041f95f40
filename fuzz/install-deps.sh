#!/usr/bin/env bash
# Installs clang 14 and its libFuzzer runtime when missing (Debian packages).
set -euo pipefail
exec bash "$(dirname "$0")/../scripts/install-deps.sh" clang-14 libclang-rt-14-dev
