// TableStream: where a front end that writes the table out as it is printed
// wants the pieces.
#pragma once

#include <string_view>

#include "base/Expected.h"
#include "run/FileFailure.h"

namespace zemrik {

// Where a front end that takes the table as it is printed wants it: written
// out piece by piece, so that memory stays bounded whatever the table's size.
// Done, or which file failed and why: the run hands it back to the front end.
using StreamResult = Expected<void, FileFailure>;

class TableStream {
public:
    virtual ~TableStream() = default;

    // Called once, when the run starts printing: makes the destination ready.
    [[nodiscard]] virtual StreamResult open() = 0;
    // The table's next stretch. Called in table order, one call at a time,
    // possibly from any of the run's threads.
    [[nodiscard]] virtual StreamResult write(std::string_view text) = 0;
    // The whole table has been written: make it final. On failure it has
    // taken back what it could.
    [[nodiscard]] virtual StreamResult finish() = 0;
    // The run failed after open(): take back what can still be taken back.
    virtual void discard() = 0;
};

}  // namespace zemrik
