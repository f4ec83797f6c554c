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

    void ExpectPlayerMissing() { ExpectOnlyTheBox("QEL ZUV!!", PlayerMissingText); }

    std::string LocationShownFor(const std::string& command)
    {
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

}  // namespace
}  // namespace e2e
