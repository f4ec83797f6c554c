// Where libraries are loaded from: the system folder only.
#pragma once
#include <windows.h>

// Called first thing: from then on libraries are looked for in the system
// folder only (only the current folder is left out where Windows lacks
// SetDefaultDllDirectories).
void RestrictLibrarySearch();
// A library by its full path in the system folder, never a copy elsewhere.
HMODULE LoadSystemLibrary(const char* name);
// A system library loaded from the system folder when first wanted and then
// kept for the process's life (NULL when it cannot be loaded; asked again
// then). Never freed: its delayed loads (windows.storage.dll and more on
// Windows 10 and 11), the shell's threads, a dialog, a callback or a COM
// object of it (the folder picker's, the folder box's completion) may call
// back into it at any time later. For shell32, ole32 and shlwapi.
HMODULE KeptSystemLibrary(const char* name);
// `function` of a kept system library (above); NULL when either is missing.
FARPROC KeptSystemFunction(const char* library, const char* function);
