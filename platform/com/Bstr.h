// BSTR: the length-prefixed UTF-16 string that crosses interface boundaries (profile
// names of the Windows Media writer, friendly names). Layout, shared with the writer
// library's ABI: a 32-bit byte count, then the characters, then a 0 character; the BSTR
// points at the first character. Allocated with malloc, freed with SysFreeString.
// Also the conversions between the program's UTF-8 file names and wide strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentar {

using WCHAR = char16_t;
using BSTR = char16_t*;
using LPCWSTR = const char16_t*;

BSTR SysAllocString(LPCWSTR text);
BSTR SysAllocStringLen(LPCWSTR text, uint32_t length);
void SysFreeString(BSTR text);
uint32_t SysStringLen(BSTR text);

// UTF-8 (the Linux "ANSI code page") to UTF-16 and back. Invalid UTF-8 bytes become
// U+FFFD; unpaired surrogates become U+FFFD.
std::u16string WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::u16string_view text);

// Owns a BSTR; frees it with SysFreeString.
class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(BSTR text) : text_(text) {}
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    UniqueBstr(UniqueBstr&& other) noexcept : text_(other.release()) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueBstr() { reset(); }

    BSTR get() const { return text_; }
    BSTR* out() {
        reset();
        return &text_;
    }
    BSTR release() {
        BSTR t = text_;
        text_ = nullptr;
        return t;
    }
    void reset(BSTR text = nullptr) {
        if (text_)
            SysFreeString(text_);
        text_ = text;
    }
    std::u16string_view view() const {
        return text_ ? std::u16string_view(text_, SysStringLen(text_)) : std::u16string_view();
    }

private:
    BSTR text_ = nullptr;
};

} // namespace zentar
