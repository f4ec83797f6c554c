#!/usr/bin/env bash
# Every test layer: native unit tests (ASan+UBSan) and the fuzzers, the Windows
# tests under wine, and the end-to-end scenarios under wine in Xvfb, each
# scenario in a fresh prefix. Ends with "N passed, M failed"; exits non-zero
# on any failure.
#
# The wine tests model three kinds of Windows: 32-bit Windows with code page
# 1252 (every scenario, a few again as Windows XP and 10), 64-bit Windows
# (WoW64) for the places, folders, player kinds and settings files, and code
# page 932 (Japanese) for paths with double-byte characters.
# `--only win32`, `--only win64` or `--only ja` (or ZUV_TEST_ONLY) builds,
# then runs that kind's wine tests alone.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
only=${ZUV_TEST_ONLY:-}
if [ "${1:-}" = --only ]; then only=${2:-none}; fi
case "$only" in
  ''|win32|win64|ja) ;;
  *) echo "usage: scripts/test.sh [--only win32|win64|ja]" >&2; exit 2 ;;
esac
# wants KIND: whether this run tests that kind.
wants() { [ -z "$only" ] || [ "$only" = "$1" ]; }
"$root/scripts/setup.sh" || exit 1

passed=0
failed=0
problems=()
jobs=${ZUV_TEST_JOBS:-2}
art=$root/build/test-artifacts
rm -rf "$art" && mkdir -p "$art"

note_failure() { problems+=("$1"); failed=$((failed + 1)); }

