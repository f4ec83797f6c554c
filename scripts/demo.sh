#!/usr/bin/env bash
# The demo: builds the release folder, makes a scratch wine prefix with a
# stand-in player registered as Winamp, and runs the installer from dist/.
# With a display the installer opens there for you to click through; without
# one it runs in Xvfb, walks the four pages and saves a screenshot of each in
# build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
cmake --preset windows >/dev/null
cmake --build --preset windows
"$root/scripts/make-dist.sh"

. "$root/scripts/wine-lib.sh"
out=$root/build/demo
mkdir -p "$out"
prefix=$(mktemp -d /tmp/zuv-demo.XXXXXX)
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1 && ! xset q >/dev/null 2>&1; then
  headless=1
  start_display
fi
cleanup() { end_prefix "$prefix"; rm -rf "$prefix"; [ "$headless" = 1 ] && stop_display; return 0; }
trap cleanup EXIT

echo "demo: preparing a wine prefix with a stand-in player"
make_template "$prefix"
player="$prefix/drive_c/Program Files/Winamp"
mkdir -p "$player/plugins"
cp "$root/build/windows/tools/winamp.exe" "$player/"
printf '[Winamp]\r\noutname=out_wave.dll\r\ndspplugin_name=dsp_eq.dll\r\ndspplugin_num=3\r\neq_open=1\r\npe_open=1\r\nmb_open=1\r\n' >"$player/winamp.ini"
WINEPREFIX="$prefix" wine reg add 'HKLM\SOFTWARE\Classes\Winamp.File\shell\Play\command' /ve \
  /d '"C:\Program Files\Winamp\winamp.exe" "%1"' /f >/dev/null 2>&1

if [ "$headless" = 0 ]; then
  echo "demo: running the installer on $DISPLAY"
  (cd "$root/dist" && WINEPREFIX="$prefix" wine ZUVInstaller.exe)
else
  auto="$root/build/windows/tools/zuvauto.exe"
  shot() {  # shot NAME: the whole screen, cropped to the wizard by convert
    sleep 0.5
    xwd -root -silent | convert xwd:- -trim "$out/$1.png" 2>/dev/null || echo "demo: no screenshot ($1)"
  }
  (cd "$root/dist" && WINEPREFIX="$prefix" wine ZUVInstaller.exe) &
  installer=$!
  WINEPREFIX="$prefix" wine "$auto" wait "ZUVInstaller v1.0g" 20000 >/dev/null
  shot 1-welcome
  for page in 2-agreement 3-location 4-finished; do
    WINEPREFIX="$prefix" wine "$auto" click "ZUVInstaller v1.0g" 1001
    sleep 1
    shot "$page"
  done
  WINEPREFIX="$prefix" wine "$auto" click "ZUVInstaller v1.0g" 1001   # Finish starts the player
  wait "$installer"
  sleep 1
  echo "demo: screenshots in build/demo/: $(ls "$out" | tr '\n' ' ')"
  echo "demo: the player's folder now holds: $(ls "$player/plugins" | tr '\n' ' ')"
  echo "demo: the stand-in player's log:"
  sed 's/^/  /' "$player/winamp.log" 2>/dev/null || true
fi
