#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when some are missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql qt6-translations-l10n libgl1-mesa-dev
  libcpp-httplib-dev libboost1.81-dev libsqlite3-dev sqlite3 libxlsxwriter-dev
  libgtest-dev libgmock-dev
  xvfb xauth curl apache2-utils
  postgresql libpq-dev haproxy
  libsodium-dev libssl-dev openssl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Instalando pacotes: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
