// The installer's Windows-facing operations, each owning the calls it makes.
#pragma once
#include <stddef.h>

// Player discovery.
bool LocatePlayer(char* out);                       // out: PATH_BUFFER bytes
bool PlayerIsPresent(const char* pluginsPath);

// Page controller.
void OnWizardCommand(int id);
void SetUpPage(int page);
void AssembleAgreementText();
extern char g_agreementPiece[12000];
extern char g_agreementText[65536];

// Installation.
void ClosePlayer();
bool CopyPluginFiles();
void LaunchPlayer();
bool OpenDocument(const char* file);
bool SourceFilePath(const char* name, char* out, size_t size);

// Settings files.
bool RewritePlayerSettings();
bool SeedPluginSettings();
