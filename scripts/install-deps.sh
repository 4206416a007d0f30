#!/usr/bin/env bash
# Brings a fresh Debian 12 machine everything the program and its tests need.
# Installs only what is missing; runs as root without prompts.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  clang libclang-rt-14-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev libavfilter-dev ffmpeg python3
  libffmpeg-nvenc-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-liberation2 fonts-noto-cjk
  locales-all tzdata
  libwxgtk3.2-dev libglib2.0-dev libgtk-3-dev
  xvfb xauth xdotool x11-utils dbus-daemon at-spi2-core python3-pyatspi gir1.2-gtk-3.0 openbox
  libgtest-dev libgmock-dev
)
# The hand-run benchmarks also measure a real camera's clip, which Debian's
# OpenCV documentation ships: bash scripts/install-deps.sh --bench
if [ "${1:-}" = "--bench" ]; then
  packages+=(opencv-doc)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
