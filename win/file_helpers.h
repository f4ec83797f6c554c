// The small text and file helpers every Windows operation shares: the
// conversions between the player's ANSI text, UTF-8 and wide paths, and what
// a path names on disk.
#pragma once
#include <windows.h>
#include <stddef.h>

// ANSI text (the player's side) as wide; false when it does not fit `count`.
bool AnsiToWide(const char* text, WCHAR* out, int count);
bool WideToUtf8(const WCHAR* text, char* out, size_t size);
bool Utf8ToWide(const char* text, WCHAR* out, int count);
// A file, not a folder, that can be opened for reading now.
bool CanReadFile(const WCHAR* path);
// The volume and file index of what `path` names, a file or a folder: the
// file itself, whatever path leads to it (an 8.3 name, other letter case, a
// junction). False when it cannot be opened.
bool FileIdentity(const WCHAR* path, BY_HANDLE_FILE_INFORMATION* info);
bool SameIdentity(const BY_HANDLE_FILE_INFORMATION* a, const BY_HANDLE_FILE_INFORMATION* b);
