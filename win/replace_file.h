// Writing a whole file so that it is never lost half-way: a temporary file
// beside it, written through to disk, then one rename over the old one. And
// waiting out a file that someone holds for a moment.
#pragma once
#include <windows.h>

// Writes the new contents into `file`; false stops the replace.
typedef bool (*FileWriter)(HANDLE file, void* context);

// Creates `tempPath` (a stale file of that name is removed first; anything
// else there, such as a folder, makes this fail) with `attributes`, lets
// `write` fill it, and flushes it to disk. False, with no temporary file
// left and GetLastError as the failing step left it, when any step fails.
bool WriteWholeFile(const WCHAR* tempPath, DWORD attributes, FileWriter write, void* context);
// WriteWholeFile, then the temporary file renamed over `path`, waiting out a
// hold on `path`: whenever the program is ended, `path` is the old file or
// the whole new one. False, with `path` as it was and no temporary file
// left, when any step fails; GetLastError says why.
bool ReplaceFileWith(const WCHAR* path, const WCHAR* tempPath, DWORD attributes, FileWriter write, void* context);
// Deletes `path`, keeping GetLastError for the caller's report.
void DeleteKeepingError(const WCHAR* path);
// Renames `from` over `path` in one step, written through, waiting out a hold
// on `path`.
bool RenameOver(const WCHAR* from, const WCHAR* path);

// A file in use (a module the player has loaded) cannot be replaced but can
// be renamed: it is moved aside, to `path` with ".old" (n = 1), ".old2" ...
// ".old99" added, and the leftovers go when they can. The text after the last
// dot never starts with "dll", which the player would load, even by the
// short name that keeps three letters of it.
enum { ASIDE_NAMES = 99 };
// The aside name `n` of `path` into `out`, of MAX_PATH; false when it does
// not fit.
bool AsideName(const WCHAR* path, int n, WCHAR* out);
// Neither a folder nor a reparse point (a link, a junction): a plain file.
bool IsPlainFile(DWORD attributes);
// Calls `found` with the path and attributes of each plain file beside
// `path` that bears one of its aside names (any number after ".old").
typedef void (*AsideFound)(const WCHAR* aside, DWORD attributes, void* context);
void ForEachAsideFile(const WCHAR* path, AsideFound found, void* context);

// WriteFile of the whole block.
bool WriteAll(HANDLE file, const void* data, DWORD size);

// Virus scanners and the search indexer open a freshly written file for a
// moment, and a file operation then fails with a sharing or lock violation.
// After such a failure WaitOutHold waits a little, under the wait cursor,
// and returns true while the 2 s since the first failure are not over; with
// `accessDenied` a refused rename counts too (a file open elsewhere cannot be
// renamed over: error 5, not 32). Start with a zeroed HoldWait; EndHoldWait
// puts the cursor back and keeps GetLastError.
//     HoldWait wait = {};
//     while (!CopyFileW(...) && WaitOutHold(&wait, false)) {}
//     EndHoldWait(&wait);
struct HoldWait {
    DWORD started;
    HCURSOR previous;
    bool waiting;
};
bool WaitOutHold(HoldWait* wait, bool accessDenied);
void EndHoldWait(HoldWait* wait);

// An existing file opened for reading, sharing `share`, waiting out a hold.
HANDLE OpenWaiting(const WCHAR* path, DWORD share);
