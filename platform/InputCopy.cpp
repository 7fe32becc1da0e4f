#include "platform/InputCopy.h"

#include <cstddef>
#include <vector>

namespace zemrik::platform {
namespace {

constexpr std::size_t kPieceSize = 1024 * 1024;

using CopyResult = Expected<File, InputCopyFailure>;

CopyResult failedAt(InputCopyFailure::Kind kind, SystemError reason = {}) {
    return CopyResult::failure({kind, reason});
}

}  // namespace

CopyResult copyIntoAnonymousFile(File& source, std::uint64_t limit, PastLimit pastLimit) {
    auto copy = File::createAnonymous();
    if (!copy) return failedAt(InputCopyFailure::Kind::CannotCreate, copy.error());
    std::vector<unsigned char> piece(kPieceSize);
    std::uint64_t total = 0;
    for (;;) {
        // Asking for no more than is kept leaves the rest of a stream unread.
        const std::size_t wanted = pastLimit == PastLimit::Ignore && limit - total < piece.size()
                                       ? static_cast<std::size_t>(limit - total)
                                       : piece.size();
        if (wanted == 0) break;
        const auto got = source.read(piece.data(), wanted);
        if (!got) return failedAt(InputCopyFailure::Kind::ReadFailed, got.error());
        if (*got == 0) break;
        total += *got;
        if (total > limit) return failedAt(InputCopyFailure::Kind::TooLarge);
        if (const auto written = copy->write(piece.data(), *got); !written) {
            return failedAt(InputCopyFailure::Kind::WriteFailed, written.error());
        }
    }
    return std::move(*copy);
}

}  // namespace zemrik::platform
