// Finding the player through the real registry, and checking a folder on
// real files.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <string.h>
#include <thread>
#include <vector>

#include "../../core/paths.h"
#include "../../win/operations.h"
#include "../../core/player.h"

namespace {

class Locate : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY); }

    static void SetCommand(DWORD type, const void* data, DWORD size)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY, 0, NULL, 0,
                                                 KEY_ALL_ACCESS, NULL, &key, NULL));
        RegSetValueExA(key, NULL, 0, type, (const BYTE*)data, size);
        RegCloseKey(key);
    }
    static void SetCommand(const std::string& text) { SetCommand(REG_SZ, text.c_str(), (DWORD)text.size() + 1); }

    // LocatePlayer's answer: the folder found, "64-bit: " and the folder
    // when that is all there is, or "<missing>" with the buffer untouched.
    static std::string Located()
    {
        char out[PATH_BUFFER];
        memset(out, '#', sizeof out);
        PlayerFound found = LocatePlayer(out);
        if (found == PLAYER_FOUND) return out;
        if (found == PLAYER_ONLY_NOT_32BIT) return std::string("64-bit: ") + out;
        for (char c : out)
            if (c != '#') return "<missing, but the buffer was written>";
        return "<missing>";
    }
};

// How a command is read is the unit tests' (CommandParsing.*); here one that
// names the player and one that does not.
TEST_F(Locate, CommandWithAndWithoutThePlayer)
{
    SetCommand("\"C:\\Program Files\\Winamp\\winamp.exe\" \"%1\"");
    EXPECT_EQ("c:\\program files\\winamp\\", Located());
    SetCommand("\"C:\\Program Files\\Other\\player.exe\" \"%1\"");
    EXPECT_EQ("<missing>", Located());
}

TEST_F(Locate, MissingKeyOrValue)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY);
    EXPECT_EQ("<missing>", Located());
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY, 0, NULL, 0, KEY_ALL_ACCESS,
                                             NULL, &key, NULL));
    RegCloseKey(key);
    EXPECT_EQ("<missing>", Located());   // the key without a default value
}

TEST_F(Locate, CommandLengths)
{
    // 255 characters fit the 256-byte buffer; 256 do not and fail the query.
    std::string fits = "\"C:\\" + std::string(255 - 16, 'a') + "\\winamp.exe\"";
    ASSERT_EQ(255u, fits.size());
    SetCommand(fits);
    EXPECT_EQ("c:\\" + std::string(255 - 16, 'a') + "\\", Located());
    SetCommand(fits + " ");
    EXPECT_EQ("<missing>", Located());
    SetCommand("\"C:\\" + std::string(400, 'b') + "\\winamp.exe\"");
    EXPECT_EQ("<missing>", Located());
}

TEST_F(Locate, ValueWithoutTerminatingNul)
{
    // Binary data, or a string stored without its NUL, is still a command.
    const char command[] = "\"C:\\Winamp\\winamp.exe\"";
    SetCommand(REG_BINARY, command, (DWORD)strlen(command));
    EXPECT_EQ("c:\\winamp\\", Located());
    std::string full(256, 'x');
    SetCommand(REG_BINARY, full.data(), 256);
    EXPECT_EQ("<missing>", Located());
}

// A player's program, "MZ" alone: a 32-bit one, as nothing says otherwise.
static void MakePlayer(const std::string& folder, const char* program)
{
    for (size_t at = 3; at <= folder.size(); ++at)
        if (at == folder.size() || folder[at] == '\\') CreateDirectoryA(folder.substr(0, at).c_str(), NULL);
    HANDLE file = CreateFileA((folder + "\\" + program).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written;
    ASSERT_TRUE(WriteFile(file, "MZ", 2, &written, NULL));
    CloseHandle(file);
}

// A folder on a server that the desktop user's own places name is looked at
// as them (here: this process's window as the shell's, whose token is had),
// and is left out when that cannot be done (no shell); the same folder by a
// local path, or named by the machine's places, is looked at as ever. Wine
// serves \\host\share from its prefix's dosdevices\unc.
TEST_F(Locate, DesktopUsersServerFolderOnlyAsThem)
{
    const char* prefix = getenv("WINEPREFIX");
    ASSERT_TRUE(prefix) << "the share is made in wine's prefix";
    std::string local = std::string("Z:") + prefix + "\\dosdevices\\unc\\zuvhost\\share\\Winamp";
    for (char& c : local) c = c == '/' ? '\\' : c;
    MakePlayer(local, "winamp.exe");
    const char server[] = "\\\\zuvhost\\share\\Winamp";
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, PLAYER_USER_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
    FoundPlayer players[4];
    auto listed = [&] { return FindEveryPlayer(players, 4) == 1 ? std::string(players[0].folder) : "<not one>"; };
    for (const std::string& folder : { local, std::string(server) }) {
        RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)folder.c_str(), (DWORD)folder.size() + 1);
        std::string found = folder == server ? "<missing>" : CharLowerA(&(folder + "\\")[0]);
        EXPECT_EQ(found, Located());
        EXPECT_EQ(folder == server ? "<not one>" : found, listed());
    }
    typedef BOOL(WINAPI * SetShellWindowProc)(HWND);
    SetShellWindowProc setShellWindow =
        (SetShellWindowProc)(void*)GetProcAddress(GetModuleHandleA("user32.dll"), "SetShellWindow");
    HWND shell = CreateWindowA("STATIC", "shell", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(setShellWindow && setShellWindow(shell));
    EXPECT_EQ("\\\\zuvhost\\share\\winamp\\", Located());
    EXPECT_EQ("\\\\zuvhost\\share\\winamp\\", listed());
    DestroyWindow(shell);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, PLAYER_USER_KEY);
    SetCommand(std::string("\"") + server + "\\winamp.exe\"");
    EXPECT_EQ("\\\\zuvhost\\share\\winamp\\", Located());
    EXPECT_EQ("\\\\zuvhost\\share\\winamp\\", listed());
    DeleteFileA((local + "\\winamp.exe").c_str());
}

