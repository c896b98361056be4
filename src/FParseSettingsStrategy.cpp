#include "repos/FParseSettingsStrategy.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "impl/fparsewrite.h"
#include "kernel/FParse.h"
#include "kernel/Text.h"
#include "logger/Log.h"
#include "repos/NodeTraverser.h"

namespace vexa {
namespace repos {

namespace {

using kernel::fromMB;

const wxString kValue(L"_value");
const wxString kNumval(L"_numval");

struct ParserCloser {
    void operator()(FP_PARSER* parser) const { fp_close(parser); }
};
struct ListFreer {
    void operator()(FP_LIST* list) const { fp_free_list(list); }
};

// Positions the stream back to its start however load() ends.
class Rewind {
  public:
    explicit Rewind(wxInputStream& in) : m_in(in) {}
    ~Rewind() { m_in.SeekI(0, wxFromStart); }
    Rewind(const Rewind&) = delete;
    Rewind& operator=(const Rewind&) = delete;

  private:
    wxInputStream& m_in;
};

bool isWord(const FP_ITEM& item) {
    return item.kind == FP_KIND_WORD;
}

wxString wordOf(const FP_ITEM& item) {
    return fromMB(item.word);
}

// Names that differ only in the case of ASCII letters count as one name.
// Other characters compare exactly, so the count never depends on the
// process locale.
std::string foldedName(const char* name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

void copyAttributes(NamedNode& node, const FP_ATTR* chain) {
    std::map<wxString, wxString>& attributes = node.getData()->attributes;
    for (; chain != nullptr; chain = chain->next) {
        attributes[fromMB(chain->key)] = fromMB(chain->value);
    }
}

// The pairs word, list, word, list, ... (at least one pair).
bool isNamedForm(const FP_LIST& list) {
    if (list.count < 2 || list.count % 2 != 0) {
        return false;
    }
    for (int32_t i = 0; i < list.count; i += 2) {
        if (!isWord(list.items[i]) || isWord(list.items[i + 1])) {
            return false;
        }
    }
    return true;
}

wxString numbered(const char* prefix, int32_t n) {
    return wxString::FromUTF8(prefix) + wxString::Format(L"%d", static_cast<int>(n));
}

NamedNode::Ptr addChild(const NamedNode::Ptr& parent, const wxString& name) {
    NamedNode::Ptr child = NamedNode::Create(name);
    child->addTo(parent);
    return child;
}

// Fills `root` from `top` and, through an explicit stack, every nested list
// below it, so nesting depth costs no call depth.
void fill(const NamedNode::Ptr& root, const FP_LIST* top) {
    std::vector<std::pair<NamedNode::Ptr, const FP_LIST*>> pending;
    pending.emplace_back(root, top);
    while (!pending.empty()) {
        const NamedNode::Ptr node = pending.back().first;
        const FP_LIST& list = *pending.back().second;
        pending.pop_back();

        if (isNamedForm(list)) {
            std::unordered_map<std::string, int> occurrences;
            for (int32_t i = 0; i < list.count; i += 2) {
                ++occurrences[foldedName(list.items[i].word)];
            }
            for (int32_t i = 0; i < list.count; i += 2) {
                NamedNode::Ptr child = addChild(node, wordOf(list.items[i]));
                const FP_LIST& sublist = *list.items[i + 1].list;
                if (sublist.count == 1 && isWord(sublist.items[0]) &&
                    occurrences[foldedName(list.items[i].word)] == 1) {
                    child->setAttribute(kValue, wordOf(sublist.items[0]));
                } else {
                    copyAttributes(*child, sublist.attrs);
                    pending.emplace_back(child, &sublist);
                }
            }
        } else if (list.count == 1 && isWord(list.items[0])) {
            node->setAttribute(kValue, wordOf(list.items[0]));
        } else {
            bool mixed = false;
            for (int32_t i = 0; i < list.count && !mixed; ++i) {
                mixed = !isWord(list.items[i]);
            }
            if (mixed) {
                for (int32_t i = 0; i < list.count; ++i) {
                    const FP_ITEM& item = list.items[i];
                    if (isWord(item)) {
                        addChild(node, numbered("_entry", i + 1))
                            ->setAttribute(kValue, wordOf(item));
                    } else {
                        NamedNode::Ptr child = addChild(node, numbered("_list", i + 1));
                        copyAttributes(*child, item.list->attrs);
                        pending.emplace_back(child, item.list);
                    }
                }
            } else {
                std::map<wxString, wxString>& attributes = node->getData()->attributes;
                attributes[kNumval] = wxString::Format(L"%d", static_cast<int>(list.count));
                for (int32_t i = 0; i < list.count; ++i) {
                    attributes[numbered("_val", i + 1)] = wordOf(list.items[i]);
                }
            }
        }
    }
}

NamedNode::Ptr readTree(wxInputStream& in, NamedNode::Ptr& root) {
    FP_MUX* handle = wxInputStreamToFilemux(in, false);
    if (handle == nullptr) {
        throw std::runtime_error("Could not open file on stream");
    }
    std::unique_ptr<FP_PARSER, ParserCloser> parser(fp_attach(handle, 0));
    if (!parser) {
        throw std::runtime_error("Could not attach a parser");
    }
    const char* token = fp_peek_token_raw(parser.get());
    if (token != nullptr && std::strncmp(token, "<?xml", 5) == 0) {
        throw std::runtime_error("Found XML stream");
    }
    std::unique_ptr<FP_LIST, ListFreer> top(fp_parse_file(parser.get(), -1));
    if (!top || top->count == 0) {
        if (!top) {
            VEXA_LOG_DEBUG("FParse strategy: %s", fromMB(fp_error(parser.get())));
        }
        throw std::runtime_error("File has no contents");
    }
    const FP_LIST& list = *top;
    if (list.count == 2 && isWord(list.items[0]) && !isWord(list.items[1])) {
        root = NamedNode::Create(wordOf(list.items[0]));
        copyAttributes(*root, list.items[1].list->attrs);
        fill(root, list.items[1].list);
    } else if (isWord(list.items[0])) {
        root = NamedNode::Create(wxString(L"_") + wordOf(list.items[0]));
        fill(root, &list);
    } else {
        root = NamedNode::Create(wxString(L"_List"));
        fill(root, &list);
    }
    return root;
}

}  // namespace

FParseSettingsStrategy::~FParseSettingsStrategy() {}

NamedNode::Ptr FParseSettingsStrategy::load(wxInputStream& in) {
    Rewind rewind(in);
    NamedNode::Ptr root;
    try {
        readTree(in, root);
    } catch (const std::exception& e) {
        VEXA_LOG_DEBUG("FParse strategy: %s", wxString::FromUTF8(e.what()));
    }
    return root;
}

void FParseSettingsStrategy::store(NamedNode::Ptr root, wxOutputStream& out) {
    if (!root) {
        return;
    }
    NamedNodeTraverser(boost::shared_ptr<INodeVisitor>(new impl::FParseWritingNodeVisitor(out)))
        .travel(root);
}

}  // namespace repos
}  // namespace vexa
