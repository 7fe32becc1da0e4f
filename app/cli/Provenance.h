// --provenance: the comment before a declaration that says which file its
// bytes came from (named and identified by SHA-256) and where in it they lie.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/cli/CliStyle.h"
#include "base/Expected.h"
#include "platform/File.h"

namespace zemrik::cli {

// The file's SHA-256 in lower-case hex, read in bounded pieces, and its
// length; a failed read comes back as its message.
struct FileDigest {
    std::string sha256;
    std::uint64_t length = 0;
};
[[nodiscard]] Expected<FileDigest, std::string> digestFile(platform::File& file, const std::string& name);

// Where a table lies: the section and virtual address in an image (an
// object's sections have none), or only the offset in a plain file.
struct TablePlace {
    std::string section;  // empty: not in an image
    std::optional<std::uint64_t> virtualAddress;
    std::uint64_t fileOffset = 0;
    std::uint64_t size = 0;
};

// The comment's lines in the language's comment syntax, each ending in
// `lineBreak`.
std::string provenanceComment(CliLanguage language, std::string_view fileName, const FileDigest& digest,
                              const TablePlace& place, std::string_view lineBreak);

}  // namespace zemrik::cli
