// winamp.ini rewrite and zuv.cfg seeding.
#include <windows.h>
#include <assert.h>

#include "operations.h"
#include "replace_file.h"
#include "../core/ini_rewrite.h"
#include "../core/paths.h"
#include "../core/plugin_settings.h"

// Beside winamp.ini; no file of the player's ends like this.
#define SETTINGS_TEMP_SUFFIX ".zuv-tmp"

static bool WriteToFile(void* context, const char* data, size_t size)
{
    return size <= MAXDWORD && WriteAll(*(HANDLE*)context, data, (DWORD)size);
}

// Streams the old winamp.ini through the rewrite into the new file, and
// closes the old one, which would otherwise block the rename.
static bool WriteRewrittenCopy(HANDLE out, void* context)
{
    HANDLE* in = (HANDLE*)context;
    static char buffer[65536];
    IniRewrite rewrite;
    BeginIniRewrite(&rewrite, WriteToFile, &out);
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(*in, buffer, sizeof buffer, &got, NULL)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!FeedIniRewrite(&rewrite, buffer, got)) break;
    }
    ok = EndIniRewrite(&rewrite) && ok;
    CloseHandle(*in);
    *in = INVALID_HANDLE_VALUE;
    return ok;
}

bool RewritePlayerSettings(const char* pluginsPath)
{
    char iniPath[PATH_BUFFER];
    char tempPath[PATH_BUFFER + sizeof SETTINGS_TEMP_SUFFIX];
    if (!PlayerSettingsPath(pluginsPath, iniPath, sizeof iniPath)) return false;
    if (!CopyText(tempPath, sizeof tempPath, iniPath) || !AppendText(tempPath, sizeof tempPath, SETTINGS_TEMP_SUFFIX))
        return false;

    // The rename would replace a read-only winamp.ini on some systems and
    // fail on others; the user made it read-only, so leave it alone.
    DWORD attributes = GetFileAttributesA(iniPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;

    HANDLE in = CreateFileA(iniPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (in == INVALID_HANDLE_VALUE) return false;
    DWORD keep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    bool ok = ReplaceFileWith(iniPath, tempPath, keep | FILE_ATTRIBUTE_ARCHIVE, WriteRewrittenCopy, &in);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);   // the temporary file could not be made
    return ok;
}

bool SeedPluginSettings()
{
    char folder[FOLDER_BUFFER], path[FOLDER_BUFFER];
    UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) return false;
    if (!JoinPath(path, sizeof path, folder, PLUGIN_SETTINGS_NAME)) return false;

    PluginSettings settings;
    unsigned char bytes[PLUGIN_SETTINGS_MAX];
    DefaultPluginSettings(&settings);
    size_t size = BuildPluginSettings(&settings, bytes, sizeof bytes);
    assert(size > 0);

    // CREATE_NEW: a file already there, of any size, is left alone, and
    // there is no gap between looking and creating.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, bytes, (DWORD)size);
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    // A short file would pass for the plug-in's settings on every later run.
    if (!ok) DeleteFileA(path);
    return ok;
}
