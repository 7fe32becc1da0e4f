#include <windows.h>

#include "ui/MainDialog.h"
#include "ui/resource.h"

// The command line is not read: every run takes its parameters from the dialog.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Never destroyed: a worker still running while the program exits may call
    // on it until the process ends.
    auto* const dialog = new zemrik::MainDialog;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, zemrik::mainDialogProc,
                    reinterpret_cast<LPARAM>(dialog));
    return 0;
}
