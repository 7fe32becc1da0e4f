// DialogDriver: works the dialog's controls through its window handle, with
// waits and window lookups for the dialog's tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace zemrik::dialogtest {

constexpr DWORD kShortWait = 10000;  // milliseconds
constexpr DWORD kLongWait = 120000;

// Polls until the condition holds or the time is up; answers whether it held.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kShortWait);

// The window of class "#32770" owned by `owner` with exactly this caption.
HWND findOwnedDialog(HWND owner, const std::string& caption);

std::string windowText(HWND window);

// The clipboard's CF_TEXT, or nothing when it holds no text.
std::optional<std::string> clipboardText();
void emptyClipboard();

// Works the main dialog through its window handle, from the dialog's process
// or from another one.
enum class CheckState : UINT { Unchecked = BST_UNCHECKED, Checked = BST_CHECKED };

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : dialog_(dialog) {}

    HWND dialog() const { return dialog_; }
    std::string text(int id) const;
    void setText(int id, const std::string& text) const;
    int selection(int id) const;
    void select(int id, int index) const;
    bool isChecked(int id) const;
    void setCheck(int id, CheckState state) const;

    // Posted, so a message box the command opens does not block the driver.
    void post(int command) const;
    // Sent: returns once the dialog has handled the command.
    void send(int command) const;

    bool waitForText(int id, const std::string& expected, DWORD timeoutMs = kShortWait) const;
    // Waits for the owned message box, reads its text, presses OK and waits
    // for it to close. Nothing when no such box appears in time.
    std::optional<std::string> acceptMessageBox(const std::string& caption, DWORD timeoutMs = kShortWait) const;
    // Any dialog window the main dialog owns: message boxes, the open-file dialog.
    bool hasOwnedDialog() const;
    // Chooses the file in the open-file dialog that Load shows, or cancels it
    // when `path` is empty.
    bool answerOpenFileDialog(const std::string& path) const;

private:
    HWND dialog_;
};

// Chooses the file through File > Load and its open-file dialog, and waits
// for the File box to show it.
::testing::AssertionResult load(const DialogDriver& driver, const std::string& path);

}  // namespace zemrik::dialogtest
