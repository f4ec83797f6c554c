// Installing: closing the player, copying the three files, starting the
// player, the help page, the failed copy, and replacing what is installed.
#include "harness.h"

using namespace automation;

namespace e2e {
namespace {

const char* const PluginFiles[] = { "dsp_zv.dll", "helpfile.html", "zvlogo.jpg" };

std::string Plugins(const char* name) { return std::string(PlayerFolder) + "plugins\\" + name; }
std::string Source(const char* name) { return std::string(SetupFolder) + name; }

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The text after the last `key` in a stand-in's log, to the end of its line.
std::string Last(const std::string& log, const char* key)
{
    size_t at = log.rfind(key);
    if (at == std::string::npos) return "<none logged>";
    at += strlen(key);
    return log.substr(at, log.find_first_of("\r\n", at) - at);
}

// The process that started a stand-in last, from its log's "parent=<id>:<exe name>".
DWORD ParentId(const std::string& log) { return strtoul(Last(log, "parent=").c_str(), NULL, 10); }

class Install : public Scenario {
protected:
    Process player, other, holder;   // other: a second player, from another folder

    void TearDown() override
    {
        Kill(&holder);
        Kill(&other);
        Kill(&player);
        Scenario::TearDown();
    }

    void StartPlayer(const char* mode = nullptr)
    {
        if (mode) {
            ASSERT_TRUE(WriteAll(std::string(PlayerFolder) + "standin.mode", mode));
        }
        std::string exe = std::string(PlayerFolder) + "winamp.exe";
        ASSERT_TRUE(Start(exe.c_str(), nullptr, PlayerFolder, &player));
        ASSERT_TRUE(WaitWindow(player.pid, "Winamp v1.x", nullptr, WAIT_MS));
    }

    void ExpectInstalledFiles(const std::string& from = SetupFolder)
    {
        for (const char* name : PluginFiles) {
            bool ok = false;
            std::string copied = ReadAll(Plugins(name), &ok);
            EXPECT_TRUE(ok) << name;
            EXPECT_EQ(ReadAll(from + name), copied) << name;
        }
    }

    // Next on Location, then the Finished page.
    void InstallFrom(const char* typed = nullptr)
    {
        ASSERT_TRUE(WalkToLocation(run.wizard));
        if (typed) {
            ASSERT_TRUE(SetText(run.wizard, LOCATION, typed));
        }
        ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
        EXPECT_EQ("&More Info", Text(run.wizard, CANCEL));
        EXPECT_FALSE(Visible(run.wizard, LOCATION));
        EXPECT_TRUE(Enabled(run.wizard, BACK));
    }

    // Next on Location with `typed` in the folder box (nullptr: as found)
    // ends the run with one "ZUV" error box, unowned, saying `text`; the
    // player's winamp.ini is left as it was. A box made wider than the screen
    // by an unbreakable path has its icon off the screen, where no pixel of
    // it can be read.
    void ExpectCopyFailure(const char* typed, const std::string& text, const std::string& folder = PlayerFolder,
                           bool iconOnScreen = true)
    {
        ASSERT_TRUE(Launch(&run));
        ASSERT_TRUE(WalkToLocation(run.wizard));
        if (typed) {
            ASSERT_TRUE(SetText(run.wizard, LOCATION, typed));
        }
        Click(run.wizard, NEXT);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ("ZUV", box.caption);
        EXPECT_EQ(text, box.text);
        EXPECT_TRUE(box.errorIcon || !iconOnScreen);
        EXPECT_EQ(NULL, box.owner);
        DismissMessageBox(box.window);
        ExpectEnds(run);
        EXPECT_EQ(SampleIni, ReadAll(folder + "winamp.ini"));
        EXPECT_EQ(player.handle ? 1u : 0u, Count(PlayerLog(folder), "started")) << "the player must not start";
    }

    void FinishAndExpectPlayer(Input input = POSTED)
    {
        ASSERT_TRUE(Press(run.wizard, NEXT, input));
        ExpectEnds(run);
        ASSERT_TRUE(WaitWindow(0, "Winamp v1.x", nullptr, WAIT_MS)) << "the player did not start";
    }

