// End-to-end tests of the real zemrik.exe: each test starts the program in a
// fresh directory and works its dialog from this process.

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "image/tests/ImageBuilders.h"
#include "testing/TestFiles.h"
#include "ui/resource.h"
#include "ui/tests/driver/DialogDriver.h"
#include "ui/tests/driver/DialogProcess.h"
#include "ui/tests/driver/RunningDialog.h"
#include "ui/tests/driver/Screenshot.h"
#include "zemrik/Version.h"

namespace zemrik::dialogtest {
namespace {

constexpr int kBytes = 0, kWords = 1, kDwords = 2;
constexpr int kC = 0, kAsm = 1, kDataStr = 3;
constexpr const char* kErrorCaption = "Error";
constexpr const char* kDumpNotice = "Table dumped in result.txt";

// Long enough that the run is still going while the test acts on the dialog.
constexpr std::size_t kLargeTableSize = 64u << 20;

// 64 bytes at 0x2C0 of a file of counting bytes, as C bytes in hex, 8 per line.
const std::string kTypicalTable =
    "static unsigned char table[64] = {\r\n\t"
    "0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, \r\n\t"
    "0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, \r\n\t"
    "0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, \r\n\t"
    "0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, \r\n\t"
    "0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, \r\n\t"
    "0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, \r\n\t"
    "0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, \r\n\t"
    "0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF };";

struct Fields {
    std::string address;
    std::string size;
    std::string perLine;
    int items = kWords;
    int language = kAsm;
    CheckState rva = CheckState::Unchecked;
    CheckState dumpToFile = CheckState::Unchecked;
};

void fill(const DialogDriver& driver, const Fields& fields) {
    driver.setText(IDC_ADDRESS, fields.address);
    driver.setText(IDC_TABLE_SIZE, fields.size);
    driver.setText(IDC_PER_LINE, fields.perLine);
    driver.select(IDC_ITEMS, fields.items);
    driver.select(IDC_LANGUAGE, fields.language);
    driver.setCheck(IDC_RVA, fields.rva);
    driver.setCheck(IDC_DUMP_TO_FILE, fields.dumpToFile);
}

using DialogTest = RunningDialog;

TEST_F(DialogTest, StartsWithWordsAsmAndEveryFieldEmpty) {
    EXPECT_EQ(windowText(driver.dialog()).rfind("Zemrik  v" ZEMRIK_VERSION, 0), 0u);
    EXPECT_EQ(driver.selection(IDC_ITEMS), kWords);
    EXPECT_EQ(driver.text(IDC_ITEMS), "Words");
    EXPECT_EQ(driver.selection(IDC_LANGUAGE), kAsm);
    EXPECT_EQ(driver.text(IDC_LANGUAGE), "ASM");
    EXPECT_EQ(driver.text(IDC_PROGRESS), "0 %");
    for (int id : {IDC_ADDRESS, IDC_TABLE_SIZE, IDC_PER_LINE, IDC_FILE_PATH, IDC_FILE_SIZE, IDC_OUTPUT}) {
        EXPECT_EQ(driver.text(id), "") << "control " << id;
    }
    for (int id : {IDC_RVA, IDC_BIG_ENDIAN, IDC_DECIMAL, IDC_DUMP_TO_FILE}) {
        EXPECT_FALSE(driver.isChecked(id)) << "check box " << id;
    }

    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(program.threadId(), &gui));
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(driver.dialog(), IDC_ADDRESS));
}

