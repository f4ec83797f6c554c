// Text and path logic of the installer. Portable: no Windows headers, so the
// native build and its sanitizers prove that this stays platform-free.
#pragma once
#include <stddef.h>

enum {
    PATH_BUFFER = 256,        // any path: at most 255 characters and the NUL
    FOLDER_BUFFER = 280,      // pluginsPath and the Windows folder
    // A path of MAX_PATH (260) UTF-16 units, NUL included, as UTF-8: no unit
    // takes more than three bytes (a surrogate pair, two units, takes four).
    UTF8_PATH_BUFFER = 3 * 260
};

// Bounded copy and append: false, with `out` holding an empty string (copy)
// or left as it was (append), when the result would not fit in `size` bytes.
bool CopyText(char* out, size_t size, const char* text);
bool AppendText(char* out, size_t size, const char* text);

// A to Z as a to z; every other byte as it is.
inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c; }

// The lead bytes of the ANSI code page, as GetCPInfo gives them: pairs of a
// first and a last byte, ended by a pair of zeros; none at all in a
// single-byte code page. In the East Asian code pages (932, 936, 949, 950) a
// lead byte and the byte after it are one character, and that second byte
// may be an ASCII letter or a backslash: every walk over an ANSI path below
// steps over such pairs.
enum { LEAD_BYTE_RANGES = 12 };
struct LeadBytes {
    unsigned char ranges[LEAD_BYTE_RANGES];
};
bool IsLeadByte(const LeadBytes* lead, char c);
// The character after the one at `text` (not at its NUL): a lead byte takes
// its partner along, unless the text ends there.
const char* NextChar(const char* text, const LeadBytes* lead);

// The player's folder from its registered play command: everything before
// the first name of a player's program (any case), lower-cased (single-byte
// A to Z only), less an opening quotation mark. False, with `out` untouched,
// when it names no player's program or the folder does not fit.
bool FolderFromPlayerCommand(const char* command, char* out, size_t size, const LeadBytes* lead);

// The program `name` beside the plug-ins folder: the path cut at its last
// "plugins" (any case). Without "plugins" `out` is a copy of the input and
// the result false; a result that does not fit leaves `out` empty and
// returns false.
bool PlayerProgramPath(const char* pluginsPath, const char* name, char* out, size_t size, const LeadBytes* lead);

// Whether a program can load no 32-bit x86 module, by its PE header: read
// the file's first PROGRAM_DOS_BYTES, find the header's offset there (e_lfanew,
// anywhere in the file), and judge the PROGRAM_HEADER_BYTES read at it: a
// PE32+ optional header (magic 0x20B) is a 64-bit program, and so is one for
// another machine than x86 (i386, or CHPE's x86 built for ARM64). A file too
// short, cut or not PE is no proof, and counts as a 32-bit player.
enum { PROGRAM_DOS_BYTES = 0x40, PROGRAM_HEADER_BYTES = 0x1A };
bool ProgramHeaderOffset(const unsigned char* head, size_t length, unsigned long* offset);
bool ProgramIsNot32Bit(const unsigned char* header, size_t length);

// The player's folder: the plug-ins folder cut after the backslash of its
// last "\plugins" (any case). False, with `out` empty, when there is no
// "\plugins". PlayerSettingsPath: winamp.ini in that folder, or false with
// `out` empty when it does not fit.
bool PlayerFolderPath(const char* pluginsPath, char* out, size_t size, const LeadBytes* lead);
bool PlayerSettingsPath(const char* pluginsPath, char* out, size_t size, const LeadBytes* lead);

// folder + name, with a backslash between them unless the folder already ends
// in one (or in '/'). False, with `out` empty, when it does not fit.
bool JoinPath(char* out, size_t size, const char* folder, const char* name, const LeadBytes* lead);

// Whether two ANSI folder names spell the same folder as Windows reads them:
// single-byte A to Z in any case, '/' as '\\', a run of separators as one
// (but a network name's leading two apart from one), and a separator at the
// end or none. Nothing on disk is looked at.
bool SameFolderName(const char* a, const char* b, const LeadBytes* lead);

// The folder part of a full file name, with its trailing backslash
// ("c:\dist\setup.exe" gives "c:\dist\"); empty when there is none.
void FolderOfPath(char* path, const LeadBytes* lead);

// Every line feed becomes a space.
void ReplaceLineFeeds(char* text);

// The flags of a conversion from UTF-16 into the ANSI code page `codePage`
// that must not put a look-alike in place of a letter the code page lacks
// (WC_NO_BEST_FIT_CHARS, 0x400), and that asks whether one was lost (0: do
// not ask). UTF-8 (65001) and UTF-7 spell every letter and refuse both.
unsigned long NoBestFitFlags(unsigned codePage);

// Where else the player records its folder, and how each value names it.
enum PlaceValueKind {
    PLACE_COMMAND,   // a play command, as FolderFromPlayerCommand reads it
    PLACE_PROGRAM,   // a program's full path, quoted or not, perhaps with an icon's ",N": its folder
    PLACE_FOLDER     // the folder itself, with or without its backslash
};

// A UTF-16 unit as the registry stores it, and the buffer a value is read
// into, in units.
typedef unsigned short RegistryUnit;
enum { PLACE_VALUE_UNITS = 260 };

// A value as the registry gave it: `bytes` of data in a buffer of
// PLACE_VALUE_UNITS units (a larger value is never read).
struct PlaceValue {
    const RegistryUnit* data;
    size_t bytes;
    bool isString;   // REG_SZ or REG_EXPAND_SZ
    bool expand;     // REG_EXPAND_SZ: %NAME% stands for its owner's variable
    // Read in the 64-bit view of 64-bit Windows, where a 64-bit program wrote
    // it: %ProgramFiles% and %CommonProgramFiles% name the native folders
    // there, which a 32-bit program knows as %ProgramW6432% and
    // %CommonProgramW6432%.
    bool nativeView;
};

// `text` with %ProgramFiles% and %CommonProgramFiles% (any case) as
// %ProgramW6432% and %CommonProgramW6432%: a 64-bit program's names for the
// native folders, in the names a 32-bit one has for them. The '%'s pair left
// to right, as Windows pairs them where each variable is defined. False when
// the result does not fit in `count` units.
bool NativeProgramFolders(const RegistryUnit* text, RegistryUnit* out, size_t count);

// Windows' half of reading a value: the expansion for the value's owner
// (the system's variables, or a user's), and the ANSI code page, which must
// spell every character. Each is false when it fails or does not fit.
struct PlaceText {
    bool (*expand)(const RegistryUnit* text, RegistryUnit* out, size_t count, void* context);
    bool (*toAnsi)(const RegistryUnit* text, char* out, size_t size, void* context);
    void* context;
    const LeadBytes* lead;   // of that code page
};

// The player's folder from one place's value, lower-cased as above and with
// its trailing backslash, as the play command gives it. False, with `out`
// untouched, when the value is not a string, does not end in a NUL, is empty,
// or names no folder that fits.
bool FolderFromPlaceValue(PlaceValueKind kind, const PlaceValue* value, const PlaceText* text, char* out,
                          size_t size);
