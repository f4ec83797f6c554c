// Preferences' Uninstall: the help page and the logo beside the module, and
// on request the machine's zuv.cfg, removed through the player's file
// registrar where it has one, which deletes with the rights the player
// obtains (elevated where the folder needs it) into the Recycle Bin.
#include <windows.h>
#include <shlobj.h>

#include "uninstall.h"
#include "dsp_module.h"
#include "settings_file.h"

// The player's main window, by its class; paths.ini beside the player's
// program may name another in [Winamp] class=, of at most 63 characters.
#define PLAYER_CLASS L"Winamp v1.x"
enum { PLAYER_CLASS_LENGTH = 63 };

static const WCHAR* const CompanionFiles[] = { L"helpfile.html", L"zvlogo.jpg" };

static const WCHAR RemoveSettingsFormat[] =
    L"Remove the ZUV settings in %s as well?\n\n"
    L"Choose No to keep them for a later installation.";
static const WCHAR LeftOverFormat[] =
    L"These files could not be removed:\n\n%s\n"
    L"Please delete them by hand.";

// `name` in the folder of `module` (NULL: the program's) into `path`, of
// MAX_PATH characters; false when it does not fit.
static bool BesideModule(HMODULE module, const WCHAR* name, WCHAR* path)
{
    // A path cut at MAX_PATH has no NUL on XP: looked at only when whole.
    DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    WCHAR* file = path;
    for (WCHAR* p = path; *p; ++p)
        if (*p == '\\') file = p + 1;
    if (file == path || file - path + lstrlenW(name) >= MAX_PATH) return false;
    lstrcpyW(file, name);
    return true;
}

// The player's class as the player reads class=: %NAME% its environment
// variable and {N} its shell folder (CSIDL N), an undefined one, %% and a
// lone % nothing; cut to PLAYER_CLASS_LENGTH characters. `out` holds
// PLAYER_CLASS_LENGTH + 1.
static void PlayerClass(WCHAR* out)
{
    WCHAR path[MAX_PATH], value[MAX_PATH], variable[MAX_PATH], found[MAX_PATH], expanded[PLAYER_CLASS_LENGTH + 1];
    lstrcpyW(out, PLAYER_CLASS);
    if (!BesideModule(NULL, L"paths.ini", path) ||
        !GetPrivateProfileStringW(L"Winamp", L"class", L"", value, MAX_PATH, path))
        return;
    int length = 0;
    bool full = false;
    for (const WCHAR* p = value; *p && !full;) {
        int csidl = 0, digits = 0;
        while (p[0] == '{' && p[1 + digits] >= '0' && p[1 + digits] <= '9' && digits < 3)
            csidl = csidl * 10 + p[1 + digits++] - '0';
        found[0] = 0;
        if (*p == '%') {
            const WCHAR* close = p + 1;
            while (*close && *close != '%') ++close;
            if (*close && close - p <= MAX_PATH) {
                lstrcpynW(variable, p + 1, (int)(close - p));
                DWORD got = variable[0] ? GetEnvironmentVariableW(variable, found, MAX_PATH) : 0;
                if (got == 0 || got >= MAX_PATH) found[0] = 0;
            }
            p = *close ? close + 1 : p + 1;
        } else if (digits && p[1 + digits] == '}' && csidl <= 255) {
            if (SHGetFolderPathW(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, found) != S_OK) found[0] = 0;
            p += digits + 2;
        } else {
            int units = IS_HIGH_SURROGATE(p[0]) && IS_LOW_SURROGATE(p[1]) ? 2 : 1;
            lstrcpynW(found, p, units + 1);
            p += units;
        }
        // No character is cut apart: a surrogate pair goes in whole or not at all.
        for (const WCHAR* c = found; *c && !full; ++c) {
            full = length == PLAYER_CLASS_LENGTH || (IS_HIGH_SURROGATE(*c) && length + 1 == PLAYER_CLASS_LENGTH);
            if (!full) expanded[length++] = *c;
        }
    }
    // Nothing left of class= is no class= at all.
    expanded[length] = 0;
    if (length) lstrcpyW(out, expanded);
}

struct WindowSearch {
    const WCHAR* className;
    HWND found;
};

static BOOL CALLBACK MatchPlayerWindow(HWND window, LPARAM context)
{
    WindowSearch* search = (WindowSearch*)context;
    WCHAR name[PLAYER_CLASS_LENGTH + 2];
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !GetClassNameW(window, name, PLAYER_CLASS_LENGTH + 2) ||
        lstrcmpiW(name, search->className) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// The registrar of the player that loaded us: only the window of its class
// in our own process is asked, since the same message means something else
// to other windows (to a dialog, WM_USER is DM_GETDEFID). NULL for none.
static IUnknown* OpenRegistrar()
{
    WCHAR className[PLAYER_CLASS_LENGTH + 1];
    PlayerClass(className);
    WindowSearch search = { className, NULL };
    EnumWindows(MatchPlayerWindow, (LPARAM)&search);
    if (!search.found) return NULL;
    LRESULT given = SendMessageW(search.found, WM_USER, REGISTRAR_NO_FALLBACK, IPC_GET_FILEREGISTRAR_OBJECT);
    if (given == 0 || given == 1) return NULL;
    IUnknown* registrar = NULL;
    if (FAILED(((IUnknown*)given)->QueryInterface(IID_FileTypeRegistrar, (void**)&registrar))) registrar = NULL;
    ((IUnknown*)given)->Release();
    return registrar;
}

static bool Exists(const WCHAR* path)
{
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Removes `path` if it is there; what could not be removed is added to
// `left`, one line each. The registrar's answer is not trusted: what is
// still there after it is what counts.
static void RemoveFile(IUnknown* registrar, const WCHAR* path, WCHAR* left)
{
    if (!Exists(path)) return;
    if (registrar)
        ((RegistrarDeleteItemProc)(*(void***)registrar)[REGISTRAR_DELETE_ITEM_SLOT])(registrar, path);
    else
        DeleteFileW(path);
    if (!Exists(path)) return;
    lstrcatW(left, path);
    lstrcatW(left, L"\n");
}

void UninstallPlugin(HINSTANCE module, HWND page)
{
    // Room for each file the plug-in removes, and a line end after each.
    WCHAR path[MAX_PATH], left[3 * (MAX_PATH + 1)] = L"";
    IUnknown* registrar = OpenRegistrar();
    for (const WCHAR* companion : CompanionFiles)
        if (BesideModule(module, companion, path)) RemoveFile(registrar, path, left);

    if (MachineSettingsPath(path) && Exists(path)) {
        WCHAR question[sizeof RemoveSettingsFormat / sizeof(WCHAR) + MAX_PATH];
        wsprintfW(question, RemoveSettingsFormat, path);
        if (MessageBoxW(page, question, L"ZUV", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
            RemoveFile(registrar, path, left);
    }
    if (registrar) registrar->Release();

    if (left[0]) {
        WCHAR text[sizeof LeftOverFormat / sizeof(WCHAR) + sizeof left / sizeof(WCHAR)];
        wsprintfW(text, LeftOverFormat, left);
        MessageBoxW(page, text, L"ZUV", MB_OK | MB_ICONWARNING);
    }
}
