#include "impl/xmlread.h"

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/Failure.h"
#include "kernel/Text.h"
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

int keepStreamOpen(void*) {
    return 0;
}

// Lets the reader hand over nodes it has made itself from the parser's
// UTF-8, with no wide text in between. An exception must not cross the C
// parser's frames: the callbacks record it and stop.
class Builder : public TreeBuilder {
  public:
    using TreeBuilder::addNode;
    // Scratch of the element callback, kept for its capacity.
    std::vector<NamedNode::Utf8Attribute> attributes;
    std::string keys;
    std::string failure;
    std::string parseError;    // the parser's first error, with its line
    std::size_t expanded = 0;  // bytes of entity text substituted so far
};

// Entity text a document may have substituted in all: far more than any
// settings file needs, far less than an amplification attack produces.
const std::size_t kMaxExpansion = 16 * 1024 * 1024;

template <typename Body>
void guarded(void* context, Body body) {
    xmlParserCtxtPtr parser = static_cast<xmlParserCtxtPtr>(context);
    Builder& builder = *static_cast<Builder*>(parser->_private);
    try {
        body(builder);
    } catch (const std::exception& e) {
        builder.failure = e.what();
        xmlStopParser(parser);
    } catch (...) {
        builder.failure = "Reader construction encountered unknown exception";
        xmlStopParser(parser);
    }
}

inline std::string_view view(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// The element events of the streaming parser, turned into builder calls:
// every element is a node; "name" gives its name; every other attribute and
// every namespace declaration ("xmlns", "xmlns:p") is an attribute of it.
// Attributes that only a DTD's <!ATTLIST> defaults are not the element's:
// the parser lists them last, and they are left out, as a text reader that
// reports what the document says would leave them out. Text, comments and
// processing instructions have no handler and are skipped by the parser.
void startElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*, int namespaceCount,
                  const xmlChar** namespaces, int attributeCount, int defaultedCount,
                  const xmlChar** attributes) {
    guarded(context, [&](Builder& builder) {
        // Keys with a prefix are made in a buffer of the builder's, kept and
        // reused: the views into it must stay valid until the node is made.
        std::vector<NamedNode::Utf8Attribute>& found = builder.attributes;
        std::string& keys = builder.keys;
        found.clear();
        keys.clear();
        std::string_view name;
        for (int i = 0; i < namespaceCount; ++i) {
            const xmlChar* prefix = namespaces[2 * i];
            keys += prefix ? "xmlns:" + std::string(view(prefix)) : std::string("xmlns");
            keys += '\0';
        }
        // Each attribute: local name, prefix, URI, value start, value end.
        const int writtenCount = attributeCount - defaultedCount;
        for (int i = 0; i < writtenCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            if (a[1] != nullptr) {
                keys += std::string(view(a[1])) + ":" + std::string(view(a[0]));
                keys += '\0';
            }
        }
        const char* key = keys.data();
        auto nextKey = [&key]() {
            std::string_view made(key);
            key += made.size() + 1;
            return made;
        };
        for (int i = 0; i < namespaceCount; ++i) {
            found.emplace_back(nextKey(), view(namespaces[2 * i + 1]));
        }
        for (int i = 0; i < writtenCount; ++i) {
            const xmlChar** a = attributes + 5 * i;
            const std::string_view value(reinterpret_cast<const char*>(a[3]),
                                         static_cast<std::size_t>(a[4] - a[3]));
            if (a[1] == nullptr && view(a[0]) == "name") {
                name = value;
            } else {
                found.emplace_back(a[1] != nullptr ? nextKey() : view(a[0]), value);
            }
        }
        builder.addNode(NamedNode::CreateUtf8(name, found));
    });
}

void endElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    guarded(context, [](Builder& builder) { builder.closeNode(); });
}

// A settings file is read, never followed: external entities of every kind
// (files, network addresses, parameter entities, an external subset) are
// not loaded. The parser's own handlers are kept for internal entities;
// these wrappers hide the external ones, which then stay undeclared (the
// document is refused or the reference left as it is). They also count the
// substituted text and stop a document that expands beyond all reason. All
// of this is per parser: the process-wide loader of libxml2 is left alone
// for the host.
bool isExternal(xmlEntityPtr entity) {
    return entity != nullptr && (entity->etype == XML_EXTERNAL_GENERAL_PARSED_ENTITY ||
                                 entity->etype == XML_EXTERNAL_GENERAL_UNPARSED_ENTITY ||
                                 entity->etype == XML_EXTERNAL_PARAMETER_ENTITY);
}

xmlEntityPtr countExpansion(void* context, xmlEntityPtr entity) {
    if (entity == nullptr) {
        return nullptr;
    }
    if (isExternal(entity)) {
        return nullptr;
    }
    xmlParserCtxtPtr parser = static_cast<xmlParserCtxtPtr>(context);
    Builder& builder = *static_cast<Builder*>(parser->_private);
    builder.expanded += static_cast<std::size_t>(entity->length) + 1;
    if (builder.expanded > kMaxExpansion && builder.failure.empty()) {
        builder.failure = "Entity expansion exceeds its limit";
        xmlStopParser(parser);
    }
    return entity;
}

xmlEntityPtr internalEntity(void* context, const xmlChar* name) {
    return countExpansion(context, xmlSAX2GetEntity(context, name));
}

xmlEntityPtr internalParameterEntity(void* context, const xmlChar* name) {
    return countExpansion(context, xmlSAX2GetParameterEntity(context, name));
}

