// Writing a whole file so that it is never lost half-way: a temporary file
// beside it, written through to disk, then one rename over the old one.
#pragma once
#include <windows.h>

// Writes the new contents into `file`; false stops the replace.
typedef bool (*FileWriter)(HANDLE file, void* context);

// Creates `tempPath` (a stale file of that name is removed first; anything
// else there, such as a folder, makes this fail) with `attributes`, lets
// `write` fill it, and renames it over `path`. False, with `path` as it was
// and no temporary file left, when any step fails.
bool ReplaceFileWith(const char* path, const char* tempPath, DWORD attributes, FileWriter write, void* context);

// WriteFile of the whole block.
bool WriteAll(HANDLE file, const void* data, DWORD size);
