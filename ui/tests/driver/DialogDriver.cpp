#include "ui/tests/driver/DialogDriver.h"

#include <vector>

#include "ui/resource.h"

namespace zemrik::dialogtest {
namespace {

constexpr DWORD kPollInterval = 20;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kFileNameComboId = 0x47C;  // cmb13 of the explorer-style dialog
constexpr int kFileNameEditId = 0x480;   // edt1 of the older one
constexpr const char* kOpenFileTitle = "Choose the file with the table...";

bool isDialogClass(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::string(name) == "#32770";
}

struct OwnedSearch {
    HWND owner;
    const std::string* caption;  // nothing: any caption
    HWND found;
};

BOOL CALLBACK matchOwned(HWND window, LPARAM argument) {
    auto& search = *reinterpret_cast<OwnedSearch*>(argument);
    if (GetWindow(window, GW_OWNER) != search.owner || !isDialogClass(window) || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (search.caption != nullptr && windowText(window) != *search.caption) return TRUE;
    search.found = window;
    return FALSE;
}

HWND findOwned(HWND owner, const std::string* caption) {
    OwnedSearch search{owner, caption, nullptr};
    EnumWindows(&matchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Another program may hold the clipboard for a moment.
bool openClipboard() {
    return waitUntil([] { return OpenClipboard(nullptr) != FALSE; });
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollInterval);
    }
    return true;
}

HWND findOwnedDialog(HWND owner, const std::string& caption) { return findOwned(owner, &caption); }

std::string windowText(HWND window) {
    const auto length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    // GetWindowTextA would not ask a control of another process for its text.
    const auto copied = static_cast<int>(
        SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(length) + 1, reinterpret_cast<LPARAM>(text.data())));
    return std::string(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

std::optional<std::string> clipboardText() {
    if (!openClipboard()) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_TEXT); data != nullptr) {
        if (const auto* chars = static_cast<const char*>(GlobalLock(data)); chars != nullptr) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void emptyClipboard() {
    if (!openClipboard()) return;
    EmptyClipboard();
    CloseClipboard();
}

std::string DialogDriver::text(int id) const {
    HWND control = GetDlgItem(dialog_, id);
    return control != nullptr ? windowText(control) : std::string();
}

void DialogDriver::setText(int id, const std::string& text) const { SetDlgItemTextA(dialog_, id, text.c_str()); }

int DialogDriver::selection(int id) const {
    return static_cast<int>(SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0));
}

void DialogDriver::select(int id, int index) const {
    SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool DialogDriver::isChecked(int id) const { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

void DialogDriver::setCheck(int id, CheckState state) const { CheckDlgButton(dialog_, id, static_cast<UINT>(state)); }

void DialogDriver::post(int command) const { PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

void DialogDriver::send(int command) const { SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

bool DialogDriver::waitForText(int id, const std::string& expected, DWORD timeoutMs) const {
    return waitUntil([&] { return text(id) == expected; }, timeoutMs);
}

std::optional<std::string> DialogDriver::acceptMessageBox(const std::string& caption, DWORD timeoutMs) const {
    HWND box = nullptr;
    if (!waitUntil([&] { return (box = findOwnedDialog(dialog_, caption)) != nullptr; }, timeoutMs)) {
        return std::nullopt;
    }
    // The box may still be filling in its text when it first shows.
    std::string message;
    waitUntil([&] { return !(message = windowText(GetDlgItem(box, kMessageBoxTextId))).empty(); });
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    waitUntil([&] { return !IsWindow(box); });
    return message;
}

bool DialogDriver::hasOwnedDialog() const { return findOwned(dialog_, nullptr) != nullptr; }

bool DialogDriver::answerOpenFileDialog(const std::string& path) const {
    HWND chooser = nullptr;
    if (!waitUntil([&] { return (chooser = findOwnedDialog(dialog_, kOpenFileTitle)) != nullptr; })) return false;
    if (path.empty()) {
        PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
        HWND name = GetDlgItem(chooser, kFileNameComboId);
        if (name == nullptr) name = GetDlgItem(chooser, kFileNameEditId);
        if (name == nullptr) return false;
        SetWindowTextA(name, path.c_str());
        PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return waitUntil([&] { return !IsWindow(chooser); });
}

::testing::AssertionResult load(const DialogDriver& driver, const std::string& path) {
    driver.post(IDM_LOAD);
    if (!driver.answerOpenFileDialog(path)) return ::testing::AssertionFailure() << "no open-file dialog";
    if (!driver.waitForText(IDC_FILE_PATH, path)) {
        return ::testing::AssertionFailure() << "File box shows \"" << driver.text(IDC_FILE_PATH) << "\"";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace zemrik::dialogtest
