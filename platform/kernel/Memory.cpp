#include "kernel/Memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace vexa {
namespace kernel {

namespace {

// Blocks up to this size come from pools; larger ones get mappings of their
// own (rare: the engine's tables are far smaller).
const std::size_t kPooledMax = 1024 * 1024;
// The slots of a size's first reservation. Each further one holds as many
// as all before it together, up to kMostSlots: the mappings grow with the
// logarithm of the blocks alive at once, then by one per kMostSlots blocks,
// and a host with few tables reserves little address space.
const std::size_t kFirstSlots = 256;
const std::size_t kMostSlots = 8192;

std::size_t pageSize() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

std::size_t roundToPages(std::size_t size) {
    const std::size_t page = pageSize();
    return (size + page - 1) / page * page;
}

struct Reservation {
    std::size_t length;    // of the whole mapping
    std::size_t slotSize;  // 0 for a block mapped on its own
};

// Every mapping made here, by base address, and the free slots of each slot
// size. A structure's pointer alone cannot tell a mapped block from a
// malloc'd one, so releaseBlock looks it up.
struct Blocks {
    std::mutex guard;
    std::map<char*, Reservation> mappings;
    std::map<std::size_t, std::vector<char*>> freeSlots;
    std::map<std::size_t, std::size_t> slotsReserved;  // by slot size
};

Blocks& blocks() {
    // Never destroyed: structures may be released by static destructors.
    static Blocks* all = new Blocks();
    return *all;
}

char* mapOrNull(std::size_t length) {
    // No swap is set aside for pages nobody writes: most of a reservation.
    void* block = ::mmap(nullptr, length, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return block == MAP_FAILED ? nullptr : static_cast<char*>(block);
}

char* mapOrThrow(std::size_t length) {
    char* block = mapOrNull(length);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

// The mapping holding `block`, or mappings.end().
std::map<char*, Reservation>::iterator mappingOf(Blocks& all, char* block) {
    auto found = all.mappings.upper_bound(block);
    if (found == all.mappings.begin()) {
        return all.mappings.end();
    }
    --found;
    return block < found->first + found->second.length ? found : all.mappings.end();
}

}  // namespace

void* mapZeroed(std::size_t size) {
    const std::size_t slotSize = roundToPages(size == 0 ? 1 : size);
    Blocks& all = blocks();
    std::lock_guard<std::mutex> lock(all.guard);
    if (slotSize > kPooledMax) {
        char* block = mapOrThrow(slotSize);
        try {
            all.mappings.emplace(block, Reservation{slotSize, 0});
        } catch (...) {
            ::munmap(block, slotSize);
            throw;
        }
        return block;
    }
    std::vector<char*>& free = all.freeSlots[slotSize];
    if (free.empty()) {
        std::size_t& reserved = all.slotsReserved[slotSize];
        // A system that limits address space or commits strictly may refuse
        // a large reservation: fewer slots then, down to one.
        std::size_t slots = std::min(std::max(reserved, kFirstSlots), kMostSlots);
        char* base = mapOrNull(slotSize * slots);
        while (base == nullptr && slots > 1) {
            slots /= 2;
            base = mapOrNull(slotSize * slots);
        }
        if (base == nullptr) {
            throw std::bad_alloc();
        }
        const std::size_t length = slotSize * slots;
        try {
            // Room for every slot of this size: a release never allocates.
            free.reserve(reserved + slots);
            all.mappings.emplace(base, Reservation{length, slotSize});
        } catch (...) {
            ::munmap(base, length);
            throw;
        }
        reserved += slots;
        // Handed out from the low end first.
        for (std::size_t i = slots; i-- > 0;) {
            free.push_back(base + i * slotSize);
        }
    }
    char* slot = free.back();
    free.pop_back();
    return slot;
}

void releaseBlock(void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    char* block = static_cast<char*>(pointer);
    Blocks& all = blocks();
    std::lock_guard<std::mutex> lock(all.guard);
    const auto mapping = mappingOf(all, block);
    if (mapping == all.mappings.end()) {
        std::free(pointer);  // a caller's own block
        return;
    }
    const Reservation reservation = mapping->second;
    if (reservation.slotSize == 0) {
        // A failed unmap (too many mappings to split, say) must not keep the
        // pages: give them back, and keep the block known so it is not
        // mistaken for a heap block later.
        if (::munmap(block, reservation.length) == 0) {
            all.mappings.erase(mapping);
        } else {
            ::madvise(block, reservation.length, MADV_DONTNEED);
        }
        return;
    }
    // The pages go back to the system; the slot reads as zeros when it is
    // handed out again. madvise never splits the mapping.
    ::madvise(block, reservation.slotSize, MADV_DONTNEED);
    // The list has room for every slot of its size: no throw.
    all.freeSlots.find(reservation.slotSize)->second.push_back(block);
}

std::size_t mappingCount() {
    Blocks& all = blocks();
    std::lock_guard<std::mutex> lock(all.guard);
    return all.mappings.size();
}

}  // namespace kernel
}  // namespace vexa
