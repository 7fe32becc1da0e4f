// zemrik-cli.exe started with a UTF-16 command line naming files outside the
// ANSI code page: the names reach the program whole, its files open and are
// written under them, and its messages give them in UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace zemrik {
namespace {

// 日本.bin, 表.h and 無.bin, in UTF-16 for the system and in UTF-8 as printed.
const std::wstring kInput = L"\u65E5\u672C.bin";
const std::wstring kTable = L"\u8868.h";
const std::wstring kMissing = L"\u7121.bin";
const std::string kInputUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC.bin";
const std::string kMissingUtf8 = "\xE7\x84\xA1.bin";
const std::wstring kDataStrOfFourBytes = L"-l datastr -i bytes -n 4 -a 0 -s 4 ";

std::wstring directoryOfThisProgram() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

bool writeWholeFile(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return wrote && written == text.size();
}

// The whole file, or "(missing)" when it can't be opened.
std::string readWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(missing)";
    std::string text(4096, '\0');
    DWORD got = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(file);
    text.resize(got);
    return text;
}

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
    std::string errors;
};

class CliUnicodeNames : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temporary[MAX_PATH + 1];
        ASSERT_NE(GetTempPathW(MAX_PATH + 1, temporary), 0u);
        directory_ = std::wstring(temporary) + L"zemrik-unicode-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(directory_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(writeWholeFile(directory_ + kInput, "\xDE\xAD\xBE\xEF"));
    }
    void TearDown() override {
        for (const std::wstring& name : {kInput, kTable, std::wstring(L"output.txt"), std::wstring(L"errors.txt")}) {
            DeleteFileW((directory_ + name).c_str());
        }
        RemoveDirectoryW(directory_.c_str());
    }

    // Runs zemrik-cli.exe in the test's directory with `arguments`, its
    // standard output and error in files there.
    Outcome run(const std::wstring& arguments) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        const std::wstring outputPath = directory_ + L"output.txt";
        const std::wstring errorsPath = directory_ + L"errors.txt";
        HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE errors = CreateFileW(errorsPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output;
        startup.hStdError = errors;
        const std::wstring program = directoryOfThisProgram() + L"zemrik-cli.exe";
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        PROCESS_INFORMATION process{};
        Outcome outcome;
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, directory_.c_str(),
                           &startup, &process)) {
            WaitForSingleObject(process.hProcess, 60000);
            GetExitCodeProcess(process.hProcess, &outcome.exitCode);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        } else {
            ADD_FAILURE() << "zemrik-cli.exe did not start: " << GetLastError();
        }
        CloseHandle(output);
        CloseHandle(errors);
        outcome.output = readWholeFile(outputPath);
        outcome.errors = readWholeFile(errorsPath);
        return outcome;
    }

    std::wstring directory_;
};

TEST_F(CliUnicodeNames, InputIsReadByItsName) {
    const Outcome outcome = run(kDataStrOfFourBytes + kInput);
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(outcome.output, "DEADBEEF");
}

TEST_F(CliUnicodeNames, OutputFileIsWrittenUnderItsName) {
    const Outcome outcome = run(kDataStrOfFourBytes + L"-o " + kTable + L" " + kInput);
    EXPECT_EQ(outcome.errors, "");
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_EQ(readWholeFile(directory_ + kTable), "DEADBEEF");
}

// Away from a console the names in messages are UTF-8; standard error, in
// text mode, ends its lines in CR LF.
TEST_F(CliUnicodeNames, MessagesNameTheFileInUtf8) {
    Outcome outcome = run(kDataStrOfFourBytes + kMissing);
    EXPECT_EQ(outcome.exitCode, 1u);
    const std::string cannotOpen = "Can't open file !\r\nzemrik-cli: " + kMissingUtf8 + ": ";
    EXPECT_EQ(outcome.errors.substr(0, cannotOpen.size()), cannotOpen) << outcome.errors;

    outcome = run(kDataStrOfFourBytes + L"-o " + kInput + L" " + kInput);
    EXPECT_EQ(outcome.exitCode, 1u);
    EXPECT_EQ(outcome.errors, "zemrik-cli: -o " + kInputUtf8 + " is the input file " + kInputUtf8 +
                                  ": the table would take the place of its input\r\n");
    EXPECT_EQ(readWholeFile(directory_ + kInput), "\xDE\xAD\xBE\xEF");
}

}  // namespace
}  // namespace zemrik
