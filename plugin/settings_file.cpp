#include <windows.h>
#include <shlobj.h>

#include "settings_file.h"
#include "replace_file.h"

#define SETTINGS_TEMP_SUFFIX L".tmp"

// `folder`\`name` into MAX_PATH characters; false when it does not fit.
static bool Join(WCHAR* out, const WCHAR* folder, const WCHAR* name)
{
    if (lstrlenW(folder) + 1 + lstrlenW(name) >= MAX_PATH) return false;
    wsprintfW(out, L"%s\\%s", folder, name);
    return true;
}

bool MachineSettingsPath(WCHAR* path)
{
    WCHAR folder[MAX_PATH];
    UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH && Join(path, folder, L"" PLUGIN_SETTINGS_NAME);
}

// The user's ZUV folder, whether or not it exists yet.
static bool UserSettingsFolder(WCHAR* path)
{
    WCHAR appData[MAX_PATH];
    // No CSIDL_FLAG_CREATE: only a save makes folders, and only ours.
    return SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, appData) == S_OK && appData[0] &&
           Join(path, appData, L"" USER_SETTINGS_FOLDER);
}

bool UserSettingsPath(WCHAR* path)
{
    WCHAR folder[MAX_PATH];
    return UserSettingsFolder(folder) && Join(path, folder, L"" PLUGIN_SETTINGS_NAME);
}

static bool LoadFrom(const WCHAR* path, PluginSettings* settings)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    // One byte more than the layout can hold tells an oversized file.
    unsigned char data[PLUGIN_SETTINGS_MAX + 1];
    DWORD size = 0, n = 0;
    while (size < sizeof data && ReadFile(file, data + size, sizeof data - size, &n, NULL) && n > 0) size += n;
    CloseHandle(file);
    return ParsePluginSettings(data, size, settings);
}

bool LoadSettingsFile(PluginSettings* settings)
{
    DefaultPluginSettings(settings);
    WCHAR path[MAX_PATH];
    if (UserSettingsPath(path) && LoadFrom(path, settings)) return true;
    // A missing or damaged copy of the user's gives way to the machine's.
    return MachineSettingsPath(path) && LoadFrom(path, settings);
}

struct Bytes {
    const unsigned char* data;
    DWORD size;
};

static bool WriteBytes(HANDLE file, void* context)
{
    const Bytes* bytes = (const Bytes*)context;
    return WriteAll(file, bytes->data, bytes->size);
}

bool SaveSettingsFile(const PluginSettings* settings)
{
    unsigned char data[PLUGIN_SETTINGS_MAX];
    Bytes bytes = { data, (DWORD)BuildPluginSettings(settings, data, sizeof data) };
    WCHAR folder[MAX_PATH], path[MAX_PATH], temp[MAX_PATH];
    if (bytes.size == 0 || !UserSettingsFolder(folder) || !UserSettingsPath(path) ||
        !Join(temp, folder, L"" PLUGIN_SETTINGS_NAME SETTINGS_TEMP_SUFFIX))
        return false;
    if (!CreateDirectoryW(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    return ReplaceFileWith(path, temp, FILE_ATTRIBUTE_NORMAL, WriteBytes, &bytes);
}
