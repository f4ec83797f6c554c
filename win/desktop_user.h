// The desktop user: the account whose desktop shell runs, who may not be the
// account the installer was elevated with. Their token, running as them and
// back, their folders and environment, and their registry hive.
#pragma once
#include <windows.h>

#include "../core/settings_folder.h"

// Who the desktop belongs to. `token` gets the shell's process token
// (TOKEN_QUERY, TOKEN_IMPERSONATE, TOKEN_DUPLICATE) when it can be opened;
// the caller closes it.
DesktopUser OpenDesktopUser(HANDLE* token);

// Running as `user` (nothing happens for NULL) and back. Load no library in
// between: it would be looked up through that user's drive letters. A thread
// that cannot revert ends the process.
bool BeginAsUser(HANDLE user);
void EndAsUser(HANDLE user);

typedef BOOL(WINAPI* ExpandForUserProc)(HANDLE, LPCWSTR, LPWSTR, DWORD);
typedef HRESULT(WINAPI* FolderPathProc)(HWND, int, HANDLE, DWORD, LPWSTR);

// The lookups of the desktop user's folders and environment: their token,
// userenv's expansion and shell32's folders, each library loaded at its
// first use (before the impersonation); userenv is kept until
// EndDesktopLookups, after the last one, shell32 for good (KeptSystemLibrary).
struct DesktopLookups {
    HANDLE token;
    HMODULE userenv;
    ExpandForUserProc expand;
    FolderPathProc folderPath;
};
// `lookups` for `whose` desktop (its token as OpenDesktopUser gave it, or
// NULL), and `folders` to pass to FindSettingsFile (NULL: not wanted).
void BeginDesktopLookups(DesktopLookups* lookups, DesktopUser whose, HANDLE token, FolderLookups* folders);
void EndDesktopLookups(DesktopLookups* lookups);
// `text` with the %NAME%s of `token`'s user, or of the system alone for
// NULL; false when they cannot be had or the result does not fit `count`.
bool ExpandForUser(DesktopLookups* lookups, HANDLE token, const WCHAR* text, WCHAR* out, DWORD count);

// The desktop user's own registry hive, opened (for reading) as them:
// HKEY_CURRENT_USER when they are the installer's own account; NULL when
// they are unknown or it cannot be opened. CloseDesktopUserHive after use.
HKEY OpenDesktopUserHive(DesktopUser whose, HANDLE token);
void CloseDesktopUserHive(HKEY hive);
