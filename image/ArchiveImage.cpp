// Reads an `ar` archive (a static library, or an import library of the PE
// toolchains) as one image made of the objects its members hold.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/FormatReaders.h"

namespace zemrik::image {
namespace {

constexpr std::string_view kMagic = "!<arch>\n";
constexpr std::string_view kThinMagic = "!<thin>\n";

// One member header: the fields this reader uses, and their widths.
constexpr std::uint64_t kHeaderSize = 60;
constexpr std::size_t kNameWidth = 16;
constexpr std::uint64_t kSizePosition = 48;
constexpr std::size_t kSizeWidth = 10;
constexpr std::uint64_t kEndMarkPosition = 58;
constexpr std::string_view kEndMark = "`\n";

// GNU and the PE toolchains: "//" holds the long names, "/123" names the
// one at offset 123 in it. BSD: "#1/20" says the name's 20 bytes open the data.
constexpr std::string_view kLongNameTable = "//";
constexpr std::string_view kBsdNamePrefix = "#1/";
// The symbol indexes ("/", "/SYM64/", "__.SYMDEF"...) hold no object.
constexpr std::string_view kBsdSymbolIndex = "__.SYMDEF";

std::string_view fieldText(const FieldReader& file, std::uint64_t position, std::size_t width) {
    // The whole header was checked to lie inside the file.
    std::string_view text = *file.paddedName(position, width);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// A decimal field of digits only: nothing else, and no overflow.
std::optional<std::uint64_t> decimal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

struct Member {
    std::string name;  // empty for the archive's own tables
    std::uint64_t dataOffset;
    std::uint64_t dataSize;
};

using MemberOrDefect = Expected<Member, ImageDefect>;

class ArchiveReader {
public:
    ArchiveReader(const FieldReader& file, SymbolReading symbols) : file_(file), symbols_(symbols) {
        image_.format = ImageFormat::Archive;
        image_.addresses = AddressSpace::SectionRelative;
        image_.fileSize = file.size();
    }

    ImageOrDefect read() {
        std::uint64_t position = kMagic.size();
        while (position < file_.size()) {
            const MemberOrDefect member = readMember(position);
            if (!member) return failure(member.error());
            if (!member->name.empty()) {
                if (auto defect = addObject(*member)) return failure(*defect);
            }
            // Each member's data is padded to an even length; the last pad may be missing.
            const std::uint64_t end = member->dataOffset + member->dataSize;
            position = end + (end & 1);
        }
        return std::move(image_);
    }

private:
    MemberOrDefect readMember(std::uint64_t header) {
        if (!file_.contains(header, kHeaderSize)) return failure(ImageDefect::ArchiveMemberCut);
        if (*file_.paddedName(header + kEndMarkPosition, kEndMark.size()) != kEndMark) {
            return failure(ImageDefect::ArchiveHeader);
        }
        const std::optional<std::uint64_t> size = decimal(fieldText(file_, header + kSizePosition, kSizeWidth));
        if (!size) return failure(ImageDefect::ArchiveHeader);
        Member member{{}, header + kHeaderSize, *size};
        if (!file_.contains(member.dataOffset, member.dataSize)) {
            return failure(ImageDefect::ArchiveMemberCut);
        }
        const std::string_view written = fieldText(file_, header, kNameWidth);
        if (written == kLongNameTable) {
            longNames_ = member;
            return member;
        }
        if (written.starts_with(kBsdNamePrefix)) return bsdNamed(member, written.substr(kBsdNamePrefix.size()));
        if (written.starts_with('/')) {
            // "/" followed by digits names a long name; any other "/..." is an index.
            const std::optional<std::uint64_t> offset = decimal(written.substr(1));
            if (!offset) return member;
            const std::optional<std::string> name = longName(*offset);
            if (!name) return failure(ImageDefect::ArchiveLongName);
            member.name = *name;
            return member;
        }
        // GNU ends a short name with "/", which the name itself can't hold.
        member.name = written.ends_with('/') ? written.substr(0, written.size() - 1) : written;
        return member;
    }

    // The name's bytes come first in the data, and count in its size.
    MemberOrDefect bsdNamed(Member member, std::string_view lengthText) {
        const std::optional<std::uint64_t> length = decimal(lengthText);
        if (!length || *length > member.dataSize) return failure(ImageDefect::ArchiveHeader);
        const std::string_view name =
            *file_.paddedName(member.dataOffset, static_cast<std::size_t>(*length));  // inside the member
        member.dataOffset += *length;
        member.dataSize -= *length;
        if (!name.starts_with(kBsdSymbolIndex)) member.name = name;
        return member;
    }

    // GNU ends a long name with "/\n", the PE toolchains with a NUL.
    std::optional<std::string> longName(std::uint64_t offset) const {
        if (!longNames_ || offset >= longNames_->dataSize) return std::nullopt;
        const std::uint64_t start = longNames_->dataOffset + offset;
        const std::uint64_t end = longNames_->dataOffset + longNames_->dataSize;
        std::uint64_t stop = start;
        while (stop < end) {
            const std::uint8_t c = *file_.u8(stop);
            if (c == '\0' || c == '\n') break;
            ++stop;
        }
        std::string name(*file_.paddedName(start, static_cast<std::size_t>(stop - start)));
        if (name.ends_with('/')) name.pop_back();
        return name;
    }

    // A member that is no object (an import library's short import entry,
    // a text file) holds nothing to find; a broken object refuses the archive.
    std::optional<ImageDefect> addObject(const Member& member) {
        const FieldReader memberFile(*file_.slice(member.dataOffset, member.dataSize));  // checked when read
        if (hasArchiveMagic(memberFile)) return std::nullopt;
        ImageOrDefect object = readImageOf(memberFile, symbols_);
        if (!object) {
            if (object.error() == ImageDefect::NotAnImage) return std::nullopt;
            return object.error();
        }
        if (object->addresses != AddressSpace::SectionRelative) return std::nullopt;
        if (image_.sections.empty()) image_.byteOrder = object->byteOrder;

        const std::size_t firstSection = image_.sections.size();
        for (ImageSection& section : object->sections) {
            // Only the bytes inside the member are the section's: past them lies the next member.
            const std::uint64_t start = std::min(section.fileOffset, member.dataSize);
            section.fileSize = std::min(section.fileSize, member.dataSize - start);
            section.fileOffset = member.dataOffset + start;
            section.member = member.name;
            image_.sections.push_back(std::move(section));
        }
        for (ImageSymbol& symbol : object->symbols) {
            if (symbol.sectionIndex) *symbol.sectionIndex += firstSection;
            symbol.member = member.name;
            image_.symbols.push_back(std::move(symbol));
        }
        return std::nullopt;
    }

    const FieldReader& file_;
    SymbolReading symbols_;
    ExecutableImage image_;
    std::optional<Member> longNames_;
};

}  // namespace

bool hasArchiveMagic(const FieldReader& file) {
    if (!file.contains(0, kMagic.size())) return false;
    const std::string_view start = *file.paddedName(0, kMagic.size());
    return start == kMagic || start == kThinMagic;
}

ImageOrDefect readArchive(const FieldReader& file, SymbolReading symbols) {
    if (*file.paddedName(0, kThinMagic.size()) == kThinMagic) return failure(ImageDefect::ThinArchive);
    return ArchiveReader(file, symbols).read();
}

}  // namespace zemrik::image