# gtest_counts FILE LABEL: adds the counts of one GoogleTest run.
gtest_counts() {
  local p f
  # Programs under wine end their lines with CR LF; a CR left in a count
  # would break the arithmetic below and, with it, the rest of the tally.
  p=$(tr -d '\r' <"$1" | sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' | tail -n 1)
  f=$(tr -d '\r' <"$1" | sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*, listed below:/\1/p' | tail -n 1)
  if [ -z "$p" ] && [ -z "$f" ]; then
    note_failure "$2: no result (crashed or timed out)"
    return
  fi
  # A filter that matched nothing passes with 0: count it as the fault it is.
  [ "${p:-0}" -eq 0 ] && [ -z "$f" ] && { note_failure "$2: ran no test"; return; }
  passed=$((passed + ${p:-0}))
  failed=$((failed + ${f:-0}))
  [ "${f:-0}" -gt 0 ] && problems+=("$2: $(grep '^\[  FAILED  \] [A-Za-z]' "$1" | sed 's/^\[  FAILED  \] //' | sort -u | tr '\n' ' ')")
  return 0
}

if [ -z "$only" ]; then
echo "== native build and unit tests (ASan, UBSan)"
if cmake --preset native >"$art/native-configure.log" 2>&1 && cmake --build --preset native >"$art/native-build.log" 2>&1; then
  ctest --preset native -j"$jobs" >"$art/native-ctest.log" 2>&1
  tail -n 3 "$art/native-ctest.log"
  t=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$art/native-ctest.log")
  if [ -n "$t" ]; then
    set -- $t
    passed=$((passed + $2 - $1))
    failed=$((failed + $1))
    [ "$1" -gt 0 ] && problems+=("native: $(grep -E '\(Failed\)|\(SEGFAULT\)|\(Subprocess aborted\)|\(Timeout\)' "$art/native-ctest.log" | tr -s ' ' | tr '\n' ';')")
  else
    note_failure "native: ctest gave no summary"
  fi
else
  note_failure "native: build failed (see build/test-artifacts/native-build.log)"
  tail -n 30 "$art/native-build.log"
fi

if [ -x "$root/scripts/fuzz.sh" ]; then
  echo "== fuzzing the settings rewrite, paths.ini and the double-byte path walks"
  if "$root/scripts/fuzz.sh" "${ZUV_FUZZ_SECONDS:-5}" >"$art/fuzz.log" 2>&1; then
    passed=$((passed + 1))
  else
    note_failure "fuzz: a finding or a build failure (see build/test-artifacts/fuzz.log)"
    tail -n 20 "$art/fuzz.log"
  fi
fi
fi

echo "== windows builds"
if ! { cmake --preset windows >"$art/win-configure.log" 2>&1 && cmake --build --preset windows >"$art/win-build.log" 2>&1 &&
       cmake --preset windows-tests >>"$art/win-configure.log" 2>&1 && cmake --build --preset windows-tests >>"$art/win-build.log" 2>&1 &&
       "$root/scripts/make-dist.sh" >>"$art/win-build.log" 2>&1; }; then
  note_failure "windows: build failed (see build/test-artifacts/win-build.log)"
  tail -n 30 "$art/win-build.log"
  echo "${passed} passed, ${failed} failed"
  exit 1
fi

if [ -z "$only" ]; then
echo "== product checks"
exe=$root/build/windows/ZUVInstaller.exe
check() { if "$@"; then passed=$((passed + 1)); else note_failure "product: $*"; fi; }
headers=$(i686-w64-mingw32-objdump -p "$exe")
pe_is_gui_i386() { file "$exe" | grep -q 'PE32 executable (GUI) Intel 80386'; }
# imports_only_system_dlls FILE [DLL...]: static imports only from KnownDLLs,
# which Windows maps from the system folder whatever lies beside the program,
# so a planted DLL in the download folder cannot ride along with the installer.
# Further DLLs may be allowed per binary.
imports_only_system_dlls() {
  local file=$1 dlls allowed='kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|msvcrt.dll|ole32.dll|oleaut32.dll|comdlg32.dll'
  shift
  for d in "$@"; do allowed+="|$d"; done
  dlls=$(i686-w64-mingw32-objdump -p "$file" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  echo "$(basename "$file") imports: $(echo $dlls)"
  ! echo "$dlls" | grep -v -x -E "$allowed"
}
# dll!function for every function FILE imports; by ordinal: dll!#ordinal.
imported_functions() {
  i686-w64-mingw32-objdump -p "$1" | awk '
    /DLL Name:/ { dll = tolower($3); next }
    /^$/ { dll = "" }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll "!" (NF < 3 || $3 == "<none>" ? "#" $2 : $3) }' | sort -u
}
# Every imported function must be one Windows XP SP3 exports, as listed in
# tests/xp-sp3-exports.txt. Neither the build nor wine shows a newer one:
# mingw's headers declare Vista-and-later functions without a version guard,
# and wine exports them whatever version the prefix reports. The mingw runtime
# linked in (CRT start-up, libgcc, libstdc++) imports functions too; they count.
imports_exist_on_xp() {
  local imports missing
  imports=$(imported_functions "$1")
  [ -n "$imports" ] || { echo "$1: no imports read"; return 1; }
  missing=$(comm -23 <(echo "$imports") <(grep -v -e '^#' -e '^$' "$root/tests/xp-sp3-exports.txt" | sort -u))
  [ -z "$missing" ] && return 0
  echo "$(basename "$1") imports what Windows XP SP3 lacks:"
  while read -r f; do echo "  $f"; done <<<"$missing"
  return 1
}
# DllCharacteristics: 0x40 dynamic base (ASLR), 0x100 NX compatible (DEP).
aslr_and_dep() {
  local c
  c=$(echo "$headers" | sed -n 's/^DllCharacteristics[[:space:]]*//p')
  [ -n "$c" ] && (( (0x$c & 0x140) == 0x140 ))
}
check pe_is_gui_i386
check imports_only_system_dlls "$exe"
check imports_exist_on_xp "$exe"
# The plug-in's settings dialog needs comctl32: not a KnownDLL (the loader
# may pick a side-by-side copy), but a system DLL on every version, and the
# plug-in is loaded by the player from its own folder, not a download folder.
check imports_only_system_dlls "$root/dist/dsp_zv.dll" comctl32.dll
check imports_exist_on_xp "$root/dist/dsp_zv.dll"
check aslr_and_dep
check python3 "$root/scripts/check_includes.py"
# The committed pictures hold the words of res/page_texts.h, as the generator
# draws them (Debian's own python3: it sees Debian's PIL).
pictures_are_generated() {
  /usr/bin/python3 "$root/tools/imagegen/make_pictures.py" --check >"$art/pictures-check.log" 2>&1 ||
    { cat "$art/pictures-check.log"; return 1; }
}
check pictures_are_generated
fi

echo "== wine: Windows tests and end-to-end scenarios"
. "$root/scripts/wine-lib.sh"
# Whatever the caller's locale: UTF-8 file names on the Linux side, and the
# ANSI code page 1252 inside the prefixes, which cannot spell every letter
# of the scenario run from a Polish and Japanese folder name.
caller_lc_all=${LC_ALL-unset}
export LC_ALL=C.UTF-8
work=$(mktemp -d /tmp/zuv-test.XXXXXX)
displays=()
cleanup() {
  for d in "$work"/p*; do [ -d "$d" ] && end_prefix "$d"; done
  for p in "${xvfb_pids[@]:-}"; do [ -n "$p" ] && kill "$p" 2>/dev/null; done
  rm -rf "$work"
}
xvfb_pids=()
trap cleanup EXIT
for i in $(seq "$jobs"); do
  start_display || { note_failure "wine: no display"; break; }
  displays+=("$DISPLAY")
  xvfb_pids+=("$XVFB_PID")
done
export DISPLAY=${displays[0]}
# The main template keeps wine 8's default: it reports Windows 7 SP1
# (6.1.7601). Copies of it report the oldest and the newest Windows the
# installer supports, for a few scenarios run again in each
# (versions_scenarios below).
versions=(winxp win10)
make_template "$work/template"
for v in "${versions[@]}"; do
  new_prefix "$work/template" "$work/template-$v"
  set_windows_version "$work/template-$v" "$v"
done
# 64-bit Windows: one template of 1.3 GB, made once; each prefix shares its
# system binaries (new_linked_prefix).
wants win64 && make_template64 "$work/template64"

export ZUV_DIST=$(winpath "$root/dist")
export ZUV_STANDIN=$(winpath "$root/build/windows/tools/winamp.exe")
export ZUV_VIEWER=$(winpath "$root/build/windows/tools/viewer.exe")
export ZUV_HOLDER=$(winpath "$root/build/windows/tools/holder.exe")
export ZUV_SHELL=$(winpath "$root/build/windows/tools/shellwindow.exe")
export ZUV_MODULES=$(winpath "$root/build/windows/tools")
export ZUV_ARTIFACTS=$(winpath "$art")
wt=$root/build/windows-tests/tests

if wants win32; then
  new_prefix "$work/template" "$work/p-win"
  WINEPREFIX="$work/p-win" timeout 300 wine "$wt/win/win_tests.exe" >"$art/win_tests.log" 2>&1
  end_prefix "$work/p-win"
  grep -E '^\[  (PASSED|FAILED) ' "$art/win_tests.log" | head -n 20
  gtest_counts "$art/win_tests.log" "windows tests"
fi
# In the 64-bit prefix: finding the player, its kind, its settings files and zuv.cfg.
if wants win64; then
  new_linked_prefix "$work/template64" "$work/p-win64"
  WINEARCH=win64 WINEPREFIX="$work/p-win64" timeout 300 wine "$wt/win/win_tests.exe" \
    --gtest_filter='Locate.*:Presence.*:PlayerSettings*:PluginSettingsSeed*' >"$art/win_tests-win64.log" 2>&1
  end_prefix "$work/p-win64"
  rm -rf "$work/p-win64"
  grep -E '^\[  (PASSED|FAILED) ' "$art/win_tests-win64.log" | head -n 20
  gtest_counts "$art/win_tests-win64.log" "windows tests (win64)"
fi

# One scenario per fresh prefix; `jobs` slots, each on its own display so no
# window covers another's pixels.
new_prefix "$work/template" "$work/p-list"
WINEPREFIX="$work/p-list" wine "$wt/e2e/e2e_tests.exe" --gtest_list_tests 2>/dev/null | tr -d '\r' >"$work/list"
end_prefix "$work/p-list"
scenarios=()
while IFS= read -r line; do
  case "$line" in
    " "*) name=${line#  }; scenarios+=("$suite${name%%  #*}") ;;   # less "  # GetParam() = ..."
    *.) suite=$line ;;
  esac
done <"$work/list"
[ ${#scenarios[@]} -gt 0 ] || note_failure "e2e: no scenarios listed"

# Each run is "KIND NAME": every scenario in the main template ("default"),
# these few again under each of `versions`. A scenario whose case is named
# Win64... runs in the 64-bit prefix alone, one named Japanese... under code
# page 932 alone; these others run there too.
versions_scenarios=(
  Install.TypicalRunClosesCopiesAndStartsThePlayer
  Install.FromAFolderTheAnsiCodePageCannotSpell
  Scenario.PlayerLoadsThePluginAndItRaisesTheBass
  Window.EveryPageShowsItsPicture
)
win64_scenarios=(
  Install.TypicalRunClosesCopiesAndStartsThePlayer
  Settings.FirstRunCancelledOnWelcomeHasSeededZuvCfg
  Places/PlayerPlaces.FirstPlaceThatHoldsThePlayerWins/WacupAtItsDefaultFolderOnly
  Places/PlayerPlaces.FirstPlaceThatHoldsThePlayerWins/Only64BitPlayer
  Places/PlayerSettingsPlace.RewritesWhereThePlayerReadsOrSaysItDidNot/DesktopUsersFolder
  # The drop-down list clicked open and an item clicked, through the input queue.
  Scales/Players.ListOffersEveryPlayerFoundAndTheChoiceIsInstalledInto/At96
)
ja_scenarios=(
  Install.TypicalRunClosesCopiesAndStartsThePlayer
  Window.EveryPageShowsItsPicture
)
kind_of() { case "$1" in */Win64*) echo win64 ;; */Japanese*) echo ja ;; *) echo default ;; esac; }
runs=()
add_runs() {  # add_runs KIND NAME...
  local k=$1 name
  shift
  for name in "$@"; do
    printf '%s\n' "${scenarios[@]}" | grep -q -x -F "$name" || { note_failure "e2e: no scenario $name to run under $k"; continue; }
    runs+=("$k $name")
  done
}
for name in "${scenarios[@]}"; do
  k=$(kind_of "$name")
  case $k in default) wants win32 ;; *) wants "$k" ;; esac && runs+=("$k $name")
