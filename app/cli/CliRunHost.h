#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "run/RunHost.h"

namespace zemrik::cli {

struct ConsoleStreams {
    std::FILE* output;
    std::FILE* errors;
    // Progress is shown only to a person watching, never into a log file.
    bool errorsIsTerminal;
};

enum class HostOutcome {
    Delivered,         // the table, or the note that result.txt holds it, was written
    MessageShown,      // the run reported its failure
    OutputNotWritten,  // the table could not be written to the output stream
    NothingDelivered,  // the run ended without a word
};

// What the console does with one run's results.
struct HostSettings {
    bool dumpToFile = false;          // the table is in result.txt: only the note is shown
    bool bigEndian = false;           // the answer to the worker's "Big Endian"
    std::string_view finalLineBreak;  // follows the table on the output stream (--lf)
};

// The run's front end on a console. Called on the worker's thread only; read
// outcome() once the worker has been joined.
class CliRunHost : public RunHost {
public:
    CliRunHost(ConsoleStreams streams, HostSettings settings) : streams_(streams), settings_(settings) {}

    void setProgressText(const std::string& text) override;
    void setOutputText(TerminatedText text) override;
    void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void showFileMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                         const FileFailure& failure) override;
    bool isBigEndianChecked() override { return settings_.bigEndian; }

    // Blanks the progress line, if one is shown, so that nothing printed
    // after it lands behind the percentage.
    void clearProgress();
    [[nodiscard]] HostOutcome outcome() const;

private:
    ConsoleStreams streams_;
    HostSettings settings_;
    std::string shownProgress_;
    bool progressOnScreen_ = false;
    bool outputWritten_ = false;
    bool outputFailed_ = false;
    bool messageShown_ = false;
};

}  // namespace zemrik::cli
