// The wizard: its dialog procedure and the page controller behind its buttons.
#pragma once
#include <windows.h>

INT_PTR CALLBACK WizardDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The DPI the wizard starts at: the window's (user32's GetDpiForWindow,
// Windows 10 1607 on), else its monitor's (shcore's GetDpiForMonitor, 8.1
// on), else the system's. A function is NULL where Windows lacks it.
typedef UINT(WINAPI* DpiForWindowProc)(HWND);
typedef HRESULT(WINAPI* DpiForMonitorProc)(HMONITOR, int, UINT*, UINT*);
UINT StartingDpi(HWND window, DpiForWindowProc forWindow, DpiForMonitorProc forMonitor);

// Page controller: a button command, and the controls of one page.
void OnWizardCommand(int id);
// A player chosen in the Location page's list: its plug-ins folder into the box.
void OnPlayerChosen();
// The folder box changed (typed, Browse, a choice): the list shows the
// player whose plug-ins folder it names, however spelled, or no choice.
void OnFolderChanged();
void SetUpPage(int page);
// The box that says a player cannot load ZUV, being a 64-bit program, naming
// its folder; owned by `owner` (NULL: none).
void SayNot32Bit(HWND owner, const WCHAR* folder);

// The agreement text, from its five string resources, line feeds as spaces.
void AssembleAgreementText();
enum {
    AGREEMENT_PIECE_BUFFER = 12000,   // one string resource
    AGREEMENT_TEXT_BUFFER = 65536     // all five, joined
};
extern char g_agreementPiece[AGREEMENT_PIECE_BUFFER];
extern char g_agreementText[AGREEMENT_TEXT_BUFFER];
