// vfs::matchWildcard on an arbitrary pattern and text (the input split at
// its first line feed), compared with a plain dynamic-programming matcher
// written from the contract: '*' any run (also '/'), '?' one character,
// anything else itself, and a text that starts with '.' only matched by a
// pattern that starts with '.'.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "kernel/Text.h"
#include "vfs/src/impl/FileObject.h"

using vexa::fuzz::fuzzCheck;

namespace {

bool referenceMatch(const std::wstring& pattern, const std::wstring& text) {
    if (!text.empty() && text[0] == L'.' && (pattern.empty() || pattern[0] != L'.')) {
        return false;
    }
    // row[j]: the pattern so far matches the first j characters of the text.
    std::vector<char> row(text.size() + 1, 0);
    row[0] = 1;
    for (wchar_t p : pattern) {
        std::vector<char> next(text.size() + 1, 0);
        if (p == L'*') {
            char reached = 0;
            for (std::size_t j = 0; j <= text.size(); ++j) {
                reached = reached || row[j];
                next[j] = reached;
            }
        } else {
            for (std::size_t j = 1; j <= text.size(); ++j) {
                next[j] = row[j - 1] && (p == L'?' || p == text[j - 1]);
            }
        }
        row.swap(next);
    }
    return row[text.size()] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string::size_type split = bytes.find('\n');
    const wxString pattern = vexa::kernel::fromMB(bytes.substr(0, split));
    const wxString text =
        split == std::string::npos ? wxString() : vexa::kernel::fromMB(bytes.substr(split + 1));
    const bool matched = vexa::vfs::matchWildcard(pattern, text);
    fuzzCheck(matched == referenceMatch(pattern.ToStdWstring(), text.ToStdWstring()),
              "the matcher agrees with the reference matcher");
    fuzzCheck(vexa::vfs::matchWildcard(pattern, pattern) || pattern.Find('*') != wxNOT_FOUND ||
                  pattern.Find('?') != wxNOT_FOUND,
              "a pattern without wildcards matches itself");
    return 0;
}
