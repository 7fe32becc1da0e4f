#pragma once

#include <windows.h>

#include <utility>

namespace zemrik {

// Owns one GDI font. Move-only; deletes the font on destruction.
class FontOwner {
public:
    FontOwner() = default;
    explicit FontOwner(HFONT font) noexcept : font_(font) {}
    FontOwner(FontOwner&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
    FontOwner& operator=(FontOwner&& other) noexcept {
        if (this != &other) {
            release();
            font_ = std::exchange(other.font_, nullptr);
        }
        return *this;
    }
    FontOwner(const FontOwner&) = delete;
    FontOwner& operator=(const FontOwner&) = delete;
    ~FontOwner() { release(); }

    HFONT get() const { return font_; }
    explicit operator bool() const { return font_ != nullptr; }

private:
    void release() noexcept {
        if (font_ != nullptr) DeleteObject(font_);
        font_ = nullptr;
    }

    HFONT font_ = nullptr;
};

}  // namespace zemrik
