// The version check on real modules: the dsp_zv.dll already in a plug-ins
// folder against the one beside this program (1.0.0.0). The test modules
// (tools/standin/module.cpp) lie beside it too.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <string.h>

#include "../../win/operations.h"

namespace {

std::string Beside(const char* name)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    strcpy(strrchr(path, '\\') + 1, name);
    return path;
}

TEST(FileVersion, InstalledModuleAgainstOurs)
{
    // The module installed as dsp_zv.dll; nullptr: none.
    const struct {
        const char* installed;
        bool newer;
    } cases[] = {
        { "module_9.1.0.0.dll", true }, { "module_1.0.0.0.dll", false }, { "module_0.9.0.0.dll", false },
        { "module_none.dll", false },   { nullptr, false },
    };
    std::string folder = Beside("installed\\");
    CreateDirectoryA(folder.c_str(), NULL);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installed ? c.installed : "nothing installed");
        DeleteFileA((folder + "dsp_zv.dll").c_str());
        if (c.installed) {
            ASSERT_TRUE(CopyFileA(Beside(c.installed).c_str(), (folder + "dsp_zv.dll").c_str(), FALSE));
        }
        unsigned long long installed = 0, ours = 0;
        EXPECT_EQ(c.newer, InstalledModuleIsNewer(std::wstring(folder.begin(), folder.end()).c_str(), NULL, &installed, &ours));
        if (c.newer) {
            EXPECT_EQ(0x0009000100000000ull, installed);
            EXPECT_EQ(0x0001000000000000ull, ours);
        }
    }
    DeleteFileA((folder + "dsp_zv.dll").c_str());
    RemoveDirectoryA(folder.c_str());

    // Not a module at all: the help page beside this program.
    WCHAR page[MAX_PATH];
    GetModuleFileNameW(NULL, page, MAX_PATH);
    lstrcpyW(wcsrchr(page, L'\\') + 1, L"helpfile.html");
    unsigned long long version = 0;
    EXPECT_FALSE(ReadFileVersion(page, &version));
}

}  // namespace
