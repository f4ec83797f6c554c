// Registered-command parsing and the paths derived from the plug-ins folder.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

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
    { "wacup", "\"C:\\Players\\WACUP\\WACUP.exe\" \"%1\"", true, "c:\\players\\wacup\\" },
    { "first_of_either_program", "\"C:\\wacup.exe\\winamp.exe\\wacup.exe\"", true, "c:\\" },
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

// The other places' values: the registry's bytes as read, through a stand-in
// expansion (%PF% is C:\Program Files) and an ANSI code page of ASCII alone.
struct PlaceCase {
    const char* name;
    PlaceValueKind kind;
    std::u16string text;
    size_t bytes;        // 0: the text and its NUL
    bool isString, expand;
    const char* folder;  // NULL: no folder
};

// With its NUL, exactly the buffer: a program deep in C:\W\.
const std::u16string Full = u"C:\\W\\" + std::u16string(PLACE_VALUE_UNITS - 6, u'a');

const PlaceCase PlaceCases[] = {
    { "uninstall_quoted", PLACE_PROGRAM, u"\"C:\\Program Files\\Winamp\\UninstWA.exe\"", 0, true, false,
      "c:\\program files\\winamp\\" },
    { "uninstall_unquoted", PLACE_PROGRAM, u"C:\\Program Files\\Winamp\\UninstWA.exe", 0, true, false,
      "c:\\program files\\winamp\\" },
    { "program_without_folder", PLACE_PROGRAM, u"winamp.exe", 0, true, false, NULL },
    { "folder_with_backslash", PLACE_FOLDER, u"D:\\Winamp\\", 0, true, false, "d:\\winamp\\" },
    { "folder_without_backslash", PLACE_FOLDER, u"D:\\Winamp", 0, true, false, "d:\\winamp\\" },
    { "expanded", PLACE_FOLDER, u"%PF%\\Winamp", 0, true, true, "c:\\program files\\winamp\\" },
    { "not_expanded_when_plain", PLACE_FOLDER, u"%PF%\\Winamp", 0, true, false, "%pf%\\winamp\\" },
    { "expansion_fails", PLACE_FOLDER, u"%NONE%\\Winamp", 0, true, true, NULL },
    { "empty", PLACE_FOLDER, u"", 0, true, false, NULL },
    { "not_a_string", PLACE_FOLDER, u"D:\\Winamp", 0, false, false, NULL },
    { "code_page_cannot_spell_it", PLACE_FOLDER, u"D:\\\u0141ukasz\\Winamp", 0, true, false, NULL },
    { "command_as_the_play_command", PLACE_COMMAND, u"\"E:\\Winamp\\winamp.exe\" \"%1\"", 0, true, false,
      "e:\\winamp\\" },
    { "without_its_nul", PLACE_FOLDER, u"D:\\Winamp", 18, true, false, NULL },
    { "odd_byte_count", PLACE_FOLDER, u"D:\\Winamp", 21, true, false, NULL },
    { "whole_buffer_with_nul", PLACE_PROGRAM, Full, 2 * PLACE_VALUE_UNITS, true, false, "c:\\w\\" },
    { "whole_buffer_without_nul", PLACE_PROGRAM, Full + u'a', 2 * PLACE_VALUE_UNITS, true, false, NULL },
    { "longest_folder", PLACE_FOLDER, std::u16string(254, u'a'), 0, true, false, "x" },
    // WACUP's DisplayIcon: a program and perhaps its icon's index.
    { "icon_with_index", PLACE_PROGRAM, u"C:\\WACUP\\wacup.exe,0", 0, true, false, "c:\\wacup\\" },
    { "icon_quoted_with_index", PLACE_PROGRAM, u"\"D:\\My Apps\\WACUP\\wacup.exe\",-101", 0, true, false,
      "d:\\my apps\\wacup\\" },
    { "icon_quoted_without_index", PLACE_PROGRAM, u"\"C:\\WACUP\\wacup.exe\"", 0, true, false, "c:\\wacup\\" },
};

bool StandInExpand(const RegistryUnit* text, RegistryUnit* out, size_t count, void*)
{
    std::u16string s((const char16_t*)text);
    size_t at = s.find(u"%PF%");
    if (s.find(u'%') != at) return false;
    if (at != std::u16string::npos) s.replace(at, 4, u"C:\\Program Files");
    if (s.size() >= count) return false;
    std::copy(s.c_str(), s.c_str() + s.size() + 1, out);
    return true;
}

bool AsciiOnly(const RegistryUnit* text, char* out, size_t size, void*)
{
    size_t i = 0;
    for (; text[i]; ++i)
        if (text[i] > 0x7F || i + 1 >= size) return false;
        else out[i] = (char)text[i];
    out[i] = 0;
    return true;
}

