// Resource and control identifiers, shared by installer.rc and the C++ code.
#pragma once

#define IDD_WIZARD 101
#define IDB_WELCOME 103
#define IDB_AGREEMENT 104
#define IDB_LOCATION 106
#define IDB_FINISHED 107
#define IDI_ZUV 110

#define IDC_NEXT 1001
#define IDC_LOCATION 1003
#define IDC_AGREEMENT 1006
#define IDC_BACK 1009
#define IDC_NOTICE 1010
#define IDC_MESSAGE 1011
#define IDC_BROWSE 1012
#define IDC_PLAYERS_NAME 1013
#define IDC_PLAYERS 1014
#define IDC_LOCATION_NAME 1015
// IDCANCEL (2) comes from the system headers.

// Agreement text pieces, string resources 1 to 5.
#define IDS_AGREEMENT1 1
#define IDS_AGREEMENT2 2
#define IDS_AGREEMENT3 3
#define IDS_AGREEMENT4 4
#define IDS_AGREEMENT5 5
