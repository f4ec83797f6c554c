#include "ini_section.h"
#include "paths.h"
#include "player.h"

#include <string.h>

static void Trim(const char** start, const char** end)
{
    while (*start < *end && IsIniBlank(**start)) ++*start;
    while (*end > *start && IsIniBlank((*end)[-1])) --*end;
}

bool SameIniName(const char* text, size_t length, const char* name)
{
    if (strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (LowerAscii(text[i]) != LowerAscii(name[i])) return false;
    return true;
}

void ReadIniLine(const char* text, size_t length, IniLine* line)
{
    const char* end = text + length;
    const char* a = text;
    while (a < end && IsIniBlank(*a)) ++a;
    const char* close = a < end && *a == '[' ? (const char*)memchr(a, ']', (size_t)(end - a)) : NULL;
    const char* equals = (const char*)memchr(text, '=', length);
    line->header = close != NULL;
    line->key = !close && equals;
    const char* n = close ? a + 1 : text;
    const char* m = close ? close : equals ? equals : text;
    Trim(&n, &m);
    line->name = n;
    line->nameLength = (size_t)(m - n);
    const char* v = line->key ? equals + 1 : end;
    Trim(&v, &end);
    // Windows drops one pair of matching quotation marks, not the blanks
    // inside them.
    if (end - v >= 2 && (*v == '"' || *v == '\'') && end[-1] == *v) {
        ++v;
        --end;
    }
    line->value = v;
    line->valueLength = (size_t)(end - v);
}

IniPlace NextIniPlace(IniPlace place, const IniLine* line)
{
    if (!line->header) return place;
    if (place == INI_BEFORE_SECTION && SameIniName(line->name, line->nameLength, PLAYER_INI_SECTION)) return INI_IN_SECTION;
    return place == INI_IN_SECTION ? INI_PAST_SECTION : place;
}

// The next line of [*at, end), without its line end; false at the end.
static bool NextLine(const char** at, const char* end, IniLine* line)
{
    if (*at >= end) return false;
    const char* lf = (const char*)memchr(*at, '\n', (size_t)(end - *at));
    const char* b = lf ? lf : end;
    if (lf && b > *at && b[-1] == '\r') --b;
    ReadIniLine(*at, (size_t)(b - *at), line);
    *at = lf ? lf + 1 : end;
    return true;
}

IniValue FindIniValue(const char* text, size_t length, const char* key, char* out, size_t size)
{
    IniPlace place = INI_BEFORE_SECTION;
    IniLine line;
    for (const char* at = text; place != INI_PAST_SECTION && NextLine(&at, text + length, &line);) {
        place = NextIniPlace(place, &line);
        if (place != INI_IN_SECTION || !line.key || !SameIniName(line.name, line.nameLength, key)) continue;
        if (line.valueLength >= size || memchr(line.value, 0, line.valueLength)) return INI_VALUE_BAD;
        memcpy(out, line.value, line.valueLength);
        out[line.valueLength] = 0;
        return INI_VALUE_FOUND;
    }
    return INI_VALUE_NONE;
}

unsigned long ProfileNumber(const char* value, size_t length)
{
    const char* end = value + length;
    while (value < end && (unsigned char)*value <= ' ') ++value;
    bool minus = value < end && *value == '-';
    if (value < end && (*value == '-' || *value == '+')) ++value;
    unsigned long n = 0;
    for (; value < end && *value >= '0' && *value <= '9'; ++value) n = (n * 10 + (unsigned long)(*value - '0')) & 0xFFFFFFFFul;
    return minus ? (0 - n) & 0xFFFFFFFFul : n;
}

PlayerKey PlayerKeyOf(const IniLine* line)
{
    static const char* const Keys[PLAYER_KEYS] = { PLAYER_INI_DSP_NAME, PLAYER_INI_DSP_NUM, PLAYER_INI_UTF8,
                                                   PLAYER_INI_DSP_DIR, PLAYER_INI_REMOVE, PLAYER_INI_SAFE_MODE };
    int i = 0;
    while (i < PLAYER_KEYS && !(line->key && SameIniName(line->name, line->nameLength, Keys[i]))) ++i;
    return (PlayerKey)i;
}

bool ReadPlayerSection(const char* text, size_t length, bool whole, PlayerSection* out)
{
    // From a cut beginning only a section that ended before the cut counts:
    // a line cut short after that changes nothing, and one inside it leaves
    // the section unfinished.
    IniLine found[PLAYER_KEYS + 1] = {};   // each key's first line; `key` false: none
    IniPlace place = INI_BEFORE_SECTION;
    IniLine line;
    for (const char* at = text; place != INI_PAST_SECTION && NextLine(&at, text + length, &line);) {
        place = NextIniPlace(place, &line);
        PlayerKey key = place == INI_IN_SECTION ? PlayerKeyOf(&line) : PLAYER_KEYS;
        if (!found[key].key) found[key] = line;
    }
    if (!whole && place != INI_PAST_SECTION) return false;

    const IniLine& name = found[PLAYER_DSP_NAME];
    const IniLine& number = found[PLAYER_DSP_NUM];
    const IniLine& utf8 = found[PLAYER_UTF8];
    // The player keeps the module's number in one byte: 256 is module 0.
    out->namesModule = name.key && SameIniName(name.value, name.valueLength, PLUGIN_MODULE_NAME) &&
                       (!number.valueLength || (ProfileNumber(number.value, number.valueLength) & 0xFF) == 0);
    // An empty utf8 is the default, UTF-8.
    out->ansi = utf8.valueLength && ProfileNumber(utf8.value, utf8.valueLength) == 0;
    const IniLine& safe = found[PLAYER_SAFE_MODE];
    out->safeMode = safe.valueLength && ProfileNumber(safe.value, safe.valueLength) != 0;

    const char* a = found[PLAYER_DSP_DIR].value;
    size_t n = found[PLAYER_DSP_DIR].valueLength;
    // A drive letter and a backslash, or two backslashes.
    bool absolute = n >= 2 && (n >= 3 && (unsigned)((a[0] | 0x20) - 'a') < 26 && a[1] == ':' ? a[2] == '\\'
                                                                                        : a[0] == '\\' && a[1] == '\\');
    out->dspFolderKind = n == 0                                        ? DSP_FOLDER_NONE
                         : n >= sizeof out->dspFolder || memchr(a, 0, n) ? DSP_FOLDER_UNREADABLE
                         : absolute                                    ? DSP_FOLDER_ABSOLUTE
                                                                       : DSP_FOLDER_RELATIVE;
    if (n >= sizeof out->dspFolder) n = sizeof out->dspFolder - 1;
    if (n) memcpy(out->dspFolder, a, n);
    out->dspFolder[n] = 0;
    return true;
}
