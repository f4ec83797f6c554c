// The page controller on the real dialog, in-process: each button's command
// sent as the dialog manager sends a click, then what every control shows.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <oleacc.h>
#include <string.h>
#include <atomic>
#include <string>
#include <thread>

#include "../../ui/installer_state.h"
#include "../../ui/wizard.h"
#include "../../core/player.h"
#include "../../res/page_texts.h"
#include "../../res/resource.h"

namespace {

// What a page leaves on the controls.
struct Page {
    int page;
    const char *next, *cancel, *message;
    bool backEnabled, agreementShown, locationShown, noticeShown;
};
const Page Welcome = { PAGE_WELCOME, "&Next->", "&Cancel", PAGE_TEXT_WELCOME, false, false, false, true };
const Page Agreement = { PAGE_AGREEMENT, "&Agree", "E&xit", PAGE_TEXT_AGREEMENT, true, true, false, false };
const Page Location = { PAGE_LOCATION, "&Next->", "&Cancel", PAGE_TEXT_LOCATION, true, false, true, false };
const Page Finished = { PAGE_FINISHED, "&Finish", "&More Info", PAGE_TEXT_FINISHED, true, false, false, false };

const char Found[] = "<found>";   // the player's plugins folder the wizard starts with
// The longest folder name Next reads, 255 bytes, and one byte more.
const std::string Longest = "C:\\" + std::string(243, 'x') + "\\plugins\\";
const std::string TooLong = Longest + "y";
const char TooLongText[] =
    "The name of this folder is too long: the player cannot load plug-ins from it.\n\nChoose a folder with a shorter "
    "name.|";

struct Step {
    const char* name;
    int focus;            // given the focus first; 0: left where it is
    const char* typed;    // put in the folder box first; nullptr: left as it is
    int command;          // clicked; 0: none
    Page after;
    const char* box;      // caption of the message box shown on the way; "": none
    const char* folder;   // the folder box afterwards; nullptr: not checked
    int focusAfter;       // 0: not checked
    const char* boxText = nullptr;   // its text; nullptr: not checked
};

// In order, on one wizard. A control hidden or disabled while it has the
// focus hands it to Next; a rejected folder takes it back into the box.
const Step Walk[] = {
    { "OpensOnWelcome", 0, nullptr, 0, Welcome, "", nullptr, 0 },
    { "BackOnWelcomeStays", 0, nullptr, IDC_BACK, Welcome, "", nullptr, 0 },
    { "NextToAgreement", 0, nullptr, IDC_NEXT, Agreement, "", nullptr, 0 },
    { "BackFromBackToWelcome", IDC_BACK, nullptr, IDC_BACK, Welcome, "", nullptr, IDC_NEXT },
    { "AgreementAgainRebuildsItsText", 0, nullptr, IDC_NEXT, Agreement, "", nullptr, 0 },
    { "AgreeFromTheTextToLocation", IDC_AGREEMENT, nullptr, IDC_NEXT, Location, "", Found, IDC_NEXT },
    { "BackFromTheFolderBox", IDC_LOCATION, nullptr, IDC_BACK, Agreement, "", nullptr, IDC_NEXT },
    { "AgreeAgain", 0, nullptr, IDC_NEXT, Location, "", Found, 0 },
    { "EmptyFolderRejected", IDC_NEXT, "", IDC_NEXT, Location, "Marbelox", "", IDC_LOCATION },
    { "LongestFolderLookedFor", IDC_NEXT, Longest.c_str(), IDC_NEXT, Location, "Marbelox", Longest.c_str(), IDC_LOCATION },
    { "LongerFolderRefusedNotCut", IDC_NEXT, TooLong.c_str(), IDC_NEXT, Location, "ZUV", TooLong.c_str(), IDC_LOCATION,
      TooLongText },
    { "BackAfterRejection", 0, nullptr, IDC_BACK, Agreement, "", nullptr, 0 },
    { "AgreeShowsTheLastFolderThatFitted", 0, nullptr, IDC_NEXT, Location, "", Longest.c_str(), 0 },
    { "NextFromTheFolderBoxInstalls", IDC_LOCATION, Found, IDC_NEXT, Finished, "", nullptr, IDC_NEXT },
    { "BackToLocation", 0, nullptr, IDC_BACK, Location, "", Found, 0 },
    { "NextInstallsAgain", 0, nullptr, IDC_NEXT, Finished, "", nullptr, 0 },
};

// The five string resources joined, line feeds as spaces, each read whole.
std::string AgreementText()
{
    std::string joined;
    static char piece[AGREEMENT_TEXT_BUFFER];
    for (UINT id = IDS_AGREEMENT1; id <= IDS_AGREEMENT5; ++id) {
        EXPECT_GT(LoadStringA(GetModuleHandleA(NULL), id, piece, sizeof piece), 0) << "string " << id;
        joined += piece;
    }
    for (char& c : joined)
        if (c == '\n') c = ' ';
    EXPECT_EQ(0u, joined.find("ZUV AUDIO PLUG-IN LICENCE AGREEMENT."));
    EXPECT_NE(std::string::npos, joined.find("NO WARRANTY"));
    return joined;
}

// A shown dialog window of the thread: a message box, as the wizard itself
// is never shown here.
BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    char name[8];
    if (!IsWindowVisible(window) || !GetClassNameA(window, name, sizeof name) || strcmp(name, "#32770")) return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

class Pages : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        folder = std::string(temp) + "zuv pages " + std::to_string(GetCurrentProcessId());
        found = folder + "\\plugins\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(found.c_str(), NULL));
        // A player the install step accepts, with a winamp.ini it can switch
        // to the module. The plug-in's files lie beside this test program.
        ASSERT_TRUE(Write(folder + "\\winamp.exe", ""));
        ASSERT_TRUE(Write(folder + "\\winamp.ini", "[Winamp]\r\ndspplugin_name=dsp_eq.dll\r\n"));
        Open();
    }

    void TearDown() override
    {
        if (IsWindow(wizard)) DestroyWindow(wizard);
        std::string from = folder + '\0';
        SHFILEOPSTRUCTA remove = {};
        remove.wFunc = FO_DELETE;
        remove.pFrom = from.c_str();
        remove.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
        SHFileOperationA(&remove);
    }

    // As the entry point opens the wizard, but not shown: wine without a
    // window manager waits two seconds for one whenever a shown window goes.
    void Open()
    {
        g_installer.instance = GetModuleHandleA(NULL);
        strcpy(g_installer.pluginsPath, found.c_str());
        wizard = CreateDialogParamA(g_installer.instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, WizardDialogProc, 0);
        ASSERT_NE((HWND)NULL, wizard);
        g_installer.wizardWindow = wizard;
        g_installer.currentPage = PAGE_WELCOME;
        g_installer.locationPrepared = false;
        SetUpPage(PAGE_WELCOME);
        g_installer.running = true;
    }

    static bool Write(const std::string& path, const char* text)
    {
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD n = 0;
        return WriteFile(f, text, (DWORD)strlen(text), &n, NULL) & CloseHandle(f);
    }

    std::string Text(int id)
    {
        static char text[AGREEMENT_TEXT_BUFFER];
        GetDlgItemTextA(wizard, id, text, sizeof text);
        return text;
    }

    bool Shown(int id) { return (GetWindowLongA(GetDlgItem(wizard, id), GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(wizard, id)) != FALSE; }

    // Clicks `id` as the dialog manager reports a click. A message box shown
    // on the way runs its modal loop inside this call, so another thread
    // answers it and notes its caption (and its text into `texts`).
    std::string Press(int id, std::string* texts = nullptr)
    {
        std::atomic<bool> done(false);
        std::string captions;
        DWORD thread = GetCurrentThreadId();
        std::thread answerer([&] {
            for (HWND box = NULL; !done; box = NULL, Sleep(10)) {
                EnumThreadWindows(thread, FindBox, (LPARAM)&box);
                if (!box) continue;
                char caption[64] = "";
                GetWindowTextA(box, caption, sizeof caption);
                captions += std::string(captions.empty() ? "" : "|") + caption;
                static char text[1024];
                if (texts) *texts += (GetDlgItemTextA(box, 0xFFFF, text, sizeof text), std::string(text) + "|");
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                for (int i = 0; i < 250 && IsWindow(box); ++i) Sleep(20);
            }
        });
        SendMessageA(wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(wizard, id));
        done = true;
        answerer.join();
        return captions;
    }

    std::string folder, found;
    HWND wizard = NULL;
};

