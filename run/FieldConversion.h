// The dialog's number fields converted as the dialog reads them: hex by
// scanf's "%lX" rules, decimal by "%lu"'s.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zemrik {

// scanf's "%lX": leading white space, an optional sign, an optional 0x/0X,
// then hex digits of either case up to the first other character. The value
// is kept modulo 2^32 and a leading '-' negates it modulo 2^32. No digit at
// all (blanks only, "0x", "0xZ") is a failure.
[[nodiscard]] std::optional<std::uint32_t> convertHexField(std::string_view text);

// scanf's "%lu": the same with decimal digits and no prefix.
[[nodiscard]] std::optional<std::uint32_t> convertDecimalField(std::string_view text);

}  // namespace zemrik
