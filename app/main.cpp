// Entry point: find the player, seed the plug-in's settings, run the wizard.
#include "../ui/installer_state.h"
#include "../core/player.h"
#include "../res/resource.h"
#include "../ui/wizard.h"
#include "../win/file_helpers.h"
#include "../win/library_search.h"
#include "../win/operations.h"


InstallerState g_installer;

static const char PlayerMissingText[] =
    "The Winamp player is required to use this plugin.\nPlease go to "
    PLAYER_DOWNLOAD_HOST
    " to download\nand install Winamp. Then run this program again.\n\n"
    "If Winamp is already installed on this system it may\nbe configured incorrectly. "
    "Please re-install Winamp\nand try again.";

static const char FilesMissingText[] =
    "The ZUV plug-in files were not found beside this program.\n\n"
    "Extract all the files from the download into one folder, then run this program from there.";

static void RunMessageLoop()
{
    MSG msg;
    while (g_installer.running) {
        // Every message of the thread, not only the wizard's: the open part
        // of the players' drop-down list (a top-level ComboLBox), the box's
        // completion suggestions and COM's hidden windows are top-level
        // windows of this thread too, and a loop filtered on the wizard
        // leaves their input and paints waiting in the queue.
        // 0 is WM_QUIT, which nothing of ours posts; -1 an error that
        // waiting on would repeat for ever. Either ends the run.
        if (GetMessageA(&msg, NULL, 0, 0) <= 0) break;
        if (!IsDialogMessageA(g_installer.wizardWindow, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before anything can load a library: a DLL planted beside the installer
    // (in Downloads, say) must not be loaded into an elevated process.
    RestrictLibrarySearch();
    g_installer.instance = instance;
    PlayerFound found = LocatePlayer(g_installer.pluginsPath);
    if (found == PLAYER_MISSING) {
        MessageBoxA(NULL, PlayerMissingText, "QEL ZUV!!", MB_ICONERROR);
        return 0;
    }
    // Nothing to offer: the one player there is cannot load a 32-bit plug-in.
    if (found == PLAYER_ONLY_NOT_32BIT) {
        WCHAR folder[MAX_PATH];
        AnsiToWide(g_installer.pluginsPath, folder, MAX_PATH);
        SayNot32Bit(NULL, folder);
        return 0;
    }
    // Nothing can be installed; say so before anything is written or closed.
    if (!AnySourceFilePresent()) {
        MessageBoxA(NULL, FilesMissingText, "ZUV", MB_OK | MB_ICONERROR);
        return 0;
    }
    // The folder found holds at most 255 characters, so this always fits.
    AppendText(g_installer.pluginsPath, sizeof g_installer.pluginsPath, PLAYER_PLUGINS_DIR "\\");
    SeedPluginSettings();

    g_installer.wizardWindow =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_WIZARD), NULL, WizardDialogProc, 0);
    if (!g_installer.wizardWindow) return 0;
    g_installer.currentPage = PAGE_WELCOME;
    SetUpPage(PAGE_WELCOME);
    ShowWindow(g_installer.wizardWindow, SW_SHOW);
    g_installer.running = true;
    RunMessageLoop();
    return 0;
}
