#include "platform/ReplacementFile.h"

#include <cstdio>

namespace zemrik::platform {

std::string replacementName(const std::string& destination, std::uint64_t unique) {
    // Both separators: Windows takes either.
    const std::size_t slash = destination.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx", static_cast<unsigned long long>(unique));
    return destination.substr(0, nameStart) + "." + destination.substr(nameStart) + suffix + ".zemrik";
}

}  // namespace zemrik::platform
