#!/usr/bin/env bash
# dist/ built from clean in two clones of the current commit (folders of
# different path lengths, different time zones and umasks), unsigned and then
# signed with a throwaway certificate, must agree byte for byte; SHA256SUMS
# holds, the signatures verify, the help page names the dll's version, and the
# signed installer still completes a typical installation under wine (with
# this tree's windows and windows-tests builds). Ends "release: N passed, M
# failed"; scripts/test.sh runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
art=${ZUV_RELEASE_ARTIFACTS:-$root/build/test-artifacts}
mkdir -p "$art"
passed=0
failed=0
check() {  # check NAME COMMAND...
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"; else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
work=$(mktemp -d /tmp/zuv-release.XXXXXX)
prefix=
trap '[ -z "$prefix" ] || { end_prefix "$prefix"; stop_display; }; rm -rf "$work"' EXIT

# A throwaway code-signing certificate; its password holds a space.
c=$work/cert
mkdir "$c"
printf 'throwaway pass' >"$c/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ZUV release check" \
  -addext extendedKeyUsage=codeSigning -keyout "$c/key.pem" -out "$c/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$c/key.pem" -in "$c/cert.pem" -passout "file:$c/password" -out "$c/cert.pfx"

# build_dists DIR TZ UMASK: DIR/unsigned and DIR/signed from a clone in DIR.
# TZ is a POSIX zone, which needs no tzdata.
build_dists() {
  git clone -q --no-checkout "$root" "$1"
  git -C "$1" checkout -q --detach "$commit"
  (
    cd "$1" && umask "$3" && export TZ=$2
    unset SOURCE_DATE_EPOCH ZUV_SIGN_PFX ZUV_SIGN_PASSWORD ZUV_SIGN_PASSWORD_FILE ZUV_SIGN_TIMESTAMP_URL
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target ZUVInstaller dsp_zv >/dev/null
    scripts/make-dist.sh && mv dist unsigned
    ZUV_SIGN_PFX=$c/cert.pfx ZUV_SIGN_PASSWORD="throwaway pass" scripts/make-dist.sh && mv dist signed
  )
}
a=$work/a
b=$work/b-in-a-longer-folder/b
echo "release: building dist/ of ${commit:0:12} in two clones"
if ! { build_dists "$a" UTC 022 && build_dists "$b" XST-5:30 077; } >"$art/release-build.log" 2>&1; then
  tail -n 30 "$art/release-build.log"
  echo "FAILED: building dist/ in the clones (see build/test-artifacts/release-build.log)"
  echo "release: 0 passed, 1 failed"
  exit 1
fi

sums_hold() { (cd "$1" && sha256sum --quiet -c SHA256SUMS); }
for kind in unsigned signed; do
  check "$kind dist/ the same byte for byte in both clones" diff -rq "$a/$kind" "$b/$kind"
  check "$kind SHA256SUMS holds" sums_hold "$a/$kind"
done

# What the user unpacks from the signed zip.
unzip -q "$a/signed/ZUV.zip" -d "$work/unpacked"
verifies() { osslsigncode verify -CAfile "$c/cert.pem" -in "$1" >>"$art/release-verify.log" 2>&1; }
: >"$art/release-verify.log"
for f in ZUVInstaller.exe dsp_zv.dll; do check "signed $f from ZUV.zip verifies" verifies "$work/unpacked/$f"; done

page_names_dll_version() {
  local v page=$a/unsigned/helpfile.html
  v=$(strings -el -n 3 "$a/unsigned/dsp_zv.dll" | sed -n '/^ProductVersion$/{n;p;q}')
  [ -n "$v" ] && grep -qF "<p>Version $v. " "$page" && grep -qF "<em>ZUV Enhancer v$v</em>" "$page"
}
check "the help page names the dll's version" page_names_dll_version

# shellcheck source=scripts/wine-lib.sh
. "$root/scripts/wine-lib.sh"
typical_install_from_signed_zip() {
  local wt=$root/build/windows-tests/tests/e2e/e2e_tests.exe tools=$root/build/windows/tools
  [ -f "$wt" ] || { echo "no $wt: build the windows-tests preset" >&2; return 1; }
  start_display || return 1
  prefix=$work/prefix
  make_template "$prefix"
  WINEPREFIX=$prefix ZUV_DIST=$(winpath "$work/unpacked") ZUV_STANDIN=$(winpath "$tools/winamp.exe") \
    ZUV_VIEWER=$(winpath "$tools/viewer.exe") ZUV_ARTIFACTS=$(winpath "$art") timeout 180 \
    wine "$wt" --gtest_filter=Install.TypicalRunClosesCopiesAndStartsThePlayer >"$art/release-e2e.log" 2>&1 || true
  grep -q '^\[  PASSED  \] 1 test' "$art/release-e2e.log"
}
check "the signed installer completes a typical installation under wine" typical_install_from_signed_zip

echo "release: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
