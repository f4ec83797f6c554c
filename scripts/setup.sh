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

# install_in_steps PACKAGE DEPTH: installs PACKAGE, never removing anything;
# where apt cannot resolve it, its dependencies first (DEPTH levels down),
# then PACKAGE again. Keeps apt's last error for it in why[PACKAGE].
install_in_steps() {
  local p=$1 depth=$2 d twin cand
  have "$p" && return 0
  "${apt[@]}" install -y -qq --no-remove "$p" >"$log" 2>&1 && return 0
  # An i386 library must be the very version of its amd64 twin. Where the
  # i386 list that has the twin's version did not download, both take the
  # version the i386 lists have (a step down, at worst).
  if [[ $p == *:i386 ]]; then
    twin=$(dpkg-query -W -f='${Version}' "${p%:i386}:amd64" 2>/dev/null || true)
    cand=$("${apt_cache[@]}" policy "$p" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    if [ -n "$twin" ] && [ -n "$cand" ] && [ "$cand" != "(none)" ] && [ "$twin" != "$cand" ]; then
      echo "setup: ${p%:i386} goes from $twin to $cand, the version its i386 twin can have"
      "${apt[@]}" install -y -qq --no-remove --allow-downgrades "$p=$cand" "${p%:i386}:amd64=$cand" >"$log" 2>&1 &&
        return 0
    fi
  fi
  if [ "$depth" -gt 0 ]; then
    for d in $("${apt_cache[@]}" depends "$p" 2>/dev/null | sed -n 's/^ *|\?Depends: \([^< ][^ ]*\)$/\1/p'); do
      install_in_steps "$d" $((depth - 1)) || true
    done
    "${apt[@]}" install -y -qq --no-remove "$p" >"$log" 2>&1 && return 0
  fi
  why[$p]=$(grep -E "^E:" "$log" | tail -n 1 || true)
  return 1
}

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  apt=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)
  apt_cache=(apt-cache)
  log=$(mktemp)
  prefs=$(mktemp)
  trap 'rm -f "$log" "$prefs"' EXIT
  # A mirror caught half-synced fails one architecture's list; the lists apt
  # already has (or the others it did fetch) usually still hold everything.
  if ! "${apt[@]}" update -qq 2>&1 | tee "$log"; then :; fi
  failed=$(sed -n 's#^E: Failed to fetch .*/dists/\([^/ ]*\)/.*#\1#p' "$log" | sort -u)
  if grep -q '^E:' "$log"; then
    echo "setup: warning: some package lists did not download${failed:+ ($(echo $failed))}; going on with the lists apt has" >&2
  fi
  if ! "${apt[@]}" install -y -qq "${need[@]}" >"$log" 2>&1; then
    echo "setup: one install of everything failed; trying the packages one at a time"
    # A suite whose list failed for one architecture has newer versions for
    # the others than for it; its versions are not preferred for these steps,
    # so each architecture resolves from the lists it shares with the others.
    for suite in $failed; do
      printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\n' "$suite" >>"$prefs"
    done
    apt+=(-o "Dir::Etc::Preferences=$prefs")
    apt_cache+=(-o "Dir::Etc::Preferences=$prefs")
    declare -A why=()
    # One resolution of everything can fail where the same packages install
    # in steps (wine32's i386 libraries before wine32): one at a time, i386
    # first, and a package apt cannot resolve after its dependencies.
    for p in $(printf '%s\n' "${need[@]}" | sort -t: -k2,2r); do
      install_in_steps "$p" 3 || true
    done
    missing=()
    for p in "${need[@]}"; do have "$p" || missing+=("$p"); done
    if [ ${#missing[@]} -gt 0 ]; then
      echo "setup: still missing after every try:" >&2
      for p in "${missing[@]}"; do echo "  $p: ${why[$p]:-no reason given}" >&2; done
      exit 1
    fi
  fi
fi

# LC_ALL=ja_JP.UTF-8 gives the programs wine starts code page 932. Debian's
# locale-gen builds what /etc/locale.gen lists (and drops what it does not).
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
