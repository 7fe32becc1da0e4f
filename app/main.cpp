#include <windows.h>

#include "ui/MainDialog.h"
#include "ui/resource.h"

// The command line is not read: every run takes its parameters from the dialog.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, zemrik::mainDialogProc, 0);
    return 0;
}
