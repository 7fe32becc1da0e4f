// RunHost: what the run's worker needs of a front end while it runs (progress,
// output, messages, a stream). The dialog and zemrik-cli serve it.
#pragma once

#include <string>

#include "base/TerminatedText.h"
#include "run/FileFailure.h"
#include "run/MessageIcon.h"
#include "run/TableStream.h"

namespace zemrik {

// What the run's worker needs of the front end. Called on the worker's thread;
// each call returns once the front end has taken the text, so the text may be
// released right after.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The progress label's new text, "37%" and the like.
    virtual void setProgressText(const std::string& text) = 0;
    // The output box's new text.
    virtual void setOutputText(TerminatedText text) = 0;
    // A message box owned by the front end, OK button only; returns when closed.
    virtual void showMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
    // The same for a failure of the file read or written: `failure` says
    // which file and why, for a front end that can tell its user more.
    virtual void showFileMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                 const FileFailure& failure) = 0;
    // The state of the "Big Endian" check box, read once per run.
    virtual bool isBigEndianChecked() = 0;
    // Where a front end that writes the table out as it is printed wants it,
    // with bounded memory whatever the table's size; nothing for one that
    // takes the whole text through setOutputText. "Dump to file" goes to
    // result.txt either way.
    virtual TableStream* tableStream() { return nullptr; }
};

}  // namespace zemrik
