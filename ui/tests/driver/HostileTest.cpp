// The real zemrik.exe against a user, or another program, working against
// it: the loaded file changing or vanishing between Load and Go, and an
// Address field longer than the dialog reads.

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "testing/TestFiles.h"
#include "ui/resource.h"
#include "ui/tests/driver/DialogDriver.h"
#include "ui/tests/driver/DialogProcess.h"
#include "ui/tests/driver/RunningDialog.h"

namespace zemrik::dialogtest {
namespace {

constexpr int kBytes = 0;
constexpr int kC = 0;
constexpr const char* kErrorCaption = "Error";
constexpr DWORD kNoMessageWait = 500;

// Four bytes at the address typed, as C bytes in hex.
void fillFourBytesAt(const DialogDriver& driver, const std::string& address) {
    driver.setText(IDC_ADDRESS, address);
    driver.setText(IDC_TABLE_SIZE, "4");
    driver.setText(IDC_PER_LINE, "8");
    driver.select(IDC_ITEMS, kBytes);
    driver.select(IDC_LANGUAGE, kC);
}

// Keystroke by keystroke, as a user types, so that any limit of the edit
// control applies.
void type(const DialogDriver& driver, int id, const std::string& text) {
    HWND edit = GetDlgItem(driver.dialog(), id);
    SetWindowTextA(edit, "");
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
}

struct ChangeCase {
    const char* name;
    std::function<void(const std::string& path)> change;
    std::string fileBox;                 // empty: the path stays
    std::optional<std::string> message;  // the refusal, if any
    std::string sizeBox;
    std::string output;
};

const std::string kNewBytesTable = "static unsigned char table[4] = {\r\n\t0xDE, 0xAD, 0xBE, 0xEF };";

void rewrite(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

using DialogHostile = RunningDialog;

// Load only looks at the file; Go opens it again and must judge the file as
// it is then, not as it was at Load.
TEST_F(DialogHostile, GoJudgesTheFileAsItIsAtGoNotAtLoad) {
    const ChangeCase cases[] = {
        {"deleted", [](const std::string& path) { ASSERT_TRUE(DeleteFileA(path.c_str())); }, "Can't open file !",
         std::nullopt, "300", ""},
        {"replaced by a directory",
         [](const std::string& path) {
             ASSERT_TRUE(DeleteFileA(path.c_str()));
             ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
         },
         "Can't open file !", std::nullopt, "300", ""},
        {"shortened",
         [](const std::string& path) {
             rewrite(path, {0xDE, 0xAD, 0xBE});
         },
         "", "Hey man, your table is bigger than the file itself !", "3", ""},
        {"rewritten with other bytes",
         [](const std::string& path) {
             rewrite(path, {0xDE, 0xAD, 0xBE, 0xEF, 0});
         },
         "", std::nullopt, "5", kNewBytesTable},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string input = directory.write(std::string(c.name) + ".bin", countingBytes(0x300));
        ASSERT_TRUE(load(driver, input));
        ASSERT_EQ(driver.text(IDC_FILE_SIZE), "300");
        fillFourBytesAt(driver, "0");

        c.change(input);
        driver.post(IDC_GO);

        if (c.message) {
            EXPECT_EQ(driver.acceptMessageBox(kErrorCaption), c.message);
        } else if (!c.fileBox.empty()) {
            EXPECT_TRUE(driver.waitForText(IDC_FILE_PATH, c.fileBox)) << driver.text(IDC_FILE_PATH);
            EXPECT_FALSE(driver.acceptMessageBox(kErrorCaption, kNoMessageWait));
        } else {
            EXPECT_TRUE(driver.waitForText(IDC_OUTPUT, c.output)) << driver.text(IDC_OUTPUT);
            EXPECT_FALSE(driver.hasOwnedDialog());
        }
        EXPECT_EQ(driver.text(IDC_FILE_PATH), c.fileBox.empty() ? input : c.fileBox);
        EXPECT_EQ(driver.text(IDC_FILE_SIZE), c.sizeBox);
        EXPECT_EQ(driver.text(IDC_OUTPUT), c.output);
    }
}

struct LongAddressCase {
    const char* name;
    std::string typed;
    std::optional<std::string> message;
    std::string output;
};

// The box keeps all 300 characters typed; Go reads the first 255 of them.
TEST_F(DialogHostile, AddressOf300CharactersIsReadUpTo255) {
    const LongAddressCase cases[] = {
        {"zeros, then digits past 255", std::string(255, '0') + "45" + std::string(43, 'g'), std::nullopt,
         "static unsigned char table[4] = {\r\n\t0x00, 0x01, 0x02, 0x03 };"},
        {"blanks, then digits at 255", std::string(254, ' ') + "45" + std::string(44, ' '), std::nullopt,
         "static unsigned char table[4] = {\r\n\t0x04, 0x05, 0x06, 0x07 };"},
        {"blanks, then digits past 255", std::string(255, ' ') + "45" + std::string(43, ' '),
         "Error converting the table offset", ""},
    };
    const std::string input = directory.write("counting.bin", countingBytes(0x300));
    ASSERT_TRUE(load(driver, input));
    for (const LongAddressCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.typed.size(), 300u);
        fillFourBytesAt(driver, "");
        driver.setText(IDC_OUTPUT, "");
        type(driver, IDC_ADDRESS, c.typed);
        ASSERT_EQ(driver.text(IDC_ADDRESS), c.typed);

        driver.post(IDC_GO);

        if (c.message) {
            EXPECT_EQ(driver.acceptMessageBox(kErrorCaption), c.message);
        } else {
            EXPECT_TRUE(driver.waitForText(IDC_OUTPUT, c.output)) << driver.text(IDC_OUTPUT);
            EXPECT_FALSE(driver.hasOwnedDialog());
        }
        EXPECT_EQ(driver.text(IDC_OUTPUT), c.output);
        EXPECT_EQ(driver.text(IDC_ADDRESS), c.typed);
    }
}

}  // namespace
}  // namespace zemrik::dialogtest
