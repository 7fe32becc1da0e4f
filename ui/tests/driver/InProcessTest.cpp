// Tests that need the dialog in the driver's own process: a drop's HDROP and
// the output font's handle are only valid there. The dialog runs with the
// program's own procedure on a second thread.

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "testing/TestFiles.h"
#include "ui/MainDialog.h"
#include "ui/resource.h"
#include "ui/tests/driver/DialogDriver.h"
#include "ui/tests/driver/DialogProcess.h"
#include "zemrik/Version.h"

namespace zemrik::dialogtest {

using test::countingBytes;
using test::TempDirectory;
namespace {

class InProcessDialog {
public:
    InProcessDialog() {
        DWORD threadId = 0;
        thread_ = platform::HandleOwner(CreateThread(nullptr, 0, &showDialog, nullptr, 0, &threadId));
        if (thread_.get() == nullptr) throw std::runtime_error("cannot start the dialog's thread");
        if (!waitUntil([&] { return (dialog_ = findThreadDialog(threadId)) != nullptr; })) {
            throw std::runtime_error("the dialog did not show");
        }
    }
    InProcessDialog(const InProcessDialog&) = delete;
    InProcessDialog& operator=(const InProcessDialog&) = delete;
    ~InProcessDialog() { close(); }

    HWND dialog() const { return dialog_; }

    // Ends the dialog and waits for its thread; answers whether it ended.
    bool close() {
        if (dialog_ != nullptr && IsWindow(dialog_)) PostMessageA(dialog_, WM_COMMAND, IDCANCEL, 0);
        return WaitForSingleObject(thread_.get(), kShortWait) == WAIT_OBJECT_0;
    }

private:
    static DWORD WINAPI showDialog(LPVOID) {
        // One object for every dialog shown, never destroyed, as the program
        // has: a run's worker may outlive the dialog that started it.
        static MainDialog* const served = new MainDialog;
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, mainDialogProc,
                        reinterpret_cast<LPARAM>(served));
        return 0;
    }

