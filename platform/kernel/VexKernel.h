// Kernel support services the repository library builds on: string arrays,
// locale-independent number conversion, UTF-8 text helpers, the running
// executable's path and the process-wide singleton manager; the brace text
// tokenizer and parser are declared in kernel/FParse.h, included here.
//
// The functions are plain C declarations (a C host can call them); the
// singleton manager at the end is C++ only.
//
// Ownership: every SSTRAL made by _stral_new or _stral_copy belongs to the
// caller until stral_free. The array owns its rows and their texts; callers
// read rows through the structures below but never free them.
//
// Threads: all functions may be called from any thread. One SSTRAL must not
// be changed by one thread while another uses it. Number conversion never
// touches the process locale, so it is safe while another thread calls
// setlocale.
#ifndef VEXA_KERNEL_VEXKERNEL_H
#define VEXA_KERNEL_VEXKERNEL_H

#include <stddef.h>
#include <stdint.h>

#include "kernel/FParse.h" /* the brace text tokenizer and list parser */
#include "kernel/KernelExport.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------
 * String arrays
 *
 * An SSTRAL is a chain of rows; a row holds a few byte-string texts and a
 * kind chosen by the caller (the kernel stores it and gives it no meaning).
 *
 * Layout callers rely on: the array starts with the pointer to its first
 * row followed by a second word, the pointer to its last row (kept so that
 * appending costs O(1)). Setting both words to zero empties the array. The
 * rows dropped that way stay owned by the array and are released by
 * stral_free, so emptying an array in place never leaks. A row starts with
 * its number of texts, the pointer to its array of text pointers and the
 * pointer to the next row (null after the last).
 * ---------------------------------------------------------------------- */

typedef struct SSTRALROW {
    int32_t count;           /* number of texts */
    char** texts;            /* `count` NUL-terminated texts */
    struct SSTRALROW* next;  /* next row of the chain, null after the last */
    int32_t kind;            /* the kind given to stral_add */
    struct SSTRALROW* owned; /* private: next row allocated for the array */
} SSTRALROW;

typedef struct SSTRAL {
    SSTRALROW* first; /* first row, null when empty */
    SSTRALROW* last;  /* last row; null with a non-empty chain is repaired */
    SSTRALROW* owned; /* private: every row ever added, for stral_free */
} SSTRAL;

/* A new empty array; null only when memory runs out. */
VEXA_KERNEL_API SSTRAL* _stral_new(void);

/* A new array holding copies of the rows of `array`'s chain (kinds and
 * texts copied, nothing shared). Null for a null array or when memory runs
 * out; nothing is left allocated then. */
VEXA_KERNEL_API SSTRAL* _stral_copy(const SSTRAL* array);

/* Releases the array, every row it owns and their texts. Null is allowed. */
VEXA_KERNEL_API void stral_free(SSTRAL* array);

/* Adds a row holding copies of the texts given after `kind`, a list ended by
 * a null pointer (it may be empty). `position` -1 (any negative value) or
 * any position past the last row appends, in constant time; n >= 0 puts
 * the row before the row at index n. Returns 0, or -1 for a null array or
 * when memory runs out (the array is unchanged then). */
VEXA_KERNEL_API int stral_add(SSTRAL* array, int position, int kind, ...);

/* 1 + the index of the first row holding a text equal (byte for byte) to
 * `text`, in any column; 0 when no row does or either pointer is null.
 * `flags` is reserved; pass 0. */
VEXA_KERNEL_API int stral_find(const SSTRAL* array, const char* text, int flags);

/* ------------------------------------------------------------------------
 * Numbers. Both use the "C" conventions whatever the process or thread
 * locale is: the decimal separator is always '.'.
 * ---------------------------------------------------------------------- */

/* The decimal number at the start of `text` (after blanks): an optional
 * sign, digits with an optional '.' and fraction, an optional exponent.
 * 0 when there is none or `text` is null; what follows the number is
 * ignored ("2.5kg" gives 2.5, "2,5" gives 2). Hexadecimal, "inf" and "nan"
 * are not numbers here. Too large gives +/-HUGE_VAL. */
VEXA_KERNEL_API double OatofEx(const char* text);

/* sprintf into `buffer`, which must be large enough. Returns the number of
 * bytes written without the terminator, negative on a format error. */
