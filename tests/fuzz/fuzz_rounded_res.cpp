// ResData::getRoundedRes on arbitrary text. Every result must be in the
// canonical form: "H", "HxV" (H and V differ), then optionally "@A" or
// "@AxB" (A and B differ; the "@" part differs from the first pair), each a
// decimal number without leading zeros that fits an unsigned long, then the
// input's "-" suffix unchanged. An empty text gives an empty text.
//
// For texts that are plain resolutions with positive numbers and at most two
// decimals ("719.6x1440.4@360") the result is also computed here, by integer
// arithmetic, and compared.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "kernel/Text.h"
#include "repos/Resolutions.h"

using vexa::fuzz::fuzzCheck;

namespace {

const std::string::size_type npos = std::string::npos;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a canonical number at `pos`; false when there is none.
bool canonicalNumber(const std::string& text, std::size_t& pos, std::string& number) {
    const std::size_t start = pos;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    number = text.substr(start, pos - start);
    if (number.empty() || (number.size() > 1 && number[0] == '0')) {
        return false;
    }
    return number.size() < 20 || (number.size() == 20 && number <= "18446744073709551615");
}

// A pair "N" or "NxM" with N != M at `pos`.
bool canonicalPair(const std::string& text, std::size_t& pos, std::string& pair) {
    std::string first;
    if (!canonicalNumber(text, pos, first)) {
        return false;
    }
    pair = first;
    if (pos < text.size() && text[pos] == 'x') {
        ++pos;
        std::string second;
        if (!canonicalNumber(text, pos, second) || second == first) {
            return false;
        }
        pair += "x" + second;
    }
    return true;
}

bool isCanonical(const std::string& text) {
    std::size_t pos = 0;
    std::string head;
    if (!canonicalPair(text, pos, head)) {
        return false;
    }
    if (pos < text.size() && text[pos] == '@') {
        ++pos;
        std::string at;
        if (!canonicalPair(text, pos, at) || at == head) {
            return false;
        }
    }
    return pos == text.size();
}

// A positive number of 1-9 digits without leading zero and an optional
// fraction of 1-2 digits, rounded half up; false outside that domain.
bool plainNumber(const std::string& text, std::size_t& pos, unsigned long& rounded) {
    const std::size_t start = pos;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
    }
    const std::size_t digits = pos - start;
    if (digits == 0 || digits > 9 || text[start] == '0') {
        return false;
    }
    unsigned long hundredths = std::stoul(text.substr(start, digits)) * 100;
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fractionStart = ++pos;
        while (pos < text.size() && isDigit(text[pos])) {
            ++pos;
        }
        const std::size_t fraction = pos - fractionStart;
        if (fraction == 0 || fraction > 2) {
            return false;
        }
        unsigned long value = std::stoul(text.substr(fractionStart, fraction));
        hundredths += fraction == 1 ? value * 10 : value;
    }
    rounded = (hundredths + 50) / 100;
    return true;
}

// "N" or "NxM" in that domain; M defaults to N.
bool plainPair(const std::string& text, std::size_t& pos, unsigned long& first,
               unsigned long& second) {
    if (!plainNumber(text, pos, first)) {
        return false;
    }
    second = first;
    if (pos < text.size() && text[pos] == 'x') {
        ++pos;
        return plainNumber(text, pos, second);
    }
    return true;
}

std::string pairText(unsigned long first, unsigned long second) {
    return first == second ? std::to_string(first)
                           : std::to_string(first) + "x" + std::to_string(second);
}

// The expected result for a plain resolution text; empty outside the domain.
std::string expectedFor(const std::string& text) {
    std::size_t pos = 0;
    unsigned long h = 0, v = 0;
    if (!plainPair(text, pos, h, v)) {
        return std::string();
    }
    unsigned long a = h, b = v;
    if (pos < text.size() && text[pos] == '@') {
        ++pos;
        if (!plainPair(text, pos, a, b)) {
            return std::string();
        }
    }
    if (pos != text.size()) {
        return std::string();
    }
    std::string result = pairText(h, v);
    if (a != h || b != v) {
        result += "@" + pairText(a, b);
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const wxString text = vexa::kernel::fromMB(reinterpret_cast<const char*>(data), size);
    const std::string result = vexa::kernel::toMB(vexa::repos::ResData::getRoundedRes(text));
    if (text.empty()) {
        fuzzCheck(result.empty(), "an empty text gives an empty text");
        return 0;
    }
    const std::string source = vexa::kernel::toMB(text);
    const std::string::size_type dash = source.find('-');
    const std::string suffix = dash != npos ? source.substr(dash) : std::string();
    fuzzCheck(result.size() >= suffix.size() &&
                  result.compare(result.size() - suffix.size(), npos, suffix) == 0,
              "the result ends with the text's \"-\" suffix");
    const std::string head = result.substr(0, result.size() - suffix.size());
    fuzzCheck(isCanonical(head), "the result is in canonical form");

    const std::string expected = expectedFor(source);
    if (!expected.empty()) {
        fuzzCheck(head == expected, "a plain resolution rounds as computed independently");
    }
    return 0;
}