    // Explorer started it, as the desktop's user, and not the elevated installer.
    void ExpectStartedByTheShell(const std::string& log)
    {
        EXPECT_NE(std::string::npos, Last(log, "parent=").find(":explorer.exe")) << log;
        EXPECT_NE(run.process.pid, ParentId(log)) << log;
    }
};

TEST_F(Install, TypicalRunClosesCopiesAndStartsThePlayer)
{
    ASSERT_TRUE(WriteAll(Plugins("dsp_zv.dll"), "an older module"));   // overwritten without asking
    StartPlayer();
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    DWORD code;
    EXPECT_TRUE(WaitExit(player, WAIT_MS, &code)) << "the running player was not closed";
    EXPECT_NE(std::string::npos, PlayerLog().find("closed"));
    ExpectInstalledFiles();
    FinishAndExpectPlayer();
    EXPECT_EQ(2u, Count(PlayerLog(), "started args=[]"));
    ExpectStartedByTheShell(PlayerLog());
    // In its own folder (as registered, lower-cased), as from its shortcut.
    EXPECT_EQ(0, lstrcmpiA("C:\\Program Files\\Winamp", Last(PlayerLog(), "dir=").c_str())) << PlayerLog();
}

TEST_F(Install, OnlyThePlayerRunningFromTheTypedFolderIsClosedWhateverItsName)
{
    // The folder holds WACUP's program too, the one installed for; the
    // player runs as its other one, winamp.exe, and is closed all the same.
    ASSERT_TRUE(CopyFileA((std::string(PlayerFolder) + "winamp.exe").c_str(),
                          (std::string(PlayerFolder) + "wacup.exe").c_str(), TRUE));
    StartPlayer();
    // Started last, the other player's window is the first of the class.
    const std::string folder = "C:\\Other Winamp\\";
    InstallPlayer(folder, SampleIni);
    ASSERT_TRUE(Start((folder + "winamp.exe").c_str(), nullptr, folder.c_str(), &other));
    ASSERT_TRUE(WaitWindow(other.pid, "Winamp v1.x", nullptr, WAIT_MS));
    char shortName[MAX_PATH];
    ASSERT_TRUE(GetShortPathNameA(PlayerFolder, shortName, MAX_PATH));
    ASSERT_TRUE(Launch(&run));
    InstallFrom((std::string(shortName) + "PLUGINS").c_str());
    DWORD code;
    EXPECT_TRUE(WaitExit(player, WAIT_MS, &code)) << "the player in " << shortName << " was not closed";
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(other.handle, 0)) << "the other folder's player was closed";
}

// paths.ini's class= gives the player another window class, its variables
// expanded and cut to 63 characters, as the player reads it.
TEST_F(Install, PlayerWithTheWindowClassPathsIniNamesIsClosed)
{
    ASSERT_TRUE(SetEnvironmentVariableA("ZUV_CLASS_PART", "a Winamp built for a test, named at more length than a class keeps"));
    ASSERT_TRUE(WriteAll(std::string(PlayerFolder) + "paths.ini", "[Winamp]\r\nclass=\"Player of %ZUV_CLASS_PART%\"\r\n"));
    const std::string windowClass =
        std::string("Player of a Winamp built for a test, named at more length than a class keeps").substr(0, 63);
    std::string exe = std::string(PlayerFolder) + "winamp.exe";
    ASSERT_TRUE(Start(exe.c_str(), nullptr, PlayerFolder, &player));
    ASSERT_TRUE(WaitWindow(player.pid, windowClass.c_str(), nullptr, WAIT_MS));
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    DWORD code;
    EXPECT_TRUE(WaitExit(player, WAIT_MS, &code)) << "the player of class " << windowClass << " was not closed";
}

TEST_F(Install, FinishStartsThePlayerEvenWhenItWasNotRunning)
{
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    ExpectInstalledFiles();
    EXPECT_EQ("", PlayerLog());
    FinishAndExpectPlayer(POINTER);
    EXPECT_EQ(1u, Count(PlayerLog(), "started"));
}

TEST_F(Install, MissingSourceFileEndsTheRunBeforeClosingOrCopyingAnything)
{
    ASSERT_TRUE(DeleteFileA(Source("zvlogo.jpg").c_str()));
    StartPlayer();
    ExpectCopyFailure(nullptr, "Error: At least one source file not found.");
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(player.handle, 0)) << "the player was closed";
    for (const char* name : PluginFiles) EXPECT_FALSE(Exists(Plugins(name))) << name;
}

