// SeparateDebugFile: an image's debug info kept in a file of its own, found
// through the image's .gnu_debuglink or build-id, and refused when it comes
// from another build; the bytes DebugInfo::open then reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Expected.h"
#include "debuginfo/DebugInfo.h"
#include "debuginfo/TableShape.h"
#include "image/DebugLinks.h"
#include "platform/MappedFile.h"

namespace zemrik::debuginfo {

inline constexpr std::string_view kDefaultDebugDirectory = "/usr/lib/debug";

// Where the debug info comes from, as the command line says.
struct DebugFileChoice {
    std::optional<std::string> debugFile;                // this file, still checked against the image
    std::string debugDirectory{kDefaultDebugDirectory};  // the debug folder searched
};

// The paths a separate debug file may have, in the order they are tried:
// through .gnu_debuglink's name (a plain file name only) beside the image,
// in its .debug folder and under the debug folder at the image's own folder;
// then through a build-id of 2 bytes or more, DIR/.build-id/xx/yyyy.debug.
// `imageDirectory` is absolute; nothing when unknown (standard input).
[[nodiscard]] std::vector<std::string> debugFileCandidates(const image::DebugLinks& links,
                                                           const std::optional<std::string>& imageDirectory,
                                                           std::string_view debugDirectory);

// Whether `debugFile` (called `path` in the reason) comes from the image's
// build: both build-ids equal when both have one, and the CRC-32 of all its
// bytes what the image's .gnu_debuglink says when it has one. A refusal
// (RefusalKind::DebugFileRefused) gives both numbers.
[[nodiscard]] Expected<void, Refusal> checkDebugFile(std::span<const std::uint8_t> debugFile,
                                                     const image::DebugLinks& links, std::string_view path);

// The bytes to read debug info from: the image's own, or a separate debug
// file's, mapped read-only for as long as this lives.
class DebugInfoSource {
public:
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    // The separate debug file's path; empty when the bytes are the image's.
    const std::string& debugFilePath() const { return path_; }

    static DebugInfoSource ofImage(std::span<const std::uint8_t> image) { return DebugInfoSource(image, {}, {}); }
    static DebugInfoSource ofDebugFile(platform::MappedFile mapped, std::string path) {
        const auto bytes = mapped.bytes();
        return DebugInfoSource(bytes, std::move(mapped), std::move(path));
    }

private:
    DebugInfoSource(std::span<const std::uint8_t> bytes, std::optional<platform::MappedFile> mapped, std::string path)
        : mapped_(std::move(mapped)), bytes_(bytes), path_(std::move(path)) {}

    std::optional<platform::MappedFile> mapped_;
    std::span<const std::uint8_t> bytes_;
    std::string path_;
};

// Where the debug info of the image at `imagePath` ("-": standard input),
// whose bytes are `image`, is to be read: the file --debug-file names,
// else the image itself when it has DWARF, else the first candidate that
// exists and passes checkDebugFile. NoDebugInfo when none exists, naming
// the places looked in; DebugFileRefused when the file given, or every one
// found, can't be read or is of another build, each with its reason.
[[nodiscard]] Expected<DebugInfoSource, Refusal> debugInfoSource(const std::string& imagePath,
                                                                 std::span<const std::uint8_t> image,
                                                                 const DebugFileChoice& choice);

// DebugInfo::open over what debugInfoSource finds for the image: the one
// call a front end makes, with debugInfoSource's refusals.
[[nodiscard]] Expected<DebugInfo, Refusal> openDebugInfo(const std::string& imagePath,
                                                         std::span<const std::uint8_t> image,
                                                         const DebugFileChoice& choice);

}  // namespace zemrik::debuginfo
