// Where the player keeps winamp.ini: the [Winamp] inidir= and inifile= keys
// of paths.ini in its folder, when there is one, read as Windows' profile
// functions read them. Portable: the shell folders, the environment and the
// ANSI code page come in through `FolderLookups`. Paths are UTF-8 here, in
// buffers of UTF8_PATH_BUFFER bytes.
#pragma once
#include <stddef.h>

#include "ini_section.h"
#include "player.h"

// Whose folders {N} and %NAME% name: those of the user whose desktop shell
// runs, who may not be the account the installer was elevated with.
enum DesktopUser {
    DESKTOP_NO_SHELL,     // no shell window (a replacement shell): the installer's own
    DESKTOP_SAME_USER,    // the shell runs as the installer's user: through its token, else the own
    DESKTOP_OTHER_USER,   // another account's shell, its token opened: through that token only
    DESKTOP_UNKNOWN       // a shell whose process or token could not be opened: none at all
};

struct FolderLookups {
    DesktopUser desktopUser;
    // The shell folder with this CSIDL (0 to 255), through the desktop
    // user's token when `desktopUsers`, else the installer's own; false when
    // there is none.
    bool (*shellFolder)(int csidl, bool desktopUsers, char* out, size_t size, void* context);
    // A defined, non-empty environment variable, in the same two ways.
    bool (*variable)(const char* name, bool desktopUsers, char* out, size_t size, void* context);
    // Text in the ANSI code page as UTF-8; false when it does not fit.
    bool (*ansiToUtf8)(const char* text, char* out, size_t size, void* context);
    void* context;
};

struct SettingsSearch {
    const char* pathsIni;       // paths.ini's bytes as read; NULL: there is none
    size_t pathsIniLength;
    char* scratch;              // a UTF-16 paths.ini as UTF-8: twice its length
    size_t scratchSize;
    const char* playerFolder;   // UTF-8, with its trailing backslash
    FolderLookups lookups;
};

// winamp.ini where the player reads it, into `out`. The folder is inidir's
// (the player's when empty); inifile= names the file in it (winamp.ini when
// empty), or elsewhere when absolute. Each value's forms, only at its start
// and each followed by more path if wanted: {N} a shell folder,
// %WINAMP_PROGRAM_DIR% the player's folder, %WINAMP_ROOT_DIR% the root of its
// drive, %NAME% an environment variable, an absolute path (X: or \\), or a
// path relative to the folder before it. `desktopUsers` tells that the path
// came through the desktop user's folders or environment, so it is theirs
// to write. False when paths.ini is bad, a form is unknown or cannot be
// resolved for the desktop's user, or the path does not fit.
//
// In the same reading, `windowClass` (PLAYER_CLASS_BUFFER bytes) gets the
// player's window class from class=, "" when there is none or paths.ini is
// bad, expanded anywhere in it as the player does, for the desktop's user:
// %NAME% its variable and {N} its shell folder, an undefined or unknown one
// nothing, and %% and a lone % nothing too; cut to PLAYER_CLASS_LENGTH
// UTF-16 units, no character cut apart.
enum { PLAYER_CLASS_BUFFER = 3 * PLAYER_CLASS_LENGTH + 1 };
bool FindSettingsFile(const SettingsSearch* search, char* out, size_t size, bool* desktopUsers, char* windowClass);

// Where a player keeps winamp.ini when paths.ini names no place for it
// (neither inidir= nor inifile=) and its own folder holds none: `folder`, in
// the forms above (WACUP's {26}\WACUP), and winamp.ini in it. False when
// paths.ini names a place or is bad, or `folder` cannot be resolved.
bool FindUserSettingsFile(const SettingsSearch* search, const char* folder, char* out, size_t size, bool* desktopUsers);
