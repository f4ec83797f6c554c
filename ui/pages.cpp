// The wizard's page controller: the three buttons and the four pages.
#include <windows.h>
#include <stdarg.h>

#include "page_messages.h"
#include "wizard.h"
#include "installer_state.h"
#include "../core/player.h"
#include "../res/resource.h"
#include "../win/file_helpers.h"
#include "../win/operations.h"

char g_agreementPiece[AGREEMENT_PIECE_BUFFER];
char g_agreementText[AGREEMENT_TEXT_BUFFER];

static const UINT AgreementStringTable[] = {
    IDS_AGREEMENT1, IDS_AGREEMENT2, IDS_AGREEMENT3, IDS_AGREEMENT4, IDS_AGREEMENT5
};

static const char PlayerNotFoundText[] =
    "Winamp does not exist at the specified location\nPlease check the path or re-install Winamp.";
static const char FolderTooLongText[] =
    "The name of this folder is too long: the player cannot load plug-ins from it.\n\nChoose a folder with a "
    "shorter name.";
static const WCHAR SourceMissingText[] = L"Error: At least one source file not found.";
// Formats for FormatText: ANSI text, wide arguments.
static const char WriteFailedFormat[] = "Error: Could not write %S into %s.";
static const char NewerInstalledFormat[] =
    "A newer ZUV (version %s) is already installed in this folder.\n\nReplace it with this older version (%s)?";
// The boxes that name the player say Winamp or WACUP (PlayerName) in their
// %s: all but the folders and the place in the three below, the one of
// SafeModeFormat, and the first of NotStartedFormat.
static const char NotSwitchedOnFormat[] =
    "ZUV has been copied into %s, but %s's settings could not be changed to use it.\n\n"
    "To turn it on, start %s, open Preferences (Ctrl+P), choose DSP/Effect and select ZUV Enhancer.";
static const char PluginsFolderWords[] = "%s's plug-ins folder";
static const char NotLoadedFormat[] =
    "ZUV has been copied into %s, but %s loads DSP plug-ins from %s.\n\n"
    "To use it, start %s, open Preferences (Ctrl+P), choose Plug-ins and set the DSP/Effect plug-in "
    "directory to the folder ZUV is in; then choose DSP/Effect and select ZUV Enhancer.";
static const char PluginsFolderFormat[] = "its plug-ins folder, %s";
static const char NotStartedFormat[] = "Windows could not open %s.\n\nOpen it yourself from Explorer: %s";
static const char UnusableFolderFormat[] = "the DSP/Effect plug-in directory its settings name, \"%s\", which is %s";
static const char Not32BitFormat[] =
    "ZUV cannot be used with the player in %s: it is a 64-bit program, and ZUV is a 32-bit plug-in, which only a "
    "32-bit player loads (the 32-bit Winamp, or WACUP's 32-bit (x86) build).";
static const char UnspellableFormat[] =
    "The folder %s cannot be used: its name has letters that this system's ANSI code page cannot spell, and "
    "the player's plug-ins folder is named in that code page.\n\nChoose another folder.";
static const char SafeModeFormat[] =
    "ZUV is installed, but the player is set to always run in Safe Mode, in which it loads no DSP plug-in. To use "
    "ZUV, open Preferences (Ctrl+P), choose Plug-ins, clear \"Always run %s in 'Safe Mode'\" and restart the "
    "player.";

// A control that is hidden or disabled while it has the focus would leave the
// keyboard stranded; hand the focus to Next first (WM_NEXTDLGCTL also keeps
// Next the default button).
static void KeepFocusOff(HWND control)
{
    if (GetFocus() == control)
        SendMessageA(g_installer.wizardWindow, WM_NEXTDLGCTL,
                     (WPARAM)GetDlgItem(g_installer.wizardWindow, IDC_NEXT), TRUE);
}

