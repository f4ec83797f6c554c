// Preferences' Uninstall: the help page and the logo beside the module, when
// they are ours, the module's leftovers from an installation over one in
// use, and on request the machine's zuv.cfg, removed through the player's
// file registrar where it has one, which deletes with the rights the player
// obtains (elevated where the folder needs it) into the Recycle Bin.
#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>
#include <string.h>

#include "uninstall.h"
#include "dsp_module.h"
#include "plugin_files.h"
#include "replace_file.h"
#include "settings_file.h"

// The player's main window, by its class; paths.ini beside the player's
// program may name another in [Winamp] class=, of at most 63 characters.
#define PLAYER_CLASS L"Winamp v1.x"
enum { PLAYER_CLASS_LENGTH = 63 };

// The module's name as the installer gives it, whose leftovers it moved aside.
#define MODULE_NAME L"dsp_zv.dll"

static const WCHAR RemoveSettingsFormat[] =
    L"Remove the ZUV settings in %s as well?\n\n"
    L"Choose No to keep them for a later installation.";
// "These files could not be removed:\n\n<one path a line>\nPlease delete them by hand."
static const WCHAR LeftOverHead[] = L"These files could not be removed:\n\n";
static const WCHAR LeftOverTail[] = L"\nPlease delete them by hand.";
enum {
    LEFT_LINES = 8,                         // named in the box; past them, "..."
    LEFT_ROOM = LEFT_LINES * MAX_PATH + sizeof "...\n",
    HELP_HEAD_BYTES = 2048,                 // where a help page's title is looked for
    READ_BLOCK = 4096
};

// One uninstall: the registrar (NULL: none) and what could not be removed,
// one path a line.
struct Removal {
    IUnknown* registrar;
    WCHAR left[LEFT_ROOM];
    int leftLines;
};

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

// A help page is ours when its head bears our title; the page carries the
// plug-in's version, the title does not.
static bool IsOurHelpPage(HANDLE file)
{
    static const char title[] = "<title>" ZUV_HELP_TITLE "</title>";
    const DWORD length = sizeof title - 1;
    char head[HELP_HEAD_BYTES];
    DWORD n = 0;
    if (!ReadFile(file, head, sizeof head, &n, NULL)) return false;
    for (DWORD at = 0; at + length <= n; ++at)
        if (memcmp(head + at, title, length) == 0) return true;
    return false;
}

// A logo is ours when it has our logo's size and SHA-1.
static bool IsOurLogo(HANDLE file)
{
    static const BYTE ours[] = ZUV_LOGO_SHA1;
    DWORD high = 0;
    if (GetFileSize(file, &high) != ZUV_LOGO_SIZE || high) return false;
    HCRYPTPROV provider;
    if (!CryptAcquireContextW(&provider, NULL, NULL, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return false;
    HCRYPTHASH hash;
    bool same = false;
    if (CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash)) {
        BYTE block[READ_BLOCK], digest[sizeof ours];
        DWORD n, total = 0, size = sizeof digest;
        bool read;
        while ((read = ReadFile(file, block, sizeof block, &n, NULL) != FALSE) && n &&
               (read = CryptHashData(hash, block, n, 0) != FALSE))
            total += n;
        same = read && total == ZUV_LOGO_SIZE && CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) &&
               size == sizeof digest && memcmp(digest, ours, sizeof ours) == 0;
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return same;
}

// The files the installer puts beside the module under names any plug-in
// may use, each with the test that tells ours from another's.
struct Companion {
    const WCHAR* name;
    bool (*isOurs)(HANDLE file);
};
static const Companion Companions[] = { { L"helpfile.html", IsOurHelpPage }, { L"zvlogo.jpg", IsOurLogo } };

// `path` read by `isOurs`; false when it cannot be read, as then it cannot
// be told for ours.
static bool IsOurs(const WCHAR* path, bool (*isOurs)(HANDLE file))
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ours = isOurs(file);
    CloseHandle(file);
    return ours;
}

// Removes `path`, of ours, if it is there; what could not be removed is
// named in `removal`'s list. The registrar's answer is not trusted: what is
// still there after it is what counts.
static void RemoveFile(Removal* removal, const WCHAR* path)
{
    if (!Exists(path)) return;
    if (removal->registrar)
        ((RegistrarDeleteItemProc)(*(void***)removal->registrar)[REGISTRAR_DELETE_ITEM_SLOT])(removal->registrar, path);
    else
        DeleteFileW(path);
    if (!Exists(path)) return;
    // Every path here is shorter than MAX_PATH: a line for each of the
    // first LEFT_LINES, then one "...".
    if (removal->leftLines < LEFT_LINES) {
        lstrcatW(removal->left, path);
        lstrcatW(removal->left, L"\n");
    } else if (removal->leftLines == LEFT_LINES) {
        lstrcatW(removal->left, L"...\n");
    }
    ++removal->leftLines;
}

static void RemoveAside(const WCHAR* aside, DWORD, void* removal) { RemoveFile((Removal*)removal, aside); }

void UninstallPlugin(HINSTANCE module, HWND page)
{
    Removal removal;
    removal.registrar = OpenRegistrar();
    removal.left[0] = 0;
    removal.leftLines = 0;
    WCHAR path[MAX_PATH];
    // Another plug-in's file of the same name is left alone, and not named.
    for (const Companion& companion : Companions)
        if (BesideModule(module, companion.name, path) && IsOurs(path, companion.isOurs)) RemoveFile(&removal, path);
    // The module itself is the player's to delete once it has freed it.
    if (BesideModule(module, MODULE_NAME, path)) ForEachAsideFile(path, RemoveAside, &removal);

    if (MachineSettingsPath(path) && Exists(path)) {
        WCHAR question[sizeof RemoveSettingsFormat / sizeof(WCHAR) + MAX_PATH];
        wsprintfW(question, RemoveSettingsFormat, path);
        if (MessageBoxW(page, question, L"ZUV", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
            RemoveFile(&removal, path);
    }
    if (removal.registrar) removal.registrar->Release();

    if (removal.left[0]) {
        WCHAR text[sizeof LeftOverHead / sizeof(WCHAR) + LEFT_ROOM + sizeof LeftOverTail / sizeof(WCHAR)];
        lstrcpyW(text, LeftOverHead);
        lstrcatW(text, removal.left);
        lstrcatW(text, LeftOverTail);
        MessageBoxW(page, text, L"ZUV", MB_OK | MB_ICONWARNING);
    }
}
