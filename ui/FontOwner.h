// FontOwner: the one owner of a GDI font handle, released with DeleteObject.
#pragma once

#include <windows.h>

#include "platform/Owner.h"

namespace zemrik {

// A GDI font, given back by DeleteObject.
struct FontTraits {
    using Handle = HFONT;
    static constexpr Handle invalid = nullptr;
    static void release(Handle font) noexcept { DeleteObject(font); }
};

// Owns one GDI font. Move-only; deletes the font on destruction.
using FontOwner = platform::Owner<FontTraits>;

}  // namespace zemrik
