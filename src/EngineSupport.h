// Helpers for the wrappers of engine structures and their strategies:
// string arrays allocated with failure reported by std::bad_alloc, emptied in
// place with the dropped rows released, rows and fixed character fields read
// within their bounds, fields filled without overflow.
#ifndef VEXA_REPOS_SRC_ENGINESUPPORT_H
#define VEXA_REPOS_SRC_ENGINESUPPORT_H

#include <wx/string.h>

#include <cstddef>
#include <string>

#include "kernel/VexKernel.h"

namespace vexa {
namespace repos {
namespace engine {

// Row kinds handed to stral_add.
const int kListRow = 0x51;    // page sizes, passes, ports, resolutions
const int kScreenRow = 0x32;  // screens of a screen set-up
const int kScaleRow = 0xa;    // scale rows of a dot unit

// A new empty array; throws std::bad_alloc when memory runs out.
SSTRAL* makeStral();
// A copy of `source` (a new empty array for null); throws std::bad_alloc.
SSTRAL* copyStral(const SSTRAL* source);
// Drops every row of `array` and releases them now; null is allowed.
void emptyStral(SSTRAL* array);
// Throws std::bad_alloc when stral_add reported a failure.
void checkAdded(int added);

// Text `index` of `row` as bytes; empty beyond the row's count or for a
// null text.
std::string rowText(const SSTRALROW* row, int index);
// The same as a wide string (the bytes are UTF-8).
wxString rowWText(const SSTRALROW* row, int index);
// Number of rows of `array` (0 for null).
std::size_t rowCount(const SSTRAL* array);

// The bytes of a fixed character field up to its terminator, never reading
// past `size` bytes even when the field holds no terminator.
std::string field(const char* text, std::size_t size);
// Fills the field of `size` bytes with `text` cut at a character boundary to
// at most size - 1 bytes, zero-filling the rest. Nothing for size 0.
void setField(char* field, std::size_t size, const std::string& text);

// UTF-8 to the multibyte code page and back, through the kernel.
std::string utf8ToMbcs(const std::string& text);
std::string mbcsToUtf8(const std::string& text);

}  // namespace engine
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_SRC_ENGINESUPPORT_H
