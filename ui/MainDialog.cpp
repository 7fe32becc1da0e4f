#include "ui/MainDialog.h"

#include <commdlg.h>

#include "platform/File.h"
#include "run/RunMessages.h"
#include "ui/resource.h"
#include "zemrik/Version.h"

namespace zemrik {
namespace {

constexpr int kFieldBufferSize = 256;
constexpr const char* kInitialProgressText = "0 %";
constexpr const char* kAboutCaption = "About C/C++/ASM Zemrik";
constexpr const char* kAboutText =
    "Zemrik  v" ZEMRIK_VERSION
    "\r\n"
    "\r\n"
    "Prints a table of numbers found in any file as C/C++, ASM, Delphi or Data Str source text.\r\n"
    "\r\n"
    "Written by the Zemrik developers.\r\n"
    "December 2026";

// Reported in the size box when the file's size cannot be read.
constexpr DWORD kFileSizeFailure = 0xFFFFFFFF;

std::string hexText(DWORD value) {
    char text[16];
    wsprintfA(text, "%lX", static_cast<unsigned long>(value));
    return text;
}

int fieldId(NumberField field) {
    switch (field) {
    case NumberField::TableSize: return IDC_TABLE_SIZE;
    case NumberField::Address: return IDC_ADDRESS;
    case NumberField::ItemsPerLine: return IDC_PER_LINE;
    }
    return IDC_PER_LINE;
}

int checkBoxId(CheckBox box) {
    switch (box) {
    case CheckBox::DumpToFile: return IDC_DUMP_TO_FILE;
    case CheckBox::Decimal: return IDC_DECIMAL;
    case CheckBox::Rva: return IDC_RVA;
    }
    return IDC_RVA;
}

UINT iconStyle(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::None: return 0;
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::Information: return MB_ICONINFORMATION;
    }
    return 0;
}

// The object the window serves, stored with it at WM_INITDIALOG; null before.
MainDialog* servedBy(HWND dialog) { return reinterpret_cast<MainDialog*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

}  // namespace

void MainDialog::attach(HWND dialog) {
    dialog_ = dialog;
    path_[0] = '\0';
    fileOpeningTried_ = false;
    progressShown_ = kInitialProgressText;
    fillLists();
    setIcons();
    setOutputFont();
}

void MainDialog::detach() {
    // The controls using the font are gone by now.
    outputFont_ = FontOwner{};
}

void MainDialog::fillLists() {
    for (const char* entry : {"Bytes", "Words", "Dwords"}) {
        SendDlgItemMessageA(dialog_, IDC_ITEMS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendDlgItemMessageA(dialog_, IDC_ITEMS, CB_SETCURSEL, 1, 0);
    // The order of Language.
    for (const char* entry : {"C/C++", "ASM", "Delphi", "Data Str"}) {
        SendDlgItemMessageA(dialog_, IDC_LANGUAGE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    SendDlgItemMessageA(dialog_, IDC_LANGUAGE, CB_SETCURSEL, 1, 0);
}

void MainDialog::setIcons() {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog_, GWLP_HINSTANCE));
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void MainDialog::setOutputFont() {
    if (!outputFont_) {
        outputFont_ =
            FontOwner(CreateFontA(8, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Terminal"));
    }
    SendDlgItemMessageA(dialog_, IDC_OUTPUT, WM_SETFONT, reinterpret_cast<WPARAM>(outputFont_.get()), FALSE);
}

void MainDialog::command(WORD id) {
    switch (id) {
    case IDM_LOAD: load(); break;
    case IDM_EXIT:
    case IDCANCEL: EndDialog(dialog_, 0); break;
    case IDC_GO: go(); break;
    case IDC_COPY: copyOutput(); break;
    case IDM_ABOUT: showAbout(); break;
    default: break;
    }
}

// Load and drop stay available during a run: they change only the path and
// the boxes, and the run reads the file it opened itself.
void MainDialog::load() {
    path_[0] = '\0';
    OPENFILENAMEA choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = dialog_;
    choice.lpstrFilter = "All Files (*.*)\0*.*\0";
    choice.lpstrFile = path_.data();
    choice.nMaxFile = static_cast<DWORD>(path_.size());
    choice.lpstrTitle = "Choose the file with the table...";
    choice.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST;
    choice.lpstrDefExt = "";
    if (!GetOpenFileNameA(&choice)) {
        // A failed choice may leave bytes in the buffer (a too small buffer
        // gets the size it needs), which must not pass for a path.
        path_[0] = '\0';
        setText(IDC_FILE_PATH, "Error while selecting file...");
        return;
    }
    loadInputFile();
}

void MainDialog::dropFiles(HDROP drop) {
    if (DragQueryFileA(drop, 0, path_.data(), static_cast<UINT>(path_.size())) == 0) path_[0] = '\0';
    DragFinish(drop);
    loadInputFile();
}

void MainDialog::loadInputFile() {
    if (fileOpeningTried_) clearFieldsOfEarlierFile();
    fileOpeningTried_ = true;
    setText(IDC_FILE_PATH, path_.data());
    auto file = platform::File::openForReading(path_.data());
    if (!file) {
        setText(IDC_FILE_PATH, messages::kCannotOpenFile);
        return;
    }
    const auto size = file->size32();
    file->close();
    if (!size) {
        setText(IDC_FILE_PATH, messages::kFileSizeFailed);
        setText(IDC_FILE_SIZE, hexText(kFileSizeFailure).c_str());
        return;
    }
    setText(IDC_FILE_SIZE, hexText(*size).c_str());
}

// The items per line, the lists, the check boxes and the progress label are
// kept: they describe how to print, not which table.
void MainDialog::clearFieldsOfEarlierFile() {
    for (int id : {IDC_FILE_PATH, IDC_FILE_SIZE, IDC_OUTPUT, IDC_ADDRESS, IDC_TABLE_SIZE}) setText(id, "");
}

void MainDialog::go() {
    // The worker is not waited for; it ends by itself.
    const StartResult result = startRun(runState_, *this, *this);
    if (result.outcome != StartOutcome::Ignored) fileOpeningTried_ = true;
}

void MainDialog::copyOutput() {
    SendDlgItemMessageA(dialog_, IDC_OUTPUT, EM_SETSEL, 0, -1);
    SendDlgItemMessageA(dialog_, IDC_OUTPUT, WM_COPY, 0, 0);
}

void MainDialog::showAbout() { MessageBoxA(dialog_, kAboutText, kAboutCaption, MB_OK | MB_ICONINFORMATION); }

void MainDialog::setText(int id, const char* text) { SetDlgItemTextA(dialog_, id, text); }

std::string MainDialog::loadedPath() { return path_.data(); }

int MainDialog::itemsSelection() {
    return static_cast<int>(SendDlgItemMessageA(dialog_, IDC_ITEMS, CB_GETCURSEL, 0, 0));
}

int MainDialog::languageSelection() {
    return static_cast<int>(SendDlgItemMessageA(dialog_, IDC_LANGUAGE, CB_GETCURSEL, 0, 0));
}

std::string MainDialog::fieldText(NumberField field) {
    std::array<char, kFieldBufferSize> text{};
    const UINT length = GetDlgItemTextA(dialog_, fieldId(field), text.data(), kFieldBufferSize);
    return std::string(text.data(), length);
}

bool MainDialog::isChecked(CheckBox box) { return IsDlgButtonChecked(dialog_, checkBoxId(box)) == BST_CHECKED; }

// The box has room for the message only.
void MainDialog::setFileBoxText(const std::string& text, const FileFailure&) { setText(IDC_FILE_PATH, text.c_str()); }

void MainDialog::setFileSizeBoxText(const std::string& text) { setText(IDC_FILE_SIZE, text.c_str()); }

void MainDialog::setProgressText(const std::string& text) {
    // Each element reports; the label is only repainted when its text changes.
    if (text == progressShown_) return;
    progressShown_ = text;
    setText(IDC_PROGRESS, text.c_str());
}

void MainDialog::setOutputText(TerminatedText text) { setText(IDC_OUTPUT, text.c_str()); }

void MainDialog::showMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    MessageBoxA(dialog_, text.c_str(), caption.c_str(), MB_OK | iconStyle(icon));
}

// The message box says what the dialog has always said; the reason is for
// front ends with room for it.
void MainDialog::showFileMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                 const FileFailure&) {
    showMessage(text, caption, icon);
}

bool MainDialog::isBigEndianChecked() { return IsDlgButtonChecked(dialog_, IDC_BIG_ENDIAN) == BST_CHECKED; }

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            reinterpret_cast<MainDialog*>(lParam)->attach(dialog);
            // The system puts the focus on the first tab stop, the address.
            return TRUE;
        }
        // Messages sent before WM_INITDIALOG (WM_SETFONT) find no object yet.
        MainDialog* const served = servedBy(dialog);
        if (served == nullptr) return FALSE;
        switch (message) {
        case WM_COMMAND: served->command(LOWORD(wParam)); return TRUE;
        case WM_DROPFILES: served->dropFiles(reinterpret_cast<HDROP>(wParam)); return TRUE;
        case WM_NCDESTROY:
            served->detach();
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            return FALSE;
        default: return FALSE;
        }
    } catch (...) {
        // Nothing may unwind into the system's code; the message stays unhandled.
        return FALSE;
    }
}

}  // namespace zemrik
