// What the module code and the settings dialog of dsp_zv.dll share.
#pragma once
#include <windows.h>

#include "plugin_settings.h"

extern HINSTANCE g_instance;

// zuv.cfg in the Windows folder. Load: false, with the defaults in
// `settings`, when the file is missing, unreadable or damaged. Save: writes a
// temporary file beside it and moves it into place, so a failure leaves the
// old file whole; false, with nothing changed, when that fails.
bool LoadSettingsFile(PluginSettings* settings);
bool SaveSettingsFile(const PluginSettings* settings);
bool GetSettingsPath(char* path, int size);

// Hands new settings to the effect; the audio thread picks them up before its
// next block.
void ApplySettings(const PluginSettings* settings);

// Shows the settings dialog owned by `owner`.
void ShowSettingsDialog(HWND owner);
