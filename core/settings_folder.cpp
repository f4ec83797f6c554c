#include "settings_folder.h"
#include "paths.h"
#include "player.h"

#include <string.h>

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// `base` and `rest` joined with exactly one backslash, without a trailing one.
static bool JoinFolder(char* out, size_t size, const char* base, size_t baseLength, const char* rest)
{
    while (baseLength > 0 && IsSeparator(base[baseLength - 1])) --baseLength;
    while (IsSeparator(*rest)) ++rest;
    size_t restLength = strlen(rest);
    while (restLength > 0 && IsSeparator(rest[restLength - 1])) --restLength;
    size_t total = baseLength + (restLength ? 1 + restLength : 0);
    if (baseLength == 0 || total >= size) return false;
    memmove(out, base, baseLength);
    if (restLength) {
        out[baseLength] = '\\';
        memcpy(out + baseLength + 1, rest, restLength);
    }
    out[total] = 0;
    return true;
}

// The root of the player's drive, "c:" or "\\server\share", without the
// trailing backslash.
static size_t RootLength(const char* folder)
{
    if (folder[0] && folder[1] == ':') return 2;
    if (!(IsSeparator(folder[0]) && IsSeparator(folder[1]))) return 0;
    const char* share = strpbrk(folder + 2, "\\/");
    if (!share || !share[1]) return 0;
    const char* end = strpbrk(share + 1, "\\/");
    return end ? (size_t)(end - folder) : strlen(folder);
}

// One lookup of a shell folder (`name` NULL) or a variable, for the user the
// desktop belongs to.
static bool LookUp(const FolderLookups* l, int csidl, const char* name, char* out, size_t size, bool* desktopUsers)
{
    if (l->desktopUser == DESKTOP_UNKNOWN) return false;
    bool viaToken = l->desktopUser != DESKTOP_NO_SHELL;
    bool found = false;
    for (int own = viaToken ? 0 : 1; own < 2 && !found; ++own) {
        // Another account's folders come through its token or not at all:
        // the installer's own would be the elevating administrator's.
        if (own && l->desktopUser == DESKTOP_OTHER_USER) break;
        found = name ? l->variable(name, !own, out, size, l->context) : l->shellFolder(csidl, !own, out, size, l->context);
    }
    if (!found || !out[0]) return false;
    if (viaToken) *desktopUsers = true;
    return true;
}

// The length of the "{N}" at `value`, N a decimal CSIDL; 0 when there is
// none. Flags such as CSIDL_FLAG_CREATE lie above 255 and must never reach
// the shell, which would create the folder.
static size_t ShellFolderForm(const char* value, int* csidl)
{
    size_t i = 1;
    *csidl = 0;
    if (value[0] != '{') return 0;
    while (value[i] >= '0' && value[i] <= '9' && i <= 3) *csidl = *csidl * 10 + (value[i++] - '0');
    return i > 1 && value[i] == '}' && *csidl <= 255 ? i + 1 : 0;
}

// `value` (trimmed, not empty) in its form, relative paths joined to
// `relativeTo`; `relative` tells whether they were.
static bool Resolve(const char* value, const char* relativeTo, const SettingsSearch* search, char* out, size_t size,
                    bool* desktopUsers, bool* relative)
{
    const FolderLookups* lookups = &search->lookups;
    const char* playerFolder = search->playerFolder;
    char found[UTF8_PATH_BUFFER];
    const char* base = relativeTo;
    size_t baseLength = strlen(relativeTo);
    const char* rest = value;
    *relative = false;
    if (value[0] == '{') {
        int csidl;
        size_t formLength = ShellFolderForm(value, &csidl);
        if (!formLength || !LookUp(lookups, csidl, NULL, found, sizeof found, desktopUsers)) return false;
        base = found;
        baseLength = strlen(found);
        rest = value + formLength;
    } else if (value[0] == '%' && strchr(value + 1, '%')) {
        const char* close = strchr(value + 1, '%');
        size_t nameLength = (size_t)(close - value - 1);
        rest = close + 1;
        base = playerFolder;
        baseLength = strlen(playerFolder);
        if (SameIniName(value + 1, nameLength, PATHS_INI_PROGRAM_DIR)) {
            // the player's folder, as it is
        } else if (SameIniName(value + 1, nameLength, PATHS_INI_ROOT_DIR)) {
            baseLength = RootLength(playerFolder);
            if (baseLength == 0) return false;
        } else {
            char name[UTF8_PATH_BUFFER];
            memcpy(name, value + 1, nameLength);
            name[nameLength] = 0;
            if (nameLength == 0 || !LookUp(lookups, 0, name, found, sizeof found, desktopUsers)) return false;
            base = found;
            baseLength = strlen(found);
        }
    } else if ((value[0] && value[1] == ':') || (IsSeparator(value[0]) && IsSeparator(value[1]))) {
        // Absolute: the value alone ("d:\" gives "d:", which still joins
        // to d:\winamp.ini).
        base = value;
        baseLength = strlen(value);
        rest = "";
    } else {
        *relative = true;
    }
    return JoinFolder(out, size, base, baseLength, rest);
}