// %ProgramW6432% and %CommonProgramW6432% came with Windows 7: without them
// (XP x64, Vista x64), the registry's 64-bit view names the native folders,
// for the default folders and for a value a 64-bit installer wrote.
TEST_F(Locate, NativeFoldersWithoutTheirVariables)
{
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) GTEST_SKIP() << "32-bit Windows has no native folders";
    const char* const names[] = { "ProgramW6432", "CommonProgramW6432" };
    char saved[2][MAX_PATH];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(GetEnvironmentVariableA(names[i], saved[i], MAX_PATH));
        SetEnvironmentVariableA(names[i], NULL);
    }
    MakePlayer("C:\\Program Files\\WACUP", "wacup.exe");
    EXPECT_EQ("c:\\program files\\wacup\\", Located());
    DeleteFileA("C:\\Program Files\\WACUP\\wacup.exe");
    MakePlayer("C:\\Program Files\\Common Files\\ZUV WACUP", "wacup.exe");
    HKEY key;
    const char value[] = "%CommonProgramFiles%\\ZUV WACUP";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, WACUP_UNINSTALL_KEY, 0, NULL, 0,
                                             KEY_ALL_ACCESS | KEY_WOW64_64KEY, NULL, &key, NULL));
    RegSetValueExA(key, "InstallLocation", 0, REG_EXPAND_SZ, (const BYTE*)value, sizeof value);
    RegCloseKey(key);
    EXPECT_EQ("c:\\program files\\common files\\zuv wacup\\", Located());
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, WACUP_UNINSTALL_KEY, KEY_WOW64_64KEY, 0);
    DeleteFileA("C:\\Program Files\\Common Files\\ZUV WACUP\\wacup.exe");
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableA(names[i], saved[i]);
}

// The typed folder's player: its program, resolved once, wacup.exe before
// winamp.exe, and whether its PE header names another machine than i386.
class Presence : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root = std::string(temp) + "zuv-presence\\";
        std::string x64(0x200, '\0');
        x64.replace(0, 2, "MZ");
        x64[0x3C] = (char)0x80;
        x64.replace(0x80, 6, std::string("PE\0\0\x64\x86", 6));
        // A PE32+ header past the first 4 KB, behind a long DOS stub.
        std::string longStub(0x1400, '\0');
        longStub.replace(0, 2, "MZ");
        longStub.replace(0x3C, 2, "\x00\x12", 2);
        longStub.replace(0x1200, 6, std::string("PE\0\0\x64\x86", 6));
        longStub.replace(0x1214, 1, "\xF0");
        longStub.replace(0x1218, 2, "\x0B\x02", 2);
        const char* files[][2] = { { "player\\winamp.exe", "MZ" }, { "wacup\\wacup.exe", "" },
                                   { "both\\winamp.exe", "" },    { "both\\WACUP.EXE", "" },
                                   { "x64\\wacup.exe", "" },      { "x64\\winamp.exe", "" },
                                   { "far\\winamp.exe", "" } };
        for (auto& f : files) {
            std::string path = root + f[0];
            made.push_back(path);
            for (size_t i = root.size() - 1; i < path.size(); ++i)
                if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), NULL);
            HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            std::string bytes = made.size() == 5 ? x64 : made.size() == 7 ? longStub : f[1];
            DWORD written;
            WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
            CloseHandle(file);
        }
        CreateDirectoryA((root + "folder").c_str(), NULL);
        CreateDirectoryA((root + "folder\\winamp.exe").c_str(), NULL);
    }
    void TearDown() override
    {
        for (const std::string& path : made) DeleteFileA(path.c_str());
        for (const char* folder : { "player", "wacup", "both", "x64", "far", "folder\\winamp.exe", "folder", "" })
            RemoveDirectoryA((root + folder).c_str());
    }
    // What confirming `typed` on the Location page finds: the kind, and the
    // program's name ("" for none).
    static std::string Found(const std::string& typed)
    {
        PlayerSettingsPlace place;
        FindPlayerSettings(typed.c_str(), &place);
        ReleasePlayerSettings(&place);
        const WCHAR* name = place.program + lstrlenW(place.program);
        while (name > place.program && name[-1] != '\\') --name;
        char text[MAX_PATH];
        WideCharToMultiByte(CP_ACP, 0, name, -1, text, MAX_PATH, NULL, NULL);
        static const char* const Kinds[] = { "none", "32-bit ", "64-bit " };
        return Kinds[place.kind] + std::string(place.kind ? text : "");
    }
    std::string root;
    std::vector<std::string> made;
};

