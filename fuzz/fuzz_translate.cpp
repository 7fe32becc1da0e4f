// The input's first four bytes are a virtual address (little-endian), the
// rest is the file. Translation must never read outside the file; an offset
// it accepts for a one-byte table must let both walks print exactly that byte
// while reading nothing but it. For an image of the standard PE32 layout the
// result must equal a plain reading of the translation rules written out below.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/OutputStyle.h"
#include "fuzz/FuzzSupport.h"
#include "run/ImageAddress.h"

namespace {

using zemrik::fuzz::check;

constexpr std::size_t kLargestImage = 64 * 1024;

// Serves the one table byte and aborts on any access outside it: the walks
// must read the table and nothing else.
class TableByteSource : public zemrik::ByteSource {
public:
    TableByteSource(const std::uint8_t* image, std::uint32_t offset)
        : image_(image), offset_(offset), position_(offset) {}

    bool seek(std::uint32_t offset) override {
        check(offset == offset_, "walk sought outside its table");
        position_ = offset;
        return true;
    }
    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        check(position_ == offset_ && length == 1, "walk read outside its table");
        *destination = image_[position_];
        ++position_;
        return 1;
    }

private:
    const std::uint8_t* image_;
    std::uint32_t offset_;
    std::uint32_t position_;
};

std::string walkOneByte(const std::uint8_t* image, std::uint32_t offset, zemrik::Language language,
                        zemrik::ByteOrder order) {
    const bool reversed = language == zemrik::Language::DataStr && order == zemrik::ByteOrder::BigEndian;
    zemrik::TableLayout layout;
    layout.offset = offset;
    layout.tableSize = 1;
    layout.language = language;
    layout.itemsPerLine = 1;
    layout.bigEndian = order == zemrik::ByteOrder::BigEndian;
    const zemrik::OutputStyle& style = zemrik::styleRow(language, zemrik::StyleColumn::ByteHex);
    zemrik::fuzz::ExactStorage storage(256);
    zemrik::OutputBuffer buffer(storage.data(), storage.capacity(), &storage);
    TableByteSource source(image, offset);
    zemrik::fuzz::CheckedProgress progress;
    const zemrik::WalkOutcome outcome = reversed ? zemrik::renderReversed(layout, style, source, buffer, progress)
                                                 : zemrik::renderForward(layout, style, source, buffer, progress);
    check(outcome == zemrik::WalkOutcome::Complete, "one-byte walk did not complete");
    return std::string(buffer.text());
}

void checkWalksAt(const std::uint8_t* image, std::uint32_t offset) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", image[offset]);
    check(walkOneByte(image, offset, zemrik::Language::DataStr, zemrik::ByteOrder::BigEndian) == digits,
          "reversed walk printed another byte");
    check(walkOneByte(image, offset, zemrik::Language::DataStr, zemrik::ByteOrder::LittleEndian) == digits,
          "forward walk printed another byte");
    check(walkOneByte(image, offset, zemrik::Language::C, zemrik::ByteOrder::LittleEndian)
              .ends_with(std::string("0x") + digits + " };"),
          "C walk printed another byte");
}

bool contains(std::span<const std::uint8_t> image, std::uint64_t at, std::uint64_t length) {
    return at <= image.size() && length <= image.size() - at;
}

std::optional<std::uint32_t> readLe(std::span<const std::uint8_t> image, std::uint64_t at, unsigned width) {
    if (!contains(image, at, width)) return std::nullopt;
    std::uint32_t value = 0;
    for (unsigned k = 0; k < width; ++k) value |= std::uint32_t{image[at + k]} << (8 * k);
    return value;
}

struct Reference {
    bool standardLayout = false;  // optional header of 0xE0 bytes, PE32 magic
    zemrik::Translation result = zemrik::Translation::failure(zemrik::TranslationRefusal::NotPeFile);
};

