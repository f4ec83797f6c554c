#include "settings_folder.h"
#include "paths.h"
#include "player.h"

#include <string.h>

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Does [text, text + length) equal `name`, ASCII letters in any case?
static bool SameName(const char* text, size_t length, const char* name)
{
    if (strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (LowerAscii(text[i]) != LowerAscii(name[i])) return false;
    return true;
}

// Trims blanks from both ends of [*start, *end).
static void Trim(const char** start, const char** end)
{
    while (*start < *end && IsBlank(**start)) ++*start;
    while (*end > *start && IsBlank((*end)[-1])) --*end;
}

IniValue FindIniValue(const char* text, size_t length, const char* section, const char* key, char* out, size_t size)
{
    const char* end = text + length;
    bool inSection = false;
    for (const char* line = text; line < end;) {
        const char* lf = (const char*)memchr(line, '\n', (size_t)(end - line));
        const char* next = lf ? lf + 1 : end;
        const char* a = line;
        const char* b = lf ? lf : end;
        if (b > a && b[-1] == '\r') --b;
        Trim(&a, &b);
        line = next;
        if (a < b && *a == '[') {
            const char* close = (const char*)memchr(a, ']', (size_t)(b - a));
            if (!close) continue;
            const char* n = a + 1;
            const char* m = close;
            Trim(&n, &m);
            inSection = SameName(n, (size_t)(m - n), section);
            continue;
        }
        if (!inSection) continue;
        const char* equals = (const char*)memchr(a, '=', (size_t)(b - a));
        if (!equals) continue;
        const char* k = a;
        const char* kEnd = equals;
        Trim(&k, &kEnd);
        if (!SameName(k, (size_t)(kEnd - k), key)) continue;
        const char* v = equals + 1;
        Trim(&v, &b);
        size_t n = (size_t)(b - v);
        if (n >= size || memchr(v, 0, n)) return INI_VALUE_BAD;
        memcpy(out, v, n);
        out[n] = 0;
        return INI_VALUE_FOUND;
    }
    return INI_VALUE_NONE;
}

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

SettingsFolder ResolveSettingsFolder(const char* value, const char* playerFolder, const FolderLookups* lookups,
                                     char* out, size_t size)
{
    char text[PATH_BUFFER];
    const char* a = value;
    const char* b = value + strlen(value);
    while (a < b && (IsBlank(*a) || *a == '"')) ++a;
    while (b > a && (IsBlank(b[-1]) || b[-1] == '"')) --b;
    if (a == b) return SETTINGS_IN_PLAYER_FOLDER;
    if ((size_t)(b - a) >= sizeof text) return SETTINGS_UNRESOLVABLE;
    memcpy(text, a, (size_t)(b - a));
    text[b - a] = 0;

    char found[PATH_BUFFER];
    const char* base = playerFolder;
    size_t baseLength = strlen(playerFolder);
    const char* rest = text;
    if (text[0] == '{') {
        // {N}: a decimal CSIDL. Flags such as CSIDL_FLAG_CREATE lie above 255
        // and must never reach the shell, which would create the folder.
        int csidl = 0;
        size_t i = 1;
        while (text[i] >= '0' && text[i] <= '9' && i <= 3) csidl = csidl * 10 + (text[i++] - '0');
        if (i == 1 || text[i] != '}' || csidl > 255) return SETTINGS_UNRESOLVABLE;
        if (!lookups->shellFolder(csidl, found, sizeof found, lookups->context) || !found[0])
            return SETTINGS_UNRESOLVABLE;
        base = found;
        baseLength = strlen(found);
        rest = text + i + 1;
    } else if (text[0] == '%' && strchr(text + 1, '%')) {
        const char* close = strchr(text + 1, '%');
        size_t nameLength = (size_t)(close - text - 1);
        rest = close + 1;
        if (SameName(text + 1, nameLength, PATHS_INI_PROGRAM_DIR)) {
            // the player's folder, as it is
        } else if (SameName(text + 1, nameLength, PATHS_INI_ROOT_DIR)) {
            baseLength = RootLength(playerFolder);
            if (baseLength == 0) return SETTINGS_UNRESOLVABLE;
        } else {
            char name[PATH_BUFFER];
            memcpy(name, text + 1, nameLength);
            name[nameLength] = 0;
            if (nameLength == 0 || !lookups->variable(name, found, sizeof found, lookups->context) || !found[0])
                return SETTINGS_UNRESOLVABLE;
            base = found;
            baseLength = strlen(found);
        }
    } else if ((text[0] && text[1] == ':') || (IsSeparator(text[0]) && IsSeparator(text[1]))) {
        // Absolute: the value alone ("d:\" gives "d:", which still joins
        // to d:\winamp.ini).
        base = text;
        baseLength = strlen(text);
        rest = "";
    }
    return JoinFolder(out, size, base, baseLength, rest) ? SETTINGS_IN_FOLDER : SETTINGS_UNRESOLVABLE;
}
