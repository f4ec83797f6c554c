// Copying the plug-in's files, starting the player, help.
#include <windows.h>
#include <shellapi.h>

#include "desktop_user.h"
#include "file_helpers.h"
#include "library_search.h"
#include "operations.h"
#include "replace_file.h"
#include "../core/paths.h"
#include "../core/player.h"

// Each file is written under this name beside its destination, then renamed
// over it: a name the player never loads (no ending in ".dll"), and no longer
// than theirs, so it fits wherever they do.
#define COPY_TEMP_NAME "~zuv.tmp"

// The plug-in's files sit beside the installer, wherever the current
// directory happens to be. Wide: in a folder such as C:\Users\Łukasz\, the
// ANSI name of the program is a best-fit guess that names nothing.
bool SourceFilePath(const char* name, WCHAR* out, size_t count)
{
    WCHAR module[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(NULL, module, MAX_PATH + 1);
    // A result that fills the buffer has been cut short.
    if (n == 0 || n >= MAX_PATH) return false;
    WCHAR* slash = module + n;
    while (slash > module && slash[-1] != '\\') --slash;
    *slash = 0;
    if ((size_t)(slash - module) + lstrlenA(name) >= count) return false;
    wsprintfW(out, L"%s%S", module, name);
    return true;
}

static bool SourceReadable(const char* name)
{
    WCHAR source[MAX_PATH];
    return SourceFilePath(name, source, MAX_PATH) && CanReadFile(source);
}

bool AllSourceFilesReadable()
{
    for (const char* name : PluginFileList)
        if (!SourceReadable(name)) return false;
    return true;
}

bool AnySourceFilePresent()
{
    for (const char* name : PluginFileList)
        if (SourceReadable(name)) return true;
    return false;
}

bool ReadFileVersion(const WCHAR* path, unsigned long long* version)
{
    // As data: none of the module's code runs, and its imports are not loaded.
    HMODULE module = LoadLibraryExW(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return false;
    bool ok = false;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));   // RT_VERSION
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const BYTE* block = loaded ? (const BYTE*)LockResource(loaded) : NULL;
    // VS_VERSIONINFO: lengths, type, L"VS_VERSION_INFO" and its padding, then
    // VS_FIXEDFILEINFO at 40, which opens with its signature.
    if (block && SizeofResource(module, found) >= 40 + 52 && *(const WORD*)(block + 2) >= 52 &&
        *(const DWORD*)(block + 40) == 0xFEEF04BD) {
        *version = (unsigned long long)*(const DWORD*)(block + 48) << 32 | *(const DWORD*)(block + 52);
        ok = true;
    }
    FreeLibrary(module);
    return ok;
}

// `name` in `folder` (with its backslash); false when there is no folder
// (never the current directory) or the path is longer than the 255
// characters a destination may have.
static bool DestinationPath(const WCHAR* folder, const char* name, WCHAR* out)
{
    if (!folder[0] || lstrlenW(folder) + lstrlenA(name) >= PATH_BUFFER) return false;
    wsprintfW(out, L"%s%S", folder, name);
    return true;
}

bool InstalledModuleIsNewer(const WCHAR* folder, HANDLE user, unsigned long long* installed, unsigned long long* ours)
{
    WCHAR there[MAX_PATH], here[MAX_PATH];
    if (!DestinationPath(folder, PLUGIN_MODULE_NAME, there) || !BeginAsUser(user)) return false;
    // Mapped as data from the path the user's settings name: no import is
    // looked up and no code runs, so this loads nothing as that user.
    bool found = ReadFileVersion(there, installed);
    EndAsUser(user);
    return found && SourceFilePath(PLUGIN_MODULE_NAME, here, MAX_PATH) && ReadFileVersion(here, ours) &&
           *installed > *ours;
}

// Leftovers of earlier runs, whose module was in use then: each one that
// can go now goes; one still held waits for the restart asked to delete it.
static void DeleteAside(const WCHAR* aside, DWORD attributes, void*)
{
    // DeleteFileW refuses a read-only file, and a module marked so keeps
    // the mark when it is moved aside. Kept as it was while still in use.
    DWORD readOnly = attributes & FILE_ATTRIBUTE_READONLY;
    if (readOnly) SetFileAttributesW(aside, attributes & ~readOnly);
    if (!DeleteFileW(aside) && readOnly) SetFileAttributesW(aside, attributes);
}

