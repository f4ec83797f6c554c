// zuv.cfg, where the plug-in keeps its settings: found, read and written whole.
#pragma once
#include <stddef.h>

#include "plugin_settings.h"

// The settings file's full name; false when it does not fit in `size`.
bool SettingsFilePath(char* path, size_t size);

// False, with the defaults in `settings`, when the file is missing,
// unreadable or damaged.
bool LoadSettingsFile(PluginSettings* settings);

// Writes a temporary file beside zuv.cfg and renames it into place, so a
// failure leaves the old file whole; false, with nothing changed, on failure.
bool SaveSettingsFile(const PluginSettings* settings);