done
if wants win32; then for v in "${versions[@]}"; do add_runs "$v" "${versions_scenarios[@]}"; done; fi
wants win64 && add_runs win64 "${win64_scenarios[@]}"
wants ja && add_runs ja "${ja_scenarios[@]}"

# A parameterised scenario's name holds slashes; its log name does not.
run_log() { local n=${2//\//_}; if [ "$1" = default ]; then echo "$art/e2e-$n.log"; else echo "$art/e2e-$1-$n.log"; fi; }

run_scenario() {  # run_scenario INDEX KIND NAME DISPLAY
  local prefix="$work/p$1" shots="$art" env=()
  [ "$2" = default ] || { shots+="/$2"; mkdir -p "$shots"; }
  case $2 in
    default) new_prefix "$work/template" "$prefix" ;;
    win64) new_linked_prefix "$work/template64" "$prefix"; env=(WINEARCH=win64) ;;
    # The locale gives the programs wine starts their ANSI code page, 932.
    ja) new_prefix "$work/template" "$prefix"; env=(LC_ALL=ja_JP.UTF-8) ;;
    *) new_prefix "$work/template-$2" "$prefix" ;;
  esac
  env "${env[@]}" DISPLAY=$4 WINEPREFIX="$prefix" ZUV_ARTIFACTS=$(winpath "$shots") \
    timeout 180 wine "$wt/e2e/e2e_tests.exe" --gtest_filter="$3" >"$(run_log "$2" "$3")" 2>&1
  end_prefix "$prefix"
  rm -rf "$prefix"
}

