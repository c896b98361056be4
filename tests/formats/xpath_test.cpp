#include <gtest/gtest.h>
#include <libxml/tree.h>
#include <wx/wfstream.h>

#include <string>

#include "common/TestSupport.h"
#include "kernel/Text.h"
#include "repos/NamedNode.h"
#include "repos/XMLSettingsStrategy.h"
#include "repos/XmlXpath.h"

using vexa::repos::NamedNode;

namespace {

const char kInks[] =
    "<?xml version=\"1.0\"?>\n"
    "<inks count=\"2\" unit=\"pl\">\n"
    "  <ink name=\"Cyan\">C</ink>\n"
    "  <!-- between -->\n"
    "  <ink name=\"Caf\xC3\xA9\"><![CDATA[x<y]]></ink>\n"
    "</inks>\n";

TEST(XmlXpath, NothingIsFoundBeforeADocumentIsRead) {
    CXmlXpath xpath;
    EXPECT_EQ(xpath.runXPathQuery("/"), nullptr);
    EXPECT_FALSE(xpath.readXMLStream("<open>"));
    EXPECT_EQ(xpath.runXPathQuery("/"), nullptr);
    EXPECT_FALSE(xpath.readXMLStream(nullptr));
    EXPECT_FALSE(xpath.readXMLFile(nullptr));
    EXPECT_FALSE(xpath.readXMLFile("/no/such/file.xml"));
    EXPECT_EQ(xpath.runXPathQuery("/"), nullptr);
}

TEST(XmlXpath, QueriesGiveNodeSetsOnlyWhenSomethingMatches) {
    CXmlXpath xpath;
    ASSERT_TRUE(xpath.readXMLStream(kInks));
    _xmlNodeSet* inks = xpath.runXPathQuery("/inks/ink");
    ASSERT_NE(inks, nullptr);
    EXPECT_EQ(xpath.getNodeSetSize(inks), 2);
    EXPECT_EQ(xpath.runXPathQuery("/inks/paper"), nullptr);
    EXPECT_EQ(xpath.runXPathQuery("count(/inks/ink)"), nullptr);  // a number
    EXPECT_EQ(xpath.runXPathQuery("/inks[["), nullptr);           // invalid
    EXPECT_EQ(xpath.runXPathQuery(nullptr), nullptr);
    EXPECT_NE(xpath.runXPathQuery("//ink[@name='Caf\xC3\xA9']"), nullptr);
}

TEST(XmlXpath, ElementsChildrenAttributesAndTexts) {
    CXmlXpath xpath;
    ASSERT_TRUE(xpath.readXMLStream(kInks));
    _xmlNodeSet* set = xpath.runXPathQuery("/inks");
    _xmlNode* inks = xpath.getNode(set, "inks");
    ASSERT_NE(inks, nullptr);
    EXPECT_EQ(xpath.getNode(set, "ink"), nullptr);
    EXPECT_EQ(xpath.getNode(nullptr, "inks"), nullptr);
    // Two elements; the blanks and the comment between them do not count.
    EXPECT_EQ(xpath.getChildCount(inks), 2);
    EXPECT_EQ(xpath.getAttributeCount(inks), 2);
    std::string value;
    EXPECT_TRUE(xpath.getNodeAttribute(inks, "unit", value));
    EXPECT_EQ(value, "pl");
    EXPECT_FALSE(xpath.getNodeAttribute(inks, "missing", value));

    _xmlNode* cyan = xpath.getChildNode(inks, "ink");
    ASSERT_NE(cyan, nullptr);
    EXPECT_TRUE(xpath.getNodeAttribute(cyan, "name", value));
    EXPECT_EQ(value, "Cyan");
    EXPECT_EQ(xpath.getChildNode(inks, "paper"), nullptr);
    EXPECT_EQ(xpath.getChildCount(cyan), 0);

    // Text belongs to the text child, not to the element.
    value = "unchanged";
    EXPECT_FALSE(xpath.getNodeText(cyan, value));
    EXPECT_EQ(value, "unchanged");
    EXPECT_TRUE(xpath.getNodeText(cyan->children, value));
    EXPECT_EQ(value, "C");
    _xmlNodeSet* cdata = xpath.runXPathQuery("/inks/ink[2]/node()");
    ASSERT_NE(cdata, nullptr);
    EXPECT_TRUE(xpath.getNodeText(xpath.getNodeSetItem(cdata, 0), value));
    EXPECT_EQ(value, "x<y");

    EXPECT_EQ(xpath.getChildCount(nullptr), 0);
    EXPECT_EQ(xpath.getAttributeCount(nullptr), 0);
    EXPECT_FALSE(xpath.getNodeText(nullptr, value));
    EXPECT_FALSE(xpath.getNodeAttribute(nullptr, "name", value));
    EXPECT_EQ(xpath.getChildNode(nullptr, "ink"), nullptr);
}

TEST(XmlXpath, AttributeAndNamespaceNodesInSetsAreHandledByKind) {
    CXmlXpath xpath;
    ASSERT_TRUE(xpath.readXMLStream(kInks));
    _xmlNodeSet* names = xpath.runXPathQuery("//ink/@name");
    ASSERT_NE(names, nullptr);
    _xmlNode* first = xpath.getNode(names, "name");
    ASSERT_NE(first, nullptr);
    std::string value;
    EXPECT_TRUE(xpath.getNodeValue(first, value));
    EXPECT_EQ(value, "Cyan");
    EXPECT_FALSE(xpath.getNodeAttribute(first, "name", value));
    EXPECT_EQ(xpath.getAttributeCount(first), 0);
    EXPECT_TRUE(xpath.getNodeAttributes(first).empty());

    // Namespace nodes have another layout; they go by prefix and value.
    _xmlNodeSet* spaces = xpath.runXPathQuery("/inks/namespace::*");
    ASSERT_NE(spaces, nullptr);
    _xmlNode* xmlSpace = xpath.getNode(spaces, "xml");
    ASSERT_NE(xmlSpace, nullptr);
    EXPECT_EQ(xpath.getNodeName(xmlSpace), "xml");
    EXPECT_TRUE(xpath.getNodeValue(xmlSpace, value));
    EXPECT_EQ(value, "http://www.w3.org/XML/1998/namespace");
    EXPECT_EQ(xpath.getChildCount(xmlSpace), 0);
    EXPECT_EQ(xpath.getChildNode(xmlSpace, "x"), nullptr);
    EXPECT_EQ(xpath.getAttributeCount(xmlSpace), 0);
    EXPECT_FALSE(xpath.getNodeText(xmlSpace, value));
}

TEST(XmlXpath, SetsCanBeWalkedWithoutLibxmlHeaders) {
    CXmlXpath xpath;
    ASSERT_TRUE(xpath.readXMLStream(kInks));
    _xmlNodeSet* set = xpath.runXPathQuery("/inks | /inks/ink");
    ASSERT_EQ(xpath.getNodeSetSize(set), 3);
    EXPECT_EQ(xpath.getNodeName(xpath.getNodeSetItem(set, 0)), "inks");
    EXPECT_TRUE(xpath.isElement(xpath.getNodeSetItem(set, 1)));
    EXPECT_FALSE(xpath.isElement(xpath.getNodeSetItem(xpath.runXPathQuery("//@unit"), 0)));
    set = xpath.runXPathQuery("/inks | /inks/ink");
    EXPECT_EQ(xpath.getNodeSetItem(set, 3), nullptr);
    EXPECT_EQ(xpath.getNodeSetItem(set, -1), nullptr);
    const auto attributes = xpath.getNodeAttributes(xpath.getNodeSetItem(set, 0));
    ASSERT_EQ(attributes.size(), 2u);
    EXPECT_EQ(attributes[0], std::make_pair(std::string("count"), std::string("2")));
    EXPECT_EQ(attributes[1], std::make_pair(std::string("unit"), std::string("pl")));
    std::string value;
    EXPECT_TRUE(xpath.getNodeValue(xpath.getNodeSetItem(set, 2), value));
    EXPECT_EQ(value, "x<y");
    EXPECT_EQ(xpath.getNodeSetSize(nullptr), 0);
    EXPECT_EQ(xpath.getNodeName(nullptr), "");
}

TEST(XmlXpath, SettingsFilesAreQueriedThroughTheRepoPrefix) {
    vexa::test::TempDir dir;
    NamedNode::Ptr printer = NamedNode::Create("Printer");
    NamedNode::Ptr port = NamedNode::Create("PortName");
    port->setAttribute("value", "LPT1");
    port->addTo(printer);
    NamedNode::Ptr media = NamedNode::Create("Media");
    media->setAttribute("value", "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC");
    media->addTo(printer);
    const std::string file = dir.file("Caf\xC3\xA9 settings.xml");
    {
        wxFileOutputStream out(vexa::kernel::fromMB(file));
        ASSERT_TRUE(out.IsOk());
        vexa::repos::XMLSettingsStrategy().store(printer, out);
    }

    CXmlXpath xpath;
    ASSERT_TRUE(xpath.readXMLFile(file.c_str()));
    // The elements live in the repository namespace.
    EXPECT_EQ(xpath.runXPathQuery("//node"), nullptr);
    _xmlNodeSet* set = xpath.runXPathQuery("//repo:node[@name=\"PortName\"]");
    ASSERT_NE(set, nullptr);
    std::string value;
    EXPECT_TRUE(xpath.getNodeAttribute(xpath.getNode(set, "node"), "value", value));
    EXPECT_EQ(value, "LPT1");
    set = xpath.runXPathQuery("/repo:node[@name='Printer']/repo:node[@name='Media']/@value");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(xpath.getNodeValue(xpath.getNodeSetItem(set, 0), value));
    EXPECT_EQ(value, "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(xpath.getNodeSetSize(xpath.runXPathQuery("//repo:node")), 3);
}

TEST(XmlXpath, ASecondReadReplacesTheFirstDocument) {
    vexa::test::TempDir dir;
    vexa::test::writeFile(dir.file("a.xml"), "<a><x/></a>");
    vexa::test::writeFile(dir.file("b.xml"), "<b><y/><y/></b>");
    CXmlXpath xpath;
    ASSERT_TRUE(xpath.readXMLFile(dir.file("a.xml").c_str()));
    ASSERT_NE(xpath.runXPathQuery("/a/x"), nullptr);
    ASSERT_TRUE(xpath.readXMLFile(dir.file("b.xml").c_str()));
    EXPECT_EQ(xpath.runXPathQuery("/a/x"), nullptr);
    EXPECT_EQ(xpath.getNodeSetSize(xpath.runXPathQuery("/b/y")), 2);
    // A failed read leaves no document behind.
    EXPECT_FALSE(xpath.readXMLFile(dir.file("missing.xml").c_str()));
    EXPECT_EQ(xpath.runXPathQuery("/b"), nullptr);
}

TEST(XmlXpath, CopiesOwnTheirDocuments) {
    CXmlXpath* original = new CXmlXpath;
    ASSERT_TRUE(original->readXMLStream(kInks));
    ASSERT_NE(original->runXPathQuery("/inks"), nullptr);
    CXmlXpath copy(*original);
    CXmlXpath assigned;
    ASSERT_TRUE(assigned.readXMLStream("<other/>"));
    assigned = *original;
    delete original;  // the copies must not depend on it
    EXPECT_EQ(copy.getNodeSetSize(copy.runXPathQuery("/inks/ink")), 2);
    EXPECT_EQ(assigned.getNodeSetSize(assigned.runXPathQuery("/inks/ink")), 2);
    EXPECT_EQ(assigned.runXPathQuery("/other"), nullptr);
    EXPECT_NE(copy.runXPathQuery("//repo:node | /inks"), nullptr);  // prefix registered

    CXmlXpath& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.getNodeSetSize(assigned.runXPathQuery("/inks/ink")), 2);

    CXmlXpath empty;
    copy = empty;
    EXPECT_EQ(copy.runXPathQuery("/"), nullptr);
}

TEST(XmlXpath, NeverLoadsExternalEntitiesOrDtds) {
    vexa::test::TempDir dir;
    vexa::test::writeFile(dir.file("secret.txt"), "SECRET");
    vexa::test::writeFile(dir.file("defaults.dtd"),
                          "<!ATTLIST r leaked CDATA \"SECRET\">\n<!ENTITY e \"SECRET\">");
    const std::string document =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE r SYSTEM \"" +
        dir.file("defaults.dtd") +
        "\" [\n"
        "<!ENTITY x SYSTEM \"file://" +
        dir.file("secret.txt") +
        "\">\n"
        "]>\n"
        "<r>&x;</r>\n";
    vexa::test::writeFile(dir.file("doc.xml"), document);
    CXmlXpath xpath;
    for (bool fromFile : {true, false}) {
        ASSERT_TRUE(fromFile ? xpath.readXMLFile(dir.file("doc.xml").c_str())
                             : xpath.readXMLStream(document.c_str()));
        _xmlNode* r = xpath.getNode(xpath.runXPathQuery("/r"), "r");
        ASSERT_NE(r, nullptr);
        std::string value;
        EXPECT_TRUE(!xpath.getNodeValue(r, value) || value.find("SECRET") == std::string::npos)
            << value;
        EXPECT_FALSE(xpath.getNodeAttribute(r, "leaked", value));
    }
}

}  // namespace
