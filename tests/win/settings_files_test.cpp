// winamp.ini rewrite, zuv.cfg seeding and the plug-in's copy on real files.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

#include "../ini_text.h"
#include "../../win/operations.h"
#include "../../core/plugin_settings.h"

namespace {

using namespace std::string_literals;

bool ReadBytes(const std::string& path, std::string* bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char buffer[65536];
    DWORD got;
    bool ok;
    while ((ok = ReadFile(f, buffer, sizeof buffer, &got, NULL)) && got) bytes->append(buffer, got);
    CloseHandle(f);
    return ok;
}

std::string ReadOrFail(const std::string& path)
{
    std::string bytes;
    EXPECT_TRUE(ReadBytes(path, &bytes)) << path;
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, f) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(f, bytes.data(), (DWORD)bytes.size(), &written, NULL));
    ASSERT_EQ(bytes.size(), written);
    ASSERT_TRUE(CloseHandle(f));
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names in a folder, sorted, without "." and "..".
std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::string& folder)
{
    for (const std::string& name : Listing(folder)) {
        std::string path = folder + name;
        DWORD a = GetFileAttributesA(path.c_str());
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) RemoveTree(path + "\\");
        else DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

std::string InMemoryRewrite(const std::string& in)
{
    std::string out;
    EXPECT_TRUE(RewriteIniText(in.data(), in.size(),
        [](void* c, const char* d, size_t n) { ((std::string*)c)->append(d, n); return true; }, &out));
    return out;
}

const char TypicalIni[] =
    "[Winamp]\r\nutf8=1\r\nvolume=200\r\ndspplugin_name=dsp_sps.dll\r\ndspplugin_num=2\r\n"
    "eq_open=1\r\npe_open=1\r\nmb_open=1\r\nskin=Bento\r\n[in_mp3]\n eq_open=1\n[last]\r\nx=1";
const char TypicalRewritten[] =
    "[Winamp]\r\nutf8=1\r\nvolume=200\r\ndspplugin_name=dsp_zv.dll\r\ndspplugin_num=0\r\n"
    "eq_open=0\r\npe_open=0\r\nmb_open=0\r\nskin=Bento\r\n[in_mp3]\r\n eq_open=0\r\n[last]\r\nx=1";

// winamp.ini found for a plug-ins folder as the installer finds it, and
// rewritten there: whether the player will load the module from the folder
// found (or from `elsewhere`, where the files were put instead).
bool SwitchOn(const std::string& plugins, const WCHAR* elsewhere = NULL, std::wstring* found = nullptr)
{
    PlayerSettingsPlace place;
    FindPlayerSettings(plugins.c_str(), &place);
    if (found) *found = place.moved ? place.folder : L"";
    if (elsewhere) lstrcpyW(place.folder, elsewhere);
    bool safeMode;
    bool on = RewritePlayerSettings(&place, &safeMode) == SWITCHED_ON;
    ReleasePlayerSettings(&place);
    return on;
}

// A player folder of our own under the temporary folder, with plugins\ in it.
class PlayerSettings : public ::testing::Test {
protected:
    std::string folder, ini, temp, plugins;

    void SetUp() override
    {
        char base[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof base, base), 0u);
        folder = std::string(base) + "zuv settings " + std::to_string(GetCurrentProcessId()) + "\\";
        RemoveTree(folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA((folder + "plugins").c_str(), NULL));
        WriteBytes(folder + "winamp.exe", "");
        ini = folder + "winamp.ini";
        temp = ini + ".zuv-tmp";
        plugins = folder + "plugins\\";
    }

    void TearDown() override { RemoveTree(folder); }
};

