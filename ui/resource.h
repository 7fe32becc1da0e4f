// Identifiers of the main dialog's resources, shared by the resource script
// and the code.
#pragma once

#define IDD_MAIN 101
#define IDR_MAINMENU 102
#define IDI_MAIN 104

#define IDC_FILE_PATH 1000
#define IDC_FILE_SIZE 1001
#define IDC_OUTPUT 1003
#define IDC_ADDRESS 1004
#define IDC_ITEMS 1008
#define IDC_TABLE_SIZE 1009
#define IDC_GO 1010
#define IDC_PER_LINE 1011
#define IDC_COPY 1012
#define IDC_LANGUAGE 1013
#define IDC_DUMP_TO_FILE 1014
#define IDC_PROGRESS 1015
#define IDC_DECIMAL 1016
#define IDC_RVA 1017
#define IDC_BIG_ENDIAN 1018

#define IDM_LOAD 40004
#define IDM_EXIT 40005
#define IDM_ABOUT 40006
