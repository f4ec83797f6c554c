# Shell functions for running Windows programs under wine in Xvfb.
# Source it; every prefix and display made here belongs to this run alone.

export WINEDEBUG=-all
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# start_display: an Xvfb of our own on a free display number; sets DISPLAY.
start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X${n}" ] && { export DISPLAY=":$n"; return 0; }
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  echo "wine-lib: no free X display" >&2
  return 1
}

stop_display() { [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null; XVFB_PID=; }

# make_template DIR [VERSION]: a booted 32-bit prefix with crash dialogs
# switched off, reporting VERSION (see set_windows_version) or, without it,
# wine's default.
make_template() {
  local dir=$1
  rm -rf "$dir"
  WINEPREFIX="$dir" wineboot -i >/dev/null 2>&1
  [ -z "${2:-}" ] || set_windows_version "$dir" "$2"
  # A crash must end the process, not leave it suspended behind a dialog.
  WINEPREFIX="$dir" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  WINEPREFIX="$dir" wineserver -w
}

# make_template64 DIR: a booted 64-bit prefix, made with the 64-bit loader,
# crash dialogs switched off. Plain `wine` runs our 32-bit programs in it
# under WoW64; every wine command on it needs WINEARCH=win64 (or none).
make_template64() {
  local dir=$1
  rm -rf "$dir"
  WINEARCH=win64 WINEPREFIX="$dir" /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  WINEARCH=win64 WINEPREFIX="$dir" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  WINEPREFIX="$dir" wineserver -w
  # Anything written through a shared hard link afterwards is newer than this.
  touch "$dir.made"
}

# set_windows_version PREFIX VERSION: the Windows version (winxp, win7, win10,
# ...) that programs started in the prefix from now on see.
set_windows_version() {
  WINEPREFIX="$1" wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$2" /f >/dev/null 2>&1
  WINEPREFIX="$1" wineserver -w
}

# new_prefix TEMPLATE DIR: a fresh copy of the template.
new_prefix() {
  rm -rf "$2"
  cp -a "$1" "$2"
}

# new_linked_prefix TEMPLATE DIR: a copy of a large (64-bit) template that
# shares the system folders' programs and libraries with it by hard links,
# which nothing here writes. Every other file is a copy of its own: wine
# rewrites system.reg, user.reg and userdef.reg in place, and a scenario may
# write any file outside those folders: those links are removed, and the
# files copied anew.
new_linked_prefix() {
  local shared='.*/windows/\(system32\|syswow64\)/.*\.\(dll\|exe\|drv\|sys\|vxd\|ocx\|cpl\|acm\|ax\|tlb\|com\|nls\)'
  rm -rf "$2"
  cp -al "$1" "$2" &&
    (cd "$2" && find . -type f ! -regex "$shared" -delete) &&
    # Another prefix linked from the template at the same moment changes a
    # file's link count, and so its ctime, which tar takes for a change of
    # its contents: only the contents count here.
    (cd "$1" && find . -type f ! -regex "$shared" -print0) |
      tar -C "$1" --warning=no-file-changed --null -T - -cf - | tar -C "$2" -xf -
}

# linked_files_written TEMPLATE: the template's files written since it was
# made, through a link a prefix should not have shared (none, when all is well).
linked_files_written() { find "$1" -type f -newer "$1.made"; }

end_prefix() { WINEPREFIX="$1" wineserver -k >/dev/null 2>&1 || true; }

# winpath FILE: the path as a program in the prefix sees it (drive Z:).
winpath() { printf 'Z:%s' "$(readlink -f "$1" | sed 's|/|\\|g')"; }
