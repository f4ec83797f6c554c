// The page controller through the installer's own message loop: the
// missing-player box, Enter and Esc (which IsDialogMessage turns into clicks),
// close requests, and Cancel and More Info pressed through the input queue. Each page's labels, visibility, enabling and focus are
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
// is copied into either. The first is worked as a person does: the folder
// typed key by key, Next and the box's OK clicked; the second box is
// answered by Enter.
TEST_F(Pages, FolderWithoutA32BitPlayerIsRejectedAndKept)
{
    InstallPlayer("C:\\Players\\x64\\", SampleIni, "wacup.exe", true);
    const struct { const char* typed; Input input, answer; const char* caption; std::string text; } Rows[] = {
        { "C:\\Nowhere\\plugins\\", POINTER, POINTER, "Marbelox", NotFoundText },
        { "C:\\Players\\x64\\Plugins\\", POSTED, ENTER, "ZUV",
          "ZUV cannot be used with the player in C:\\Players\\x64\\: it is a 64-bit program, and ZUV is a 32-bit "
          "plug-in, which only a 32-bit player loads (the 32-bit Winamp, or WACUP's 32-bit (x86) build)." },
    };
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    for (const auto& row : Rows) {
        ASSERT_TRUE(TypeFolder(run.wizard, row.typed, row.input));
        ASSERT_TRUE(Press(run.wizard, NEXT, row.input));
        MessageBoxInfo box;
        ASSERT_TRUE(WaitMessageBox(run.process.pid, WAIT_MS, &box));
        EXPECT_EQ(row.caption, box.caption);
        EXPECT_EQ(row.text, box.text);
        EXPECT_TRUE(box.errorIcon);
        EXPECT_EQ(run.wizard, box.owner);
        ASSERT_TRUE(Press(box.window, IDOK, row.answer));
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

enum Ending { ESC, CLOSE_REQUEST, CLICK, ACCESS };   // Esc and the close request posted; Cancel pressed

// Before Finished, Cancel (Exit on Agreement), Esc and a close request end
// the run with 0, and nothing is installed.
TEST_F(Pages, CancelEscAndCloseRequestEndTheRunBeforeFinished)
{
    const struct {
        const char* name;
        int forward;   // pages moved on from Welcome
        Ending ending;
    } cases[] = {
        { "Esc on Welcome", 0, ESC },
        { "Esc on Agreement", 1, ESC },
        { "Esc on Location", 2, ESC },
        { "close request on Agreement", 1, CLOSE_REQUEST },
        { "Cancel clicked on Welcome", 0, CLICK },
        { "Exit clicked on Agreement", 1, CLICK },
        { "Exit by its key on Agreement", 1, ACCESS },
        { "Cancel clicked on Location", 2, CLICK },
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
        if (c.ending == ESC)
            PressKey(run.wizard, VK_ESCAPE);
        else if (c.ending == CLOSE_REQUEST)
            RequestClose(run.wizard);
        else
            ASSERT_TRUE(Press(run.wizard, CANCEL, c.ending == CLICK ? POINTER : ACCESS_KEY));
        ExpectEnds(run);
        Kill(&run.process);
    }
    EXPECT_FALSE(Exists(std::string(PlayerFolder) + "plugins\\dsp_zv.dll"));
    EXPECT_EQ(SampleIni, ReadAll(std::string(PlayerFolder) + "winamp.ini"));
}

// On Finished they are More Info, as is a click on it: the help opens and
// the wizard stays.
TEST_F(Pages, MoreInfoEscAndCloseRequestOnFinishedOpenHelpAndStay)
{
    ASSERT_TRUE(Launch(&run));
    ASSERT_TRUE(WalkToLocation(run.wizard));
    ASSERT_TRUE(GoNext(run.wizard, "&Finish"));
    for (Ending ending : { ESC, CLOSE_REQUEST, CLICK }) {
        SCOPED_TRACE(ending == ESC ? "Esc" : ending == CLICK ? "More Info clicked" : "close request");
        DeleteFileA(ViewerLog);
        if (ending == ESC)
            PressKey(run.wizard, VK_ESCAPE);
        else if (ending == CLOSE_REQUEST)
            RequestClose(run.wizard);
        else
            ASSERT_TRUE(Press(run.wizard, CANCEL, POINTER));
        ASSERT_TRUE(WaitUntil([&] { return Exists(ViewerLog); }, WAIT_MS));
        DWORD code;
        EXPECT_FALSE(WaitExit(run.process, 500, &code));
        EXPECT_TRUE(IsWindowVisible(run.wizard));
        EXPECT_EQ("&Finish", Text(run.wizard, NEXT));
    }
}

}  // namespace
}  // namespace e2e
