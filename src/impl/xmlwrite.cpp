#include "impl/xmlwrite.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

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

// The code point of the UTF-8 sequence at `p`, advancing `p`; false, with
// `p` past one byte, for a byte that starts no well-formed character (an
// escaped byte of a wide text, see kernel/Text.h).
bool nextChar(const unsigned char*& p, const unsigned char* end, std::uint32_t& c) {
    const unsigned char lead = *p++;
    if (lead < 0x80) {
        c = lead;
        return true;
    }
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
    if (more == 0 || lead > 0xF4 || end - p < more) {
        return false;
    }
    std::uint32_t value = lead & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return false;
        }
        value = (value << 6) | (p[i] & 0x3F);
    }
    static const std::uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[more] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) {
        return false;
    }
    p += more;
    c = value;
    return true;
}

// Appends `text` (UTF-8) as the content of a double-quoted attribute.
// Characters XML cannot carry (control characters, U+FFFE, U+FFFF, bytes
// of no character) would make the whole file unreadable and so lose every
// setting in it; they become U+FFFD. Returns false when it had to replace
// any.
bool appendEscaped(std::string& out, std::string_view text) {
    bool clean = true;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p != end) {
        const unsigned char byte = *p;
        if (byte >= 0x20 && byte < 0x80) {
            ++p;
            switch (byte) {
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
                    out += static_cast<char>(byte);
                    break;
            }
            continue;
        }
        const unsigned char* start = p;
        std::uint32_t c = 0;
        if (!nextChar(p, end, c) || (c < 0x20 && c != '\n' && c != '\r' && c != '\t') ||
            c == 0xFFFE || c == 0xFFFF) {
            appendUtf8(out, 0xFFFD);
            clean = false;
        } else if (c == '\n') {
            out += "&#10;";
        } else if (c == '\r') {
            out += "&#13;";
        } else if (c == '\t') {
            out += "&#9;";
        } else {
            out.append(reinterpret_cast<const char*>(start), static_cast<std::size_t>(p - start));
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

// Appends ` key="` when `key` (UTF-8) is a valid XML attribute name; false,
// and nothing appended, when it is not. A host may set any key, but one that
// XML cannot carry would make the written file unreadable.
bool appendKey(std::string& out, std::string_view key) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(key.data());
    const unsigned char* end = p + key.size();
    std::uint32_t c = 0;
    if (p == end || !nextChar(p, end, c) || !isNameStart(c)) {
        return false;
    }
    while (p != end) {
        if (!nextChar(p, end, c) || !isNameChar(c)) {
            return false;
        }
    }
    out += ' ';
    out.append(key.data(), key.size());
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
    if (m_depth > 0) {
        newLine_(m_depth);
    }
    ++m_depth;
    m_buffer += "<node name=\"";
    const std::string name = node->getNameUtf8();
    bool clean = appendEscaped(m_buffer, name);
    m_buffer += '"';
    bool hasNamespace = false;
    node->forEachAttribute([&](std::string_view key, std::string_view value) {
        if (key == "name" || !appendKey(m_buffer, key)) {
            VEXA_LOG_WARNING("XML strategy: attribute \"%s\" of node \"%s\" cannot be written",
                             kernel::fromMB(key.data(), key.size()), node->getName());
            return;
        }
        hasNamespace = hasNamespace || key == "xmlns";
        clean = appendEscaped(m_buffer, value) && clean;
        m_buffer += '"';
    });
    if (!clean) {
        VEXA_LOG_WARNING("XML strategy: replaced characters XML cannot hold in node \"%s\"",
                         node->getName());
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
