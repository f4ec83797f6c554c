// Taking the plug-in out again from the player's Preferences (DSP/Effect,
// Uninstall). The player calls the module's winampUninstallPlugin, frees the
// module and deletes it; what else the plug-in put on the machine goes here.
#pragma once
#include <windows.h>

// Removes the help page and the logo beside `module` when they are ours, and
// the module's leftovers there (dsp_zv.dll.old, .old2 ...), asks (in a box
// owned by `page`) whether zuv.cfg in the Windows folder goes too, and names
// in one box whatever of ours could not be removed, for the user to delete
// by hand.
void UninstallPlugin(HINSTANCE module, HWND page);
