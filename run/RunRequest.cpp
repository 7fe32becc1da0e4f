#include "run/RunRequest.h"

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "run/FieldConversion.h"
#include "run/ImageAddress.h"
#include "run/RunMessages.h"

namespace zemrik {
namespace {

// The dialog reads a field into a buffer of 256 characters.
constexpr std::size_t kFieldTextLimit = 255;

using FieldConverter = std::optional<std::uint32_t> (*)(std::string_view);

struct FieldMessages {
    const char* missing;
    const char* unconvertible;
};

// The dialog's fields and lists, read in the order the checks refuse them,
// once each has passed its check.
struct CheckedFields {
    ElementSize elementSize;
    Language language;
    std::uint32_t tableSize;
    std::uint32_t offset;
    std::uint8_t itemsPerLine;
};

void refuse(RequestSource& source, std::string_view text) {
    source.showMessage(std::string(text), messages::kErrorCaption, MessageIcon::None);
}

std::string hexText(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(value));
    return text;
}

// A selection outside the list's entries can only come from a broken front
// end; it is refused like no selection rather than read as some other entry.
std::optional<ElementSize> elementSizeFromSelection(int index) {
    switch (index) {
    case 0: return ElementSize::Byte;
    case 1: return ElementSize::Word;
    case 2: return ElementSize::Dword;
    default: return std::nullopt;
    }
}

std::optional<Language> languageFromSelection(int index) {
    if (index < 0 || index > static_cast<int>(Language::DataStr)) return std::nullopt;
    return static_cast<Language>(index);
}

std::optional<std::uint32_t> readNumberField(RequestSource& source, NumberField field, FieldConverter convert,
                                             FieldMessages messages) {
    std::string text = source.fieldText(field);
    if (text.size() > kFieldTextLimit) text.resize(kFieldTextLimit);
    if (text.empty()) {
        refuse(source, messages.missing);
        return std::nullopt;
    }
    const std::optional<std::uint32_t> value = convert(text);
    if (!value) refuse(source, messages.unconvertible);
    return value;
}

std::optional<CheckedFields> checkFields(RequestSource& source, const std::optional<TypedChoice>& typedTable) {
    // A typed table's element type stands in for the Items list.
    const std::optional<ElementSize> elementSize =
        typedTable ? ElementSize::Byte : elementSizeFromSelection(source.itemsSelection());
    if (!elementSize) {
        refuse(source, messages::kNoElementSize);
        return std::nullopt;
    }
    const std::optional<Language> language = languageFromSelection(source.languageSelection());
    if (!language) {
        refuse(source, messages::kNoLanguage);
        return std::nullopt;
    }
    const std::optional<std::uint32_t> tableSize = readNumberField(
        source, NumberField::TableSize, convertHexField, {messages::kMissingSize, messages::kUnconvertibleSize});
    if (!tableSize) return std::nullopt;
    const std::optional<std::uint32_t> offset = readNumberField(
        source, NumberField::Address, convertHexField, {messages::kMissingOffset, messages::kUnconvertibleOffset});
    if (!offset) return std::nullopt;
    const std::optional<std::uint32_t> itemsEntered =
        readNumberField(source, NumberField::ItemsPerLine, convertDecimalField,
                        {messages::kMissingItemsPerLine, messages::kUnconvertibleItemsPerLine});
    if (!itemsEntered) return std::nullopt;

    const std::uint32_t elementWidth =
        typedTable ? typed::byteWidth(typedTable->options.type) : byteCount(*elementSize);
    if (*tableSize % elementWidth != 0) {
        refuse(source, messages::kNotDivisible);
        return std::nullopt;
    }
    const auto itemsPerLine = static_cast<std::uint8_t>(*itemsEntered);
    if (itemsPerLine == 0 || *tableSize == 0) {
        refuse(source, messages::kZero);
        return std::nullopt;
    }
    return CheckedFields{*elementSize, *language, *tableSize, *offset, itemsPerLine};
}

}  // namespace

std::optional<RunRequest> buildRunRequest(RequestSource& source) {
    std::string path = source.loadedPath();
    platform::SystemResult<platform::File> file = source.openInputFile();
    if (!file) {
        source.setFileBoxText(messages::kCannotOpenFile, {path, file.error()});
        return std::nullopt;
    }
    const platform::SystemResult<std::uint32_t> fileSize = file->size32();
    if (!fileSize) {
        // The file is closed here, so nothing after this could read from it.
        file->close();
        source.setFileBoxText(messages::kFileSizeFailed, {path, fileSize.error()});
        return std::nullopt;
    }
    source.setFileSizeBoxText(hexText(*fileSize));

    std::optional<TypedChoice> typedTable = source.typedChoice();
    const std::optional<CheckedFields> fields = checkFields(source, typedTable);
    if (!fields) return std::nullopt;

    // From here on the request owns the file, so every refusal closes it.
    RunRequest request;
    request.inputPath = std::move(path);
    request.inputFile = std::move(*file);
    request.fileSize = *fileSize;
    request.elementSize = fields->elementSize;
    request.language = fields->language;
    request.tableSize = fields->tableSize;
    request.offset = fields->offset;
    request.itemsPerLine = fields->itemsPerLine;
    request.dumpToFile = source.isChecked(CheckBox::DumpToFile);
    request.notation = source.isChecked(CheckBox::Decimal) ? Notation::Decimal : Notation::Hex;
    if (typedTable) {
        request.typedTable = std::move(typedTable);
        request.typedTable->options.tableSize = request.tableSize;
        request.typedTable->options.itemsPerLine = request.itemsPerLine;
        // Records and dimensions must fit the size the fields gave.
        if (const auto fits = typed::checkTypedOptions(*request.typedTable->row, request.typedTable->options); !fits) {
            refuse(source, fits.error());
            return std::nullopt;
        }
    } else {
        request.style = source.ownStyle();
    }
    // Data Str prints bytes whatever the Items list says.
    if (request.language == Language::DataStr) request.elementSize = ElementSize::Byte;

    if (source.isChecked(CheckBox::Rva)) {
        const Translation translation = translateImageAddress(request.inputFile, request.offset);
        if (!translation) {
            refuse(source, refusalMessage(translation.error()));
            return std::nullopt;
        }
        request.offset = *translation;
    }
    if (std::uint64_t{request.offset} + request.tableSize > request.fileSize) {
        refuse(source, messages::kBiggerThanFile);
        return std::nullopt;
    }
    return request;
}

}  // namespace zemrik
