// The player's DSP plug-in interface, as the player and dsp_zv.dll meet it.
// Everything is cdecl and laid out for 32-bit Windows.
//
// The player loads the module named by winamp.ini's dspplugin_name= from its
// plugins folder, calls its export winampDSPGetHeader2, and takes module
// number dspplugin_num= (0 is the first) from the header's getModule.
#pragma once
#include <windows.h>

#define DSP_HEADER_VERSION 0x20
#define DSP_EXPORT_NAME "winampDSPGetHeader2"

struct DspModule {
    char* description;
    HWND hwndParent;          // filled in by the player before Init
    HINSTANCE hDllInstance;   // filled in by the player before Init
    void(__cdecl* Config)(DspModule* module);    // shows the settings, owned by hwndParent
    int(__cdecl* Init)(DspModule* module);       // 0 on success
    // Processes interleaved samples in place (8-bit samples are unsigned,
    // 24-bit ones packed in 3 bytes; `samples` is then a byte buffer) and
    // returns the number of frames it leaves in the buffer.
    int(__cdecl* ModifySamples)(DspModule* module, short* samples, int frames, int bitsPerSample,
                                int channels, int sampleRate);
    void(__cdecl* Quit)(DspModule* module);
    void* userData;
};

struct DspHeader {
    int version;              // DSP_HEADER_VERSION
    char* description;
    DspModule*(__cdecl* getModule)(int index);   // NULL past the last module
};

// A host may pass its main window; the module may ignore it.
typedef DspHeader*(__cdecl* DspGetHeaderProc)(HWND player);

// Preferences' Uninstall loads the module, calls this export if it has one,
// frees the module and then deletes it: at once (NOW, as without the
// export) or at the next start of Windows (REBOOT). `param` is unused.
#define DSP_UNINSTALL_EXPORT_NAME "winampUninstallPlugin"
enum { DSP_PLUGIN_UNINSTALL_NOW = 0, DSP_PLUGIN_UNINSTALL_REBOOT = 1 };
typedef int(__cdecl* DspUninstallProc)(HINSTANCE module, HWND preferencesPage, int param);

// The player's file registrar (Winamp 5.58 on), which deletes with the rights
// the player obtains, into the Recycle Bin. WM_USER with lParam
// IPC_GET_FILEREGISTRAR_OBJECT to the player's main window answers the
// object, holding a reference for the caller, or 0 or 1 for none; wParam
// REGISTRAR_NO_FALLBACK asks for no fallback object (5.66 on). Its interface,
// IFileTypeRegistrar: IUnknown's three methods, then its own, of which
// DeleteItem is the 21st.
enum { IPC_GET_FILEREGISTRAR_OBJECT = 3045, REGISTRAR_NO_FALLBACK = 1, REGISTRAR_DELETE_ITEM_SLOT = 3 + 20 };
static const GUID IID_FileTypeRegistrar = { 0x2E74C695, 0x8E9C, 0x4179,
                                            { 0xB0, 0xA0, 0xBC, 0x2E, 0xBD, 0xEB, 0x5C, 0x2B } };
typedef HRESULT(STDMETHODCALLTYPE* RegistrarDeleteItemProc)(IUnknown* self, LPCWSTR path);
