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

# wine64 beside wine32 for the 64-bit (WoW64) prefix; the locales and a
# Japanese font for the run under code page 932.
for p in cmake ninja-build g++ g++-mingw-w64-i686 googletest libgtest-dev zlib1g-dev wine wine32:i386 wine64 xvfb \
         x11-apps x11-utils file imagemagick zip unzip osslsigncode openssl clang libclang-rt-14-dev python3 \
         python3-pil fonts-liberation tidy sox nsis binutils-mingw-w64-i686 locales fonts-ipafont-gothic; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

# LC_ALL=ja_JP.UTF-8 gives the programs wine starts code page 932. Debian's
# locale-gen builds what /etc/locale.gen lists (and drops what it does not).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
