// Where the player keeps winamp.ini: paths.ini's inidir= resolved with the
// shell folders and environment of a made-up machine.
#include <gtest/gtest.h>
#include <string.h>
#include <string>

#include "settings_folder.h"

namespace {

bool ShellFolder(int csidl, char* out, size_t size, void*)
{
    const char* folder = csidl == 26 ? "C:\\Users\\ann\\AppData\\Roaming" : csidl == 5 ? "C:\\Users\\ann\\Documents\\" : "";
    if (!*folder || strlen(folder) >= size) return false;
    strcpy(out, folder);
    return true;
}

bool Variable(const char* name, char* out, size_t size, void*)
{
    const char* value = !strcmp(name, "SETTINGS") ? "E:\\shared" : !strcmp(name, "LONG") ? nullptr : "";
    std::string longValue(250, 'v');
    if (!value) value = longValue.c_str();
    if (!*value || strlen(value) >= size) return false;
    strcpy(out, value);
    return true;
}

const FolderLookups Lookups = { ShellFolder, Variable, nullptr };

struct FolderCase {
    const char* name;
    const char* value;
    const char* expected;   // "" with SETTINGS_IN_PLAYER_FOLDER, nullptr when unresolvable
};

const FolderCase FolderCases[] = {
    { "empty", "", "" },
    { "blanks_and_quotes_only", " \" \"\t", "" },
    { "appdata", "{26}\\Winamp", "C:\\Users\\ann\\AppData\\Roaming\\Winamp" },
    { "csidl_alone", "{26}", "C:\\Users\\ann\\AppData\\Roaming" },
    { "csidl_folder_with_backslash_joined_once", "{5}\\\\Winamp\\", "C:\\Users\\ann\\Documents\\Winamp" },
    { "csidl_without_backslash", "{26}Winamp", "C:\\Users\\ann\\AppData\\Roaming\\Winamp" },
    { "quoted_and_blank", "  \"{26}\\Winamp\"  ", "C:\\Users\\ann\\AppData\\Roaming\\Winamp" },
    { "unknown_csidl", "{77}\\Winamp", nullptr },
    { "csidl_with_create_flag", "{32794}\\Winamp", nullptr },
    { "csidl_not_a_number", "{x}\\Winamp", nullptr },
    { "csidl_unclosed", "{26\\Winamp", nullptr },
    { "program_dir", "%WINAMP_PROGRAM_DIR%\\conf", "C:\\Program Files\\Winamp\\conf" },
    { "program_dir_any_case", "%winamp_program_dir%", "C:\\Program Files\\Winamp" },
    { "root_dir", "%WINAMP_ROOT_DIR%\\Winamp", "C:\\Winamp" },
    { "environment", "%SETTINGS%\\Winamp", "E:\\shared\\Winamp" },
    { "undefined_variable", "%NOSUCH%\\Winamp", nullptr },
    { "variable_too_long_to_join", "%LONG%\\more\\and\\more", nullptr },
    { "special_form_only_at_start", "D:\\x\\{26}", "D:\\x\\{26}" },
    { "absolute", "D:\\Winamp settings\\", "D:\\Winamp settings" },
    { "unc", "\\\\server\\share\\winamp", "\\\\server\\share\\winamp" },
    { "relative", "conf", "C:\\Program Files\\Winamp\\conf" },
    { "leading_backslash_is_relative", "\\Winamp", "C:\\Program Files\\Winamp\\Winamp" },
    { "lone_percent_is_a_name", "%conf", "C:\\Program Files\\Winamp\\%conf" },
};

class SettingsFolderCases : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SettingsFolderCases, Resolve)
{
    const FolderCase& c = GetParam();
    char out[256];
    SettingsFolder got = ResolveSettingsFolder(c.value, "C:\\Program Files\\Winamp\\", &Lookups, out, sizeof out);
    if (!c.expected) {
        EXPECT_EQ(SETTINGS_UNRESOLVABLE, got);
    } else if (!*c.expected) {
        EXPECT_EQ(SETTINGS_IN_PLAYER_FOLDER, got);
    } else {
        ASSERT_EQ(SETTINGS_IN_FOLDER, got);
        EXPECT_STREQ(c.expected, out);
    }
}

INSTANTIATE_TEST_SUITE_P(InidirValues, SettingsFolderCases, ::testing::ValuesIn(FolderCases),
                         [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(SettingsFolder, RootOfAUncPlayerAndAResultThatDoesNotFit)
{
    char out[256];
    EXPECT_EQ(SETTINGS_IN_FOLDER, ResolveSettingsFolder("%WINAMP_ROOT_DIR%", "\\\\srv\\apps\\Winamp\\", &Lookups, out, sizeof out));
    EXPECT_STREQ("\\\\srv\\apps", out);
    std::string deep = "D:\\" + std::string(260, 'd');
    EXPECT_EQ(SETTINGS_UNRESOLVABLE, ResolveSettingsFolder(deep.c_str(), "C:\\W\\", &Lookups, out, sizeof out));
    EXPECT_EQ(SETTINGS_UNRESOLVABLE, ResolveSettingsFolder("{26}\\Winamp", "C:\\W\\", &Lookups, out, 20));
}

TEST(SettingsFolder, FindsTheKeyInItsSectionOnly)
{
    const std::string ini = "inidir=top\r\n[Other]\r\ninidir=other\r\n [ winamp ] \r\n  INIDIR = {26}\\Winamp \r\ninidir=second\n";
    char out[64];
    ASSERT_EQ(INI_VALUE_FOUND, FindIniValue(ini.data(), ini.size(), "Winamp", "inidir", out, sizeof out));
    EXPECT_STREQ("{26}\\Winamp", out);
    EXPECT_EQ(INI_VALUE_NONE, FindIniValue(ini.data(), ini.size(), "Winamp", "plugindir", out, sizeof out));
    EXPECT_EQ(INI_VALUE_BAD, FindIniValue(ini.data(), ini.size(), "Winamp", "inidir", out, 5));   // does not fit
    const std::string nul("[Winamp]\ninidir=a\0b\n", 20);
    EXPECT_EQ(INI_VALUE_BAD, FindIniValue(nul.data(), nul.size(), "Winamp", "inidir", out, sizeof out));
}

}  // namespace
