// dsp_zv.dll: the ZUV enhancer as a DSP module for the player. The signal
// processing lives in dsp/zuv_effect.cpp; this file is the module record and
// the hand-over of new settings to the audio thread.
#include <windows.h>

#include "config.h"
#include "dsp_module.h"
#include "zuv_version.h"
#include "dsp/zuv_effect.h"
#include "settings_file.h"
#include "uninstall.h"

static HINSTANCE g_instance;

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

// Our own instance, not the one passed: whatever it is, only the files
// beside this module go. NOW: the player deletes the module once it has
// freed it; REBOOT is of no use, as the player looks the module's path up
// only after freeing it.
extern "C" int __cdecl winampUninstallPlugin(HINSTANCE, HWND preferencesPage, int)
{
    UninstallPlugin(g_instance, preferencesPage);
    return DSP_PLUGIN_UNINSTALL_NOW;
}

// The audio thread picks new settings up before its next block.
static void ApplySettings(const PluginSettings* settings)
{
    EnterCriticalSection(&g_lock);
    g_pending = *settings;
    g_hasPending = 1;
    LeaveCriticalSection(&g_lock);
}

static void __cdecl Config(DspModule* module)
{
    PluginSettings settings;
    LoadSettingsFile(&settings);    // anything wrong with the file gives the defaults
    if (EditSettings(g_instance, module ? module->hwndParent : NULL, &settings)) ApplySettings(&settings);
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
