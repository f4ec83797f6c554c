// Where the player keeps winamp.ini: paths.ini resolved with the shell
// folders and environment of a made-up machine.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

#include "paths.h"
#include "settings_folder.h"

namespace {

const char Player[] = "C:\\Program Files\\Winamp\\";

// The installer's own account is ann; the desktop's user, through the
// shell's token, is bob, who has no Documents folder.
bool ShellFolder(int csidl, bool desktopUsers, char* out, size_t size, void*)
{
    const char* folder = desktopUsers ? (csidl == 26 ? "C:\\Users\\bob\\AppData\\Roaming" : "")
                         : csidl == 26 ? "C:\\Users\\ann\\AppData\\Roaming"
                         : csidl == 5  ? "C:\\Users\\ann\\Documents\\"
                                       : "";
    if (!*folder || strlen(folder) >= size) return false;
    strcpy(out, folder);
    return true;
}

bool Variable(const char* name, bool desktopUsers, char* out, size_t size, void*)
{
    std::string longValue(770, 'v');
    const char* value = !strcmp(name, "SETTINGS") ? (desktopUsers ? "F:\\bob" : "E:\\shared")
                        : !strcmp(name, "LONG")   ? longValue.c_str()
                                                  : "";
    if (!*value || strlen(value) >= size) return false;
    strcpy(out, value);
    return true;
}

// Code page 1252 as far as these tests go: Latin-1.
bool AnsiToUtf8(const char* text, char* out, size_t size, void*)
{
    std::string utf8;
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        if (*p < 0x80) utf8 += (char)*p;
        else utf8 += {(char)(0xC0 | *p >> 6), (char)(0x80 | (*p & 0x3F))};
    }
    if (utf8.size() >= size) return false;
    strcpy(out, utf8.c_str());
    return true;
}

// Notepad's "Unicode": a byte-order mark, then UTF-16 LE.
std::string Utf16File(const char16_t* text)
{
    std::string bytes = "\xFF\xFE";
    for (; *text; ++text) bytes += {(char)(*text & 0xFF), (char)(*text >> 8)};
    return bytes;
}

const char* const Unresolvable = nullptr;

struct FolderCase {
    const char* name;
    const char* inidir;     // paths.ini is "[Winamp]\r\ninidir=" this; nullptr: `pathsIni` as it stands
    const char* expected;   // the settings file, or Unresolvable
    DesktopUser whose = DESKTOP_NO_SHELL;
    bool desktopUsers = false;   // written as the desktop's user
    std::string pathsIni = "";
};

const std::string Player1252 = "[Winamp]\r\ninidir=D:\\caf\xE9\r\n";

