// The error chain and the registry key, against the real system.
#include <gtest/gtest.h>
#include <windows.h>
#include <new>
#include <string>
#include <string.h>
#include <stdlib.h>

#include "../../syslib/syexception.h"
#include "../../syslib/syregistry.h"

#pragma GCC diagnostic ignored "-Wcatch-value"

namespace {

const char TestKey[] = "Software\\ZUVInstallerTests";

std::string SystemWording(DWORD code)
{
    char text[256];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, code, 0, text, sizeof text, NULL);
    return std::string(text, n);
}

// Debugger lines, seen as the exception OutputDebugString raises.
int g_debuggerLines;
LONG CALLBACK CountDebuggerLine(EXCEPTION_POINTERS* e)
{
    g_debuggerLines += e->ExceptionRecord->ExceptionCode == DBG_PRINTEXCEPTION_C;
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST(SyException, DefaultText)
{
    SyException e;
    EXPECT_STREQ("An unknown SyException has occurred.", e.GetText());
    SyStringException s;
    EXPECT_STREQ("An unknown SyException has occurred.", s.GetText());
}

// Loading the texts beforehand (before running as the desktop's user)
// writes no debugger line and changes no text; the exception writes one.
TEST(SySystemException, FileNotFoundHasPrefixAndSystemWording)
{
    PVOID handler = AddVectoredExceptionHandler(1, CountDebuggerLine);
    SySystemException::LoadTexts();
    EXPECT_EQ(0, g_debuggerLines);
    SySystemException e(ERROR_FILE_NOT_FOUND);
    RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(1, g_debuggerLines);
    std::string text = e.GetText();
    ASSERT_EQ(36u, strlen(SySystemException::Prefix));
    EXPECT_EQ("An SySystemException has occurred:  ", text.substr(0, 36));
    std::string wording = SystemWording(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(wording.empty());
    EXPECT_EQ(wording, text.substr(36));
    EXPECT_EQ(2u, e.code);
}

TEST(SySystemException, CodeWithoutWordingGivesTheFallback)
{
    const unsigned long code = 0x2AFF1234;   // no system message has this id
    ASSERT_TRUE(SystemWording(code).empty());
    SySystemException e(code);
    EXPECT_STREQ("FormatMessage() failed for SySystemException 721359412\n", e.GetText());
}

// The installer throws these with app/runtime.cpp's stand-ins for parts of
// libstdc++ (the thrown object's storage, the exceptions in flight, the
// frame search). runtime_check.exe, linked as the installer is, in the
// windows build's tools folder (ZUV_MODULES), checks them against the
// libstdc++ of the toolchain: its exit code names the first check failed.
TEST(SySystemException, RuntimeStandInsMatchTheToolchainsLibstdcxx)
{
    const char* tools = getenv("ZUV_MODULES");
    ASSERT_NE(nullptr, tools) << "ZUV_MODULES: the windows build's tools folder";
    std::string program = std::string(tools) + "\\runtime_check.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    ASSERT_TRUE(CreateProcessA(program.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child)) << program;
    DWORD code = 1;
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 10000));
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(0u, code) << "10 frame tables' start, 11 thrown object's header, 12-15 throw and catch, 3 or a crash: "
                           "no frame found";
}

TEST(SySystemException, CopyKeepsTextInItsOwnBuffer)
{
    alignas(SySystemException) char storage[sizeof(SySystemException)];
    SySystemException* original = new (storage) SySystemException(ERROR_ACCESS_DENIED);
    std::string before = original->GetText();
    SySystemException copy(*original);
    // Scribble over the source: the copy must not point into it.
    memset(storage, 'X', sizeof storage);
    EXPECT_EQ(before, copy.GetText());
    EXPECT_EQ(5u, copy.code);
}

TEST(SySystemException, ThrownAndCaughtByValue)
{
    std::string caught;
    try {
        throw SySystemException(ERROR_FILE_NOT_FOUND);
    } catch (SySystemException e) {
        caught = e.GetText();
        EXPECT_EQ(2u, e.code);
    }
    EXPECT_EQ(std::string("An SySystemException has occurred:  ") + SystemWording(2), caught);
}

class RegistryKey : public ::testing::Test {
protected:
    void SetUp() override
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, TestKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)"default value", 14);
        RegSetValueExA(key, "named", 0, REG_SZ, (const BYTE*)"x", 2);
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, TestKey); }
};

TEST_F(RegistryKey, OpensAndReadsTheDefaultValue)
{
    SyRegistryKey key;
    EXPECT_FALSE(key.IsOpen());
    key.Open(HKEY_CURRENT_USER, TestKey, KEY_READ);
    EXPECT_TRUE(key.IsOpen());
    char data[64];
    DWORD size = sizeof data;
    DWORD type = 0;
    key.QueryValue(NULL, &type, (BYTE*)data, &size);
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(14u, size);
    EXPECT_STREQ("default value", data);
    key.Close();
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryKey, MissingKeyRaisesWithTheSystemCode)
{
    SyRegistryKey key;
    try {
        key.Open(HKEY_CURRENT_USER, "Software\\ZUVInstallerTests\\missing", KEY_READ);
        FAIL() << "no exception";
    } catch (SySystemException e) {
        EXPECT_EQ((unsigned long)ERROR_FILE_NOT_FOUND, e.code);
    }
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryKey, ValueTooLargeForTheBufferRaises)
{
    SyRegistryKey key;
    key.Open(HKEY_CURRENT_USER, TestKey, KEY_READ);
    char data[4];
    DWORD size = sizeof data;
    try {
        key.QueryValue(NULL, NULL, (BYTE*)data, &size);
        FAIL() << "no exception";
    } catch (SySystemException e) {
        EXPECT_EQ((unsigned long)ERROR_MORE_DATA, e.code);
    }
}

TEST_F(RegistryKey, MissingValueRaises)
{
    SyRegistryKey key;
    key.Open(HKEY_CURRENT_USER, TestKey, KEY_READ);
    char data[16];
    DWORD size = sizeof data;
    EXPECT_THROW(key.QueryValue("absent", NULL, (BYTE*)data, &size), SySystemException);
}

TEST_F(RegistryKey, ExplicitCloseOfAFailedHandleRaisesButDestructorDoesNot)
{
    // Close the handle behind the key's back, so its own close fails.
    HKEY raw;
    {
        SyRegistryKey key;
        key.Open(HKEY_CURRENT_USER, TestKey, KEY_READ);
        memcpy(&raw, &key, sizeof raw);
        RegCloseKey(raw);
        // Leaving this block destroys the key: a destructor is noexcept, so
        // a failure let out of it would end this program here.
    }
    SyRegistryKey key;
    key.Open(HKEY_CURRENT_USER, TestKey, KEY_READ);
    memcpy(&raw, &key, sizeof raw);
    RegCloseKey(raw);
    EXPECT_THROW(key.Close(), SySystemException);
    EXPECT_FALSE(key.IsOpen());
}

}  // namespace
