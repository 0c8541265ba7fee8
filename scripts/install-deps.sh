#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: only
# missing packages are installed, so a ready machine pays a few dpkg queries.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config make
  libgtest-dev libgmock-dev
  libpugixml-dev libzip-dev libssl-dev nlohmann-json3-dev
  zip unzip python3 binutils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "need root or sudo to install ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}"
