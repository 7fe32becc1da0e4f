#include "app/cli/CliRequestSource.h"

#include <cinttypes>
#include <span>
#include <string_view>

#include "app/cli/CliTypedTable.h"
#include "app/cli/Console.h"
#include "app/cli/FieldDefaults.h"
#include "platform/MappedFile.h"
#include "run/FieldConversion.h"
#include "run/ImageAddress.h"
#include "run/RunMessages.h"

namespace zemrik::cli {
namespace {

struct OptionHint {
    std::string_view message;
    std::string_view hint;
};

// The refusals whose text names a field of the dialog with the option that
// sets it. A zero can only be the size: -n refuses 0 itself.
constexpr OptionHint kOptionHints[] = {
    {messages::kMissingSize, "give the table's size in bytes with -s/--size HEX"},
    {messages::kMissingOffset, "give the table's address with -a/--address HEX, --va HEX or --symbol NAME"},
    {messages::kZero, "the table's size (-s/--size) is 0"},
};

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%" PRIX64, value);
    return text;
}

// The dialog's names for u8 to u64, the type names for the others.
std::string_view itemsName(typed::ElementType type) {
    constexpr std::string_view kUnsignedNames[] = {"bytes", "words", "dwords", "qwords"};
    if (type <= typed::ElementType::U64) return kUnsignedNames[typed::indexOf(type)];
    return typed::typeName(type);
}

// The widest element of the same kind that divides the size: the -i that
// fits it; bytes when no float does.
typed::ElementType widestDividing(typed::ElementType selected, std::uint32_t size) {
    using typed::ElementType;
    constexpr ElementType kWidestFirst[][4] = {
        {ElementType::U64, ElementType::U32, ElementType::U16, ElementType::U8},
        {ElementType::I64, ElementType::I32, ElementType::I16, ElementType::I8},
        {ElementType::F64, ElementType::F32, ElementType::U8, ElementType::U8},
    };
    for (const ElementType type : kWidestFirst[static_cast<std::size_t>(typed::kindOf(selected))]) {
        if (size % typed::byteWidth(type) == 0) return type;
    }
    return ElementType::U8;
}

// The format, the image base and the translation of the address, read from
// a view of the input; nothing of what can't be read.
CliRequestSource::ImageFacts examineImage(const platform::File& file, const std::string& addressText) {
    CliRequestSource::ImageFacts facts;
    const auto mapped = platform::MappedFile::map(file, nullptr);
    if (!mapped) return facts;
    const std::span<const std::uint8_t> bytes = mapped->bytes();
    if (const auto image = image::readExecutableImage(bytes, image::SymbolReading::Skip)) {
        facts.format = image->format;
        facts.imageBase = image->imageBase;
    }
    if (const auto address = convertHexField(addressText)) {
        if (const Translation offset = image::translateDialogRva(bytes, *address)) facts.offset = *offset;
    }
    return facts;
}

}  // namespace

platform::SystemResult<platform::File> CliRequestSource::openInputFile() {
    platform::SystemResult<platform::File> input = [this]() -> platform::SystemResult<platform::File> {
        if (input_) {
            // Handed over once: a run owns its input file.
            platform::File file = std::move(*input_);
            input_.reset();
            return file;
        }
        return RequestSource::openInputFile();
    }();
    if (!input) return input;
    // The default size and the hints need the size; a failure to read it is
    // the request's to report.
    if (const auto size = input->size32()) fileSize_ = *size;
    if (options_.rva) image_ = examineImage(*input, options_.address);
    return input;
}

// The Items list's entry; a typed table has none, its type stands in.
int CliRequestSource::itemsSelection() {
    const std::optional<ElementSize> entry = itemsEntryOf(options_.items);
    return entry ? static_cast<int>(typed::indexOf(options_.items)) : -1;
}

std::optional<TypedChoice> CliRequestSource::typedChoice() { return typedChoiceOf(options_); }

int CliRequestSource::languageSelection() { return static_cast<int>(requestLanguage(options_.language)); }

