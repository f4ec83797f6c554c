// Where the player keeps winamp.ini: the [Winamp] inidir= key of paths.ini in
// its folder, when there is one. Portable: the shell folders and the
// environment come in through `FolderLookups`.
#pragma once
#include <stddef.h>

// The value of `key` in `[section]` of an INI text: names in any case, blanks
// around names and values ignored, the first occurrence counts. A value that
// does not fit in `size` bytes, or holds a NUL, is bad and `out` is left alone.
enum IniValue { INI_VALUE_NONE, INI_VALUE_FOUND, INI_VALUE_BAD };
IniValue FindIniValue(const char* text, size_t length, const char* section, const char* key, char* out, size_t size);

struct FolderLookups {
    // The shell folder with this CSIDL (0 to 255); false when there is none.
    bool (*shellFolder)(int csidl, char* out, size_t size, void* context);
    // A defined, non-empty environment variable; false otherwise.
    bool (*variable)(const char* name, char* out, size_t size, void* context);
    void* context;
};

enum SettingsFolder {
    SETTINGS_IN_PLAYER_FOLDER,   // an empty value: winamp.ini stays beside winamp.exe
    SETTINGS_IN_FOLDER,          // `out` holds the folder, without a trailing backslash
    SETTINGS_UNRESOLVABLE        // unknown form, CSIDL or variable, or it does not fit
};

// The folder an inidir value names. `playerFolder` ends in a backslash.
// Forms, each only at the start and each followed by more path if wanted:
// {N} a shell folder, %WINAMP_PROGRAM_DIR% the player's folder,
// %WINAMP_ROOT_DIR% the root of its drive, %NAME% an environment variable,
// an absolute path (X: or \\), or a path relative to the player's folder.
SettingsFolder ResolveSettingsFolder(const char* value, const char* playerFolder, const FolderLookups* lookups,
                                     char* out, size_t size);