TEST_F(DialogTest, ListsHoldTheirEntriesInOrder) {
    struct Case {
        int id;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {IDC_ITEMS, {"Bytes", "Words", "Dwords"}},
        {IDC_LANGUAGE, {"C/C++", "ASM", "Delphi", "Data Str"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_EQ(SendDlgItemMessageA(driver.dialog(), c.id, CB_GETCOUNT, 0, 0),
                  static_cast<LRESULT>(c.entries.size()));
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            driver.select(c.id, static_cast<int>(i));
            EXPECT_EQ(driver.text(c.id), c.entries[i]);
        }
    }
}

TEST_F(DialogTest, TypicalRunPrintsTheTableAndCopyTakesItWhole) {
    const std::string input = directory.write("table.bin", countingBytes(0x300));
    ASSERT_TRUE(load(driver, input));
    EXPECT_EQ(driver.text(IDC_FILE_SIZE), "300");
    fill(driver, {"2C0", "40", "8", kBytes, kC});

    driver.post(IDC_GO);

    ASSERT_TRUE(driver.waitForText(IDC_OUTPUT, kTypicalTable)) << driver.text(IDC_OUTPUT);
    EXPECT_TRUE(driver.waitForText(IDC_PROGRESS, "100%"));
    EXPECT_FALSE(driver.hasOwnedDialog());
    requestScreenshot(driver.dialog());

    emptyClipboard();
    driver.send(IDC_COPY);
    EXPECT_EQ(clipboardText(), std::optional<std::string>(kTypicalTable));
}

TEST_F(DialogTest, DumpToFileWritesResultAndCopyTakesTheNotice) {
    const std::string input = directory.write("three.bin", {0x01, 0x02, 0x03});
    const std::string result = directory.pathOf("result.txt");
    const std::string expected = "static unsigned char table[3] = {\r\n\t0x01, 0x02, 0x03 };";
    ASSERT_TRUE(load(driver, input));
    fill(driver, {"0", "3", "8", kBytes, kC, CheckState::Unchecked, CheckState::Checked});

    driver.post(IDC_GO);

    ASSERT_TRUE(driver.waitForText(IDC_OUTPUT, kDumpNotice)) << driver.text(IDC_OUTPUT);
    // The file is cut to the text's length before the notice shows.
    EXPECT_EQ(readWholeFile(result), expected);
    EXPECT_EQ(expected.size(), 55u);

    emptyClipboard();
    driver.send(IDC_COPY);
    EXPECT_EQ(clipboardText(), std::optional<std::string>(kDumpNotice));

    // The run has let go of both files: nothing keeps them from being deleted.
    EXPECT_TRUE(waitUntil([&] { return DeleteFileA(result.c_str()) != FALSE; }));
    EXPECT_TRUE(waitUntil([&] { return DeleteFileA(input.c_str()) != FALSE; }));
}

TEST_F(DialogTest, LoadLeavesTheFileClosed) {
    const std::string input = directory.write("closed.bin", countingBytes(0x10));
    ASSERT_TRUE(load(driver, input));
    EXPECT_EQ(driver.text(IDC_FILE_SIZE), "10");
    EXPECT_TRUE(DeleteFileA(input.c_str()));
}

TEST_F(DialogTest, CancelledLoadReportsAndLeavesNoFileLoaded) {
    const std::string input = directory.write("first.bin", countingBytes(0x40));
    ASSERT_TRUE(load(driver, input));

    driver.post(IDM_LOAD);
    ASSERT_TRUE(driver.answerOpenFileDialog(""));
    EXPECT_TRUE(driver.waitForText(IDC_FILE_PATH, "Error while selecting file..."));

    fill(driver, {"0", "10", "8", kBytes, kC});
    driver.post(IDC_GO);
    EXPECT_TRUE(driver.waitForText(IDC_FILE_PATH, "Can't open file !"));
    EXPECT_FALSE(driver.acceptMessageBox(kErrorCaption, 500));
    EXPECT_EQ(driver.text(IDC_OUTPUT), "");
}

TEST_F(DialogTest, GoWithoutAFileReportsInTheFileBoxOnly) {
    fill(driver, {"0", "10", "8", kBytes, kC});
    driver.post(IDC_GO);
    EXPECT_TRUE(driver.waitForText(IDC_FILE_PATH, "Can't open file !"));
    EXPECT_FALSE(driver.acceptMessageBox(kErrorCaption, 500));
}

TEST_F(DialogTest, RefusalsShowTheirMessageCaptionedError) {
    const std::string text = directory.write("text.bin", textBytes("Just some text, not an image at all."));
    const std::string empty = directory.write("empty.bin", {});
    // .data, then a .bss without file data.
    const std::string image = directory.write("image.exe", zemrik::test::PeImageBuilder()
                                                               .section({0x1000, 0x200, 0x400})
                                                               .section({0x2000, 0x100, 0, 0, ".bss"})
                                                               .minimumSize(0x600)
                                                               .build());
    // .text and .rdata with a gap between them: 0x402F00 would read .text's bytes at 0x700.
    const std::string gapped = directory.write("gapped.exe", zemrik::test::PeImageBuilder()
                                                                 .section({0x1000, 0x100, 0x400})
                                                                 .section({0x3000, 0x200, 0x800})
                                                                 .minimumSize(0xA00)
                                                                 .build());
    struct Case {
        const char* name;
        const std::string* file;
        Fields fields;
        const char* message;
    };
    const Case cases[] = {
        {"no element size", &text, {"0", "4", "8", -1, kC}, "You MUST select the size of the elements !"},
        {"no language", &text, {"0", "4", "8", kBytes, -1}, "You MUST select a language !"},
        {"size empty", &text, {"0", "", "8", kBytes, kC}, "You MUST enter the size of the table !"},
        {"size 0xZ", &text, {"0", "0xZ", "8", kBytes, kC}, "Error converting the table size"},
        {"size blanks", &text, {"0", "   ", "8", kBytes, kC}, "Error converting the table size"},
        {"address empty", &text, {"", "4", "8", kBytes, kC}, "You MUST enter the offset of the table !"},
        {"address zz", &text, {"zz", "4", "8", kBytes, kC}, "Error converting the table offset"},
        {"per line empty", &text, {"0", "4", "", kBytes, kC}, "You MUST enter the number of items per line !"},
        {"per line x", &text, {"0", "4", "x", kBytes, kC}, "Error converting the number of items"},
        {"size 3 as words",
         &text,
         {"0", "3", "8", kWords, kC},
         "The tablesize must be divisible by the size of elements !"},
        {"Data Str size 6 as dwords",
         &text,
         {"0", "6", "8", kDwords, kDataStr},
         "The tablesize must be divisible by the size of elements !"},
        {"per line 256", &text, {"0", "4", "256", kBytes, kC}, "A zero somewhere :)"},
        {"size 0", &text, {"0", "0", "8", kBytes, kC}, "A zero somewhere :)"},
        {"one byte past the end",
         &text,
         {"1", "24", "8", kBytes, kC},
         "Hey man, your table is bigger than the file itself !"},
        {"size -1 as bytes",
         &text,
         {"0", "-1", "8", kBytes, kC},
         "Hey man, your table is bigger than the file itself !"},
        {"text file with RVA", &text, {"400000", "4", "8", kBytes, kC, CheckState::Checked}, "Not a PE file !"},
        {"empty file with RVA",
         &empty,
         {"400000", "4", "8", kBytes, kC, CheckState::Checked},
         "Cannot create the file mapping, try with the offset !"},
        {"RVA in .bss",
         &image,
         {"402000", "4", "8", kBytes, kC, CheckState::Checked},
         "No data in the file at this RVA !"},
        {"RVA in a gap between sections",
         &gapped,
         {"402F00", "4", "8", kBytes, kC, CheckState::Checked},
         "No data in the file at this RVA !"},
    };
    const std::string* loaded = nullptr;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (loaded != c.file) {
            ASSERT_TRUE(load(driver, *c.file));
            loaded = c.file;
        }
        fill(driver, c.fields);
        driver.post(IDC_GO);
        EXPECT_EQ(driver.acceptMessageBox(kErrorCaption), std::optional<std::string>(c.message));
        EXPECT_EQ(driver.text(IDC_OUTPUT), "");
    }
}

