// The settings dialog: a trackbar per level, a check box per switch.
#include <windows.h>
#include <commctrl.h>

#include "config.h"
#include "dsp/zuv_effect.h"
#include "resource.h"
#include "settings_file.h"

// The figure beside a trackbar, in the units the effect applies.
static void ShowValue(HWND dialog, int level, int value)
{
    char text[32];
    int tenths;
    switch (level) {
    case ZUV_LEVEL_OUTPUT: tenths = (value - 100) * 2; break;      // 0.2 dB a step
    case ZUV_LEVEL_BASS:
    case ZUV_LEVEL_TREBLE: tenths = (value * 12 + 5) / 10; break;  // 0.12 dB a step
    case ZUV_LEVEL_WIDTH: wsprintfA(text, "%d %%", value * 2); tenths = -1; break;
    default: wsprintfA(text, "%d %%", value); tenths = -1; break;
    }
    if (level <= ZUV_LEVEL_TREBLE) {
        int size = tenths < 0 ? -tenths : tenths;
        wsprintfA(text, "%c%d.%d dB", tenths < 0 ? '-' : size ? '+' : ' ', size / 10, size % 10);
    }
    SetDlgItemTextA(dialog, IDC_VALUE_FIRST + level, text);
}

static void ShowSettings(HWND dialog, const PluginSettings* s)
{
    for (int i = 0; i < PLUGIN_LEVELS; ++i) {
        HWND bar = GetDlgItem(dialog, IDC_LEVEL_FIRST + i);
        SendMessageA(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, PLUGIN_LEVEL_MAX));
        SendMessageA(bar, TBM_SETPAGESIZE, 0, 10);
        SendMessageA(bar, TBM_SETPOS, TRUE, s->levels[i]);
        ShowValue(dialog, i, s->levels[i]);
    }
    for (int i = 0; i < PLUGIN_SWITCHES; ++i)
        CheckDlgButton(dialog, IDC_SWITCH_FIRST + i, s->switches[i] ? BST_CHECKED : BST_UNCHECKED);
}

static void ReadSettings(HWND dialog, PluginSettings* s)
{
    for (int i = 0; i < PLUGIN_LEVELS; ++i) {
        LRESULT pos = SendDlgItemMessageA(dialog, IDC_LEVEL_FIRST + i, TBM_GETPOS, 0, 0);
        s->levels[i] = pos < 0 ? 0 : pos > PLUGIN_LEVEL_MAX ? PLUGIN_LEVEL_MAX : (int32_t)pos;
    }
    for (int i = 0; i < PLUGIN_SWITCHES; ++i)
        s->switches[i] = IsDlgButtonChecked(dialog, IDC_SWITCH_FIRST + i) == BST_CHECKED;
}

static const WCHAR SaveFailedFormat[] =
    L"The settings could not be saved to %s.\n\n"
    L"Check that this folder can be written, then press OK again.";

static INT_PTR CALLBACK ConfigProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    PluginSettings* s = (PluginSettings*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        ShowSettings(dialog, (PluginSettings*)lParam);
        return TRUE;
    case WM_HSCROLL: {
        int level = GetDlgCtrlID((HWND)lParam) - IDC_LEVEL_FIRST;
        if (level >= 0 && level < PLUGIN_LEVELS)
            ShowValue(dialog, level, (int)SendMessageA((HWND)lParam, TBM_GETPOS, 0, 0));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            PluginSettings chosen = *s;    // keeps the file's text lines and tail
            ReadSettings(dialog, &chosen);
            if (!SaveSettingsFile(&chosen)) {
                // The user's own name may be in any alphabet: the path in wide text.
                WCHAR path[MAX_PATH], text[sizeof SaveFailedFormat / sizeof(WCHAR) + MAX_PATH];
                if (!UserSettingsPath(path)) lstrcpyW(path, L"" PLUGIN_SETTINGS_NAME);
                wsprintfW(text, SaveFailedFormat, path);
                MessageBoxW(dialog, text, L"ZUV Enhancer", MB_OK | MB_ICONERROR);
                return TRUE;
            }
            *s = chosen;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_DEFAULTS: {
            PluginSettings defaults;
            DefaultPluginSettings(&defaults);
            ShowSettings(dialog, &defaults);
            return TRUE;
        }
        }
        break;
    }
    return FALSE;
}

bool EditSettings(HINSTANCE module, HWND owner, PluginSettings* settings)
{
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    return DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_CONFIG), owner, ConfigProc, (LPARAM)settings) == IDOK;
}
