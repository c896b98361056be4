// Locale-independent number conversion. Formatting switches the calling
// thread (and only it) to the "C" locale with uselocale for the duration of
// the call; parsing picks the number out by hand and converts it with
// from_chars (strtod_l in the "C" locale for values out of range). Neither
// touches the process locale, so both are safe while other threads call
// setlocale.
#include <locale.h>

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kernel/VexKernel.h"

namespace {

// The "C" locale, made once and kept for the life of the process.
locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return locale;
}

// Switches the calling thread to the "C" locale until destroyed.
class CLocaleScope {
  public:
    CLocaleScope() : m_previous(cLocale() != nullptr ? uselocale(cLocale()) : nullptr) {}
    ~CLocaleScope() {
        if (m_previous != nullptr) {
            uselocale(m_previous);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t m_previous;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Length of the digit run starting at `text`.
std::size_t digits(const char* text) {
    std::size_t n = 0;
    while (isDigit(text[n])) {
        ++n;
    }
    return n;
}

}  // namespace

extern "C" {

double OatofEx(const char* text) {
    if (text == nullptr) {
        return 0.0;
    }
    while (isBlank(*text)) {
        ++text;
    }
    const char* p = text;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    const std::size_t whole = digits(p);
    p += whole;
    std::size_t fraction = 0;
    if (*p == '.') {
        fraction = digits(p + 1);
        if (whole > 0 || fraction > 0) {
            p += 1 + fraction;
        }
    }
    if (whole == 0 && fraction == 0) {
        return 0.0;
    }
    if (*p == 'e' || *p == 'E') {
        const char* exponent = p + 1;
        if (*exponent == '+' || *exponent == '-') {
            ++exponent;
        }
        const std::size_t n = digits(exponent);
        if (n > 0) {
            p = exponent + n;
        }
    }
    // Only digits, sign, '.' and the exponent are converted: no hexadecimal,
    // no "inf". from_chars knows no locale and is the faster by far; it
    // takes no '+', and a value beyond double's range is left to strtod,
    // which gives infinity or zero for it.
    const char* first = *text == '+' ? text + 1 : text;
    double value = 0.0;
    const std::from_chars_result parsed = std::from_chars(first, p, value);
    if (parsed.ec == std::errc() && parsed.ptr == p) {
        return value;
    }
    // The "C" locale makes '.' the separator.
    const std::string number(text, p);
    if (cLocale() == nullptr) {
        return std::strtod(number.c_str(), nullptr);
    }
    return strtod_l(number.c_str(), nullptr, cLocale());
}

int OsprintfEx(char* buffer, const char* format, ...) {
    if (buffer == nullptr || format == nullptr) {
        return -1;
    }
    CLocaleScope scope;
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsprintf(buffer, format, arguments);
    va_end(arguments);
    return written;
}

int OsnprintfEx(char* buffer, size_t size, const char* format, ...) {
    if (format == nullptr || (buffer == nullptr && size > 0)) {
        return -1;
    }
    CLocaleScope scope;
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(buffer, size, format, arguments);
    va_end(arguments);
    return written;
}

}  // extern "C"
