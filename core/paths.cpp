#include "paths.h"
#include "player.h"

#include <string.h>

const char* const PluginFileList[3] = { PLUGIN_MODULE_NAME, PLUGIN_HELP_NAME, PLUGIN_LOGO_NAME };
const PlayerProgram PlayerPrograms[PLAYER_PROGRAMS] = { { WACUP_EXE_NAME, WACUP_USER_FOLDER, "WACUP" },
                                                        { PLAYER_EXE_NAME, NULL, "Winamp" } };

bool CopyText(char* out, size_t size, const char* text)
{
    size_t n = strlen(text);
    if (size == 0) return false;
    if (n >= size) {
        out[0] = 0;
        return false;
    }
    memmove(out, text, n + 1);
    return true;
}

bool AppendText(char* out, size_t size, const char* text)
{
    size_t have = strnlen(out, size);
    size_t n = strlen(text);
    if (have >= size || n >= size - have) return false;
    memcpy(out + have, text, n + 1);
    return true;
}

bool IsLeadByte(const LeadBytes* lead, char c)
{
    unsigned char b = (unsigned char)c;
    for (int i = 0; i + 1 < LEAD_BYTE_RANGES && lead->ranges[i]; i += 2)
        if (b >= lead->ranges[i] && b <= lead->ranges[i + 1]) return true;
    return false;
}

const char* NextChar(const char* text, const LeadBytes* lead)
{
    return IsLeadByte(lead, text[0]) && text[1] ? text + 2 : text + 1;
}

// Single-byte A to Z as a to z. Lower-casing the second byte of a
// double-byte character would name another folder: in code page 932, ア
// (83 41) would become ヂ (83 61).
static void LowerPath(char* text, size_t length, const LeadBytes* lead)
{
    for (char* end = text + length; text < end && *text; text = (char*)NextChar(text, lead)) *text = LowerAscii(*text);
}

// The first (or last) occurrence of the ASCII `needle` in `text` that begins
// a character, ASCII letters matched in any case.
static const char* FindNoCase(const char* text, const char* needle, const LeadBytes* lead, bool last)
{
    size_t n = strlen(needle);
    const char* found = 0;
    for (const char* p = text; *p; p = NextChar(p, lead)) {
        size_t i = 0;
        while (i < n && p[i] && LowerAscii(p[i]) == LowerAscii(needle[i])) ++i;
        if (i == n) {
            found = p;
            if (!last) break;
        }
    }
    return found;
}

// Where the last character begins, or `text` itself when it is empty.
static const char* LastChar(const char* text, const LeadBytes* lead)
{
    const char* last = text;
    for (const char* p = text; *p; p = NextChar(p, lead)) last = p;
    return last;
}

// Just past the last backslash (or also '/' when `slash`): the length of
// the folder part; 0 when there is none.
static size_t FolderLength(const char* text, bool slash, const LeadBytes* lead)
{
    size_t n = 0;
    for (const char* p = text; *p; p = NextChar(p, lead))
        if (*p == '\\' || (slash && *p == '/')) n = (size_t)(p - text) + 1;
    return n;
}

static bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

static bool EndsInSeparator(const char* text, const LeadBytes* lead)
{
    return IsSeparator(*LastChar(text, lead));
}

// The next character of a folder name as SameFolderName compares it, and
// `*at` moved past it: a run of separators as one '\\', and none at the end
// (0, as at the end); a double-byte character as its two bytes, as they are.
static unsigned NextFolderChar(const char** at, const LeadBytes* lead)
{
    const char* p = *at;
    if (IsSeparator(*p)) {
        while (IsSeparator(*p)) ++p;
        *at = p;
        return *p ? '\\' : 0;
    }
    if (!*p) return 0;
    *at = NextChar(p, lead);
    return *at - p == 2 ? 0x10000u | (unsigned char)p[0] << 8 | (unsigned char)p[1] : (unsigned char)LowerAscii(*p);
}

bool SameFolderName(const char* a, const char* b, const LeadBytes* lead)
{
    // "\\server\share" is not "\server\share", the root of the current drive.
    if ((IsSeparator(a[0]) && IsSeparator(a[1])) != (IsSeparator(b[0]) && IsSeparator(b[1]))) return false;
    for (;;) {
        unsigned x = NextFolderChar(&a, lead), y = NextFolderChar(&b, lead);
        if (x != y) return false;
        if (!x) return true;
    }
}

