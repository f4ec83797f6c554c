// The page controller through the installer's own message loop: the
// missing-player box, Enter and Esc (which IsDialogMessage turns into clicks)
// and close requests. Each page's labels, visibility, enabling and focus are
// the Windows tests' (tests/win/pages_test.cpp).
#include "harness.h"

using namespace automation;

namespace e2e {
namespace {

const char NotFoundText[] =
    "Winamp does not exist at the specified location\nPlease check the path or re-install Winamp.";

const char FoundFolder[] = "c:\\program files\\winamp\\plugins\\";

class Pages : public Scenario {};

// The box is owned by the wizard; after it the focus is back in the folder
// box, the typed folder kept, and the wizard goes on. A folder without a
// player, and one whose player is a 64-bit program, each get theirs; nothing
// is copied into either.
TEST_F(Pages, FolderWithoutA32BitPlayerIsRejectedAndKept)
{
    InstallPlayer("C:\\Players\\x64\\", SampleIni, "wacup.exe", true);
    const struct { const char* typed; const char* caption; std::string text; } Rows[] = {
        { "C:\\Nowhere\\plugins\\", "Marbelox", NotFoundText },
        { "C:\\Players\\x64\\Plugins\\", "ZUV",
          "ZUV cannot be used with the player in C:\\Players\\x64\\: it is a 64-bit program, and ZUV is a 32-bit "
          "plug-in, which only a 32-bit player loads (the 32-bit Winamp, or WACUP's 32-bit (x86) build)." },
    };
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    for (const auto& row : Rows) {
        ASSERT_TRUE(SetText(run.wizard, LOCATION, row.typed));
        Click(run.wizard, NEXT);
        MessageBoxInfo box;
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ(row.caption, box.caption);
        EXPECT_EQ(row.text, box.text);
        EXPECT_TRUE(box.errorIcon);
        EXPECT_EQ(run.wizard, box.owner);
        DismissMessageBox(box.window);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, WAIT_MS));
        ASSERT_TRUE(WaitUntil([&] { return FocusedId(run.wizard) == LOCATION; }, SHORT_MS));
        EXPECT_EQ(row.typed, Text(run.wizard, LOCATION));
        EXPECT_EQ("&Next->", Text(run.wizard, NEXT));
        EXPECT_TRUE(ShowsMessage(run.wizard, PageMessages[2])) << "Location's";
        EXPECT_FALSE(Exists(std::string(row.typed) + "dsp_zv.dll"));
    }
    ASSERT_TRUE(SetText(run.wizard, LOCATION, FoundFolder));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
}

TEST_F(Pages, EnterMovesOn)
{
    ASSERT_TRUE(Launch(&run));
    PressKey(run.wizard, VK_RETURN);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Agree"));
    PressKey(run.wizard, VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return Visible(run.wizard, LOCATION); }, WAIT_MS));
    // Enter in the folder box presses the default button too.
    PostMessageA(run.wizard, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(run.wizard, LOCATION), TRUE);
    ASSERT_TRUE(WaitUntil([&] { return FocusedId(run.wizard) == LOCATION; }, SHORT_MS));
    PressKey(run.wizard, VK_RETURN);
    ASSERT_TRUE(WaitNextLabel(run.wizard, "&Finish"));
}

// Before Finished, Esc and a close request are Cancel: the run ends with 0
// and nothing is installed.
TEST_F(Pages, EscAndCloseRequestEndTheRunBeforeFinished)
{
    const struct {
        const char* name;
        int forward;   // pages moved on from Welcome
        bool esc;      // false: a close request
    } cases[] = {
        { "Esc on Welcome", 0, true },
        { "Esc on Agreement", 1, true },
        { "Esc on Location", 2, true },
        { "close request on Agreement", 1, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Launch(&run));
        if (c.forward == 1) {
            ASSERT_TRUE(GoNext(run.wizard, "&Agree"));
        }
        if (c.forward == 2) {
            ASSERT_TRUE(WalkToLocation(run.wizard));
        }
        if (c.esc)
            PressKey(run.wizard, VK_ESCAPE);
        else
            RequestClose(run.wizard);
        ExpectEnds(run);
        Kill(&run.process);
    }
    EXPECT_FALSE(Exists(std::string(PlayerFolder) + "plugins\\dsp_zv.dll"));
    EXPECT_EQ(SampleIni, ReadAll(std::string(PlayerFolder) + "winamp.ini"));
}

// On Finished they are More Info: the help opens and the wizard stays.
TEST_F(Pages, EscAndCloseRequestOnFinishedOpenHelpAndStay)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    for (bool esc : { true, false }) {
        SCOPED_TRACE(esc ? "Esc" : "close request");
        DeleteFileA(ViewerLog);
        if (esc)
            PressKey(run.wizard, VK_ESCAPE);
        else
            RequestClose(run.wizard);
        ASSERT_TRUE(WaitUntil([&] { return Exists(ViewerLog); }, WAIT_MS));
        DWORD code;
        EXPECT_FALSE(WaitExit(run.process, 500, &code));
        EXPECT_TRUE(IsWindowVisible(run.wizard));
        EXPECT_EQ("&Finish", Text(run.wizard, NEXT));
    }
}

}  // namespace
}  // namespace e2e
