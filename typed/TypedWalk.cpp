#include "typed/TypedWalk.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

namespace zemrik::typed {

namespace {

// An 8- or 16-bit element's prefix and literal fit a slot of this many
// characters in every row; a row whose don't prints them like wider elements.
constexpr std::size_t kSlotLength = 16;
constexpr std::uint32_t kWordTextsFrom = 1 << 15;
// Elements written per reservation of the output.
constexpr std::uint32_t kBatchElements = 1024;
constexpr std::size_t kBatchLength = std::size_t{1} << 16;

char* put(char* at, std::string_view text) {
    // An empty row text has no storage: memcpy must not see its null pointer.
    if (!text.empty()) std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

bool writeExactly(std::string_view text, TextOutput& output) {
    if (text.empty()) return true;
    char* const at = output.reserve(text.size());
    if (at == nullptr) return false;
    output.commit(put(at, text), CursorMove::Follow);
    return true;
}

// The element's bytes as a number of its width, as loadBits reads them, a
// word at a time.
template <class Word>
std::uint64_t loadWord(const std::uint8_t* bytes, ByteOrder order) {
    static_assert(std::endian::native == std::endian::little, "the element's first byte must be the lowest");
    Word bits;
    std::memcpy(&bits, bytes, sizeof bits);
    if (order == ByteOrder::LittleEndian) return bits;
    std::uint64_t swapped = 0;
    for (std::size_t k = 0; k < sizeof bits; ++k) {
        swapped = swapped << 8 | ((bits >> (8 * k)) & 0xFFu);
    }
    return swapped;
}

// A separator or line end: copied as a whole block where it fits one, so
// that no call copies a few characters.
constexpr std::size_t kShortLength = 16;

char* putShort(char* at, const std::string& padded, std::size_t length) {
    if (padded.size() == kShortLength) {
        std::memcpy(at, padded.data(), kShortLength);
        return at + length;
    }
    return put(at, padded);
}

std::string paddedShort(const std::string& text) {
    if (text.size() > kShortLength) return text;
    std::string padded = text;
    padded.append(kShortLength - text.size(), '\0');
    return padded;
}

std::string joined(std::span<const std::uint32_t> values, std::uint32_t less, std::string_view join) {
    std::string text;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k != 0) text += join;
        text += std::to_string(values[k] - less);
    }
    return text;
}

// A record type's {allow}: the allowances its name and its fields' names take.
std::string recordAllowance(const LanguageRow& row, std::string_view name, const RecordSpec& record) {
    std::string allowance(typeNameAllowance(row, name));
    const auto outOfStyle = std::find_if(record.fields.begin(), record.fields.end(), [&](const RecordField& field) {
        return !field.isPadding() && !fieldNameAllowance(row, field.name).empty();
    });
    if (outOfStyle != record.fields.end()) allowance += fieldNameAllowance(row, outOfStyle->name);
    return allowance;
}

// The record type's declaration, filled from the row's record forms.
std::string recordDeclaration(const RecordForms& forms, const RecordSpec& record,
                              const std::array<std::string_view, kElementTypeCount>& names,
                              std::span<const TemplateKey> rowKeys) {
    std::string fields;
    std::string params;
    std::size_t argument = 0;
    for (const RecordField& field : record.fields) {
        if (field.isPadding()) continue;
        std::string args;
        for (std::uint32_t k = 0; k < field.count; ++k) {
            const std::string n = std::to_string(++argument);
            const TemplateKey number[] = {{"n", n}};
            if (k != 0) args += ", ";
            args += filledTemplate(forms.argument, number);
            if (argument != 1) params += ", ";
            params += filledTemplate(forms.parameter, number);
        }
        const std::string count = std::to_string(field.count);
        const std::string last = std::to_string(field.count - 1);
        const std::string_view scalarType = forms.scalarTypeNames[indexOf(field.type)];
        const std::string_view type = field.isArray() || scalarType.empty() ? names[indexOf(field.type)] : scalarType;
        if (!fields.empty()) fields += forms.declarationSeparator;
        const TemplateKey keys[] = {
            {"field", field.name}, {"type", type}, {"count", count}, {"last", last}, {"args", args}};
        fields += filledTemplate(field.isArray() ? forms.arrayFieldDeclaration : forms.fieldDeclaration, keys);
    }
    const std::string arity = std::to_string(argument);
    std::vector<TemplateKey> keys(rowKeys.begin(), rowKeys.end());
    keys.insert(keys.end(), {{"fields", fields}, {"arity", arity}, {"params", params}});
    return filledTemplate(forms.declaration, keys);
}

}  // namespace