// The three below change nothing that is already so: each change is a
// round trip to the window server under wine, and a button repaints itself
// on a new text even when it is the same (the start pays for the first page).
//
// A control is hidden without a redraw: every page change repaints the whole
// wizard anyway. A plain hide invalidates the control's strip of the page,
// which wine then erases at once, loading and drawing the picture for it.
static void ShowControl(int id, bool show)
{
    HWND control = GetDlgItem(g_installer.wizardWindow, id);
    if (show == ((GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0)) return;
    if (show) {
        ShowWindow(control, SW_SHOW);
        return;
    }
    KeepFocusOff(control);
    SetWindowPos(control, NULL, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

static void EnableControl(int id, bool enable)
{
    HWND control = GetDlgItem(g_installer.wizardWindow, id);
    if (enable == (IsWindowEnabled(control) != FALSE)) return;
    if (!enable) KeepFocusOff(control);
    EnableWindow(control, enable);
}

static void SetControlText(int id, const char* text)
{
    // A longer text than this is never a button's, and is set anyway.
    char now[64];
    if (GetDlgItemTextA(g_installer.wizardWindow, id, now, sizeof now) < (UINT)sizeof now - 1 && !lstrcmpA(now, text))
        return;
    SetDlgItemTextA(g_installer.wizardWindow, id, text);
}

// The Location page's own controls: the folder box, Browse, and the players
// found where there is a choice.
static void ShowLocationControls(bool show)
{
    ShowControl(IDC_LOCATION_NAME, show);
    ShowControl(IDC_LOCATION, show);
    ShowControl(IDC_BROWSE, show);
    bool choice = show && g_installer.playerCount > 1;
    ShowControl(IDC_PLAYERS_NAME, choice);
    ShowControl(IDC_PLAYERS, choice);
}

// The plug-ins folder of listed player `i`: its folder, at most 255
// characters, and "plugins\" always fit.
static void ListedPluginsFolder(int i, char* out)
{
    CopyText(out, PATH_BUFFER + sizeof PLAYER_PLUGINS_DIR, g_installer.players[i].folder);
    AppendText(out, PATH_BUFFER + sizeof PLAYER_PLUGINS_DIR, PLAYER_PLUGINS_DIR "\\");
}

void OnFolderChanged()
{
    if (g_installer.playerCount < 2) return;
    // Longer than any listed folder and its separators: a text that fills
    // this is none of them, and is not compared cut.
    char typed[2 * PATH_BUFFER], folder[PATH_BUFFER + sizeof PLAYER_PLUGINS_DIR];
    HWND wizard = g_installer.wizardWindow;
    int shown = -1;
    if (GetDlgItemTextA(wizard, IDC_LOCATION, typed, sizeof typed) < sizeof typed - 1)
        for (int i = 0; i < g_installer.playerCount && shown < 0; ++i) {
            ListedPluginsFolder(i, folder);
            if (SameFolderName(folder, typed, AnsiLeadBytes())) shown = i;
        }
    SendDlgItemMessageA(wizard, IDC_PLAYERS, CB_SETCURSEL, (WPARAM)shown, 0);
}

// The players' list in place of the empty static that holds its place, its
// size and its font (laid out with the rest at every scale), right after it
// in the Tab order, so that the label before it still names it. It takes the
// static's id: a later layout moves the list.
static HWND MakePlayersList()
{
    HWND wizard = g_installer.wizardWindow;
    HWND place = GetDlgItem(wizard, IDC_PLAYERS);
    RECT r;
    GetWindowRect(place, &r);
    MapWindowPoints(NULL, wizard, (POINT*)&r, 2);
    // As the dialog manager makes its controls: Unicode, and without
    // WM_PARENTNOTIFY.
    HWND list = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"COMBOBOX", L"",
                                WS_CHILD | WS_VSCROLL | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, wizard, (HMENU)IDC_PLAYERS,
                                g_installer.instance, NULL);
    if (!list) return NULL;
    SendMessageA(list, WM_SETFONT, SendMessageA(place, WM_GETFONT, 0, 0), FALSE);
    SetWindowPos(list, place, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(place);
    return list;
}

// Once, when the Location page is first shown rather than at start, which
// pays for neither: the box's completion, and every player found.
static void PrepareLocation()
{
    if (g_installer.locationPrepared) return;
    g_installer.locationPrepared = true;
    HWND wizard = g_installer.wizardWindow;
    CompleteFolderNames(GetDlgItem(wizard, IDC_LOCATION));
    g_installer.playerCount = FindEveryPlayer(g_installer.players, PLAYER_CHOICES);
    // One player is no choice, and needs no list.
    HWND list = g_installer.playerCount > 1 ? MakePlayersList() : NULL;
    // Nor is there one to show when the list could not be made.
    if (!list && g_installer.playerCount > 1) g_installer.playerCount = 1;
    for (int i = 0; list && i < g_installer.playerCount; ++i) {
        const FoundPlayer& player = g_installer.players[i];
        char item[PATH_BUFFER + 16];
        wsprintfA(item, "%s - %s", player.program->title, player.folder);
        SendMessageA(list, CB_ADDSTRING, 0, (LPARAM)item);
    }
}

void OnPlayerChosen()
{
    int chosen = (int)SendDlgItemMessageA(g_installer.wizardWindow, IDC_PLAYERS, CB_GETCURSEL, 0, 0);
    if (chosen < 0 || chosen >= g_installer.playerCount) return;
    char folder[PATH_BUFFER + sizeof PLAYER_PLUGINS_DIR];
    ListedPluginsFolder(chosen, folder);
    SetControlText(IDC_LOCATION, folder);
}

static void RepaintWizard()
{
    InvalidateRect(g_installer.wizardWindow, NULL, TRUE);
}

static void EndWizard()
{
    DestroyWindow(g_installer.wizardWindow);
    g_installer.running = false;
}

void AssembleAgreementText()
{
    g_agreementText[0] = 0;
    for (UINT id : AgreementStringTable) {
        g_agreementPiece[0] = 0;
        LoadStringA(g_installer.instance, id, g_agreementPiece, sizeof g_agreementPiece);
        // Five pieces, each shorter than its buffer, always fit.
        AppendText(g_agreementText, sizeof g_agreementText, g_agreementPiece);
    }
    ReplaceLineFeeds(g_agreementText);
}

// Ends the run with one box. It has no owner; the wizard's buttons are kept
// still while it is up, since the run ends as soon as it is dismissed.
static void EndWithError(const WCHAR* text)
{
    EnableWindow(g_installer.wizardWindow, FALSE);
    MessageBoxW(NULL, text, L"ZUV", MB_ICONERROR);
    EndWizard();
}

// A box's text, with paths in any alphabet: the wide call, from a format
// kept as ANSI text (half the room of a wide literal). At most 1024
// characters come out, wvsprintfW's limit.
static void FormatText(WCHAR* out, const char* format, ...)
{
    WCHAR wide[512];
    MultiByteToWideChar(CP_ACP, 0, format, -1, wide, 512);
    va_list arguments;
    va_start(arguments, format);
    wvsprintfW(out, wide, arguments);
    va_end(arguments);
}

void SayNot32Bit(HWND owner, const WCHAR* folder)
{
    WCHAR text[sizeof Not32BitFormat + MAX_PATH];
    FormatText(text, Not32BitFormat, folder);
    MessageBoxW(owner, text, L"ZUV", MB_OK | MB_ICONERROR);
}

// The player that `program` (its path) is, as the boxes name it.
static const WCHAR* PlayerName(const WCHAR* program)
{
    int n = lstrlenW(program);
    while (n > 0 && program[n - 1] != '\\') --n;
    return lstrcmpiW(program + n, L"" WACUP_EXE_NAME) == 0 ? L"WACUP" : L"Winamp";
}

// Finish or More Info that surely started nothing says so, naming `what`
// and its file.
static void SayNotStarted(const WCHAR* what, const WCHAR* file)
{
    WCHAR text[sizeof NotStartedFormat + 2 * MAX_PATH];
    FormatText(text, NotStartedFormat, what, file);
    MessageBoxW(g_installer.wizardWindow, text, L"ZUV", MB_OK | MB_ICONWARNING);
}

// Browse: the folder picked goes into the box (FolderForBox says how);
// Cancel, or one the ANSI code page cannot spell, leaves the box as it is.
static void Browse()
{
    HWND wizard = g_installer.wizardWindow;
    WCHAR typed[MAX_PATH], picked[MAX_PATH];
    if (!GetDlgItemTextW(wizard, IDC_LOCATION, typed, MAX_PATH)) typed[0] = 0;
    if (!PickFolder(wizard, typed, picked)) return;
    char folder[UTF8_PATH_BUFFER];
    if (FolderForBox(picked, folder, sizeof folder)) {
        SetControlText(IDC_LOCATION, folder);
        return;
    }
    WCHAR text[sizeof UnspellableFormat + MAX_PATH];
    FormatText(text, UnspellableFormat, picked);
    MessageBoxW(wizard, text, L"ZUV", MB_OK | MB_ICONERROR);
}

// Every control of the Finished page, before any box that comes with it,
// and then the page painted once. Made plainly, each change repaints at once
// under wine, some 3 ms in all: the first hide erases the whole page that
// the Next click invalidated, and a button, or the owner-drawn message,
// draws itself on a new text. So the pending paint is dropped, and the
// three texts are set with those controls' drawing held off. Not the
// wizard's: WM_SETREDRAW on a top-level window costs wine more than all the
// rest. WM_SETREDRAW TRUE shows a hidden window; these three never are.
// No frame changes, so none is redrawn: the wizard's caption alone costs
// wine up to 0.5 ms. Nor does Back, which the Location page left enabled:
// its place is taken out of the paint, the wizard's (which has no
// WS_CLIPCHILDREN and would draw the page over it) and its own. The message
// draws nothing of its own, so only the wizard paints its place: under wine
// it was painted again after the page, 0.2 to 0.4 ms for no pixel.
static void ShowFinished()
{
    static const int retitled[] = { IDC_NEXT, IDCANCEL, IDC_MESSAGE };
    HWND wizard = g_installer.wizardWindow;
    RedrawWindow(wizard, NULL, NULL, RDW_VALIDATE | RDW_ALLCHILDREN);
    ShowLocationControls(false);
    for (int id : retitled) SendDlgItemMessageA(wizard, id, WM_SETREDRAW, FALSE, 0);
    SetControlText(IDC_NEXT, "&Finish");
    SetControlText(IDCANCEL, "&More Info");
    SetControlText(IDC_MESSAGE, g_pageMessages[PAGE_FINISHED]);
    for (int id : retitled) SendDlgItemMessageA(wizard, id, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(wizard, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
    RECT back;
    GetWindowRect(GetDlgItem(wizard, IDC_BACK), &back);
    MapWindowPoints(NULL, wizard, (POINT*)&back, 2);
    RedrawWindow(wizard, &back, NULL, RDW_VALIDATE | RDW_ALLCHILDREN);
    RedrawWindow(GetDlgItem(wizard, IDC_MESSAGE), NULL, NULL, RDW_VALIDATE);
}

// Four decimal numbers with dots, from the most significant.
static void FormatVersion(unsigned long long version, char* out)
{
    wsprintfA(out, "%u.%u.%u.%u", (UINT)(version >> 48), (UINT)(version >> 32) & 0xFFFF,
              (UINT)(version >> 16) & 0xFFFF, (UINT)version & 0xFFFF);
}

// An older download run over a newer ZUV asks before replacing it.
static bool MayReplaceInstalled(const WCHAR* folder, HANDLE user)
{
    unsigned long long installed, ours;
    if (!InstalledModuleIsNewer(folder, user, &installed, &ours)) return true;
    char newer[24], older[24], text[sizeof NewerInstalledFormat + 2 * sizeof newer];
    FormatVersion(installed, newer);
    FormatVersion(ours, older);
    wsprintfA(text, NewerInstalledFormat, newer, older);
    return MessageBoxA(g_installer.wizardWindow, text, "ZUV", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

// The installation proper, once the player's folder is confirmed, into the
// folder `place` names: the plug-ins folder, or the DSP folder the player was
// moved to. That one, named by the desktop user's own winamp.ini, is theirs
// and is written as they would.
static void InstallInto(const PlayerSettingsPlace* place)
{
    HWND wizard = g_installer.wizardWindow;
    const WCHAR* folder = place->folder;
    const WCHAR* player = PlayerName(place->program);
    HANDLE user = place->moved ? place->user : NULL;
    // No: the player keeps running and nothing is written.
    if (!MayReplaceInstalled(folder, user)) {
        ShowFinished();
        return;
    }
    ClosePlayer(place->program, place->windowClass);
    const char* failed;
    CopyResult copied = CopyPluginFiles(folder, user, place->player, &failed);
    if (copied != COPY_DONE) {
        // The folder as the file was joined to it: always with its backslash.
        WCHAR text[sizeof WriteFailedFormat + MAX_PATH + PATH_BUFFER];
        FormatText(text, WriteFailedFormat, failed, folder);
        EndWithError(copied == COPY_SOURCE_MISSING ? SourceMissingText : text);
        return;
    }
    // The files are in place, but the player will not load the module at
    // its next start unless winamp.ini now says so and it looks in that
    // folder: say so, not "installed", over the finished page.
    bool safeMode;
    SwitchResult result = RewritePlayerSettings(place, &safeMode);
    ShowFinished();
    WCHAR where[sizeof UnusableFolderFormat + MAX_PATH + 16];
    WCHAR text[sizeof NotLoadedFormat + MAX_PATH + sizeof where / sizeof(WCHAR)];
    if (result == NOT_SWITCHED_ON) {
        FormatText(where, PluginsFolderWords, player);
        FormatText(text, NotSwitchedOnFormat, place->moved ? folder : where, player, player);
    } else if (result == NOT_LOADED_FROM_THERE) {
        if (place->dspFolderKind == DSP_FOLDER_RELATIVE || place->dspFolderKind == DSP_FOLDER_UNREADABLE)
            FormatText(where, UnusableFolderFormat, place->dspFolder,
                      place->dspFolderKind == DSP_FOLDER_RELATIVE ? L"relative" : L"unreadable");
        else
            FormatText(where, PluginsFolderFormat, place->plugins);
        FormatText(text, NotLoadedFormat, folder, player, where, player);
    }
    if (result != SWITCHED_ON) MessageBoxW(wizard, text, L"ZUV", MB_OK | MB_ICONINFORMATION);
    // Left as the user set it, but without telling them ZUV would never run.
    if (safeMode) {
        FormatText(text, SafeModeFormat, player);
        MessageBoxW(wizard, text, L"ZUV", MB_OK | MB_ICONINFORMATION);
    }
}

// A folder refused on the way to Finished: the Location page again, with the
// focus in the box, so the user can correct what was typed.
static void StayOnLocation()
{
    HWND wizard = g_installer.wizardWindow;
    g_installer.currentPage = PAGE_LOCATION;
    RepaintWizard();
    SendMessageA(wizard, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(wizard, IDC_LOCATION), TRUE);
}

static void Install()
{
    HWND wizard = g_installer.wizardWindow;
    // Two bytes over: a longer name fills the buffer even when its cut falls
    // inside a double-byte character. A name that does not fit is refused,
    // never cut to one that may name another folder, and pluginsPath keeps
    // the last one that fitted.
    char typed[PATH_BUFFER + 2];
    if (GetDlgItemTextA(wizard, IDC_LOCATION, typed, sizeof typed) >= PATH_BUFFER) {
        MessageBoxA(wizard, FolderTooLongText, "ZUV", MB_OK | MB_ICONERROR);
        StayOnLocation();
        return;
    }
    CopyText(g_installer.pluginsPath, sizeof g_installer.pluginsPath, typed);
    PlayerSettingsPlace place;
    FindPlayerSettings(g_installer.pluginsPath, &place);
    if (place.kind != PLAYER_32BIT) {
        if (place.kind == PLAYER_NONE) {
            MessageBoxA(wizard, PlayerNotFoundText, "Marbelox", MB_ICONERROR);
        } else {
            FolderOfWidePath(place.program);
            SayNot32Bit(wizard, place.program);
        }
        StayOnLocation();
    } else if (!AllSourceFilesReadable()) {
        // A partial download, or a module taken by a virus scanner: nothing
        // is closed or changed for half an installation.
        EndWithError(SourceMissingText);
    } else {
        lstrcpyW(g_installer.playerProgram, place.program);
        InstallInto(&place);
    }
    ReleasePlayerSettings(&place);
}

void SetUpPage(int page)
{
    switch (page) {
    case PAGE_WELCOME:
        ShowControl(IDC_AGREEMENT, false);
        ShowControl(IDC_NOTICE, true);
        EnableControl(IDC_BACK, false);
        SetControlText(IDC_NEXT, "&Next->");
        SetControlText(IDCANCEL, "&Cancel");
        break;
    case PAGE_AGREEMENT:
        ShowControl(IDC_AGREEMENT, true);
        ShowLocationControls(false);
        ShowControl(IDC_NOTICE, false);
        EnableControl(IDC_BACK, true);
        SetControlText(IDC_NEXT, "&Agree");
        SetControlText(IDCANCEL, "E&xit");
        AssembleAgreementText();
        SetControlText(IDC_AGREEMENT, g_agreementText);
        break;
    case PAGE_LOCATION:
        ShowControl(IDC_AGREEMENT, false);
        PrepareLocation();
        ShowLocationControls(true);
        // The list follows the box by its change notice (OnFolderChanged);
        // a text already there sends none, and the list made just now shows
        // no choice yet.
        SetControlText(IDC_LOCATION, g_installer.pluginsPath);
        OnFolderChanged();
        SetControlText(IDC_NEXT, "&Next->");
        EnableControl(IDC_NEXT, true);
        EnableControl(IDCANCEL, true);
        SetControlText(IDCANCEL, "&Cancel");
        break;
    case PAGE_FINISHED:
        Install();
        break;
    default:
        break;
    }
    // The page now shown: a failed check on the way to Finished stays on Location.
    SetControlText(IDC_MESSAGE, g_pageMessages[g_installer.currentPage]);
}

// Starting a program goes through Explorer, and COM pumps messages while it
// waits for the answer: the wizard is disabled meanwhile, and a command that
// reaches it then (a second click; or one while a message box is up) is
// dropped, so it cannot start a second program.
void OnWizardCommand(int id)
{
    HWND wizard = g_installer.wizardWindow;
    if (!IsWindowEnabled(wizard)) return;
    switch (id) {
    case IDC_NEXT:
        if (g_installer.currentPage < PAGE_FINISHED) {
            ++g_installer.currentPage;
            RepaintWizard();
            SetUpPage(g_installer.currentPage);
        } else {
            EnableWindow(wizard, FALSE);
            if (!LaunchPlayer(g_installer.playerProgram))
                SayNotStarted(PlayerName(g_installer.playerProgram), g_installer.playerProgram);
            EndWizard();
        }
        break;
    case IDC_BACK:
        if (g_installer.currentPage > PAGE_WELCOME) --g_installer.currentPage;
        RepaintWizard();
        SetUpPage(g_installer.currentPage);
        break;
    case IDC_BROWSE:
        // Hidden, it may still get its access key's command from the dialog
        // manager: only the Location page acts on it.
        if (g_installer.currentPage == PAGE_LOCATION) Browse();
        break;
    case IDCANCEL:
        if (g_installer.currentPage == PAGE_FINISHED) {
            WCHAR help[MAX_PATH];
            if (SourceFilePath(PLUGIN_HELP_NAME, help, MAX_PATH)) {
                // Only the wizard itself loses the focus when disabled; the
                // button holding it keeps it.
                EnableWindow(wizard, FALSE);
                bool opened = OpenDocument(help);
                EnableWindow(wizard, TRUE);
                if (!opened) SayNotStarted(L"the help page", help);
            }
        } else {
            EndWizard();
        }
        break;
    default:
        break;
    }
}
