// A stand-in for the player, for tests and the demo; it never ships.
// It honours the player's touch points: a top-level window of class
// "Winamp v1.x" that shuts down on WM_CLOSE; or of the class that paths.ini
// beside it names in [Winamp] class=, its variables expanded, cut to 63
// characters. It appends what happens to it to
// winamp.log beside itself, starting with the line
//   started args=[<command line arguments>] parent=<id>:<exe name> dir=<current directory>
//
// A file standin.mode beside it, written by a test, picks a misbehaviour:
//   ignore-close  WM_CLOSE does nothing
//   hang          the window never answers messages
//   slow-exit     holds plugins\dsp_zv.dll open without sharing and, after
//                 WM_CLOSE, takes 1.5 s to exit and let it go
//   exit-writes-ini  on its way out writes winamp.ini afresh, as the player
//                 does, with the bytes of exit.ini beside it
//
// At start, before its window, it runs its DSP plug-in as the player does:
// the module named by winamp.ini's dspplugin_name= in section [Winamp], from
// its plugins folder (or the folder DSPDir= names there, ASCII here), module
// number dspplugin_num=. It feeds the module 1 s of
// a 60 Hz and 5 kHz mix (44.1 kHz, 16-bit stereo) in blocks of 576 frames and
// logs what came out:
//   dsp none                                  no module named
//   dsp failed <what> ...                     the module could not be run
//   dsp loaded <name> index <n>
//   dsp processed <frames> frames in <blocks> blocks
//   dsp energy low=<a> high=<b> in_low=<c> in_high=<d>
// where a..d are the amplitudes, in 16-bit steps, of the 60 Hz and 5 kHz
// components of the left channel over the last half second, after and before
// the module.
//
// WM_COMMAND STANDIN_UNINSTALL, posted by a test, is Preferences, DSP/Effect,
// Uninstall on that module: a Preferences window with a page in it, the
// module loaded, its winampUninstallPlugin called with the page (if it has
// one), the module freed and, on 0, deleted:
//   uninstall <name> returned <n>      or  uninstall <name> has no export
//   uninstall deleted <name>           or  uninstall kept <name> error <e>
// Its window answers WM_USER lParam 3045 with a file registrar, whose
// DeleteItem does what the player's does: SHFileOperation's FO_DELETE with
// FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_SILENT | FOF_NOERRORUI, which on
// Windows takes read-only files too, into the Recycle Bin:
//   registrar given wparam=<w>
//   registrar delete <path, UTF-8>
//   registrar released                 when the last reference goes
#include <windows.h>
#include <shellapi.h>
#include <math.h>
#include <string.h>

#include "../../plugin/dsp_module.h"
#include "parent.h"

enum { STANDIN_UNINSTALL = 40001 };

static char g_folder[MAX_PATH];
static char g_mode[32];
static HANDLE g_heldModule = INVALID_HANDLE_VALUE;

