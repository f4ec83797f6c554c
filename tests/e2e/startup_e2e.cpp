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
    REGSAM view = 0;   // KEY_WOW64_64KEY: as a 64-bit installer writes it
};

const char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const char AppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\winamp.exe";
const char UsersCommandKey[] = "Software\\Classes\\Winamp.File\\shell\\Play\\command";
const char WacupUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WACUP";
const char WacupAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wacup.exe";

// 64-bit Windows: the 32-bit Program Files, and the native one.
const char ProgramFilesX86[] = "C:\\Program Files (x86)\\";
const char NativeWacup[] = "C:\\Program Files\\WACUP\\";

// Code page 932: C:\Apps\アプリ\ソ\, each character's second byte an ASCII
// letter (83 41 "A", 83 76 "v") or a backslash (83 5C).
#define JA_FOLDER "C:\\Apps\\\x83\x41\x83\x76\x83\x8a\\\x83\x5c"
#define JA_SHOWN "c:\\apps\\\x83\x41\x83\x76\x83\x8a\\\x83\x5c\\plugins\\"
const char JaFolder[] = JA_FOLDER "\\";

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
    const char* typed = nullptr;         // typed on the Location page; nullptr: as shown
};

const REGSAM View64 = KEY_WOW64_64KEY;

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
    // Run in a 64-bit prefix alone (WoW64), where "C:\Program Files" is the
    // native folder and the 32-bit view's keys lie under Wow6432Node.
    { "Win64WinampRecordedByIts32BitInstaller", NULL,
      { { HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", REG_SZ, "\"C:\\Program Files (x86)\\Winamp\\UninstWA.exe\"" },
        { HKEY_LOCAL_MACHINE, AppPathsKey, NULL, REG_SZ, "C:\\Program Files (x86)\\Winamp\\winamp.exe" } },
      "c:\\program files (x86)\\winamp\\plugins\\", true, "winamp.exe", "C:\\Program Files (x86)\\Winamp\\" },
    { "Win64WacupRecordedInThe64BitView", NULL,
      { { HKEY_LOCAL_MACHINE, WacupUninstallKey, "InstallLocation", REG_SZ, "C:\\Players\\WACUP", View64 } },
      "c:\\players\\wacup\\plugins\\", false, "wacup.exe", WacupFolder },
    { "Win64WacupRecordedInThe32BitView", NULL,
      { { HKEY_LOCAL_MACHINE, WacupAppPathsKey, NULL, REG_SZ, "C:\\Players\\WACUP\\wacup.exe" } },
      "c:\\players\\wacup\\plugins\\", false, "wacup.exe", WacupFolder },
    { "Win64Wacup64BitAndA32BitWinampElsewhere", NULL,
      { { HKEY_LOCAL_MACHINE, WacupUninstallKey, "InstallLocation", REG_SZ, "C:\\Program Files\\WACUP", View64 } },
      "c:\\program files\\winamp\\plugins\\", false, "wacup.exe", NativeWacup, true, true },
    { "Win64Wacup64BitAlone", NULL, {}, NULL, false, "wacup.exe", NativeWacup, true },
    // Written by a 64-bit installer: its %ProgramFiles% is the native folder
    // (read as the 32-bit one, the default folders would offer Winamp first).
    { "Win64ProgramFilesExpandedAsA64BitProgramDoes", NULL,
      { { HKEY_LOCAL_MACHINE, WacupUninstallKey, "InstallLocation", REG_EXPAND_SZ, "%ProgramFiles%\\WACUP", View64 } },
      "c:\\program files\\wacup\\plugins\\", true, "wacup.exe", NativeWacup, false, true, "WACUP\\" },
    // Run under code page 932 alone: the folder shown as it is (single-byte
    // A to Z lower-cased), found through each kind of place.
    { "JapanesePlayCommand", "\"" JA_FOLDER "\\WINAMP.EXE\" \"%1\"", {}, JA_SHOWN, true, "winamp.exe", JaFolder },
    { "JapaneseUsersOwnClasses", NULL,
      { { HKEY_CURRENT_USER, UsersCommandKey, NULL, REG_SZ, "\"" JA_FOLDER "\\winamp.exe\" \"%1\"" } }, JA_SHOWN, true,
      "winamp.exe", JaFolder },
    { "JapaneseUninstallLocation", NULL, { { HKEY_LOCAL_MACHINE, UninstallKey, "InstallLocation", REG_SZ, JA_FOLDER } },
      JA_SHOWN, true, "winamp.exe", JaFolder },
    { "JapaneseUninstallString", NULL,
      { { HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString", REG_SZ, JA_FOLDER "\\UninstWA.exe" } }, JA_SHOWN, true,
      "winamp.exe", JaFolder },
    { "JapaneseAppPaths", NULL, { { HKEY_LOCAL_MACHINE, AppPathsKey, "Path", REG_EXPAND_SZ, JA_FOLDER } }, JA_SHOWN, true,
      "winamp.exe", JaFolder },
    { "JapaneseUsersOwnKey", NULL, { { HKEY_CURRENT_USER, "Software\\Winamp", NULL, REG_SZ, JA_FOLDER } }, JA_SHOWN, true,
      "winamp.exe", JaFolder },
    { "JapaneseWacupIcon", NULL,
      { { HKEY_LOCAL_MACHINE, WacupUninstallKey, "DisplayIcon", REG_SZ, "\"" JA_FOLDER "\\wacup.exe\",0" } }, JA_SHOWN, true,
      "wacup.exe", JaFolder },
    { "JapaneseWacupAppPaths", NULL, { { HKEY_LOCAL_MACHINE, WacupAppPathsKey, NULL, REG_SZ, JA_FOLDER "\\wacup.exe" } },
      JA_SHOWN, true, "wacup.exe", JaFolder },
    { "JapaneseTypedOnTheLocationPage", NULL, {}, "c:\\program files\\winamp\\plugins\\", true, "winamp.exe", JaFolder,
      false, true, nullptr, JA_FOLDER "\\Plugins" },
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
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(w.root, w.key, 0, NULL, 0, KEY_ALL_ACCESS | w.view, NULL, &key, NULL));
        RegSetValueExA(key, w.name, 0, w.type, (const BYTE*)w.data, (DWORD)strlen(w.data) + 1);
        RegCloseKey(key);
    }
    if (!c.shown) {
        if (c.x64)
            ExpectOnlyTheBox("ZUV", Not32BitText(CharLowerA(&std::string(c.folder)[0])).c_str());
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
    if (c.typed) {
        ASSERT_TRUE(SetText(run.wizard, LOCATION, c.typed));
    }
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
