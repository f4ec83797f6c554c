#!/usr/bin/env bash
# Installs what the build, the demo and the tests need, when it is missing.
# Debian, as root or with sudo.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

for p in cmake ninja-build g++ g++-mingw-w64-i686 googletest libgtest-dev zlib1g-dev wine wine32:i386 xvfb \
         x11-apps x11-utils file imagemagick zip unzip osslsigncode openssl clang libclang-rt-14-dev python3 \
         python3-pil fonts-liberation tidy sox nsis binutils-mingw-w64-i686; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi
