// MainDialog, the program's dialog (a RequestSource and a RunHost), and the
// procedure of dialog IDD_MAIN that serves it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <array>
#include <string>

#include "run/RequestSource.h"
#include "run/RunHost.h"
#include "run/RunWorker.h"
#include "ui/FontOwner.h"

namespace zemrik {

// The program's one dialog: it keeps the input file's path, serves Go's
// request with its fields and receives the worker's texts.
class MainDialog final : public RequestSource, public RunHost {
public:
    void attach(HWND dialog);
    void detach();
    void command(WORD id);
    void dropFiles(HDROP drop);

    // RequestSource
    std::string loadedPath() override;
    int itemsSelection() override;
    int languageSelection() override;
    std::string fieldText(NumberField field) override;
    bool isChecked(CheckBox box) override;
    void setFileBoxText(const std::string& text, const FileFailure& failure) override;
    void setFileSizeBoxText(const std::string& text) override;

    // RunHost, called on the worker's thread; RequestSource shares showMessage.
    void setProgressText(const std::string& text) override;
    void setOutputText(TerminatedText text) override;
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void showFileMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                         const FileFailure& failure) override;
    bool isBigEndianChecked() override;

private:
    void fillLists();
    void setIcons();
    void setOutputFont();
    void load();
    void go();
    void copyOutput();
    void showAbout();
    void loadInputFile();
    void clearFieldsOfEarlierFile();
    void setText(int id, const char* text);

    HWND dialog_ = nullptr;
    std::array<char, MAX_PATH> path_{};
    // Any Load, drop or Go that tried to open a file since the program started.
    bool fileOpeningTried_ = false;
    FontOwner outputFont_;
    std::string progressShown_;
    RunState runState_;
};

// The procedure of dialog IDD_MAIN, shown with DialogBoxParamA whose parameter
// is the MainDialog it serves (kept in the window's DWLP_USER). That object
// outlives the dialog: a run's worker may still call on it after the dialog ends.
INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zemrik
