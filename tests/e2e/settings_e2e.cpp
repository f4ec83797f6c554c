// The two settings files on a real run: winamp.ini rewritten in place with
// nothing left behind, zuv.cfg seeded once before the wizard opens.
#include "harness.h"
#include "plugin_settings.h"

#include <set>

using namespace automation;

namespace e2e {
namespace {

const char RewrittenIni[] =
    "[Winamp]\r\n"
    "utf8=1\r\n"
    "outname=out_wave.dll\r\n"
    "dspplugin_name=dsp_zv.dll\r\n"
    "dspplugin_num=0\r\n"
    "eq_open=0\r\n"
    "pe_open=0\r\n"
    "mb_open=0\r\n"
    "volume=200\r\n"
    "[in_mp3]\r\n"
    "xeq_open=0\r\n"
    "title=%artist% - %title%\r\n";

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
    std::string seeded = ReadAll(PluginSettingsFile());
    EXPECT_EQ(DefaultSettingsBytes(), seeded);
    EXPECT_EQ(60u + strlen(PLUGIN_PRESET_NAME) + 1 + strlen(PLUGIN_FORMAT_LINE) + 1, seeded.size());
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
    EXPECT_FALSE(Exists(std::string(SetupFolder) + "ini.tmp"));
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

TEST_F(Settings, MissingWinampIniIsNotCreated)
{
    ASSERT_TRUE(DeleteFileA(Ini().c_str()));
    InstallAndFinish();
    EXPECT_FALSE(Exists(Ini()));
    EXPECT_TRUE(Exists(std::string(PlayerFolder) + "plugins\\dsp_zv.dll"));
}

TEST_F(Settings, ReadOnlyWinampIniStaysAsItWas)
{
    ASSERT_TRUE(SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_READONLY));
    InstallAndFinish();
    EXPECT_EQ(SampleIni, ReadAll(Ini()));
    EXPECT_EQ(Listing(PlayerFolder).count("winamp.ini.zuv-tmp"), 0u);
    SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace e2e