// Twice: a second run only keeps the result, and does not even replace the
// file (a replaced one is a new file, with another index).
TEST_F(PlayerSettings, RewritesInPlaceAndLeavesNoTemporaryFile)
{
    WriteBytes(ini, TypicalIni);
    BY_HANDLE_FILE_INFORMATION file[3];
    for (int run = 0; run < 3; ++run) {
        HANDLE f = CreateFileA(ini.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_TRUE(GetFileInformationByHandle(f, &file[run]));
        CloseHandle(f);
        if (run == 2) break;
        EXPECT_TRUE(SwitchOn(plugins));
        EXPECT_EQ(TypicalRewritten, ReadOrFail(ini));
        EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
        EXPECT_TRUE(Listing(folder + "plugins\\").empty());
    }
    EXPECT_NE(file[0].nFileIndexLow, file[1].nFileIndexLow);
    EXPECT_EQ(file[1].nFileIndexLow, file[2].nFileIndexLow);
    EXPECT_EQ(0, CompareFileTime(&file[1].ftLastWriteTime, &file[2].ftLastWriteTime));
}

TEST_F(PlayerSettings, BigFileWithLongLinesNulAndCtrlZ)
{
    // Larger than any one read, with lines and CR LF pairs across reads; the
    // player's section, all that is read back, comes first.
    std::string in = "[Winamp]\r\ndspplugin_name=x\r\n[big]\r\n";
    for (int i = 0; in.size() < 300000; ++i) {
        in += "key" + std::to_string(i) + "=" + std::string(i % 700, 'v') + (i % 3 ? "\r\n" : "\n");
        if (i % 97 == 0) in += "eq_open=1\r\n";
        if (i % 101 == 0) in += "dspplugin_name=" + std::string(5000, 'n') + "\r\n";
        if (i % 89 == 0) in += "a\0b\x1a=c\r\n"s;
    }
    in += "mb_open=1";
    WriteBytes(ini, in);
    EXPECT_TRUE(SwitchOn(plugins));
    std::string out = ReadOrFail(ini);
    EXPECT_EQ(InMemoryRewrite(in), out);
    EXPECT_EQ("mb_open=0\r\n", out.substr(out.size() - 11));
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
}

// What the player will read decides, rewritten or not; a file with nothing
// to change stays as it is, line ends and all.
TEST_F(PlayerSettings, SwitchedOnOnlyWhereThePlayerReadsTheModule)
{
    const struct {
        std::string in, out;
        bool on;
    } Files[] = {
        { "", "", false },
        { "[Winamp]\r\ndspplugin_num=4\r\n", "[Winamp]\r\ndspplugin_num=0\r\ndspplugin_name=dsp_zv.dll\r\n", true },
        { "title=dspplugin_name=x\r\n", "title=dsp_zv.dll\r\n", false },
        { "[Other]\nx=1\n", "[Other]\nx=1\n", false },
        { "[Winamp]\ndspplugin_name = DSP_ZV.DLL \n", "[Winamp]\ndspplugin_name = DSP_ZV.DLL \n", true },
        { "[Winamp]\nDSPPLUGIN_NAME=x\n[w]\ndspplugin_name=y\n", "[Winamp]\r\nDSPPLUGIN_NAME=x\r\n[w]\r\ndspplugin_name=dsp_zv.dll\r\n", false },
    };
    for (const auto& file : Files) {
        WriteBytes(ini, file.in);
        EXPECT_EQ(file.on, SwitchOn(plugins)) << file.in;
        EXPECT_EQ(file.out, ReadOrFail(ini));
        EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
    }
}

// DSPDir=: where the player loads DSP modules from, when it is a folder
// anyone can put them in; and switched on only where it looks.
TEST_F(PlayerSettings, DspFolderAsThePlayerReadsIt)
{
    const struct {
        const char* dspDir;     // the line after [Winamp]
        const WCHAR* folder;    // where the files go: L"" the plug-ins folder
        bool on;
    } Rows[] = {
        { "DSPDir=C:\\Efekty \xC5\x81\xC3\xB3" "d\xC5\xBA\\DSP", L"C:\\Efekty \u0141\u00F3d\u017A\\DSP\\", true },
        { "utf8=0\r\nDSPDir=C:\\Caf\xE9\\DSP\\", L"C:\\Caf\u00E9\\DSP\\", true },
        { "DSPDir = \" C:\\Caf\xC3\xA9\\DSP \"", L"", false },   // a leading blank: relative
        { "DSPDir=Plugins\\DSP", L"", false },
        { "DSPDir=", L"", true },
        { "utf8=1\r\nDSPDir=C:\\\xE9t\xE9", L"", false },
    };
    for (const auto& row : Rows) {
        WriteBytes(ini, std::string("[Winamp]\r\n") + row.dspDir + "\r\n");
        // Switched on only where the files can be: the folder exists.
        std::wstring dsp = row.folder;
        for (size_t at = 3; (at = dsp.find('\\', at)) != std::wstring::npos; ++at) CreateDirectoryW(dsp.substr(0, at).c_str(), NULL);
        std::wstring found;
        EXPECT_EQ(row.on, SwitchOn(plugins, nullptr, &found)) << row.dspDir;
        EXPECT_TRUE(found == row.folder) << row.dspDir;
    }
    // Files put anywhere else are not switched on.
    WriteBytes(ini, "[Winamp]\r\nDSPDir=D:\\DSP\r\n");
    EXPECT_FALSE(SwitchOn(plugins, L"D:\\Other\\"));
}

// Inside the player's folder by where a folder is, not by its text, and
// held so that it cannot be renamed.
TEST_F(PlayerSettings, FolderInsideThePlayersFolder)
{
    ASSERT_TRUE(CreateDirectoryA((plugins + "DSP").c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA((folder.substr(0, folder.size() - 1) + "2").c_str(), NULL));
    const std::wstring player(folder.begin(), folder.end());
    const std::wstring sibling = player.substr(0, player.size() - 1) + L"2\\";
    WCHAR resolved[MAX_PATH];
    HANDLE held;
    for (const std::wstring& inside : { player + L"plugins\\DSP", player + L"Plugins\\..\\PLUGINS\\", player }) {
        EXPECT_TRUE(FolderLiesInside(inside.c_str(), player.c_str(), resolved, &held)) << inside.c_str();
        EXPECT_FALSE(MoveFileW(inside.c_str(), (sibling + L"moved").c_str())) << "renamed while held: " << inside.c_str();
        CloseHandle(held);
    }
    EXPECT_EQ(L'\\', resolved[lstrlenW(resolved) - 1]);
    for (const std::wstring& outside : { sibling, player + L"..\\", player + L"plugins\\..\\..\\" + sibling.substr(sibling.rfind(L'\\', sibling.size() - 2) + 1) })
        EXPECT_FALSE(FolderLiesInside(outside.c_str(), player.c_str(), resolved, &held)) << outside.c_str();
    RemoveDirectoryW(sibling.c_str());
    // Two folders whose names a linguistic compare takes for one: the
    // Angstrom sign and the letter Å.
    const std::wstring angstrom = player + L"\u212B", letter = player + L"\u00C5";
    ASSERT_TRUE(CreateDirectoryW(angstrom.c_str(), NULL) && CreateDirectoryW(letter.c_str(), NULL));
    EXPECT_FALSE(FolderLiesInside(angstrom.c_str(), letter.c_str(), resolved, &held));
    RemoveDirectoryW(angstrom.c_str());
    RemoveDirectoryW(letter.c_str());
}

// What a run ended half-way left, its temporary copy and a module moved
// aside (read-only, as the module was), goes with the next copy: only the
// three files stay.
TEST_F(PlayerSettings, CopyLeavesOnlyTheThreeFiles)
{
    WriteBytes(plugins + "~zuv.tmp", "a copy cut short");
    WriteBytes(plugins + "dsp_zv.dll.old2", "a module moved aside");
    ASSERT_TRUE(SetFileAttributesA((plugins + "dsp_zv.dll.old2").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteBytes(plugins + "helpfile.html", "an older help page");
    const char* failed = "";
    EXPECT_EQ(COPY_DONE, CopyPluginFiles(std::wstring(plugins.begin(), plugins.end()).c_str(), NULL, L"", &failed));
    EXPECT_EQ(nullptr, failed);
    EXPECT_EQ((std::vector<std::string>{ "dsp_zv.dll", "helpfile.html", "zvlogo.jpg" }), Listing(plugins));
    EXPECT_NE("an older help page", ReadOrFail(plugins + "helpfile.html"));
}

// Only a file in use is moved aside: a folder in the module's place stays
// as it is, and nothing is written beside it.
TEST_F(PlayerSettings, FolderInTheModulesPlaceFailsTheCopy)
{
    ASSERT_TRUE(CreateDirectoryA((plugins + "dsp_zv.dll").c_str(), NULL));
    WriteBytes(plugins + "dsp_zv.dll\\inside", "kept");
    const char* failed = "";
    EXPECT_EQ(COPY_WRITE_FAILED, CopyPluginFiles(std::wstring(plugins.begin(), plugins.end()).c_str(), NULL, L"", &failed));
    EXPECT_STREQ("dsp_zv.dll", failed);
    EXPECT_EQ((std::vector<std::string>{ "dsp_zv.dll" }), Listing(plugins));
    EXPECT_EQ("kept", ReadOrFail(plugins + "dsp_zv.dll\\inside"));
}

TEST_F(PlayerSettings, StaleTemporaryFileIsReplaced)
{
    WriteBytes(ini, TypicalIni);
    WriteBytes(temp, "left by a run that died half-way");
    EXPECT_TRUE(SwitchOn(plugins));
    EXPECT_EQ(TypicalRewritten, ReadOrFail(ini));
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
}

TEST_F(PlayerSettings, MissingFileCreatesNothing)
{
    EXPECT_FALSE(SwitchOn(plugins));
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe" }), Listing(folder));
}

TEST_F(PlayerSettings, ReadOnlyFileUnchanged)
{
    WriteBytes(ini, TypicalIni);
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(SwitchOn(plugins));
    EXPECT_EQ(TypicalIni, ReadOrFail(ini));
    EXPECT_TRUE(GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
}

TEST_F(PlayerSettings, TemporaryFileCannotBeCreated)
{
    // A folder squatting on the temporary name: not ours to remove.
    WriteBytes(ini, TypicalIni);
    ASSERT_TRUE(CreateDirectoryA(temp.c_str(), NULL));
    EXPECT_FALSE(SwitchOn(plugins));
    EXPECT_EQ(TypicalIni, ReadOrFail(ini));
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini", "winamp.ini.zuv-tmp" }), Listing(folder));
}

TEST_F(PlayerSettings, ReadOnlyStaleTemporaryFileBlocksTheRewrite)
{
    WriteBytes(ini, TypicalIni);
    WriteBytes(temp, "stale");
    ASSERT_TRUE(SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(SwitchOn(plugins));
    EXPECT_EQ(TypicalIni, ReadOrFail(ini));
    EXPECT_EQ("stale", ReadOrFail(temp));
}

TEST_F(PlayerSettings, FileHeldOpenByThePlayerUnchanged)
{
    // A player that has not let go of winamp.ini: the rename cannot happen.
    WriteBytes(ini, TypicalIni);
    HANDLE held = CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(SwitchOn(plugins));
    CloseHandle(held);
    EXPECT_EQ(TypicalIni, ReadOrFail(ini));
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
}

// As the desktop's user: impersonating a token (here the test's own) for the
// whole rewrite, and reverting on every way out.
TEST_F(PlayerSettings, RewriteAsAnotherUserRevertsAfterwards)
{
    WriteBytes(ini, TypicalIni);
    HANDLE token, thread;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, &token));
    const std::wstring path(ini.begin(), ini.end());
    for (const std::wstring& file : { path, path + L".missing" }) {
        EXPECT_EQ(file == path, RewriteSettingsFile(file.c_str(), token));
        EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &thread)) << "still impersonating";
        EXPECT_EQ((DWORD)ERROR_NO_TOKEN, GetLastError());
    }
    CloseHandle(token);
    EXPECT_EQ(TypicalRewritten, ReadOrFail(ini));
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
}

TEST_F(PlayerSettings, FolderNamedWinampIniUnchanged)
{
    ASSERT_TRUE(CreateDirectoryA(ini.c_str(), NULL));
    EXPECT_FALSE(SwitchOn(plugins));
    EXPECT_EQ((std::vector<std::string>{ "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
}

TEST_F(PlayerSettings, PathWithoutPluginsFolderChangesNothing)
{
    WriteBytes(ini, TypicalIni);
    WriteBytes(folder + "mywinamp.exe", "");   // the program beside "my" + "plugins"
    EXPECT_FALSE(SwitchOn(folder + "myplugins\\"));
    EXPECT_EQ(TypicalIni, ReadOrFail(ini));
    EXPECT_EQ((std::vector<std::string>{ "mywinamp.exe", "plugins", "winamp.exe", "winamp.ini" }), Listing(folder));
}

TEST_F(PlayerSettings, HiddenFileStaysHidden)
{
    WriteBytes(ini, TypicalIni);
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_HIDDEN));
    if (!(GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_HIDDEN)) GTEST_SKIP() << "this file system keeps no hidden flag";
    EXPECT_TRUE(SwitchOn(plugins));
    EXPECT_EQ(TypicalRewritten, ReadOrFail(ini));
    EXPECT_TRUE(GetFileAttributesA(ini.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

// zuv.cfg in the Windows folder; whatever was there before is put back.
class PluginSettingsSeed : public ::testing::Test {
protected:
    std::string path, saved;
    bool hadFile = false;

    void SetUp() override
    {
        char windows[MAX_PATH];
        UINT n = GetWindowsDirectoryA(windows, sizeof windows);
        ASSERT_TRUE(n > 0 && n < sizeof windows);
        path = std::string(windows) + "\\zuv.cfg";
        hadFile = ReadBytes(path, &saved);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        ASSERT_FALSE(Exists(path));
    }

    void TearDown() override
    {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        RemoveDirectoryA(path.c_str());
        if (hadFile) WriteBytes(path, saved);
    }
};

// The layout itself is the unit tests' (plugin_settings_test.cpp).
TEST_F(PluginSettingsSeed, FirstRunWritesTheDefaultBytes)
{
    PluginSettings defaults;
    DefaultPluginSettings(&defaults);
    unsigned char bytes[PLUGIN_SETTINGS_MAX];
    size_t n = BuildPluginSettings(&defaults, bytes, sizeof bytes);
    ASSERT_GT(n, 0u);
    ASSERT_TRUE(SeedPluginSettings());
    EXPECT_EQ(std::string((const char*)bytes, n), ReadOrFail(path));
}

TEST_F(PluginSettingsSeed, SecondRunLeavesTheFile)
{
    ASSERT_TRUE(SeedPluginSettings());
    std::string first = ReadOrFail(path);
    EXPECT_FALSE(SeedPluginSettings());
    EXPECT_EQ(first, ReadOrFail(path));
}

TEST_F(PluginSettingsSeed, ChangedFileUntouched)
{
    const std::string changed = "\x32\0\0\0 user's own settings\n"s;
    WriteBytes(path, changed);
    EXPECT_FALSE(SeedPluginSettings());
    EXPECT_EQ(changed, ReadOrFail(path));
}

TEST_F(PluginSettingsSeed, EmptyFileCountsAsPresent)
{
    WriteBytes(path, "");
    EXPECT_FALSE(SeedPluginSettings());
    EXPECT_EQ("", ReadOrFail(path));
}

TEST_F(PluginSettingsSeed, FolderOfThatNameLeftAlone)
{
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL));
    EXPECT_FALSE(SeedPluginSettings());
    DWORD a = GetFileAttributesA(path.c_str());
    EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY));
}

} // namespace
