#!/usr/bin/env bash
# Installs the Debian packages Tallyquote needs; skips what is there.
#   install-deps.sh run    what building and running the program needs
#   install-deps.sh test   that, and what the tests and benchmarks need (the default)
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev nlohmann-json3-dev libsqlite3-dev libpq-dev
  fonts-liberation fonts-dejavu-core
)
if [ "${1:-test}" != run ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    poppler-utils xvfb xauth imagemagick twm desktop-file-utils
    cups cups-client cups-bsd printer-driver-cups-pdf
    postgresql tzdata clang-format
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "Missing packages (${missing[*]}) and no root rights or sudo to install them." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