TEST_F(DialogTest, LongRunIgnoresGoAcceptsLoadAndEndsAtOneHundredPercent) {
    const std::string large = directory.write("large.bin", countingBytes(kLargeTableSize));
    const std::string small = directory.write("small.bin", countingBytes(0x20));
    const std::string result = directory.pathOf("result.txt");
    ASSERT_TRUE(load(driver, large));
    char size[16];
    wsprintfA(size, "%lX", static_cast<unsigned long>(kLargeTableSize));
    fill(driver, {"0", size, "16", kBytes, kC, CheckState::Unchecked, CheckState::Checked});

    driver.post(IDC_GO);
    ASSERT_TRUE(waitUntil([&] { return driver.text(IDC_PROGRESS) != "0 %"; }, kLongWait));
    ASSERT_NE(driver.text(IDC_OUTPUT), kDumpNotice) << "the run ended before the test could act during it";

    // Were this Go not ignored, its empty size would be refused with a message.
    driver.setText(IDC_TABLE_SIZE, "");
    driver.post(IDC_GO);
    EXPECT_FALSE(driver.acceptMessageBox(kErrorCaption, 1000));
    // Load stays available during a run and does not disturb it.
    ASSERT_TRUE(load(driver, small));
    EXPECT_EQ(driver.text(IDC_FILE_SIZE), "20");
    ASSERT_NE(driver.text(IDC_PROGRESS), "100%") << "the run ended before the Load";

    ASSERT_TRUE(driver.waitForText(IDC_OUTPUT, kDumpNotice, kLongWait));
    EXPECT_EQ(driver.text(IDC_PROGRESS), "100%");
    EXPECT_FALSE(driver.hasOwnedDialog());
    const std::string header = "static unsigned char table[" + std::to_string(kLargeTableSize) + "] = {\r\n\t";
    EXPECT_TRUE(waitUntil([&] {
        const std::string text = readWholeFile(result);
        return text.rfind(header, 0) == 0 && text.size() > 3 && text.compare(text.size() - 7, 7, "0xFF };") == 0;
    })) << readWholeFile(result).substr(0, 80);
}

