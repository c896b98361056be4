#include "EngineSupport.h"

#include <sys/mman.h>

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "kernel/Text.h"

namespace vexa {
namespace repos {
namespace engine {

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

SSTRAL* makeStral() {
    SSTRAL* array = _stral_new();
    if (array == nullptr) {
        throw std::bad_alloc();
    }
    return array;
}

SSTRAL* copyStral(const SSTRAL* source) {
    if (source == nullptr) {
        return makeStral();
    }
    SSTRAL* array = _stral_copy(source);
    if (array == nullptr) {
        throw std::bad_alloc();
    }
    return array;
}

void emptyStral(SSTRAL* array) {
    if (array == nullptr) {
        return;
    }
    array->first = nullptr;
    array->last = nullptr;
    // The array keeps every row it ever made on its release list until
    // stral_free; a reader that refills one array again and again would grow
    // it without bound. Hand that list to a scratch array and free it now.
    SSTRAL* scratch = _stral_new();
    if (scratch == nullptr) {
        return;  // the rows stay listed and go with the array
    }
    scratch->owned = array->owned;
    array->owned = nullptr;
    stral_free(scratch);
}

void checkAdded(int added) {
    if (added != 0) {
        throw std::bad_alloc();
    }
}

std::string rowText(const SSTRALROW* row, int index) {
    if (row == nullptr || index < 0 || index >= row->count || row->texts == nullptr ||
        row->texts[index] == nullptr) {
        return std::string();
    }
    return std::string(row->texts[index]);
}

wxString rowWText(const SSTRALROW* row, int index) {
    return kernel::fromMB(rowText(row, index));
}

std::size_t rowCount(const SSTRAL* array) {
    std::size_t n = 0;
    for (const SSTRALROW* row = array ? array->first : nullptr; row != nullptr; row = row->next) {
        ++n;
    }
    return n;
}

std::string field(const char* text, std::size_t size) {
    if (text == nullptr) {
        return std::string();
    }
    const void* end = std::memchr(text, '\0', size);
    return std::string(text, end ? static_cast<const char*>(end) - text : size);
}

void setField(char* field, std::size_t size, const std::string& text) {
    if (field == nullptr || size == 0) {
        return;
    }
    std::memset(field, 0, size);
    kernel::copyTextCut(field, text, size - 1);
}

namespace {

typedef std::size_t (*Converter)(const char*, char*, std::size_t);

std::string convert(Converter converter, const std::string& text) {
    const std::size_t length = converter(text.c_str(), nullptr, 0);
    std::vector<char> buffer(length + 1, '\0');
    converter(text.c_str(), buffer.data(), buffer.size());
    return std::string(buffer.data());
}

}  // namespace

std::string utf8ToMbcs(const std::string& text) {
    return convert(&Outf8_to_mbcs, text);
}

std::string mbcsToUtf8(const std::string& text) {
    return convert(&Ombcs_to_utf8, text);
}

}  // namespace engine
}  // namespace repos
}  // namespace vexa
