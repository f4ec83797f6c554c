// launch_timer: start to first visible window, for two or more programs taken
// in turn within each round (the first to go rotates from round to round).
//
//   launch_timer [-n ROUNDS] [-e EMPTY.exe] [-t TIMEOUT_MS] EXE EXE...
//
// A run reads the performance counter just before CreateProcessA, then polls
// every millisecond for a visible top-level window of the child's process and
// reads the counter again. The child is then asked to close (WM_CLOSE), ended
// after a bounded wait, and waited for. Each program starts in its own folder.
// With -e, every round also times EMPTY.exe from just before CreateProcessA
// to its exit: a bare process start, measured beside the others.
//
// One warm-up round comes first (printed as "warmup"), then ROUNDS rounds
// (21 unless told). Output, one line per run, then one per program:
//   run ROUND NAME MS
//   summary NAME median MS min MS max MS
// NAME is the program's file name. Exit code 0; 1 when a program did not
// start, showed no window within the timeout, or exited first; 2 on bad use.
#include "timing.h"

#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { CLOSE_GRACE_MS = 3000, SETTLE_MS = 250 };

// Milliseconds from start to first visible window; negative on failure.
static double TimeToWindow(const char* exe, DWORD timeoutMs)
{
    PROCESS_INFORMATION child;
    double start;
    if (!StartChild(exe, NULL, &child, &start)) {
        fprintf(stderr, "launch_timer: cannot start %s (error %lu)\n", exe, GetLastError());
        return -1;
    }
    HWND window = NULL;
    double shown = 0;
    for (;;) {
        window = VisibleWindowOf(child.dwProcessId);
        if (window) {
            shown = NowMs();
            break;
        }
        if (NowMs() - start > timeoutMs) {
            fprintf(stderr, "launch_timer: %s showed no window within %lu ms\n", exe, timeoutMs);
            break;
        }
        // Doubles as the 1 ms poll interval.
        if (WaitForSingleObject(child.hProcess, 1) == WAIT_OBJECT_0) {
            fprintf(stderr, "launch_timer: %s exited before showing a window\n", exe);
            break;
        }
    }
    EndChild(&child, window, CLOSE_GRACE_MS);
    return window ? shown - start : -1;
}

// Milliseconds from start to exit; negative on failure.
static double TimeToExit(const char* exe, DWORD timeoutMs)
{
    PROCESS_INFORMATION child;
    double start;
    if (!StartChild(exe, NULL, &child, &start)) {
        fprintf(stderr, "launch_timer: cannot start %s (error %lu)\n", exe, GetLastError());
        return -1;
    }
    bool ended = WaitForSingleObject(child.hProcess, timeoutMs) == WAIT_OBJECT_0;
    double end = NowMs();
    if (!ended) fprintf(stderr, "launch_timer: %s still running after %lu ms\n", exe, timeoutMs);
    EndChild(&child, NULL, 0);
    return ended ? end - start : -1;
}

static int Usage()
{
    fprintf(stderr, "usage: launch_timer [-n ROUNDS] [-e EMPTY.exe] [-t TIMEOUT_MS] EXE EXE...\n");
    return 2;
}

int main(int argc, char** argv)
{
    int rounds = 21;
    DWORD timeoutMs = 10000;
    const char* empty = NULL;
    std::vector<const char*> programs;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "-n") == 0 && i + 1 < argc) {
            rounds = atoi(argv[++i]);
        } else if (strcmp(arg, "-e") == 0 && i + 1 < argc) {
            empty = argv[++i];
        } else if (strcmp(arg, "-t") == 0 && i + 1 < argc) {
            timeoutMs = (DWORD)atoi(argv[++i]);
        } else if (arg[0] == '-') {
            return Usage();
        } else {
            programs.push_back(arg);
        }
    }
    if (programs.size() < 2 || rounds < 1 || timeoutMs < 1) return Usage();

    // Sleep(1) and the 1 ms waits really last about 1 ms only at this period.
    timeBeginPeriod(1);
    std::vector<std::vector<double>> times(programs.size());
    std::vector<double> emptyTimes;
    bool failed = false;
    for (int round = 0; round <= rounds; ++round) {
        const char* tag = round == 0 ? "warmup" : "run";
        if (empty) {
            double ms = TimeToExit(empty, timeoutMs);
            if (ms < 0) failed = true;
            printf("%s %d %s %.2f\n", tag, round, BaseName(empty), ms);
            if (round > 0 && ms >= 0) emptyTimes.push_back(ms);
            Sleep(SETTLE_MS);
        }
        // The first program of a round changes from round to round, so no
        // program always follows the same one.
        for (size_t k = 0; k < programs.size(); ++k) {
            size_t p = (k + (size_t)round) % programs.size();
            double ms = TimeToWindow(programs[p], timeoutMs);
            if (ms < 0) failed = true;
            printf("%s %d %s %.2f\n", tag, round, BaseName(programs[p]), ms);
            fflush(stdout);
            if (round > 0 && ms >= 0) times[p].push_back(ms);
            // Let the ended child's teardown finish before the next start.
            Sleep(SETTLE_MS);
        }
    }
    timeEndPeriod(1);

    if (empty)
        printf("summary %s median %.2f min %.2f max %.2f\n", BaseName(empty), Median(emptyTimes),
               Smallest(emptyTimes), Largest(emptyTimes));
    for (size_t p = 0; p < programs.size(); ++p)
        printf("summary %s median %.2f min %.2f max %.2f\n", BaseName(programs[p]), Median(times[p]),
               Smallest(times[p]), Largest(times[p]));
    return failed ? 1 : 0;
}
