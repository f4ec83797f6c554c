// winamp.ini rewrite and zuv.cfg seeding.
#include <windows.h>
#include <shlobj.h>
#include <assert.h>

#include "operations.h"
#include "replace_file.h"
#include "../core/ini_rewrite.h"
#include "../core/paths.h"
#include "../core/player.h"
#include "../core/plugin_settings.h"
#include "../core/settings_folder.h"

// Beside winamp.ini; no file of the player's ends like this.
#define SETTINGS_TEMP_SUFFIX ".zuv-tmp"

// Used one at a time: the whole of paths.ini (the player's own is a few
// lines; one that fills this is not one), then winamp.ini piece by piece.
static char g_scratch[65536];

static bool WriteToFile(void* context, const char* data, size_t size)
{
    return size <= MAXDWORD && WriteAll(*(HANDLE*)context, data, (DWORD)size);
}

struct RewriteJob {
    HANDLE in;
    bool namedModule;
};

// Streams the old winamp.ini through the rewrite into the new file, and
// closes the old one, which would otherwise block the rename.
static bool WriteRewrittenCopy(HANDLE out, void* context)
{
    RewriteJob* job = (RewriteJob*)context;
    HANDLE* in = &job->in;
    IniRewrite rewrite;
    BeginIniRewrite(&rewrite, WriteToFile, &out);
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(*in, g_scratch, sizeof g_scratch, &got, NULL)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!FeedIniRewrite(&rewrite, g_scratch, got)) break;
    }
    ok = EndIniRewrite(&rewrite) && ok;
    job->namedModule = rewrite.namedModule;
    CloseHandle(*in);
    *in = INVALID_HANDLE_VALUE;
    return ok;
}

// The token of the desktop's shell, so {N} means the desktop user's folder
// even when the installer was elevated with another account's password.
static HANDLE OpenDesktopUserToken()
{
    HWND shell = GetShellWindow();
    DWORD pid = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &pid) || !pid) return NULL;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return NULL;
    HANDLE token = NULL;
    if (!OpenProcessToken(process, TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, &token)) token = NULL;
    CloseHandle(process);
    return token;
}

static bool ShellFolder(int csidl, char* out, size_t size, void* context)
{
    HANDLE token = *(HANDLE*)context;
    char path[MAX_PATH];
    // SHGFP_TYPE_CURRENT and no CSIDL_FLAG_CREATE: a missing folder stays
    // missing (S_FALSE), it is never made here.
    HRESULT result = SHGetFolderPathA(NULL, csidl, token, SHGFP_TYPE_CURRENT, path);
    if (result != S_OK && token) result = SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path);
    return result == S_OK && path[0] && CopyText(out, size, path);
}

static bool Variable(const char* name, char* out, size_t size, void*)
{
    DWORD n = GetEnvironmentVariableA(name, out, (DWORD)size);
    return n > 0 && n < size;
}

// paths.ini's inidir= value into `value`, or "" when there is no paths.ini or
// no such key. False when paths.ini exists but cannot be read, or the value
// is too long to be a folder.
static bool ReadPathsIni(const char* playerFolder, char* value, size_t size)
{
    char path[PATH_BUFFER];
    value[0] = 0;
    if (!JoinPath(path, sizeof path, playerFolder, PLAYER_PATHS_INI)) return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    DWORD length = 0, got = 0;
    bool ok = true;
    while (length < sizeof g_scratch &&
           (ok = ReadFile(file, g_scratch + length, sizeof g_scratch - length, &got, NULL)) && got)
        length += got;
    CloseHandle(file);
    if (!ok || length == sizeof g_scratch) return false;
    return FindIniValue(g_scratch, length, PATHS_INI_SECTION, PATHS_INI_KEY, value, size) != INI_VALUE_BAD;
}

// winamp.ini where the player keeps it; false when paths.ini cannot be read
// or resolved, or the path does not fit.
static bool FindPlayerSettingsFile(const char* pluginsPath, char* out, size_t size)
{
    char playerFolder[PATH_BUFFER], value[PATH_BUFFER], folder[PATH_BUFFER];
    if (!PlayerFolderPath(pluginsPath, playerFolder, sizeof playerFolder)) return false;
    if (!ReadPathsIni(playerFolder, value, sizeof value)) return false;
    HANDLE token = OpenDesktopUserToken();
    FolderLookups lookups = { ShellFolder, Variable, &token };
    SettingsFolder where = ResolveSettingsFolder(value, playerFolder, &lookups, folder, sizeof folder);
    if (token) CloseHandle(token);
    if (where == SETTINGS_UNRESOLVABLE) return false;
    return JoinPath(out, size, where == SETTINGS_IN_FOLDER ? folder : playerFolder, PLAYER_INI_NAME);
}

bool RewritePlayerSettings(const char* pluginsPath)
{
    char iniPath[PATH_BUFFER];
    char tempPath[PATH_BUFFER + sizeof SETTINGS_TEMP_SUFFIX];
    if (!FindPlayerSettingsFile(pluginsPath, iniPath, sizeof iniPath)) return false;
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
    RewriteJob job = { in, false };
    bool ok = ReplaceFileWith(iniPath, tempPath, keep | FILE_ATTRIBUTE_ARCHIVE, WriteRewrittenCopy, &job);
    if (job.in != INVALID_HANDLE_VALUE) CloseHandle(job.in);   // the temporary file could not be made
    return ok && job.namedModule;
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
