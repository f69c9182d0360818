#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the project needs, only those that are missing.
# The one list of build and test dependencies: the README, the Makefile and CI all use it.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libhidapi-dev libcjson-dev libudev-dev
  # The USB tests emulate the amplifier's USB device, hidraw node and uevents.
  umockdev libumockdev-dev
  # The equaliser fit solves with Ceres; the peer-style comparison in the
  # benchmarks uses NLopt's SLSQP.
  libceres-dev libnlopt-cxx-dev
  # The measurement's FFTs (deconvolution, minimum-phase filters) run on FFTW.
  libfftw3-dev
  # The real sound devices (playing the sweep, recording the microphone).
  portaudio19-dev
  # Qt's UiTools needs OpenGLWidgets, which needs the OpenGL development files:
  # --no-install-recommends does not bring them, so they are named here.
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-svg-dev libqt6opengl6-dev
  libgl-dev libxkbcommon-dev
  # libFuzzer and the sanitizer runtimes come with clang's runtime package;
  # libclang-rt-dev follows Debian's default clang, as clang itself does.
  clang libclang-rt-dev llvm
  # The band rows use DejaVu Sans Condensed, which is in fonts-dejavu-extra.
  fonts-wqy-zenhei fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth
  # The Debian package (make package, make package-check): debhelper builds it,
  # help2man and rsvg-convert make the man pages and icons, lintian,
  # appstreamcli and desktop-file-validate check it, man-db answers man -w.
  debhelper help2man librsvg2-bin lintian appstream desktop-file-utils man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
