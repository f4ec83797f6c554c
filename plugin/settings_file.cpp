#include <windows.h>

#include "settings_file.h"
#include "replace_file.h"

#define SETTINGS_TEMP_SUFFIX ".tmp"

bool SettingsFilePath(char* path, size_t size)
{
    char folder[MAX_PATH];
    UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) return false;
    if (n + 1 + sizeof PLUGIN_SETTINGS_NAME > size) return false;
    wsprintfA(path, "%s\\%s", folder, PLUGIN_SETTINGS_NAME);
    return true;
}

bool LoadSettingsFile(PluginSettings* settings)
{
    DefaultPluginSettings(settings);
    char path[MAX_PATH];
    if (!SettingsFilePath(path, sizeof path)) return false;
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
    char path[MAX_PATH], temp[MAX_PATH + sizeof SETTINGS_TEMP_SUFFIX];
    if (bytes.size == 0 || !SettingsFilePath(path, sizeof path)) return false;
    wsprintfA(temp, "%s" SETTINGS_TEMP_SUFFIX, path);
    return ReplaceFileWith(path, temp, FILE_ATTRIBUTE_NORMAL, WriteBytes, &bytes);
}
