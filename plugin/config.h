// The plug-in's settings dialog.
#pragma once
#include <windows.h>

#include "plugin_settings.h"

// Shows `settings` in the dialog owned by `owner`. OK saves them to the user's zuv.cfg
// and returns true with the edited settings; Cancel returns false with
// `settings` as they were. A failed save is reported and keeps the dialog up.
bool EditSettings(HINSTANCE module, HWND owner, PluginSettings* settings);
