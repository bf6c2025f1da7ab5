#!/usr/bin/env bash
# Installs every Debian 12 package the build, the programs and the tests need.
# Safe to run again: packages already present are skipped by apt.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6svg6-dev
  qt6-translations-l10n qt6-qpa-plugins libgl-dev
  libsqlite3-dev sqlite3
  unixodbc-dev tdsodbc libsqliteodbc odbcinst
  mdbtools-dev libglib2.0-dev
  libcurl4-openssl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-liberation2 fontconfig
  xvfb xauth libxcb1-dev
  # The voice's client of the sound server; the sound tests start both
  # servers of their own (PipeWire's session manager needs a session bus).
  libpulse-dev pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus
  espeak-ng sox
  p7zip-full
  python3 python3-pyftpdlib
  poppler-utils
  # Its examples hold the Access (Jet) sample file the Jet reader is tested on.
  fp-units-db
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
