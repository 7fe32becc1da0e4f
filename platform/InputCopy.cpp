#include "platform/InputCopy.h"

#include <cstddef>
#include <vector>

namespace zemrik::platform {
namespace {

constexpr std::size_t kPieceSize = 1024 * 1024;

}  // namespace

Expected<File, InputCopyFailure> copyIntoAnonymousFile(File& source, std::uint64_t limit) {
    using Result = Expected<File, InputCopyFailure>;
    std::optional<File> copy = File::createAnonymous();
    if (!copy) return Result::failure(InputCopyFailure::CannotCreate);
    std::vector<unsigned char> piece(kPieceSize);
    std::uint64_t total = 0;
    for (;;) {
        const std::optional<std::size_t> got = source.read(piece.data(), piece.size());
        if (!got) return Result::failure(InputCopyFailure::ReadFailed);
        if (*got == 0) break;
        total += *got;
        if (total > limit) return Result::failure(InputCopyFailure::TooLarge);
        if (!copy->write(piece.data(), *got)) return Result::failure(InputCopyFailure::WriteFailed);
    }
    return std::move(*copy);
}

}  // namespace zemrik::platform
