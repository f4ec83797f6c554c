// Reading INI text as Windows' profile functions read it, and so the player:
// paths.ini, and the player's own section of winamp.ini. Portable: no
// Windows headers.
//
// A line whose first non-blank byte (blanks: space and tab) is '[' and that
// has a ']' after it starts a section, named by the text between the '[' and
// the first ']'; a '[' line without ']' is nothing and ends no section. A
// UTF-8 byte-order mark is not blank, so a header right behind one is no
// header. In a section, a line's key is the text before its first '=' and its
// value the text after it. Names and values are trimmed of blanks, and a
// value then loses one pair of matching quotation marks (" or ') around it,
// keeping any blanks inside; names compare with ASCII letters in any case,
// every other byte (NUL too) as it is. Only the first section of a name
// counts, and in it only the first occurrence of each key.
#pragma once
#include <stddef.h>

#include "paths.h"

struct IniLine {
    bool header;                     // [name]
    bool key;                        // name=value
    const char* name;                // the section's name or the key, trimmed
    size_t nameLength;
    const char* value;               // a key's value, trimmed and unquoted
    size_t valueLength;
};

// Space and tab, the blanks names and values are trimmed of.
inline bool IsIniBlank(char c) { return c == ' ' || c == '\t'; }

// One line, without its line end (a CR before the LF belongs to that).
void ReadIniLine(const char* text, size_t length, IniLine* line);

// Does [text, text + length) equal `name`, ASCII letters in any case?
bool SameIniName(const char* text, size_t length, const char* name);

// A value read as GetPrivateProfileInt reads it: leading blanks and control
// bytes skipped, a sign, then decimal digits up to the first other byte,
// wrapping at 32 bits ("00", "0x" and "abc" are 0). An empty value is not
// a number: the caller's default applies.
unsigned long ProfileNumber(const char* value, size_t length);

// Both files keep what the installer reads in their first [Winamp]
// section. Where a walk through the lines stands: before it, in it, or past
// it (any later header ends it).
enum IniPlace { INI_BEFORE_SECTION, INI_IN_SECTION, INI_PAST_SECTION };
IniPlace NextIniPlace(IniPlace place, const IniLine* line);

// The value of `key` in the first [Winamp] of an INI text. A value that does
// not fit in `size` bytes, or holds a NUL, is bad and `out` is left alone.
enum IniValue { INI_VALUE_NONE, INI_VALUE_FOUND, INI_VALUE_BAD };
IniValue FindIniValue(const char* text, size_t length, const char* key, char* out, size_t size);

// The player's keys in winamp.ini's first [Winamp] (player.h), and which of
// them a line there is: PLAYER_KEYS for none.
enum PlayerKey { PLAYER_DSP_NAME, PLAYER_DSP_NUM, PLAYER_UTF8, PLAYER_DSP_DIR, PLAYER_REMOVE, PLAYER_SAFE_MODE, PLAYER_KEYS };
PlayerKey PlayerKeyOf(const IniLine* line);

// What the player reads of the first [Winamp] section of its winamp.ini.
// DSPDir is used exactly as the profile read returns it, blanks and all.
enum DspFolder {
    DSP_FOLDER_NONE,        // no DSPDir, or an empty one: the plug-ins folder
    DSP_FOLDER_ABSOLUTE,    // X:\... or \\...
    DSP_FOLDER_RELATIVE,    // anything else: relative to wherever the player's current directory is
    DSP_FOLDER_UNREADABLE   // too long or holding a NUL
};
struct PlayerSection {
    bool namesModule;       // dspplugin_name is the plug-in's module, dspplugin_num (when there) 0
    DspFolder dspFolderKind;
    bool ansi;              // utf8 reads as 0
    bool safeMode;          // safemode reads as a number but 0: no DSP module is loaded
    // DSPDir as written (cut to fit), in the ANSI code page when `ansi`,
    // else UTF-8; empty for DSP_FOLDER_NONE.
    char dspFolder[UTF8_PATH_BUFFER];
};
// From `text`, the beginning of winamp.ini (`whole`: all of it). False when
// that beginning stops inside the section, so what follows is unknown.
bool ReadPlayerSection(const char* text, size_t length, bool whole, PlayerSection* out);