i=0
pids=()
for run in "${runs[@]}"; do
  read -r v name <<<"$run"
  slot=$((i % jobs))
  if [ "$i" -ge "$jobs" ]; then wait "${pids[$slot]}"; fi
  run_scenario "$i" "$v" "$name" "${displays[$slot]}" &
  pids[$slot]=$!
  i=$((i + 1))
done
# Not a bare `wait`: the displays are background jobs too.
for p in "${pids[@]:-}"; do [ -n "$p" ] && wait "$p"; done
for run in "${runs[@]}"; do
  read -r v name <<<"$run"
  label=$name
  [ "$v" = default ] || label="$v $name"
  log=$(run_log "$v" "$name")
  gtest_counts "$log" "e2e $label"
  grep -q '^\[  FAILED  \] [A-Za-z]' "$log" && { echo "-- $label"; grep -E 'Failure|Expected|Which is|actual|  [A-Za-z]+:' "$log" | head -n 12; }
done
for bmp in "$art"/*.bmp "$art"/*/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null && rm -f "$bmp"
done
echo "e2e: ${#runs[@]} runs of ${#scenarios[@]} scenarios (32-bit, ${versions[*]}, win64, ja); logs and screenshots (PNG) in build/test-artifacts"
# A scenario that wrote through a link it shared with the 64-bit template
# would have changed every later prefix made from it.
if wants win64; then
  written=$(linked_files_written "$work/template64")
  if [ -z "$written" ]; then passed=$((passed + 1)); else note_failure "win64: files written through the template's links: $(echo $written)"; fi
fi

if [ "$caller_lc_all" = unset ]; then unset LC_ALL; else export LC_ALL=$caller_lc_all; fi

if [ -z "$only" ]; then
echo "== release: dist/ twice from clean, unsigned and signed"
"$root/scripts/check-release.sh" >"$art/release.log" 2>&1
grep -E '^(ok|FAILED): ' "$art/release.log"
t=$(sed -n 's/^release: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$art/release.log")
if [ -n "$t" ]; then
  passed=$((passed + ${t% *}))
  failed=$((failed + ${t#* }))
  while IFS= read -r line; do problems+=("release: ${line#FAILED: }"); done < <(grep '^FAILED: ' "$art/release.log")
else
  note_failure "release: no result (see build/test-artifacts/release.log)"
fi
fi

for p in "${problems[@]:-}"; do [ -n "$p" ] && echo "FAILED: $p"; done
echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
