// Resource identifiers of the setup program: its dialog, controls, bitmap,
// icon and string table. Included by the resource script and by the code, so
// only preprocessor definitions live here.
#pragma once

#define IDI_SETUP 101
#define IDB_FORMAT_LIST 103
#define IDD_SETUP 104

#define IDC_FOURCC 1001
#define IDC_WIDTH 1002
#define IDC_HEIGHT 1003
#define IDC_BITS_PER_PIXEL 1004
#define IDC_PIXEL_CORRECTION 1005
#define IDC_SWAP_UV 1006
#define IDC_COMPRESSION 1007
#define IDC_APPLY 1008
#define IDC_DETECT 1009
#define IDC_STATUS 1010
#define IDC_LARGE_FRAMES 1011
#define IDC_ACCEPT_FROM 1012

// The string table.
#define IDS_CAPTION 1
#define IDS_SAVE_FAILED 2
#define IDS_OLE_FAILED 3
#define IDS_LIBRARY_NOT_FOUND 4
#define IDS_ENTRY_POINT_MISSING 5
#define IDS_REGISTRATION_FAILED 6
