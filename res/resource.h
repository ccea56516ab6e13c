// Identifiers shared by the resource script and the program's code.
#pragma once

// The system-menu command that opens the about box. System commands below
// 0xF000 belong to the program; the low four bits are the system's own, so
// this value keeps them clear.
#define IDM_ABOUTBOX        0x0010

#define IDD_ABOUTBOX        100
#define IDS_ABOUTBOX        101
#define IDD_ORVANE_DIALOG   102
#define IDR_MAINFRAME       128

#define IDC_NEF_OPEN        1000
#define IDC_MECHANICAL      1001
#define IDC_ELECTRONIC      1002
#define IDC_TOTAL           1003
#define IDC_SHOOTING_DATE   1004
#define IDC_CAMERA          1005

// The message shown when a file gives no readout: %1 is the file, %2 the
// problem's text below.
#define IDS_READ_FAILED                 200

// One text for each problem the reader reports.
#define IDS_PROBLEM_CANNOT_OPEN         201
#define IDS_PROBLEM_NOT_A_FILE          202
#define IDS_PROBLEM_UNREADABLE          203
#define IDS_PROBLEM_TOO_SHORT           204
#define IDS_PROBLEM_FIRST_IFD_TRUNCATED 205
#define IDS_PROBLEM_MODEL_OUTSIDE       206
#define IDS_PROBLEM_DATE_OUTSIDE        207
#define IDS_PROBLEM_NO_EXIF_IFD         208
#define IDS_PROBLEM_EXIF_IFD_OUTSIDE    209
#define IDS_PROBLEM_NO_MAKER_NOTE       210
#define IDS_PROBLEM_MAKER_NOTE_TRUNCATED 211
#define IDS_PROBLEM_NO_SHUTTER_COUNT    212
#define IDS_PROBLEM_NO_JPEG_EXIF        213
#define IDS_PROBLEM_JPEG_TRUNCATED      214
#define IDS_PROBLEM_JPEG_MALFORMED      215
#define IDS_PROBLEM_JPEG_EXIF_NOT_TIFF  216
#define IDS_PROBLEM_NOT_NEF_OR_JPEG     217
#define IDS_PROBLEM_COUNT_NOT_RECORDED  218
#define IDS_PROBLEM_DNG_DATA_OUTSIDE    219
#define IDS_PROBLEM_DNG_DATA_MALFORMED  220
#define IDS_PROBLEM_DNG_NOTE_NOT_NIKON  221
// Why a file could not be opened.
#define IDS_PROBLEM_PERMISSION_DENIED   240
#define IDS_PROBLEM_NO_SUCH_FILE        241
#define IDS_PROBLEM_PATH_TOO_LONG       242
#define IDS_PROBLEM_FOLDER              243
#define IDS_PROBLEM_IN_USE              244
#define IDS_PROBLEM_TOO_MANY_OPEN_FILES 245
#define IDS_PROBLEM_LINK_LOOP           246
#define IDS_PROBLEM_NETWORK_UNAVAILABLE 247
