#include "platform/StandardStream.h"

namespace zemrik::platform {

void writeText(std::FILE* stream, std::string_view text) { std::fwrite(text.data(), 1, text.size(), stream); }

}  // namespace zemrik::platform