Expected<void, std::string> checkTypedOptions(const LanguageRow& row, const TypedOptions& options) {
    const bool shaped = options.record != nullptr || !options.dims.empty();
    if (shaped && !row.shapeRefusal.empty()) return Expected<void, std::string>::failure(std::string(row.shapeRefusal));
    std::optional<RecordSpec> record;
    if (options.record != nullptr) record = *options.record;
    return checkShape(record, std::vector<std::uint32_t>(options.dims.begin(), options.dims.end()), options.type,
                      options.tableSize);
}

TypedTable::TypedTable(const LanguageRow& row, const TypedOptions& options)
    : row_(row),
      type_(row.elements == ElementRule::BytesReversedWhenBigEndian ? ElementType::U8 : options.type),
      notation_(row.elements == ElementRule::BytesReversedWhenBigEndian ? Notation::Hex : options.notation),
      order_(options.order),
      reversed_(row.elements == ElementRule::BytesReversedWhenBigEndian && options.order == ByteOrder::BigEndian),
      width_(options.record != nullptr ? static_cast<std::uint32_t>(options.record->byteSize()) : byteWidth(type_)),
      count_(width_ == 0 ? 0 : options.tableSize / width_),
      perLine_(std::max<std::uint32_t>(options.itemsPerLine, 1)) {
    const Declaration& declaration = options.declaration;
    const auto& names = typeNamesOf(row, declaration);
    const std::string count = std::to_string(count_);
    const std::string last = std::to_string(count_ - 1);
    TemplateValues with = templateValues(row, declaration, names[indexOf(type_)], count, last);
    const std::string_view name = with.name;
    const TemplateKey nameKey[] = {{"name", name}};
    const std::string recordName =
        options.recordName.empty() ? filledTemplate(row.records.recordName, nameKey) : std::string(options.recordName);
    if (options.record != nullptr) with.type = recordName;

    // The header declares the extents; the closing and --length the items.
    std::string headerText;
    std::string_view closingText = row.closing;
    if (options.record != nullptr) {
        perLine_ = row.records.lines == RecordLines::OnePerLine ? 1 : perLine_;
        const std::string allowance = recordAllowance(row, recordName, *options.record);
        const TemplateKey rowKeys[] = {
            {"name", name}, {"const", with.constWord}, {"record", recordName}, {"allow", allowance}};
        if (options.recordDeclaration == RecordDeclaration::Declared)
            headerText = recordDeclaration(row.records, *options.record, names, rowKeys);
        if (!row.records.closing.empty()) closingText = row.records.closing;
    }
    if (options.dims.empty()) {
        const bool ownHeader = options.record != nullptr && !row.records.header.empty();
        headerText += filledTemplate(ownHeader ? row.records.header : row.header, with);
    } else {
        const DimensionForms& dims = row.dimensions;
        std::string type(with.type);
        std::span<const std::uint32_t> outer = options.dims;
        if (!dims.typeWrap.empty()) {
            for (std::size_t k = options.dims.size(); k-- > 1;) {
                const std::string extent = std::to_string(options.dims[k]);
                const TemplateKey keys[] = {{"type", type}, {"count", extent}};
                type = filledTemplate(dims.typeWrap, keys);
            }
            outer = options.dims.first(1);
        }
        const std::string extents =
            dims.countJoin.empty() ? std::to_string(outer[0]) : joined(outer, 0, dims.countJoin);
        const std::string lasts =
            dims.lastJoin.empty() ? std::to_string(outer[0] - 1) : joined(outer, 1, dims.lastJoin);
        const std::string rank(options.dims.size() - 1, ',');
        const TemplateKey keys[] = {{"name", name},  {"type", type}, {"const", with.constWord}, {"count", extents},
                                    {"last", lasts}, {"rank", rank}, {"allow", with.allow}};
        headerText += filledTemplate(dims.header.empty() ? row.header : dims.header, keys);
        std::uint32_t run = count_;
        for (std::size_t k = 0; k + 1 < options.dims.size(); ++k) {
            run /= options.dims[k];
            runs_.push_back(run);
        }
        dimensionOpen_ = withLineBreaks(std::string(dims.open), declaration.lineBreaks);
        dimensionClose_ = withLineBreaks(std::string(dims.close), declaration.lineBreaks);
        innermostOpen_ = dimensionOpen_;
        innermostClose_ = dimensionClose_;
        if (options.record == nullptr && !dims.innermostOpen.empty()) {
            innermostOpen_ = filledTemplate(dims.innermostOpen, with);
            innermostClose_ = std::string(dims.innermostClose);
        }
        if (!dims.closing.empty()) closingText = dims.closing;
        // A line ends after a run of the innermost extent rather than inside
        // one: as many whole runs as -n holds, or a run over as many lines
        // as it takes.
        const std::uint32_t innermost = options.dims.back();
        lineRun_ = perLine_ >= innermost ? perLine_ / innermost * innermost : innermost;
    }
    std::string closing = std::string(closingText);
    if (declaration.countConstant == CountConstant::After) closing += row.lengthLine;
    header_ = withLineBreaks(headerText, declaration.lineBreaks);
    const std::string lineBreak = withLineBreaks(filledTemplate(row.lineBreak, with), declaration.lineBreaks);
    separator_ = withLineBreaks(std::string(row.separator), declaration.lineBreaks);
    // The dialog's own tables keep its line ends, a blank before the break
    // included; the others' lines end without one.
    const bool dialogsOwn = options.record == nullptr && options.dims.empty() && kindOf(type_) == ValueKind::Unsigned &&
                            byteWidth(type_) <= 4;
    std::string_view kept = separator_;
    while (!dialogsOwn && !kept.empty() && kept.back() == ' ') kept.remove_suffix(1);
    endOfLine_ = row.lineEnd == LineEndRule::DropsSeparator ? lineBreak : std::string(kept) + lineBreak;
    closing_ = withLineBreaks(filledTemplate(closing, with), declaration.lineBreaks);
    paddedSeparator_ = paddedShort(separator_);
    paddedEndOfLine_ = paddedShort(endOfLine_);
    const std::size_t literalBound = literalLengthBound(row.literals);
    std::size_t itemBound = literalBound;
    if (options.record != nullptr) {
        const RecordForms& forms = row.records;
        scalarLiterals_ = forms.scalarLiterals != nullptr ? *forms.scalarLiterals : row.literals;
        const std::size_t scalarBound = literalLengthBound(scalarLiterals_);
        const TemplateKey recordKey[] = {{"record", recordName}};
        recordOpen_ = filledTemplate(forms.open, recordKey);
        recordClose_ = std::string(forms.close);
        arraySeparator_ = std::string(forms.arraySeparator);
        itemBound = recordOpen_.size() + recordClose_.size();
        bool firstPrinted = true;
        for (const RecordField& field : options.record->fields) {
            FieldPlan plan{field.type, field.count, field.isPadding(), {}, {}};
            if (!plan.padding) {
                const std::string fieldCount = std::to_string(field.count);
                const TemplateKey keys[] = {
                    {"field", field.name}, {"type", names[indexOf(field.type)]}, {"count", fieldCount}};
                if (!firstPrinted) plan.before += forms.fieldSeparator;
                firstPrinted = false;
                plan.before += filledTemplate(forms.fieldLabel, keys);
                if (field.isArray()) {
                    plan.before += filledTemplate(forms.arrayOpen, keys);
                    plan.after = std::string(forms.arrayClose);
                }
                const std::size_t valueBound = field.isArray() ? literalBound : scalarBound;
                itemBound += plan.before.size() + plan.after.size() +
                             std::size_t{field.count} * (valueBound + arraySeparator_.size());
            }
            fields_.push_back(std::move(plan));
        }
    }
    elementBound_ = row.elementPrefix.size() + itemBound +
                    runs_.size() * (std::max(dimensionOpen_.size(), innermostOpen_.size()) +
                                    std::max(dimensionClose_.size(), innermostClose_.size())) +
                    std::max({separator_.size(), endOfLine_.size(), kShortLength});

    // A 16-bit table's texts cost 65536 literals: worth it from half as many elements.
    const bool wordTexts = width_ == 2 && count_ >= kWordTextsFrom;
    if ((width_ != 1 && !wordTexts) || options.record != nullptr || !runs_.empty()) return;
    const std::size_t values = std::size_t{1} << (8 * width_);
    std::string texts(values * kSlotLength, '\0');
    std::vector<std::uint8_t> lengths(values);
    char literal[256];
    if (row.elementPrefix.size() + literalLengthBound(row.literals) > sizeof literal) return;
    for (std::size_t value = 0; value < values; ++value) {
        char* const end = writeLiteral(put(literal, row.elementPrefix), row.literals, type_, notation_, value);
        const auto length = static_cast<std::size_t>(end - literal);
        if (length > kSlotLength) return;
        std::memcpy(&texts[value * kSlotLength], literal, length);
        lengths[value] = static_cast<std::uint8_t>(length);
    }
    valueTexts_ = std::move(texts);
    valueTextLengths_ = std::move(lengths);
}

