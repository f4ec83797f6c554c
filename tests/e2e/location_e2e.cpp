// The Location page's help with folders, through the real installer: Browse
// and the system's folder picker, and the list of every player found.
#include <algorithm>

#include "harness.h"

using namespace automation;

namespace e2e {
namespace {

enum { BROWSE = 1012, PLAYERS_NAME = 1013, PLAYERS = 1014 };
enum { PICKER_NAME = 1152 };   // the name box of wine's folder picker

const char WacupFolder[] = "C:\\Players\\WACUP\\";

// The folder picker Browse opens: a dialog the wizard owns that is not a
// message box.
HWND WaitPicker(HWND wizard)
{
    HWND found = NULL;
    WaitUntil(
        [&] {
            for (HWND w = FindWindowExA(NULL, NULL, "#32770", NULL); w; w = FindWindowExA(NULL, w, "#32770", NULL))
                if (GetWindow(w, GW_OWNER) == wizard && IsWindowVisible(w) && !GetDlgItem(w, 0xFFFF)) found = w;
            return found != NULL;
        },
        WAIT_MS);
    return found;
}

// A box's text in UTF-8: the folder it names may be one the ANSI code page
// cannot spell.
std::string TextOf(HWND box)
{
    WCHAR text[1024] = L"";
    DWORD_PTR n = 0;
    SendMessageTimeoutW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, WAIT_MS, &n);
    char utf8[3 * 1024];
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) ? utf8 : "";
}

class Location : public Scenario {};

// Each row on one wizard, in order: the box set first (nullptr: as left),
// then Browse, and in the picker a folder typed and taken, or Cancel.
TEST_F(Location, BrowseFillsTheBoxWithWhatThePickerGives)
{
    InstallPlayer(WacupFolder, SampleIni, "wacup.exe");
    ASSERT_TRUE(CreateDirectoryA("C:\\Other", NULL));
    ASSERT_TRUE(CreateDirectoryA("C:\\Other\\Sub", NULL));
    const char Unspellable[] = u8"C:\\Łódź";   // code page 1252 lacks Ł and ź
    ASSERT_TRUE(CreateDirectoryW(Wide(Unspellable).c_str(), NULL));
    const std::string Found = "c:\\program files\\winamp\\plugins\\";
    const struct {
        const char* name;
        const char* box;      // set first; nullptr: as it is
        const char* picked;   // typed into the picker; nullptr: Cancel
        std::string after;    // the box afterwards
        bool refused;         // a box says the folder cannot be used
    } Rows[] = {
        { "another folder", nullptr, "C:\\Other", "C:\\Other\\", false },
        { "cancel", nullptr, nullptr, "C:\\Other\\", false },
        // A name without a folder is looked for where the picker opened.
        { "opens at the nearest folder that exists", "C:\\Other\\gone\\deeper\\", "Sub", "C:\\Other\\Sub\\", false },
        { "a name the code page cannot spell", nullptr, Unspellable, "C:\\Other\\Sub\\", true },
        { "a player's folder", nullptr, "C:\\Players\\WACUP", "c:\\players\\wacup\\plugins\\", false },
        { "a plug-ins folder", Found.c_str(), "C:\\Players\\WACUP\\Plugins", "C:\\Players\\WACUP\\Plugins\\", false },
    };
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    // One player found: no list to choose from.
    EXPECT_TRUE(Visible(run.wizard, BROWSE));
    EXPECT_FALSE(Visible(run.wizard, PLAYERS));
    for (const auto& row : Rows) {
        SCOPED_TRACE(row.name);
        if (row.box) {
            ASSERT_TRUE(SetText(run.wizard, LOCATION, row.box));
        }
        Click(run.wizard, BROWSE);
        HWND picker = WaitPicker(run.wizard);
        ASSERT_TRUE(picker);
        if (row.picked) {
            SendMessageW(GetDlgItem(picker, PICKER_NAME), WM_SETTEXT, 0, (LPARAM)Wide(row.picked).c_str());
            Click(picker, IDOK);
        } else {
            Click(picker, IDCANCEL);
        }
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(picker); }, WAIT_MS));
        if (row.refused) {
            MessageBoxInfo box;
            ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
            EXPECT_EQ("ZUV", box.caption);
            EXPECT_EQ(std::string("The folder ") + row.picked +
                          " cannot be used: its name has letters that this system's ANSI code page cannot spell, and "
                          "Winamp's plug-ins folder is named in that code page.\n\nChoose another folder.",
                      TextOf(box.window));
            EXPECT_EQ(run.wizard, box.owner);
            DismissMessageBox(box.window);
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, WAIT_MS));
        }
        EXPECT_TRUE(WaitUntil([&] { return Text(run.wizard, LOCATION) == row.after; }, SHORT_MS))
            << Text(run.wizard, LOCATION);
    }
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    EXPECT_TRUE(Exists(std::string(WacupFolder) + "Plugins\\dsp_zv.dll"));
}

}  // namespace
}  // namespace e2e