TEST_F(Pages, EveryStepLeavesItsPage)
{
    const std::string agreement = AgreementText();
    for (const Step& step : Walk) {
        SCOPED_TRACE(step.name);
        if (step.focus) {
            SendMessageA(wizard, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(wizard, step.focus), TRUE);
            ASSERT_EQ(GetDlgItem(wizard, step.focus), GetFocus());
        }
        if (step.typed) SetDlgItemTextA(wizard, IDC_LOCATION, step.typed == Found ? found.c_str() : step.typed);
        if (step.command) {
            std::string texts;
            EXPECT_EQ(step.box, Press(step.command, &texts));
            if (step.boxText) {
                EXPECT_EQ(step.boxText, texts);
            }
        }
        ASSERT_TRUE(IsWindow(wizard));
        const Page& p = step.after;
        EXPECT_EQ(p.page, g_installer.currentPage);
        EXPECT_EQ(p.next, Text(IDC_NEXT));
        EXPECT_EQ(p.cancel, Text(IDCANCEL));
        EXPECT_EQ(p.message, Text(IDC_MESSAGE));
        EXPECT_EQ("<-&Back", Text(IDC_BACK));
        EXPECT_EQ(p.backEnabled, Enabled(IDC_BACK));
        EXPECT_TRUE(Enabled(IDC_NEXT) && Enabled(IDCANCEL));
        EXPECT_EQ(p.agreementShown, Shown(IDC_AGREEMENT));
        EXPECT_EQ(p.locationShown, Shown(IDC_LOCATION));
        EXPECT_EQ(p.locationShown, Shown(IDC_BROWSE));
        EXPECT_FALSE(Shown(IDC_PLAYERS) || Shown(IDC_PLAYERS_NAME)) << "one player: nothing to choose";
        EXPECT_EQ(p.locationShown, Shown(IDC_LOCATION_NAME));
        EXPECT_EQ(p.noticeShown, Shown(IDC_NOTICE));
        if (p.agreementShown) {
            std::string shown = Text(IDC_AGREEMENT);
            EXPECT_TRUE(shown == agreement) << shown.size() << " characters shown, not the " << agreement.size() << " joined";
        }
        if (step.folder) {
            EXPECT_EQ(step.folder == Found ? found : step.folder, Text(IDC_LOCATION));
        }
        if (step.focusAfter) {
            EXPECT_EQ(GetDlgItem(wizard, step.focusAfter), GetFocus());
        }
        EXPECT_TRUE(g_installer.running);
    }
}