TEST_F(Install, BackAndNextInstallsAgain)
{
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    ExpectInstalledFiles();
    ASSERT_TRUE(WriteAll(Source("zvlogo.jpg"), std::string("a newer logo\0\x1a\xff", 16)));
    Click(run.wizard, BACK);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Next->"));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    EXPECT_EQ(std::string("a newer logo\0\x1a\xff", 16), ReadAll(Plugins("zvlogo.jpg")));
    ExpectInstalledFiles();
}

TEST_F(Install, FromAFolderTheAnsiCodePageCannotSpell)
{
    ASSERT_EQ(1252u, GetACP()) << "the folder's letters must lie outside the ANSI code page";
    const std::string folder = u8"C:\\Users\\Łukasz\\Downloads\\ZUV 音楽\\";
    StageInstaller(folder);
    ASSERT_TRUE(Launch(&run, nullptr, nullptr, folder));
    InstallFrom();
    ExpectInstalledFiles(folder);
    EXPECT_EQ(RewrittenIni, ReadAll(std::string(PlayerFolder) + "winamp.ini"));
    FinishAndExpectPlayer();
}

TEST_F(Install, SourcesAreFoundBesideTheInstallerWhateverTheCurrentDirectory)
{
    ASSERT_TRUE(Launch(&run, nullptr, "C:\\windows"));
    InstallFrom();
    ExpectInstalledFiles();
}

TEST_F(Install, TypedFolderWithoutTrailingBackslash)
{
    ASSERT_TRUE(Launch(&run));
    InstallFrom("C:\\Program Files\\Winamp\\plugins");
    ExpectInstalledFiles();
    EXPECT_FALSE(Exists(std::string(PlayerFolder) + "pluginsdsp_zv.dll"));
    // Back shows the folder exactly as typed.
    Click(run.wizard, BACK);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Next->"));
    EXPECT_EQ("C:\\Program Files\\Winamp\\plugins", Text(run.wizard, LOCATION));
}

TEST_F(Install, DestinationOver255CharactersIsAFailedCopy)
{
    // A real player whose plug-ins folder is 248 characters long: the
    // presence check passes, the first destination needs 258.
    std::string folder = "C:\\";
    for (int i = 0; i < 3; ++i) folder += std::string(78, 'd') + "\\";
    InstallPlayer(folder, SampleIni);
    std::string typed = folder + "plugins\\";
    ASSERT_EQ(248u, typed.size());
    ExpectCopyFailure(typed.c_str(), "Error: Could not write dsp_zv.dll into " + typed + ".", folder, false);
}

TEST_F(Install, MissingPluginsFolderIsAWriteFailureNamingTheJoinedFolder)
{
    ASSERT_TRUE(RemoveDirectoryA((std::string(PlayerFolder) + "plugins").c_str()));
    ExpectCopyFailure("C:\\Program Files\\Winamp\\plugins",
                      "Error: Could not write dsp_zv.dll into C:\\Program Files\\Winamp\\plugins\\.");
}

TEST_F(Install, TypedPlayerExecutableIsRejectedAndThePlayerKeepsRunning)
{
    StartPlayer();
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(SetText(run.wizard, LOCATION, "C:\\Program Files\\Winamp\\winamp.exe"));
    Click(run.wizard, NEXT);
    MessageBoxInfo box;
    ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
    EXPECT_EQ("Marbelox", box.caption);
    EXPECT_EQ(run.wizard, box.owner);
    DismissMessageBox(box.window);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Next->"));
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(player.handle, 0)) << "the player was closed";
    EXPECT_FALSE(Exists(Plugins("dsp_zv.dll")));
}

