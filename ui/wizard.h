// The wizard: its dialog procedure and the page controller behind its buttons.
#pragma once
#include <windows.h>

INT_PTR CALLBACK WizardDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Page controller: a button command, and the controls of one page.
void OnWizardCommand(int id);
void SetUpPage(int page);
// The box that says a player cannot load ZUV, being a 64-bit program, naming
// its folder; owned by `owner` (NULL: none).
void SayNot32Bit(HWND owner, const WCHAR* folder);
// Each page's message, the words its picture shows: the page controller puts
// it in the message control, where screen readers find it.
extern const char* const g_pageMessages[];

// The agreement text, from its five string resources, line feeds as spaces.
void AssembleAgreementText();
enum {
    AGREEMENT_PIECE_BUFFER = 12000,   // one string resource
    AGREEMENT_TEXT_BUFFER = 65536     // all five, joined
};
extern char g_agreementPiece[AGREEMENT_PIECE_BUFFER];
extern char g_agreementText[AGREEMENT_TEXT_BUFFER];
