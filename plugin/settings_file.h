// zuv.cfg, where the plug-in keeps its settings, read and written whole. Each
// user has a copy of their own, ZUV\zuv.cfg in their application-data folder,
// which the player can write without an administrator's rights; the copy in
// the Windows folder, which the installer seeds, serves until then.
#pragma once
#include <windows.h>

#include "plugin_settings.h"

#define USER_SETTINGS_FOLDER "ZUV"

// The machine's copy in the Windows folder (MAX_PATH wide characters);
// false when it does not fit.
bool MachineSettingsPath(WCHAR* path);

// The user's copy (MAX_PATH wide characters, the user's name in any
// alphabet); false when it has no place or does not fit.
bool UserSettingsPath(WCHAR* path);

// The user's copy, else the Windows folder's; false, with the defaults in
// `settings`, when neither is there and whole.
bool LoadSettingsFile(PluginSettings* settings);

// Into the user's copy, making its folder: a temporary file beside it,
// renamed into place, so a failure leaves the old copy whole; false, with
// nothing changed, on failure.
bool SaveSettingsFile(const PluginSettings* settings);
