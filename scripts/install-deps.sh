#!/usr/bin/env bash
# Installs the Debian packages Ledra needs to build, run and test, when any is missing.
set -euo pipefail

packages=(g++ make cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins libsqlite3-dev
          shared-mime-info desktop-file-utils qt6-svg-dev breeze-icon-theme python3)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "These packages are missing and there is no sudo to install them: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
