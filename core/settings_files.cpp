// winamp.ini rewrite and zuv.cfg seeding.
#include <windows.h>
#include <assert.h>

#include "../app/installer_state.h"
#include "ini_rewrite.h"
#include "installer.h"
#include "paths.h"
#include "player.h"
#include "plugin_settings.h"

// Beside winamp.ini; no file of the player's ends like this.
#define SETTINGS_TEMP_SUFFIX ".zuv-tmp"

static bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, NULL) && written == size;
}

static bool WriteToFile(void* context, const char* data, size_t size)
{
    return size <= MAXDWORD && WriteAll(*(HANDLE*)context, data, (DWORD)size);
}

// Streams `in` through the rewrite into the new file `tempPath`, complete and
// on disk, or removes it and returns false.
static bool WriteRewrittenCopy(HANDLE in, const char* tempPath, DWORD attributes)
{
    HANDLE out = CreateFileA(tempPath, GENERIC_WRITE, 0, NULL, CREATE_NEW, attributes, NULL);
    if (out == INVALID_HANDLE_VALUE) return false;

    static char buffer[65536];
    IniRewrite rewrite;
    BeginIniRewrite(&rewrite, WriteToFile, &out);
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer, sizeof buffer, &got, NULL)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!FeedIniRewrite(&rewrite, buffer, got)) break;
    }
    ok = EndIniRewrite(&rewrite) && ok;
    // Written through before the rename, so a crash cannot leave a renamed
    // but empty winamp.ini behind.
    ok = FlushFileBuffers(out) && ok;
    ok = CloseHandle(out) && ok;
    if (!ok) DeleteFileA(tempPath);
    return ok;
}

bool RewritePlayerSettings()
{
    char iniPath[PATH_BUFFER];
    char tempPath[MAX_PATH];
    if (!PlayerSettingsPath(g_installer.pluginsPath, iniPath, sizeof iniPath)) return false;
    if (!CopyText(tempPath, sizeof tempPath, iniPath) || !AppendText(tempPath, sizeof tempPath, SETTINGS_TEMP_SUFFIX))
        return false;

    // The rename below would replace a read-only winamp.ini on some systems
    // and fail on others; the user made it read-only, so leave it alone.
    DWORD attributes = GetFileAttributesA(iniPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;

    HANDLE in = CreateFileA(iniPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (in == INVALID_HANDLE_VALUE) return false;

    // A copy left by a run that died half-way is ours to replace; anything
    // else of that name (a folder, a read-only file) makes the create fail.
    DeleteFileA(tempPath);
    DWORD keep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    bool written = WriteRewrittenCopy(in, tempPath, keep | FILE_ATTRIBUTE_ARCHIVE);
    CloseHandle(in);   // open, it would block the rename
    if (!written) return false;

    // One rename: winamp.ini is either the old file or the whole new one.
    // Not ReplaceFileA, which can fail after taking the old file away.
    if (!MoveFileExA(tempPath, iniPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(tempPath);
        return false;
    }
    return true;
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
