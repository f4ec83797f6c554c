// Registered-command parsing and the paths derived from the plug-ins folder.
#include <gtest/gtest.h>
#include <algorithm>
#include <string.h>
#include <string>
#include <vector>

#include "paths.h"

namespace {

// A single-byte code page (1252): no lead bytes.
const LeadBytes Western = {};

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
    EXPECT_EQ(c.found, FolderFromPlayerCommand(c.command, out, sizeof out, &Western));
    EXPECT_STREQ(c.found ? c.folder : "untouched", out);
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandParsing, ::testing::ValuesIn(CommandCases),
                         [](const ::testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(CommandParsing, LongestCommandFits)
{
    std::string command = "\"" + std::string(240, 'a') + "\\winamp.exe\"";   // 253 characters
    char out[PATH_BUFFER];
    ASSERT_TRUE(FolderFromPlayerCommand(command.c_str(), out, sizeof out, &Western));
    EXPECT_EQ(241u, strlen(out));
}

TEST(CommandParsing, FolderThatDoesNotFitIsRefused)
{
    char out[8];
    strcpy(out, "keep");
    EXPECT_FALSE(FolderFromPlayerCommand("\"C:\\Program Files\\winamp.exe\"", out, sizeof out, &Western));
    EXPECT_STREQ("keep", out);
}

TEST(CommandParsing, CommandOf256CharactersIsRefused)
{
    std::string command(256, 'x');
    char out[PATH_BUFFER];
    EXPECT_FALSE(FolderFromPlayerCommand(command.c_str(), out, sizeof out, &Western));
}

// The other places' values: the registry's bytes as read, through a stand-in
// expansion (%PF% and %ProgramW6432% are C:\Program Files, %ProgramFiles%
// its (x86) twin) and an ANSI code page of ASCII alone.
struct PlaceCase {
    const char* name;
    PlaceValueKind kind;
    std::u16string text;
    size_t bytes;        // 0: the text and its NUL
    bool isString, expand;
    const char* folder;  // NULL: no folder
    bool nativeView = false;
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
    // A 64-bit program's %ProgramFiles% is the native folder.
    { "program_files_in_the_32_bit_view", PLACE_FOLDER, u"%ProgramFiles%\\WACUP", 0, true, true,
      "c:\\program files (x86)\\wacup\\" },
    { "program_files_in_the_64_bit_view", PLACE_FOLDER, u"%ProgramFiles%\\WACUP", 0, true, true,
      "c:\\program files\\wacup\\", true },
    { "common_files_in_the_64_bit_view", PLACE_PROGRAM, u"%commonprogramfiles%\\WACUP\\wacup.exe", 0, true, true,
      "c:\\program files\\common files\\wacup\\", true },
    { "plain_value_in_the_64_bit_view", PLACE_FOLDER, u"%ProgramFiles%\\WACUP", 0, true, false,
      "%programfiles%\\wacup\\", true },
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
    static const std::u16string Variables[][2] = {
        { u"%PF%", u"C:\\Program Files" },
        { u"%ProgramW6432%", u"C:\\Program Files" },
        { u"%ProgramFiles%", u"C:\\Program Files (x86)" },
        { u"%CommonProgramW6432%", u"C:\\Program Files\\Common Files" },
    };
    std::u16string s((const char16_t*)text);
    for (const auto& v : Variables) {
        size_t at = s.find(v[0]);
        if (at != std::u16string::npos) s.replace(at, v[0].size(), v[1]);
    }
    if (s.find(u'%') != std::u16string::npos || s.size() >= count) return false;
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
    PlaceValue value = { buffer.data(), c.bytes ? c.bytes : 2 * (c.text.size() + 1), c.isString, c.expand,
                         c.nativeView };
    PlaceText text = { StandInExpand, AsciiOnly, NULL, &Western };
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
    EXPECT_EQ(c.exeOk, PlayerProgramPath(c.pluginsPath, "winamp.exe", exe, sizeof exe, &Western));
    EXPECT_STREQ(c.exe, exe);
    EXPECT_EQ(c.iniOk, PlayerSettingsPath(c.pluginsPath, ini, sizeof ini, &Western));
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
    EXPECT_TRUE(PlayerProgramPath(fits.c_str(), "winamp.exe", out, sizeof out, &Western));
    EXPECT_EQ(254u, strlen(out));
    std::string tooLong = "c:\\" + std::string(243, 'w') + "\\plugins\\";  // 255: results of 257
    EXPECT_FALSE(PlayerProgramPath(tooLong.c_str(), "winamp.exe", out, sizeof out, &Western));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(PlayerSettingsPath(tooLong.c_str(), out, sizeof out, &Western));
    EXPECT_STREQ("", out);
}

TEST(DerivedPaths, InputLongerThanTheBufferIsRefused)
{
    std::string folder(300, 'p');
    char out[PATH_BUFFER];
    EXPECT_FALSE(PlayerProgramPath(folder.c_str(), "winamp.exe", out, sizeof out, &Western));
    EXPECT_STREQ("", out);
    EXPECT_FALSE(PlayerSettingsPath(folder.c_str(), out, sizeof out, &Western));
}

// A player's program's first bytes and its PE header, wherever e_lfanew
// puts it: a PE32+ optional header, or a machine other than x86, marks a
// player that cannot load a 32-bit plug-in.
TEST(ProgramHeader, MachineAndMagicReadFromThePeHeader)
{
    auto head = [](uint16_t machine, size_t pe, size_t length, uint16_t magic = 0x10B) {
        std::string bytes(length, '\0');
        if (length >= 2) bytes.replace(0, 2, "MZ");
        if (length >= 0x40) bytes.replace(0x3C, 4, std::string{(char)pe, (char)(pe >> 8), 0, 0});
        for (size_t i = 0; i < 6 && pe + i < length; ++i) bytes[pe + i] = "PE\0\0"[i < 4 ? i : 0];
        if (pe + 5 < length) bytes[pe + 4] = (char)machine, bytes[pe + 5] = (char)(machine >> 8);
        if (pe + 25 < length) bytes[pe + 20] = (char)0xE0, bytes[pe + 24] = (char)magic, bytes[pe + 25] = (char)(magic >> 8);
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
        { "header_past_4_kb", head(0x8664, 0x1200, 0x1400, 0x20B), true },
        { "i386_machine_with_pe32_plus", head(0x14C, 0x80, 0x200, 0x20B), true },
        { "chpe_x86_for_arm64", head(0x3A64, 0x80, 0x200), false },
    };
    for (const auto& row : Rows) {
        const unsigned char* bytes = (const unsigned char*)row.bytes.data();
        unsigned long offset = 0;
        bool pe = ProgramHeaderOffset(bytes, row.bytes.size(), &offset) && offset < row.bytes.size();
        size_t left = pe ? row.bytes.size() - offset : 0;
        EXPECT_EQ(row.not32Bit, ProgramIsNot32Bit(bytes + (pe ? offset : 0), std::min(left, (size_t)PROGRAM_HEADER_BYTES)))
            << row.name;
    }
}

// WideCharToMultiByte refuses WC_NO_BEST_FIT_CHARS, and the question whether
// a default was used, with UTF-8 as the ANSI code page.
TEST(PlaceText, NoBestFitFlagsFollowTheCodePage)
{
    EXPECT_EQ(0x400ul, NoBestFitFlags(1252));
    EXPECT_EQ(0x400ul, NoBestFitFlags(932));
    EXPECT_EQ(0ul, NoBestFitFlags(65001));
}

// Paths with a double-byte character (lead, then a second byte that may be
// an ASCII letter or a backslash) in each East Asian code page, and the same
// two bytes in 1252, where they are two characters. Only single-byte A to Z
// are lower-cased, and only a single-byte '\\' is a separator.
struct CodePageCase {
    const char* name;
    LeadBytes lead;
    const char* pair;   // the two bytes
};

const CodePageCase CodePageCases[] = {
    { "cp932_second_byte_A", { { 0x81, 0x9F, 0xE0, 0xFC } }, "\x83\x41" },   // ア
    { "cp932_second_byte_backslash", { { 0x81, 0x9F, 0xE0, 0xFC } }, "\x83\x5C" },   // ソ
    { "cp932_second_byte_p", { { 0x81, 0x9F, 0xE0, 0xFC } }, "\x83\x70" },   // ホ
    { "cp932_second_byte_bar", { { 0x81, 0x9F, 0xE0, 0xFC } }, "\x83\x7C" },   // ポ
    { "cp936_second_byte_W", { { 0x81, 0xFE } }, "\x81\x57" },
    { "cp936_second_byte_backslash", { { 0x81, 0xFE } }, "\xC4\x5C" },
    { "cp949_second_byte_Z", { { 0x81, 0xFE } }, "\x81\x5A" },
    { "cp949_second_byte_w", { { 0x81, 0xFE } }, "\x81\x77" },
    { "cp950_second_byte_backslash", { { 0x81, 0xFE } }, "\xA5\x5C" },   // 功
    { "cp950_second_byte_bar", { { 0x81, 0xFE } }, "\xA6\x7C" },
    { "cp1252_two_characters", {}, "\x83\x41" },
    { "cp1252_second_is_a_backslash", {}, "\x83\x5C" },
    { "cp1252_second_is_p", {}, "\x83\x70" },
};

class CodePages : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePages, EveryWalkStepsOverDoubleByteCharacters)
{
    const CodePageCase& c = GetParam();
    const LeadBytes* lead = &c.lead;
    const std::string pair = c.pair, second(1, c.pair[1]);
    const bool one = c.lead.ranges[0] != 0;   // a character of its own
    // What a walk over the bytes must find when the pair is two characters.
    const std::string lowered = one ? pair : pair.substr(0, 1) + std::string(1, LowerAscii(c.pair[1]));
    const bool endsInSeparator = !one && c.pair[1] == '\\';
    char out[PATH_BUFFER];

