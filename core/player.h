// Every point where the installer touches the player, in one place: Winamp,
// or WACUP, which loads Winamp's plug-ins and keeps its window class, its
// winamp.ini and its paths.ini.
#pragma once

// Registered play command: default value of this key, in HKEY_LOCAL_MACHINE
// and in a user's own hive.
#define PLAYER_COMMAND_KEY "SOFTWARE\\Classes\\Winamp.File\\shell\\Play\\command"
// Where else the player's installer records its folder from the start, read
// when the play command (written only at the player's first start) names
// none: its uninstall entry and program path (HKEY_LOCAL_MACHINE), and the
// installing account's own key (HKEY_CURRENT_USER, default value).
#define PLAYER_UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp"
#define PLAYER_UNINSTALL_FOLDER L"InstallLocation"
#define PLAYER_UNINSTALL_PROGRAM L"UninstallString"
#define PLAYER_APP_PATHS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\winamp.exe"
#define PLAYER_APP_PATHS_FOLDER L"Path"
#define PLAYER_USER_KEY "Software\\Winamp"
// WACUP's installer records its folder in its uninstall entry (also as the
// program its icon comes from, "path,N") and perhaps its program path.
#define WACUP_UNINSTALL_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WACUP"
#define WACUP_UNINSTALL_ICON L"DisplayIcon"
#define WACUP_APP_PATHS_KEY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wacup.exe"
#define PLAYER_EXE_NAME "winamp.exe"          // matched in any letter case
#define WACUP_EXE_NAME "wacup.exe"
#define PLAYER_INI_NAME "winamp.ini"
#define PLAYER_PLUGINS_DIR "plugins"          // directly inside the player's folder
#define PLAYER_WINDOW_CLASS "Winamp v1.x"     // main window; shuts down on WM_CLOSE
#define PLAYER_DOWNLOAD_HOST "www.winamp.com"

// The programs a player's folder may hold, the one that runs first: WACUP
// (whose x86 build may also be run as winamp.exe), then Winamp. A folder
// holds a player when it holds either. `userFolder`: where that player keeps
// winamp.ini when no paths.ini names a place for it and its own folder holds
// none, in paths.ini's forms; NULL: nowhere else. `title`: the player's name
// as its users know it.
struct PlayerProgram {
    const char* name;
    const char* userFolder;
    const char* title;
};
enum { PLAYER_PROGRAMS = 2 };
extern const PlayerProgram PlayerPrograms[PLAYER_PROGRAMS];
#define WACUP_USER_FOLDER "{26}\\WACUP"      // the user's roaming application data

// Where the players install themselves unless told otherwise, looked at
// last. %ProgramFiles% is the 32-bit Program Files for a 32-bit program;
// the 64-bit one, %ProgramW6432%, exists only on 64-bit Windows.
#define PLAYER_DEFAULT_FOLDER L"%ProgramFiles%\\Winamp"
#define WACUP_DEFAULT_FOLDER L"%ProgramFiles%\\WACUP"
#define PLAYER64_DEFAULT_FOLDER L"%ProgramW6432%\\Winamp64"
#define PLAYER_NATIVE_FOLDER L"%ProgramW6432%\\Winamp"
#define WACUP_NATIVE_FOLDER L"%ProgramW6432%\\WACUP"

// paths.ini beside winamp.exe may move winamp.ini (and the player's other
// settings) to the folder its [Winamp] (PLAYER_INI_SECTION) inidir= names, and name the settings
// file itself with inifile=; empty or absent: neither moves.
#define PLAYER_PATHS_INI "paths.ini"
#define PATHS_INI_KEY "inidir"
#define PATHS_INI_FILE_KEY "inifile"
// class= gives the player's main window another class name than
// PLAYER_WINDOW_CLASS: its %NAME%s and {N}s expanded, cut to PLAYER_CLASS_LENGTH
// characters (UTF-16 units).
#define PATHS_INI_CLASS_KEY "class"
enum { PLAYER_CLASS_LENGTH = 63 };
#define PATHS_INI_PROGRAM_DIR "WINAMP_PROGRAM_DIR"   // %...%: the player's folder
#define PATHS_INI_ROOT_DIR "WINAMP_ROOT_DIR"         // %...%: the root of its drive

// What the player reads of the first [Winamp] section of winamp.ini (names in
// any case): its DSP module and that module's number, the folder it loads DSP
// modules from when not plugins\ (UTF-8 unless utf8 reads 0, then ANSI),
// a module it is to delete at its next start, and whether it always starts
// in safe mode, in which it loads no DSP module (any number but 0).
#define PLAYER_INI_SECTION "Winamp"
#define PLAYER_INI_DSP_NAME "dspplugin_name"
#define PLAYER_INI_DSP_NUM "dspplugin_num"
#define PLAYER_INI_DSP_DIR "DSPDir"
#define PLAYER_INI_UTF8 "utf8"
#define PLAYER_INI_REMOVE "remove_genplug"
#define PLAYER_INI_SAFE_MODE "safemode"

// winamp.ini keys the installer rewrites, in the order the rules apply.
#define INI_KEY_DSP_NAME "dspplugin_name="
#define INI_KEY_DSP_NUM "dspplugin_num="
#define INI_KEY_EQ_OPEN "eq_open="
#define INI_KEY_PE_OPEN "pe_open="
#define INI_KEY_MB_OPEN "mb_open="

// The plug-in's files, in copy order; the first is the module the player loads.
#define PLUGIN_MODULE_NAME "dsp_zv.dll"
#define PLUGIN_HELP_NAME "helpfile.html"
#define PLUGIN_LOGO_NAME "zvlogo.jpg"

extern const char* const PluginFileList[3];
