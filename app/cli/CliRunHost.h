// CliRunHost: the run's front end on a console, with the progress line and
// the table handed to its destination as it is printed.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "app/cli/TableDestination.h"
#include "run/RunHost.h"

namespace zemrik::cli {

struct ConsoleStreams {
    std::FILE* errors;
    // Progress is shown only to a person watching, never into a log file.
    bool errorsIsTerminal;
};

// What the console does with one run's results.
struct HostSettings {
    bool dumpToFile = false;  // the table is in result.txt: only the note is shown
    bool bigEndian = false;   // the answer to the worker's "Big Endian"
};

// The run's front end on a console. Called on the worker's thread only.
class CliRunHost : public RunHost {
public:
    // The table goes to `destination` as it is printed; with the dump flag
    // it goes to result.txt instead and only a note is shown.
    CliRunHost(ConsoleStreams streams, HostSettings settings, TableDestination& destination)
        : streams_(streams), settings_(settings), destination_(destination) {}

    void setProgressText(const std::string& text) override;
    // With a destination for every table, the only text set whole is the
    // note that result.txt holds it.
    void setOutputText(TerminatedText text) override;
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void showFileMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                         const FileFailure& failure) override;
    bool isBigEndianChecked() override { return settings_.bigEndian; }
    TableStream* tableStream() override { return settings_.dumpToFile ? nullptr : &destination_; }

    // Blanks the progress line, if one is shown, so that nothing printed
    // after it lands behind the percentage.
    void clearProgress();

private:
    ConsoleStreams streams_;
    HostSettings settings_;
    TableDestination& destination_;
    std::string shownProgress_;
    bool progressOnScreen_ = false;
};

}  // namespace zemrik::cli
