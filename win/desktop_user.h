// The desktop user: the account whose desktop shell runs, who may not be the
// account the installer was elevated with. Their token, running as them and
// back, and their folders and environment.
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

// The lookups of the desktop user's folders and environment: their token,
// and userenv's expansion, loaded before any impersonation and kept until
// EndDesktopLookups, after the last one.
struct DesktopLookups {
    HANDLE token;
    HMODULE userenv;
    ExpandForUserProc expand;
};
// `lookups` for `whose` desktop (its token as OpenDesktopUser gave it, or
// NULL), and `folders` to pass to FindSettingsFile.
void BeginDesktopLookups(DesktopLookups* lookups, DesktopUser whose, HANDLE token, FolderLookups* folders);
void EndDesktopLookups(DesktopLookups* lookups);
