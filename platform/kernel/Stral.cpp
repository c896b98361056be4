// String arrays. A row, its text pointer array and the text bytes live in one
// allocation, so a row is made and released with one call and a failed
// allocation leaves nothing behind.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kernel/VexKernel.h"

namespace {

// A row holding copies of `texts`; null when memory runs out.
SSTRALROW* makeRow(int kind, const char* const* texts, std::size_t count) {
    std::size_t bytes = sizeof(SSTRALROW) + count * sizeof(char*);
    for (std::size_t i = 0; i < count; ++i) {
        bytes += (texts[i] != nullptr ? std::strlen(texts[i]) : 0) + 1;
    }
    void* block = std::malloc(bytes);
    if (block == nullptr) {
        return nullptr;
    }
    SSTRALROW* row = static_cast<SSTRALROW*>(block);
    row->count = static_cast<int32_t>(count);
    row->texts = reinterpret_cast<char**>(row + 1);
    row->next = nullptr;
    row->kind = kind;
    row->owned = nullptr;
    char* cursor = reinterpret_cast<char*>(row->texts + count);
    for (std::size_t i = 0; i < count; ++i) {
        if (texts[i] == nullptr) {
            // Only a hand-made row can hold a null text; copy it as null.
            row->texts[i] = nullptr;
            continue;
        }
        const std::size_t length = std::strlen(texts[i]) + 1;
        std::memcpy(cursor, texts[i], length);
        row->texts[i] = cursor;
        cursor += length;
    }
    return row;
}

// Hands `row` to `array`, which releases it in stral_free.
void adopt(SSTRAL* array, SSTRALROW* row) {
    row->owned = array->owned;
    array->owned = row;
}

// The last row of the chain. `last` is trusted when the chain is not empty
// and it has no successor; a caller that rebuilt the chain by hand (or left
// `last` null) gets it recomputed.
SSTRALROW* lastRow(SSTRAL* array) {
    if (array->first == nullptr) {
        return nullptr;
    }
    SSTRALROW* row = array->last != nullptr ? array->last : array->first;
    while (row->next != nullptr) {
        row = row->next;
    }
    return row;
}

}  // namespace

extern "C" {

SSTRAL* _stral_new(void) {
    return static_cast<SSTRAL*>(std::calloc(1, sizeof(SSTRAL)));
}

SSTRAL* _stral_copy(const SSTRAL* array) {
    if (array == nullptr) {
        return nullptr;
    }
    SSTRAL* copy = _stral_new();
    if (copy == nullptr) {
        return nullptr;
    }
    for (const SSTRALROW* row = array->first; row != nullptr; row = row->next) {
        const std::size_t count = row->count > 0 ? static_cast<std::size_t>(row->count) : 0;
        SSTRALROW* duplicate = makeRow(row->kind, row->texts, count);
        if (duplicate == nullptr) {
            stral_free(copy);
            return nullptr;
        }
        adopt(copy, duplicate);
        if (copy->last == nullptr) {
            copy->first = duplicate;
        } else {
            copy->last->next = duplicate;
        }
        copy->last = duplicate;
    }
    return copy;
}

void stral_free(SSTRAL* array) {
    if (array == nullptr) {
        return;
    }
    SSTRALROW* row = array->owned;
    while (row != nullptr) {
        SSTRALROW* next = row->owned;
        std::free(row);
        row = next;
    }
    std::free(array);
}

int stral_add(SSTRAL* array, int position, int kind, ...) {
    if (array == nullptr) {
        return -1;
    }
    std::vector<const char*> texts;
    va_list arguments;
    va_start(arguments, kind);
    for (const char* text = va_arg(arguments, const char*); text != nullptr;
         text = va_arg(arguments, const char*)) {
        texts.push_back(text);
    }
    va_end(arguments);

    SSTRALROW* row = makeRow(kind, texts.data(), texts.size());
    if (row == nullptr) {
        return -1;
    }
    adopt(array, row);

    SSTRALROW* tail = lastRow(array);
    if (tail == nullptr) {
        array->first = row;
        array->last = row;
        return 0;
    }
    if (position >= 0) {
        // Insert before the row at `position`, if there is one.
        SSTRALROW** link = &array->first;
        for (int index = 0; index < position && *link != nullptr; ++index) {
            link = &(*link)->next;
        }
        if (*link != nullptr) {
            row->next = *link;
            *link = row;
            array->last = tail;
            return 0;
        }
    }
    tail->next = row;
    array->last = row;
    return 0;
}

int stral_find(const SSTRAL* array, const char* text, int /*flags*/) {
    if (array == nullptr || text == nullptr) {
        return 0;
    }
    int index = 0;
    for (const SSTRALROW* row = array->first; row != nullptr; row = row->next, ++index) {
        for (int32_t i = 0; i < row->count; ++i) {
            if (row->texts[i] != nullptr && std::strcmp(row->texts[i], text) == 0) {
                return index + 1;
            }
        }
    }
    return 0;
}

}  // extern "C"