const FolderCase FolderCases[] = {
    { "empty", "", "C:\\Program Files\\Winamp\\winamp.ini" },
    { "blanks_and_quotes_only", " \" \"\t", "C:\\Program Files\\Winamp\\winamp.ini" },
    { "appdata", "{26}\\Winamp", "C:\\Users\\ann\\AppData\\Roaming\\Winamp\\winamp.ini" },
    { "csidl_alone", "{26}", "C:\\Users\\ann\\AppData\\Roaming\\winamp.ini" },
    { "csidl_folder_with_backslash_joined_once", "{5}\\\\Winamp\\", "C:\\Users\\ann\\Documents\\Winamp\\winamp.ini" },
    { "csidl_without_backslash", "{26}Winamp", "C:\\Users\\ann\\AppData\\Roaming\\Winamp\\winamp.ini" },
    { "quoted_and_blank", "  \"{26}\\Winamp\"  ", "C:\\Users\\ann\\AppData\\Roaming\\Winamp\\winamp.ini" },
    { "unknown_csidl", "{77}\\Winamp", Unresolvable },
    { "csidl_with_create_flag", "{32794}\\Winamp", Unresolvable },
    { "csidl_not_a_number", "{x}\\Winamp", Unresolvable },
    { "csidl_unclosed", "{26\\Winamp", Unresolvable },
    { "program_dir", "%WINAMP_PROGRAM_DIR%\\conf", "C:\\Program Files\\Winamp\\conf\\winamp.ini" },
    { "program_dir_any_case", "%winamp_program_dir%", "C:\\Program Files\\Winamp\\winamp.ini" },
    { "root_dir", "%WINAMP_ROOT_DIR%\\Winamp", "C:\\Winamp\\winamp.ini" },
    { "environment", "%SETTINGS%\\Winamp", "E:\\shared\\Winamp\\winamp.ini" },
    { "undefined_variable", "%NOSUCH%\\Winamp", Unresolvable },
    { "variable_too_long_to_join", "%LONG%\\more\\and\\more", Unresolvable },
    { "special_form_only_at_start", "D:\\x\\{26}", "D:\\x\\{26}\\winamp.ini" },
    { "absolute", "D:\\Winamp settings\\", "D:\\Winamp settings\\winamp.ini" },
    { "unc", "\\\\server\\share\\winamp", "\\\\server\\share\\winamp\\winamp.ini" },
    { "relative", "conf", "C:\\Program Files\\Winamp\\conf\\winamp.ini" },
    { "leading_backslash_is_relative", "\\Winamp", "C:\\Program Files\\Winamp\\Winamp\\winamp.ini" },
    { "lone_percent_is_a_name", "%conf", "C:\\Program Files\\Winamp\\%conf\\winamp.ini" },
    // Whose folders: the desktop's user, whoever elevated the installer.
    { "same_user_through_the_shells_token", "{26}\\Winamp", "C:\\Users\\bob\\AppData\\Roaming\\Winamp\\winamp.ini", DESKTOP_SAME_USER, true },
    { "same_user_own_folder_where_the_token_has_none", "{5}", "C:\\Users\\ann\\Documents\\winamp.ini", DESKTOP_SAME_USER, true },
    { "other_user_through_the_shells_token", "{26}\\Winamp", "C:\\Users\\bob\\AppData\\Roaming\\Winamp\\winamp.ini", DESKTOP_OTHER_USER, true },
    { "other_user_environment", "%SETTINGS%\\Winamp", "F:\\bob\\Winamp\\winamp.ini", DESKTOP_OTHER_USER, true },
    { "other_user_never_the_installers_folder", "{5}", Unresolvable, DESKTOP_OTHER_USER },
    { "unknown_user_shell_folder", "{26}\\Winamp", Unresolvable, DESKTOP_UNKNOWN },
    { "unknown_user_variable", "%SETTINGS%", Unresolvable, DESKTOP_UNKNOWN },
    { "unknown_user_player_folder_stays", "%WINAMP_PROGRAM_DIR%\\conf", "C:\\Program Files\\Winamp\\conf\\winamp.ini", DESKTOP_UNKNOWN },
    { "unknown_user_absolute_stays", "D:\\W", "D:\\W\\winamp.ini", DESKTOP_UNKNOWN },
    // paths.ini's encodings, as Windows' profile functions read them.
    { "utf16_with_byte_order_mark", nullptr, "D:\\Łukasz 音楽\\winamp.ini", DESKTOP_NO_SHELL, false,
      Utf16File(u"[Winamp]\r\ninidir=D:\\Łukasz 音楽\r\n") },
    { "utf16_lone_surrogate_is_bad", nullptr, Unresolvable, DESKTOP_NO_SHELL, false, Utf16File(u"[Winamp]\r\ninidir=D:\\\xD800x\r\n") },
    { "utf16_lone_surrogate_elsewhere_is_read", nullptr, "D:\\W\\winamp.ini", DESKTOP_NO_SHELL, false,
      Utf16File(u"; \xDC00 note\r\n[Winamp]\r\ninidir=D:\\W\r\nx=\xD800\r\n") },
    { "only_the_first_winamp_section", nullptr, "C:\\Program Files\\Winamp\\winamp.ini", DESKTOP_NO_SHELL, false,
      "[Winamp]\r\nx=1\r\n[Winamp]\r\ninidir=D:\\W\r\n" },
    { "utf8_byte_order_mark_belongs_to_the_first_line", nullptr, "C:\\Program Files\\Winamp\\winamp.ini", DESKTOP_NO_SHELL, false,
      "\xEF\xBB\xBF[Winamp]\r\ninidir=D:\\W\r\n" },
    { "ansi_in_the_code_page", nullptr, "D:\\caf\xC3\xA9\\winamp.ini", DESKTOP_NO_SHELL, false, Player1252 },
    // inifile=: the settings file's own name.
    { "inifile_bare_in_inidirs_folder", nullptr, "C:\\Users\\bob\\AppData\\Roaming\\Winamp\\mine.ini", DESKTOP_SAME_USER, true,
      "[Winamp]\r\ninidir={26}\\Winamp\r\ninifile=mine.ini\r\n" },
    { "inifile_relative_to_the_players_folder", nullptr, "C:\\Program Files\\Winamp\\conf\\w.ini", DESKTOP_NO_SHELL, false,
      "[Winamp]\r\ninifile=\"conf\\w.ini\"\r\n" },
    { "inifile_absolute_leaves_inidir_out", nullptr, "E:\\s\\w.ini", DESKTOP_OTHER_USER, false,
      "[Winamp]\r\ninidir={26}\\Winamp\r\ninifile=E:\\s\\w.ini\r\n" },
    { "inifile_through_the_users_folder", nullptr, "C:\\Users\\bob\\AppData\\Roaming\\w.ini", DESKTOP_OTHER_USER, true,
      "[Winamp]\r\ninidir=D:\\W\r\ninifile={26}\\w.ini\r\n" },
    { "inifile_unresolvable", nullptr, Unresolvable, DESKTOP_NO_SHELL, false, "[Winamp]\r\ninifile=%NOSUCH%\\w.ini\r\n" },
};

