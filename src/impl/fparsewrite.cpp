#include "impl/fparsewrite.h"

#include <climits>
#include <vector>

#include "kernel/FParse.h"
#include "kernel/Text.h"

namespace vexa {
namespace repos {
namespace impl {

namespace {

using kernel::toMB;

const int kWrapColumn = 60;
const std::int32_t kEntriesPerLine = 10;

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The written form of a word.
std::string fix(const std::string& word) {
    std::vector<char> buffer(word.size() * 2 + 3);
    return fp_fix_string(word.c_str(), buffer.data(), 0);
}

std::string fixAttribute(const NamedNode& node, const wxString& key) {
    return fix(toMB(node.getAttribute(key)));
}

std::string indent(std::int32_t steps) {
    return std::string(steps > 0 ? steps : 0, ' ');
}

// Attributes whose names begin with "_" are not written to a block: the
// reserved ones carry the words of a list, and a file that older programs
// read must hold no others there.
bool isOrdinary(const wxString& key) {
    return !key.StartsWith(L"_");
}

bool hasOrdinaryAttributes(const NamedNode& node) {
    for (const auto& attribute : node.getAttributes()) {
        if (isOrdinary(attribute.first)) {
            return true;
        }
    }
    return false;
}

// "\n<attrs>\n", key=value lines in key order, "</attrs>\n" when the node has
// ordinary attributes; else nothing. Keys go through fix too: a plain key is
// written as it is, and any other one still reads back.
std::string attributeBlock(const NamedNode& node) {
    if (!hasOrdinaryAttributes(node)) {
        return std::string();
    }
    std::string block = "\n<attrs>\n";
    for (const auto& attribute : node.getAttributes()) {
        if (isOrdinary(attribute.first)) {
            block += fix(toMB(attribute.first)) + "=" + fix(toMB(attribute.second)) + "\n";
        }
    }
    return block + "</attrs>\n";
}

// True when the node has a non-empty "_numval"; `count` is its number, 0
// when it is not one.
bool wordCount(const NamedNode& node, long& count) {
    const wxString text = node.getAttribute(wxString(L"_numval"));
    if (text.empty()) {
        return false;
    }
    if (!text.ToLong(&count) || count < 0) {
        count = 0;
    }
    if (count > INT_MAX) {
        count = INT_MAX;
    }
    return true;
}

// Appends " word" for "_val1" .. "_val<count>", wrapping to a new line at
// `indentSteps` once a line grows past the wrap column.
void appendWords(std::string& text, const NamedNode& node, long count, std::int32_t indentSteps,
                 long& lineLength) {
    for (long i = 1; i <= count; ++i) {
        const std::string word = fixAttribute(node, wxString::Format(L"_val%ld", i));
        text += ' ';
        text += word;
        lineLength += 1 + static_cast<long>(word.size());
        if (lineLength > kWrapColumn) {
            text += '\n';
            text += indent(indentSteps);
            lineLength = indentSteps;
        }
    }
}

// Whether the children of `node` are the items of a mixed list ("_entry"
// words and "_list" lists) rather than named pairs. Reading makes either
// kind, never both under one node; a node among named siblings is written
// by its name even when it begins with "_".
bool childrenAreItems(const NamedNode& node) {
    if (node.isLeaf()) {
        return false;
    }
    for (const NamedNode::Ptr& child : node) {
        const std::string name = toMB(child->getName());
        if (!startsWith(name, "_entry") && !startsWith(name, "_list")) {
            return false;
        }
    }
    return true;
}

}  // namespace

FParseWritingNodeVisitor::FParseWritingNodeVisitor(wxOutputStream& out) : m_out(&out) {}

FParseWritingNodeVisitor::~FParseWritingNodeVisitor() {}

void FParseWritingNodeVisitor::write_(const std::string& text) {
    if (!text.empty()) {
        m_out->Write(text.data(), text.size());
    }
}

void FParseWritingNodeVisitor::start() {
    m_levels.clear();
    m_items.clear();
    m_levels.push_back(Level(-1, 0));
    m_items.push_back(false);
    m_bareRoot = false;
}

void FParseWritingNodeVisitor::enter(NamedNode::Ptr node) {
    Level& parent = m_levels.back();
    const std::int32_t p = parent.first;
    const bool top = p < 0;
    const bool item = m_items.back();  // an item of a mixed list
    const std::string name = toMB(node->getName());
    std::string text;

    if (node->isLeaf()) {
        long count = 0;
        const bool words = wordCount(*node, count);
        if (item && startsWith(name, "_entry")) {
            text += parent.second == 0 ? indent(p) : std::string(" ");
            text += fixAttribute(*node, wxString(L"_value"));
            if (parent.second == kEntriesPerLine - 1) {
                text += '\n';
                parent.second = 0;
            } else {
                ++parent.second;
            }
        } else if (item) {
            if (parent.second != 0) {
                text += '\n';
            }
            text += attributeBlock(*node) + indent(p);
            if (words) {
                long lineLength = p + 1;
                text += '{';
                appendWords(text, *node, count, p, lineLength);
                text += lineLength != p ? " }\n" : "}\n";
            } else {
                text += "{ " + fixAttribute(*node, wxString(L"_value")) + " }\n";
            }
            parent.second = 0;
        } else {
            const std::string written = fix(name);
            text += attributeBlock(*node) + indent(p) + written;
            if (words) {
                long lineLength = p + 2 + static_cast<long>(written.size());
                text += " {";
                appendWords(text, *node, count, p, lineLength);
                text += lineLength == p ? "}\n" : " }\n";
            } else {
                text += " { " + fixAttribute(*node, wxString(L"_value")) + " }\n";
            }
        }
        m_levels.push_back(Level(-1, 0));
    } else if (top) {
        if (startsWith(name, "_")) {
            // Named by what it holds ("_" + its first word, or "_List"):
            // no line of its own.
            m_bareRoot = true;
            m_levels.push_back(Level(0, 0));
        } else {
            text += fix(name) + attributeBlock(*node) + " {\n";
            m_levels.push_back(Level(1, 0));
        }
    } else {
        if (parent.second != 0) {
            text += '\n';
            parent.second = 0;
        }
        text += attributeBlock(*node) + indent(p);
        text += item ? std::string("{\n") : fix(name) + " {\n";
        m_levels.push_back(Level(p + 1, 0));
    }
    m_items.push_back(childrenAreItems(*node));
    write_(text);
}

void FParseWritingNodeVisitor::leave(NamedNode::Ptr) {
    const Level level = m_levels.back();
    m_levels.pop_back();
    m_items.pop_back();
    if (level.first < 0) {
        return;
    }
    if (m_bareRoot && m_levels.size() == 1) {
        // A bare root opened no brace, so it writes none: a reader that
        // refuses an unmatched "}" still reads the file. Only its last line
        // is ended.
        write_(level.second != 0 ? "\n" : "");
        return;
    }
    write_((level.second == 0 ? indent(level.first - 1) : std::string(" ")) + "}\n");
}

}  // namespace impl
}  // namespace repos
}  // namespace vexa