    std::string command = "\"C:\\AB" + pair + "\\WINAMP.EXE\" \"%1\"";
    ASSERT_TRUE(FolderFromPlayerCommand(command.c_str(), out, sizeof out, lead));
    EXPECT_EQ("c:\\ab" + lowered + "\\", std::string(out));
    // The program's name found only where a character begins.
    command = "\"C:\\" + pair + "INAMP.EXE\"";
    EXPECT_EQ(!one && LowerAscii(c.pair[1]) == 'w', FolderFromPlayerCommand(command.c_str(), out, sizeof out, lead));

    std::u16string folder, program;
    for (char b : "C:\\" + pair) folder += (char16_t)(unsigned char)b;
    for (char b : "C:\\D" + pair + "wacup.exe,0") program += (char16_t)(unsigned char)b;
    auto bytesAsText = [](const RegistryUnit* text, char* to, size_t size, void*) {
        size_t i = 0;
        for (; text[i] && i + 1 < size; ++i) to[i] = (char)text[i];
        to[i] = 0;
        return true;
    };
    PlaceText text = { StandInExpand, bytesAsText, NULL, lead };
    PlaceValue value = { (const RegistryUnit*)folder.c_str(), 2 * (folder.size() + 1), true, false, false };
    ASSERT_TRUE(FolderFromPlaceValue(PLACE_FOLDER, &value, &text, out, sizeof out));
    EXPECT_EQ("c:\\" + lowered + (endsInSeparator ? "" : "\\"), std::string(out));
    value.data = (const RegistryUnit*)program.c_str();
    value.bytes = 2 * (program.size() + 1);
    ASSERT_TRUE(FolderFromPlaceValue(PLACE_PROGRAM, &value, &text, out, sizeof out));
    EXPECT_EQ(endsInSeparator ? "c:\\d" + lowered : std::string("c:\\"), std::string(out));

