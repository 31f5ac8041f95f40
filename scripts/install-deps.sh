#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, or
# the packages named on the command line instead.
# Idempotent: only what is missing is installed, and the package lists are
# refreshed only when something must be installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libssl-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format
  p7zip-full
  qt6-base-dev qt6-declarative-dev qt6-webengine-dev qt6-webchannel-dev
  qt6-image-formats-plugins libgl-dev
  qt6-webengine-dev-tools hunspell-en-us
  xvfb xauth fonts-liberation fonts-dejavu-core
  desktop-file-utils
  dpkg-dev file help2man lintian appstream shared-mime-info libglib2.0-bin
)
if (($# > 0)); then
  packages=("$@")
fi

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  if [[ "$status" != "install ok installed" ]]; then
    missing+=("$pkg")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
