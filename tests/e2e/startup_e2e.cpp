// Start-up: finding the player, or telling the user it is missing.
#include "harness.h"

using namespace automation;

namespace e2e {
namespace {

const char PlayerMissingText[] =
    "The Winamp player is required to use this plugin.\nPlease go to www.winamp.com to download\n"
    "and install Winamp. Then run this program again.\n\nIf Winamp is already installed on this system it may\n"
    "be configured incorrectly. Please re-install Winamp\nand try again.";

class Startup : public Scenario {
protected:
    // The installer started from `folder` must show exactly this box, with
    // the error icon and no owner, nothing else, write nothing and end with 0.
    void ExpectOnlyTheBox(const char* caption, const char* text, const std::string& folder = SetupFolder)
    {
        ASSERT_TRUE(Launch(&run, nullptr, nullptr, folder, false));
        MessageBoxInfo box;
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ(caption, box.caption);
        EXPECT_EQ(text, box.text);
        EXPECT_TRUE(box.errorIcon);
        EXPECT_EQ(NULL, box.owner);
        EXPECT_EQ(NULL, FindTopWindow(run.process.pid, "#32770", WizardCaption));
        DismissMessageBox(box.window);
        ExpectEnds(run);
        EXPECT_FALSE(Exists(PluginSettingsFile()));
        EXPECT_FALSE(Exists(std::string(PlayerFolder) + "plugins\\dsp_zv.dll"));
    }

    // Nothing in the registry, nor in the default folders, holds a player.
    void ExpectPlayerMissing()
    {
        RemoveDefaultPlayer();
        ExpectOnlyTheBox("QEL ZUV!!", PlayerMissingText);
    }

