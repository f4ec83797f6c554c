// Closing the player being installed into. Its window class is shared: by a
// second instance, by another Winamp in another folder and by players built
// on it (WACUP), so a window counts only when its process runs a player's
// program of the folder we install for: WACUP's x86 build may run as
// wacup.exe or as winamp.exe, and a folder may hold both. The class itself
// may be another one, which paths.ini names.
#include <windows.h>

#include "file_helpers.h"
#include "library_search.h"
#include "operations.h"
#include "../core/paths.h"
#include "../core/player.h"

enum {
    CLOSE_SEND_TIMEOUT_MS = 5000,   // each window handling WM_CLOSE
    CLOSE_EXIT_TIMEOUT_MS = 5000    // all their processes letting go of their files
};

typedef BOOL(WINAPI* QueryImageProc)(HANDLE, DWORD, LPWSTR, PDWORD);
typedef DWORD(WINAPI* ModuleNameProc)(HANDLE, HMODULE, LPWSTR, DWORD);

struct Closing {
    const WCHAR* windowClass;            // the player's main window's
    const WCHAR* program;                // one of the player's programs
    BY_HANDLE_FILE_INFORMATION players[PLAYER_PROGRAMS];   // the programs of the player's folder
    int known;                           // how many; 0: no window can be told apart; -1: not looked at yet
    QueryImageProc queryImage;           // Vista and later
    ModuleNameProc moduleName;           // XP, from psapi
    DWORD access;
    DWORD count;
    HANDLE processes[MAXIMUM_WAIT_OBJECTS];
};

// Every program of PlayerPrograms in the folder of `c->program`, which is
// one of them. Only once a window of the class turns up: with no player
// running, as in most runs, no file is opened.
static void KnowPlayers(Closing* c)
{
    WCHAR path[MAX_PATH];
    lstrcpynW(path, c->program, MAX_PATH);
    FolderOfWidePath(path);
    int folder = lstrlenW(path);
    c->known = 0;
    for (const PlayerProgram& candidate : PlayerPrograms) {
        if (folder + lstrlenA(candidate.name) >= MAX_PATH) continue;
        wsprintfW(path + folder, L"%S", candidate.name);
        if (FileIdentity(path, &c->players[c->known])) ++c->known;
    }
}

// Whether `process` runs one of our player's programs; true too when that
// cannot be told, so such a window is closed as before.
static bool RunsPlayer(Closing* c, HANDLE process)
{
    if (c->known < 0) KnowPlayers(c);
    WCHAR image[MAX_PATH + 1];
    image[MAX_PATH] = 0;   // XP's psapi leaves a cut name unterminated
    DWORD size = MAX_PATH;
    BY_HANDLE_FILE_INFORMATION info;
    if (!c->known || !process ||
        !(c->queryImage ? c->queryImage(process, 0, image, &size)
                        : c->moduleName && c->moduleName(process, NULL, image, MAX_PATH)) ||
        !FileIdentity(image, &info))
        return true;
    for (int i = 0; i < c->known; ++i)
        if (SameIdentity(&info, &c->players[i])) return true;
    return false;
}

static BOOL CALLBACK CloseIfPlayer(HWND window, LPARAM param)
{
    Closing* c = (Closing*)param;
    WCHAR name[PLAYER_CLASS_LENGTH + 2];   // room to see a longer name differ
    if (!GetClassNameW(window, name, PLAYER_CLASS_LENGTH + 2) || lstrcmpiW(name, c->windowClass) != 0) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    // Opened before the request, so the wait is on this player and not on
    // whatever might reuse its id.
    HANDLE process = OpenProcess(c->access, FALSE, pid);
    DWORD_PTR result;
    // A hung player must not hang the installer; one that did not even take
    // the request will not exit either, so it is not waited for.
    if (RunsPlayer(c, process) &&
        SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, CLOSE_SEND_TIMEOUT_MS, &result) &&
        process && c->count < MAXIMUM_WAIT_OBJECTS) {
        c->processes[c->count++] = process;
    } else if (process) {
        CloseHandle(process);
    }
    return TRUE;
}

void ClosePlayer(const WCHAR* program, const WCHAR* windowClass)
{
    Closing c;
    c.windowClass = windowClass;
    c.program = program;
    c.known = -1;
    c.count = 0;
    // Looked up: QueryFullProcessImageNameW and the limited query right both
    // came with Vista. XP has only psapi's name, which reads the process's
    // memory.
    c.queryImage = (QueryImageProc)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameW");
    HMODULE psapi = c.queryImage ? NULL : LoadSystemLibrary("psapi.dll");
    c.moduleName = psapi ? (ModuleNameProc)(void*)GetProcAddress(psapi, "GetModuleFileNameExW") : NULL;
    c.access = c.queryImage ? PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE
                            : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE;
    // EnumWindows lists the windows before the first call; a FindWindowEx
    // walk would lose its place when a player destroys the window it stands
    // on while handling WM_CLOSE.
    EnumWindows(CloseIfPlayer, (LPARAM)&c);
    // Together: a closing player may still hold the plug-in module.
    if (c.count) WaitForMultipleObjects(c.count, c.processes, TRUE, CLOSE_EXIT_TIMEOUT_MS);
    while (c.count) CloseHandle(c.processes[--c.count]);
    if (psapi) FreeLibrary(psapi);
}
