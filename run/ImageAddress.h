// The dialog's --rva rule applied to the open input: the mapping glue around
// image/DialogRvaRule.h, and the refusals' texts.
#pragma once

#include <cstdint>
#include <string_view>

#include "image/DialogRvaRule.h"
#include "platform/File.h"

namespace zemrik {

using image::Translation;
using image::TranslationRefusal;

// The text the dialog and zemrik-cli show for a refusal.
std::string_view refusalMessage(TranslationRefusal refusal);

// The rule through a read-only mapping of the open file named "RVA mapping!";
// opens and closes only its own mapping and view.
Translation translateImageAddress(const platform::File& file, std::uint32_t address);

}  // namespace zemrik