TablePiece TypedTable::clamped(TablePiece piece) const {
    piece.first = std::min(piece.first, count_);
    piece.count = std::min(piece.count, count_ - piece.first);
    return piece;
}

ByteStretch TypedTable::stretchOf(TablePiece piece) const {
    piece = clamped(piece);
    // Printed last to first, the piece's bytes end where its first one lies.
    if (reversed_) return {count_ - piece.first - piece.count, piece.count};
    return {piece.first * width_, piece.count * width_};
}

template <class WriteOne>
char* TypedTable::writeElementsWith(char* at, std::uint32_t first, std::uint32_t k, std::uint32_t end,
                                    WriteOne writeOne) const {
    // The place in its line of the element after k.
    std::uint32_t column = (first + k) % perLine_ + 1;
    for (; k < end; ++k, ++column) {
        at = writeOne(at, k);
        // The reversed walk prints its last byte like the others.
        if (first + k + 1 == count_) return reversed_ ? at : put(at, closing_);
        if (column == perLine_) {
            at = putShort(at, paddedEndOfLine_, endOfLine_.size());
            column = 0;
        } else {
            at = putShort(at, paddedSeparator_, separator_.size());
        }
    }
    return at;
}

template <class Word>
char* TypedTable::writeWords(char* at, std::span<const std::uint8_t> bytes, std::uint32_t first, std::uint32_t k,
                             std::uint32_t end) const {
    return writeElementsWith(at, first, k, end, [&](char* to, std::uint32_t index) {
        // Only bytes are walked reversed.
        const std::size_t offset = reversed_ ? bytes.size() - 1 - index : std::size_t{index} * sizeof(Word);
        const std::uint64_t bits = loadWord<Word>(bytes.data() + offset, order_);
        return writeLiteral(put(to, row_.elementPrefix), row_.literals, type_, notation_, bits);
    });
}

