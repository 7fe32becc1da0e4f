// What core/'s tests share: an in-memory source that can run short, a progress
// recorder, and the plain snprintf walks the fast ones are checked against.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/ByteSource.h"
#include "core/OutputEstimate.h"
#include "core/TableWalk.h"

namespace zemrik::test {

// A table held in memory; can be told to run short after some bytes, like a
// file that shrank during a run.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes, std::size_t readableBytes = SIZE_MAX)
        : bytes_(std::move(bytes)), readable_(std::min(readableBytes, bytes_.size())) {}

    bool seek(std::uint32_t offset) override {
        ++seeks;
        position_ = offset;
        return true;
    }
    std::size_t read(std::uint8_t* destination, std::size_t length) override {
        ++reads;
        const std::size_t available = position_ < readable_ ? readable_ - position_ : 0;
        const std::size_t count = std::min(length, available);
        if (count != 0) std::memcpy(destination, bytes_.data() + position_, count);
        position_ += count;
        return count;
    }

    int seeks = 0;
    int reads = 0;

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t readable_;
    std::size_t position_ = 0;
};

// The room the run gives a walk of this table to start with.
inline std::size_t estimateFor(const TableLayout& layout, const OutputStyle& style) {
    return *estimateOutputSize(layout.tableSize, layout.elementSize, layout.itemsPerLine, style);
}

class RecordingProgress : public ProgressSink {
public:
    void reportProgress(std::uint32_t percent) override { reports.push_back(percent); }
    std::vector<std::uint32_t> reports;
};

// The walks written the plain way, with snprintf and std::string, as the
// yardstick the fast walks are measured against.
inline std::string printfOne(const char* format, std::uint32_t value) {
    char text[128];
    const bool isLong = std::strstr(format, "lu") != nullptr || std::strstr(format, "lX") != nullptr;
    const int length = isLong ? std::snprintf(text, sizeof text, format, static_cast<unsigned long>(value))
                              : std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return std::string(text, static_cast<std::size_t>(length));
}

// Element `index` as the layout reads it.
inline std::uint32_t referenceValue(const std::vector<std::uint8_t>& bytes, std::size_t index,
                                    const TableLayout& layout) {
    const std::size_t width = byteCount(layout.elementSize);
    const std::size_t at = index * width;
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < width; ++k) {
        const std::size_t from = layout.bigEndian ? at + k : at + width - 1 - k;
        value = value << 8 | bytes[from];
    }
    return value;
}

inline std::string referenceRender(const TableLayout& layout, const OutputStyle& style,
                                   const std::vector<std::uint8_t>& bytes) {
    std::string text;
    const std::size_t width = byteCount(layout.elementSize);
    if (layout.language == Language::DataStr && layout.bigEndian) {
        std::size_t onLine = 0;
        for (std::size_t n = layout.tableSize; n-- > 0;) {
            text += printfOne(style.elementFormat, bytes[n]);
            if (++onLine == layout.itemsPerLine && n > 0) {
                text += style.lineBreak;
                onLine = 0;
            }
        }
        return text;
    }
    const std::size_t count = layout.tableSize / width;
    char header[128];
    const int headerLength =
        std::snprintf(header, sizeof header, style.headerFormat, static_cast<int>(count + style.countAdjust));
    text.assign(header, static_cast<std::size_t>(headerLength));
    std::size_t onLine = 0;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        text += printfOne(style.elementFormat, referenceValue(bytes, i, layout));
        text += style.separator;
        if (++onLine == layout.itemsPerLine) {
            if (layout.language == Language::Asm) text.resize(text.size() - 2);
            text += style.lineBreak;
            onLine = 0;
        }
    }
    return text + printfOne(style.lastFormat, referenceValue(bytes, count - 1, layout));
}

}  // namespace zemrik::test
