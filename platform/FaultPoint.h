// Where the platform's acquisitions ask whether a test wants them to fail.
// Included by the platform's own sources only.
#pragma once

#include <optional>

#include "platform/FaultInjection.h"

namespace zemrik::platform {

#ifdef ZEMRIK_FAULT_INJECTION
// The armed fault's error (and disarms it) when a fault of this kind is armed.
std::optional<SystemError> injectedFault(Acquisition acquisition) noexcept;
#else
// The programs' build: every acquisition goes to the system.
constexpr std::optional<SystemError> injectedFault(Acquisition) noexcept { return std::nullopt; }
#endif

}  // namespace zemrik::platform
