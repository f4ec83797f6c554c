// After the start-up step a DLL beside the program is no longer loaded by its
// bare name, while system DLLs still are. The step changes the whole process,
// so the disabled case runs in a child: this program again. And what a start
// through the desktop's shell, which loads ole32 by its full path, reports.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <string.h>

#include "../../win/library_search.h"
#include "../../win/operations.h"

namespace {

const char ProbeName[] = "zuv_probe.dll";
enum { CHILD_PASSED = 42 };   // a filter that matched nothing would exit with 0

TEST(LibrarySearch, DISABLED_InThisProcess)
{
    RestrictLibrarySearch();
    EXPECT_EQ(NULL, LoadLibraryA(ProbeName));
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, GetLastError());
    EXPECT_NE((HMODULE)NULL, LoadLibraryA("ole32.dll"));
    if (!HasFailure()) ExitProcess(CHILD_PASSED);
}

TEST(LibrarySearch, DllBesideTheProgramIsNotLoadedAfterStartUp)
{
    char exe[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(NULL, exe, sizeof exe));
    std::string probe = std::string(exe, strrchr(exe, '\\') + 1) + ProbeName;
    // A copy of the built plug-in, a small DLL (a Unix path, reached through Z:).
    std::string module = std::string("Z:") + ZUV_PLUGIN_DLL;
    std::replace(module.begin(), module.end(), '/', '\\');
    ASSERT_TRUE(CopyFileA(module.c_str(), probe.c_str(), FALSE)) << module;
    HMODULE found = LoadLibraryA(ProbeName);   // without the step it is found
    EXPECT_NE((HMODULE)NULL, found);
    FreeLibrary(found);

    // The child's failures appear in our output.
    std::string commandLine = std::string("\"") + exe + "\" --gtest_also_run_disabled_tests --gtest_filter=LibrarySearch.DISABLED_*";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    ASSERT_TRUE(CreateProcessA(exe, &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &child));
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 30000));
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ((DWORD)CHILD_PASSED, code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    DeleteFileA(probe.c_str());
}

// Explorer reached but unable to start the file (wine answers S_FALSE):
// surely not started, and not to be started again elevated.
TEST(ShellStart, FileThatCannotBeStartedIsNotStarted)
{
    EXPECT_EQ(SHELL_NOT_STARTED, StartAsDesktopUser(L"C:\\no such folder\\no such program.exe", NULL));
}

}  // namespace
