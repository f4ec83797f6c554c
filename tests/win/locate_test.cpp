// Finding the player through the real registry, and checking a folder on
// real files.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <string.h>

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

    // LocatePlayer's answer, or "<false>" with the buffer checked untouched.
    static std::string Located()
    {
        char out[PATH_BUFFER];
        memset(out, '#', sizeof out);
        if (LocatePlayer(out)) return out;
        for (char c : out)
            if (c != '#') return "<false, but the buffer was written>";
        return "<false>";
    }
};

// How a command is read is the unit tests' (CommandParsing.*); here one that
// names the player and one that does not.
TEST_F(Locate, CommandWithAndWithoutThePlayer)
{
    SetCommand("\"C:\\Program Files\\Winamp\\winamp.exe\" \"%1\"");
    EXPECT_EQ("c:\\program files\\winamp\\", Located());
    SetCommand("\"C:\\Program Files\\Other\\player.exe\" \"%1\"");
    EXPECT_EQ("<false>", Located());
}

TEST_F(Locate, MissingKeyOrValue)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY);
    EXPECT_EQ("<false>", Located());
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, PLAYER_COMMAND_KEY, 0, NULL, 0, KEY_ALL_ACCESS,
                                             NULL, &key, NULL));
    RegCloseKey(key);
    EXPECT_EQ("<false>", Located());   // the key without a default value
}

TEST_F(Locate, CommandLengths)
{
    // 255 characters fit the 256-byte buffer; 256 do not and fail the query.
    std::string fits = "\"C:\\" + std::string(255 - 16, 'a') + "\\winamp.exe\"";
    ASSERT_EQ(255u, fits.size());
    SetCommand(fits);
    EXPECT_EQ("c:\\" + std::string(255 - 16, 'a') + "\\", Located());
    SetCommand(fits + " ");
    EXPECT_EQ("<false>", Located());
    SetCommand("\"C:\\" + std::string(400, 'b') + "\\winamp.exe\"");
    EXPECT_EQ("<false>", Located());
}

TEST_F(Locate, ValueWithoutTerminatingNul)
{
    // Binary data, or a string stored without its NUL, is still a command.
    const char command[] = "\"C:\\Winamp\\winamp.exe\"";
    SetCommand(REG_BINARY, command, (DWORD)strlen(command));
    EXPECT_EQ("c:\\winamp\\", Located());
    std::string full(256, 'x');
    SetCommand(REG_BINARY, full.data(), 256);
    EXPECT_EQ("<false>", Located());
}

class Presence : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root = std::string(temp) + "zuv-presence\\";
        CreateDirectoryA(root.c_str(), NULL);
        CreateDirectoryA((root + "player").c_str(), NULL);
        CreateDirectoryA((root + "player\\plugins").c_str(), NULL);
        HANDLE f = CreateFileA((root + "player\\winamp.exe").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        CloseHandle(f);
        CreateDirectoryA((root + "folder").c_str(), NULL);
        CreateDirectoryA((root + "folder\\winamp.exe").c_str(), NULL);
    }
    void TearDown() override
    {
        DeleteFileA((root + "player\\winamp.exe").c_str());
        RemoveDirectoryA((root + "player\\plugins").c_str());
        RemoveDirectoryA((root + "player").c_str());
        RemoveDirectoryA((root + "folder\\winamp.exe").c_str());
        RemoveDirectoryA((root + "folder").c_str());
        RemoveDirectoryA(root.c_str());
    }
    std::string root;
};

TEST_F(Presence, RealFilesAndFolders)
{
    EXPECT_TRUE(PlayerIsPresent((root + "player\\plugins\\").c_str()));
    EXPECT_TRUE(PlayerIsPresent((root + "player\\plugins").c_str()));
    EXPECT_TRUE(PlayerIsPresent((root + "player\\Plugins\\").c_str()));
    EXPECT_FALSE(PlayerIsPresent((root + "nowhere\\plugins\\").c_str()));
    EXPECT_FALSE(PlayerIsPresent((root + "folder\\plugins\\").c_str()));   // winamp.exe is a folder there
    EXPECT_FALSE(PlayerIsPresent(""));
    // Without "plugins" there is no player folder, even where the text names it.
    EXPECT_FALSE(PlayerIsPresent((root + "player\\winamp.exe").c_str()));
    EXPECT_FALSE(PlayerIsPresent((root + "player\\").c_str()));
}

TEST_F(Presence, PathsThatDoNotFitAreAFailure)
{
    std::string longPath = root + std::string(300, 'p') + "\\plugins\\";
    EXPECT_FALSE(PlayerIsPresent(longPath.c_str()));
    std::string nearly = "C:\\" + std::string(243, 'q') + "\\plugins\\";   // winamp.exe would need 257
    ASSERT_EQ(255u, nearly.size());
    EXPECT_FALSE(PlayerIsPresent(nearly.c_str()));
}

}  // namespace
