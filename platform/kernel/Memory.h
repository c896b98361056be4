// Memory blocks of the imaging engine's structures that come from the system
// rather than from the heap.
//
// calloc clears, and so makes resident, every page of a heap block; pages of
// a mapping that nobody writes stay unbacked. A variable-dot table is 64 KB,
// of which a configuration fills a page or two: mapped, it costs what it
// holds. Blocks up to 1 MB are slots of large reservations (256 slots at
// first, each further reservation of a size as large as all before it, up
// to 8192 slots), so the number of mappings grows with the logarithm of the
// blocks alive at once, never with each block: a system's limit on mappings
// is far off. Where the system refuses a reservation that large (a limit on
// address space, strict overcommit), a smaller one is taken, down to one
// slot. A released slot gives its pages back (madvise) and is handed out
// again.
// Threads: every call may run on any thread.
#ifndef VEXA_KERNEL_MEMORY_H
#define VEXA_KERNEL_MEMORY_H

#include <cstddef>

#include "kernel/KernelExport.h"

namespace vexa {
namespace kernel {

// A zeroed block of `size` bytes mapped from the system. Throws
// std::bad_alloc when it cannot be had.
VEXA_KERNEL_API void* mapZeroed(std::size_t size);
// Releases a block of mapZeroed, or any other block with std::free (a caller
// may have put a block of its own into a structure). Null is allowed. Never
// keeps the pages of a block: one the system refuses to unmap is emptied.
VEXA_KERNEL_API void releaseBlock(void* block);
// How many mappings the blocks of mapZeroed use now.
VEXA_KERNEL_API std::size_t mappingCount();

}  // namespace kernel
}  // namespace vexa

#endif  // VEXA_KERNEL_MEMORY_H
