// install_timer: the install step of ZUVInstaller.exe beside the peer's.
//
//   install_timer [-n ROUNDS] -p PLAYER_FOLDER -e EMPTY.exe OURS.exe PEER.exe
//
// PLAYER_FOLDER holds winamp.exe, winamp.ini and plugins\. Each program starts
// in its own folder, next to dsp_zv.dll, helpfile.html and zvlogo.jpg.
//
// Every round puts the player folder back as it was (no player running, no
// plug-in files, winamp.ini as found at start), then measures:
//   ours   driven through the automation client: Next, Agree, then from the
//          Next click on the Location page, polled every millisecond, until
//          the Next button reads "&Finish" (ours-text) and until, after that,
//          the Finished page is painted (ours-painted): no update region left
//          in the wizard or any of its controls, and the button read once
//          more, which the wizard's thread answers only when its paint has
//          returned;
//   null   the same click-and-poll loop on the same idle Location page, with
//          a command that no control has and the wizard does nothing with:
//          null-text when the button reads "&Next->", null-painted when the
//          page is found painted and read again;
//   empty  EMPTY.exe from just before CreateProcessA to its exit;
//   peer   "PEER.exe /S" from just before CreateProcessA to its exit, started
//          right after EMPTY.exe;
// and prints peer-net, the peer less the empty start of the same round;
// ours-net, ours-painted less null-painted: the step to the painted Finished
// page, less what the same loop costs when the step is nothing; and
// ours-net-text, ours-text less null-text: the step to the first read of
// "&Finish", before the page is painted (the earlier measure). "pending" is 1
// when the Finished page still had a region to paint at the first look after
// "&Finish", which shows that the look sees the paint at all.
// After each install the three files and the dspplugin_name key are checked;
// the peer's player, started at its end, is waited for and closed.
// Which of ours and the peer goes first alternates from round to round.
//
// One warm-up round (printed as "warmup"), then ROUNDS rounds (21 unless
// told). Output: "run ROUND NAME MS" per run, then "summary NAME median MS min
// MS max MS" per name and "summary ratio ours-net/peer-net median R". Exit code 0;
// 1 when a run failed or an install left the wrong result; 2 on bad use.
#include "timing.h"
#include "automation.h"

#include <mmsystem.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

using namespace automation;

enum { IDC_NEXT = 1001, IDC_LOCATION = 1003 };
// A command no control of the wizard has: the dialog procedure takes it the
// way it takes a click, and does nothing.
enum { IDC_NOTHING = 0x7FFE };

static const char* const PluginFiles[] = { "dsp_zv.dll", "helpfile.html", "zvlogo.jpg" };
static const char PlayerWindowClass[] = "Winamp v1.x";

static std::string g_player;        // the player's folder, with a trailing backslash
static std::string g_iniBytes;      // winamp.ini as found at start

static bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, NULL) && n > 0) bytes->append(buffer, n);
    CloseHandle(file);
    return true;
}

static bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// Ends every running player, politely first.
static void ClosePlayers()
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        HWND window = FindWindowA(PlayerWindowClass, NULL);
        if (!window) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (process) {
            if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) {
                TerminateProcess(process, 99);
                WaitForSingleObject(process, 5000);
            }
            CloseHandle(process);
        } else {
            Sleep(100);
        }
    }
}

static bool ResetPlayerFolder()
{
    ClosePlayers();
    for (const char* name : PluginFiles) DeleteFileA((g_player + "plugins\\" + name).c_str());
    return WriteWholeFile(g_player + "winamp.ini", g_iniBytes);
}

// False when a plug-in file is missing. A winamp.ini left without the plug-in
// selected is reported but not counted as a failure: the time of an install
// that skips the rewrite is still worth seeing while the rewrite is missing.
static bool InstallLooksDone(const char* who)
{
    for (const char* name : PluginFiles) {
        if (GetFileAttributesA((g_player + "plugins\\" + name).c_str()) == INVALID_FILE_ATTRIBUTES) {
            fprintf(stderr, "install_timer: %s did not install %s\n", who, name);
            return false;
        }
    }
    std::string ini;
    if (!ReadWholeFile(g_player + "winamp.ini", &ini) || ini.find("dspplugin_name=dsp_zv.dll") == std::string::npos)
        fprintf(stderr, "install_timer: incomplete: %s left winamp.ini without dspplugin_name=dsp_zv.dll\n", who);
    return true;
}

// The button's text in one message. The client's Text() asks for the length
// first, and under wine that second message can wait behind the whole first
// paint of the page that the text belongs to.
static std::string ButtonText(HWND dialog, int id)
{
    char text[64];
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 5000,
                             &copied))
        return "<no answer>";
    return std::string(text, copied);
}