VEXA_KERNEL_API int OsprintfEx(char* buffer, const char* format, ...);

/* snprintf into `buffer` of `size` bytes (size 0: nothing written). Returns
 * the length the whole result has, as snprintf does, so a result >= size
 * means it was cut. */
VEXA_KERNEL_API int OsnprintfEx(char* buffer, size_t size, const char* format, ...);

/* ------------------------------------------------------------------------
 * Text. The multibyte code page of this platform is UTF-8.
 * ---------------------------------------------------------------------- */

/* Converts UTF-8 `text` to the multibyte code page into `destination` of
 * `size` bytes, cut at a character boundary when it does not fit, always
 * terminated when size > 0. Returns the length of the whole converted text
 * (call with a null destination and size 0 to learn it), 0 for a null
 * text. The two code pages are the same here, so this is a copy. */
VEXA_KERNEL_API size_t Outf8_to_mbcs(const char* text, char* destination, size_t size);

/* The reverse of Outf8_to_mbcs, with the same contract. */
VEXA_KERNEL_API size_t Ombcs_to_utf8(const char* text, char* destination, size_t size);

/* The code of the first character of `text` and, in *length, its length in
 * bytes. A byte that does not start a valid UTF-8 sequence (stray
 * continuation, overlong form, surrogate, beyond U+10FFFF, cut short) is a
 * character of its own: its byte value, length 1. An empty or null text
 * gives 0 and length 0. `length` may be null. */
VEXA_KERNEL_API uint32_t Ostrgetc(const char* text, int* length);

/* ------------------------------------------------------------------------
 * Process
 * ---------------------------------------------------------------------- */

/* Writes the full path of the running executable (UTF-8, terminated) into
 * `buffer` of `size` bytes. Returns its length; 0 with an empty buffer
 * when it cannot be found or does not fit (a cut path would name another
 * file). */
VEXA_KERNEL_API int OGetProcessExePath(char* buffer, int size);

#ifdef __cplusplus
} /* extern "C" */

#include <mutex>

/* ------------------------------------------------------------------------
 * Singletons: process-wide objects that a library registers when it is
 * loaded and releases when it is unloaded. The manager holds plain
 * pointers; it never deletes an object, it only asks it to let go of what
 * it holds.
 * ---------------------------------------------------------------------- */

class VEXA_KERNEL_API singleton_interface {
  public:
    // Lets go of whatever the object holds; it may be used (and fill
    // itself) again afterwards. Called by the manager, outside its lock.
    virtual void release() = 0;

  protected:
    // Objects are never deleted through the interface.
    ~singleton_interface() = default;
};

namespace singleton {

// Registers `object` (null and repeated registrations are ignored).
VEXA_KERNEL_API void Manage(singleton_interface* object);

// Deregisters `object` and calls its release(). Safe on an object that is
// not registered (it is released all the same) and on null (nothing).
VEXA_KERNEL_API void Release(singleton_interface* object);

// Deregisters every object and releases each, the last registered first.
VEXA_KERNEL_API void ReleaseAll();

}  // namespace singleton

// Owns one T made on first use. release() deletes it; the next get() makes
// a new one. The destructor deregisters the object and deletes T, so a
// static singleton_ptr never leaves a dangling pointer with the manager.
// get() and release() are serialised, but release() must not run while
// another thread still uses the T it returned.
template <class T>
class singleton_ptr : public singleton_interface {
  public:
    singleton_ptr() = default;
    singleton_ptr(const singleton_ptr&) = delete;
    singleton_ptr& operator=(const singleton_ptr&) = delete;
    ~singleton_ptr() { singleton::Release(this); }

    // The object, made (default constructed) when there is none.
    T* get() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_object == nullptr) {
            m_object = new T();
        }
        return m_object;
    }
    // The object, or null when there is none; never makes one.
    T* peek() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_object;
    }
    void release() override {
        T* old = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            old = m_object;
            m_object = nullptr;
        }
        delete old;  // outside the lock: T's destructor may call get()
    }

  private:
    std::mutex m_mutex;
    T* m_object = nullptr;
};

#endif /* __cplusplus */

#endif /* VEXA_KERNEL_VEXKERNEL_H */
