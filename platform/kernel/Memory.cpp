#include "kernel/Memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

namespace vexa {
namespace kernel {

namespace {

// The blocks of mapZeroed and their lengths: a structure's pointer alone
// cannot tell a mapped block from a malloc'd one.
struct MappedBlocks {
    std::mutex guard;
    std::unordered_map<void*, std::size_t> lengths;
};

MappedBlocks& mappedBlocks() {
    // Never destroyed: structures may be released by static destructors.
    static MappedBlocks* blocks = new MappedBlocks();
    return *blocks;
}

}  // namespace

void* mapZeroed(std::size_t size) {
    const std::size_t length = size == 0 ? 1 : size;
    void* block =
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        throw std::bad_alloc();
    }
    MappedBlocks& blocks = mappedBlocks();
    try {
        std::lock_guard<std::mutex> lock(blocks.guard);
        blocks.lengths.emplace(block, length);
    } catch (...) {
        ::munmap(block, length);
        throw;
    }
    return block;
}

void releaseBlock(void* block) {
    if (block == nullptr) {
        return;
    }
    std::size_t length = 0;
    {
        MappedBlocks& blocks = mappedBlocks();
        std::lock_guard<std::mutex> lock(blocks.guard);
        const auto found = blocks.lengths.find(block);
        if (found != blocks.lengths.end()) {
            length = found->second;
            blocks.lengths.erase(found);
        }
    }
    if (length > 0) {
        ::munmap(block, length);
    } else {
        std::free(block);
    }
}

}  // namespace kernel
}  // namespace vexa
