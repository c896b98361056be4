#include "impl/xmlwrite.h"

#include <libxml/xmlwriter.h>

#include <algorithm>
#include <string>

#include "logger/Log.h"
#include "impl/xmlread.h"
#include "repos/XMLSettingsStrategy.h"

namespace vexa {
namespace repos {

const char* const kRepositoryNamespace = "http://www.vexa.example/Repository/10/";

namespace impl {

namespace {

int writeToStream(void* context, const char* buffer, int length) {
    wxOutputStream* out = static_cast<wxOutputStream*>(context);
    if (!out->IsOk()) {
        return -1;
    }
    out->Write(buffer, static_cast<size_t>(length));
    return static_cast<int>(out->LastWrite());
}

// Length of the UTF-8 sequence starting with `lead` when it is a character
// XML 1.0 allows; 0 when it is not.
std::size_t allowedSequence(const std::string& text, std::size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x20) {
        return (lead == '\t' || lead == '\n' || lead == '\r') ? 1 : 0;
    }
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (i + length > text.size()) {
        return 0;
    }
    if (lead == 0xED && static_cast<unsigned char>(text[i + 1]) >= 0xA0) {
        return 0;  // a surrogate half
    }
    if (lead == 0xEF && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
        static_cast<unsigned char>(text[i + 2]) >= 0xBE) {
        return 0;  // U+FFFE, U+FFFF
    }
    return length;
}

// The UTF-8 form of `text` as an XML attribute may hold it. Characters XML
// cannot carry (control characters, U+FFFE) would make the whole file
// unreadable and so lose every setting in it; they become U+FFFD instead.
std::string xmlText(const wxString& text) {
    const wxScopedCharBuffer utf8 = text.utf8_str();
    std::string result(utf8.data(), utf8.length());
    for (std::size_t i = 0; i < result.size();) {
        const std::size_t length = allowedSequence(result, i);
        if (length != 0) {
            i += length;
            continue;
        }
        std::string repaired = result.substr(0, i);
        for (std::size_t j = i; j < result.size();) {
            const std::size_t n = allowedSequence(result, j);
            if (n == 0) {
                repaired += "\xEF\xBF\xBD";
                ++j;
                while (j < result.size() && (static_cast<unsigned char>(result[j]) & 0xC0) == 0x80) {
                    ++j;
                }
            } else {
                repaired.append(result, j, n);
                j += n;
            }
        }
        VEXA_LOG_WARNING("XML strategy: replaced characters XML cannot hold in \"%s\"",
                         wxString::FromUTF8(repaired));
        return repaired;
    }
    return result;
}

inline const xmlChar* xml(const std::string& text) {
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

// A valid XML attribute name; a host may set any key, but one that XML
// cannot carry would make the written file unreadable.
bool isXmlName(const std::string& key) {
    return !key.empty() && xmlValidateName(xml(key), 0) == 0;
}

}  // namespace

XMLWritingNodeVisitor::XMLWritingNodeVisitor(wxOutputStream& out) : m_out(&out) {}

XMLWritingNodeVisitor::~XMLWritingNodeVisitor() {
    // Freeing the writer closes the buffer and flushes the rest to the stream.
    m_writer.reset();
    m_buffer.reset();
}

void XMLWritingNodeVisitor::start() {
    xmlOutputBufferPtr buffer = xmlOutputBufferCreateIO(writeToStream, nullptr, m_out, nullptr);
    if (!buffer) {
        return;
    }
    // The writer owns and closes the buffer; this handle only observes it.
    m_buffer.reset(buffer, [](xmlOutputBufferPtr) {});
    xmlTextWriterPtr writer = xmlNewTextWriter(buffer);
    if (!writer) {
        xmlOutputBufferClose(buffer);
        m_buffer.reset();
        return;
    }
    m_writer.reset(writer, xmlFreeTextWriter);
    xmlTextWriterStartDocument(writer, nullptr, "UTF-8", nullptr);
}

void XMLWritingNodeVisitor::newLine_(std::size_t depth) {
    // One blank per level, as the writer's own indentation does; written by
    // hand so it can stop growing: the writer indents a chain of n nodes with
    // n*n/2 blanks. Files deeper than the cap cannot be read back anyway
    // (the reader refuses more than 256 levels).
    static const std::string kBlanks = "\n" + std::string(kMaxIndent, ' ');
    xmlTextWriterWriteRawLen(m_writer.get(), BAD_CAST kBlanks.data(),
                             static_cast<int>(1 + std::min(depth, kMaxIndent)));
}

void XMLWritingNodeVisitor::enter(NamedNode::Ptr node) {
    if (!m_writer) {
        return;
    }
    xmlTextWriterPtr writer = m_writer.get();
    const NamedNodeData& data = *node->getData();
    if (m_depth > 0) {
        newLine_(m_depth);
    }
    ++m_depth;
    xmlTextWriterStartElement(writer, BAD_CAST "node");
    xmlTextWriterWriteAttribute(writer, BAD_CAST "name", xml(xmlText(data.name)));
    bool hasNamespace = false;
    for (const auto& attribute : data.attributes) {
        const std::string key = attribute.first.utf8_string();
        if (key == "name" || !isXmlName(key)) {
            VEXA_LOG_WARNING("XML strategy: attribute \"%s\" of node \"%s\" cannot be written",
                             attribute.first, data.name);
            continue;
        }
        hasNamespace = hasNamespace || key == "xmlns";
        xmlTextWriterWriteAttribute(writer, xml(key), xml(xmlText(attribute.second)));
    }
    if (!hasNamespace && node->isRoot()) {
        xmlTextWriterWriteAttribute(writer, BAD_CAST "xmlns", BAD_CAST kRepositoryNamespace);
    }
}

void XMLWritingNodeVisitor::leave(NamedNode::Ptr node) {
    if (!m_writer) {
        return;
    }
    --m_depth;
    // A leaf keeps the "/>" form; an end tag goes on a line of its own.
    if (!node->isLeaf()) {
        newLine_(m_depth);
    }
    xmlTextWriterEndElement(m_writer.get());
    if (m_depth == 0) {
        xmlTextWriterWriteRawLen(m_writer.get(), BAD_CAST "\n", 1);
    }
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

NamedNode::Ptr XMLSettingsStrategy::load(wxInputStream& in) { return impl::readXmlStream(in); }

}  // namespace repos
}  // namespace vexa
