#!/usr/bin/env bash
# Installs every build, run and test dependency of orbitview from Debian's packages.
# Idempotent: when everything is already there it installs nothing and prints nothing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libglfw3-dev libglew-dev libsoil-dev libglm-dev libtinyobjloader-dev libstb-dev
  libgtest-dev googletest
  xvfb xauth x11-utils libgl1-mesa-dri mesa-utils
  imagemagick xdotool xplanet-images
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
