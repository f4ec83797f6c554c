// Where libraries are loaded from: the system folder only.
#pragma once
#include <windows.h>

// Called first thing: from then on libraries are looked for in the system
// folder only (only the current folder is left out where Windows lacks
// SetDefaultDllDirectories).
void RestrictLibrarySearch();
// A library by its full path in the system folder, never a copy elsewhere.
HMODULE LoadSystemLibrary(const char* name);
// shell32, loaded from the system folder at the first call and kept loaded
// for the rest of the run (NULL when it cannot be loaded; asked again then).
// Never freed: its delayed loads (windows.storage.dll and more on Windows 10
// and 11) and the shell's threads may call back into it at any time later.
HMODULE LoadShell32Once();
