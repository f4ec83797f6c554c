#!/usr/bin/env bash
# Lays out the release folder dist/ (what a user downloads and unpacks) from
# the windows build, signs the two programs when given a certificate, zips it
# and lists the SHA-256 of every file. Usage: scripts/make-dist.sh [BUILD_DIR]
#
# The same commit gives the same bytes: file times come from
# SOURCE_DATE_EPOCH (default: the commit's time), and so does the signing
# time. Signing, all optional:
#   ZUV_SIGN_PFX            PKCS#12 file holding the certificate and its key
#   ZUV_SIGN_PASSWORD_FILE  file holding its password, or
#   ZUV_SIGN_PASSWORD       the password itself
#   ZUV_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
dist=$root/dist
files=(ZUVInstaller.exe dsp_zv.dll helpfile.html zvlogo.jpg)

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
    { echo "make-dist: not a git clone; set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi

rm -rf "$dist"
mkdir -p "$dist"
cp "$build/ZUVInstaller.exe" "$build/plugin/dsp_zv.dll" "$build/plugin/helpfile.html" "$build/plugin/zvlogo.jpg" "$dist/"

if [ -n "${ZUV_SIGN_PFX:-}" ]; then
  [ -r "$ZUV_SIGN_PFX" ] || { echo "make-dist: cannot read ZUV_SIGN_PFX $ZUV_SIGN_PFX" >&2; exit 1; }
  pass=()
  secret=
  trap '[ -z "$secret" ] || rm -f "$secret"' EXIT
  if [ -n "${ZUV_SIGN_PASSWORD_FILE:-}" ]; then
    pass=(-readpass "$ZUV_SIGN_PASSWORD_FILE")
  elif [ -n "${ZUV_SIGN_PASSWORD:-}" ]; then
    # On the command line, ps would show the password to every user.
    secret=$(umask 077 && mktemp)
    printf '%s' "$ZUV_SIGN_PASSWORD" >"$secret"
    pass=(-readpass "$secret")
  fi
  ts=()
  [ -z "${ZUV_SIGN_TIMESTAMP_URL:-}" ] || ts=(-ts "$ZUV_SIGN_TIMESTAMP_URL")
  # -n is the program name that the elevation prompt shows.
  for f in "ZUVInstaller.exe:ZUV plug-in installer" "dsp_zv.dll:ZUV Enhancer"; do
    osslsigncode sign -pkcs12 "$ZUV_SIGN_PFX" "${pass[@]}" -h sha256 -n "${f#*:}" \
      -time "$SOURCE_DATE_EPOCH" "${ts[@]}" -in "$dist/${f%%:*}" -out "$dist/${f%%:*}.signed" >/dev/null
    mv "$dist/${f%%:*}.signed" "$dist/${f%%:*}"
  done
  echo "make-dist: signed ZUVInstaller.exe and dsp_zv.dll${ZUV_SIGN_TIMESTAMP_URL:+, time-stamped by $ZUV_SIGN_TIMESTAMP_URL}"
else
  echo "make-dist: no ZUV_SIGN_PFX, ZUVInstaller.exe and dsp_zv.dll left unsigned"
fi

# zip stores each file's mode and local time and ignores SOURCE_DATE_EPOCH:
# fix both, in UTC; -X leaves out the owner and the extra time fields.
cd "$dist"
chmod 0755 ZUVInstaller.exe dsp_zv.dll
chmod 0644 helpfile.html zvlogo.jpg
TZ=UTC touch -d "@$SOURCE_DATE_EPOCH" "${files[@]}"
TZ=UTC zip -q -X ZUV.zip "${files[@]}"
sha256sum "${files[@]}" ZUV.zip >SHA256SUMS
echo "make-dist: $(echo *)"
