#!/usr/bin/env bash
# Installs the Debian packages Vorland needs to build, test and run.
# Does nothing when everything is present; runs apt-get update once otherwise.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config git
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins
  libgl-dev libegl-dev libepoxy-dev libgl1-mesa-dri libegl-mesa0 mesa-utils
  libpugixml-dev libcli11-dev libtinygltf-dev rapidjson-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils fonts-noto-cjk libxtst-dev
  glslang-tools
  clang libclang-rt-14-dev llvm
  libassimp-dev libjpeg-dev
  file dpkg-dev help2man desktop-file-utils lintian shared-mime-info bash-completion
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
