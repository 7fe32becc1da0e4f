// PlatformTest: the fixture of the platform layer's tests, a directory of its
// own with no fault armed before or after, and what the tests of every unit
// share: the system's codes they expect and the failure of a result.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/FaultInjection.h"
#include "platform/SystemError.h"
#include "testing/TestFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace zemrik::platform {

namespace fs = std::filesystem;
using test::Bytes;
using test::countingBytes;

#ifdef _WIN32
constexpr std::uint32_t kFileNotFound = ERROR_FILE_NOT_FOUND;
constexpr std::uint32_t kPathNotFound = ERROR_PATH_NOT_FOUND;
constexpr std::uint32_t kDirectoryRefused = ERROR_ACCESS_DENIED;
inline const SystemError kInUse = SystemError::fromCode(ERROR_SHARING_VIOLATION);
#else
constexpr std::uint32_t kFileNotFound = ENOENT;
constexpr std::uint32_t kPathNotFound = ENOENT;
constexpr std::uint32_t kDirectoryRefused = EISDIR;
inline const SystemError kInUse = SystemError::ours(SystemError::Ours::InUse);
#endif

template <class T>
std::optional<SystemError> failureOf(const SystemResult<T>& result) {
    if (result) return std::nullopt;
    return result.error();
}

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { clearFaults(); }
    void TearDown() override { clearFaults(); }

    std::string pathOf(const std::string& name) const { return temporary_.pathOf(name); }
    std::string write(const std::string& name, const Bytes& bytes) const { return temporary_.write(name, bytes); }
    void writeText(const std::string& name, const std::string& text) const { std::ofstream(directory_ / name) << text; }
    std::string read(const std::string& name) const { return test::readWholeFile(directory_ / name); }
    static Bytes contents(const std::string& path) {
        const std::string text = test::readWholeFile(path);
        return Bytes(text.begin(), text.end());
    }

private:
    test::TempDirectory temporary_{"zemrik_platform"};

protected:
    const fs::path directory_ = temporary_.directory();
};

}  // namespace zemrik::platform
