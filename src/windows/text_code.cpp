#include "text_code.h"

#include <windows.h>

namespace {

constexpr UINT kProgramCodePage = 1251;

std::wstring toWide(UINT codePage, const char* text, std::size_t n) {
    if (n == 0) return {};
    const int length = static_cast<int>(n);
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text, length, nullptr, 0)), L'\0');
    if (!wide.empty()) MultiByteToWideChar(codePage, 0, text, length, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return {};
    const int length = static_cast<int>(wide.size());
    std::string text(
        static_cast<std::size_t>(WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr)),
        '\0');
    if (!text.empty())
        WideCharToMultiByte(codePage, 0, wide.data(), length, text.data(), static_cast<int>(text.size()), nullptr,
                            nullptr);
    return text;
}

}  // namespace

// Code page 1251 is named, not the system's ANSI page: the program's texts
// are 1251 whatever the computer's language.
std::string programToUtf8(const char* text, std::size_t n) { return fromWide(CP_UTF8, toWide(kProgramCodePage, text, n)); }

// A character that 1251 has no place for becomes "?".
std::string utf8ToProgram(const char* text, std::size_t n) { return fromWide(kProgramCodePage, toWide(CP_UTF8, text, n)); }

std::wstring programToWide(const char* text, std::size_t n) { return toWide(kProgramCodePage, text, n); }