TEST_F(Install, DecoyProgramExeIsNotStarted)
{
    // An unquoted C:\Program Files\... command line would start C:\Program.exe.
    ASSERT_TRUE(CopyFileA(Env("ZUV_STANDIN").c_str(), "C:\\Program.exe", FALSE));
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    FinishAndExpectPlayer();
    EXPECT_EQ(1u, Count(PlayerLog(), "started args=[]"));
    EXPECT_FALSE(Exists("C:\\winamp.log")) << "C:\\Program.exe was started";
}

TEST_F(Install, HungPlayerDoesNotHangTheInstaller)
{
    StartPlayer("hang");
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    DWORD start = GetTickCount();
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Finish", 30000));
    EXPECT_LT(GetTickCount() - start, 15000u);
    ExpectInstalledFiles();
}

TEST_F(Install, PlayerIgnoringCloseDoesNotHangTheInstaller)
{
    StartPlayer("ignore-close");
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Finish", 30000));
    EXPECT_NE(std::string::npos, PlayerLog().find("close ignored"));
    ExpectInstalledFiles();
}

TEST_F(Install, SlowExitingPlayerHoldingTheModuleIsWaitedFor)
{
    ASSERT_TRUE(WriteAll(Plugins("dsp_zv.dll"), "the module the player holds"));
    StartPlayer("slow-exit");
    ASSERT_TRUE(WaitUntil([&] { return PlayerLog().find("holding module") != std::string::npos; }, WAIT_MS));
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Finish", 30000)) << "the copy failed while the player held the module";
    EXPECT_NE(std::string::npos, PlayerLog().find("module released"));
    ExpectInstalledFiles();
}

TEST_F(Install, MoreInfoOpensTheHelpBesideTheInstallerShownNormally)
{
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    Click(run.wizard, CANCEL);
    // A whole line: the file appears before its text.
    std::string log;
    ASSERT_TRUE(WaitUntil([&] { return (log = ReadAll(ViewerLog)).find('\n') != std::string::npos; }, WAIT_MS));
    EXPECT_NE(std::string::npos, log.find("show=1 "));
    EXPECT_NE(std::string::npos, log.find("C:\\ZUV Setup\\helpfile.html")) << log;
    ExpectStartedByTheShell(log);
    EXPECT_TRUE(IsWindowVisible(run.wizard));
    EXPECT_EQ("&More Info", Text(run.wizard, CANCEL));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(run.wizard) != FALSE; }, WAIT_MS)) << "still disabled";
    EXPECT_EQ(NEXT, FocusedId(run.wizard)) << "the keyboard lost its button";
}

// Explorer reached, and nothing started (here: the files are gone): a box
// says so, naming what and where, owned by the wizard; nothing is started
// elevated instead.
TEST_F(Install, MoreInfoAndFinishThatStartNothingSaySo)
{
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    ASSERT_TRUE(DeleteFileA(Source("helpfile.html").c_str()));
    ASSERT_TRUE(DeleteFileA((std::string(PlayerFolder) + "winamp.exe").c_str()));
    const struct { int button; const char* text; } Clicks[] = {
        { CANCEL, "Windows could not open the help page.\n\nOpen it yourself from Explorer: C:\\ZUV Setup\\helpfile.html" },
        { NEXT, "Windows could not open Winamp.\n\nOpen it yourself from Explorer: c:\\program files\\winamp\\winamp.exe" },
    };
    for (const auto& click : Clicks) {
        Click(run.wizard, click.button);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ("ZUV", box.caption);
        EXPECT_EQ(click.text, box.text);
        EXPECT_EQ((UINT)MB_ICONWARNING, box.icon);
        EXPECT_EQ(run.wizard, box.owner);
        DismissMessageBox(box.window);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, WAIT_MS));
    }
    ExpectEnds(run);
    EXPECT_EQ("", ReadAll(ViewerLog));
}

