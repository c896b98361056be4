#include "impl/xmlread.h"

#include <libxml/xmlreader.h>

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

#include "logger/Log.h"

namespace vexa {
namespace repos {
namespace impl {

namespace {

int readFromStream(void* context, char* buffer, int length) {
    wxInputStream* in = static_cast<wxInputStream*>(context);
    if (!in->CanRead()) {
        return 0;
    }
    if (!in->IsOk()) {
        return -1;
    }
    in->Read(buffer, static_cast<size_t>(length));
    return static_cast<int>(in->LastRead());
}

// libxml2 prints parse errors to stderr by default; a host's console is no
// place for them. The failure itself is reported through the result.
void ignoreError(void*, xmlErrorPtr) {}

// Lets the reader hand over nodes it has filled itself, so the attribute
// map is built once, in place, instead of being copied.
class Builder : public TreeBuilder {
public:
    using TreeBuilder::addNode;
};

inline wxString fromUtf8(const xmlChar* text) {
    return text ? wxString::FromUTF8Unchecked(reinterpret_cast<const char*>(text)) : wxString();
}

struct ReaderDeleter {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};

NamedNode::Ptr readTree(wxInputStream& in) {
    std::unique_ptr<xmlTextReader, ReaderDeleter> reader(
        xmlReaderForIO(readFromStream, nullptr, &in, nullptr, nullptr, 0));
    if (!reader) {
        throw std::runtime_error("Could not get XML reader");
    }
    xmlTextReaderSetStructuredErrorHandler(reader.get(), ignoreError, nullptr);
    xmlTextReaderSetParserProp(reader.get(), XML_PARSER_SUBST_ENTITIES, 1);

    Builder builder;
    int result;
    while ((result = xmlTextReaderRead(reader.get())) == 1) {
        switch (xmlTextReaderNodeType(reader.get())) {
        case XML_READER_TYPE_ELEMENT: {
            const bool empty = xmlTextReaderIsEmptyElement(reader.get()) == 1;
            NamedNode::Ptr node = NamedNode::Create(wxString());
            NamedNodeData& data = *node->getData();
            while (xmlTextReaderMoveToNextAttribute(reader.get()) == 1) {
                const xmlChar* key = xmlTextReaderConstName(reader.get());
                const xmlChar* value = xmlTextReaderConstValue(reader.get());
                if (key && std::strcmp(reinterpret_cast<const char*>(key), "name") == 0) {
                    data.name = fromUtf8(value);
                } else {
                    // Written files list attributes in key order, so the
                    // hint at the end makes each insertion constant time.
                    data.attributes.insert_or_assign(data.attributes.end(), fromUtf8(key),
                                                     fromUtf8(value));
                }
            }
            builder.addNode(node);
            if (empty) {
                builder.closeNode();
            }
            break;
        }
        case XML_READER_TYPE_END_ELEMENT:
            builder.closeNode();
            break;
        default:
            break;
        }
    }
    if (result != 0) {
        throw std::runtime_error("Error occurred in processing XML data");
    }
    return builder.getRoot();
}

}  // namespace

NamedNode::Ptr readXmlStream(wxInputStream& in) {
    NamedNode::Ptr root;
    try {
        root = readTree(in);
    } catch (const std::exception& e) {
        VEXA_LOG_DEBUG("XML strategy: %s", wxString::FromUTF8(e.what()));
    } catch (...) {
        VEXA_LOG_DEBUG("XML strategy: Reader construction encountered unknown exception");
    }
    in.SeekI(0, wxFromStart);
    return root;
}

}  // namespace impl
}  // namespace repos
}  // namespace vexa
