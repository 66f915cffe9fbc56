#!/bin/sh
# Installs every Debian package the engine, its tools and its tests need.
# Idempotent: does nothing when everything is already installed.
set -e
PACKAGES="build-essential cmake ninja-build pkg-config git
 libsdl2-dev libx11-dev libxi-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libepoxy-dev
 libopenal-dev libopenal1
 libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
 liblua5.1-0-dev libpng-dev libjpeg-dev zlib1g-dev libstb-dev fonts-dejavu-core
 libgtest-dev libgmock-dev libbenchmark-dev
 clang libclang-rt-14-dev
 xvfb xauth xdotool imagemagick ffmpeg"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