char* TypedTable::writeRecord(char* at, const std::uint8_t* bytes) const {
    at = put(at, recordOpen_);
    for (const FieldPlan& field : fields_) {
        const std::uint32_t width = byteWidth(field.type);
        if (field.padding) {
            bytes += std::size_t{width} * field.count;
            continue;
        }
        at = put(at, field.before);
        const LiteralForms& literals = field.count > 1 ? row_.literals : scalarLiterals_;
        for (std::uint32_t k = 0; k < field.count; ++k, bytes += width) {
            if (k != 0) at = put(at, arraySeparator_);
            at = writeLiteral(at, literals, field.type, notation_, loadBits(bytes, width, order_));
        }
        at = put(at, field.after);
    }
    return put(at, recordClose_);
}

// Records and dimensions: each item in the brackets of the runs it opens and
// closes, a record's fields in its own.
char* TypedTable::writeShaped(char* at, std::span<const std::uint8_t> bytes, std::uint32_t first, std::uint32_t k,
                              std::uint32_t end) const {
    for (; k < end; ++k) {
        const std::uint32_t index = first + k;
        at = put(at, row_.elementPrefix);
        for (std::size_t r = 0; r < runs_.size(); ++r) {
            if (index % runs_[r] == 0) at = put(at, r + 1 == runs_.size() ? innermostOpen_ : dimensionOpen_);
        }
        const std::uint8_t* const item = bytes.data() + std::size_t{k} * width_;
        at = fields_.empty() ? writeLiteral(at, row_.literals, type_, notation_, loadBits(item, width_, order_))
                             : writeRecord(at, item);
        for (std::size_t r = runs_.size(); r-- > 0;) {
            if ((index + 1) % runs_[r] == 0) at = put(at, r + 1 == runs_.size() ? innermostClose_ : dimensionClose_);
        }
        if (index + 1 == count_) return put(at, closing_);
        at = put(at, endsLine(index) ? endOfLine_ : separator_);
    }
    return at;
}

