#include "syregistry.h"
#include "syexception.h"

SyRegistryKey::~SyRegistryKey()
{
    if (handle) {
        try {
            Close();
        } catch (...) {
            // A destructor must not raise; a failed close leaves nothing to do.
        }
    }
}

void SyRegistryKey::Open(HKEY root, const char* subKey, REGSAM access)
{
    HKEY opened = NULL;
    LONG rc = RegOpenKeyExA(root, subKey, 0, access, &opened);
    if (rc != ERROR_SUCCESS) throw SySystemException((unsigned long)rc);
    if (handle) Close();
    handle = opened;
}

void SyRegistryKey::QueryValue(const char* name, DWORD* type, BYTE* data, DWORD* size)
{
    LONG rc = RegQueryValueExA(handle, name, NULL, type, data, size);
    if (rc != ERROR_SUCCESS) throw SySystemException((unsigned long)rc);
}

void SyRegistryKey::QueryWideValue(const WCHAR* name, DWORD* type, BYTE* data, DWORD* size)
{
    LONG rc = RegQueryValueExW(handle, name, NULL, type, data, size);
    if (rc != ERROR_SUCCESS) throw SySystemException((unsigned long)rc);
}

void SyRegistryKey::Close()
{
    HKEY closing = handle;
    handle = NULL;
    LONG rc = RegCloseKey(closing);
    if (rc != ERROR_SUCCESS) throw SySystemException((unsigned long)rc);
}
