// XPath access to arbitrary XML documents, for hosts that want to pick values
// out of a file without the settings tree.
//
// A CXmlXpath object parses one document at a time with libxml2's document
// parser and evaluates XPath expressions on it. Node sets and nodes handed
// out belong to the object: they stay valid until the next query, the next
// read, or the end of the object. Texts are UTF-8 bytes as libxml2 hands
// them out; nothing is converted.
//
// Namespaces: every XPath context has the repository namespace
// (repos::kRepositoryNamespace) registered under the prefix "repo". Settings
// files put every element in that namespace, where a plain "//node" matches
// nothing; write "//repo:node[@name='PortName']" instead.
//
// Safety: documents are read without network access and without loading
// external entities or DTDs; parse errors are not printed.
//
// A copy (construction or assignment) gets its own copy of the document and
// no query result, so no two objects ever release the same document.
//
// Threads: one object belongs to one thread at a time; separate objects are
// independent.
#ifndef VEXA_REPOS_XMLXPATH_H
#define VEXA_REPOS_XMLXPATH_H

#include <string>
#include <utility>
#include <vector>

#include "repos/Export.h"

struct _xmlDoc;
struct _xmlXPathContext;
struct _xmlXPathObject;
struct _xmlNodeSet;
struct _xmlNode;

class VEXA_REPOS_API CXmlXpath {
  public:
    CXmlXpath();
    ~CXmlXpath();
    CXmlXpath(const CXmlXpath& other);
    // Releases this object's document and result, then copies the other's
    // document; nothing on self-assignment. When the copy cannot be made
    // this object is left without a document.
    CXmlXpath& operator=(const CXmlXpath& other);

    // Parses the file and makes an XPath context on it; false when either
    // fails (the previous document is released in any case).
    bool readXMLFile(const char* fileName);
    // The same for a document held in memory up to its terminating zero.
    bool readXMLStream(const char* text);

    // Evaluates `expression` and keeps the result (the previous one is
    // released). Its node set when it holds at least one node; null when no
    // document is loaded, the expression is invalid, matches nothing or
    // gives no node set (a number, a string).
    _xmlNodeSet* runXPathQuery(const char* expression);

    // The first node of `set` named `name` (byte for byte); null for a null
    // or empty set or when none matches. Namespace nodes go by their prefix.
    _xmlNode* getNode(_xmlNodeSet* set, const char* name);
    // The first child element of `node` named `name`; null when none.
    _xmlNode* getChildNode(_xmlNode* node, const char* name);
    // Number of child elements (other children are not counted); 0 for null.
    int getChildCount(_xmlNode* node);
    // Number of attributes of an element; 0 for null and other nodes.
    int getAttributeCount(_xmlNode* node);
    // True and `value` set when the element has the attribute; false for
    // null, a missing attribute or a node that is not an element.
    bool getNodeAttribute(_xmlNode* node, const char* name, std::string& value);
    // True and `value` set for a text (or CDATA) node with content; false
    // for null, any other node, or no content.
    bool getNodeText(_xmlNode* node, std::string& value);

    // Additions so hosts can walk a result without libxml2's headers:
    // Number of nodes in `set`; 0 for null.
    int getNodeSetSize(_xmlNodeSet* set);
    // Node `index` of `set`; null out of range or for null.
    _xmlNode* getNodeSetItem(_xmlNodeSet* set, int index);
    // True for an element node.
    bool isElement(_xmlNode* node);
    // The node's name (a namespace node's prefix); "" for null or none.
    std::string getNodeName(_xmlNode* node);
    // The node's XPath string value (an element's text content, an
    // attribute's value, a text's text); false for null or none.
    bool getNodeValue(_xmlNode* node, std::string& value);
    // An element's attributes in document order; empty for other nodes.
    std::vector<std::pair<std::string, std::string>> getNodeAttributes(_xmlNode* node);

  private:
    void cleanup();
    bool attachContext_();

    _xmlDoc* m_document;
    _xmlXPathContext* m_context;
    _xmlXPathObject* m_result;
};

#endif  // VEXA_REPOS_XMLXPATH_H