// UTF-16 LE as UTF-8, without a NUL; false when it does not fit. A lone
// surrogate reads as U+FFFD, marked by a NUL after it: text that holds one
// reads as Windows reads it, and a value we use that held one is bad, as a
// value holding a NUL is. Each unit takes at most four bytes.
static bool Utf16ToUtf8(const unsigned char* in, size_t length, char* out, size_t size, size_t* written)
{
    size_t n = 0;
    for (size_t i = 0; i + 1 < length; i += 2) {
        unsigned long c = in[i] | (unsigned long)in[i + 1] << 8;
        bool lone = c >= 0xD800 && c <= 0xDFFF;
        if (c >= 0xD800 && c <= 0xDBFF) {
            unsigned long low = i + 3 < length ? (in[i + 2] | (unsigned long)in[i + 3] << 8) : 0;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
                lone = false;
            }
        }
        if (lone) c = 0xFFFD;
        size_t k = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (k + lone > size - n) return false;
        static const unsigned char Lead[] = { 0, 0, 0xC0, 0xE0, 0xF0 };
        for (size_t j = k - 1; j > 0; --j, c >>= 6) out[n + j] = (char)(0x80 | (c & 0x3F));
        out[n] = (char)(Lead[k] | c);
        n += k;
        if (lone) out[n++] = 0;
    }
    *written = n;
    return true;
}

// One key of paths.ini's [Winamp] as UTF-8, as the profile functions return
// it, and for a `path` also without any blanks and quotation marks left
// around it; "" when absent.
static bool ReadKey(const char* text, size_t length, bool ansi, const char* key, bool path,
                    const FolderLookups* lookups, char* out, size_t size)
{
    char raw[UTF8_PATH_BUFFER];
    IniValue found = FindIniValue(text, length, key, raw, sizeof raw);
    if (found == INI_VALUE_BAD) return false;
    if (found == INI_VALUE_NONE) raw[0] = 0;
    const char* a = raw;
    char* b = raw + strlen(raw);
    while (path && a < b && (IsIniBlank(*a) || *a == '"')) ++a;
    while (path && b > a && (IsIniBlank(b[-1]) || b[-1] == '"')) --b;
    *b = 0;
    return ansi ? lookups->ansiToUtf8(a, out, size, lookups->context) : CopyText(out, size, a);
}

// class=, expanded and cut as the player does. Unlike inidir and inifile,
// an undefined %NAME% or unknown {N} gives nothing, and so do %% and a lone %.
static void ReadWindowClass(const char* text, size_t length, bool ansi, const FolderLookups* lookups, char* out)
{
    char value[UTF8_PATH_BUFFER], name[UTF8_PATH_BUFFER], found[UTF8_PATH_BUFFER];
    size_t n = 0, units = 0;
    if (!ReadKey(text, length, ansi, PATHS_INI_CLASS_KEY, false, lookups, value, sizeof value)) value[0] = 0;
    for (const char* p = value; *p;) {
        const char* piece = p;
        size_t pieceLength = 1;
        int csidl;
        bool ignored;
        if (*p == '%') {
            const char* close = strchr(p + 1, '%');
            size_t nameLength = close ? (size_t)(close - p - 1) : 0;
            memcpy(name, p + 1, nameLength);
            name[nameLength] = 0;
            p = close ? close + 1 : p + 1;
            piece = found;
            pieceLength = name[0] && LookUp(lookups, 0, name, found, sizeof found, &ignored) ? strlen(found) : 0;
        } else if (size_t formLength = ShellFolderForm(p, &csidl)) {
            p += formLength;
            piece = found;
            pieceLength = LookUp(lookups, csidl, NULL, found, sizeof found, &ignored) ? strlen(found) : 0;
        } else {
            ++p;
        }
        // A four-byte sequence is two UTF-16 units; none is cut apart. Bytes
        // that are not UTF-8 stop at the buffer's end.
        for (size_t i = 0; i < pieceLength; ++i) {
            unsigned char c = (unsigned char)piece[i];
            if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
            if (units > PLAYER_CLASS_LENGTH || n == PLAYER_CLASS_BUFFER - 1) {
                out[n] = 0;
                return;
            }
            out[n++] = (char)c;
        }
    }
    out[n] = 0;
}

