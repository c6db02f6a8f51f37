#!/usr/bin/env bash
# Installs every build, run and test dependency of orbitview from Debian's packages.
# Idempotent: when everything is already there it installs nothing and prints nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libglfw3-dev libglew-dev libsoil-dev libglm-dev libtinyobjloader-dev libstb-dev libimgui-dev
  libgtest-dev googletest
  libegl-dev libegl1 libegl-mesa0
  xvfb xauth x11-utils libgl1-mesa-dri mesa-utils glslang-tools
  imagemagick xdotool xplanet-images
  clang-14 libclang-rt-14-dev valgrind
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Stanford bunny (public domain) for the asset tool, from the npm registry where npm is
# installed; without it the asset tool writes a stand-in bunny.
cd "$(dirname "$0")/.."
if [ ! -f .deps/node_modules/bunny/index.js ] && command -v npm >/dev/null 2>&1; then
  npm install --prefix .deps bunny --no-audit --no-fund --silent >/dev/null 2>&1 ||
    echo "npm could not install the bunny package; the asset tool will write a stand-in bunny"
fi