TEST_F(Presence, RealFilesAndFolders)
{
    EXPECT_EQ("32-bit winamp.exe", Found(root + "player\\plugins\\"));
    EXPECT_EQ("32-bit winamp.exe", Found(root + "player\\plugins"));
    EXPECT_EQ("32-bit winamp.exe", Found(root + "player\\Plugins\\"));
    EXPECT_EQ("32-bit wacup.exe", Found(root + "wacup\\Plugins\\"));
    EXPECT_EQ("32-bit wacup.exe", Found(root + "both\\plugins\\"));   // WACUP.EXE runs first
    EXPECT_EQ("64-bit wacup.exe", Found(root + "x64\\plugins\\"));
    EXPECT_EQ("64-bit winamp.exe", Found(root + "far\\plugins\\"));
    EXPECT_EQ("none", Found(root + "nowhere\\plugins\\"));
    EXPECT_EQ("none", Found(root + "folder\\plugins\\"));   // winamp.exe is a folder there
    EXPECT_EQ("none", Found(""));
    // Without "plugins" there is no player folder, even where the text names it.
    EXPECT_EQ("none", Found(root + "player\\winamp.exe"));
    EXPECT_EQ("none", Found(root + "player\\"));
}

// A shown dialog of the thread `thread`: the picker.
BOOL CALLBACK FindPicker(HWND window, LPARAM found)
{
    char name[8];
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) || strcmp(name, "#32770")) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

// Answers the picker that thread `thread` opens: once its tree has the
// start folder "wacup" selected, unless `settled` is false. Shown is not yet
// settled: under load wine's picker can show before its tree has the start
// folder selected, and OK would take whatever is selected then.
static std::thread AnswerPicker(DWORD thread, int answer, bool settled)
{
    return std::thread([=] {
        HWND picker = NULL;
        for (int i = 0; i < 500 && !picker; ++i, Sleep(10)) EnumThreadWindows(thread, FindPicker, (LPARAM)&picker);
        HWND tree = FindWindowExA(picker, NULL, WC_TREEVIEWA, NULL);
        char name[MAX_PATH] = "";
        for (int i = 0; settled && i < 300 && lstrcmpiA(name, "wacup"); ++i, Sleep(10)) {
            TVITEMA item = {};
            item.mask = TVIF_TEXT;
            item.hItem = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
            item.pszText = name;
            item.cchTextMax = sizeof name;
            if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&item)) name[0] = 0;
        }
        PostMessageA(picker, WM_COMMAND, answer, 0);
    });
}

// XP's picker, the one Windows without Vista's has: it opens at the nearest
// folder of the one typed that exists, where OK takes it; Cancel takes none.
// Wine's first picker in a process loses the start selection (its tree shows
// Desktop alone), XP's does not: one is opened and cancelled first.
TEST_F(Presence, XpPickerOpensAtTheNearestFolderThatExists)
{
    WCHAR typed[MAX_PATH], picked[MAX_PATH] = L"untouched";
    MultiByteToWideChar(CP_ACP, 0, (root + "wacup\\gone\\deeper\\").c_str(), -1, typed, MAX_PATH);
    std::thread first = AnswerPicker(GetCurrentThreadId(), IDCANCEL, false);
    EXPECT_FALSE(PickFolder(NULL, typed, picked, false));
    first.join();
    for (int answer : { IDOK, IDCANCEL }) {
        SCOPED_TRACE(answer);
        std::thread answerer = AnswerPicker(GetCurrentThreadId(), answer, true);
        bool took = PickFolder(NULL, typed, picked, false);
        answerer.join();
        EXPECT_EQ(answer == IDOK, took);
        char text[MAX_PATH];
        WideCharToMultiByte(CP_ACP, 0, picked, -1, text, MAX_PATH, NULL, NULL);
        EXPECT_EQ(0, lstrcmpiA((root + "wacup").c_str(), text)) << text;
    }
}

TEST_F(Presence, PathsThatDoNotFitAreAFailure)
{
    EXPECT_EQ("none", Found(root + std::string(300, 'p') + "\\plugins\\"));
    std::string nearly = "C:\\" + std::string(243, 'q') + "\\plugins\\";   // winamp.exe would need 257
    ASSERT_EQ(255u, nearly.size());
    EXPECT_EQ("none", Found(nearly));
}

}  // namespace
