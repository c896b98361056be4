#include <string>

#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace vfs {

bool matchWildcard(const wxString& pattern, const wxString& text) {
    const std::wstring p = pattern.ToStdWstring();
    const std::wstring t = text.ToStdWstring();
    // A leading '.' (a hidden name elsewhere) needs an explicit '.'.
    if (!t.empty() && t[0] == L'.' && (p.empty() || p[0] != L'.')) {
        return false;
    }
    // Greedy scan that backtracks only to the last '*': linear in practice,
    // O(|p| * |t|) at worst, no recursion.
    std::size_t pi = 0;
    std::size_t ti = 0;
    std::size_t star = std::wstring::npos;
    std::size_t starText = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == L'*') {
            star = pi++;
            starText = ti;
        } else if (pi < p.size() && (p[pi] == L'?' || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (star != std::wstring::npos) {
            pi = star + 1;
            ti = ++starText;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == L'*') {
        ++pi;
    }
    return pi == p.size();
}

}  // namespace vfs
}  // namespace vexa
