#include <windows.h>
#include <shlobj.h>

#include "settings_file.h"
#include "replace_file.h"

#define SETTINGS_TEMP_SUFFIX ".tmp"

// `folder`\`name`; false when it does not fit in `size`.
static bool Join(char* out, size_t size, const char* folder, const char* name)
{
    if ((size_t)lstrlenA(folder) + 1 + (size_t)lstrlenA(name) >= size) return false;
    wsprintfA(out, "%s\\%s", folder, name);
    return true;
}

static bool MachineSettingsPath(char* path, size_t size)
{
    char folder[MAX_PATH];
    UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    return n > 0 && n < sizeof folder && Join(path, size, folder, PLUGIN_SETTINGS_NAME);
}

// The user's ZUV folder, whether or not it exists yet.
static bool UserSettingsFolder(char* path, size_t size)
{
    char appData[MAX_PATH];
    // No CSIDL_FLAG_CREATE: only a save makes folders, and only ours.
    return SHGetFolderPathA(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, appData) == S_OK && appData[0] &&
           Join(path, size, appData, USER_SETTINGS_FOLDER);
}

bool UserSettingsPath(char* path, size_t size)
{
    char folder[MAX_PATH];
    return UserSettingsFolder(folder, sizeof folder) && Join(path, size, folder, PLUGIN_SETTINGS_NAME);
}

static bool LoadFrom(const char* path, PluginSettings* settings)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
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
    char path[MAX_PATH];
    if (UserSettingsPath(path, sizeof path) && LoadFrom(path, settings)) return true;
    // A missing or damaged copy of the user's gives way to the machine's.
    return MachineSettingsPath(path, sizeof path) && LoadFrom(path, settings);
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
    char folder[MAX_PATH], path[MAX_PATH], temp[MAX_PATH + sizeof SETTINGS_TEMP_SUFFIX];
    if (bytes.size == 0 || !UserSettingsFolder(folder, sizeof folder) || !UserSettingsPath(path, sizeof path))
        return false;
    if (!CreateDirectoryA(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    wsprintfA(temp, "%s" SETTINGS_TEMP_SUFFIX, path);
    return ReplaceFileWith(path, temp, FILE_ATTRIBUTE_NORMAL, WriteBytes, &bytes);
}
