// The installer's one process-wide record. Only the start-up, the page
// controller and the dialog procedure read and write it.
#pragma once
#include <windows.h>
#include "../core/paths.h"

enum WizardPage { PAGE_WELCOME = 0, PAGE_AGREEMENT = 1, PAGE_LOCATION = 2, PAGE_FINISHED = 3 };

struct InstallerState {
    HINSTANCE instance;
    char pluginsPath[FOLDER_BUFFER];
    int currentPage;
    bool running;
    HWND wizardWindow;
    HPALETTE palette;     // owned by the dialog procedure
    HFONT noticeFont;     // owned by the dialog procedure
};

extern InstallerState g_installer;   // zeroed before the entry point runs
