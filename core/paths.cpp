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

const char* FindLastNoCase(const char* text, const char* needle)
{
    size_t n = strlen(needle);
    const char* found = 0;
    for (const char* p = text; *p; ++p) {
        size_t i = 0;
        while (i < n && p[i] && LowerAscii(p[i]) == LowerAscii(needle[i])) ++i;
        if (i == n) found = p;
    }
    return found;
}

bool FolderFromPlayerCommand(const char* command, char* out, size_t size)
{
    char lower[PATH_BUFFER];
    size_t n = strnlen(command, sizeof lower);
    if (n >= sizeof lower) return false;
    for (size_t i = 0; i <= n; ++i) lower[i] = LowerAscii(command[i]);

    const char* exe = NULL;
    for (const PlayerProgram& program : PlayerPrograms) {
        const char* at = strstr(lower, program.name);
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

// The text of a program's path: inside its quotation marks, or all of it.
static char* Unquoted(char* text)
{
    if (text[0] != '"') return text;
    char* end = strchr(text + 1, '"');
    if (end) *end = 0;
    return text + 1;
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
    if (value->expand) {
        if (!text->expand(wide, expanded, PLACE_VALUE_UNITS, text->context)) return false;
        wide = expanded;
    }
    if (!wide[0] || !text->toAnsi(wide, ansi, sizeof ansi - 1, text->context)) return false;
    if (kind == PLACE_COMMAND) return FolderFromPlayerCommand(ansi, out, size);

    char* folder = Unquoted(ansi);
    size_t n = strlen(folder);
    if (kind == PLACE_PROGRAM) {
        // The folder ends at the last backslash: an icon's index after the
        // program's name ("...\\wacup.exe,0") goes with the name.
        while (n > 0 && folder[n - 1] != '\\') --n;
    } else if (n > 0 && folder[n - 1] != '\\') {
        folder[n++] = '\\';
    }
    if (n == 0 || n >= size) return false;
    for (size_t i = 0; i < n; ++i) out[i] = LowerAscii(folder[i]);
    out[n] = 0;
    return true;
}

bool PlayerProgramPath(const char* pluginsPath, const char* name, char* out, size_t size)
{
    if (!CopyText(out, size, pluginsPath)) return false;
    char* cut = (char*)FindLastNoCase(out, PLAYER_PLUGINS_DIR);
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

bool ProgramIsNot32Bit(const unsigned char* head, size_t length)
{
    // "MZ", the PE header's offset at 0x3C, there "PE\0\0" and the machine.
    if (length < 0x40 || head[0] != 'M' || head[1] != 'Z') return false;
    unsigned long pe = LittleEndian(head + 0x3C, 4);
    if (pe > length - 6 || memcmp(head + pe, "PE\0\0", 4) != 0) return false;
    return LittleEndian(head + pe + 4, 2) != 0x14C;   // IMAGE_FILE_MACHINE_I386
}

bool PlayerFolderPath(const char* pluginsPath, char* out, size_t size)
{
    if (!CopyText(out, size, pluginsPath)) return false;
    char* cut = (char*)FindLastNoCase(out, "\\" PLAYER_PLUGINS_DIR);
    if (!cut) {
        out[0] = 0;
        return false;
    }
    cut[1] = 0;
    return true;
}

bool PlayerSettingsPath(const char* pluginsPath, char* out, size_t size)
{
    if (!PlayerFolderPath(pluginsPath, out, size)) return false;
    if (!AppendText(out, size, PLAYER_INI_NAME)) {
        out[0] = 0;
        return false;
    }
    return true;
}

bool JoinPath(char* out, size_t size, const char* folder, const char* name)
{
    if (!CopyText(out, size, folder)) return false;
    size_t n = strlen(out);
    bool ok = true;
    if (n > 0 && out[n - 1] != '\\' && out[n - 1] != '/') ok = AppendText(out, size, "\\");
    if (!ok || !AppendText(out, size, name)) {
        out[0] = 0;
        return false;
    }
    return true;
}

void FolderOfPath(char* path)
{
    char* slash = strrchr(path, '\\');
    char* other = strrchr(path, '/');
    if (other > slash) slash = other;
    if (slash) slash[1] = 0;
    else path[0] = 0;
}

void ReplaceLineFeeds(char* text)
{
    for (; *text; ++text)
        if (*text == '\n') *text = ' ';
}
