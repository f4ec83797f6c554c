#!/usr/bin/env bash
# Release checks. dist/ is built twice from clean, in two clones of the
# current commit whose folders differ in path length, with different time
# zones and umasks, unsigned and then signed with a throwaway certificate;
# both times the two must agree byte for byte. The signatures must verify,
# SHA256SUMS must hold, the help page must name the dll's version, and the
# signed installer must still complete a typical installation under wine.
# Uses this tree's windows-tests build (the scenario) and windows build (the
# stand-in player and viewer); scripts/test.sh runs it after building both.
# Ends "release: N passed, M failed"; exits non-zero on any failure.
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
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"
  else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

work=$(mktemp -d /tmp/zuv-release.XXXXXX)
prefix=
cleanup() {
  [ -z "$prefix" ] || end_prefix "$prefix"
  stop_display 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A throwaway code-signing certificate; its password holds a space.
mkdir "$work/cert"
printf 'throwaway pass' >"$work/cert/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=ZUV release check" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/cert/key.pem" -out "$work/cert/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/cert/key.pem" -in "$work/cert/cert.pem" \
  -passout "file:$work/cert/password" -out "$work/cert/cert.pfx"

# build_dists DIR TZ UMASK (a POSIX zone, so no tzdata is needed): a clone of the commit in DIR, its windows build,
# and dist/ unsigned (DIR/unsigned) and signed (DIR/signed).
build_dists() {
  local dir=$1
  git clone -q --no-checkout "$root" "$dir"
  git -C "$dir" checkout -q --detach "$commit"
  (
    cd "$dir"
    umask "$3"
    export TZ=$2
    unset SOURCE_DATE_EPOCH ZUV_SIGN_PFX ZUV_SIGN_PASSWORD ZUV_SIGN_PASSWORD_FILE ZUV_SIGN_TIMESTAMP_URL
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target ZUVInstaller dsp_zv >/dev/null
    scripts/make-dist.sh
    mv dist unsigned
    ZUV_SIGN_PFX=$work/cert/cert.pfx ZUV_SIGN_PASSWORD="throwaway pass" scripts/make-dist.sh
    mv dist signed
  )
}

echo "release: building dist/ of ${commit:0:12} in two clones"
if ! { build_dists "$work/a" UTC 022 && build_dists "$work/b-in-a-longer-folder/b" XST-5:30 077; } >"$art/release-build.log" 2>&1; then
  tail -n 30 "$art/release-build.log"
  echo "FAILED: building dist/ in the clones (see build/test-artifacts/release-build.log)"
  echo "release: 0 passed, 1 failed"
  exit 1
fi
a=$work/a
b=$work/b-in-a-longer-folder/b

sums_hold() { (cd "$1" && sha256sum --quiet -c SHA256SUMS); }
for kind in unsigned signed; do
  check "$kind dist/ the same byte for byte in both clones" diff -rq "$a/$kind" "$b/$kind"
  check "$kind SHA256SUMS holds" sums_hold "$a/$kind"
done

# What the user unpacks from the signed zip verifies against the certificate.
mkdir "$work/unpacked"
unzip -q "$a/signed/ZUV.zip" -d "$work/unpacked"
verifies() { osslsigncode verify -CAfile "$work/cert/cert.pem" -in "$1" >>"$art/release-verify.log" 2>&1; }
: >"$art/release-verify.log"
for f in ZUVInstaller.exe dsp_zv.dll; do
  check "signed $f from ZUV.zip verifies" verifies "$work/unpacked/$f"
done

page_names_dll_version() {
  local v
  v=$(strings -el -n 3 "$a/unsigned/dsp_zv.dll" | sed -n '/^ProductVersion$/{n;p;q}')
  [ -n "$v" ] && grep -qF "<p>Version $v. " "$a/unsigned/helpfile.html" &&
    grep -qF "<em>ZUV Enhancer v$v</em>" "$a/unsigned/helpfile.html"
}
check "the help page names the dll's version" page_names_dll_version

# The signed installer under wine: one typical installation, from the zip's files.
wt=$root/build/windows-tests/tests/e2e/e2e_tests.exe
# shellcheck source=scripts/wine-lib.sh
. "$root/scripts/wine-lib.sh"
typical_install_with_signed_dist() {
  [ -f "$wt" ] || { echo "no $wt: build the windows-tests preset" >&2; return 1; }
  start_display || return 1
  prefix=$work/prefix
  make_template "$prefix"
  DISPLAY=$DISPLAY WINEPREFIX=$prefix ZUV_DIST=$(winpath "$work/unpacked") \
    ZUV_STANDIN=$(winpath "$root/build/windows/tools/winamp.exe") ZUV_VIEWER=$(winpath "$root/build/windows/tools/viewer.exe") \
    ZUV_ARTIFACTS=$(winpath "$art") timeout 180 wine "$wt" --gtest_filter=Install.TypicalRunClosesCopiesAndStartsThePlayer \
    >"$art/release-e2e.log" 2>&1 || true
  grep -q '^\[  PASSED  \] 1 test' "$art/release-e2e.log"
}
check "the signed installer completes a typical installation under wine" typical_install_with_signed_dist

echo "release: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
