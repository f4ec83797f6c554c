// The installer's one process-wide record. Only the start-up, the page
// controller and the dialog procedure read and write it.
#pragma once
#include <windows.h>
#include "../core/paths.h"
#include "../win/operations.h"

enum WizardPage { PAGE_WELCOME = 0, PAGE_AGREEMENT = 1, PAGE_LOCATION = 2, PAGE_FINISHED = 3 };
enum { PLAYER_CHOICES = 8 };   // players the Location page lists at most

struct InstallerState {
    HINSTANCE instance;
    char pluginsPath[FOLDER_BUFFER];
    WCHAR playerProgram[MAX_PATH];   // the player's program, found when the Location is confirmed
    int currentPage;
    bool running;
    HWND wizardWindow;
    HPALETTE palette;     // owned by the dialog procedure
    HFONT noticeFont;     // owned by the dialog procedure
    // Made when the Location page is first shown: the folder box's
    // completion, and the players to choose from (listed when more than one).
    bool locationPrepared;
    int playerCount;
    FoundPlayer players[PLAYER_CHOICES];
    // The display scale the wizard is laid out and drawn at, and what the
    // dialog procedure made for it (none at 96 DPI until a scale change).
    UINT dpi;
    HFONT controlFont;    // the controls' font at that scale
    HBITMAP drawnPage;    // page drawnPageNumber drawn at that scale, kept
    int drawnPageNumber;
    // Windows' high contrast, as the dialog procedure last read it: the
    // pages are then drawn in the system's window colours.
    bool highContrast;
};

extern InstallerState g_installer;   // zeroed before the entry point runs
