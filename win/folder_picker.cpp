// The Location page's help with folders: the system's folder picker behind
// Browse, and the folder box's completion of folder names. Their libraries
// (ole32, shell32, shlwapi) are loaded when first wanted, never at start,
// and kept: the picker's callback and the completion's objects run from them.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <shlwapi.h>

#include "library_search.h"
#include "operations.h"

// Defined here rather than taken from libuuid.
static const CLSID FileOpenDialogClass = { 0xdc1c5a9c, 0xe88a, 0x4dde, { 0xa5, 0xa1, 0x60, 0xf8, 0x2a, 0x20, 0xae, 0xf7 } };

typedef HRESULT(WINAPI* InitialiseProc)(void*, DWORD);
typedef void(WINAPI* UninitialiseProc)();
typedef void(WINAPI* FreeProc)(void*);

static FARPROC Ole(const char* name) { return KeptSystemFunction("ole32.dll", name); }
static FARPROC Shell32(const char* name) { return KeptSystemFunction("shell32.dll", name); }

// `typed` cut back, folder by folder, to the nearest one that exists; only a
// full path counts.
static bool NearestFolder(const WCHAR* typed, WCHAR* out)
{
    // "C:" alone would be that drive's current folder.
    if (lstrlenW(typed) >= MAX_PATH ||
        !(typed[0] && ((typed[1] == ':' && typed[2] == '\\') || (typed[0] == '\\' && typed[1] == '\\'))))
        return false;
    lstrcpyW(out, typed);
    for (;;) {
        DWORD attributes = GetFileAttributesW(out);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
        int n = lstrlenW(out);
        while (n > 0 && out[n - 1] == '\\') --n;
        while (n > 0 && out[n - 1] != '\\') --n;
        if (n == 0) return false;
        out[n] = 0;   // with its backslash, so a drive's root stays "C:\"
    }
}

enum Picked { PICKED, CANCELLED, NO_PICKER };

// Vista's picker (IFileOpenDialog), in its folder mode.
static Picked PickWithFileDialog(HWND owner, const WCHAR* start, WCHAR* picked)
{
    typedef HRESULT(WINAPI * CreateProc)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
    typedef HRESULT(WINAPI * ItemProc)(PCWSTR, IBindCtx*, REFIID, void**);
    CreateProc create = (CreateProc)(void*)Ole("CoCreateInstance");
    FreeProc freeMemory = (FreeProc)(void*)Ole("CoTaskMemFree");
    ItemProc item = (ItemProc)(void*)Shell32("SHCreateItemFromParsingName");
    IFileOpenDialog* dialog;
    if (!create || !freeMemory || !item ||
        FAILED(create(FileOpenDialogClass, NULL, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog))))
        return NO_PICKER;
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
    IShellItem* folder;
    if (start[0] && SUCCEEDED(item(start, NULL, IID_PPV_ARGS(&folder)))) {
        dialog->SetFolder(folder);
        folder->Release();
    }
    // Cancel, or any failure: nothing picked. A path too long for the box's
    // buffers is not taken either.
    Picked result = CANCELLED;
    IShellItem* chosen;
    WCHAR* path;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&chosen))) {
        if (SUCCEEDED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            if (lstrlenW(path) < MAX_PATH) {
                lstrcpyW(picked, path);
                result = PICKED;
            }
            freeMemory(path);
        }
        chosen->Release();
    }
    dialog->Release();
    return result;
}

static int CALLBACK SelectStart(HWND window, UINT message, LPARAM, LPARAM start)
{
    if (message == BFFM_INITIALIZED && *(const WCHAR*)start) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, start);
    return 0;
}

// XP's picker (SHBrowseForFolderW), in its resizable style.
static Picked PickWithBrowseDialog(HWND owner, const WCHAR* start, WCHAR* picked)
{
    typedef LPITEMIDLIST(WINAPI * BrowseProc)(BROWSEINFOW*);
    typedef BOOL(WINAPI * PathProc)(LPCITEMIDLIST, WCHAR*);
    BrowseProc browse = (BrowseProc)(void*)Shell32("SHBrowseForFolderW");
    PathProc path = (PathProc)(void*)Shell32("SHGetPathFromIDListW");
    FreeProc freeMemory = (FreeProc)(void*)Ole("CoTaskMemFree");
    if (!browse || !path || !freeMemory) return NO_PICKER;
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = SelectStart;
    info.lParam = (LPARAM)start;
    LPITEMIDLIST list = browse(&info);
    if (!list) return CANCELLED;
    bool ok = path(list, picked);   // MAX_PATH
    freeMemory(list);
    return ok ? PICKED : CANCELLED;
}

bool PickFolder(HWND owner, const WCHAR* typed, WCHAR* picked, bool vistaPicker)
{
    // Both pickers need COM, in a single-threaded apartment, on this thread.
    InitialiseProc initialise = (InitialiseProc)(void*)Ole("CoInitializeEx");
    UninitialiseProc uninitialise = (UninitialiseProc)(void*)Ole("CoUninitialize");
    if (!initialise || !uninitialise || FAILED(initialise(NULL, COINIT_APARTMENTTHREADED))) return false;
    WCHAR start[MAX_PATH];
    if (!NearestFolder(typed, start)) start[0] = 0;
    Picked result = vistaPicker ? PickWithFileDialog(owner, start, picked) : NO_PICKER;
    if (result == NO_PICKER) result = PickWithBrowseDialog(owner, start, picked);
    uninitialise();
    return result == PICKED;
}

void CompleteFolderNames(HWND edit)
{
    // The completion's objects live as long as the box, so COM stays
    // initialised on this thread from now on.
    typedef HRESULT(WINAPI * CompleteProc)(HWND, DWORD);
    InitialiseProc initialise = (InitialiseProc)(void*)Ole("CoInitializeEx");
    CompleteProc complete = (CompleteProc)(void*)KeptSystemFunction("shlwapi.dll", "SHAutoComplete");
    if (initialise && complete && SUCCEEDED(initialise(NULL, COINIT_APARTMENTTHREADED))) complete(edit, SHACF_FILESYS_DIRS);
}
