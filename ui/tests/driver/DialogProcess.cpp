#include "ui/tests/driver/DialogProcess.h"

#include <array>
#include <cstdlib>
#include <stdexcept>

#include "ui/tests/driver/DialogDriver.h"
#include "zemrik/Version.h"

namespace zemrik::dialogtest {
namespace {

constexpr const char* kDialogTitlePrefix = "Zemrik  v" ZEMRIK_VERSION;

struct DialogSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchMainDialog(HWND window, LPARAM argument) {
    auto& search = *reinterpret_cast<DialogSearch*>(argument);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (processId != search.processId || std::string(className) != "#32770") return TRUE;
    if (windowText(window).rfind(kDialogTitlePrefix, 0) != 0 || !IsWindowVisible(window)) return TRUE;
    search.found = window;
    return FALSE;
}

HWND findMainDialog(DWORD processId) {
    DialogSearch search{processId, nullptr};
    EnumWindows(&matchMainDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::string programPath() {
    if (const char* configured = std::getenv("ZEMRIK_EXE"); configured != nullptr && *configured != '\0') {
        return configured;
    }
    std::array<char, MAX_PATH> driver{};
    GetModuleFileNameA(nullptr, driver.data(), static_cast<DWORD>(driver.size()));
    std::string path = driver.data();
    path.erase(path.find_last_of("\\/") + 1);
    return path + "..\\app\\zemrik.exe";
}

DialogProcess::DialogProcess(const std::string& workingDirectory) {
    const std::string program = programPath();
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingDirectory.c_str(), &startup, &started)) {
        throw std::runtime_error("cannot start " + program);
    }
    process_ = platform::HandleOwner(started.hProcess);
    const platform::HandleOwner thread(started.hThread);
    processId_ = started.dwProcessId;
    threadId_ = started.dwThreadId;
    if (!waitUntil([&] { return (dialog_ = findMainDialog(processId_)) != nullptr; }, kLongWait)) {
        TerminateProcess(process_.get(), 1);
        throw std::runtime_error("the dialog of " + program + " did not show");
    }
}

DialogProcess::~DialogProcess() {
    if (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    }
    if (!waitForExit(kShortWait)) TerminateProcess(process_.get(), 1);
}

std::optional<DWORD> DialogProcess::waitForExit(DWORD timeoutMs) {
    if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace zemrik::dialogtest
