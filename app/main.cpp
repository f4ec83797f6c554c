// Entry point: find the player, seed the plug-in's settings, run the wizard.
#include "installer_state.h"
#include "../core/player.h"
#include "../res/resource.h"
#include "../ui/wizard.h"
#include "../win/library_search.h"
#include "../win/operations.h"

#include <exception>
#include <stdlib.h>
#include <unwind.h>

InstallerState g_installer;

static const char PlayerMissingText[] =
    "The Winamp player is required to use this plugin.\nPlease go to "
    PLAYER_DOWNLOAD_HOST
    " to download\nand install Winamp. Then run this program again.\n\n"
    "If Winamp is already installed on this system it may\nbe configured incorrectly. "
    "Please re-install Winamp\nand try again.";

static const char FilesMissingText[] =
    "The ZUV plug-in files were not found beside this program.\n\n"
    "Extract all the files from the download into one folder, then run this program from there.";

static void RunMessageLoop()
{
    MSG msg;
    while (g_installer.running) {
        // Filtered on the wizard: only its own and its controls' messages.
        // -1 means the window is gone; waiting on would spin for ever.
        if (GetMessageA(&msg, g_installer.wizardWindow, 0, 0) == -1) break;
        if (!IsDialogMessageA(g_installer.wizardWindow, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before anything can load a library: a DLL planted beside the installer
    // (in Downloads, say) must not be loaded into an elevated process.
    RestrictLibrarySearch();
    g_installer.instance = instance;
    if (!LocatePlayer(g_installer.pluginsPath)) {
        MessageBoxA(NULL, PlayerMissingText, "QEL ZUV!!", MB_ICONERROR);
        return 0;
    }
    // Nothing can be installed; say so before anything is written or closed.
    if (!AnySourceFilePresent()) {
        MessageBoxA(NULL, FilesMissingText, "ZUV", MB_OK | MB_ICONERROR);
        return 0;
    }
    // The folder found holds at most 255 characters, so this always fits.
    AppendText(g_installer.pluginsPath, sizeof g_installer.pluginsPath, PLAYER_PLUGINS_DIR "\\");
    SeedPluginSettings();

    g_installer.wizardWindow =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, WizardDialogProc, 0);
    if (!g_installer.wizardWindow) return 0;
    g_installer.currentPage = PAGE_WELCOME;
    SetUpPage(PAGE_WELCOME);
    ShowWindow(g_installer.wizardWindow, SW_SHOW);
    g_installer.running = true;
    RunMessageLoop();
    return 0;
}

// libstdc++'s default terminate handler prints demangled type names and drags
// the whole demangler into the executable; a GUI program has nowhere to print.
namespace __gnu_cxx {
void __verbose_terminate_handler() { abort(); }
}

// The mingw start-up code mends "pseudo relocations", references to data
// in DLLs that the linker could only auto-import; its relocator brings a
// section walker and error printing (2 KB). The installer is linked with
// --disable-runtime-pseudo-reloc, so the linker makes none (such an import
// then fails the link instead), and there is nothing to mend.
extern "C" void _pei386_runtime_relocator() {}

// The exception in flight, and how many are, for the one thread that throws:
// the registry error, raised and caught on the window's thread. libstdc++'s
// own copies are per thread, and mingw keeps those through emulated TLS,
// whose runtime would add 2 KB to the file. Same layout as libstdc++'s
// __cxa_eh_globals on x86.
struct ExceptionGlobals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};
static ExceptionGlobals g_exceptionGlobals;
extern "C" void* __cxa_get_globals() { return &g_exceptionGlobals; }
extern "C" void* __cxa_get_globals_fast() { return &g_exceptionGlobals; }

// The thrown object's storage. libstdc++'s own allocator keeps an emergency
// pool for an exception thrown when memory is out, made at start-up (a 19 KB
// allocation) and guarded by a gthreads mutex; the pool, the mutex and
// libgcc's win32 thread glue would add 5 KB to the file. The registry error
// is not thrown for want of memory, so the heap serves. libstdc++ puts its
// header, __cxa_refcounted_exception, right before the thrown object and
// finds it there by its size; this is its layout on i686 with DWARF unwinding
// (96 bytes: the unwinder's part, last, is aligned to 16).
struct RefcountedException {
    int referenceCount;
    struct {
        void* type;
        void (*destructor)(void*);
        void (*unexpectedHandler)();
        void (*terminateHandler)();
        void* next;
        int handlerCount;
        int handlerSwitchValue;
        const unsigned char* actionRecord;
        const unsigned char* languageSpecificData;
        void* catchTemp;
        void* adjustedPtr;
        _Unwind_Exception unwindHeader;
    } exception;
};
static_assert(sizeof(RefcountedException) == 96, "libstdc++'s exception header on i686");

extern "C" void* __cxa_allocate_exception(size_t thrownSize) noexcept
{
    // Zeroed, as libstdc++ zeroes its header.
    char* block = (char*)calloc(1, sizeof(RefcountedException) + thrownSize);
    if (!block) std::terminate();
    return block + sizeof(RefcountedException);
}

extern "C" void __cxa_free_exception(void* thrown) noexcept
{
    free((char*)thrown - sizeof(RefcountedException));
}

// mingw's TLS callback, run by Windows as each thread starts and ends: it
// runs the destructors of thread keys (gthreads' TLS keys) and resets a new
// thread's FPU. The installer makes no thread and no thread key: libstdc++'s
// exception globals and the thrown object's storage, which would use them,
// are replaced above. Were a key ever made, mingw's callback would come back
// with it and clash with this one at link time.
extern "C" BOOL __mingw_TLScallback(HANDLE, DWORD, LPVOID) { return TRUE; }
