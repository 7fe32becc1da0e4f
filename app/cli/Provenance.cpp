#include "app/cli/Provenance.h"

#include <cstdio>
#include <vector>

#include "hash/Sha256.h"

namespace zemrik::cli {
namespace {

// Hex as a reader of source code takes it: 0x, upper-case digits.
std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

Expected<FileDigest, std::string> digestFile(platform::File& file, const std::string& name) {
    // A file of hundreds of MB hashes through one buffer of this size.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::vector<std::uint8_t> buffer(kPiece);
    hash::Sha256 hasher;
    FileDigest digest;
    for (;;) {
        const auto read = file.readAt(digest.length, buffer.data(), buffer.size());
        if (!read) return failure("cannot read " + name + " for its SHA-256: " + read.error().describe());
        if (*read == 0) break;
        hasher.update(std::span(buffer.data(), *read));
        digest.length += *read;
    }
    digest.sha256 = hash::hexDigest(hasher.finish());
    return digest;
}

std::string provenanceComment(CliLanguage language, std::string_view fileName, const FileDigest& digest,
                              const TablePlace& place, std::string_view lineBreak) {
    const std::string comment = std::string(languageRow(language).lineComment) + " ";
    std::string where;
    if (!place.section.empty()) where = "section " + place.section + ", ";
    if (place.virtualAddress) where += "virtual address " + hex(*place.virtualAddress) + ", ";
    where += "file offset " + hex(place.fileOffset) + ", size " + hex(place.size);
    std::string text = comment;
    text += fileName;
    text += ", SHA-256 ";
    text += digest.sha256;
    text += lineBreak;
    text += comment;
    text += where;
    text += lineBreak;
    return text;
}

}  // namespace zemrik::cli