std::string CliRequestSource::fieldText(NumberField field) {
    switch (field) {
    case NumberField::TableSize: return tableSizeText_ = tableSizeField(options_, sizeDefault_, fileSize_.value_or(0));
    case NumberField::Address: return addressField(options_);
    case NumberField::ItemsPerLine: return itemsPerLineField(options_);
    }
    return {};
}

bool CliRequestSource::isChecked(CheckBox box) {
    switch (box) {
    case CheckBox::DumpToFile: return options_.dumpToFile;
    case CheckBox::Decimal: return options_.decimal;
    case CheckBox::Rva: return options_.rva;
    }
    return false;
}

// Asked for once the fields have passed their checks, so the size is known.
const OutputStyle* CliRequestSource::ownStyle() {
    StyleChoice choice = styleChoice_;
    choice.elementCount = convertHexField(tableSizeText_).value_or(0) / printedElementWidth(options_);
    style_.emplace(choice);
    return &style_->row();
}

// The File box only ever changes to report that the file could not be used.
void CliRequestSource::setFileBoxText(const std::string& text, const FileFailure& failure) {
    std::fprintf(errors_, "%s\n", text.c_str());
    printReasonLine(errors_, failure);
}

void CliRequestSource::showMessage(const std::string& text, const std::string&, MessageIcon) {
    std::fprintf(errors_, "%s\n", text.c_str());
    if (const std::optional<std::string> hint = hintFor(text)) std::fprintf(errors_, "zemrik-cli: %s\n", hint->c_str());
}

// The second line of a refusal: what the numbers were, or which option to use.
std::optional<std::string> CliRequestSource::hintFor(const std::string& message) const {
    const std::uint32_t size = convertHexField(tableSizeText_).value_or(0);
    const std::string fileSize = hex(fileSize_.value_or(0));
    const bool sizeDefaulted = tableSizeDefaults(options_, sizeDefault_);
    if (message == messages::kNotDivisible) {
        const typed::ElementType selected = options_.items;
        return std::string(sizeDefaulted ? "the rest of the file, " : "the table's size, ") + hex(size) +
               " bytes, is no multiple of " + std::to_string(typed::byteWidth(selected)) + ", the size of " +
               std::string(itemsName(selected)) + ": -i " + std::string(itemsName(widestDividing(selected, size))) +
               " fits";
    }
    if (message == messages::kZero && sizeDefaulted) {
        return "the address " + hex(convertHexField(addressField(options_)).value_or(0)) +
               " leaves nothing of the file (" + fileSize + " bytes) for the table";
    }
    if (message == messages::kBiggerThanFile) {
        const std::optional<std::uint32_t> offset =
            options_.rva ? image_.offset : convertHexField(addressField(options_));
        if (!offset) return std::nullopt;
        return std::string(options_.rva ? "file offset " : "offset ") + hex(*offset) + " + size " + hex(size) + " = " +
               hex(std::uint64_t{*offset} + size) + ", past the file's size " + fileSize;
    }
    if (message == refusalMessage(TranslationRefusal::NotPe32Image) && image_.imageBase) {
        return "--rva reads PE32 images only; for this PE32+ image give the virtual address with --va HEX (its image "
               "base is " +
               hex(*image_.imageBase) + ")";
    }
    const bool isElf = image_.format == image::ImageFormat::Elf32 || image_.format == image::ImageFormat::Elf64;
    if (message == refusalMessage(TranslationRefusal::NotPeFile) && isElf) {
        return "--rva is for PE32 images; this is an ELF image: give its virtual address with --va HEX";
    }
    for (const OptionHint& hint : kOptionHints) {
        if (hint.message != message) continue;
        // The image that gave the address says why it gave no size.
        if (message == messages::kMissingSize && !options_.missingSizeHint.empty()) return options_.missingSizeHint;
        return std::string(hint.hint);
    }
    return std::nullopt;
}

}  // namespace zemrik::cli
