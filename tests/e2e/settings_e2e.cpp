// The two settings files on a real run: winamp.ini rewritten in place with
// nothing left behind, zuv.cfg seeded once before the wizard opens.
#include "harness.h"
#include "plugin_settings.h"

#include <set>
#include <vector>

using namespace automation;

namespace e2e {
namespace {

std::string DefaultSettingsBytes()
{
    PluginSettings settings;
    DefaultPluginSettings(&settings);
    unsigned char bytes[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&settings, bytes, sizeof bytes);
    return std::string((const char*)bytes, n);
}

std::set<std::string> Listing(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, "..")) names.insert(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Ini() { return std::string(PlayerFolder) + "winamp.ini"; }

class Settings : public Scenario {
protected:
    void InstallAndFinish(const char* directory = nullptr)
    {
        ASSERT_TRUE(Launch(&run, nullptr, directory));
        ASSERT_TRUE(WalkToLocation(run.wizard));
        ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    }
};

TEST_F(Settings, FirstRunCancelledOnWelcomeHasSeededZuvCfg)
{
    ASSERT_FALSE(Exists(PluginSettingsFile()));
    ASSERT_TRUE(Launch(&run));
    // Written before the window opened.
    EXPECT_EQ(DefaultSettingsBytes(), ReadAll(PluginSettingsFile()));
    Click(run.wizard, CANCEL);
    ExpectEnds(run);
    EXPECT_EQ(DefaultSettingsBytes(), ReadAll(PluginSettingsFile()));
    EXPECT_EQ(SampleIni, ReadAll(Ini()));
}

TEST_F(Settings, LaterRunsLeaveZuvCfgAlone)
{
    for (const std::string& existing : { std::string(), std::string("changed by the user\0\xff", 21) }) {
        ASSERT_TRUE(WriteAll(PluginSettingsFile(), existing));
        ASSERT_TRUE(Launch(&run));
        Click(run.wizard, CANCEL);
        ASSERT_TRUE(WaitExit(run.process, WAIT_MS, nullptr));
        Kill(&run.process);
        EXPECT_EQ(existing, ReadAll(PluginSettingsFile()));
    }
}

TEST_F(Settings, TypicalInstallRewritesWinampIniAndLeavesNothingBehind)
{
    std::set<std::string> playerBefore = Listing(PlayerFolder);
    std::set<std::string> setupBefore = Listing(SetupFolder);
    std::set<std::string> windowsBefore = Listing(WindowsFolder() + "\\");
    InstallAndFinish(SetupFolder);
    EXPECT_EQ(RewrittenIni, ReadAll(Ini()));
    windowsBefore.insert("zuv.cfg");   // seeded at start, and nothing else
    EXPECT_EQ(playerBefore, Listing(PlayerFolder));
    EXPECT_EQ(setupBefore, Listing(SetupFolder));
    EXPECT_EQ(windowsBefore, Listing(WindowsFolder() + "\\"));
}

TEST_F(Settings, BareLineFeedsComeOutAsCrLf)
{
    std::string bare = SampleIni;
    for (size_t at; (at = bare.find("\r\n")) != std::string::npos;) bare.erase(at, 1);
    ASSERT_TRUE(WriteAll(Ini(), bare));
    InstallAndFinish();
    EXPECT_EQ(RewrittenIni, ReadAll(Ini()));
}

TEST_F(Settings, SomethingNamedIniTmpInTheCurrentDirectoryDoesNotMatter)
{
    ASSERT_TRUE(CreateDirectoryA((std::string(SetupFolder) + "ini.tmp").c_str(), NULL));
    InstallAndFinish(SetupFolder);
    EXPECT_EQ(RewrittenIni, ReadAll(Ini()));
}

const char NotSwitchedOnText[] =
    "ZUV has been copied into Winamp's plug-ins folder, but Winamp's settings could not be changed to use it.\n\n"
    "To turn it on, start Winamp, open Preferences (Ctrl+P), choose DSP/Effect and select ZUV Enhancer.";

// Where winamp.ini is kept, and whether the player was switched to the module.
struct PlaceCase {
    const char* name;
    const char* pathsIni;     // nullptr: none
    const char* iniFolder;    // where winamp.ini is kept: "" the player's, "appdata:" + below it, or absolute
    const char* ini;          // nullptr: no winamp.ini there
    bool readOnly;
    bool rewritten;           // false: the box shown
    bool desktopShell = false;   // shellwindow.exe runs, so the installer finds a desktop user
    const char* after = nullptr;       // winamp.ini afterwards; nullptr: RewrittenIni when rewritten, else as it was
    const char* dspFolder = nullptr;   // where the three files go; nullptr: the player's plug-ins folder
    const char* typed = nullptr;       // the folder typed on Location; nullptr: as found
    const char* box = NotSwitchedOnText;
    bool safeMode = false;             // and then the box that says the player runs in safe mode
    const char* onExit = nullptr;      // the player runs, and writes this winamp.ini as it closes
};

// The files where the player does not look: its own selection stays.
const char NotLoadedTail[] =
    ".\n\nTo use it, start Winamp, open Preferences (Ctrl+P), choose Plug-ins and set the DSP/Effect plug-in "
    "directory to the folder ZUV is in; then choose DSP/Effect and select ZUV Enhancer.";
const std::string SubfolderText = std::string("ZUV has been copied into C:\\Program Files\\Winamp\\plugins\\DSP\\, but Winamp "
                                              "loads DSP plug-ins from its plug-ins folder, C:\\Program Files\\Winamp\\plugins\\") + NotLoadedTail;
const std::string RelativeText = std::string("ZUV has been copied into c:\\program files\\winamp\\plugins\\, but Winamp loads "
                                             "DSP plug-ins from the DSP/Effect plug-in directory its settings name, "
                                             "\"Plugins\\DSP\", which is relative") + NotLoadedTail;
const char NotSwitchedOnInDspDirText[] =
    "ZUV has been copied into C:\\Effects\\DSP\\, but Winamp's settings could not be changed to use it.\n\n"
    "To turn it on, start Winamp, open Preferences (Ctrl+P), choose DSP/Effect and select ZUV Enhancer.";
const char SafeModeText[] =
    "ZUV is installed, but the player is set to always run in Safe Mode, in which it loads no DSP plug-in. To use "
    "ZUV, open Preferences (Ctrl+P), choose Plug-ins, clear \"Always run Winamp in 'Safe Mode'\" and restart the "
    "player.";
const char SelectionKeptIni[] = "[Winamp]\r\ndspplugin_name=dsp_eq.dll\r\neq_open=1\r\n";
const char ProgramFilesDspDirIni[] = "[Winamp]\r\nDSPDir=C:\\Program Files\\Winamp\\Plugins\\..\\PLUGINS\r\n";

const PlaceCase PlaceCases[] = {
    { "Typical", nullptr, "", SampleIni, false, true },
    { "UserAppData", "[Winamp]\r\ninidir={26}\\Winamp\r\n", "appdata:Winamp\\", SampleIni, false, true },
    { "ProgramDir", "[winamp]\ninidir = \"%WINAMP_PROGRAM_DIR%\\conf\"\n", "C:\\Program Files\\Winamp\\conf\\", SampleIni, false, true },
    { "Absolute", "[Winamp]\r\ninidir=C:\\Winamp Settings\r\n", "C:\\Winamp Settings\\", SampleIni, false, true },
    // Run under code page 932 alone: an ANSI paths.ini naming C:\ソア, and
    // an ANSI winamp.ini whose removal names xソdsp_zv.dll, not the module.
    { "JapaneseAbsolute", "[Winamp]\r\ninidir=C:\\\x83\x5c\x83\x41\r\n", "C:\\\x83\x5c\x83\x41\\",
      "[Winamp]\r\nutf8=0\r\nremove_genplug=C:\\W\\x\x83\x5c" "dsp_zv.dll\r\ndspplugin_name=a\r\n", false, true, false,
      "[Winamp]\r\nutf8=0\r\nremove_genplug=C:\\W\\x\x83\x5c" "dsp_zv.dll\r\ndspplugin_name=dsp_zv.dll\r\n" },
    // ANSI (utf8=0) while the player runs, which writes it in UTF-8 as it
    // closes: there E3 81 82 is one letter and the removal names the module,
    // where code page 932 would take 82 5C for one and the name for another.
    { "JapanesePlayerTurnsItsIniToUtf8AsItCloses", nullptr, "", "[Winamp]\r\nutf8=0\r\n", false, true, false,
      "[Winamp]\r\nutf8=1\r\nremove_genplug=\r\ndspplugin_name=dsp_zv.dll\r\n", nullptr, nullptr, nullptr, false,
      "[Winamp]\r\nutf8=1\r\nremove_genplug=C:\\W\\\xE3\x81\x82\\dsp_zv.dll\r\ndspplugin_name=a\r\n" },
    { "UndefinedVariable", "[Winamp]\r\ninidir=%ZUV_NO_SUCH_VARIABLE%\\Winamp\r\n", "", SampleIni, false, false },
    { "MissingIniIsNotCreated", nullptr, "", nullptr, false, false },
    { "ReadOnlyIni", nullptr, "", SampleIni, true, false },
    // The player writes its DSP keys only after Preferences was opened: they
    // are added at the end of the first [Winamp] section.
    { "IniWithoutModuleKey", nullptr, "", "[Winamp]\r\ndspplugin_num=4\r\n", false, true, false,
      "[Winamp]\r\ndspplugin_num=0\r\ndspplugin_name=dsp_zv.dll\r\n" },
    { "FreshProfile", nullptr, "", "[Winamp]\r\nutf8=1\r\nvolume=200\r\neq_open=1\r\n[Winamp5]\r\nplaylist=1\r\n", false, true, false,
      "[Winamp]\r\nutf8=1\r\nvolume=200\r\neq_open=0\r\ndspplugin_name=dsp_zv.dll\r\ndspplugin_num=0\r\n[Winamp5]\r\nplaylist=1\r\n" },
    // Nothing to rewrite or add: not written at all, bare line end and all.
    { "NoWinampSection", nullptr, "", "[Other]\nfoo=1", false, false },
    // The player loads its DSP modules from DSPDir alone once it is set.
    { "DspDir", nullptr, "", "[Winamp]\r\nutf8=1\r\nDSPDir=C:\\Effects\\DSP\r\n", false, true, false,
      "[Winamp]\r\nutf8=1\r\nDSPDir=C:\\Effects\\DSP\r\ndspplugin_name=dsp_zv.dll\r\ndspplugin_num=0\r\n", "C:\\Effects\\DSP\\" },
    // Under wine every process has the same user and a full token, so with a
    // shell window these run the same-user branch for real: the shell's token
    // opened, the SIDs compared, the folder and the variable resolved through
    // the token, the rewrite impersonated and reverted. Another account's
    // shell cannot be had here; the settings-folder unit table alone covers
    // that branch.
    { "DesktopUsersFolder", "[Winamp]\r\ninidir={26}\\Winamp\r\n", "appdata:Winamp\\", SampleIni, false, true, true },
    { "DesktopUsersVariable", "[Winamp]\r\ninidir=%APPDATA%\\Winamp\r\n", "appdata:Winamp\\", SampleIni, false, true, true },
    // The desktop user's own DSPDir naming the plug-ins folder: no move.
    { "DesktopUsersDspDirIsThePluginsFolder", "[Winamp]\r\ninidir={26}\\Winamp\r\n", "appdata:Winamp\\", ProgramFilesDspDirIni,
      false, true, true,
      "[Winamp]\r\nDSPDir=C:\\Program Files\\Winamp\\Plugins\\..\\PLUGINS\r\ndspplugin_name=dsp_zv.dll\r\ndspplugin_num=0\r\n" },
    { "DspDirReadOnlyIni", nullptr, "", "[Winamp]\r\nDSPDir=C:\\Effects\\DSP\r\n", true, false, false, nullptr,
      "C:\\Effects\\DSP\\", nullptr, NotSwitchedOnInDspDirText },
    { "TypedSubfolderOfPlugins", nullptr, "", SelectionKeptIni, false, false, false,
      "[Winamp]\r\ndspplugin_name=dsp_eq.dll\r\neq_open=0\r\n", "C:\\Program Files\\Winamp\\plugins\\DSP\\",
      "C:\\Program Files\\Winamp\\plugins\\DSP\\", SubfolderText.c_str() },
    { "RelativeDspDir", nullptr, "", "[Winamp]\r\ndspplugin_name=dsp_eq.dll\r\nDSPDir=Plugins\\DSP\r\n", false, false,
      false, nullptr, nullptr, nullptr, RelativeText.c_str() },
    // Safe mode is the user's to leave: it stays, and the user is told.
    { "SafeModeKept", nullptr, "", "[Winamp]\r\nsafemode=1\r\ndspplugin_name=dsp_eq.dll\r\n", false, true, false,
      "[Winamp]\r\nsafemode=1\r\ndspplugin_name=dsp_zv.dll\r\n", nullptr, nullptr, nullptr, true },
    { "SafeModeAfterNotSwitchedOn", nullptr, "", "[Winamp]\r\nsafemode=1\r\n", true, false, false, nullptr, nullptr,
      nullptr, NotSwitchedOnText, true },
};

class PlayerSettingsPlace : public Settings, public ::testing::WithParamInterface<PlaceCase> {
protected:
    Process shell;

    void TearDown() override
    {
        Settings::TearDown();
        Kill(&shell);
    }
};

TEST_P(PlayerSettingsPlace, RewritesWhereThePlayerReadsOrSaysItDidNot)
{
    const PlaceCase& c = GetParam();
    std::string folder = c.iniFolder;
    if (folder.rfind("appdata:", 0) == 0) folder = AppData() + "\\" + folder.substr(8);
    if (folder.empty()) folder = PlayerFolder;
    std::string ini = folder + "winamp.ini";
    DeleteFileA((std::string(PlayerFolder) + "paths.ini").c_str());
    if (c.pathsIni) {
        ASSERT_TRUE(WriteAll(std::string(PlayerFolder) + "paths.ini", c.pathsIni));
        CreateDirectoryA(folder.c_str(), NULL);
    }
    if (c.ini) {
        ASSERT_TRUE(WriteAll(ini, c.ini));
    } else {
        ASSERT_TRUE(DeleteFileA(ini.c_str()));
    }
    std::string dsp = c.dspFolder ? c.dspFolder : std::string(PlayerFolder) + "plugins\\";
    for (size_t at = 3; (at = dsp.find('\\', at)) != std::string::npos; ++at) CreateDirectoryA(dsp.substr(0, at).c_str(), NULL);
    if (c.readOnly) {
        ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    }

    if (c.desktopShell) {
        ASSERT_TRUE(StartDesktopShell(&shell));
    }
    Process player;
    if (c.onExit) {
        ASSERT_TRUE(WriteAll(std::string(PlayerFolder) + "exit.ini", c.onExit));
        ASSERT_TRUE(WriteAll(std::string(PlayerFolder) + "standin.mode", "exit-writes-ini"));
        ASSERT_TRUE(Start((std::string(PlayerFolder) + "winamp.exe").c_str(), nullptr, PlayerFolder, &player));
        ASSERT_TRUE(WaitWindow(player.pid, "Winamp v1.x", nullptr, WAIT_MS));
    }

    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    if (c.typed) {
        ASSERT_TRUE(SetText(run.wizard, LOCATION, c.typed));
    }
    Click(run.wizard, NEXT);
    MessageBoxInfo box;
    std::vector<const char*> boxes;
    if (!c.rewritten) boxes.push_back(c.box);
    if (c.safeMode) boxes.push_back(SafeModeText);
    for (const char* text : boxes) {
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ("ZUV", box.caption);
        EXPECT_EQ(text, box.text);
        EXPECT_EQ((UINT)MB_ICONINFORMATION, box.icon);
        EXPECT_EQ(run.wizard, box.owner);
        // The Finished page is already set up behind the box.
        EXPECT_EQ("&Finish", Text(run.wizard, NEXT));
        EXPECT_EQ("&More Info", Text(run.wizard, CANCEL));
        EXPECT_FALSE(Visible(run.wizard, LOCATION));
        DismissMessageBox(box.window);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, WAIT_MS));
    }
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Finish"));
    if (c.onExit) {
        EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(player.handle, 0)) << "the player was not closed";
        Kill(&player);
    }
    EXPECT_FALSE(WaitMessageBox(run.process.pid, SHORT_MS, &box)) << box.text;
    EXPECT_EQ("&More Info", Text(run.wizard, CANCEL));
    Click(run.wizard, NEXT);
    ExpectEnds(run);
    EXPECT_TRUE(WaitWindow(0, "Winamp v1.x", nullptr, WAIT_MS)) << "Finish must still start the player";

    // A missing winamp.ini is never created.
    const char* after = c.after ? c.after : c.rewritten ? RewrittenIni : c.ini;
    EXPECT_EQ(after ? after : "<none>", Exists(ini) ? ReadAll(ini) : "<none>");
    // The player's own winamp.ini is left alone when it is not the one it reads.
    EXPECT_EQ(SampleIni, folder == PlayerFolder ? SampleIni : ReadAll(Ini()));
    EXPECT_EQ(0u, Listing(folder).count("winamp.ini.zuv-tmp"));
    for (const char* name : { "dsp_zv.dll", "helpfile.html", "zvlogo.jpg" })
        EXPECT_TRUE(ReadAll(std::string(SetupFolder) + name) == ReadAll(dsp + name)) << dsp << name;
    EXPECT_EQ(!c.dspFolder, Exists(std::string(PlayerFolder) + "plugins\\dsp_zv.dll"));
    // The stand-in reads the winamp.ini beside it: there, switched on means loaded.
    if (c.rewritten && folder == PlayerFolder && !c.safeMode) {
        EXPECT_NE(std::string::npos, PlayerLog().find("dsp loaded dsp_zv.dll index 0")) << PlayerLog();
    }
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Places, PlayerSettingsPlace, ::testing::ValuesIn(PlaceCases),
                         [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
