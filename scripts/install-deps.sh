#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the sample server need, when missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libcurl4-openssl-dev libssl-dev libpcre2-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev libqrencode-dev libpng-dev libx11-dev
  xvfb xauth fonts-wqy-microhei xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
