// TableStream: where a front end that writes the table out as it is printed
// wants the pieces.
#pragma once

#include <string_view>

namespace zemrik {

// Where a front end that takes the table as it is printed wants it: written
// out piece by piece, so that memory stays bounded whatever the table's size.
class TableStream {
public:
    virtual ~TableStream() = default;

    // Called once, when the run starts printing. False: the front end could
    // not make the destination ready and has said why.
    [[nodiscard]] virtual bool open() = 0;
    // The table's next stretch. Called in table order, one call at a time,
    // possibly from any of the run's threads.
    [[nodiscard]] virtual bool write(std::string_view text) = 0;
    // The whole table has been written: make it final. False: it could not,
    // has taken back what it could and has said why.
    [[nodiscard]] virtual bool finish() = 0;
    // The run failed after open(): take back what can still be taken back.
    virtual void discard() = 0;
};

}  // namespace zemrik
