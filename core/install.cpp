// Closing the player, copying the plug-in's files, starting the player, help.
#include <windows.h>
#include <shellapi.h>

#include "installer.h"
#include "paths.h"
#include "player.h"
#include "../app/installer_state.h"

enum {
    CLOSE_SEND_TIMEOUT_MS = 5000,   // the player's window handling WM_CLOSE
    CLOSE_EXIT_TIMEOUT_MS = 5000    // its process letting go of its files
};

void ClosePlayer()
{
    HWND player = FindWindowA(PLAYER_WINDOW_CLASS, NULL);
    if (!player) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(player, &pid);
    // Open the process before asking it to close, so the wait below is on
    // this player and not on whatever might reuse its id.
    HANDLE process = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : NULL;
    DWORD_PTR result;
    // A hung player must not hang the installer: SendMessageTimeout, then a
    // bounded wait for the process, which may still hold the plug-in module.
    bool handled = SendMessageTimeoutA(player, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                                       CLOSE_SEND_TIMEOUT_MS, &result) != 0;
    // A player that did not even take the request will not exit either.
    if (process && handled) WaitForSingleObject(process, CLOSE_EXIT_TIMEOUT_MS);
    if (process) CloseHandle(process);
}

// The plug-in's files sit beside the installer, wherever the current
// directory happens to be.
bool SourceFilePath(const char* name, char* out, size_t size)
{
    char module[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(NULL, module, sizeof module);
    // A result that fills the buffer has been cut short.
    if (n == 0 || n >= sizeof module - 1) return false;
    FolderOfPath(module);
    return JoinPath(out, size, module, name);
}

bool CopyPluginFiles()
{
    for (const char* name : PluginFileList) {
        char source[MAX_PATH];
        char destination[PATH_BUFFER];
        if (!SourceFilePath(name, source, sizeof source)) return false;
        if (!JoinPath(destination, sizeof destination, g_installer.pluginsPath, name)) return false;
        if (!CopyFileA(source, destination, FALSE)) return false;
    }
    return true;
}

void LaunchPlayer()
{
    HCURSOR previous = SetCursor(LoadCursorA(NULL, MAKEINTRESOURCEA(32514)));   // IDC_WAIT
    char path[260];
    PlayerExecutablePath(g_installer.pluginsPath, path, sizeof path);
    // The application name is given on its own, so a folder with spaces
    // cannot start C:\Program.exe; the command line quotes it for the player.
    char commandLine[264];
    wsprintfA(commandLine, "\"%s\"", path);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    // The player starts in its own folder, as from its shortcut.
    char folder[260];
    lstrcpynA(folder, path, sizeof folder);
    FolderOfPath(folder);
    PROCESS_INFORMATION info;
    if (path[0] && CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, folder[0] ? folder : NULL,
                                  &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    if (previous) SetCursor(previous);
}

bool OpenDocument(const char* file)
{
    SHELLEXECUTEINFOA request;
    ZeroMemory(&request, sizeof request);
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_FLAG_DDEWAIT;
    request.lpVerb = "open";
    request.lpFile = file;
    request.nShow = SW_SHOWNORMAL;
    return ShellExecuteExA(&request) != FALSE;
}
