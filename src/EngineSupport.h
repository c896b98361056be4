// Helpers for the wrappers of engine structures and their strategies:
// string arrays allocated with failure reported by std::bad_alloc, emptied in
// place with the dropped rows released, rows and fixed character fields read
// within their bounds, fields filled without overflow.
#ifndef VEXA_REPOS_SRC_ENGINESUPPORT_H
#define VEXA_REPOS_SRC_ENGINESUPPORT_H

#include <wx/string.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

#include "kernel/Memory.h"
#include "kernel/VexKernel.h"
#include "repos/NamedNode.h"

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

// A zeroed block of `size` bytes for an engine structure, to be released
// with std::free as the engine does; throws std::bad_alloc.
template <class T>
T* allocateZeroed(std::size_t size = sizeof(T)) {
    void* block = std::calloc(1, size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<T*>(block);
}

// Zeroed blocks mapped from the system for the large, mostly empty engine
// blocks, and their release (see kernel/Memory.h).
using kernel::mapZeroed;
using kernel::releaseBlock;

// Copies `size` bytes into the zeroed mapped block `to`, leaving out the
// pages of `from` that hold only zeros: a copy that wrote every page would
// make all of them resident.
void copyWrittenPages(void* to, const void* from, std::size_t size);

// What every strategy's storeNew does: a new node `name` filled by
// `strategy.storeInto` and added to `parent`.
template <class Strategy, class Value>
NamedNode::Ptr storeAsChild(const Strategy& strategy, const Value& value,
                            const NamedNode::Ptr& parent, const wxString& name) {
    NamedNode::Ptr node = NamedNode::Create(name);
    strategy.storeInto(value, node);
    node->addTo(parent);
    return node;
}

// UTF-8 to the multibyte code page and back, through the kernel.
std::string utf8ToMbcs(const std::string& text);
std::string mbcsToUtf8(const std::string& text);

}  // namespace engine
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_SRC_ENGINESUPPORT_H