TEST_F(Install, WithoutTheDesktopShellTheInstallerStartsBothItself)
{
    // No ShellWindows: wine's explorer registers the class as it runs, so
    // deleting its key is not enough; a TreatAs naming no class is.
    const char treatAs[] = "{5A55564E-0000-4000-8000-000000000000}";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CLASSES_ROOT, "CLSID\\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\\TreatAs",
                                          REG_SZ, treatAs, sizeof treatAs - 1));
    ASSERT_TRUE(Launch(&run));
    InstallFrom();
    Click(run.wizard, CANCEL);
    std::string log;
    ASSERT_TRUE(WaitUntil([&] { return (log = ReadAll(ViewerLog)).find('\n') != std::string::npos; }, WAIT_MS));
    EXPECT_EQ(run.process.pid, ParentId(log)) << log;
    FinishAndExpectPlayer();
    EXPECT_EQ(1u, Count(PlayerLog(), "started args=[]"));
    EXPECT_EQ(run.process.pid, ParentId(PlayerLog())) << PlayerLog();
}

// Ended at any moment of the install step, as by a power cut, a crash or the
// task manager, the installer leaves each file the old one or the new one,
// whole: ended 0, 1, 2 ... ms after Next on Location until a round finds the
// install done, with no plug-in before and over an older one. A help page of
// 2 MB takes long enough to write that a copy made in place is caught half-way.
TEST_F(Install, EndedAtAnyMomentLeavesEachFileOldOrNew)
{
    const std::string ini = std::string(PlayerFolder) + "winamp.ini";
    ASSERT_TRUE(WriteAll(Source("helpfile.html"), std::string(2 << 20, 'h')));
    LARGE_INTEGER frequency, clicked, now;
    QueryPerformanceFrequency(&frequency);
    for (bool older : { false, true }) {
        bool done = false;
        for (int ms = 0; !done && ms < 200; ++ms) {
            SCOPED_TRACE(std::string(older ? "over an older plug-in" : "none before") + ", ended after " +
                         std::to_string(ms) + " ms");
            for (const char* name : PluginFiles)
                ASSERT_TRUE(older ? WriteAll(Plugins(name), std::string("an older ") + name)
                                  : !Exists(Plugins(name)) || DeleteFileA(Plugins(name).c_str()));
            ASSERT_TRUE(WriteAll(ini, SampleIni));
            ASSERT_TRUE(Launch(&run));
            ASSERT_TRUE(WalkToLocation(run.wizard));
            Click(run.wizard, NEXT);
            QueryPerformanceCounter(&clicked);
            do QueryPerformanceCounter(&now);
            while ((now.QuadPart - clicked.QuadPart) * 1000 < ms * frequency.QuadPart);
            Kill(&run.process);
            done = ReadAll(ini) == RewrittenIni;
            EXPECT_TRUE(done || ReadAll(ini) == SampleIni) << ReadAll(ini);
            for (const char* name : PluginFiles) {
                bool found = false;
                std::string left = ReadAll(Plugins(name), &found), ours = ReadAll(Source(name));
                done = done && left == ours;
                EXPECT_TRUE(left == ours || (found == older && left == (older ? std::string("an older ") + name : "")))
                    << name << ": " << left.size() << " bytes";
            }
        }
        EXPECT_TRUE(done) << "the install was never done";
    }
}

// Replacing what is already in the plug-ins folder: a newer module, and
// files another program keeps in use.
enum Hold { FREE, LOADED, HELD_1500_MS };   // how holder.exe keeps `held` in use

struct ReplaceCase {
    const char* name;
    const char* installed;   // the test module that is plugins\dsp_zv.dll
    Hold hold;
    const char* held;        // in the player's folder
    int answer;              // to the newer-module question (IDNO by Enter, its default; IDYES clicked); 0: not asked
};

const ReplaceCase ReplaceCases[] = {
    { "NewerKeptOnNo", "module_9.1.0.0.dll", FREE, nullptr, IDNO },
    { "NewerReplacedOnYes", "module_9.1.0.0.dll", FREE, nullptr, IDYES },
    { "LoadedModuleMovedAside", "module_0.9.0.0.dll", LOADED, "plugins\\dsp_zv.dll", 0 },
    { "HelpPageInUseWaitedFor", "module_0.9.0.0.dll", HELD_1500_MS, "plugins\\helpfile.html", 0 },
    { "WinampIniInUseWaitedFor", "module_0.9.0.0.dll", HELD_1500_MS, "winamp.ini", 0 },
};

