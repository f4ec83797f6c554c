// A registry key that raises SySystemException on every failing call and
// closes itself when it goes out of scope.
#pragma once
#include <windows.h>

class SyRegistryKey {
public:
    SyRegistryKey() : handle(NULL) {}
    ~SyRegistryKey();

    void Open(HKEY root, const char* subKey, REGSAM access);
    // `name` NULL: the default value; `type` NULL: not wanted; `size` in/out.
    void QueryValue(const char* name, DWORD* type, BYTE* data, DWORD* size);
    // The same, as UTF-16: text the ANSI code page cannot spell stays itself.
    void QueryWideValue(const WCHAR* name, DWORD* type, BYTE* data, DWORD* size);
    void Close();

    bool IsOpen() const { return handle != NULL; }

private:
    SyRegistryKey(const SyRegistryKey&);
    SyRegistryKey& operator=(const SyRegistryKey&);

    HKEY handle;
};
