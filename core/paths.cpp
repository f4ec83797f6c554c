#include "paths.h"
#include "player.h"

#include <string.h>

const char* const PluginFileList[3] = { PLUGIN_MODULE_NAME, PLUGIN_HELP_NAME, PLUGIN_LOGO_NAME };

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

    const char* exe = strstr(lower, PLAYER_EXE_NAME);
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

bool PlayerExecutablePath(const char* pluginsPath, char* out, size_t size)
{
    if (!CopyText(out, size, pluginsPath)) return false;
    char* cut = (char*)FindLastNoCase(out, PLAYER_PLUGINS_DIR);
    if (!cut) return false;
    *cut = 0;
    if (!AppendText(out, size, PLAYER_EXE_NAME)) {
        out[0] = 0;
        return false;
    }
    return true;
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
