#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when missing.
# With --fuzz also clang and its libFuzzer runtime (scripts/fuzz.sh).
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev libkissfft-dev
  libasio-dev nlohmann-json3-dev
  libcpp-httplib-dev prometheus-cpp-dev
  python3-pyvisa python3-pyvisa-py prometheus
  chromium chromium-driver python3-selenium
  libxcb1-dev
  xvfb xauth x11-utils xdotool fonts-liberation imagemagick
  dpkg-dev fakeroot file lintian desktop-file-utils
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev llvm)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
