// Resource identifiers of dsp_zv.dll.
#pragma once

#define IDD_CONFIG 100

#define IDC_LEVEL_FIRST 1100    // five trackbars, one per level, in zuv.cfg's order
#define IDC_VALUE_FIRST 1110    // the figure shown right of each trackbar
#define IDC_SWITCH_FIRST 1120   // seven check boxes, one per switch, in zuv.cfg's order
#define IDC_DEFAULTS 1130