// Whether the wizard and every control of it are painted: no update region
// left anywhere. Read from outside, without erasing or validating anything.
// BeginPaint empties a window's region as its paint starts, so a read of the
// button after this is what tells that the paint has ended.
static BOOL CALLBACK HasUpdate(HWND control, LPARAM found)
{
    if (GetUpdateRect(control, NULL, FALSE)) *(bool*)found = true;
    return TRUE;
}

static bool Painted(HWND wizard)
{
    bool found = GetUpdateRect(wizard, NULL, FALSE) != FALSE;
    if (!found) EnumChildWindows(wizard, HasUpdate, (LPARAM)&found);
    return !found;
}

// The click-and-poll loop, timed from `start`, just before the click was
// posted: `textMs` when the Next button first reads `text`; `paintedMs` when,
// after that, the page is painted and the button has been read once more;
// `pending` whether the first look after the text found a paint still to do.
// False after 30 s, or when the text changes on the way.
static bool PollUntilPainted(HWND wizard, const char* text, double start, double* textMs, double* paintedMs,
                             bool* pending)
{
    while (ButtonText(wizard, IDC_NEXT) != text) {
        if (NowMs() - start > 30000) return false;
        Sleep(1);
    }
    *textMs = NowMs() - start;
    *pending = false;
    while (!Painted(wizard)) {
        *pending = true;
        if (NowMs() - start > 30000) return false;
        Sleep(1);
    }
    if (ButtonText(wizard, IDC_NEXT) != text) return false;
    *paintedMs = NowMs() - start;
    return true;
}

struct OurTimes {
    double text = -1, painted = -1;           // the install step
    double nullText = -1, nullPainted = -1;   // the step that does nothing
    bool pending = false;
};

// Milliseconds from start to exit; negative on failure.
static double TimeToExit(const char* exe, const char* arguments)
{
    PROCESS_INFORMATION child;
    double start;
    if (!StartChild(exe, arguments, &child, &start)) {
        fprintf(stderr, "install_timer: cannot start %s (error %lu)\n", exe, GetLastError());
        return -1;
    }
    bool ended = WaitForSingleObject(child.hProcess, 30000) == WAIT_OBJECT_0;
    double end = NowMs();
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    EndChild(&child, NULL, 0);
    if (!ended || code != 0) {
        fprintf(stderr, "install_timer: %s %s: %s\n", exe, arguments ? arguments : "",
                ended ? "exit code not 0" : "still running after 30 s");
        return -1;
    }
    return end - start;
}

// Ours: the install step and the null step through the same loop; false on
// failure.
static bool TimeOurInstall(const char* exe, OurTimes* times)
{
    std::string folder(exe, BaseName(exe) - exe);
    Process ours;
    if (!Start(exe, NULL, folder.c_str(), &ours)) {
        fprintf(stderr, "install_timer: cannot start %s\n", exe);
        return false;
    }
    const char* failure = NULL;
    HWND wizard = WaitWindow(ours.pid, "#32770", NULL, 10000);
    if (!wizard) {
        failure = "no wizard window";
    } else {
        Click(wizard, IDC_NEXT);
        if (!WaitUntil([&] { return Text(wizard, IDC_NEXT) == "&Agree"; }, 5000)) {
            failure = "no Agreement page";
        } else {
            Click(wizard, IDC_NEXT);
            if (!WaitUntil([&] { return Text(wizard, IDC_NEXT) == "&Next->" && Visible(wizard, IDC_LOCATION); },
                           5000)) {
                failure = "no Location page";
            } else {
                // Let the page paint and go idle, as it is when a user clicks,
                // and again after the null step.
                Sleep(150);
                bool idle = false;
                double start = NowMs();
                Click(wizard, IDC_NOTHING);
                if (!PollUntilPainted(wizard, "&Next->", start, &times->nullText, &times->nullPainted, &idle)) {
                    failure = "the null step did not come back";
                } else {
                    Sleep(50);
                    start = NowMs();
                    Click(wizard, IDC_NEXT);
                    if (!PollUntilPainted(wizard, "&Finish", start, &times->text, &times->painted, &times->pending))
                        failure = "no painted Finished page within 30 s";
                }
            }
        }
    }
    if (failure) fprintf(stderr, "install_timer: %s: %s\n", exe, failure);
    Kill(&ours);
    return !failure;
}

