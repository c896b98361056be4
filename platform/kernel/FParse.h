// Brace text: the tokenizer and list parser of the older brace-structured
// settings files, and the quoting that writes words they read back.
//
// Lexical form (bytes; UTF-8 text passes through untouched):
//   - Blanks (space, tab, line feed, carriage return, vertical tab, form
//     feed) separate tokens. A UTF-8 byte order mark at the very start is
//     skipped. '#' where a token could start begins a comment that runs to
//     the end of the line.
//   - "{" opens a list, "}" closes it.
//   - A bare word is a run of bytes other than blanks, '{', '}' and '"'
//     ("<attrs>" and "</attrs>" at the start of a token are markers, not
//     words). A bare word holds no escapes: a backslash is a backslash.
//   - A quoted word is '"' ... '"'. Inside it \" is a quote, \\ a backslash,
//     \n a line feed, \r a carriage return and \t a tab; a backslash before
//     any other byte stands for itself. Every other byte but NUL stands for
//     itself, line breaks included.
//   - "<attrs>" ... "</attrs>" is an attribute block: entries key=value,
//     usually one per line. Key and value are words; a bare key ends at '='
//     or a blank, a bare value at a blank; '=' may have blanks around it,
//     a value missing before the end of its line is empty, and a bare
//     word ends at "</attrs>" too. The entries
//     become the attribute chain of the next list opened at the same level
//     (words may come between, as in "<attrs> ... </attrs> Name { ... }");
//     several blocks before one list add up, a later equal key after an
//     earlier one. A block that no list follows is an error.
//   - NUL, and any other control byte outside quoted words and comments,
//     is an error,
//     as are a NUL byte in a quoted word, an unmatched "}" or a missing
//     one, an unterminated quoted word and a malformed attribute block.
// The whole input is the item list of one top-level list (no braces around
// it, no attribute chain of its own).
//
// fp_fix_string quotes every word that would not read back as itself when
// written bare, so fix-then-parse gives back every byte string without NUL.
//
// Ownership: a handle belongs to the caller until given to fp_attach; a
// parser owns its handle and frees it in fp_close. A parsed list belongs to
// the caller and is released with fp_free_list; it does not depend on the
// parser. Nothing here recurses: nesting of any depth is handled with
// explicit stacks and, when asked for, a depth limit that fails cleanly.
//
// Threads: a parser and its handle belong to one thread at a time; separate
// parsers are independent.
#ifndef VEXA_KERNEL_FPARSE_H
#define VEXA_KERNEL_FPARSE_H

#include <stddef.h>
#include <stdint.h>

#include "kernel/KernelExport.h"

#ifdef __cplusplus
class wxInputStream;
extern "C" {
#endif

typedef struct FP_MUX FP_MUX;       /* a stream handle for the parser */
typedef struct FP_PARSER FP_PARSER; /* a parser over one handle */

enum { FP_KIND_WORD = 1, FP_KIND_LIST = 2 };

/* One entry of an attribute chain. */
typedef struct FP_ATTR {
    char* key;
    char* value;
    struct FP_ATTR* next;
} FP_ATTR;

struct FP_LIST;

/* One item of a list: a word (`word` set, `list` null) or a nested list. */
typedef struct FP_ITEM {
    int32_t kind; /* FP_KIND_WORD or FP_KIND_LIST */
    char* word;
    struct FP_LIST* list;
} FP_ITEM;

typedef struct FP_LIST {
    int32_t count;  /* number of items */
    FP_ITEM* items; /* `count` items in document order */
    FP_ATTR* attrs; /* attribute chain in document order; null when none */
} FP_LIST;

/* A parser over `handle`, which it takes over in every case (on failure the
 * handle is freed). `flags` is reserved; pass 0. Null for a null handle or
 * when memory runs out. */
VEXA_KERNEL_API FP_PARSER* fp_attach(FP_MUX* handle, int flags);

/* Releases the parser and its handle. Null is allowed. */
VEXA_KERNEL_API void fp_close(FP_PARSER* parser);

/* The first token of the input exactly as written (a quoted word with its
 * quotes and escapes; blanks, comments and a byte order mark before it
 * skipped), without consuming anything. "" when the input holds no token or
 * cannot be read; null for a null parser. Valid until the next call on the
 * parser. The first call reads the whole input. */
VEXA_KERNEL_API const char* fp_peek_token_raw(FP_PARSER* parser);

/* The whole input as one list. `maxDepth` limits how many lists may be open
 * at once (0: no lists at all; 1: lists in the top level, none inside them);
 * -1 (any negative value) means no limit. Null on a syntax or
 * read error, on exceeding the limit, or when memory runs out; fp_error then
 * tells why. Each call parses the input from its start. */
VEXA_KERNEL_API FP_LIST* fp_parse_file(FP_PARSER* parser, int maxDepth);

/* Why the last fp_parse_file failed, with the line where it noticed ("line
 * 3: unmatched '}'"); "" after a success or before any parse. */
VEXA_KERNEL_API const char* fp_error(const FP_PARSER* parser);

/* Releases a list with its items, nested lists and attribute chains. Null
 * is allowed. */
VEXA_KERNEL_API void fp_free_list(FP_LIST* list);

/* Writes `text` into `buffer` in the written form of a word: bare when it
 * reads back as itself, else quoted and escaped. `buffer` holds at least
 * twice the length of `text` plus three bytes. A null text is written as
 * the empty word. `flags` is reserved; pass 0. Returns `buffer` (null for a
 * null buffer). */
VEXA_KERNEL_API char* fp_fix_string(const char* text, char* buffer, int flags);

#ifdef __cplusplus
} /* extern "C" */

/* A stream handle reading `in` from its current position. With `owns` the
 * handle deletes the stream when it is freed; without, the stream must
 * outlive the handle. Null when the stream is not OK (nothing is taken
 * over then). */
VEXA_KERNEL_API FP_MUX* wxInputStreamToFilemux(wxInputStream& in, bool owns);
#endif

#endif /* VEXA_KERNEL_FPARSE_H */
