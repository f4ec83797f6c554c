// The desktop user: who they are (the shell's token), running as them and
// back, their shell folders and environment variables, and their hive.
#include <windows.h>
#include <shlobj.h>   // CSIDL and SHGFP values

#include "desktop_user.h"
#include "file_helpers.h"
#include "library_search.h"
#include "../syslib/syexception.h"

// The user (TokenUser) of a token, SID and all.
union TokenUserInfo {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};

static bool ReadTokenUser(HANDLE token, TokenUserInfo* info)
{
    DWORD size = 0;
    return GetTokenInformation(token, TokenUser, info, sizeof *info, &size) != 0;
}

// An administrator who elevated the installer for a standard user may not
// open that user's process: the user is then unknown, and never taken to be
// the administrator.
DesktopUser OpenDesktopUser(HANDLE* token)
{
    *token = NULL;
    HWND shell = GetShellWindow();
    if (!shell) return DESKTOP_NO_SHELL;
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(shell, &pid) || !pid) return DESKTOP_UNKNOWN;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    // Vista and later grant the limited right more often; XP lacks it.
    if (!process) process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return DESKTOP_UNKNOWN;
    if (!OpenProcessToken(process, TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, token)) *token = NULL;
    CloseHandle(process);
    if (!*token) return DESKTOP_UNKNOWN;
    // Whatever runs as that user uses this token. A registry miss then
    // composes the system's message text, whose first use may load
    // libraries: have them loaded now, as ourselves.
    SySystemException::LoadTexts();
    HANDLE own;
    TokenUserInfo shellUser, ownUser;
    bool same = false;
    if (ReadTokenUser(*token, &shellUser) && OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own)) {
        same = ReadTokenUser(own, &ownUser) && EqualSid(shellUser.user.User.Sid, ownUser.user.User.Sid);
        CloseHandle(own);
    }
    return same ? DESKTOP_SAME_USER : DESKTOP_OTHER_USER;
}

bool BeginAsUser(HANDLE user)
{
    return !user || ImpersonateLoggedOnUser(user);
}

void EndAsUser(HANDLE user)
{
    // A thread that cannot go back to its own identity must not go on under
    // another's; exit code 0, as every run of the installer ends.
    if (user && !RevertToSelf()) TerminateProcess(GetCurrentProcess(), 0);
}

static bool AnsiToUtf8(const char* text, char* out, size_t size, void*)
{
    WCHAR wide[UTF8_PATH_BUFFER];
    return AnsiToWide(text, wide, UTF8_PATH_BUFFER) && WideToUtf8(wide, out, size);
}

// `function` of the system library `library`, loaded into `*module` when
// first wanted: each load costs the start or the install step time, and it
// must come before anything runs as that user. NULL when either is missing.
static FARPROC LibraryFunction(HMODULE* module, const char* library, const char* function)
{
    if (!*module) *module = LoadSystemLibrary(library);
    return *module ? GetProcAddress(*module, function) : NULL;
}

// SHGetFolderPathW, from shell32 loaded when first wanted (it brings half of
// COM along under wine). Its first call loads further libraries of its own
// (windows.storage.dll and more on Windows 10 and 11): that call is made
// here, as the installer itself, with the arguments the real one will have,
// so that nothing is loaded while running as the desktop user.
static FolderPathProc FolderPathFunction(int csidl, HANDLE token)
{
    HMODULE shell32 = KeptSystemLibrary("shell32.dll");
    FolderPathProc folderPath = shell32 ? (FolderPathProc)(void*)GetProcAddress(shell32, "SHGetFolderPathW") : NULL;
    WCHAR path[MAX_PATH];
    if (folderPath) folderPath(NULL, csidl, token, SHGFP_TYPE_CURRENT, path);
    return folderPath;
}

// The token lookups run as that user: the folder of a roaming or redirected
// profile on a server share may be theirs to see and not the installer's.
static bool ShellFolder(int csidl, bool desktopUsers, char* out, size_t size, void* context)
{
    DesktopLookups* lookups = (DesktopLookups*)context;
    HANDLE token = desktopUsers ? lookups->token : NULL;
    WCHAR path[MAX_PATH];
    if (!lookups->folderPath) lookups->folderPath = FolderPathFunction(csidl, token);
    if (!lookups->folderPath || !BeginAsUser(token)) return false;
    // SHGFP_TYPE_CURRENT and no CSIDL_FLAG_CREATE: a missing folder stays
    // missing (S_FALSE), it is never made here.
    bool ok = lookups->folderPath(NULL, csidl, token, SHGFP_TYPE_CURRENT, path) == S_OK;
    EndAsUser(token);
    return ok && path[0] && WideToUtf8(path, out, size);
}

bool ExpandForUser(DesktopLookups* lookups, HANDLE token, const WCHAR* text, WCHAR* out, DWORD count)
{
    if (!lookups->expand)
        lookups->expand = (ExpandForUserProc)(void*)LibraryFunction(&lookups->userenv, "userenv.dll",
                                                                    "ExpandEnvironmentStringsForUserW");
    if (!lookups->expand || !BeginAsUser(token)) return false;
    // Its BOOL alone says little (wine's returns the length), and a result
    // that fills the buffer may have been cut short.
    bool ok = lookups->expand(token, text, out, count) && lstrlenW(out) < (int)count - 1;
    EndAsUser(token);
    return ok;
}

static bool Variable(const char* name, bool desktopUsers, char* out, size_t size, void* context)
{
    DesktopLookups* lookups = (DesktopLookups*)context;
    WCHAR wideName[MAX_PATH], value[MAX_PATH];
    if (!Utf8ToWide(name, wideName, MAX_PATH)) return false;
    if (!desktopUsers) {
        DWORD n = GetEnvironmentVariableW(wideName, value, MAX_PATH);
        return n > 0 && n < MAX_PATH && WideToUtf8(value, out, size);
    }
    WCHAR pattern[MAX_PATH + 2];
    if (!lookups->token) return false;
    wsprintfW(pattern, L"%%%s%%", wideName);
    // An undefined name comes back as it went in.
    return ExpandForUser(lookups, lookups->token, pattern, value, MAX_PATH) && lstrcmpiW(value, pattern) != 0 &&
           WideToUtf8(value, out, size);
}

void BeginDesktopLookups(DesktopLookups* lookups, DesktopUser whose, HANDLE token, FolderLookups* folders)
{
    ZeroMemory(lookups, sizeof *lookups);
    lookups->token = token;
    if (folders) *folders = { whose, ShellFolder, Variable, AnsiToUtf8, lookups };
}

void EndDesktopLookups(DesktopLookups* lookups)
{
    if (lookups->userenv) FreeLibrary(lookups->userenv);
    lookups->userenv = NULL;
    lookups->expand = NULL;
    lookups->folderPath = NULL;
}

HKEY OpenDesktopUserHive(DesktopUser whose, HANDLE token)
{
    if (whose == DESKTOP_UNKNOWN) return NULL;
    if (whose != DESKTOP_OTHER_USER) return HKEY_CURRENT_USER;
    // HKEY_CURRENT_USER stays the installer's own account's whoever the
    // thread runs as; RegOpenCurrentUser gives the hive of the user it runs
    // as, which that user's shell keeps loaded.
    HKEY hive;
    if (!BeginAsUser(token)) return NULL;
    if (RegOpenCurrentUser(KEY_READ, &hive) != ERROR_SUCCESS) hive = NULL;
    EndAsUser(token);
    return hive;
}

void CloseDesktopUserHive(HKEY hive)
{
    if (hive && hive != HKEY_CURRENT_USER) RegCloseKey(hive);
}
