// The wizard: its dialog procedure and the page controller behind its buttons.
#pragma once
#include <windows.h>

INT_PTR CALLBACK WizardDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Page controller: a button command, and the controls of one page.
void OnWizardCommand(int id);
void SetUpPage(int page);

// The agreement text, from its five string resources, line feeds as spaces.
void AssembleAgreementText();
enum {
    AGREEMENT_PIECE_BUFFER = 12000,   // one string resource
    AGREEMENT_TEXT_BUFFER = 65536     // all five, joined
};
extern char g_agreementPiece[AGREEMENT_PIECE_BUFFER];
extern char g_agreementText[AGREEMENT_TEXT_BUFFER];
