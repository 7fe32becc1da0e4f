#include "platform/SystemError.h"

#include <cerrno>
#include <system_error>

namespace zemrik::platform {

SystemError SystemError::last() { return fromCode(static_cast<std::uint32_t>(errno)); }

bool SystemError::meansNoSuchFile() const { return reason_ == Ours::None && (code_ == ENOENT || code_ == ENOTDIR); }

// strerror's text, without strerror's shared buffer: the worker may ask.
std::string SystemError::systemText() const { return std::generic_category().message(static_cast<int>(code_)); }

}  // namespace zemrik::platform
