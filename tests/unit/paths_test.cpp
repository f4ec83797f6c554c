// Registered-command parsing and the paths derived from the plug-ins folder.
#include <gtest/gtest.h>
#include <string.h>
#include <string>

#include "paths.h"

namespace {

struct CommandCase {
    const char* name;
    const char* command;
    bool found;
    const char* folder;
};

const CommandCase CommandCases[] = {
    { "quoted_with_arguments", "\"C:\\Program Files\\Winamp\\winamp.exe\" \"%1\"", true, "c:\\program files\\winamp\\" },
    { "mixed_case_lowered", "\"D:\\Apps\\WinAmp\\WINAMP.EXE\" /ADD \"%1\"", true, "d:\\apps\\winamp\\" },
    { "unquoted_keeps_first_letter", "C:\\Winamp\\winamp.exe %1", true, "c:\\winamp\\" },
    { "first_of_two_occurrences", "\"C:\\winamp.exe\\winamp.exe\"", true, "c:\\" },
    { "starts_with_exe_name", "winamp.exe %1", true, "" },
    { "quoted_exe_name_alone", "\"winamp.exe\"", true, "" },
    { "no_exe_name", "\"C:\\Program Files\\Other\\player.exe\" \"%1\"", false, "" },
    { "empty", "", false, "" },
    { "non_ascii_bytes_kept", "\"C:\\M\xdcSIK\\winamp.exe\"", true, "c:\\m\xdcsik\\" },
};

class CommandParsing : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandParsing, GivesTheFolder)
{
    const CommandCase& c = GetParam();
    char out[PATH_BUFFER];
    strcpy(out, "untouched");
    EXPECT_EQ(c.found, FolderFromPlayerCommand(c.command, out, sizeof out));
    EXPECT_STREQ(c.found ? c.folder : "untouched", out);
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandParsing, ::testing::ValuesIn(CommandCases),
                         [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(CommandParsing, LongestCommandFits)
{
    std::string command = "\"" + std::string(240, 'a') + "\\winamp.exe\"";   // 253 characters
    char out[PATH_BUFFER];
    ASSERT_TRUE(FolderFromPlayerCommand(command.c_str(), out, sizeof out));
    EXPECT_EQ(241u, strlen(out));
}

TEST(CommandParsing, FolderThatDoesNotFitIsRefused)
{
    char out[8];
    strcpy(out, "keep");
    EXPECT_FALSE(FolderFromPlayerCommand("\"C:\\Program Files\\winamp.exe\"", out, sizeof out));
    EXPECT_STREQ("keep", out);
}

TEST(CommandParsing, CommandOf256CharactersIsRefused)
{
    std::string command(256, 'x');
    char out[PATH_BUFFER];
    EXPECT_FALSE(FolderFromPlayerCommand(command.c_str(), out, sizeof out));
}

struct DeriveCase {
    const char* name;
    const char* pluginsPath;
    bool exeOk;
    const char* exe;
    bool iniOk;
    const char* ini;
};

const DeriveCase DeriveCases[] = {
    { "typical", "c:\\program files\\winamp\\plugins\\", true, "c:\\program files\\winamp\\winamp.exe", true,
      "c:\\program files\\winamp\\winamp.ini" },
    { "capital_plugins", "C:\\Program Files\\Winamp\\Plugins\\", true, "C:\\Program Files\\Winamp\\winamp.exe", true,
      "C:\\Program Files\\Winamp\\winamp.ini" },
    { "last_occurrence_wins", "c:\\plugins\\winamp\\plugins\\", true, "c:\\plugins\\winamp\\winamp.exe", true,
      "c:\\plugins\\winamp\\winamp.ini" },
    { "no_trailing_backslash", "c:\\winamp\\plugins", true, "c:\\winamp\\winamp.exe", true, "c:\\winamp\\winamp.ini" },
    { "plugins_inside_a_name", "d:\\myplugins\\", true, "d:\\mywinamp.exe", false, "" },
    { "no_plugins_at_all", "c:\\winamp\\winamp.exe", false, "c:\\winamp\\winamp.exe", false, "" },
    { "only_plugins", "plugins\\", true, "winamp.exe", false, "" },
    { "empty", "", false, "", false, "" },
};

class DerivedPaths : public ::testing::TestWithParam<DeriveCase> {};

TEST_P(DerivedPaths, ExecutableAndSettings)
{
    const DeriveCase& c = GetParam();
    char exe[PATH_BUFFER], ini[PATH_BUFFER];
    EXPECT_EQ(c.exeOk, PlayerExecutablePath(c.pluginsPath, exe, sizeof exe));
    EXPECT_STREQ(c.exe, exe);
    EXPECT_EQ(c.iniOk, PlayerSettingsPath(c.pluginsPath, ini, sizeof ini));
    EXPECT_STREQ(c.ini, ini);
}

INSTANTIATE_TEST_SUITE_P(Paths, DerivedPaths, ::testing::ValuesIn(DeriveCases),
                         [](const ::testing::TestParamInfo<DeriveCase>& info) { return std::string(info.param.name); });

// A folder of 253+ characters ending in "plugins\" gives a path up to three
// characters longer, which may no longer fit in 256 bytes.
TEST(DerivedPaths, ResultThatDoesNotFitIsAFailureNotACut)
{
    char out[PATH_BUFFER];
    std::string fits = "c:\\" + std::string(240, 'w') + "\\plugins\\";     // 252 characters
    EXPECT_TRUE(PlayerExecutablePath(fits.c_str(), out, sizeof out));
    EXPECT_EQ(254u, strlen(out));
    std::string tooLong = "c:\\" + std::string(243, 'w') + "\\plugins\\";  // 255: results of 257
    EXPECT_FALSE(PlayerExecutablePath(tooLong.c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(PlayerSettingsPath(tooLong.c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
}

TEST(DerivedPaths, InputLongerThanTheBufferIsRefused)
{
    std::string folder(300, 'p');
    char out[PATH_BUFFER];
    EXPECT_FALSE(PlayerExecutablePath(folder.c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(PlayerSettingsPath(folder.c_str(), out, sizeof out));
}

struct JoinCase {
    const char* name;
    const char* folder;
    const char* expected;
};

const JoinCase JoinCases[] = {
    { "trailing_backslash", "c:\\winamp\\plugins\\", "c:\\winamp\\plugins\\dsp_zv.dll" },
    { "no_trailing_backslash", "c:\\winamp\\plugins", "c:\\winamp\\plugins\\dsp_zv.dll" },
    { "forward_slash", "c:/winamp/plugins/", "c:/winamp/plugins/dsp_zv.dll" },
    { "empty_folder", "", "dsp_zv.dll" },
};

class Joining : public ::testing::TestWithParam<JoinCase> {};

TEST_P(Joining, InsertsOneSeparator)
{
    char out[PATH_BUFFER];
    EXPECT_TRUE(JoinPath(out, sizeof out, GetParam().folder, "dsp_zv.dll"));
    EXPECT_STREQ(GetParam().expected, out);
}

INSTANTIATE_TEST_SUITE_P(Join, Joining, ::testing::ValuesIn(JoinCases),
                         [](const ::testing::TestParamInfo<JoinCase>& info) { return std::string(info.param.name); });

TEST(Joining, DestinationOver255CharactersFails)
{
    char out[PATH_BUFFER];
    std::string folder = "c:\\" + std::string(242, 'f') + "\\";   // 246 + "dsp_zv.dll" = 256
    EXPECT_FALSE(JoinPath(out, sizeof out, folder.c_str(), "dsp_zv.dll"));
    EXPECT_STREQ("", out);
    folder.erase(3, 1);                                             // 255 exactly
    EXPECT_TRUE(JoinPath(out, sizeof out, folder.c_str(), "dsp_zv.dll"));
    EXPECT_EQ(255u, strlen(out));
}

TEST(TextHelpers, FolderOfPathAndLineFeeds)
{
    char path[] = "C:\\Setup Files\\ZUVInstaller.exe";
    FolderOfPath(path);
    EXPECT_STREQ("C:\\Setup Files\\", path);
    char bare[] = "setup.exe";
    FolderOfPath(bare);
    EXPECT_STREQ("", bare);

    char text[] = "one\ntwo\n\nthree\r\n";
    ReplaceLineFeeds(text);
    EXPECT_STREQ("one two  three\r ", text);
}

TEST(TextHelpers, AppendNeverOverruns)
{
    char buffer[8] = "abc";
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "defg"));
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "h"));
    EXPECT_STREQ("abcdefg", buffer);
}

}  // namespace