    static BOOL CALLBACK matchDialog(HWND window, LPARAM found) {
        if (windowText(window).rfind("Zemrik  v" ZEMRIK_VERSION, 0) != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }

    static HWND findThreadDialog(DWORD threadId) {
        HWND found = nullptr;
        EnumThreadWindows(threadId, &matchDialog, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    platform::HandleOwner thread_;
    HWND dialog_ = nullptr;
};

// What Explorer hands over for a drop: DROPFILES followed by the paths, each
// NUL-terminated, and one more NUL.
HDROP makeDrop(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths) list += path + '\0';
    list += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    if (memory == nullptr) throw std::runtime_error("no memory for the drop");
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST(InProcessDialog, DropLoadsOnlyTheFirstFile) {
    TempDirectory directory;
    const std::string first = directory.write("first.bin", countingBytes(0xABC));
    const std::string second = directory.write("second.bin", countingBytes(0x10));
    const std::string third = directory.write("third.bin", countingBytes(0x20));
    const std::string missing = directory.pathOf("missing.bin");
    struct Case {
        const char* name;
        std::vector<std::string> paths;
        std::string fileBox;
        std::string sizeBox;
    };
    const Case cases[] = {
        {"three files", {first, second, third}, first, "ABC"},
        {"a missing file first", {missing, second}, "Can't open file !", ""},
        {"an empty file", {directory.write("empty.bin", {})}, directory.pathOf("empty.bin"), "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InProcessDialog shown;
        DialogDriver driver(shown.dialog());
        PostMessageA(shown.dialog(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(c.paths)), 0);
        EXPECT_TRUE(driver.waitForText(IDC_FILE_PATH, c.fileBox)) << driver.text(IDC_FILE_PATH);
        EXPECT_EQ(driver.text(IDC_FILE_SIZE), c.sizeBox);
        EXPECT_FALSE(driver.hasOwnedDialog());
        EXPECT_TRUE(shown.close());
    }
}

TEST(InProcessDialog, DroppedFileRunsLikeALoadedOne) {
    TempDirectory directory;
    const std::string input = directory.write("dropped.bin", {0x12, 0x34, 0x56, 0x78});
    InProcessDialog shown;
    DialogDriver driver(shown.dialog());
    PostMessageA(shown.dialog(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({input})), 0);
    ASSERT_TRUE(driver.waitForText(IDC_FILE_PATH, input));
    driver.setText(IDC_ADDRESS, "0");
    driver.setText(IDC_TABLE_SIZE, "4");
    driver.setText(IDC_PER_LINE, "8");
    driver.post(IDC_GO);
    EXPECT_TRUE(driver.waitForText(IDC_OUTPUT, "table\tdw 03412h, 07856h")) << driver.text(IDC_OUTPUT);
}

TEST(InProcessDialog, ShowsTheProgramIconLargeAndSmall) {
    InProcessDialog shown;
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(shown.dialog(), WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(shown.dialog(), WM_GETICON, ICON_SMALL, 0)), icon);
}

TEST(InProcessDialog, OutputUsesTheTerminalFontUntilTheDialogEnds) {
    auto font = HFONT{};
    {
        InProcessDialog shown;
        font = reinterpret_cast<HFONT>(SendDlgItemMessageA(shown.dialog(), IDC_OUTPUT, WM_GETFONT, 0, 0));
        LOGFONTA description{};
        ASSERT_EQ(GetObjectA(font, sizeof description, &description), static_cast<int>(sizeof description));
        EXPECT_STREQ(description.lfFaceName, "Terminal");
        EXPECT_EQ(description.lfHeight, 8);
        EXPECT_EQ(description.lfQuality, PROOF_QUALITY);
        EXPECT_EQ(description.lfCharSet, DEFAULT_CHARSET);
        ASSERT_TRUE(shown.close());
    }
    LOGFONTA description{};
    EXPECT_EQ(GetObjectA(font, sizeof description, &description), 0) << "the font outlived the dialog";
}

// Counts the texts the progress label is given, through a subclass of it.
std::atomic<int> progressTextsSet{0};
WNDPROC labelProcedure = nullptr;

LRESULT CALLBACK countTexts(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) ++progressTextsSet;
    return CallWindowProcA(labelProcedure, window, message, wParam, lParam);
}

TEST(InProcessDialog, ProgressLabelIsGivenOnlyTextsThatDiffer) {
    TempDirectory directory;
    const std::string input = directory.write("pair.bin", {0x01, 0x02});
    InProcessDialog shown;
    DialogDriver driver(shown.dialog());
    HWND label = GetDlgItem(shown.dialog(), IDC_PROGRESS);
    progressTextsSet = 0;
    labelProcedure =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countTexts)));
    PostMessageA(shown.dialog(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({input})), 0);
    ASSERT_TRUE(driver.waitForText(IDC_FILE_PATH, input));
    driver.setText(IDC_ADDRESS, "0");
    driver.setText(IDC_TABLE_SIZE, "2");
    driver.setText(IDC_PER_LINE, "8");
    driver.select(IDC_ITEMS, 0);
    driver.select(IDC_LANGUAGE, 0);
    const std::string table = "static unsigned char table[2] = {\r\n\t0x01, 0x02 };";

    // A table of two elements reports 0% once per run; the second run's
    // report matches what the label shows already.
    for (int run = 0; run < 2; ++run) {
        driver.setText(IDC_OUTPUT, "");
        driver.post(IDC_GO);
        ASSERT_TRUE(driver.waitForText(IDC_OUTPUT, table)) << driver.text(IDC_OUTPUT);
    }
    EXPECT_EQ(driver.text(IDC_PROGRESS), "0%");
    EXPECT_EQ(progressTextsSet.load(), 1);
    SetWindowLongPtrA(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(labelProcedure));
}

}  // namespace
}  // namespace zemrik::dialogtest
