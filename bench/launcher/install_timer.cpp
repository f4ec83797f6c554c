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
//          Next click on the Location page until the Next button reads
//          "&Finish", polled every millisecond;
//   client the client's own part of that, on the same idle Location page: a
//          message posted to the wizard and the Next button read back;
//   empty  EMPTY.exe from just before CreateProcessA to its exit;
//   peer   "PEER.exe /S" from just before CreateProcessA to its exit, started
//          right after EMPTY.exe;
// and prints peer-net, the peer less the empty start of the same round, and
// ours-net, ours less the client's part: each installer's step without what
// the bench pays to start it and see it end.
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

// What the client's part of the install step's measure costs: a message
// posted to the idle wizard, and the Next button read back. Negative on
// failure.
static double ClientRoundTrip(HWND wizard)
{
    double start = NowMs();
    PostMessageA(wizard, WM_NULL, 0, 0);
    if (ButtonText(wizard, IDC_NEXT) != "&Next->") return -1;
    return NowMs() - start;
}

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

// Ours, from the Next click on Location to "&Finish", and the client's part
// of that in `clientMs`; negative on failure.
static double TimeOurInstall(const char* exe, double* clientMs)
{
    std::string folder(exe, BaseName(exe) - exe);
    Process ours;
    if (!Start(exe, NULL, folder.c_str(), &ours)) {
        fprintf(stderr, "install_timer: cannot start %s\n", exe);
        return -1;
    }
    double ms = -1;
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
                // and again after the client's round trip.
                Sleep(150);
                *clientMs = ClientRoundTrip(wizard);
                Sleep(50);
                double start = NowMs();
                Click(wizard, IDC_NEXT);
                for (;;) {
                    if (ButtonText(wizard, IDC_NEXT) == "&Finish") {
                        ms = NowMs() - start;
                        break;
                    }
                    if (NowMs() - start > 30000) {
                        failure = "no Finished page within 30 s";
                        break;
                    }
                    Sleep(1);
                }
            }
        }
    }
    if (failure) fprintf(stderr, "install_timer: %s: %s\n", exe, failure);
    Kill(&ours);
    return ms;
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
    Series series[6] = { { "ours", {} },  { "client", {} },   { "ours-net", {} },
                         { "empty", {} }, { "peer", {} },     { "peer-net", {} } };
    std::vector<double> ratios;
    bool failed = false;
    for (int round = 0; round <= rounds; ++round) {
        const char* tag = round == 0 ? "warmup" : "run";
        double oursMs = -1, clientMs = -1, emptyMs = -1, peerMs = -1;
        for (int turn = 0; turn < 2; ++turn) {
            bool oursNow = (turn == 0) == (round % 2 == 1);
            if (!ResetPlayerFolder()) {
                fprintf(stderr, "install_timer: cannot restore %swinamp.ini\n", g_player.c_str());
                failed = true;
                break;
            }
            if (oursNow) {
                oursMs = TimeOurInstall(ours, &clientMs);
                if (oursMs >= 0 && !InstallLooksDone("ours")) oursMs = -1;
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
        double oursNetMs = oursMs >= 0 && clientMs >= 0 ? oursMs - clientMs : -1;
        double netMs = emptyMs >= 0 && peerMs >= 0 ? peerMs - emptyMs : -1;
        double values[6] = { oursMs, clientMs, oursNetMs, emptyMs, peerMs, netMs };
        for (int s = 0; s < 6; ++s) {
            printf("%s %d %s %.2f\n", tag, round, series[s].name, values[s]);
            if (values[s] < 0) failed = true;
            else if (round > 0) series[s].values.push_back(values[s]);
        }
        fflush(stdout);
        if (round > 0 && oursNetMs >= 0 && netMs > 0) ratios.push_back(oursNetMs / netMs);
    }
    ResetPlayerFolder();
    timeEndPeriod(1);

    for (const Series& s : series)
        printf("summary %s median %.2f min %.2f max %.2f\n", s.name, Median(s.values), Smallest(s.values),
               Largest(s.values));
    printf("summary ratio ours-net/peer-net median %.3f\n", Median(ratios));
    return failed ? 1 : 0;
}
