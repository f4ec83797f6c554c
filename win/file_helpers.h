// The small text and file helpers every Windows operation shares: the
// conversions between the player's ANSI text, UTF-8 and wide paths, and what
// a path names on disk.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "../core/paths.h"

// ANSI text (the player's side) as wide; false when it does not fit `count`.
bool AnsiToWide(const char* text, WCHAR* out, int count);
bool WideToUtf8(const WCHAR* text, char* out, size_t size);
bool Utf8ToWide(const char* text, WCHAR* out, int count);
// The lead bytes of the ANSI code page, read once.
const LeadBytes* AnsiLeadBytes();
// A path cut after its last backslash: its folder, with the backslash.
void FolderOfWidePath(WCHAR* path);
// A file, not a folder, that can be opened for reading now; and its `size`
// bytes or fewer from `offset` on, `length` of them (0 when they cannot be
// read).
bool CanReadFile(const WCHAR* path);
bool ReadFilePart(const WCHAR* path, DWORD offset, void* data, DWORD size, DWORD* length);
// The volume and file index of what `path` names, a file or a folder: the
// file itself, whatever path leads to it (an 8.3 name, other letter case, a
// junction). False when it cannot be opened.
bool FileIdentity(const WCHAR* path, BY_HANDLE_FILE_INFORMATION* info);
bool SameIdentity(const BY_HANDLE_FILE_INFORMATION* a, const BY_HANDLE_FILE_INFORMATION* b);