static void Log(const char* line)
{
    char path[MAX_PATH + 16];
    lstrcpyA(path, g_folder);
    lstrcatA(path, "winamp.log");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(file, line, lstrlenA(line), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

static void ReadMode()
{
    char path[MAX_PATH + 16];
    lstrcpyA(path, g_folder);
    lstrcatA(path, "standin.mode");
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD n = 0;
    ReadFile(file, g_mode, sizeof g_mode - 1, &n, NULL);
    g_mode[n] = 0;
    CloseHandle(file);
    for (char* p = g_mode; *p; ++p)
        if (*p == '\r' || *p == '\n' || *p == ' ') *p = 0;
}

enum { DSP_RATE = 44100, DSP_FRAMES = DSP_RATE, DSP_BLOCK = 576 };
static const double Pi = 3.14159265358979323846;
static short g_signal[2 * DSP_FRAMES], g_heard[2 * DSP_FRAMES];

// Amplitude of the `hz` component of the left channel over the last half
// second (whole periods of both tones), by the Goertzel recurrence.
static int Amplitude(const short* samples, double hz)
{
    double w = 2 * Pi * hz / DSP_RATE, k = 2 * cos(w), s1 = 0, s2 = 0;
    for (int i = DSP_FRAMES / 2; i < DSP_FRAMES; ++i) {
        double s = samples[2 * i] + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    double re = s1 - s2 * cos(w), im = s2 * sin(w);
    return (int)(2 * sqrt(re * re + im * im) / (DSP_FRAMES / 2) + 0.5);
}

// The DSP module winamp.ini names: its file name (MAX_PATH) and its path
// (2 * MAX_PATH + 16) and number; false when none is named.
static bool FindDspModule(char* name, char* path, int* index)
{
    char ini[MAX_PATH + 16];
    lstrcpyA(ini, g_folder);
    lstrcatA(ini, "winamp.ini");
    GetPrivateProfileStringA("Winamp", "dspplugin_name", "", name, MAX_PATH, ini);
    *index = (int)GetPrivateProfileIntA("Winamp", "dspplugin_num", 0, ini);
    if (!name[0]) return false;
    // DSP modules come from DSPDir alone once it is set.
    GetPrivateProfileStringA("Winamp", "DSPDir", "", path, MAX_PATH, ini);
    if (!path[0]) {
        lstrcpyA(path, g_folder);
        lstrcatA(path, "plugins");
    }
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return true;
}

static void RunDspPlugin()
{
    char name[MAX_PATH], path[2 * MAX_PATH + 16], line[3 * MAX_PATH];
    int index;
    if (!FindDspModule(name, path, &index)) {
        Log("dsp none");
        return;
    }
    // A damaged module must fail quietly, not with a system message box.
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryA(path);
    SetErrorMode(oldMode);
    if (!library) {
        wsprintfA(line, "dsp failed load %s error %lu", name, GetLastError());
        Log(line);
        return;
    }
    DspGetHeaderProc getHeader = (DspGetHeaderProc)(void*)GetProcAddress(library, DSP_EXPORT_NAME);
    DspHeader* header = getHeader ? getHeader(NULL) : NULL;
    DspModule* module = header && header->version == DSP_HEADER_VERSION ? header->getModule(index) : NULL;
    if (!getHeader || !header) {
        wsprintfA(line, "dsp failed export %s", name);
    } else if (header->version != DSP_HEADER_VERSION) {
        wsprintfA(line, "dsp failed version %s 0x%x", name, header->version);
    } else if (!module) {
        wsprintfA(line, "dsp failed index %s %d", name, index);
    } else {
        wsprintfA(line, "dsp loaded %s index %d", name, index);
    }
    Log(line);
    if (!module) {
        FreeLibrary(library);
        return;
    }

    module->hwndParent = NULL;
    module->hDllInstance = library;
    int result = module->Init(module);
    if (result != 0) {
        wsprintfA(line, "dsp failed init %s result %d", name, result);
        Log(line);
        FreeLibrary(library);
        return;
    }
    for (int i = 0; i < DSP_FRAMES; ++i) {
        double v = 0.2 * sin(2 * Pi * 60 * i / DSP_RATE) + 0.1 * sin(2 * Pi * 5000 * i / DSP_RATE);
        g_signal[2 * i] = g_signal[2 * i + 1] = (short)(v * 32767);
    }
    memcpy(g_heard, g_signal, sizeof g_heard);
    int blocks = 0, frames = 0;
    for (int at = 0; at < DSP_FRAMES; at += DSP_BLOCK, ++blocks) {
        int n = DSP_FRAMES - at < DSP_BLOCK ? DSP_FRAMES - at : DSP_BLOCK;
        int left = module->ModifySamples(module, g_heard + 2 * at, n, 16, 2, DSP_RATE);
        if (left != n) {
            wsprintfA(line, "dsp failed frames block %d gave %d of %d", blocks, left, n);
            Log(line);
            break;
        }
        frames += n;
    }
    module->Quit(module);
    FreeLibrary(library);
    wsprintfA(line, "dsp processed %d frames in %d blocks", frames, blocks);
    Log(line);
    wsprintfA(line, "dsp energy low=%d high=%d in_low=%d in_high=%d", Amplitude(g_heard, 60),
              Amplitude(g_heard, 5000), Amplitude(g_signal, 60), Amplitude(g_signal, 5000));
    Log(line);
}

// The player's file registrar as a module meets it (dsp_module.h): IFileTypeRegistrar's
// layout, IUnknown's three methods and then twenty more of its own before
// DeleteItem, the only one that does anything here.
struct Registrar {
    void* const* methods;
    LONG references;
};
static const GUID IID_Unknown = { 0, 0, 0, { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 } };

static HRESULT STDMETHODCALLTYPE RegistrarQuery(Registrar* self, REFIID iid, void** out)
{
    *out = IsEqualGUID(iid, IID_FileTypeRegistrar) || IsEqualGUID(iid, IID_Unknown) ? self : NULL;
    if (!*out) return E_NOINTERFACE;
    ++self->references;
    return S_OK;
}

static ULONG STDMETHODCALLTYPE RegistrarAddRef(Registrar* self) { return ++self->references; }

static ULONG STDMETHODCALLTYPE RegistrarRelease(Registrar* self)
{
    if (--self->references == 0) Log("registrar released");
    return self->references;
}

static HRESULT STDMETHODCALLTYPE RegistrarOther(Registrar*) { return E_NOTIMPL; }

static HRESULT STDMETHODCALLTYPE RegistrarDeleteItem(Registrar*, LPCWSTR path)
{
    char line[3 * MAX_PATH + 32] = "registrar delete ";
    WideCharToMultiByte(CP_UTF8, 0, path, -1, line + lstrlenA(line), 3 * MAX_PATH, NULL, NULL);
    Log(line);
    // pFrom is a list: the path and a second NUL.
    WCHAR from[MAX_PATH + 1];
    int length = lstrlenW(path);
    if (length >= MAX_PATH) return E_INVALIDARG;
    lstrcpyW(from, path);
    from[length + 1] = 0;
    // Windows' shell deletes a read-only file without a word under
    // FOF_NOCONFIRMATION; wine's refuses it with error 5, so its mark goes
    // first, and comes back if the file stays.
    DWORD attributes = GetFileAttributesW(path);
    bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    SHFILEOPSTRUCTW operation;
    ZeroMemory(&operation, sizeof operation);
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_SILENT | FOF_NOERRORUI;
    int result = SHFileOperationW(&operation);
    if (readOnly && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, attributes);
    return result == 0 && !operation.fAnyOperationsAborted ? S_OK : E_FAIL;
}

#define OTHER (void*)RegistrarOther
static void* const g_registrarMethods[REGISTRAR_DELETE_ITEM_SLOT + 1] = {
    (void*)RegistrarQuery, (void*)RegistrarAddRef, (void*)RegistrarRelease,
    OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER,
    OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER, OTHER,
    (void*)RegistrarDeleteItem,
};
#undef OTHER
static Registrar g_registrar = { g_registrarMethods, 0 };

// Preferences, DSP/Effect, Uninstall, as the player does it.
static void UninstallDspPlugin(HWND player)
{
    char name[MAX_PATH], path[2 * MAX_PATH + 16], line[3 * MAX_PATH];
    int index;
    if (!FindDspModule(name, path, &index)) return;
    HWND preferences = CreateWindowA("STATIC", "Preferences (stand-in)", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                                     320, 200, player, NULL, NULL, NULL);
    HWND page = CreateWindowA("STATIC", "DSP/Effect", WS_CHILD | WS_VISIBLE, 0, 0, 300, 160, preferences, NULL, NULL,
                              NULL);
    HMODULE library = LoadLibraryA(path);
    DspUninstallProc uninstall =
        library ? (DspUninstallProc)(void*)GetProcAddress(library, DSP_UNINSTALL_EXPORT_NAME) : NULL;
    int result = uninstall ? uninstall(library, page, 0) : DSP_PLUGIN_UNINSTALL_NOW;
    wsprintfA(line, uninstall ? "uninstall %s returned %d" : "uninstall %s has no export", name, result);
    Log(line);
    if (library) FreeLibrary(library);
    DestroyWindow(preferences);
    if (result != DSP_PLUGIN_UNINSTALL_NOW) return;
    if (DeleteFileA(path))
        wsprintfA(line, "uninstall deleted %s", name);
    else
        wsprintfA(line, "uninstall kept %s error %lu", name, GetLastError());
    Log(line);
}

static LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_USER: {
        if (lParam != IPC_GET_FILEREGISTRAR_OBJECT) return 0;
        char line[64];
        wsprintfA(line, "registrar given wparam=%d", (int)wParam);
        Log(line);
        ++g_registrar.references;
        return (LRESULT)&g_registrar;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == STANDIN_UNINSTALL) UninstallDspPlugin(window);
        return 0;
    case WM_CLOSE:
        if (lstrcmpA(g_mode, "ignore-close") == 0) {
            Log("close ignored");
            return 0;
        }
        Log("closed");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    char parent[PARENT_TEXT_BUFFER];
    DescribeParent(parent);
    GetModuleFileNameA(NULL, g_folder, sizeof g_folder);
    char* slash = strrchr(g_folder, '\\');
    if (slash) slash[1] = 0;
    ReadMode();

    char line[1024], directory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, directory);
    wsprintfA(line, "started args=[%.400s] %s dir=%s", commandLine, parent, directory);
    Log(line);

    // Before slow-exit's hold on the module, which would keep it from loading.
    RunDspPlugin();

    if (lstrcmpA(g_mode, "slow-exit") == 0) {
        char module[MAX_PATH + 32];
        lstrcpyA(module, g_folder);
        lstrcatA(module, "plugins\\dsp_zv.dll");
        g_heldModule = CreateFileA(module, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
        Log(g_heldModule != INVALID_HANDLE_VALUE ? "holding module" : "no module to hold");
    }

    char pathsIni[MAX_PATH + 16], named[256], windowClass[64] = "Winamp v1.x";
    lstrcpyA(pathsIni, g_folder);
    lstrcatA(pathsIni, "paths.ini");
    if (GetPrivateProfileStringA("Winamp", "class", "", named, sizeof named, pathsIni)) {
        char expanded[1024];
        if (ExpandEnvironmentStringsA(named, expanded, sizeof expanded)) lstrcpynA(windowClass, expanded, sizeof windowClass);
    }

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = PlayerWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = windowClass;
    RegisterClassA(&wc);
    HWND window = CreateWindowA(windowClass, "Winamp (stand-in)", WS_OVERLAPPEDWINDOW, 40, 40, 275, 116,
                                NULL, NULL, instance, NULL);
    ShowWindow(window, show);

    if (lstrcmpA(g_mode, "hang") == 0) {
        Log("hanging");
        Sleep(60000);
    }

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (g_heldModule != INVALID_HANDLE_VALUE) {
        Sleep(1500);
        CloseHandle(g_heldModule);
        Log("module released");
    }
    if (lstrcmpA(g_mode, "exit-writes-ini") == 0) {
        char from[MAX_PATH + 16], to[MAX_PATH + 16];
        wsprintfA(from, "%sexit.ini", g_folder);
        wsprintfA(to, "%swinamp.ini", g_folder);
        Log(CopyFileA(from, to, FALSE) ? "ini written" : "ini not written");
    }
    Log("exited");
    return 0;
}
