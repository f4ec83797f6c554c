// A module that does nothing: what the version check finds installed as
// dsp_zv.dll, with the version block of module.rc, or none.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
