#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build the
# plug-in, its host simulator and its tests. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libcpp-httplib-dev nlohmann-json3-dev libpugixml-dev libcli11-dev
  g++-mingw-w64-x86-64-posix wine64 zip
  chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Windows build of the tools builds pugixml and cpp-httplib from Debian's
# source packages (cmake/windows-tool-libraries.cmake): the same archive as the
# binary packages, with source entries.
sources=/etc/apt/sources.list.d/kovrel-debian-src.sources
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  binary=/etc/apt/sources.list.d/debian.sources
  uri=$(sed -n 's/^URIs: *//p' "$binary" 2>/dev/null | head -n1)
  suite=$(sed -n 's/^Suites: *\([^ ]*\).*/\1/p' "$binary" 2>/dev/null | head -n1)
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "${uri:-http://deb.debian.org/debian}" "${suite:-bookworm}" | $SUDO tee "$sources" >/dev/null
  $SUDO apt-get update -qq
fi
