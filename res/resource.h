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