bool TypedTable::endsLine(std::uint32_t index) const {
    if (runs_.empty()) return (index + 1) % perLine_ == 0;
    // Inside a run longer than a line, every -n items from the run's start.
    const std::uint32_t inRun = (index + 1) % runs_.back();
    return (index + 1) % lineRun_ == 0 || (inRun != 0 && perLine_ < runs_.back() && inRun % perLine_ == 0);
}

char* TypedTable::writeElements(char* at, std::span<const std::uint8_t> bytes, std::uint32_t first, std::uint32_t k,
                                std::uint32_t end) const {
    if (!fields_.empty() || !runs_.empty()) return writeShaped(at, bytes, first, k, end);
    // Whole slots are copied: the room is the bound, and the slot's tail is overwritten next.
    const auto copySlot = [&](char* to, std::size_t value) {
        std::memcpy(to, &valueTexts_[value * kSlotLength], kSlotLength);
        return to + valueTextLengths_[value];
    };
    if (!valueTexts_.empty() && width_ == 1) {
        return writeElementsWith(at, first, k, end, [&](char* to, std::uint32_t index) {
            return copySlot(to, reversed_ ? bytes[bytes.size() - 1 - index] : bytes[index]);
        });
    }
    if (!valueTexts_.empty()) {
        return writeElementsWith(at, first, k, end, [&](char* to, std::uint32_t index) {
            const auto word =
                static_cast<std::uint16_t>(loadWord<std::uint16_t>(bytes.data() + std::size_t{index} * 2, order_));
            return copySlot(to, word);
        });
    }
    switch (width_) {
    case 1: return writeWords<std::uint8_t>(at, bytes, first, k, end);
    case 2: return writeWords<std::uint16_t>(at, bytes, first, k, end);
    case 4: return writeWords<std::uint32_t>(at, bytes, first, k, end);
    default: return writeWords<std::uint64_t>(at, bytes, first, k, end);
    }
}

std::uint32_t TypedTable::itemsPerPiece(std::size_t capacity) const {
    const std::size_t fixed = header_.size() + closing_.size();
    if (capacity <= fixed) return 0;
    return static_cast<std::uint32_t>(std::min<std::size_t>((capacity - fixed) / elementBound_, UINT32_MAX));
}

WalkOutcome TypedTable::printPiece(std::span<const std::uint8_t> bytes, TablePiece piece, TextOutput& output) const {
    piece = clamped(piece);
    if (piece.count == 0) return WalkOutcome::Complete;
    if (bytes.size() < std::size_t{piece.count} * width_) return WalkOutcome::ReadFailed;
    if (piece.first == 0 && !writeExactly(header_, output)) return WalkOutcome::BufferExhausted;

    // About kBatchLength characters a reservation, however long an item's text.
    const auto batch =
        static_cast<std::uint32_t>(std::clamp<std::size_t>(kBatchLength / elementBound_, 1, kBatchElements));
    std::string staged;  // for an output with less room than the bound
    for (std::uint32_t k = 0; k < piece.count;) {
        const std::uint32_t end = k + std::min(piece.count - k, batch);
        const std::size_t room = std::size_t{end - k} * elementBound_ + closing_.size();
        if (char* const at = output.reserve(room)) {
            output.commit(writeElements(at, bytes, piece.first, k, end), CursorMove::Follow);
        } else {
            staged.resize(room);
            char* const stagedEnd = writeElements(staged.data(), bytes, piece.first, k, end);
            if (!writeExactly({staged.data(), static_cast<std::size_t>(stagedEnd - staged.data())}, output)) {
                return WalkOutcome::BufferExhausted;
            }
        }
        k = end;
    }
    return WalkOutcome::Complete;
}

std::string TypedTable::print(std::span<const std::uint8_t> table) const {
    StringTextOutput output;
    static_cast<void>(printPiece(table, {0, count_}, output));
    return output.take();
}

}  // namespace zemrik::typed
