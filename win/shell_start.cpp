// Starting a program as the desktop's own user. The installer runs elevated
// (its manifest asks for it), and whatever it starts itself inherits that:
// the player would refuse files dragged from Explorer and write its own as
// the administrator, perhaps another account's. Explorer runs as the user
// who logged on, so the program is handed to the desktop's shell view and
// Explorer starts it.
#include <windows.h>
#include <exdisp.h>
#include <shldisp.h>
#include <shobjidl.h>

#include "library_search.h"
#include "operations.h"

enum { SHELL_BUSY_RETRY_MS = 5000 };   // how long a busy Explorer is asked again

// Defined here rather than taken from libuuid, which would bring in far more.
static const CLSID ShellWindowsClass = { 0x9ba05972, 0xf6a8, 0x11cf, { 0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39 } };
static const GUID TopLevelBrowserService = { 0x4c96be40, 0x915c, 0x11cf, { 0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37 } };

// ole32 and oleaut32 are loaded only when a program is started, so start-up
// does not pay for them (mingw has no delay-loading).
namespace {
struct ComCalls {
    decltype(&CoInitializeEx) initialize;
    decltype(&CoUninitialize) uninitialize;
    decltype(&CoCreateInstance) createInstance;
    decltype(&CoRegisterMessageFilter) registerFilter;
    decltype(&SysAllocStringLen) allocString;
    decltype(&SysFreeString) freeString;
};
}

// The first four from ole32, the others from oleaut32.
static const char* const ComCallNames[] = {
    "CoInitializeEx", "CoUninitialize", "CoCreateInstance", "CoRegisterMessageFilter", "SysAllocStringLen", "SysFreeString"
};

static bool LoadComCalls(ComCalls* com)
{
    HMODULE ole = LoadSystemLibrary("ole32.dll");
    HMODULE automation = LoadSystemLibrary("oleaut32.dll");
    if (!ole || !automation) return false;
    FARPROC found[sizeof ComCallNames / sizeof ComCallNames[0]];
    for (size_t i = 0; i < sizeof found / sizeof found[0]; ++i)
        if (!(found[i] = GetProcAddress(i < 4 ? ole : automation, ComCallNames[i]))) return false;
    com->initialize = (decltype(com->initialize))(void*)found[0];
    com->uninitialize = (decltype(com->uninitialize))(void*)found[1];
    com->createInstance = (decltype(com->createInstance))(void*)found[2];
    com->registerFilter = (decltype(com->registerFilter))(void*)found[3];
    com->allocString = (decltype(com->allocString))(void*)found[4];
    com->freeString = (decltype(com->freeString))(void*)found[5];
    return true;
}

namespace {
// Explorer busy in a modal loop (a menu, a dialog, a drag) rejects a call
// from outside without running it: RPC_E_CALL_REJECTED or
// RPC_E_SERVERCALL_RETRYLATER. COM then asks the calling thread's message
// filter whether to try again: every quarter second, for a few seconds.
struct BusyFilter : IMessageFilter {
    bool gaveUp = false;   // a call was rejected for good: it never ran

    STDMETHODIMP QueryInterface(REFIID id, void** out) override
    {
        // IUnknown and IMessageFilter differ only in their first field.
        static const BYTE Tail[8] = { 0xC0, 0, 0, 0, 0, 0, 0, 0x46 };
        bool known = (id.Data1 == 0 || id.Data1 == 0x16) && !id.Data2 && !id.Data3 && !memcmp(id.Data4, Tail, 8);
        *out = known ? this : NULL;
        return known ? S_OK : E_NOINTERFACE;
    }
    // On the stack for the whole start: no count to keep.
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return SERVERCALL_ISHANDLED; }
    STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD elapsed, DWORD) override
    {
        if (elapsed < SHELL_BUSY_RETRY_MS) return 250;   // milliseconds until the next try
        gaveUp = true;
        return (DWORD)-1;
    }
    STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }
};
}

