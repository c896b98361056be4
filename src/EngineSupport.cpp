#include "EngineSupport.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "kernel/Text.h"

namespace vexa {
namespace repos {
namespace engine {

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

void copyWrittenPages(void* to, const void* from, std::size_t size) {
    static const unsigned char kZeros[4096] = {};
    const unsigned char* source = static_cast<const unsigned char*>(from);
    unsigned char* target = static_cast<unsigned char*>(to);
    for (std::size_t offset = 0; offset < size; offset += sizeof kZeros) {
        const std::size_t length = std::min(sizeof kZeros, size - offset);
        if (std::memcmp(source + offset, kZeros, length) != 0) {
            std::memcpy(target + offset, source + offset, length);
        }
    }
}

}  // namespace engine
}  // namespace repos
}  // namespace vexa