static int Usage()
{
    fprintf(stderr, "usage: install_timer [-n ROUNDS] -p PLAYER_FOLDER -e EMPTY.exe OURS.exe PEER.exe\n");
    return 2;
}

struct Series {
    const char* name;
    std::vector<double> values;
};

int main(int argc, char** argv)
{
    int rounds = 21;
    const char* empty = NULL;
    std::vector<const char*> programs;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "-n") == 0 && i + 1 < argc) {
            rounds = atoi(argv[++i]);
        } else if (strcmp(arg, "-p") == 0 && i + 1 < argc) {
            g_player = argv[++i];
        } else if (strcmp(arg, "-e") == 0 && i + 1 < argc) {
            empty = argv[++i];
        } else if (arg[0] == '-') {
            return Usage();
        } else {
            programs.push_back(arg);
        }
    }
    if (programs.size() != 2 || !empty || g_player.empty() || rounds < 1) return Usage();
    if (g_player.back() != '\\') g_player += '\\';
    if (!ReadWholeFile(g_player + "winamp.ini", &g_iniBytes)) {
        fprintf(stderr, "install_timer: no winamp.ini in %s\n", g_player.c_str());
        return 2;
    }
    const char* ours = programs[0];
    const char* peer = programs[1];

    timeBeginPeriod(1);
    enum { OURS_TEXT, OURS_PAINTED, NULL_TEXT, NULL_PAINTED, PENDING, OURS_NET_TEXT, OURS_NET, EMPTY, PEER, PEER_NET,
           SERIES };
    Series series[SERIES] = { { "ours-text", {} }, { "ours-painted", {} }, { "null-text", {} },
                              { "null-painted", {} }, { "pending", {} },   { "ours-net-text", {} },
                              { "ours-net", {} },     { "empty", {} },     { "peer", {} },
                              { "peer-net", {} } };
    std::vector<double> ratios;
    bool failed = false;
    for (int round = 0; round <= rounds; ++round) {
        const char* tag = round == 0 ? "warmup" : "run";
        OurTimes ourTimes;
        bool oursDone = false;
        double emptyMs = -1, peerMs = -1;
        for (int turn = 0; turn < 2; ++turn) {
            bool oursNow = (turn == 0) == (round % 2 == 1);
            if (!ResetPlayerFolder()) {
                fprintf(stderr, "install_timer: cannot restore %swinamp.ini\n", g_player.c_str());
                failed = true;
                break;
            }
            if (oursNow) {
                oursDone = TimeOurInstall(ours, &ourTimes) && InstallLooksDone("ours");
            } else {
                emptyMs = TimeToExit(empty, NULL);
                peerMs = TimeToExit(peer, "/S");
                if (peerMs >= 0 && !InstallLooksDone("the peer")) peerMs = -1;
                // The player it started may still be opening: let its window
                // come up, so the next reset finds and closes it.
                if (peerMs >= 0) WaitWindow(0, PlayerWindowClass, NULL, 5000);
            }
            // Let the ended processes' teardown finish before the next start.
            Sleep(250);
        }
        double values[SERIES];
        for (double& v : values) v = -1;
        if (oursDone) {
            values[OURS_TEXT] = ourTimes.text;
            values[OURS_PAINTED] = ourTimes.painted;
            values[NULL_TEXT] = ourTimes.nullText;
            values[NULL_PAINTED] = ourTimes.nullPainted;
            values[PENDING] = ourTimes.pending ? 1 : 0;
            values[OURS_NET_TEXT] = ourTimes.text - ourTimes.nullText;
            values[OURS_NET] = ourTimes.painted - ourTimes.nullPainted;
        }
        values[EMPTY] = emptyMs;
        values[PEER] = peerMs;
        values[PEER_NET] = emptyMs >= 0 && peerMs >= 0 ? peerMs - emptyMs : -1;
        for (int s = 0; s < SERIES; ++s) {
            printf("%s %d %s %.2f\n", tag, round, series[s].name, values[s]);
            if (values[s] < 0) failed = true;
            else if (round > 0) series[s].values.push_back(values[s]);
        }
        fflush(stdout);
        if (round > 0 && values[OURS_NET] >= 0 && values[PEER_NET] > 0)
            ratios.push_back(values[OURS_NET] / values[PEER_NET]);
    }
    ResetPlayerFolder();
    timeEndPeriod(1);

    for (const Series& s : series)
        printf("summary %s median %.2f min %.2f max %.2f\n", s.name, Median(s.values), Smallest(s.values),
               Largest(s.values));
    printf("summary ratio ours-net/peer-net median %.3f\n", Median(ratios));
    return failed ? 1 : 0;
}