// paths.ini's text as Windows' profile functions read it: UTF-16 LE after
// its byte-order mark (Notepad's "Unicode", made UTF-8 in the scratch
// buffer), anything else ANSI, where a UTF-8 byte-order mark stays part of
// the first line. False when the UTF-16 does not fit the scratch buffer.
static bool PathsIniText(const SettingsSearch* search, const char** text, size_t* length, bool* ansi)
{
    *text = search->pathsIni ? search->pathsIni : "";
    *length = search->pathsIni ? search->pathsIniLength : 0;
    *ansi = !(*length >= 2 && (unsigned char)(*text)[0] == 0xFF && (unsigned char)(*text)[1] == 0xFE);
    if (*ansi) return true;
    if (!Utf16ToUtf8((const unsigned char*)*text + 2, *length - 2, search->scratch, search->scratchSize, length))
        return false;
    *text = search->scratch;
    return true;
}

// paths.ini's inidir= and inifile=, as paths.
static bool ReadPlaceKeys(const SettingsSearch* search, char* inidir, char* inifile, char* windowClass)
{
    const char* text;
    size_t length;
    bool ansi;
    if (!PathsIniText(search, &text, &length, &ansi)) return false;
    if (windowClass) ReadWindowClass(text, length, ansi, &search->lookups, windowClass);
    return ReadKey(text, length, ansi, PATHS_INI_KEY, true, &search->lookups, inidir, UTF8_PATH_BUFFER) &&
           ReadKey(text, length, ansi, PATHS_INI_FILE_KEY, true, &search->lookups, inifile, UTF8_PATH_BUFFER);
}

bool FindUserSettingsFile(const SettingsSearch* search, const char* folder, char* out, size_t size, bool* desktopUsers)
{
    char inidir[UTF8_PATH_BUFFER], inifile[UTF8_PATH_BUFFER], resolved[UTF8_PATH_BUFFER];
    bool relative;
    *desktopUsers = false;
    return ReadPlaceKeys(search, inidir, inifile, NULL) && !inidir[0] && !inifile[0] &&
           Resolve(folder, search->playerFolder, search, resolved, sizeof resolved, desktopUsers, &relative) &&
           JoinFolder(out, size, resolved, strlen(resolved), PLAYER_INI_NAME);
}

bool FindSettingsFile(const SettingsSearch* search, char* out, size_t size, bool* desktopUsers, char* windowClass)
{
    *desktopUsers = false;
    windowClass[0] = 0;
    char inidir[UTF8_PATH_BUFFER], inifile[UTF8_PATH_BUFFER], folder[UTF8_PATH_BUFFER];
    if (!ReadPlaceKeys(search, inidir, inifile, windowClass)) return false;
    const char* player = search->playerFolder;
    bool folderUsers = false, fileUsers = false, inFolder = false;
    if (inidir[0] ? !Resolve(inidir, player, search, folder, sizeof folder, &folderUsers, &inFolder)
                  : !JoinFolder(folder, sizeof folder, player, strlen(player), ""))
        return false;
    // Now whether the file's path is relative to that folder.
    if (!Resolve(inifile[0] ? inifile : PLAYER_INI_NAME, folder, search, out, size, &fileUsers, &inFolder))
        return false;
    // An absolute inifile leaves inidir's folder out of the path.
    *desktopUsers = fileUsers || (inFolder && folderUsers);
    return true;
}