class PlaceParsing : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceParsing, GivesTheFolderOrNothing)
{
    const PlaceCase& c = GetParam();
    // The value sits at the end of its buffer, with guard units after it, so
    // a read past `bytes` would take a NUL that is not the value's.
    std::vector<RegistryUnit> buffer(c.text.begin(), c.text.end());
    buffer.push_back(0);
    buffer.resize(PLACE_VALUE_UNITS + 4, 0);
    PlaceValue value = { buffer.data(), c.bytes ? c.bytes : 2 * (c.text.size() + 1), c.isString, c.expand };
    PlaceText text = { StandInExpand, AsciiOnly, NULL };
    char out[PATH_BUFFER];
    strcpy(out, "untouched");
    bool found = FolderFromPlaceValue(c.kind, &value, &text, out, sizeof out);
    EXPECT_EQ(c.folder != NULL, found);
    if (c.folder && strcmp(c.folder, "x") == 0)
        EXPECT_EQ(std::string(254, 'a') + "\\", out);   // 255 characters: still fits
    else
        EXPECT_STREQ(c.folder ? c.folder : "untouched", out);
}

INSTANTIATE_TEST_SUITE_P(Places, PlaceParsing, ::testing::ValuesIn(PlaceCases),
                         [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(c.exeOk, PlayerProgramPath(c.pluginsPath, "winamp.exe", exe, sizeof exe));
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
    EXPECT_TRUE(PlayerProgramPath(fits.c_str(), "winamp.exe", out, sizeof out));
    EXPECT_EQ(254u, strlen(out));
    std::string tooLong = "c:\\" + std::string(243, 'w') + "\\plugins\\";  // 255: results of 257
    EXPECT_FALSE(PlayerProgramPath(tooLong.c_str(), "winamp.exe", out, sizeof out));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(PlayerSettingsPath(tooLong.c_str(), out, sizeof out));
    EXPECT_STREQ("", out);
}

TEST(DerivedPaths, InputLongerThanTheBufferIsRefused)
{
    std::string folder(300, 'p');
    char out[PATH_BUFFER];
    EXPECT_FALSE(PlayerProgramPath(folder.c_str(), "winamp.exe", out, sizeof out));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(PlayerSettingsPath(folder.c_str(), out, sizeof out));
}

// A player's program's first bytes: only a PE header naming another machine
// than i386 marks it as a player that cannot load a 32-bit plug-in.
TEST(ProgramHeader, MachineReadFromThePeHeader)
{
    auto head = [](uint16_t machine, size_t pe, size_t length) {
        std::string bytes(length, '\0');
        if (length >= 2) bytes.replace(0, 2, "MZ");
        if (length >= 0x40) bytes.replace(0x3C, 4, std::string{(char)pe, (char)(pe >> 8), 0, 0});
        for (size_t i = 0; i < 6 && pe + i < length; ++i) bytes[pe + i] = "PE\0\0"[i < 4 ? i : 0];
        if (pe + 5 < length) bytes[pe + 4] = (char)machine, bytes[pe + 5] = (char)(machine >> 8);
        return bytes;
    };
    const struct { const char* name; std::string bytes; bool not32Bit; } Rows[] = {
        { "empty", "", false },
        { "shorter_than_the_dos_header", head(0x8664, 0x80, 0x3F), false },
        { "cut_before_the_machine", head(0x8664, 0x80, 0x85), false },
        { "offset_past_the_end", head(0x8664, 0x1000, 0x200), false },
        { "not_pe", std::string("MZ") + std::string(0x3A, 'x') + std::string("\x80\0\0\0", 4) + std::string(0x80, 'x'), false },
        { "text_file", std::string(0x200, 'a'), false },
        { "i386", head(0x14C, 0x80, 0x200), false },
        { "amd64", head(0x8664, 0x80, 0x200), true },
        { "arm64", head(0xAA64, 0xF8, 0x200), true },
        { "amd64_header_at_the_very_end", head(0x8664, 0x1FA, 0x200), true },
    };
    for (const auto& row : Rows)
        EXPECT_EQ(row.not32Bit, ProgramIsNot32Bit((const unsigned char*)row.bytes.data(), row.bytes.size())) << row.name;
}

// WideCharToMultiByte refuses WC_NO_BEST_FIT_CHARS, and the question whether
// a default was used, with UTF-8 as the ANSI code page.
TEST(PlaceText, NoBestFitFlagsFollowTheCodePage)
{
    EXPECT_EQ(0x400ul, NoBestFitFlags(1252));
    EXPECT_EQ(0x400ul, NoBestFitFlags(932));
    EXPECT_EQ(0ul, NoBestFitFlags(65001));
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