// A real BSTR, length prefix and all: Explorer is another process, and the
// marshaller reads the length. One that could not be made is NULL, an empty
// text, which Explorer refuses.
static void SetText(const ComCalls& com, VARIANT* value, const WCHAR* text)
{
    value->vt = VT_BSTR;
    value->bstrVal = com.allocString(text, (UINT)lstrlenW(text));
}

// Each step asks the object it got from the one before and lets that go.
static bool Next(HRESULT hr, IUnknown* previous)
{
    previous->Release();
    return SUCCEEDED(hr);
}

// The desktop window's view, its background object and the shell's
// Application object, whose ShellExecute runs in Explorer.
static ShellStart ExecuteThroughDesktop(const ComCalls& com, VARIANT* arguments)
{
    IShellWindows* windows;
    // Explorer's own object first; then any provider, for a shell that
    // offers the class in-process only.
    if (FAILED(com.createInstance(ShellWindowsClass, NULL, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&windows))) &&
        FAILED(com.createInstance(ShellWindowsClass, NULL, CLSCTX_ALL, IID_PPV_ARGS(&windows))))
        return SHELL_UNREACHABLE;
    VARIANT location = {}, root = {};
    location.vt = VT_I4;   // CSIDL_DESKTOP, which is 0
    long window;
    IDispatch* desktop = NULL;
    IServiceProvider* services;
    IShellBrowser* browser;
    IShellView* view;
    IDispatch* background;
    IShellFolderViewDual* folderView;
    IDispatch* application;
    IShellDispatch2* shell;
    // FindWindowSW answers S_FALSE, with nothing, when there is no desktop.
    if (!Next(windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktop), windows) ||
        !desktop || !Next(desktop->QueryInterface(IID_PPV_ARGS(&services)), desktop) ||
        !Next(services->QueryService(TopLevelBrowserService, IID_PPV_ARGS(&browser)), services) ||
        !Next(browser->QueryActiveShellView(&view), browser) ||
        !Next(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(&background)), view) ||
        !Next(background->QueryInterface(IID_PPV_ARGS(&folderView)), background) ||
        !Next(folderView->get_Application(&application), folderView) ||
        !Next(application->QueryInterface(IID_PPV_ARGS(&shell)), application))
        return SHELL_UNREACHABLE;
    HRESULT hr = shell->ShellExecute(arguments[0].bstrVal, arguments[1], arguments[2], arguments[3], arguments[4]);
    shell->Release();
    // Explorer was reached: S_FALSE is its "could not", and a failure now
    // (RPC_S_CALL_FAILED, E_ACCESSDENIED) may come after the program started.
    // Either way no second, elevated start.
    return hr == S_OK ? SHELL_STARTED : hr == S_FALSE ? SHELL_NOT_STARTED : SHELL_REFUSED;
}

ShellStart StartAsDesktopUser(const WCHAR* file, const WCHAR* folder)
{
    ComCalls com;
    if (!LoadComCalls(&com) || FAILED(com.initialize(NULL, COINIT_APARTMENTTHREADED))) return SHELL_UNREACHABLE;
    // ShellExecute's file, arguments (none), folder, verb and how to show.
    VARIANT arguments[5] = {};
    SetText(com, &arguments[0], file);
    if (folder) SetText(com, &arguments[2], folder);
    SetText(com, &arguments[3], L"open");
    arguments[4].vt = VT_I4;
    arguments[4].lVal = SW_SHOWNORMAL;
    // Explorer may bring the program it starts to the front only if it may
    // itself; the installer has the foreground and can hand that on.
    DWORD shellProcess = 0;
    if (GetWindowThreadProcessId(GetShellWindow(), &shellProcess)) AllowSetForegroundWindow(shellProcess);
    BusyFilter filter;
    IMessageFilter* previous = NULL;
    com.registerFilter(&filter, &previous);
    ShellStart started = ExecuteThroughDesktop(com, arguments);
    com.registerFilter(previous, NULL);
    // Rejected while busy, at any step: nothing ran there, and nothing may
    // run elevated instead.
    if (filter.gaveUp) started = SHELL_NOT_STARTED;
    for (VARIANT& argument : arguments)
        if (argument.vt == VT_BSTR) com.freeString(argument.bstrVal);
    com.uninitialize();
    return started;
}
