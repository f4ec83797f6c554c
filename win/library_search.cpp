// Where the installer's libraries come from. It is usually started from the
// Downloads folder, where a web page can leave a DLL of its own, and Windows
// looks in the program's folder before the system folder.
#include <windows.h>

#include "library_search.h"

void RestrictLibrarySearch()
{
    // Looked up, not imported: SetDefaultDllDirectories is missing on XP and
    // on Vista and 7 without KB2533623, where an import would keep the
    // installer from starting at all.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    typedef BOOL(WINAPI * SetDefaultProc)(DWORD);
    typedef BOOL(WINAPI * SetDirectoryProc)(LPCSTR);
    SetDefaultProc setDefault = (SetDefaultProc)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    // Older systems: an empty DLL directory at least takes the current folder
    // out of the search; the program's own folder stays in it.
    SetDirectoryProc setDirectory = (SetDirectoryProc)(void*)GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDirectory) setDirectory("");
}

HMODULE LoadSystemLibrary(const char* name)
{
    char path[MAX_PATH];
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n + 1 + lstrlenA(name) >= MAX_PATH) return NULL;
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return LoadLibraryA(path);
}

HMODULE KeptSystemLibrary(const char* name)
{
    static struct {
        const char* name;
        HMODULE module;
    } kept[4];
    for (auto& k : kept) {
        if (!k.name) {
            if (!(k.module = LoadSystemLibrary(name))) return NULL;
            k.name = name;
        }
        if (!lstrcmpiA(k.name, name)) return k.module;
    }
    return NULL;
}

FARPROC KeptSystemFunction(const char* library, const char* function)
{
    HMODULE module = KeptSystemLibrary(library);
    return module ? GetProcAddress(module, function) : NULL;
}