// The rules, read the plain way: MZ, "PE\0\0" at e_lfanew, ImageBase at +0x34, the
// section table at +0xF8; headers below the first section; else the first
// section whose end is not below the address, refused when that section has
// no file data there. A field outside the file, or an address past every
// section, is refused.
Reference referenceTranslation(std::span<const std::uint8_t> image, std::uint32_t address) {
    using zemrik::Translation;
    using zemrik::TranslationRefusal;
    Reference reference;
    const auto lfanew = readLe(image, 0x3C, 4);
    if (readLe(image, 0, 2) != 0x5A4Du || !lfanew || readLe(image, *lfanew, 4) != 0x00004550u) return reference;
    const auto sectionCount = readLe(image, std::uint64_t{*lfanew} + 6, 2);
    const auto optionalHeaderSize = readLe(image, std::uint64_t{*lfanew} + 20, 2);
    const auto magic = readLe(image, std::uint64_t{*lfanew} + 24, 2);
    const auto imageBase = readLe(image, std::uint64_t{*lfanew} + 0x34, 4);
    reference.standardLayout = optionalHeaderSize == 0xE0u && magic == 0x10Bu;
    if (!reference.standardLayout || !sectionCount || !imageBase) return reference;
    if (address < *imageBase) {
        reference.result = Translation::failure(TranslationRefusal::BelowImageBase);
        return reference;
    }
    const std::uint32_t headerOffset = address - *imageBase;
    if (*sectionCount == 0) {
        reference.result = headerOffset;
        return reference;
    }
    const std::uint64_t table = std::uint64_t{*lfanew} + 0xF8;
    for (std::uint32_t index = 0; index < *sectionCount; ++index) {
        const std::uint64_t header = table + 40 * index;
        if (!contains(image, header, 40)) return reference;
        const std::uint32_t virtualSize = *readLe(image, header + 8, 4);
        const std::uint32_t virtualAddress = *readLe(image, header + 12, 4);
        const std::uint32_t rawData = *readLe(image, header + 20, 4);
        if (index == 0 && address < std::uint64_t{*imageBase} + virtualAddress) {
            reference.result = headerOffset;
            return reference;
        }
        if (std::uint64_t{*imageBase} + virtualAddress + virtualSize >= address) {
            const std::uint32_t rawSize = *readLe(image, header + 16, 4);
            const std::int64_t intoSection = std::int64_t{address} - *imageBase - virtualAddress;
            // An address in the gap before the section has no bytes in the file either.
            if (rawSize == 0 || rawData == 0 || intoSection < 0 || intoSection > rawSize) {
                reference.result = Translation::failure(TranslationRefusal::NoFileData);
            } else {
                reference.result = address - *imageBase - virtualAddress + rawData;
            }
            return reference;
        }
    }
    reference.result = Translation::failure(TranslationRefusal::BeyondLastSection);
    return reference;
}

void compareWithReference(std::span<const std::uint8_t> image, std::uint32_t address,
                          const zemrik::Translation& actual) {
    const Reference reference = referenceTranslation(image, address);
    if (!reference.standardLayout) return;
    check(actual.hasValue() == reference.result.hasValue(), "translation accepted what the rules refuse, or not");
    if (actual) {
        check(*actual == *reference.result, "translation gave another offset");
    } else {
        check(actual.error() == reference.result.error(), "translation refused with another reason");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4 || size - 4 > kLargestImage) return -1;
    zemrik::fuzz::InputReader input(data, size);
    const std::uint32_t address = input.u32();
    const std::size_t imageSize = size - 4;
    // Exactly the file's bytes on the heap, so a read past them is reported.
    const std::unique_ptr<std::uint8_t[]> image(new std::uint8_t[imageSize]);
    std::memcpy(image.get(), data + 4, imageSize);
    const std::span<const std::uint8_t> view(image.get(), imageSize);

    const zemrik::Translation translation = zemrik::image::translateDialogRva(view, address);
    compareWithReference(view, address, translation);
    if (translation && std::uint64_t{*translation} + 1 <= imageSize) checkWalksAt(image.get(), *translation);
    return 0;
}
