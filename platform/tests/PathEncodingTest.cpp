// Paths on Windows: the dialog's names, in the ANSI code page, open what the
// A functions opened; zemrik-cli's, in UTF-8, open any name.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/PathEncoding.h"

namespace zemrik::platform {
namespace {

// The name as the A functions of the dialog's controls hand it over; nothing
// when the code page can't spell it (they give '?' then).
std::optional<std::string> ansiName(const std::wstring& name) {
    BOOL lossy = FALSE;
    std::string text(name.size() * 4, '\0');
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), static_cast<int>(name.size()),
                                           text.data(), static_cast<int>(text.size()), nullptr, &lossy);
    if (lossy) return std::nullopt;
    text.resize(static_cast<std::size_t>(length));
    return text;
}

class PathEncodingTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temporary[MAX_PATH + 1];
        ASSERT_NE(GetTempPathW(MAX_PATH + 1, temporary), 0u);
        directory_ = temporary;
    }
    void TearDown() override {
        setPathEncoding(PathEncoding::AnsiCodePage);
        for (const std::wstring& name : created_) DeleteFileW((directory_ + name).c_str());
    }

    void create(const std::wstring& name) {
        HANDLE file = CreateFileW((directory_ + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        created_.push_back(name);
    }

    std::wstring directory_;
    std::vector<std::wstring> created_;
};

TEST_F(PathEncodingTest, AnsiNamesOpenAsTheAFunctionsOpenedThem) {
    const std::wstring accented = L"caf\u00E9-zemrik.bin";
    create(accented);
    const auto directory = ansiName(directory_);
    const auto name = ansiName(accented);
    if (!directory || !name) GTEST_SKIP() << "this ANSI code page can't spell the name";
    EXPECT_TRUE(File::openForReading(*directory + *name));
}

// What the dialog makes of such a file: its controls hand over '?' for what
// the code page lacks, and that name opens nothing ("Can't open file !").
TEST_F(PathEncodingTest, AnsiNamesTheCodePageCantSpellOpenNothing) {
    const std::wstring japanese = L"\u65E5\u672C-zemrik.bin";
    create(japanese);
    const auto directory = ansiName(directory_);
    if (!directory || ansiName(japanese)) GTEST_SKIP() << "this ANSI code page spells the name, or not the directory";
    char name[64];
    const int length = WideCharToMultiByte(CP_ACP, 0, japanese.c_str(), static_cast<int>(japanese.size()), name,
                                           sizeof name, nullptr, nullptr);
    EXPECT_FALSE(File::openForReading(*directory + std::string(name, static_cast<std::size_t>(length))));
}

TEST_F(PathEncodingTest, Utf8NamesOpenWhateverTheAnsiCodePage) {
    create(L"\u65E5\u672C-zemrik.bin");
    const std::string utf8 = utf8FromWide(directory_) + "\xE6\x97\xA5\xE6\x9C\xAC-zemrik.bin";
    setPathEncoding(PathEncoding::Utf8);
    EXPECT_TRUE(File::openForReading(utf8));
    EXPECT_TRUE(File::identityAt(utf8));
}

}  // namespace
}  // namespace zemrik::platform
