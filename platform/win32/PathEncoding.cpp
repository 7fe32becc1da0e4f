#include "platform/PathEncoding.h"

#include <windows.h>

#include <atomic>

#include "platform/win32/WidePath.h"

namespace zemrik::platform {
namespace {

std::atomic<UINT> pathCodePage{CP_ACP};

// Characters the code page lacks become what the system makes of them ('?'
// for ANSI), as the A functions would have them: such a name opens nothing.
std::wstring toWide(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string fromWide(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

}  // namespace

void setPathEncoding(PathEncoding encoding) { pathCodePage.store(encoding == PathEncoding::Utf8 ? CP_UTF8 : CP_ACP); }

std::string utf8FromWide(std::wstring_view text) { return fromWide(text, CP_UTF8); }

bool pathsInAnsiCodePage() { return pathCodePage.load() == CP_ACP; }

std::wstring widePath(const std::string& path) { return toWide(path, pathCodePage.load()); }

std::string narrowPath(const std::wstring& path) { return fromWide(path, pathCodePage.load()); }

}  // namespace zemrik::platform
