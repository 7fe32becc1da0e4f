// The input's first 8 bytes are a virtual address and the next 4 a length
// (little-endian), the rest is the file. The image reader must never read
// outside the file's bytes, which sit in a heap block of exactly their size;
// every file offset it answers, for the address given or for any section or
// symbol it reported, must lie inside the file with all its bytes. The
// separate debug file's link and build-id, and a PE's debug sections, are read
// from the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "fuzz/FuzzSupport.h"
#include "image/DebugLinks.h"
#include "image/DebugSections.h"
#include "image/ExecutableImage.h"

namespace {

using zemrik::fuzz::check;
namespace image = zemrik::image;

constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kLargestImage = 1 << 20;
// Enough sections and symbols to query, however many a file declares.
constexpr std::size_t kQueriesPerKind = 64;

// When the range is answered, reads its first and last byte, so that
// AddressSanitizer reports an answer past the file.
void touch(std::span<const std::uint8_t> file, const image::OffsetOrRefusal& offset, std::uint64_t length) {
    if (!offset) return;
    check(*offset <= file.size() && length <= file.size() - *offset, "answered a range outside the file");
    if (length == 0) return;
    volatile std::uint8_t touched = file[static_cast<std::size_t>(*offset)];
    touched = file[static_cast<std::size_t>(*offset + length - 1)];
    (void)touched;
}

void query(const image::ExecutableImage& found, std::span<const std::uint8_t> file, std::uint64_t address,
           std::uint64_t length) {
    touch(file, image::fileOffsetOf(found, address, length), length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderSize || size - kHeaderSize > kLargestImage) return -1;
    zemrik::fuzz::InputReader input(data, size);
    const std::uint64_t address = input.u32() | std::uint64_t{input.u32()} << 32;
    const std::uint32_t length = input.u32();
    const std::size_t fileSize = size - kHeaderSize;
    const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[fileSize]);
    std::memcpy(bytes.get(), data + kHeaderSize, fileSize);
    const std::span<const std::uint8_t> file(bytes.get(), fileSize);

    if (const auto links = image::readDebugLinks(file)) {
        check(links->buildId.size() <= fileSize && (!links->link || links->link->fileName.size() < fileSize),
              "a debug link longer than the file");
    }

    if (const auto debug = image::readPeDebugSections(file)) {
        for (const image::DebugSection& section : debug->sections) {
            check(section.size != 0 && section.fileOffset <= fileSize && section.size <= fileSize - section.fileOffset,
                  "a debug section outside the file");
        }
    }

    const image::ImageOrDefect sectionsOnly = image::readExecutableImage(file, image::SymbolReading::Skip);
    const image::ImageOrDefect withSymbols = image::readExecutableImage(file, image::SymbolReading::Read);
    // Symbols only add to what is read: a file refused without them is refused with them.
    check(sectionsOnly || !withSymbols, "reading the symbols accepted a file refused without them");
    if (!sectionsOnly) return 0;
    const image::ExecutableImage& found = *sectionsOnly;
    check(found.fileSize == fileSize, "the image's size is not the file's");
    if (withSymbols) check(withSymbols.value().sections.size() == found.sections.size(), "sections differ");

    query(found, file, address, length);
    for (std::size_t index = 0; index < found.sections.size() && index < kQueriesPerKind; ++index) {
        const image::ImageSection& section = found.sections[index];
        query(found, file, section.address, section.fileSize);
        query(found, file, section.address + length % (section.memorySize + 1), 1);
    }
    if (!withSymbols) return 0;
    const auto& symbols = withSymbols.value().symbols;
    for (std::size_t index = 0; index < symbols.size() && index < kQueriesPerKind; ++index) {
        const image::ImageSymbol& symbol = symbols[index];
        const std::uint64_t symbolLength = symbol.size.value_or(length);
        query(found, file, symbol.address, symbolLength);
        // Objects and archives answer through the symbol's own section.
        touch(file, image::symbolFileOffset(withSymbols.value(), symbol, symbolLength), symbolLength);
        if (symbol.fileOffset) touch(file, *symbol.fileOffset, 1);
    }
    return 0;
}
