// The Location page's help with folders, through the real installer: Browse
// and the system's folder picker, and the list of every player found.
#include <string.h>
#include <vector>

#include "harness.h"

using namespace automation;

namespace e2e {
namespace {

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

std::string Utf8(const WCHAR* text)
{
    char utf8[3 * 1024];
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) ? utf8 : "";
}

// A box's text: the folder it names may be one the ANSI code page cannot
// spell.
std::string TextOf(HWND box)
{
    WCHAR text[1024] = L"";
    DWORD_PTR n = 0;
    SendMessageTimeoutW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, WAIT_MS, &n);
    return Utf8(text);
}

class Location : public Scenario {};

// Each row on one wizard, in order: the box set first (nullptr: as left),
// then Browse clicked, and in the picker a folder typed and taken, or Cancel.
TEST_F(Location, BrowseFillsTheBoxWithWhatThePickerGives)
{
    InstallPlayer(WacupFolder, SampleIni, "wacup.exe");
    ASSERT_TRUE(CreateDirectoryA("C:\\Other", NULL));
    ASSERT_TRUE(CreateDirectoryA("C:\\Other\\Sub", NULL));
    const char Unspellable[] = u8"C:\\Łódź";   // code page 1252 lacks Ł and ź
    ASSERT_TRUE(CreateDirectoryW(Wide(Unspellable).c_str(), NULL));
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
        { "a plug-ins folder", "c:\\program files\\winamp\\plugins\\", "C:\\Players\\WACUP\\Plugins", "C:\\Players\\WACUP\\Plugins\\", false },
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
        ASSERT_TRUE(Press(run.wizard, BROWSE, POINTER));
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
                          "the player's plug-ins folder is named in that code page.\n\nChoose another folder.",
                      TextOf(box.window));
            EXPECT_EQ(run.wizard, box.owner);
            ASSERT_TRUE(Press(box.window, IDOK, POINTER));
            ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, WAIT_MS));
        }
        EXPECT_TRUE(WaitUntil([&] { return Text(run.wizard, LOCATION) == row.after; }, SHORT_MS))
            << Text(run.wizard, LOCATION);
    }
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    EXPECT_TRUE(Exists(std::string(WacupFolder) + "Plugins\\dsp_zv.dll"));
}

// The items of another process's combo box, in UTF-8. The system copies
// them across; wine's copy of the ANSI message's text is garbled.
std::vector<std::string> Items(HWND dialog, int id)
{
    std::vector<std::string> items;
    HWND list = GetDlgItem(dialog, id);
    LRESULT n = SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        WCHAR item[MAX_PATH + 32] = L"";
        if (SendMessageW(list, CB_GETLBTEXTLEN, i, 0) < MAX_PATH + 32) SendMessageW(list, CB_GETLBTEXT, i, (LPARAM)item);
        items.push_back(Utf8(item));
    }
    return items;
}

class Players : public Location, public ::testing::WithParamInterface<int> {};

// Winamp (the play command and its default folder, one player) and WACUP
// (its uninstall entry) are both found, a 64-bit player is not offered; the
// keyboard and the pointer reach the list, whose choice is installed into.
// At 100 % the README's picture is taken.
TEST_P(Players, ListOffersEveryPlayerFoundAndTheChoiceIsInstalledInto)
{
    const int dpi = GetParam();
    InstallPlayer(WacupFolder, SampleIni, "wacup.exe");
    InstallPlayer("C:\\Players\\x64\\", SampleIni, "wacup.exe", true);
    const char* values[][3] = {
        { "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WACUP", "InstallLocation", "C:\\Players\\WACUP" },
        { "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\wacup.exe", NULL, "C:\\Players\\x64\\wacup.exe" },
    };
    for (auto& v : values) {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, v[0], 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        RegSetValueExA(key, v[1], 0, REG_SZ, (const BYTE*)v[2], (DWORD)strlen(v[2]) + 1);
        RegCloseKey(key);
    }
    if (dpi != 96) SetDisplayScale(dpi);
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(Visible(run.wizard, PLAYERS));
    const std::vector<std::string> offered = { "Winamp - c:\\program files\\winamp\\", "WACUP - c:\\players\\wacup\\" };
    EXPECT_EQ(offered, Items(run.wizard, PLAYERS));
    EXPECT_EQ(0, SendDlgItemMessageA(run.wizard, PLAYERS, CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(ShowsMessage(run.wizard, "Players found:"));
    // Under the folder box and its left edge, below the page's words; its
    // label, in the words' colour, left of it on its row.
    RECT box = ControlRect(run.wizard, LOCATION), list = ControlRect(run.wizard, PLAYERS);
    EXPECT_EQ(box.left, list.left);
    EXPECT_GT(list.top, box.bottom);
    Image shot, row;
    ASSERT_TRUE(WaitUntil([&] { return CaptureClient(run.wizard, &shot) && Extent(shot, Words).bottom > list.top; },
                          WAIT_MS));
    row.width = shot.width;
    row.height = list.bottom - list.top;
    row.pixels.assign(shot.pixels.begin() + list.top * shot.width, shot.pixels.begin() + list.bottom * shot.width);
    RECT label = Extent(row, Words);
    EXPECT_LT(label.left, label.right);
    EXPECT_LT(label.right, list.left);
    shot.height = box.bottom;
    EXPECT_LT(Extent(shot, Words).bottom, box.top);
    if (dpi == 96) SaveScreenshot(run.wizard, "page-3-location-players");

    PostMessageA(run.wizard, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(run.wizard, LOCATION), TRUE);
    for (int id : { BROWSE, PLAYERS }) {
        PressKey(run.wizard, VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusedId(run.wizard) == id; }, SHORT_MS)) << FocusedId(run.wizard);
    }
    PressKey(run.wizard, VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return Text(run.wizard, LOCATION) == "c:\\players\\wacup\\plugins\\"; }, SHORT_MS))
        << Text(run.wizard, LOCATION);
    // The list worked as a person does, each time after the box was typed
    // into (nullptr: not): Winamp clicked in the drop-down, or the item
    // shown taken by the keys. Either way its folder goes into the box, also
    // when it is the item the list shows already.
    const struct { const char* typed; Input input; } Choices[] = {
        { nullptr, POINTER },
        { "C:\\Elsewhere\\", POINTER },
        { "C:\\Program Files\\Winamp\\Plugins\\", ENTER },
    };
    for (const auto& choice : Choices) {
        SCOPED_TRACE(choice.typed ? choice.typed : "as left");
        if (choice.typed) {
            ASSERT_TRUE(TypeFolder(run.wizard, choice.typed, POINTER));
        }
        ASSERT_TRUE(ChoosePlayer(run.wizard, 0, choice.input));
        EXPECT_TRUE(WaitUntil([&] { return Text(run.wizard, LOCATION) == "c:\\program files\\winamp\\plugins\\"; },
                              SHORT_MS))
            << Text(run.wizard, LOCATION);
    }
    // The box stays editable.
    ASSERT_TRUE(SetText(run.wizard, LOCATION, "c:\\players\\wacup\\Plugins\\"));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    EXPECT_FALSE(Visible(run.wizard, PLAYERS));
    EXPECT_TRUE(Exists(std::string(WacupFolder) + "Plugins\\dsp_zv.dll"));
    EXPECT_FALSE(Exists(std::string(PlayerFolder) + "plugins\\dsp_zv.dll"));
}

INSTANTIATE_TEST_SUITE_P(Scales, Players, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return "At" + std::to_string(info.param); });

}  // namespace
}  // namespace e2e