TEST_F(DialogTest, AboutShowsNameVersionAndCredits) {
    driver.post(IDM_ABOUT);
    const std::optional<std::string> text = driver.acceptMessageBox("About C/C++/ASM Zemrik");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->rfind("Zemrik  v" ZEMRIK_VERSION, 0), 0u) << *text;
    EXPECT_NE(text->find("Zemrik developers"), std::string::npos) << *text;
}

TEST(DialogLifetime, EveryWayOutEndsTheProgramWithZero) {
    struct Case {
        const char* name;
        UINT message;
        WPARAM command;
    };
    const Case cases[] = {
        {"File > Exit", WM_COMMAND, IDM_EXIT},
        {"Esc", WM_COMMAND, IDCANCEL},
        {"close box", WM_CLOSE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory directory;
        DialogProcess program(directory.path());
        PostMessageA(program.dialog(), c.message, c.command, 0);
        EXPECT_EQ(program.waitForExit(kShortWait), std::optional<DWORD>(0));
    }
}

// A Load, a drop or a Go that tried to open a file makes the next Load empty
// the fields of the earlier table; other commands do not.
TEST(DialogClearing, LoadEmptiesTheTableFieldsOnlyAfterAnEarlierOpening) {
    enum class Before { Nothing, CancelledLoad, Go, LoadAndRun };
    struct Case {
        const char* name;
        Before before;
        bool emptied;
    };
    const Case cases[] = {
        {"first load", Before::Nothing, false},
        {"after a cancelled load", Before::CancelledLoad, false},
        {"after a Go", Before::Go, true},
        {"after a load and a run", Before::LoadAndRun, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDirectory directory;
        DialogProcess program(directory.path());
        DialogDriver driver(program.dialog());
        const std::string first = directory.write("first.bin", countingBytes(0x100));
        const std::string second = directory.write("second.bin", countingBytes(0x1234));
        const Fields fields{"10", "8", "4", kBytes, kC};
        fill(driver, fields);
        driver.setCheck(IDC_DECIMAL, CheckState::Checked);
        switch (c.before) {
        case Before::Nothing: break;
        case Before::CancelledLoad:
            driver.post(IDM_LOAD);
            ASSERT_TRUE(driver.answerOpenFileDialog(""));
            ASSERT_TRUE(driver.waitForText(IDC_FILE_PATH, "Error while selecting file..."));
            break;
        case Before::Go:
            driver.post(IDC_GO);
            ASSERT_TRUE(driver.waitForText(IDC_FILE_PATH, "Can't open file !"));
            break;
        case Before::LoadAndRun:
            ASSERT_TRUE(load(driver, first));
            driver.post(IDC_GO);
            ASSERT_TRUE(driver.waitForText(IDC_OUTPUT,
                                           "static unsigned char table[8] = {\r\n\t 16,  17,  18,  19, "
                                           "\r\n\t 20,  21,  22,  23 };"))
                << driver.text(IDC_OUTPUT);
            break;
        }
        const std::string progress = driver.text(IDC_PROGRESS);

        ASSERT_TRUE(load(driver, second));

        EXPECT_EQ(driver.text(IDC_FILE_SIZE), "1234");
        EXPECT_EQ(driver.text(IDC_ADDRESS), c.emptied ? "" : fields.address);
        EXPECT_EQ(driver.text(IDC_TABLE_SIZE), c.emptied ? "" : fields.size);
        EXPECT_EQ(driver.text(IDC_OUTPUT), "");
        EXPECT_EQ(driver.text(IDC_PER_LINE), fields.perLine);
        EXPECT_EQ(driver.selection(IDC_ITEMS), kBytes);
        EXPECT_EQ(driver.selection(IDC_LANGUAGE), kC);
        EXPECT_TRUE(driver.isChecked(IDC_DECIMAL));
        EXPECT_EQ(driver.text(IDC_PROGRESS), progress);
    }
}

}  // namespace
}  // namespace zemrik::dialogtest