// External entities are never declared, so no later lookup - ours or the
// parser's own fallback - can find and load one.
void declareInternalOnly(void* context, const xmlChar* name, int type, const xmlChar* publicId,
                         const xmlChar* systemId, xmlChar* content) {
    if (type == XML_INTERNAL_GENERAL_ENTITY || type == XML_INTERNAL_PARAMETER_ENTITY) {
        xmlSAX2EntityDecl(context, name, type, publicId, systemId, content);
    }
}

void ignoreUnparsedEntity(void*, const xmlChar*, const xmlChar*, const xmlChar*, const xmlChar*) {}

xmlParserInputPtr resolveNothing(void*, const xmlChar*, const xmlChar*) {
    return nullptr;
}

void ignoreExternalSubset(void*, const xmlChar*, const xmlChar*, const xmlChar*) {}

// libxml2 prints parse errors to stderr by default; a host's console is no
// place for them. The first one, with its line, goes into the failure the
// caller reports.
void keepFirstError(void* context, xmlErrorPtr error) {
    xmlParserCtxtPtr parser = static_cast<xmlParserCtxtPtr>(context);
    Builder* builder = parser != nullptr ? static_cast<Builder*>(parser->_private) : nullptr;
    if (builder == nullptr || error == nullptr || !builder->parseError.empty()) {
        return;
    }
    std::string message = error->message != nullptr ? error->message : "malformed XML";
    // One line: libxml2 puts details ("Bytes: 0xFF ...") on lines of their own.
    for (char& c : message) {
        if (c == '\n') {
            c = ' ';
        }
    }
    while (!message.empty() && message.back() == ' ') {
        message.pop_back();
    }
    builder->parseError = "line " + std::to_string(error->line) + ": " + message;
}

// Messages libxml2 sends outside any parser (a failed encoding conversion)
// go to its generic handler, stderr by default; they are dropped while a
// settings file is parsed, whose own error says what went wrong.
void dropGenericMessage(void*, const char*, ...) {}

// Installs dropGenericMessage for the calling thread (libxml2 keeps the
// handler per thread) and puts the previous one back when it goes.
class QuietGenericErrors {
  public:
    QuietGenericErrors() : m_handler(xmlGenericError), m_context(xmlGenericErrorContext) {
        xmlSetGenericErrorFunc(nullptr, dropGenericMessage);
    }
    ~QuietGenericErrors() { xmlSetGenericErrorFunc(m_context, m_handler); }
    QuietGenericErrors(const QuietGenericErrors&) = delete;
    QuietGenericErrors& operator=(const QuietGenericErrors&) = delete;

  private:
    xmlGenericErrorFunc m_handler;
    void* m_context;
};

struct ParserDeleter {
    void operator()(xmlParserCtxt* parser) const {
        if (parser->myDoc != nullptr) {
            xmlFreeDoc(parser->myDoc);
        }
        xmlFreeParserCtxt(parser);
    }
};

NamedNode::Ptr readTree(wxInputStream& in, std::string& detail) {
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof(sax));
    xmlSAXVersion(&sax, 2);
    // Only elements matter: no text, no comments. The document handlers
    // stay: they keep the entity declarations that substitution needs.
    sax.characters = nullptr;
    sax.ignorableWhitespace = nullptr;
    sax.cdataBlock = nullptr;
    sax.comment = nullptr;
    sax.processingInstruction = nullptr;
    sax.startElementNs = startElement;
    sax.endElementNs = endElement;
    sax.entityDecl = declareInternalOnly;
    sax.unparsedEntityDecl = ignoreUnparsedEntity;
    sax.getEntity = internalEntity;
    sax.getParameterEntity = internalParameterEntity;
    sax.resolveEntity = resolveNothing;
    sax.externalSubset = ignoreExternalSubset;
    sax.serror = keepFirstError;
    sax.error = nullptr;
    sax.warning = nullptr;

    std::unique_ptr<xmlParserCtxt, ParserDeleter> parser(xmlCreateIOParserCtxt(
        &sax, nullptr, readFromStream, keepStreamOpen, &in, XML_CHAR_ENCODING_NONE));
    if (!parser) {
        throw std::runtime_error("Could not get XML reader");
    }
    // Entity references are replaced by their text.
    xmlCtxtUseOptions(parser.get(), XML_PARSE_NOENT | XML_PARSE_NONET);
    Builder builder;
    parser->_private = &builder;
    parser->userData = parser.get();  // callbacks receive the parser
    int result = 0;
    {
        QuietGenericErrors quiet;
        result = xmlParseDocument(parser.get());
    }
    if (!builder.failure.empty()) {
        throw std::runtime_error(builder.failure);
    }
    if (result != 0 || !parser->wellFormed) {
        // The record keeps its fixed text; the parser's words go into the
        // failure the caller reports.
        detail = builder.parseError;
        throw std::runtime_error("Error occurred in processing XML data");
    }
    return builder.getRoot();
}

}  // namespace

NamedNode::Ptr readXmlStream(wxInputStream& in) {
    NamedNode::Ptr root;
    std::string detail;
    try {
        root = readTree(in, detail);
    } catch (const std::exception& e) {
        VEXA_LOG_DEBUG("XML strategy: %s", wxString::FromUTF8(e.what()));
        kernel::recordFailure(kernel::FailureCode::NOT_READABLE,
                              kernel::fromMB(detail.empty() ? e.what() : detail.c_str()));
    } catch (...) {
        VEXA_LOG_DEBUG("XML strategy: Reader construction encountered unknown exception");
    }
    in.SeekI(0, wxFromStart);
    return root;
}

}  // namespace impl
}  // namespace repos
}  // namespace vexa
