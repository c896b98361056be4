// Brace text tokenizer and list parser. The whole input is read into memory
// once (settings files are small) and scanned from there; the parser keeps
// its open lists on an explicit stack, so nesting depth costs heap memory
// only, never call depth.
#include "kernel/FParse.h"

#include <wx/stream.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

struct FP_MUX {
    wxInputStream* in;
    bool owns;
};

struct FP_PARSER {
    FP_MUX* mux = nullptr;
    bool loaded = false;
    bool readFailed = false;
    std::string input;
    std::string peeked;
    std::string error;
};

namespace {

const char kOpenAttrs[] = "<attrs>";
const char kCloseAttrs[] = "</attrs>";
const std::size_t kOpenAttrsLength = sizeof(kOpenAttrs) - 1;
const std::size_t kCloseAttrsLength = sizeof(kCloseAttrs) - 1;

void freeMux(FP_MUX* mux) {
    if (mux != nullptr && mux->owns) {
        delete mux->in;
    }
    delete mux;
}

// Reads the rest of the handle's stream into `parser->input`, once.
void load(FP_PARSER* parser) {
    if (parser->loaded) {
        return;
    }
    parser->loaded = true;
    wxInputStream& in = *parser->mux->in;
    char buffer[65536];
    while (in.IsOk()) {
        in.Read(buffer, sizeof(buffer));
        const std::size_t n = in.LastRead();
        parser->input.append(buffer, n);
        if (n == 0) {
            break;
        }
    }
    const wxStreamError last = in.GetLastError();
    parser->readFailed = last != wxSTREAM_NO_ERROR && last != wxSTREAM_EOF;
}

bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isControl(unsigned char c) {
    return (c < 0x20 && !isBlank(c)) || c == 0x7F;
}

bool startsWith(const std::string& text, std::size_t at, const char* prefix, std::size_t length) {
    return text.compare(at, length, prefix, length) == 0;
}

char* copyText(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void freeAttrs(FP_ATTR* attr) {
    while (attr != nullptr) {
        FP_ATTR* next = attr->next;
        std::free(attr->key);
        std::free(attr->value);
        std::free(attr);
        attr = next;
    }
}

// An attribute chain under construction: appends in constant time and
// releases what it holds unless taken.
class AttrChain {
  public:
    AttrChain() = default;
    AttrChain(const AttrChain&) = delete;
    AttrChain& operator=(const AttrChain&) = delete;
    AttrChain(AttrChain&& other) noexcept : m_head(other.m_head), m_tail(other.m_tail) {
        other.m_head = other.m_tail = nullptr;
    }
    AttrChain& operator=(AttrChain&& other) noexcept {
        if (this != &other) {
            freeAttrs(m_head);
            m_head = other.m_head;
            m_tail = other.m_tail;
            other.m_head = other.m_tail = nullptr;
        }
        return *this;
    }
    ~AttrChain() { freeAttrs(m_head); }

    bool empty() const { return m_head == nullptr; }
    void append(const std::string& key, const std::string& value) {
        FP_ATTR* attr = static_cast<FP_ATTR*>(std::calloc(1, sizeof(FP_ATTR)));
        if (attr == nullptr) {
            throw std::bad_alloc();
        }
        try {
            attr->key = copyText(key);
            attr->value = copyText(value);
        } catch (...) {
            std::free(attr->key);
            std::free(attr);
            throw;
        }
        (m_tail != nullptr ? m_tail->next : m_head) = attr;
        m_tail = attr;
    }
    FP_ATTR* take() {
        FP_ATTR* head = m_head;
        m_head = m_tail = nullptr;
        return head;
    }

  private:
    FP_ATTR* m_head = nullptr;
    FP_ATTR* m_tail = nullptr;
};

// A list being read: its items so far and its attribute chain.
struct Frame {
    std::vector<FP_ITEM> items;
    AttrChain attrs;
    std::size_t line = 0;  // where it was opened

    Frame() = default;
    Frame(Frame&& other) noexcept
        : items(std::move(other.items)), attrs(std::move(other.attrs)), line(other.line) {
        other.items.clear();
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame() {
        for (FP_ITEM& item : items) {
            std::free(item.word);
            fp_free_list(item.list);
        }
    }

    // The finished list; the frame is left empty.
    FP_LIST* finish() {
        if (items.size() > static_cast<std::size_t>(INT32_MAX)) {
            return nullptr;
        }
        FP_LIST* list = static_cast<FP_LIST*>(std::calloc(1, sizeof(FP_LIST)));
        if (list == nullptr) {
            throw std::bad_alloc();
        }
        if (!items.empty()) {
            list->items = static_cast<FP_ITEM*>(std::malloc(items.size() * sizeof(FP_ITEM)));
            if (list->items == nullptr) {
                std::free(list);
                throw std::bad_alloc();
            }
            std::memcpy(list->items, items.data(), items.size() * sizeof(FP_ITEM));
        }
        list->count = static_cast<int32_t>(items.size());
        list->attrs = attrs.take();
        items.clear();
        return list;
    }
};

struct SyntaxError {
    std::size_t line;
    std::string message;
};

// Scans the loaded input. Positions are byte offsets; `line` counts line
// feeds passed so far, for messages.
class Scanner {
  public:
    explicit Scanner(const std::string& text) : m_text(text) {
        if (startsWith(m_text, 0, "\xEF\xBB\xBF", 3)) {
            m_at = 3;
        }
    }

    std::size_t line() const { return m_line; }
    bool atEnd() const { return m_at >= m_text.size(); }
    unsigned char peek() const { return static_cast<unsigned char>(m_text[m_at]); }
    bool at(const char* marker, std::size_t length) const {
        return startsWith(m_text, m_at, marker, length);
    }
    void advance(std::size_t n) { m_at += n; }

    // Skips blanks and comments; with `stopAtLineEnd`, stops at a line feed
    // (a comment still runs up to it).
    void skip(bool stopAtLineEnd) {
        while (!atEnd()) {
            const unsigned char c = peek();
            if (c == '\n') {
                if (stopAtLineEnd) {
                    return;
                }
                ++m_line;
                ++m_at;
            } else if (isBlank(c)) {
                ++m_at;
            } else if (c == '#') {
                while (!atEnd() && peek() != '\n') {
                    ++m_at;
                }
            } else {
                return;
            }
        }
    }

    // Reads a word at the current position. In an attribute block a bare
    // word also ends at "</attrs>", and at `stop` unless that is 0.
    std::string word(bool inAttrs, char stop) {
        if (peek() == '"') {
            return quoted();
        }
        const std::size_t start = m_at;
        while (!atEnd()) {
            const unsigned char c = peek();
            if (isBlank(c) || c == '{' || c == '}' || c == '"' || (stop != 0 && c == stop) ||
                (inAttrs && at(kCloseAttrs, kCloseAttrsLength))) {
                break;
            }
            if (c == 0 || isControl(c)) {
                throw SyntaxError{m_line, "control character outside a quoted word"};
            }
            ++m_at;
        }
        return m_text.substr(start, m_at - start);
    }

    // The raw text of the token at the current position.
    std::string rawToken() const {
        if (atEnd()) {
            return std::string();
        }
        const unsigned char c = peek();
        if (c == '{' || c == '}') {
            return std::string(1, static_cast<char>(c));
        }
        std::size_t end = m_at;
        if (c == '"') {
            ++end;
            while (end < m_text.size() && m_text[end] != '"') {
                end += (m_text[end] == '\\' && end + 1 < m_text.size()) ? 2 : 1;
            }
            end = end < m_text.size() ? end + 1 : end;
        } else {
            while (end < m_text.size()) {
                const unsigned char b = static_cast<unsigned char>(m_text[end]);
                if (isBlank(b) || b == '{' || b == '}' || b == '"' || b == 0) {
                    break;
                }
                ++end;
            }
        }
        return m_text.substr(m_at, end - m_at);
    }

  private:
    std::string quoted() {
        const std::size_t openedOn = m_line;
        ++m_at;  // the opening quote
        std::string result;
        while (true) {
            if (atEnd()) {
                throw SyntaxError{openedOn, "unterminated quoted word"};
            }
            const char c = m_text[m_at++];
            if (c == '"') {
                return result;
            }
            if (c == '\0') {
                throw SyntaxError{m_line, "NUL byte in a quoted word"};
            }
            if (c == '\n') {
                ++m_line;
            }
            if (c != '\\' || atEnd()) {
                result += c;
                continue;
            }
            const char escaped = m_text[m_at];
            switch (escaped) {
                case '"':
                case '\\':
                    result += escaped;
                    ++m_at;
                    break;
                case 'n':
                    result += '\n';
                    ++m_at;
                    break;
                case 'r':
                    result += '\r';
                    ++m_at;
                    break;
                case 't':
                    result += '\t';
                    ++m_at;
                    break;
                default:
                    result += '\\';  // stands for itself
                    break;
            }
        }
    }

    const std::string& m_text;
    std::size_t m_at = 0;
    std::size_t m_line = 1;
};

// Reads the entries of an attribute block (after "<attrs>") up to and
// including "</attrs>", appending them to `chain`.
void readAttrs(Scanner& scanner, AttrChain& chain) {
    const std::size_t openedOn = scanner.line();
    while (true) {
        scanner.skip(false);
        if (scanner.atEnd()) {
            throw SyntaxError{openedOn, "attribute block without </attrs>"};
        }
        if (scanner.at(kCloseAttrs, kCloseAttrsLength)) {
            scanner.advance(kCloseAttrsLength);
            return;
        }
        const unsigned char first = scanner.peek();
        if (first == '{' || first == '}' || first == '=' ||
            scanner.at(kOpenAttrs, kOpenAttrsLength)) {
            throw SyntaxError{scanner.line(), "attribute key expected"};
        }
        const std::string key = scanner.word(true, '=');
        scanner.skip(true);
        if (scanner.atEnd() || scanner.peek() != '=') {
            throw SyntaxError{scanner.line(), "'=' expected after attribute key"};
        }
        scanner.advance(1);
        scanner.skip(true);
        std::string value;
        if (!scanner.atEnd() && scanner.peek() != '\n' &&
            !scanner.at(kCloseAttrs, kCloseAttrsLength)) {
            const unsigned char c = scanner.peek();
            if (c == '{' || c == '}') {
                throw SyntaxError{scanner.line(), "attribute value expected"};
            }
            value = scanner.word(true, 0);
        }
        chain.append(key, value);
    }
}

FP_LIST* parse(const std::string& input, int maxDepth) {
    Scanner scanner(input);
    std::vector<Frame> stack(1);
    AttrChain pending;  // attributes waiting for the next list
    std::size_t pendingLine = 0;
    while (true) {
        scanner.skip(false);
        if (scanner.atEnd()) {
            break;
        }
        const unsigned char c = scanner.peek();
        if (c == '{') {
            if (maxDepth >= 0 && stack.size() > static_cast<std::size_t>(maxDepth)) {
                throw SyntaxError{scanner.line(), "lists nested too deeply"};
            }
            scanner.advance(1);
            stack.emplace_back();
            stack.back().attrs = std::move(pending);
            stack.back().line = scanner.line();
        } else if (c == '}') {
            if (stack.size() == 1) {
                throw SyntaxError{scanner.line(), "unmatched '}'"};
            }
            if (!pending.empty()) {
                throw SyntaxError{pendingLine, "attribute block not followed by a list"};
            }
            scanner.advance(1);
            FP_LIST* list = stack.back().finish();
            if (list == nullptr) {
                throw SyntaxError{scanner.line(), "list too long"};
            }
            stack.pop_back();
            FP_ITEM item = {FP_KIND_LIST, nullptr, list};
            try {
                stack.back().items.push_back(item);
            } catch (...) {
                fp_free_list(list);
                throw;
            }
        } else if (scanner.at(kOpenAttrs, kOpenAttrsLength)) {
            if (pending.empty()) {
                pendingLine = scanner.line();
            }
            scanner.advance(kOpenAttrsLength);
            readAttrs(scanner, pending);
        } else if (scanner.at(kCloseAttrs, kCloseAttrsLength)) {
            throw SyntaxError{scanner.line(), "</attrs> without <attrs>"};
        } else {
            const std::string text = scanner.word(false, 0);
            FP_ITEM item = {FP_KIND_WORD, copyText(text), nullptr};
            try {
                stack.back().items.push_back(item);
            } catch (...) {
                std::free(item.word);
                throw;
            }
        }
    }
    if (stack.size() > 1) {
        throw SyntaxError{stack.back().line, "'{' without '}'"};
    }
    if (!pending.empty()) {
        throw SyntaxError{pendingLine, "attribute block not followed by a list"};
    }
    FP_LIST* list = stack.back().finish();
    if (list == nullptr) {
        throw SyntaxError{scanner.line(), "list too long"};
    }
    return list;
}

bool needsQuotes(const unsigned char* text, std::size_t length) {
    if (length == 0 || text[0] == '#' ||
        (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)) {
        return true;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = text[i];
        // '<' could begin a block marker, which ends a bare word in a block.
        if (c <= ' ' || c == 0x7F || c == '{' || c == '}' || c == '"' || c == '=' || c == '<') {
            return true;
        }
    }
    return false;
}

}  // namespace

FP_MUX* wxInputStreamToFilemux(wxInputStream& in, bool owns) {
    if (!in.IsOk()) {
        return nullptr;
    }
    return new (std::nothrow) FP_MUX{&in, owns};
}

extern "C" {

FP_PARSER* fp_attach(FP_MUX* handle, int /*flags*/) {
    if (handle == nullptr) {
        return nullptr;
    }
    FP_PARSER* parser = new (std::nothrow) FP_PARSER;
    if (parser == nullptr) {
        freeMux(handle);
        return nullptr;
    }
    parser->mux = handle;
    return parser;
}

void fp_close(FP_PARSER* parser) {
    if (parser == nullptr) {
        return;
    }
    freeMux(parser->mux);
    delete parser;
}

const char* fp_peek_token_raw(FP_PARSER* parser) {
    if (parser == nullptr) {
        return nullptr;
    }
    try {
        load(parser);
        parser->peeked.clear();
        if (!parser->readFailed) {
            Scanner scanner(parser->input);
            scanner.skip(false);
            parser->peeked = scanner.rawToken();
        }
    } catch (const std::bad_alloc&) {
        parser->peeked.clear();
    }
    return parser->peeked.c_str();
}

FP_LIST* fp_parse_file(FP_PARSER* parser, int maxDepth) {
    if (parser == nullptr) {
        return nullptr;
    }
    try {
        parser->error.clear();
        load(parser);
        if (parser->readFailed) {
            parser->error = "the stream could not be read";
            return nullptr;
        }
        return parse(parser->input, maxDepth);
    } catch (const SyntaxError& e) {
        try {
            parser->error = "line " + std::to_string(e.line) + ": " + e.message;
        } catch (...) {
        }
    } catch (const std::bad_alloc&) {
        try {
            parser->error = "out of memory";
        } catch (...) {
        }
    }
    return nullptr;
}

const char* fp_error(const FP_PARSER* parser) {
    return parser != nullptr ? parser->error.c_str() : "";
}

void fp_free_list(FP_LIST* list) {
    if (list == nullptr) {
        return;
    }
    // Lists waiting to be released; an explicit stack keeps deep nesting
    // off the call stack.
    std::vector<FP_LIST*> pending;
    try {
        pending.push_back(list);
        while (!pending.empty()) {
            FP_LIST* current = pending.back();
            pending.pop_back();
            for (int32_t i = 0; i < current->count; ++i) {
                std::free(current->items[i].word);
                if (current->items[i].list != nullptr) {
                    pending.push_back(current->items[i].list);
                }
            }
            std::free(current->items);
            freeAttrs(current->attrs);
            std::free(current);
        }
    } catch (const std::bad_alloc&) {
        // Out of memory while releasing: what is left stays allocated
        // rather than risking the process.
    }
}

char* fp_fix_string(const char* text, char* buffer, int /*flags*/) {
    if (buffer == nullptr) {
        return nullptr;
    }
    if (text == nullptr) {
        text = "";
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    const std::size_t length = std::strlen(text);
    if (!needsQuotes(bytes, length)) {
        std::memcpy(buffer, text, length + 1);
        return buffer;
    }
    // Each byte takes at most two, plus two quotes and the terminator.
    char* out = buffer;
    *out++ = '"';
    for (std::size_t i = 0; i < length; ++i) {
        switch (text[i]) {
            case '"':
                *out++ = '\\';
                *out++ = '"';
                break;
            case '\\':
                *out++ = '\\';
                *out++ = '\\';
                break;
            case '\n':
                *out++ = '\\';
                *out++ = 'n';
                break;
            case '\r':
                *out++ = '\\';
                *out++ = 'r';
                break;
            default:
                *out++ = text[i];
                break;
        }
    }
    *out++ = '"';
    *out = '\0';
    return buffer;
}

}  // extern "C"
