#include "repos/XmlXpath.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <climits>
#include <cstring>

#include "repos/XMLSettingsStrategy.h"

namespace {

// No network, no external entities or DTDs (neither XML_PARSE_NOENT nor
// XML_PARSE_DTDLOAD), and no error output on the host's console.
const int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

void ignoreError(void*, xmlErrorPtr) {}

const xmlChar* xml(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

const char* text(const xmlChar* value) {
    return reinterpret_cast<const char*>(value);
}

bool sameName(const xmlChar* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(text(a), b) == 0;
}

// The name of any node a node set may hold. A namespace node is an xmlNs,
// whose layout differs from xmlNode after the type; it goes by its prefix.
const xmlChar* nameOf(const xmlNode* node) {
    if (node->type == XML_NAMESPACE_DECL) {
        return reinterpret_cast<const xmlNs*>(node)->prefix;
    }
    return node->name;
}

// Whether `node` has the children list of the common node header.
bool hasChildren(const xmlNode* node) {
    return node != nullptr && node->type != XML_NAMESPACE_DECL;
}

// Takes a string libxml2 allocated into `value`; false for null.
bool take(xmlChar* content, std::string& value) {
    if (content == nullptr) {
        return false;
    }
    value = text(content);
    xmlFree(content);
    return true;
}

}  // namespace

CXmlXpath::CXmlXpath() : m_document(nullptr), m_context(nullptr), m_result(nullptr) {
    xmlInitParser();
}

CXmlXpath::~CXmlXpath() {
    cleanup();
}

CXmlXpath::CXmlXpath(const CXmlXpath& other) : CXmlXpath() {
    *this = other;
}

CXmlXpath& CXmlXpath::operator=(const CXmlXpath& other) {
    if (this == &other) {
        return *this;
    }
    cleanup();
    if (other.m_document != nullptr) {
        m_document = xmlCopyDoc(other.m_document, 1);
        if (m_document != nullptr) {
            attachContext_();
        }
    }
    return *this;
}

void CXmlXpath::cleanup() {
    if (m_result != nullptr) {
        xmlXPathFreeObject(m_result);
        m_result = nullptr;
    }
    if (m_context != nullptr) {
        xmlXPathFreeContext(m_context);
        m_context = nullptr;
    }
    if (m_document != nullptr) {
        xmlFreeDoc(m_document);
        m_document = nullptr;
    }
}

bool CXmlXpath::attachContext_() {
    m_context = xmlXPathNewContext(m_document);
    if (m_context == nullptr) {
        cleanup();
        return false;
    }
    m_context->error = ignoreError;
    if (xmlXPathRegisterNs(m_context, xml("repo"), xml(vexa::repos::kRepositoryNamespace)) != 0) {
        cleanup();
        return false;
    }
    return true;
}

bool CXmlXpath::readXMLFile(const char* fileName) {
    cleanup();
    if (fileName == nullptr) {
        return false;
    }
    m_document = xmlReadFile(fileName, nullptr, kParseOptions);
    return m_document != nullptr && attachContext_();
}

bool CXmlXpath::readXMLStream(const char* textData) {
    cleanup();
    if (textData == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(textData);
    if (length > static_cast<std::size_t>(INT_MAX)) {
        return false;
    }
    m_document = xmlReadMemory(textData, static_cast<int>(length), nullptr, nullptr, kParseOptions);
    return m_document != nullptr && attachContext_();
}

_xmlNodeSet* CXmlXpath::runXPathQuery(const char* expression) {
    if (m_context == nullptr) {
        return nullptr;
    }
    if (m_result != nullptr) {
        xmlXPathFreeObject(m_result);
        m_result = nullptr;
    }
    if (expression == nullptr) {
        return nullptr;
    }
    m_result = xmlXPathEvalExpression(xml(expression), m_context);
    if (m_result == nullptr || m_result->nodesetval == nullptr ||
        m_result->nodesetval->nodeNr <= 0) {
        return nullptr;
    }
    return m_result->nodesetval;
}

_xmlNode* CXmlXpath::getNode(_xmlNodeSet* set, const char* name) {
    if (set == nullptr || name == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < set->nodeNr; ++i) {
        xmlNode* node = set->nodeTab[i];
        if (node != nullptr && sameName(nameOf(node), name)) {
            return node;
        }
    }
    return nullptr;
}

_xmlNode* CXmlXpath::getChildNode(_xmlNode* node, const char* name) {
    if (!hasChildren(node) || name == nullptr) {
        return nullptr;
    }
    for (xmlNode* child = node->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && sameName(child->name, name)) {
            return child;
        }
    }
    return nullptr;
}

int CXmlXpath::getChildCount(_xmlNode* node) {
    int count = 0;
    if (hasChildren(node)) {
        for (xmlNode* child = node->children; child != nullptr; child = child->next) {
            count += child->type == XML_ELEMENT_NODE ? 1 : 0;
        }
    }
    return count;
}

int CXmlXpath::getAttributeCount(_xmlNode* node) {
    int count = 0;
    if (node != nullptr && node->type == XML_ELEMENT_NODE) {
        for (xmlAttr* attribute = node->properties; attribute != nullptr;
             attribute = attribute->next) {
            ++count;
        }
    }
    return count;
}

bool CXmlXpath::getNodeAttribute(_xmlNode* node, const char* name, std::string& value) {
    if (node == nullptr || node->type != XML_ELEMENT_NODE || name == nullptr) {
        return false;
    }
    return take(xmlGetProp(node, xml(name)), value);
}

bool CXmlXpath::getNodeText(_xmlNode* node, std::string& value) {
    if (node == nullptr || (node->type != XML_TEXT_NODE && node->type != XML_CDATA_SECTION_NODE)) {
        return false;
    }
    return take(xmlNodeGetContent(node), value);
}

int CXmlXpath::getNodeSetSize(_xmlNodeSet* set) {
    return set != nullptr ? set->nodeNr : 0;
}

_xmlNode* CXmlXpath::getNodeSetItem(_xmlNodeSet* set, int index) {
    if (set == nullptr || index < 0 || index >= set->nodeNr) {
        return nullptr;
    }
    return set->nodeTab[index];
}

bool CXmlXpath::isElement(_xmlNode* node) {
    return node != nullptr && node->type == XML_ELEMENT_NODE;
}

std::string CXmlXpath::getNodeName(_xmlNode* node) {
    const xmlChar* name = node != nullptr ? nameOf(node) : nullptr;
    return name != nullptr ? text(name) : std::string();
}

bool CXmlXpath::getNodeValue(_xmlNode* node, std::string& value) {
    if (node == nullptr) {
        return false;
    }
    if (node->type == XML_NAMESPACE_DECL) {
        const xmlChar* href = reinterpret_cast<const xmlNs*>(node)->href;
        if (href == nullptr) {
            return false;
        }
        value = text(href);
        return true;
    }
    return take(xmlNodeGetContent(node), value);
}

std::vector<std::pair<std::string, std::string>> CXmlXpath::getNodeAttributes(_xmlNode* node) {
    std::vector<std::pair<std::string, std::string>> attributes;
    if (node == nullptr || node->type != XML_ELEMENT_NODE) {
        return attributes;
    }
    for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        std::string name = text(attribute->name);
        if (attribute->ns != nullptr && attribute->ns->prefix != nullptr) {
            name = std::string(text(attribute->ns->prefix)) + ":" + name;
        }
        std::string value;
        take(xmlNodeGetContent(reinterpret_cast<xmlNode*>(attribute)), value);
        attributes.emplace_back(name, value);
    }
    return attributes;
}