    // The folder a play command gives, where no player stands (the default
    // folder's would be offered before a stale command's).
    std::string LocationShownFor(const std::string& command)
    {
        RemoveDefaultPlayer();
        RegisterPlayer(command);
        if (!Launch(&run)) return "<no wizard>";
        if (!WalkToLocation(run.wizard)) return "<no location page>";
        return Text(run.wizard, LOCATION);
    }
};

// Started from inside the zip, or copied alone: one box before anything is
// written or closed.
TEST_F(Startup, InstallerWithoutThePluginFilesSaysSoAndChangesNothing)
{
    std::string alone = "C:\\Alone\\";
    ASSERT_TRUE(CreateDirectoryA("C:\\Alone", NULL));
    ASSERT_TRUE(CopyFileA((std::string(SetupFolder) + "ZUVInstaller.exe").c_str(), (alone + "ZUVInstaller.exe").c_str(), FALSE));
    Process player;
    ASSERT_TRUE(Start((std::string(PlayerFolder) + "winamp.exe").c_str(), nullptr, PlayerFolder, &player));
    ASSERT_TRUE(WaitWindow(player.pid, "Winamp v1.x", nullptr, WAIT_MS));
    ExpectOnlyTheBox("ZUV",
                     "The ZUV plug-in files were not found beside this program.\n\n"
                     "Extract all the files from the download into one folder, then run this program from there.",
                     alone);
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(player.handle, 0)) << "the player was closed";
    Kill(&player);
}

TEST_F(Startup, NoRegistryKeyShowsOnlyTheMissingPlayerBox)
{
    UnregisterPlayer();
    ExpectPlayerMissing();
}

TEST_F(Startup, CommandWithoutWinampExeIsAMissingPlayer)
{
    RegisterPlayer("\"C:\\Program Files\\Other\\player.exe\" \"%1\"");
    ExpectPlayerMissing();
}

TEST_F(Startup, CommandLongerThan255CharactersIsAMissingPlayer)
{
    RegisterPlayer("\"C:\\" + std::string(280, 'w') + "\\winamp.exe\" \"%1\"");
    ExpectPlayerMissing();
}

TEST_F(Startup, KeyPresentOpensTheWizardOnWelcome)
{
    ASSERT_TRUE(Launch(&run));
    ExpectWelcome(run.wizard);
    EXPECT_FALSE(Text(run.wizard, NOTICE).empty());
    EXPECT_EQ(NEXT, FocusedId(run.wizard));
    Click(run.wizard, CANCEL);
    ExpectEnds(run);
}

TEST_F(Startup, ArgumentsChangeNothing)
{
    ASSERT_TRUE(Launch(&run, "/S /D=C:\\Elsewhere --help \"C:\\Program Files\\Winamp\\plugins\\\""));
    EXPECT_EQ("&Next->", Text(run.wizard, NEXT));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    EXPECT_EQ("c:\\program files\\winamp\\plugins\\", Text(run.wizard, LOCATION));
}

TEST_F(Startup, FolderFromTheRegisteredCommand)
{
    struct Case {
        const char* command;
        const char* shown;
    } cases[] = {
        { "\"C:\\Program Files\\WinAmp\\WINAMP.EXE\" /ADD \"%1\"", "c:\\program files\\winamp\\plugins\\" },
        { "C:\\Winamp\\winamp.exe %1", "c:\\winamp\\plugins\\" },
        { "winamp.exe %1", "plugins\\" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.shown, LocationShownFor(c.command)) << c.command;
        Kill(&run.process);
    }
}

// Winamp's and WACUP's installers record their folders in several places
// from the start; the play command comes only with the player's first start.
// The default folders are looked at last.
const char RealFolder[] = "C:\\Players\\Winamp 5\\";   // holds a player
const char GoneFolder[] = "C:\\Gone\\";               // holds none
const char WacupFolder[] = "C:\\Players\\WACUP\\";

struct RegistryWrite {
    HKEY root;
    const char* key;
    const char* name;   // NULL: the default value
    DWORD type;
    const char* data;
};

const char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const char AppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\winamp.exe";
const char UsersCommandKey[] = "Software\\Classes\\Winamp.File\\shell\\Play\\command";
const char WacupUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WACUP";

// The box for a player that is not 32-bit, naming its folder.
std::string Not32BitText(const char* folder)
{
    return std::string("ZUV cannot be used with the player in ") + folder +
           ": it is a 64-bit program, and ZUV is a 32-bit plug-in, which only a 32-bit player loads (the 32-bit "
           "Winamp, or WACUP's 32-bit (x86) build).";
}

struct PlaceCase {
    const char* name;
    const char* command;            // HKLM's play command; NULL: none
    RegistryWrite writes[3];
    const char* shown;              // the Location page's folder; NULL: a box alone
    bool install;                   // and on to Finish, the player running before
    const char* program = "winamp.exe";   // the player in `folder`
    const char* folder = RealFolder;
    bool x64 = false;               // its program is a 64-bit one; NULL `shown`: its box
    bool keepDefault = false;       // Winamp stays in its default folder
    const char* iniFolder = nullptr;     // under the user's application data; nullptr: beside the program
};

const PlaceCase PlaceCases[] = {
    { "UninstallEntryAlone", NULL,
      { { HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", REG_SZ, "\"C:\\Players\\Winamp 5\\UninstWA.exe\"" } },
      "c:\\players\\winamp 5\\plugins\\", true },
    { "AppPathsAlone", NULL,
      { { HKEY_LOCAL_MACHINE, AppPathsKey, "Path", REG_EXPAND_SZ, "%SystemDrive%\\Players\\Winamp 5" } },
      "c:\\players\\winamp 5\\plugins\\", false },
    { "UsersOwnKeyAlone", NULL,
      { { HKEY_CURRENT_USER, "Software\\Winamp", NULL, REG_SZ, "C:\\Players\\Winamp 5" } },
      "c:\\players\\winamp 5\\plugins\\", false },
    { "UsersOwnClassesAlone", NULL,
      { { HKEY_CURRENT_USER, UsersCommandKey, NULL, REG_SZ, "\"C:\\Players\\Winamp 5\\winamp.exe\" \"%1\"" } },
      "c:\\players\\winamp 5\\plugins\\", false },
    { "StaleCommandAndAnUninstallEntryThatHoldsIt", "\"C:\\Gone\\winamp.exe\" \"%1\"",
      { { HKEY_LOCAL_MACHINE, UninstallKey, "InstallLocation", REG_SZ, "C:\\Players\\Winamp 5\\" } },
      "c:\\players\\winamp 5\\plugins\\", false },
    { "NoCommandAndNoPlaceHoldsIt", NULL,
      { { HKEY_LOCAL_MACHINE, UninstallKey, "InstallLocation", REG_SZ, "C:\\Gone" },
        { HKEY_LOCAL_MACHINE, AppPathsKey, NULL, REG_SZ, "C:\\Gone\\winamp.exe" },
        { HKEY_CURRENT_USER, "Software\\Winamp", NULL, REG_SZ, "C:\\Gone" } },
      NULL, false },
    { "StaleCommandAndNoPlaceHoldsIt", "\"C:\\Gone\\winamp.exe\" \"%1\"",
      { { HKEY_LOCAL_MACHINE, UninstallKey, "InstallLocation", REG_SZ, "C:\\Gone" },
        { HKEY_LOCAL_MACHINE, AppPathsKey, NULL, REG_SZ, "C:\\Gone\\winamp.exe" },
        { HKEY_CURRENT_USER, "Software\\Winamp", NULL, REG_SZ, "C:\\Gone" } },
      "c:\\gone\\plugins\\", false },
    // WACUP: its own program, uninstall entry, folders and settings file.
    { "WacupUninstallEntryAlone", NULL,
      { { HKEY_LOCAL_MACHINE, WacupUninstallKey, "DisplayIcon", REG_SZ, "\"C:\\Players\\WACUP\\wacup.exe\",0" } },
      "c:\\players\\wacup\\plugins\\", true, "wacup.exe", WacupFolder },
    { "WacupPlayCommand", "\"C:\\Players\\WACUP\\wacup.exe\" \"%1\"", {}, "c:\\players\\wacup\\plugins\\", false,
      "wacup.exe", WacupFolder },
    { "WacupAtItsDefaultFolderOnly", NULL, {}, "c:\\program files\\wacup\\plugins\\", true, "wacup.exe",
      "C:\\Program Files\\WACUP\\", false, false, "WACUP\\" },
    // A 64-bit player cannot load the plug-in: a 32-bit one found later wins.
    { "Only64BitPlayer", NULL, { { HKEY_LOCAL_MACHINE, WacupUninstallKey, "InstallLocation", REG_SZ, "C:\\Players\\WACUP" } },
      NULL, false, "wacup.exe", WacupFolder, true },
    { "Wacup64BitAndWinampAtItsDefaultFolder", NULL,
      { { HKEY_LOCAL_MACHINE, WacupUninstallKey, "InstallLocation", REG_SZ, "C:\\Players\\WACUP" } },
      "c:\\program files\\winamp\\plugins\\", false, "wacup.exe", WacupFolder, true, true },
};

class PlayerPlaces : public Startup, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(PlayerPlaces, FirstPlaceThatHoldsThePlayerWins)
{
    const PlaceCase& c = GetParam();
    InstallPlayer(c.folder, SampleIni, c.program, c.x64);
    std::string ini = std::string(c.folder) + "winamp.ini";
    if (c.iniFolder) {
        std::string folder = AppData() + "\\" + c.iniFolder;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        ASSERT_TRUE(MoveFileA(ini.c_str(), (folder + "winamp.ini").c_str()));
        ini = folder + "winamp.ini";
    }
    ASSERT_TRUE(CreateDirectoryA(GoneFolder, NULL));
    if (!c.keepDefault) RemoveDefaultPlayer();
    if (c.command)
        RegisterPlayer(c.command);
    else
        UnregisterPlayer();
    for (const RegistryWrite& w : c.writes) {
        if (!w.key) continue;
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(w.root, w.key, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        RegSetValueExA(key, w.name, 0, w.type, (const BYTE*)w.data, (DWORD)strlen(w.data) + 1);
        RegCloseKey(key);
    }
    if (!c.shown) {
        if (c.x64)
            ExpectOnlyTheBox("ZUV", Not32BitText("c:\\players\\wacup\\").c_str());
        else
            ExpectPlayerMissing();
        return;
    }
    std::string program = std::string(c.folder) + c.program;
    Process player;
    if (c.install) {
        ASSERT_TRUE(Start(program.c_str(), nullptr, c.folder, &player));
        ASSERT_TRUE(WaitWindow(player.pid, "Winamp v1.x", nullptr, WAIT_MS));
    }
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    EXPECT_EQ(c.shown, Text(run.wizard, LOCATION));
    if (!c.install) return;
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(player.handle, WAIT_MS)) << "the running player was not closed";
    Kill(&player);
    EXPECT_EQ(ReadAll(std::string(SetupFolder) + "dsp_zv.dll"), ReadAll(std::string(c.folder) + "plugins\\dsp_zv.dll"));
    EXPECT_EQ(RewrittenIni, ReadAll(ini));
    Click(run.wizard, NEXT);
    ExpectEnds(run);
    // Started again from its own folder: its log there tells two starts.
    ASSERT_TRUE(WaitWindow(0, "Winamp v1.x", nullptr, WAIT_MS)) << "the player did not start";
    std::string log = PlayerLog(c.folder);
    EXPECT_NE(log.find("started"), log.rfind("started")) << program << ":\n" << log;
}

INSTANTIATE_TEST_SUITE_P(Places, PlayerPlaces, ::testing::ValuesIn(PlaceCases),
                         [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
