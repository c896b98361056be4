#include "impl/xmlwrite.h"

#include <algorithm>
#include <cstdint>

#include "impl/xmlread.h"
#include "kernel/Text.h"
#include "logger/Log.h"
#include "repos/XMLSettingsStrategy.h"

namespace vexa {
namespace repos {

const char* const kRepositoryNamespace = "http://www.vexa.example/Repository/10/";

namespace impl {

namespace {

const std::size_t kFlushSize = 64 * 1024;

using kernel::appendUtf8;

// Appends `text` as the content of a double-quoted attribute. Characters XML
// cannot carry (control characters, surrogates, U+FFFE, U+FFFF) would make
// the whole file unreadable and so lose every setting in it; they become
// U+FFFD. Returns false when it had to replace any.
bool appendEscaped(std::string& out, const wxString& text) {
    bool clean = true;
    const wxStringCharType* p = text.wx_str();
    const wxStringCharType* end = p + text.length();
    for (; p != end; ++p) {
        const std::uint32_t c = static_cast<std::uint32_t>(*p);
        if (c >= 0x20 && c < 0x80) {
            switch (c) {
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '&':
                    out += "&amp;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                default:
                    out += static_cast<char>(c);
                    break;
            }
        } else if (c == '\n') {
            out += "&#10;";
        } else if (c == '\r') {
            out += "&#13;";
        } else if (c == '\t') {
            out += "&#9;";
        } else if (c < 0x20 || (c >= 0xD800 && c < 0xE000) || c == 0xFFFE || c == 0xFFFF ||
                   c > 0x10FFFF) {
            // An escaped byte (U+DC80..U+DCFF) too: raw, it would make the file invalid UTF-8.
            appendUtf8(out, 0xFFFD);
            clean = false;
        } else {
            appendUtf8(out, c);
        }
    }
    return clean;
}

// The name characters of XML 1.0 (fifth edition), the rules the reader's
// parser applies. libxml2's xmlValidateName follows the older, narrower
// rules, under which a key the reader accepted (one starting with U+0607,
// say) could not be written back and was lost on the next save.
inline bool isNameStart(std::uint32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

inline bool isNameChar(std::uint32_t c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// Appends ` key="` when `key` is a valid XML attribute name; false, and
// nothing appended, when it is not. A host may set any key, but one that XML
// cannot carry would make the written file unreadable.
bool appendKey(std::string& out, const wxString& key) {
    const wxStringCharType* p = key.wx_str();
    const std::size_t length = key.length();
    if (length == 0 || !isNameStart(static_cast<std::uint32_t>(p[0]))) {
        return false;
    }
    bool ascii = p[0] < 0x80;
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint32_t c = static_cast<std::uint32_t>(p[i]);
        if (!isNameChar(c)) {
            return false;
        }
        ascii = ascii && c < 0x80;
    }
    out += ' ';
    if (ascii) {
        for (std::size_t i = 0; i < length; ++i) {
            out += static_cast<char>(p[i]);
        }
    } else {
        out += kernel::toMB(key);
    }
    out += "=\"";
    return true;
}

}  // namespace

XMLWritingNodeVisitor::XMLWritingNodeVisitor(wxOutputStream& out) : m_out(&out) {}

XMLWritingNodeVisitor::~XMLWritingNodeVisitor() {
    flush_();
}

void XMLWritingNodeVisitor::start() {
    m_buffer.reserve(kFlushSize + 4096);
    m_buffer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

void XMLWritingNodeVisitor::newLine_(std::size_t depth) {
    m_buffer += '\n';
    m_buffer.append(std::min(depth, kMaxIndent), ' ');
}

void XMLWritingNodeVisitor::enter(NamedNode::Ptr node) {
    if (m_failed) {
        return;
    }
    const NamedNodeData& data = node->payload();
    if (m_depth > 0) {
        newLine_(m_depth);
    }
    ++m_depth;
    m_buffer += "<node name=\"";
    bool clean = appendEscaped(m_buffer, data.name);
    m_buffer += '"';
    bool hasNamespace = false;
    for (const auto& attribute : data.attributes) {
        const wxString& key = attribute.first;
        if (key == wxT("name") || !appendKey(m_buffer, key)) {
            VEXA_LOG_WARNING("XML strategy: attribute \"%s\" of node \"%s\" cannot be written", key,
                             data.name);
            continue;
        }
        hasNamespace = hasNamespace || key == wxT("xmlns");
        clean = appendEscaped(m_buffer, attribute.second) && clean;
        m_buffer += '"';
    }
    if (!clean) {
        VEXA_LOG_WARNING("XML strategy: replaced characters XML cannot hold in node \"%s\"",
                         data.name);
    }
    if (!hasNamespace && node->isRoot()) {
        m_buffer += " xmlns=\"";
        m_buffer += kRepositoryNamespace;
        m_buffer += '"';
    }
    m_buffer += node->isLeaf() ? "/>" : ">";
    if (m_buffer.size() >= kFlushSize) {
        flush_();
    }
}

void XMLWritingNodeVisitor::leave(NamedNode::Ptr node) {
    if (m_failed) {
        return;
    }
    --m_depth;
    if (!node->isLeaf()) {
        newLine_(m_depth);
        m_buffer += "</node>";
    }
    if (m_depth == 0) {
        m_buffer += '\n';
    }
}

void XMLWritingNodeVisitor::finish() {
    flush_();
}

void XMLWritingNodeVisitor::flush_() {
    if (m_buffer.empty() || m_failed) {
        m_buffer.clear();
        return;
    }
    if (!m_out->IsOk()) {
        m_failed = true;
    } else {
        m_out->Write(m_buffer.data(), m_buffer.size());
        m_failed = m_out->LastWrite() != m_buffer.size();
    }
    m_buffer.clear();
}

}  // namespace impl

XMLSettingsStrategy::~XMLSettingsStrategy() = default;

void XMLSettingsStrategy::store(NamedNode::Ptr root, wxOutputStream& out) {
    if (!root) {
        return;
    }
    boost::shared_ptr<impl::XMLWritingNodeVisitor> visitor(new impl::XMLWritingNodeVisitor(out));
    NamedNodeTraverser(visitor).travel(root);
}

NamedNode::Ptr XMLSettingsStrategy::load(wxInputStream& in) {
    return impl::readXmlStream(in);
}

}  // namespace repos
}  // namespace vexa
