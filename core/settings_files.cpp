// winamp.ini rewrite and zuv.cfg seeding.
#include <windows.h>

#include "installer.h"

bool RewritePlayerSettings() { return false; }
bool SeedPluginSettings() { return false; }