bool Find(const std::string& pathsIni, DesktopUser whose, const char* player, char* out, size_t size, bool* users)
{
    std::vector<char> scratch(pathsIni.size() * 2 + 1);
    SettingsSearch search = { pathsIni.data(), pathsIni.size(), scratch.data(), scratch.size(), player,
                              { whose, ShellFolder, Variable, AnsiToUtf8, nullptr } };
    char windowClass[PLAYER_CLASS_BUFFER];
    return FindSettingsFile(&search, out, size, users, windowClass);
}

class SettingsFolderCases : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SettingsFolderCases, Resolve)
{
    const FolderCase& c = GetParam();
    char out[UTF8_PATH_BUFFER];
    bool users = !c.desktopUsers;
    std::string pathsIni = c.inidir ? std::string("[Winamp]\r\ninidir=") + c.inidir + "\r\n" : c.pathsIni;
    bool found = Find(pathsIni, c.whose, Player, out, sizeof out, &users);
    if (!c.expected) {
        EXPECT_FALSE(found) << out;
    } else {
        ASSERT_TRUE(found);
        EXPECT_STREQ(c.expected, out);
        EXPECT_EQ(c.desktopUsers, users);
    }
}

INSTANTIATE_TEST_SUITE_P(InidirValues, SettingsFolderCases, ::testing::ValuesIn(FolderCases),
                         [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(SettingsFolder, RootOfAUncPlayerAndAResultThatDoesNotFit)
{
    char out[UTF8_PATH_BUFFER];
    bool users;
    EXPECT_TRUE(Find("[Winamp]\ninidir=%WINAMP_ROOT_DIR%", DESKTOP_NO_SHELL, "\\\\srv\\apps\\Winamp\\", out, sizeof out, &users));
    EXPECT_STREQ("\\\\srv\\apps\\winamp.ini", out);
    // A 100-character Japanese folder fits; 800 bytes do not.
    std::string japanese;
    for (int i = 0; i < 100; ++i) japanese += "\xE9\x9F\xB3";
    EXPECT_TRUE(Find("[Winamp]\ninidir=D:\\" + japanese, DESKTOP_NO_SHELL, Player, out, sizeof out, &users));
    std::string deep = "[Winamp]\ninidir=D:\\" + std::string(800, 'd');
    EXPECT_FALSE(Find(deep, DESKTOP_NO_SHELL, "C:\\W\\", out, sizeof out, &users));
    EXPECT_FALSE(Find("[Winamp]\ninidir={26}\\Winamp", DESKTOP_NO_SHELL, "C:\\W\\", out, 20, &users));
    EXPECT_TRUE(Find("", DESKTOP_UNKNOWN, Player, out, sizeof out, &users));   // no paths.ini
    EXPECT_STREQ("C:\\Program Files\\Winamp\\winamp.ini", out);
}

// class=: the player's window class, its %NAME%s and {N}s expanded as the
// player does (undefined ones, %% and a lone % give nothing), cut to 63 UTF-16
// units (no pair cut apart) and to its buffer whatever bytes the code page
// conversion gives; read even where the settings file cannot be resolved.
TEST(SettingsFolder, WindowClassExpandedAndCut)
{
    std::string japanese;
    for (int i = 0; i < 60; ++i) japanese += "\xE9\x9F\xB3";
    const struct { std::string pathsIni, windowClass; bool raw = false; } Rows[] = {
        { "[Winamp]\ninidir=%NOSUCH%\nclass=\" %SETTINGS% %NOSUCH% %%\"\n", " E:\\shared  " },
        { "[Winamp]\nclass=My%UNDEF%Class\n", "MyClass" },
        { "[Winamp]\nclass={26}\\%SETTINGS%{77}{x}%%50%\n", "C:\\Users\\ann\\AppData\\Roaming\\E:\\shared{x}50" },
        { Utf16File((u"[Winamp]\nclass=" + std::u16string(60, u'\u97F3') + u"a\U0001F3B5\U0001F3B5").c_str()),
          japanese + "a\xF0\x9F\x8E\xB5" },
        { "[Winamp]\nclass=\xF0" + std::string(300, '\x80') + "\n", "\xF0" + std::string(188, '\x80'), true },
    };
    for (const auto& row : Rows) {
        std::vector<char> scratch(2 * row.pathsIni.size());
        auto raw = [](const char* text, char* out, size_t size, void*) { return strlen(text) < size && strcpy(out, text); };
        SettingsSearch search = { row.pathsIni.data(), row.pathsIni.size(), scratch.data(), scratch.size(), Player,
                                  { DESKTOP_NO_SHELL, ShellFolder, Variable, row.raw ? raw : AnsiToUtf8, nullptr } };
        char out[UTF8_PATH_BUFFER], windowClass[PLAYER_CLASS_BUFFER];
        bool users;
        FindSettingsFile(&search, out, sizeof out, &users, windowClass);
        EXPECT_EQ(row.windowClass, windowClass);
    }
}

TEST(SettingsFolder, FindsTheKeyInItsSectionOnly)
{
    const std::string ini = "inidir=top\r\n[Other]\r\ninidir=other\r\n [ winamp ] \r\n  INIDIR = {26}\\Winamp \r\ninidir=second\n";
    char out[64];
    ASSERT_EQ(INI_VALUE_FOUND, FindIniValue(ini.data(), ini.size(), "inidir", out, sizeof out));
    EXPECT_STREQ("{26}\\Winamp", out);
    EXPECT_EQ(INI_VALUE_NONE, FindIniValue(ini.data(), ini.size(), "plugindir", out, sizeof out));
    EXPECT_EQ(INI_VALUE_BAD, FindIniValue(ini.data(), ini.size(), "inidir", out, 5));   // does not fit
    const std::string nul("[Winamp]\ninidir=a\0b\n", 20);
    EXPECT_EQ(INI_VALUE_BAD, FindIniValue(nul.data(), nul.size(), "inidir", out, sizeof out));
    // winamp.ini's beginning, cut where the reading stopped, tells the
    // player's section only once the section has ended.
    PlayerSection section;
    const std::string player = "x=1\r\n[Winamp]\r\ndspplugin_name= DSP_ZV.dll\r\n[Other]\r\ny=1";
    EXPECT_TRUE(ReadPlayerSection(player.data(), player.size() - 3, false, &section) && section.namesModule);
    EXPECT_FALSE(ReadPlayerSection(player.data(), 30, false, &section));
    EXPECT_TRUE(ReadPlayerSection(player.data(), 30, true, &section) && !section.namesModule);
}

// winamp.ini's values as the profile functions return them: one pair of
// matching quotation marks dropped, the blanks inside kept; the module's
// number as an integer read, kept in one byte.
TEST(SettingsFolder, PlayerSectionAsTheProfileFunctionsReadIt)
{
    const struct { const char* lines; bool namesModule; DspFolder kind; const char* dspFolder; bool safeMode; } Rows[] = {
        { "dspplugin_name=\"dsp_zv.dll\"\ndspplugin_num=00", true, DSP_FOLDER_NONE, "", false },
        { "dspplugin_name='dsp_zv.dll'\ndspplugin_num=\" 256\"", true, DSP_FOLDER_NONE, "", false },
        { "dspplugin_name=\"dsp_zv.dll'", false, DSP_FOLDER_NONE, "", false },
        { "dspplugin_name=dsp_zv.dll\ndspplugin_num=257", false, DSP_FOLDER_NONE, "", false },
        { "DSPDir=\" D:\\DSP \"", false, DSP_FOLDER_RELATIVE, " D:\\DSP ", false },
        { "DSPDir='D:\\DSP'", false, DSP_FOLDER_ABSOLUTE, "D:\\DSP", false },
        // Safe mode: any number but 0, as the integer read gives it.
        { "SafeMode=1", false, DSP_FOLDER_NONE, "", true },
        { "safemode=\" -2\"\nsafemode=0", false, DSP_FOLDER_NONE, "", true },
        { "safemode=0\nsafemode=1", false, DSP_FOLDER_NONE, "", false },
        { "safemode=0x1", false, DSP_FOLDER_NONE, "", false },
        { "safemode=", false, DSP_FOLDER_NONE, "", false },
    };
    for (const auto& row : Rows) {
        const std::string ini = std::string("[Winamp]\n") + row.lines + "\n";
        PlayerSection section;
        ASSERT_TRUE(ReadPlayerSection(ini.data(), ini.size(), true, &section));
        EXPECT_EQ(row.namesModule, section.namesModule) << row.lines;
        EXPECT_EQ(row.kind, section.dspFolderKind) << row.lines;
        EXPECT_STREQ(row.dspFolder, section.dspFolder);
        EXPECT_EQ(row.safeMode, section.safeMode) << row.lines;
    }
}

// WACUP's winamp.ini in the user's application data: only where paths.ini
// names no place, and only for a user whose folders can be had.
TEST(SettingsFolder, UserSettingsFileWherePathsIniNamesNone)
{
    const struct { const char* pathsIni; DesktopUser whose; const char* expected; bool users; } Rows[] = {
        { "", DESKTOP_SAME_USER, "C:\\Users\\bob\\AppData\\Roaming\\WACUP\\winamp.ini", true },
        { "[Winamp]\r\nclass=WACUP\r\n", DESKTOP_NO_SHELL, "C:\\Users\\ann\\AppData\\Roaming\\WACUP\\winamp.ini", false },
        { "[Winamp]\r\ninidir=.\\Profile\r\n", DESKTOP_SAME_USER, nullptr, false },
        { "[Winamp]\r\ninifile=w.ini\r\n", DESKTOP_SAME_USER, nullptr, false },
        { "", DESKTOP_UNKNOWN, nullptr, false },
    };
    for (const auto& row : Rows) {
        std::string pathsIni = row.pathsIni;
        std::vector<char> scratch(2 * pathsIni.size() + 1);
        SettingsSearch search = { pathsIni.data(), pathsIni.size(), scratch.data(), scratch.size(), Player,
                                  { row.whose, ShellFolder, Variable, AnsiToUtf8, nullptr } };
        char out[UTF8_PATH_BUFFER];
        bool users = !row.users;
        bool found = FindUserSettingsFile(&search, "{26}\\WACUP", out, sizeof out, &users);
        EXPECT_EQ(row.expected != nullptr, found) << row.pathsIni;
        if (!row.expected || !found) continue;
        EXPECT_STREQ(row.expected, out);
        EXPECT_EQ(row.users, users);
    }
}

}  // namespace
