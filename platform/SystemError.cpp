#include "platform/SystemError.h"

namespace zemrik::platform {

std::string SystemError::describe() const {
    switch (reason_) {
    case Ours::None: return systemText();
    case Ours::NotRegularFile: return "Not a regular file";
    case Ours::InUse: return "File is in use";
    case Ours::FileShrank: return "File shrank during the run";
    case Ours::SymbolicLink: return "Is a symbolic link";
    case Ours::DanglingLink: return "Is a symbolic link to a missing file";
    }
    return systemText();
}

}  // namespace zemrik::platform
