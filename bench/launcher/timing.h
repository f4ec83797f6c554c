// What the bench's timing programs share: the performance counter, starting a
// child in its own folder, finding its first visible window, and medians.
#pragma once
#include <windows.h>
#include <vector>

// The performance counter, in milliseconds since an arbitrary origin.
double NowMs();

// Starts `exe` with `arguments` (may be NULL) in the folder that holds `exe`,
// so the files beside it are found; the counter is read just before
// CreateProcessA into `startMs`. False when the process could not start.
bool StartChild(const char* exe, const char* arguments, PROCESS_INFORMATION* info, double* startMs);

// A visible top-level window of process `pid`, or NULL.
HWND VisibleWindowOf(DWORD pid);

// Ends a child: a posted WM_CLOSE to `window` (when given), then after
// `graceMs` TerminateProcess; waits for the exit and closes the handles.
void EndChild(PROCESS_INFORMATION* info, HWND window, DWORD graceMs);

// The median of `values` (0 for none); the mean of the middle two for an even count.
double Median(std::vector<double> values);
double Smallest(const std::vector<double>& values);
double Largest(const std::vector<double>& values);

// The file name part of a path.
const char* BaseName(const char* path);
