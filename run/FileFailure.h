// FileFailure: which file a run could not use and the system's reason, passed
// to front ends with the message.
#pragma once

#include <string>

#include "platform/SystemError.h"

namespace zemrik {

// A file the run could not use, and the system's reason, for a front end
// that tells its user why.
struct FileFailure {
    std::string path;
    platform::SystemError reason;
    bool operator==(const FileFailure&) const = default;
};

}  // namespace zemrik
