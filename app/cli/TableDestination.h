// Where zemrik-cli's table goes as it is printed: standard output, or the
// file -o replaces only once the whole table is written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/File.h"
#include "platform/ReplacementFile.h"
#include "run/FileFailure.h"
#include "run/TableStream.h"

namespace zemrik::cli {

// Where zemrik-cli writes a table as it is printed; a failure names the
// destination and the system's reason.
class TableDestination : public TableStream {
public:
    // `finalLineBreak` follows the table (--lf ends the text with one).
    explicit TableDestination(std::string_view finalLineBreak) : finalLineBreak_(finalLineBreak) {}

    StreamResult finish() final;

    // The destination as messages name it: "standard output", or the file.
    virtual std::string name() const = 0;

protected:
    // Makes the table written so far final.
    virtual StreamResult complete() = 0;
    // The failure of this destination, for `reason`.
    StreamResult fail(platform::SystemError reason) const { return StreamResult::failure({name(), reason}); }

private:
    std::string_view finalLineBreak_;
};

// Standard output, written as the table is printed. When the run fails, a
// regular file is cut back to what it held before; what went into a pipe or
// to a terminal has been passed on and cannot be recalled.
class StandardOutputDestination final : public TableDestination {
public:
    using TableDestination::TableDestination;

    StreamResult open() override;
    StreamResult write(std::string_view text) override;
    void discard() override;
    std::string name() const override { return "standard output"; }

private:
    StreamResult complete() override { return {}; }

    platform::File output_;
    // Where the table starts in a regular file that held nothing after it.
    std::optional<std::uint64_t> recallPoint_;
};

// -o FILE: the table goes into a new file beside FILE, renamed over it once
// the whole table is written and on the disk. FILE is either replaced by
// the whole table or left as it was; the new file never outlives a failure.
class ReplacedFileDestination final : public TableDestination {
public:
    ReplacedFileDestination(std::string path, std::string_view finalLineBreak)
        : TableDestination(finalLineBreak), path_(std::move(path)) {}

    StreamResult open() override;
    StreamResult write(std::string_view text) override;
    void discard() override { replacement_.reset(); }
    std::string name() const override { return path_; }

private:
    StreamResult complete() override;

    std::string path_;
    std::optional<platform::ReplacementFile> replacement_;
};

}  // namespace zemrik::cli