    ASSERT_TRUE(JoinPath(out, sizeof out, ("C:\\" + pair).c_str(), "dsp_zv.dll", lead));
    EXPECT_EQ("C:\\" + pair + (endsInSeparator ? "" : "\\") + "dsp_zv.dll", std::string(out));
    strcpy(out, ("C:\\" + pair + "setup.exe").c_str());
    FolderOfPath(out, lead);
    EXPECT_EQ(endsInSeparator ? "C:\\" + pair : std::string("C:\\"), std::string(out));

    // A double-byte character's second byte is neither a letter to fold nor a separator.
    const std::string secondLowered = pair.substr(0, 1) + std::string(1, LowerAscii(c.pair[1]));
    EXPECT_EQ(!one || secondLowered == pair, SameFolderName(("C:\\" + pair).c_str(), ("c:/" + secondLowered).c_str(), lead));
    EXPECT_TRUE(SameFolderName(("C:\\" + pair + "\\").c_str(), ("c:/" + pair).c_str(), lead));

    // "plugins" and "\\plugins" only where a character begins.
    std::string plugins = "C:\\" + pair + "\\plugins\\" + pair + "lugins\\";
    ASSERT_TRUE(PlayerProgramPath(plugins.c_str(), "winamp.exe", out, sizeof out, lead));
    bool laterP = !one && LowerAscii(c.pair[1]) == 'p';
    EXPECT_EQ("C:\\" + pair + "\\" + (laterP ? "plugins\\" + pair.substr(0, 1) : "") + "winamp.exe", std::string(out));
    plugins = "C:\\W\\plugins\\" + pair + "plugins\\";
    ASSERT_TRUE(PlayerSettingsPath(plugins.c_str(), out, sizeof out, lead));
    EXPECT_EQ(endsInSeparator ? plugins.substr(0, plugins.size() - 8) + "winamp.ini" : std::string("C:\\W\\winamp.ini"),
              std::string(out));
}

INSTANTIATE_TEST_SUITE_P(Pages, CodePages, ::testing::ValuesIn(CodePageCases),
                         [](const ::testing::TestParamInfo<CodePageCase>& info) { return std::string(info.param.name); });

TEST(CodePages, NativeFolderNamesPairedLeftToRight)
{
    RegistryUnit out[64];
    auto native = [&](const std::u16string& text, size_t count = 64) {
        return NativeProgramFolders((const RegistryUnit*)text.c_str(), out, count) ? std::u16string((const char16_t*)out)
                                                                                    : u"<too long>";
    };
    EXPECT_EQ(u"%ProgramW6432%\\%CommonProgramW6432%", native(u"%PROGRAMFILES%\\%CommonProgramFiles%"));
    EXPECT_EQ(u"%ProgramFiles(x86)%\\%Path%ProgramFiles%", native(u"%ProgramFiles(x86)%\\%Path%ProgramFiles%"));
    EXPECT_EQ(u"%ProgramW6432%%ProgramW6432%", native(u"%ProgramFiles%%programfiles%"));
    EXPECT_EQ(u"<too long>", native(u"%ProgramFiles%", 14));
    EXPECT_EQ(u"%ProgramW6432%", native(u"%ProgramFiles%", 15));
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
    EXPECT_TRUE(JoinPath(out, sizeof out, GetParam().folder, "dsp_zv.dll", &Western));
    EXPECT_STREQ(GetParam().expected, out);
}

INSTANTIATE_TEST_SUITE_P(Join, Joining, ::testing::ValuesIn(JoinCases),
                         [](const ::testing::TestParamInfo<JoinCase>& info) { return std::string(info.param.name); });

TEST(FolderNames, SameHoweverSpelled)
{
    const struct { const char *a, *b; bool same; } Rows[] = {
        { "c:\\players\\wacup\\plugins\\", "C:/Players//WACUP\\Plugins", true },
        { "c:\\players\\wacup\\plugins\\", "c:\\players\\wacup\\plugins\\\\", true },
        { "c:\\players\\wacup\\plugins\\", "c:\\players\\wacup\\plugin\\", false },
        { "c:\\players\\wacup\\plugins\\", "c:\\players\\wacup\\plugins\\x", false },
        { "\\\\server\\share\\", "\\server\\share", false },
        { "\\\\server\\share\\", "//SERVER/share", true },
        { "c:\\m\xdcsik", "C:\\M\xfcSIK", false },   // only A to Z fold
    };
    for (const auto& row : Rows) {
        EXPECT_EQ(row.same, SameFolderName(row.a, row.b, &Western)) << row.a << " / " << row.b;
        EXPECT_EQ(row.same, SameFolderName(row.b, row.a, &Western)) << row.b << " / " << row.a;
    }
}

TEST(Joining, DestinationOver255CharactersFails)
{
    char out[PATH_BUFFER];
    std::string folder = "c:\\" + std::string(242, 'f') + "\\";   // 246 + "dsp_zv.dll" = 256
    EXPECT_FALSE(JoinPath(out, sizeof out, folder.c_str(), "dsp_zv.dll", &Western));
    EXPECT_STREQ("", out);
    folder.erase(3, 1);                                             // 255 exactly
    EXPECT_TRUE(JoinPath(out, sizeof out, folder.c_str(), "dsp_zv.dll", &Western));
    EXPECT_EQ(255u, strlen(out));
}

TEST(TextHelpers, FolderOfPathAndLineFeeds)
{
    char path[] = "C:\\Setup Files\\ZUVInstaller.exe";
    FolderOfPath(path, &Western);
    EXPECT_STREQ("C:\\Setup Files\\", path);
    char bare[] = "setup.exe";
    FolderOfPath(bare, &Western);
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
