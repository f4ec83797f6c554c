// End-to-end scenarios: the real ZUVInstaller.exe in a fresh wine prefix,
// driven from outside. The runner passes, in the environment:
//   ZUV_DIST       folder with ZUVInstaller.exe and the plug-in's three files
//   ZUV_STANDIN    the stand-in player's winamp.exe
//   ZUV_VIEWER     the stand-in .html viewer
//   ZUV_HOLDER     holder.exe, which keeps a file in use
//   ZUV_SHELL      shellwindow.exe, which plays the desktop's shell window
//   ZUV_MODULES    folder of the test modules module_<version>.dll
//   ZUV_ARTIFACTS  folder for screenshots (optional)
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "automation.h"

namespace e2e {

// Control ids of the wizard, as the user sees them.
enum {
    NEXT = 1001, CANCEL = 2, BACK = 1009, LOCATION = 1003, AGREEMENT = 1006, NOTICE = 1010, MESSAGE = 1011,
    BROWSE = 1012, PLAYERS_NAME = 1013, PLAYERS = 1014
};

extern const char WizardCaption[];      // "ZUVInstaller v1.0g"
extern const char PlayerFolder[];       // C:\Program Files\Winamp\ (with the backslash)
extern const char SetupFolder[];        // C:\ZUV Setup\ (where the installer is staged)

enum { WAIT_MS = 10000, SHORT_MS = 1500 };

std::string Env(const char* name);
// Paths in UTF-8 (ASCII or text of the ANSI code page works too).
std::string ReadAll(const std::string& path, bool* ok = nullptr);
bool WriteAll(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
std::string WindowsFolder();             // C:\windows, without the backslash
std::string AppData();                   // the user's roaming application data, without the backslash
std::string PluginSettingsFile();        // the Windows folder's zuv.cfg

void RegisterPlayer(const std::string& command);
void UnregisterPlayer();
// The stand-in player as `program`, its plug-ins folder (WACUP spells it
// Plugins) and a winamp.ini in `folder`; `x64`: its PE header names AMD64,
// as a 64-bit player's does (it then cannot run here).
void InstallPlayer(const std::string& folder, const std::string& ini, const char* program = "winamp.exe",
                   bool x64 = false);
// No player in Winamp's default folder, which the installer looks at last.
void RemoveDefaultPlayer();
// ZUVInstaller.exe and the three plug-in files copied into `folder`.
void StageInstaller(const std::string& folder);

extern const char SampleIni[];
// SampleIni as the installer leaves it, switched to the plug-in.
extern const char RewrittenIni[];

// The stand-in viewer registered for .html; it logs to ViewerLog.
void RegisterHtmlViewer();
extern const char ViewerLog[];
// The stand-in player's log, in the player folder.
std::string PlayerLog(const std::string& folder = PlayerFolder);

struct InstallerRun {
    automation::Process process;
    HWND wizard = NULL;
};

// Starts the staged installer and waits for its wizard (unless `expectWizard`
// is false). `directory`: the current directory it starts in (NULL: ours).
bool Launch(InstallerRun* run, const char* arguments = nullptr, const char* directory = nullptr,
            const std::string& folder = SetupFolder, bool expectWizard = true);

// How a scenario works a button: by a posted click, which skips the input
// queue, or as a person does, through it: with the pointer (a click in its
// middle, once nothing covers it), by its access key (Alt and the letter
// after its '&'), or by Enter once it has the focus (a message box's
// default button). The keys wait for its window to be in the foreground.
enum Input { POSTED, POINTER, ACCESS_KEY, ENTER };
::testing::AssertionResult Press(HWND dialog, int id, Input input = POSTED);
// The folder box's text replaced: posted (WM_SETTEXT), or by a person
// (POINTER): the box clicked, all of it selected and `text` typed key by key.
::testing::AssertionResult TypeFolder(HWND wizard, const char* text, Input input);
// Item `index` of the players' list chosen, and its drop-down closed again:
// with the POINTER, the list clicked open and the item clicked; by the keys
// (ENTER), the label's access key, F4 to open, and Enter to take the item
// shown, which must be that one.
::testing::AssertionResult ChoosePlayer(HWND wizard, int index, Input input);

// Waits until the Next button reads `label`.
bool WaitNextLabel(HWND wizard, const char* label, DWORD timeoutMs = WAIT_MS);
// Clicks and waits for the page change that follows.
bool GoNext(HWND wizard, const char* expectedNextLabel);

// Welcome's controls: labels, Back disabled, only the notice line shown.
void ExpectWelcome(HWND wizard);
// The installer ends, within WAIT_MS, with exit code 0.
void ExpectEnds(const InstallerRun& run);

// The words of each page's picture, Welcome to Finished, as one line.
extern const char* const PageMessages[4];
// Waits (WAIT_MS) until a screen reader finds `message` on the wizard: the
// accessible name of a child that is neither invisible nor unavailable.
::testing::AssertionResult ShowsMessage(HWND wizard, const char* message);

// The typical walk from Welcome to Location.
bool WalkToLocation(HWND wizard);

bool SaveScreenshot(HWND window, const std::string& name);

// The display scale that processes started from now on see.
void SetDisplayScale(DWORD dpi);
// A control's rectangle in its dialog's client pixels.
RECT ControlRect(HWND dialog, int id);
// The box around the pixels of one colour, such as a page's words.
const DWORD Words = 0x99FFFF;
RECT Extent(const automation::Image& image, DWORD colour);

// Starts shellwindow.exe and waits until GetShellWindow() is its window, so
// the installer finds a desktop user. End it with automation::Kill.
bool StartDesktopShell(automation::Process* shell);

class Scenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    InstallerRun run;
};

}  // namespace e2e