// The boxes that name the player say WACUP for WACUP: its settings not
// changed (read-only), its safe mode, and Finish that started nothing.
TEST_F(Pages, WacupIsNamedInItsBoxes)
{
    const std::string ini = folder + "\\winamp.ini", program = folder + "\\wacup.exe";
    ASSERT_TRUE(Write(program, ""));
    ASSERT_TRUE(Write(ini, "[Winamp]\r\nsafemode=1\r\n"));
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    for (int i = 0; i < 2; ++i) ASSERT_EQ("", Press(IDC_NEXT));
    std::string texts;
    EXPECT_EQ("ZUV|ZUV", Press(IDC_NEXT, &texts));
    EXPECT_EQ("ZUV has been copied into WACUP's plug-ins folder, but WACUP's settings could not be changed to use "
              "it.\n\nTo turn it on, start WACUP, open Preferences (Ctrl+P), choose DSP/Effect and select ZUV "
              "Enhancer.|ZUV is installed, but the player is set to always run in Safe Mode, in which it loads no DSP "
              "plug-in. To use ZUV, open Preferences (Ctrl+P), choose Plug-ins, clear \"Always run WACUP in 'Safe "
              "Mode'\" and restart the player.|", texts);
    ASSERT_TRUE(DeleteFileA(program.c_str()));
    texts.clear();
    EXPECT_EQ("ZUV", Press(IDC_NEXT, &texts));
    EXPECT_EQ("Windows could not open WACUP.\n\nOpen it yourself from Explorer: " + program + "|", texts);
    SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Winamp in the fixture's folder, WACUP in another, both in their uninstall
// entries: the Location page offers the two.
class TwoPlayers : public Pages {
protected:
    void SetUp() override
    {
        Pages::SetUp();
        wacup = folder + "\\WACUP";
        ASSERT_TRUE(CreateDirectoryA(wacup.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA((wacup + "\\Plugins").c_str(), NULL));
        ASSERT_TRUE(Write(wacup + "\\wacup.exe", ""));
        const std::string folders[] = { folder, wacup };
        for (int i = 0; i < 2; ++i) {
            HKEY key;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, Keys[i], 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
            RegSetValueExA(key, "InstallLocation", 0, REG_SZ, (const BYTE*)folders[i].c_str(), (DWORD)folders[i].size() + 1);
            RegCloseKey(key);
        }
        for (int i = 0; i < 2; ++i) ASSERT_EQ("", Press(IDC_NEXT));
    }
    void TearDown() override
    {
        for (const char* key : Keys) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
        Pages::TearDown();
    }
    // As the list gives it: lower-case, with its backslash.
    static std::string Listed(std::string folder)
    {
        for (char& c : folder) c = LowerAscii(c);
        return folder + "\\plugins\\";
    }
    int ShownItem() { return (int)SendDlgItemMessageA(wizard, IDC_PLAYERS, CB_GETCURSEL, 0, 0); }
    void Choose(int item, int code)
    {
        SendDlgItemMessageA(wizard, IDC_PLAYERS, CB_SETCURSEL, item, 0);
        SendMessageA(wizard, WM_COMMAND, MAKEWPARAM(IDC_PLAYERS, code), (LPARAM)GetDlgItem(wizard, IDC_PLAYERS));
    }
    static constexpr const char* Keys[2] = { PLAYER_UNINSTALL_KEY, WACUP_UNINSTALL_KEY };
    std::string wacup;
};

// The list shows the player whose plug-ins folder the box names, however
// spelled, else no choice; a choice puts its folder in the box, also the
// one already shown (CBN_SELENDOK alone).
TEST_F(TwoPlayers, ListFollowsTheBoxAndTheChoiceFillsIt)
{
    ASSERT_TRUE(Shown(IDC_PLAYERS));
    EXPECT_EQ(2, (int)SendDlgItemMessageA(wizard, IDC_PLAYERS, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, ShownItem());
    std::string slashed = wacup + "//plugins/";
    for (char& c : slashed) c = c == '\\' ? '/' : c;
    const struct { std::string typed; int shown; } Rows[] = {
        { wacup + "\\PLUGINS", 1 }, { slashed, 1 }, { folder + "\\plugins\\x", -1 }, { found, 0 }, { "", -1 },
        { wacup + "\\Plugins\\\\", 1 },
    };
    for (const auto& row : Rows) {
        SetDlgItemTextA(wizard, IDC_LOCATION, row.typed.c_str());
        EXPECT_EQ(row.shown, ShownItem()) << row.typed;
    }
    Choose(1, CBN_SELENDOK);
    EXPECT_EQ(Listed(wacup), Text(IDC_LOCATION));
    Choose(0, CBN_SELCHANGE);
    EXPECT_EQ(Listed(folder), Text(IDC_LOCATION));
    EXPECT_EQ(0, ShownItem());
    // Browse's folder goes through the same notice: it needs no test of its own.
    ASSERT_EQ("", Press(IDC_NEXT));
    EXPECT_FALSE(Shown(IDC_PLAYERS) || Shown(IDC_PLAYERS_NAME));
}

// A control as Windows' screen-reader interface names it: a button by its
// text, an edit or a combo box by the label just before it in the tab order;
// the access key's & left out. And its role, by its class.
std::string NameByRule(HWND control, long* role)
{
    char kind[16] = "", text[64] = "";
    GetClassNameA(control, kind, sizeof kind);
    *role = !lstrcmpiA(kind, "Edit") ? ROLE_SYSTEM_TEXT : !lstrcmpiA(kind, "ComboBox") ? ROLE_SYSTEM_COMBOBOX
            : !lstrcmpiA(kind, "Button") ? ROLE_SYSTEM_PUSHBUTTON : 0;
    HWND label = *role == ROLE_SYSTEM_PUSHBUTTON ? control : GetWindow(control, GW_HWNDPREV);
    if (label != control && (!GetClassNameA(label, kind, sizeof kind) || lstrcmpiA(kind, "Static"))) return "";
    GetWindowTextA(label, text, sizeof text);
    std::string name = text;
    if (name.find('&') != std::string::npos) name.erase(name.find('&'), 1);
    return name;
}

// The Location page as a screen reader and the dialog manager read it: Tab
// from Next round to it, each control's name and role, which control the
// arrow keys move to from it, and the list's access key. Wine's oleacc gives
// a button and a combo box no role but a client's, and names a combo box by
// its text: where it gives the class's role, it must agree with the rule.
TEST_F(TwoPlayers, LocationReadsAsAScreenReaderReadsIt)
{
    EXPECT_TRUE(Shown(IDC_PLAYERS_NAME));
    SendMessageA(wizard, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(wizard, IDC_NEXT), TRUE);
    const struct { int id; const char* name; long role; int arrow; } Tabs[] = {
        { IDCANCEL, "Cancel", ROLE_SYSTEM_PUSHBUTTON, IDC_BACK },
        { IDC_BACK, "<-Back", ROLE_SYSTEM_PUSHBUTTON, IDC_NEXT },
        { IDC_LOCATION, "Plug-ins folder:", ROLE_SYSTEM_TEXT, IDC_LOCATION },
        { IDC_BROWSE, "Browse...", ROLE_SYSTEM_PUSHBUTTON, IDC_BROWSE },
        { IDC_PLAYERS, "Players found:", ROLE_SYSTEM_COMBOBOX, IDC_PLAYERS },
        { IDC_NEXT, "Next->", ROLE_SYSTEM_PUSHBUTTON, IDCANCEL },
    };
    HWND at = GetFocus();
    for (const auto& tab : Tabs) {
        SCOPED_TRACE(tab.name);
        HWND control = GetDlgItem(wizard, tab.id);
        at = GetNextDlgTabItem(wizard, at, FALSE);
        EXPECT_EQ(control, at);
        EXPECT_EQ(GetDlgItem(wizard, tab.arrow), GetNextDlgGroupItem(wizard, control, FALSE));
        long role = 0;
        EXPECT_EQ(tab.name, NameByRule(control, &role));
        EXPECT_EQ(tab.role, role);
        IAccessible* object = NULL;
        ASSERT_EQ(S_OK, AccessibleObjectFromWindow(control, (DWORD)OBJID_CLIENT, IID_IAccessible, (void**)&object));
        VARIANT self, given;
        V_VT(&self) = VT_I4;
        V_I4(&self) = CHILDID_SELF;
        BSTR name = NULL;
        char text[64] = "";
        if (object->get_accRole(self, &given) == S_OK && V_I4(&given) != ROLE_SYSTEM_CLIENT) {
            EXPECT_EQ(tab.role, V_I4(&given));
            if (object->get_accName(self, &name) == S_OK && name)
                WideCharToMultiByte(CP_ACP, 0, name, -1, text, sizeof text, NULL, NULL);
            EXPECT_EQ(tab.name, std::string(text));
            SysFreeString(name);
        }
        object->Release();
    }
    // Alt+P, the label's access key: the list takes the focus.
    MSG key = { GetFocus(), WM_SYSCHAR, 'p', 0, 0, {} };
    EXPECT_TRUE(IsDialogMessageA(wizard, &key));
    EXPECT_EQ(GetDlgItem(wizard, IDC_PLAYERS), GetFocus());
}

TEST_F(Pages, CancelBeforeFinishedEndsTheWizard)
{
    for (int page = PAGE_WELCOME; page <= PAGE_LOCATION; ++page) {
        SCOPED_TRACE(page);
        if (page > PAGE_WELCOME) Open();
        for (int i = 0; i < page; ++i) ASSERT_EQ("", Press(IDC_NEXT));
        EXPECT_EQ("", Press(IDCANCEL));
        EXPECT_FALSE(IsWindow(wizard));
        EXPECT_FALSE(g_installer.running);
    }
}

}  // namespace