const char NewerText[] = "A newer ZUV (version 9.1.0.0) is already installed in this folder.\n\n"
                         "Replace it with this older version (1.0.0.0)?";

// The names the system deletes at the next start, lower-cased.
std::wstring PendingDeletes()
{
    HKEY key;
    WCHAR value[4096] = {};
    DWORD size = sizeof value - sizeof(WCHAR);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key))
        return L"";
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", NULL, NULL, (BYTE*)value, &size)) size = 0;
    RegCloseKey(key);
    CharLowerBuffW(value, size / sizeof(WCHAR));
    return std::wstring(value, size / sizeof(WCHAR));
}

class Replace : public Install, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(Replace, AsksBeforeADowngradeAndGetsPastFilesInUse)
{
    const ReplaceCase& c = GetParam();
    ASSERT_TRUE(CopyFileA((Env("ZUV_MODULES") + "\\" + c.installed).c_str(), Plugins("dsp_zv.dll").c_str(), FALSE));
    ASSERT_TRUE(WriteAll(Plugins("helpfile.html"), "an older help page"));
    ASSERT_TRUE(WriteAll(Plugins("zvlogo.jpg"), "an older logo"));
    std::string before[3];
    for (int i = 0; i < 3; ++i) before[i] = ReadAll(Plugins(PluginFiles[i]));
    if (c.answer) StartPlayer();
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    if (c.hold != FREE) {
        std::string args = std::string(c.hold == LOADED ? "load \"" : "hold \"") + PlayerFolder + c.held +
                           (c.hold == LOADED ? "\"" : "\" 1500") + " C:\\holder.ready";
        DeleteFileA("C:\\holder.ready");
        ASSERT_TRUE(Start(Env("ZUV_HOLDER").c_str(), args.c_str(), nullptr, &holder));
        ASSERT_TRUE(WaitUntil([] { return Exists("C:\\holder.ready"); }, WAIT_MS)) << "holder " << args;
    }
    DWORD clicked = GetTickCount();
    Click(run.wizard, NEXT);
    MessageBoxInfo box;
    if (c.answer) {
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ("ZUV", box.caption);
        EXPECT_EQ(NewerText, box.text);
        EXPECT_EQ((UINT)MB_ICONWARNING, box.icon);
        EXPECT_EQ(run.wizard, box.owner);
        EXPECT_TRUE(Visible(box.window, IDYES) && Visible(box.window, IDNO) && !Visible(box.window, IDOK) &&
                    !Visible(box.window, IDCANCEL));
        ASSERT_TRUE(Press(box.window, c.answer, c.answer == IDNO ? ENTER : POINTER));
    }
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Finish"));
    // A 1.5 s hold that ended before the installer got there would prove nothing.
    EXPECT_TRUE(c.hold != HELD_1500_MS || GetTickCount() - clicked >= 1000) << "the installer did not wait";
    EXPECT_FALSE(WaitMessageBox(run.process.pid, SHORT_MS, &box)) << box.text;
    if (c.answer == IDNO) {
        EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(player.handle, 0)) << "the player was closed";
        for (int i = 0; i < 3; ++i) EXPECT_EQ(before[i], ReadAll(Plugins(PluginFiles[i]))) << PluginFiles[i];
        EXPECT_EQ(SampleIni, ReadAll(std::string(PlayerFolder) + "winamp.ini"));
        return;
    }
    ExpectInstalledFiles();
    EXPECT_EQ(RewrittenIni, ReadAll(std::string(PlayerFolder) + "winamp.ini"));
    if (c.hold == LOADED) {
        EXPECT_EQ(before[0], ReadAll(Plugins("dsp_zv.dll.old")));
        std::wstring moved = Wide(std::string("\\??\\") + Plugins("dsp_zv.dll.old"));
        CharLowerBuffW(&moved[0], (DWORD)moved.size());
        EXPECT_NE(std::wstring::npos, PendingDeletes().find(moved + L'\0' + L'\0')) << "not deleted at reboot";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Replace, ::testing::ValuesIn(ReplaceCases),
                         [](const ::testing::TestParamInfo<ReplaceCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