// A module loaded by another session's player cannot be overwritten or
// replaced but can be renamed: move it aside, into `aside`, so the new one
// can take its name. Only a plain file: a folder or a reparse point in its
// place stays where it is, and the copy fails as it did before (error 5).
static bool MoveAside(const WCHAR* path, WCHAR* aside)
{
    if (!IsPlainFile(GetFileAttributesW(path))) return false;
    for (int n = 1; n <= ASIDE_NAMES && AsideName(path, n, aside); ++n) {
        if (MoveFileW(path, aside)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

// More than the largest of the files holds, so each is one write from memory.
static char g_copyBuffer[65536];

// The source file `context` into `out`.
static bool WriteSourceCopy(HANDLE out, void* context)
{
    HANDLE in = OpenWaiting((const WCHAR*)context, FILE_SHARE_READ);
    if (in == INVALID_HANDLE_VALUE) return false;
    DWORD got;
    bool ok;
    while ((ok = ReadFile(in, g_copyBuffer, sizeof g_copyBuffer, &got, NULL)) && got &&
           (ok = WriteAll(out, g_copyBuffer, got))) {
    }
    CloseHandle(in);
    return ok;
}

static CopyResult CopyFiles(const WCHAR* folder, HANDLE user, const char** failed, bool* refused)
{
    for (const char* name : PluginFileList) {
        WCHAR source[MAX_PATH], destination[MAX_PATH], temp[MAX_PATH], asidePath[MAX_PATH];
        *failed = name;
        // The source first, so a failed copy of a readable file can be
        // blamed on the destination.
        if (!SourceFilePath(name, source, MAX_PATH) || !CanReadFile(source)) return COPY_SOURCE_MISSING;
        if (!DestinationPath(folder, name, destination) || !DestinationPath(folder, COPY_TEMP_NAME, temp))
            return COPY_WRITE_FAILED;
        // A folder of that name can be neither replaced nor moved aside:
        // nothing is written.
        DWORD there = GetFileAttributesW(destination);
        if (there != INVALID_FILE_ATTRIBUTES && (there & FILE_ATTRIBUTE_DIRECTORY)) return COPY_WRITE_FAILED;
        ForEachAsideFile(destination, DeleteAside, NULL);
        // Whole on disk beside the destination before one rename puts it
        // there: ended at any moment, the destination is the old file or the
        // new one, never a part of it. A temporary copy that a run cut short
        // left goes first. Error 5 here: the folder is refused.
        if (!WriteWholeFile(temp, FILE_ATTRIBUTE_NORMAL, WriteSourceCopy, source)) {
            *refused = GetLastError() == ERROR_ACCESS_DENIED;
            return COPY_WRITE_FAILED;
        }
        if (RenameOver(temp, destination)) continue;
        // Error 5 over the file, as a module in use refuses the rename: it is
        // moved aside, and the copy already on disk takes its place at once,
        // so that the player is without its module for no more than the
        // moment between two renames. What cannot be moved for want of rights
        // is a refusal too.
        *refused = GetLastError() == ERROR_ACCESS_DENIED;
        bool aside = MoveAside(destination, asidePath);
        *refused |= !aside && GetLastError() == ERROR_ACCESS_DENIED;
        if (!aside || !RenameOver(temp, destination)) {
            // The player keeps the module it had rather than none at all.
            if (aside) RenameOver(asidePath, destination);
            DeleteKeepingError(temp);
            return COPY_WRITE_FAILED;
        }
        // Only now, with the new module in place, may Windows delete the old
        // one at its next start. Not in a folder of the desktop user's own
        // (that registration is an administrator's), nor without the right
        // to register (not elevated): it then stays until a later run.
        if (!user) MoveFileExW(asidePath, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    *failed = NULL;
    return COPY_DONE;
}

typedef DWORD(WINAPI* FinalPathProc)(HANDLE, LPWSTR, DWORD, DWORD);
typedef int(WINAPI* OrdinalCompareProc)(LPCWSTR, int, LPCWSTR, int, BOOL);

// A folder held open, and its path as Windows resolves it: every junction
// and link followed, no "." or "..". Without FILE_SHARE_DELETE, and with
// read access (a handle that reads no data takes no part in sharing checks),
// so that neither it nor a folder above it can be renamed while it is open.
// INVALID_HANDLE_VALUE where it cannot be had.
static HANDLE ResolvedPath(FinalPathProc finalPath, const WCHAR* folder, WCHAR* out)
{
    HANDLE handle = CreateFileW(folder, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    DWORD n = finalPath(handle, out, MAX_PATH, 0);   // \\?\C:\..., normalized
    if (n > 0 && n < MAX_PATH - 1) return handle;    // room for a backslash
    CloseHandle(handle);
    return INVALID_HANDLE_VALUE;
}

bool FolderLiesInside(const WCHAR* folder, const WCHAR* outer, WCHAR* resolved, HANDLE* held)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FinalPathProc finalPath = (FinalPathProc)(void*)GetProcAddress(kernel, "GetFinalPathNameByHandleW");
    OrdinalCompareProc compare = (OrdinalCompareProc)(void*)GetProcAddress(kernel, "CompareStringOrdinal");
    WCHAR base[MAX_PATH];
    HANDLE handle = finalPath && compare ? ResolvedPath(finalPath, outer, base) : INVALID_HANDLE_VALUE;
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    if ((*held = ResolvedPath(finalPath, folder, resolved)) == INVALID_HANDLE_VALUE) return false;
    int n = lstrlenW(base), m = lstrlenW(resolved);
    if (base[n - 1] == '\\') --n;   // a drive's root keeps its backslash
    // As NTFS matches names: ordinally, by its own upper-case table. A
    // linguistic compare (lstrcmpiW) takes the Angstrom sign for Å.
    if (m >= n && (!resolved[n] || resolved[n] == '\\') && compare(resolved, n, base, n, TRUE) == CSTR_EQUAL) {
        if (resolved[m - 1] != '\\') lstrcatW(resolved, L"\\");
        return true;
    }
    CloseHandle(*held);
    return false;
}

CopyResult CopyPluginFiles(const WCHAR* folder, HANDLE user, const WCHAR* playerFolder, const char** failed)
{
    *failed = PLUGIN_MODULE_NAME;
    bool refused = false;
    CopyResult result = BeginAsUser(user) ? CopyFiles(folder, user, failed, &refused) : COPY_WRITE_FAILED;
    EndAsUser(user);   // RevertToSelf without an impersonation does nothing
    // The user's DSP folder inside the player's own (under Program Files,
    // which users may not write): the installer's rights, as for the
    // plug-ins folder beside it. Into the folder as resolved, and held so
    // that no part of its path can be renamed meanwhile: a junction of the
    // user's swapped, or a folder renamed, leads nowhere else.
    WCHAR resolved[MAX_PATH];
    HANDLE held;
    if (result == COPY_WRITE_FAILED && refused && user && FolderLiesInside(folder, playerFolder, resolved, &held)) {
        result = CopyFiles(resolved, NULL, failed, &refused);
        CloseHandle(held);
    }
    return result;
}

// The application name is given on its own, so a folder with spaces cannot
// start C:\Program.exe; the command line quotes it for the player.
static bool StartDirectly(const WCHAR* path, const WCHAR* folder)
{
    WCHAR commandLine[MAX_PATH + 2];
    wsprintfW(commandLine, L"\"%s\"", path);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info;
    if (!CreateProcessW(path, commandLine, NULL, NULL, FALSE, 0, NULL, folder, &startup, &info)) return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool LaunchPlayer(const WCHAR* program)
{
    HCURSOR previous = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    WCHAR folder[MAX_PATH];
    lstrcpynW(folder, program, MAX_PATH);
    FolderOfWidePath(folder);
    const WCHAR* directory = folder[0] ? folder : NULL;
    // Through Explorer, as the desktop's user; directly only without it.
    ShellStart shell = StartAsDesktopUser(program, directory);
    bool started = shell == SHELL_UNREACHABLE ? StartDirectly(program, directory) : shell != SHELL_NOT_STARTED;
    if (previous) SetCursor(previous);
    return started;
}

bool OpenDocument(const WCHAR* file)
{
    ShellStart started = StartAsDesktopUser(file, NULL);
    if (started != SHELL_UNREACHABLE) return started != SHELL_NOT_STARTED;
    SHELLEXECUTEINFOW request;
    ZeroMemory(&request, sizeof request);
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_FLAG_DDEWAIT;
    request.lpVerb = L"open";
    request.lpFile = file;
    request.nShow = SW_SHOWNORMAL;
    // shell32 is loaded only here: imported, it would be loaded (and half of
    // COM with it, under wine) at every start. It stays loaded: the viewer's
    // DDE conversation or a shell extension may still be using it.
    typedef BOOL(WINAPI * ExecuteProc)(SHELLEXECUTEINFOW*);
    HMODULE shell32 = KeptSystemLibrary("shell32.dll");
    ExecuteProc execute = shell32 ? (ExecuteProc)(void*)GetProcAddress(shell32, "ShellExecuteExW") : NULL;
    return execute && execute(&request);
}
