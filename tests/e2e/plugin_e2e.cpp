// After a typical installation the player, at its next start, loads the
// plug-in named in winamp.ini and hears the effect; and its Preferences take
// the plug-in out again.
#include "harness.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

using namespace automation;

namespace e2e {
namespace {

long Field(const std::string& log, const char* name)
{
    size_t at = log.find(name);
    return at == std::string::npos ? -1 : atol(log.c_str() + at + strlen(name));
}

TEST_F(Scenario, PlayerLoadsThePluginAndItRaisesTheBass)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitExit(run.process, WAIT_MS, nullptr));
    ASSERT_TRUE(WaitUntil([] { return PlayerLog().find("dsp energy") != std::string::npos; }, WAIT_MS))
        << PlayerLog();
    std::string log = PlayerLog();
    EXPECT_NE(std::string::npos, log.find("dsp loaded dsp_zv.dll index 0")) << log;
    long low = Field(log, "dsp energy low="), inLow = Field(log, "in_low=");
    ASSERT_GT(inLow, 0) << log;
    // zuv.cfg's defaults turn the bass up by about 10 dB.
    EXPECT_GT(low, inLow * 3 / 2) << log;
}

// Preferences' Uninstall in the stand-in player (tools/standin/winamp.cpp).
const WPARAM StandinUninstall = 40001;

struct UninstallCase {
    const char* name;
    int answer;                 // to whether zuv.cfg goes too
    // Beside the module. Read-only: the player's registrar takes it all the
    // same, into the Recycle Bin. Held open by another program: it stays, and
    // is named. nullptr: none.
    const char* readOnly;
    const char* held;
    const char* pathsIniClass;  // the player's class= in paths.ini; nullptr: none
    const char* playerClass;    // as the player expands it
};

const UninstallCase UninstallCases[] = {
    { "SettingsRemovedOnYes", IDYES, nullptr, nullptr, nullptr, "Winamp v1.x" },
    { "SettingsKeptOnNoAReadOnlyLogoGoesAHeldPageIsNamed", IDNO, "zvlogo.jpg", "helpfile.html", nullptr, "Winamp v1.x" },
    { "PlayerOfAnotherClass", IDYES, nullptr, nullptr, "ZUV %OS% player", "ZUV Windows_NT player" },
};

class Uninstall : public Scenario, public ::testing::WithParamInterface<UninstallCase> {
protected:
    void TearDown() override
    {
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        Kill(&player);
        Scenario::TearDown();
    }
    Process player;
    HANDLE held = INVALID_HANDLE_VALUE;
};

// Paths as the player spells them: the installer starts it from its folder
// lower-cased.
std::string Lower(std::string text)
{
    for (char& c : text) c = (char)tolower((unsigned char)c);
    return text;
}

// Each file goes through the player's registrar, or is named in one box.
TEST_P(Uninstall, FromThePlayersPreferences)
{
    const UninstallCase& c = GetParam();
    std::string plugins = std::string(PlayerFolder) + "plugins\\";
    if (c.pathsIniClass) {
        ASSERT_TRUE(WriteAll(std::string(PlayerFolder) + "paths.ini", std::string("[Winamp]\r\nclass=") + c.pathsIniClass));
    }
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    Click(run.wizard, NEXT);
    ASSERT_TRUE(WaitExit(run.process, WAIT_MS, nullptr));
    HWND window = WaitWindow(0, c.playerClass, nullptr, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    GetWindowThreadProcessId(window, &player.pid);
    player.handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, player.pid);
    ASSERT_TRUE(Exists(PluginSettingsFile()));
    if (c.readOnly) {
        ASSERT_TRUE(SetFileAttributesA((plugins + c.readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    // Held for reading, without leave to delete it.
    if (c.held) {
        held = CreateFileA((plugins + c.held).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
    }

    PostMessageA(window, WM_COMMAND, StandinUninstall, 0);
    MessageBoxInfo box;
    ASSERT_TRUE(WaitMessageBox(player.pid, WAIT_MS, &box)) << PlayerLog();
    // The texts themselves are the Windows tests' (PluginUninstallFiles).
    EXPECT_EQ("ZUV", box.caption);
    EXPECT_EQ((UINT)MB_ICONWARNING, box.icon);
    EXPECT_EQ(FindTopWindow(player.pid, "Static", "Preferences (stand-in)"), box.owner);
    Click(box.window, c.answer);
    if (c.held) {
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, WAIT_MS));
        ASSERT_TRUE(WaitMessageBox(player.pid, WAIT_MS, &box));
        EXPECT_NE(std::string::npos, Lower(box.text).find(Lower("\n\n" + plugins + c.held + "\n\n"))) << box.text;
        EXPECT_EQ((UINT)MB_ICONWARNING, box.icon);
        DismissMessageBox(box.window);
    }
    // Logged once the export has returned, with no box left open.
    ASSERT_TRUE(WaitUntil([] { return PlayerLog().find("uninstall deleted dsp_zv.dll") != std::string::npos; }, WAIT_MS))
        << PlayerLog();
    std::string log = Lower(PlayerLog());
    plugins = Lower(plugins);
    EXPECT_NE(std::string::npos, log.find("uninstall dsp_zv.dll returned 0")) << log;
    EXPECT_NE(std::string::npos, log.find("registrar given wparam=1")) << log;
    EXPECT_NE(std::string::npos, log.find("registrar released")) << log;
    for (const char* name : { "helpfile.html", "zvlogo.jpg" }) {
        EXPECT_NE(std::string::npos, log.find("registrar delete " + plugins + name)) << log;
        EXPECT_EQ(c.held && !strcmp(name, c.held), Exists(plugins + name)) << name;
    }
    EXPECT_EQ(c.answer == IDYES, log.find(Lower("registrar delete " + PluginSettingsFile())) != std::string::npos) << log;
    EXPECT_EQ(c.answer == IDNO, Exists(PluginSettingsFile()));
    EXPECT_FALSE(Exists(plugins + "dsp_zv.dll"));
}

INSTANTIATE_TEST_SUITE_P(Cases, Uninstall, ::testing::ValuesIn(UninstallCases),
                         [](const ::testing::TestParamInfo<UninstallCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
