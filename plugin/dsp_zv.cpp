// dsp_zv.dll: the ZUV enhancer as a DSP module for the player. The signal
// processing lives in dsp/zuv_effect.cpp; this file is the module record,
// the settings file and the hand-over of new settings to the audio thread.
#include <windows.h>

#include "dsp_module.h"
#include "zuv_version.h"
#include "dsp_zv_internal.h"
#include "dsp/zuv_effect.h"
#include "plugin_settings.h"

HINSTANCE g_instance;

// The player calls ModifySamples on its audio thread and Config on its window
// thread, so new settings travel through `g_pending` under `g_lock`.
static CRITICAL_SECTION g_lock;
static PluginSettings g_pending;
static volatile LONG g_hasPending;

// All the effect's memory, static: processing never allocates.
static ZuvEffect g_effect;

static void __cdecl Config(DspModule* module);
static int __cdecl Init(DspModule* module);
static int __cdecl ModifySamples(DspModule* module, short* samples, int frames, int bits, int channels, int rate);
static void __cdecl Quit(DspModule* module);

static char g_headerText[] = "ZUV Enhancer v" ZUV_PLUGIN_VERSION;
static char g_moduleText[] = "ZUV Enhancer: bass, treble, stereo width and ambience";

static DspModule g_module = { g_moduleText, NULL, NULL, Config, Init, ModifySamples, Quit, NULL };

static DspModule* __cdecl GetModule(int index) { return index == 0 ? &g_module : NULL; }

static DspHeader g_header = { DSP_HEADER_VERSION, g_headerText, GetModule };

extern "C" DspHeader* __cdecl winampDSPGetHeader2(HWND) { return &g_header; }

bool GetSettingsPath(char* path, int size)
{
    static const char name[] = "\\zuv.cfg";
    UINT n = GetWindowsDirectoryA(path, (UINT)size);
    if (n == 0 || n + sizeof name > (UINT)size) return false;
    lstrcatA(path, name);
    return true;
}

bool LoadSettingsFile(PluginSettings* settings)
{
    DefaultPluginSettings(settings);
    char path[MAX_PATH + 16];
    if (!GetSettingsPath(path, sizeof path)) return false;
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

bool SaveSettingsFile(const PluginSettings* settings)
{
    unsigned char data[PLUGIN_SETTINGS_MAX];
    size_t size = BuildPluginSettings(settings, data, sizeof data);
    char path[MAX_PATH + 16], temp[MAX_PATH + 32];
    if (size == 0 || !GetSettingsPath(path, sizeof path)) return false;
    lstrcpyA(temp, path);
    lstrcatA(temp, ".tmp");

    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, data, (DWORD)size, &written, NULL) && written == size && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    if (ok) ok = MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileA(temp);
    return ok;
}

void ApplySettings(const PluginSettings* settings)
{
    EnterCriticalSection(&g_lock);
    g_pending = *settings;
    g_hasPending = 1;
    LeaveCriticalSection(&g_lock);
}

static void __cdecl Config(DspModule* module)
{
    ShowSettingsDialog(module ? module->hwndParent : NULL);
}

static int __cdecl Init(DspModule*)
{
    PluginSettings settings;
    LoadSettingsFile(&settings);    // anything wrong with the file gives the defaults
    EnterCriticalSection(&g_lock);
    g_hasPending = 0;
    LeaveCriticalSection(&g_lock);
    ZuvEffectInit(&g_effect, &settings);
    return 0;
}

static int __cdecl ModifySamples(DspModule*, short* samples, int frames, int bits, int channels, int rate)
{
    if (g_hasPending) {
        PluginSettings settings;
        EnterCriticalSection(&g_lock);
        settings = g_pending;
        g_hasPending = 0;
        LeaveCriticalSection(&g_lock);
        ZuvEffectSetSettings(&g_effect, &settings);
    }
    return ZuvEffectProcess(&g_effect, samples, frames, bits, channels, rate);
}

static void __cdecl Quit(DspModule*)
{
    EnterCriticalSection(&g_lock);
    g_hasPending = 0;
    LeaveCriticalSection(&g_lock);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
        InitializeCriticalSection(&g_lock);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}
