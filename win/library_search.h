// Where libraries are loaded from: the system folder only.
#pragma once
#include <windows.h>

// Called first thing: from then on libraries are looked for in the system
// folder only (only the current folder is left out where Windows lacks
// SetDefaultDllDirectories).
void RestrictLibrarySearch();
// A library by its full path in the system folder, never a copy elsewhere.
HMODULE LoadSystemLibrary(const char* name);
// `function` of the system library `library`, which is loaded when first
// wanted and then kept for the process's life: never freed, since a dialog,
// a callback or a COM object of it (the folder picker's, the folder box's
// completion) may still run after the call that asked for it. NULL when
// either is missing.
FARPROC KeptSystemFunction(const char* library, const char* function);