bool FolderFromPlayerCommand(const char* command, char* out, size_t size, const LeadBytes* lead)
{
    char lower[PATH_BUFFER];
    size_t n = strnlen(command, sizeof lower);
    if (n >= sizeof lower) return false;
    memcpy(lower, command, n + 1);
    LowerPath(lower, n, lead);

    const char* exe = NULL;
    for (const PlayerProgram& program : PlayerPrograms) {
        const char* at = FindNoCase(lower, program.name, lead, false);
        if (at && (!exe || at < exe)) exe = at;
    }
    if (!exe) return false;
    // The command normally opens with a quotation mark around the path; drop
    // it, and nothing else, so an unquoted C:\Winamp\winamp.exe keeps its C.
    const char* start = lower[0] == '"' ? lower + 1 : lower;
    if (exe < start) start = exe;
    size_t len = (size_t)(exe - start);
    if (len >= size) return false;
    memcpy(out, start, len);
    out[len] = 0;
    return true;
}

unsigned long NoBestFitFlags(unsigned codePage)
{
    return codePage == 65001 || codePage == 65000 ? 0 : 0x400;
}

// The text of a program's path: inside its quotation marks, or all of it. A
// '"' is always a character of its own: no second byte of a double-byte
// character lies below 0x40.
static char* Unquoted(char* text)
{
    if (text[0] != '"') return text;
    char* end = strchr(text + 1, '"');
    if (end) *end = 0;
    return text + 1;
}

static const struct {
    const char* name;
    const char* native;
} NativeFolderNames[] = { { "ProgramFiles", "ProgramW6432" }, { "CommonProgramFiles", "CommonProgramW6432" } };

static bool IsName(const RegistryUnit* text, size_t length, const char* name)
{
    if (strlen(name) != length) return false;
    for (size_t i = 0; i < length; ++i)
        if (text[i] > 0x7F || LowerAscii((char)text[i]) != LowerAscii(name[i])) return false;
    return true;
}

bool ReplaceVariables(const RegistryUnit* text, const VariableText* variables, size_t count, RegistryUnit* out,
                      size_t size)
{
    size_t n = 0;
    for (const RegistryUnit* p = text; *p;) {
        // One unit, or a whole %NAME%.
        const RegistryUnit* end = p + 1;
        if (*p == '%')
            while (*end && *end != '%') ++end;
        const RegistryUnit* with = NULL;
        if (*p == '%' && *end == '%') {
            for (size_t i = 0; i < count; ++i)
                if (IsName(p + 1, (size_t)(end - p - 1), variables[i].name)) with = variables[i].text;
            ++end;
        } else {
            end = p + 1;
        }
        size_t length = 0;
        if (with)
            while (with[length]) ++length;
        else
            length = (size_t)(end - p);
        if (n + length >= size) return false;
        for (const RegistryUnit* from = with ? with : p; length; --length) out[n++] = *from++;
        p = end;
    }
    out[n] = 0;
    return true;
}

bool NativeProgramFolders(const RegistryUnit* text, RegistryUnit* out, size_t count)
{
    enum { NAMES = sizeof NativeFolderNames / sizeof NativeFolderNames[0] };
    RegistryUnit names[NAMES][24];
    VariableText variables[NAMES];
    for (size_t i = 0; i < NAMES; ++i) {
        RegistryUnit* name = names[i];
        *name++ = '%';
        for (const char* c = NativeFolderNames[i].native; *c;) *name++ = (RegistryUnit)*c++;
        *name++ = '%';
        *name = 0;
        variables[i] = { NativeFolderNames[i].name, names[i] };
    }
    return ReplaceVariables(text, variables, NAMES, out, count);
}

