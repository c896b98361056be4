// The brace settings reader on arbitrary bytes. A tree read from brace text
// is written so that it reads back into the same tree, except where the
// format gives up by design (see FParseSettingsStrategy.h):
//   - an attribute block entry whose key begins with "_": the reserved keys
//     carry the words of a list, and the writer puts no such key in a block;
//   - named pairs whose names all begin with "_entry" or "_list": the writer
//     takes such children for the items of a mixed list;
//   - a file of one name beginning with "_" and one list holding lists: the
//     root has children and such a root is written without its name.
// Whether the text uses any of them is decided from the kernel parser's lists,
// not from the tree, so a reader that mislabels a list is still caught.
#include <wx/mstream.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "common/SettingsText.h"
#include "kernel/FParse.h"
#include "repos/FParseSettingsStrategy.h"

using vexa::fuzz::fuzzCheck;
using vexa::fuzz::load;
using vexa::repos::FParseSettingsStrategy;
using vexa::repos::NamedNode;
using vexa::test::storeBrace;

namespace {

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Word, list, word, list, ... with at least one pair: the reader's named
// form.
bool isNamedForm(const FP_LIST& list) {
    if (list.count < 2 || list.count % 2 != 0) {
        return false;
    }
    for (std::int32_t i = 0; i < list.count; i += 2) {
        if (list.items[i].kind != FP_KIND_WORD || list.items[i + 1].kind == FP_KIND_WORD) {
            return false;
        }
    }
    return true;
}

bool namesLookLikeItems(const FP_LIST& list) {
    for (std::int32_t i = 0; i < list.count; i += 2) {
        const char* name = list.items[i].word;
        if (!startsWith(name, "_entry") && !startsWith(name, "_list")) {
            return false;
        }
    }
    return true;
}

bool holdsAList(const FP_LIST& list) {
    for (std::int32_t i = 0; i < list.count; ++i) {
        if (list.items[i].kind != FP_KIND_WORD) {
            return true;
        }
    }
    return false;
}

// False when the text uses one of the forms the format does not carry back.
bool withinRoundTrip(const FP_LIST* top) {
    if (top->count == 2 && top->items[0].kind == FP_KIND_WORD && top->items[0].word[0] == '_' &&
        top->items[1].kind != FP_KIND_WORD && holdsAList(*top->items[1].list)) {
        return false;
    }
    std::vector<const FP_LIST*> pending{top};
    while (!pending.empty()) {
        const FP_LIST& list = *pending.back();
        pending.pop_back();
        for (const FP_ATTR* a = list.attrs; a != nullptr; a = a->next) {
            if (a->key[0] == '_') {
                return false;
            }
        }
        if (isNamedForm(list) && namesLookLikeItems(list)) {
            return false;
        }
        for (std::int32_t i = 0; i < list.count; ++i) {
            if (list.items[i].kind != FP_KIND_WORD) {
                pending.push_back(list.items[i].list);
            }
        }
    }
    return true;
}

struct ParserCloser {
    void operator()(FP_PARSER* parser) const { fp_close(parser); }
};
struct ListFreer {
    void operator()(FP_LIST* list) const { fp_free_list(list); }
};

bool textWithinRoundTrip(const std::string& text) {
    wxMemoryInputStream in(text.data(), text.size());
    std::unique_ptr<FP_PARSER, ParserCloser> parser(
        fp_attach(wxInputStreamToFilemux(in, false), 0));
    fuzzCheck(static_cast<bool>(parser), "a parser attaches to a memory stream");
    std::unique_ptr<FP_LIST, ListFreer> top(fp_parse_file(parser.get(), -1));
    fuzzCheck(static_cast<bool>(top), "text the strategy read parses");
    return withinRoundTrip(top.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(data, data + size);
    const NamedNode::Ptr first = load(FParseSettingsStrategy(), text);
    if (!first) {
        return 0;
    }
    const std::string written = storeBrace(first);
    const NamedNode::Ptr second = load(FParseSettingsStrategy(), written);
    fuzzCheck(static_cast<bool>(second), "written brace text reads back");
    if (textWithinRoundTrip(text)) {
        fuzzCheck(vexa::fuzz::sameTree(first, second),
                  "written brace text reads back the same tree");
    }
    // The text written is brace text like any other: where it stays within
    // what the format carries, its tree must come back once more.
    if (textWithinRoundTrip(written)) {
        const std::string rewritten = storeBrace(second);
        const NamedNode::Ptr third = load(FParseSettingsStrategy(), rewritten);
        fuzzCheck(vexa::fuzz::sameTree(second, third), "a tree read back reads back into itself");
    }
    return 0;
}
