// Where libraries are loaded from: the system folder only.
#pragma once
#include <windows.h>

// Called first thing: from then on libraries are looked for in the system
// folder only (only the current folder is left out where Windows lacks
// SetDefaultDllDirectories).
void RestrictLibrarySearch();
// A library by its full path in the system folder, never a copy elsewhere.
HMODULE LoadSystemLibrary(const char* name);