bool FolderFromPlaceValue(PlaceValueKind kind, const PlaceValue* value, const PlaceText* text, char* out,
                          size_t size)
{
    RegistryUnit expanded[PLACE_VALUE_UNITS];
    // Two bytes a character in a double-byte code page, and room for the
    // backslash a folder may lack.
    char ansi[2 * PLACE_VALUE_UNITS + 1];
    size_t units = value->bytes / sizeof(RegistryUnit);
    // What was read must end in its own NUL: nothing past it is ever looked at.
    if (!value->isString || value->bytes % sizeof(RegistryUnit) || units == 0 || units > PLACE_VALUE_UNITS ||
        value->data[units - 1] != 0)
        return false;
    const RegistryUnit* wide = value->data;
    RegistryUnit native[PLACE_VALUE_UNITS];
    if (value->expand && value->nativeView) {
        if (!NativeProgramFolders(wide, native, PLACE_VALUE_UNITS)) return false;
        wide = native;
    }
    if (value->expand) {
        if (!text->expand(wide, expanded, PLACE_VALUE_UNITS, text->context)) return false;
        wide = expanded;
    }
    if (!wide[0] || !text->toAnsi(wide, ansi, sizeof ansi - 1, text->context)) return false;
    if (kind == PLACE_COMMAND) return FolderFromPlayerCommand(ansi, out, size, text->lead);

    char* folder = Unquoted(ansi);
    size_t n = strlen(folder);
    if (kind == PLACE_PROGRAM) {
        // The folder ends at the last backslash: an icon's index after the
        // program's name ("...\\wacup.exe,0") goes with the name.
        n = FolderLength(folder, false, text->lead);
    } else if (n > 0 && *LastChar(folder, text->lead) != '\\') {
        folder[n++] = '\\';
        folder[n] = 0;
    }
    if (n == 0 || n >= size) return false;
    memcpy(out, folder, n);
    out[n] = 0;
    LowerPath(out, n, text->lead);
    return true;
}

bool PlayerProgramPath(const char* pluginsPath, const char* name, char* out, size_t size, const LeadBytes* lead)
{
    if (!CopyText(out, size, pluginsPath)) return false;
    char* cut = (char*)FindNoCase(out, PLAYER_PLUGINS_DIR, lead, true);
    if (!cut) return false;
    *cut = 0;
    if (!AppendText(out, size, name)) {
        out[0] = 0;
        return false;
    }
    return true;
}

static unsigned long LittleEndian(const unsigned char* at, int bytes)
{
    unsigned long n = 0;
    while (bytes--) n = n << 8 | at[bytes];
    return n;
}

bool ProgramHeaderOffset(const unsigned char* head, size_t length, unsigned long* offset)
{
    // "MZ", and the PE header's offset at 0x3C.
    if (length < PROGRAM_DOS_BYTES || head[0] != 'M' || head[1] != 'Z') return false;
    *offset = LittleEndian(head + 0x3C, 4);
    return true;
}

bool ProgramIsNot32Bit(const unsigned char* header, size_t length)
{
    // "PE\0\0", the file header (its machine first, the optional header's
    // size at 16), then the optional header, which opens with its magic.
    if (length < 6 || memcmp(header, "PE\0\0", 4) != 0) return false;
    unsigned long machine = LittleEndian(header + 4, 2);
    if (length >= 26 && LittleEndian(header + 20, 2) >= 2 && LittleEndian(header + 24, 2) == 0x20B) return true;
    return machine != 0x14C && machine != 0x3A64;   // IMAGE_FILE_MACHINE_I386, and CHPE's
}

bool PlayerFolderPath(const char* pluginsPath, char* out, size_t size, const LeadBytes* lead)
{
    if (!CopyText(out, size, pluginsPath)) return false;
    char* cut = (char*)FindNoCase(out, "\\" PLAYER_PLUGINS_DIR, lead, true);
    if (!cut) {
        out[0] = 0;
        return false;
    }
    cut[1] = 0;
    return true;
}

bool PlayerSettingsPath(const char* pluginsPath, char* out, size_t size, const LeadBytes* lead)
{
    if (!PlayerFolderPath(pluginsPath, out, size, lead)) return false;
    if (!AppendText(out, size, PLAYER_INI_NAME)) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool JoinPath(char* out, size_t size, const char* folder, const char* name, const LeadBytes* lead)
{
    if (!CopyText(out, size, folder)) return false;
    bool ok = true;
    if (out[0] && !EndsInSeparator(out, lead)) ok = AppendText(out, size, "\\");
    if (!ok || !AppendText(out, size, name)) {
        out[0] = 0;
        return false;
    }
    return true;
}

void FolderOfPath(char* path, const LeadBytes* lead)
{
    path[FolderLength(path, true, lead)] = 0;
}

void ReplaceLineFeeds(char* text)
{
    for (; *text; ++text)
        if (*text == '\n') *text = ' ';
}
