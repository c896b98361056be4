// Conversions between wxString and narrow text.
//
// The multibyte code page of this platform is UTF-8, always: every conversion
// goes through these helpers, which never consult the locale. Never use
// mb_str(), wxString(const char*) or wxConvCurrent without a converter: they
// follow the process locale, and a host that never called setlocale turns
// "Café" into an empty string.
//
// The conversions are lossless for any bytes: a byte that is no part of a
// well-formed UTF-8 character (a file or folder named in another code page,
// an encoded surrogate, a value above U+10FFFF, a cut-short sequence) is read
// as the escape code point U+DC00 + byte (U+DC80..U+DCFF, a lone surrogate
// valid UTF-8 never gives), and written back as that byte. So toMB(fromMB(b))
// is b for every byte string b, and a name listed from a folder opens again.
#ifndef VEXA_KERNEL_TEXT_H
#define VEXA_KERNEL_TEXT_H

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "kernel/KernelExport.h"

namespace vexa {
namespace kernel {

// The UTF-8 bytes of a wide string; an escape (U+DC80..U+DCFF) gives its one
// raw byte. Never fails: any other surrogate, and a value above U+10FFFF,
// is written as U+FFFD.
VEXA_KERNEL_API std::string toMB(const wxString& text);

// Appends the UTF-8 bytes of the code point `c`, which is a character
// (U+0080 to U+10FFFF, no surrogate): the one encoder of the hot paths.
// Escapes are the caller's to handle first (toMB() writes their byte).
inline void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

// The wide string of UTF-8 bytes. Each byte that is no part of a well-formed
// character becomes its escape (see above) rather than dropping or replacing
// anything, so nothing read from a file or a folder is lost. A null pointer
// gives an empty string.
VEXA_KERNEL_API wxString fromMB(const char* text);
VEXA_KERNEL_API wxString fromMB(const char* text, std::size_t length);
VEXA_KERNEL_API wxString fromMB(const std::string& text);

// Length in bytes of the longest prefix of `text` (of `length` bytes) that is
// at most `maximum` bytes and does not end inside a UTF-8 sequence.
VEXA_KERNEL_API std::size_t utf8CutLength(const char* text, std::size_t length,
                                          std::size_t maximum);

// Copies at most `maximum` bytes of `text` into `buffer`, cut at a character
// boundary, and terminates it; `buffer` must hold `maximum + 1` bytes.
// Returns the number of bytes copied.
VEXA_KERNEL_API std::size_t copyTextCut(char* buffer, const std::string& text, std::size_t maximum);

}  // namespace kernel
}  // namespace vexa

#endif  // VEXA_KERNEL_TEXT_H
