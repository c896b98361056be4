#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <thread>
#include <vector>

#include "kernel/Text.h"
#include "repos/NamedNode.h"
#include "types/TreeHelpers.h"

using vexa::kernel::toMB;
using vexa::repos::NamedNode;
using vexa::repos::NamedNodeData;
using vexa::repos::TreeBuilder;
using vexa::test::childNames;

// Narrow texts are UTF-8 whatever the locale.
TEST(NamedNodeAttributes, AbsentKeyReadsEmptyAndSetReplacesInPlace) {
    NamedNode::Ptr node = NamedNode::Create("Bogen Großformat");
    EXPECT_EQ(node->getAttribute("x"), wxString());
    node->setAttribute("y", "東京");
    node->setAttribute("x", "720");
    node->setAttribute("x", "1440");
    const std::map<wxString, wxString> attributes = node->getAttributes();
    ASSERT_EQ(attributes.size(), 2u);
    EXPECT_EQ(attributes.begin()->first, wxString("x"));
    EXPECT_EQ(node->getAttribute("x"), wxString("1440"));
    EXPECT_EQ(toMB(node->getAttribute("y")), "東京");
    EXPECT_EQ(toMB(node->getName()), "Bogen Großformat");
    EXPECT_EQ(node->getName().length(), 16u);
}

// A node keeps its text packed until asked for its payload: each way of
// making one must read back the same, in the map's order, also past the
// count where lookups search by halves, after the payload was made, and
// with a byte of no character (such a node is never packed).
TEST(NamedNodeAttributes, EveryStorageReadsBackTheSameMap) {
    using vexa::kernel::fromMB;
    for (const int given : {3, 9, 40, -3}) {
        const bool badByte = given < 0;
        const int count = badByte ? -given : given;
        std::map<wxString, wxString> expected;
        std::vector<std::pair<std::string, std::string>> bytes;
        for (int i = 0; i < count; ++i) {
            // Keys past ASCII sort after it; "K1" < "K10" < "K2" as text.
            const std::string key = (i % 3 == 2 ? "\xC3\xA9" : "K") + std::to_string(i);
            const std::string value =
                badByte && i == 1 ? std::string("bad \xFF byte") : "v" + std::to_string(i);
            expected[fromMB(key)] = fromMB(value);
            bytes.emplace_back(key, value);
        }
        std::reverse(bytes.begin(), bytes.end());
        bytes.emplace_back("K0", "first of two");  // equal keys: the last counts
        bytes.emplace_back("K0", expected[wxT("K0")]);
        std::vector<NamedNode::Utf8Attribute> views(bytes.begin(), bytes.end());
        NamedNode::Ptr inflated = NamedNode::Create(wxT("Grau\u00DF"), expected);
        inflated->getData();
        const NamedNode::Ptr nodes[] = {NamedNode::Create(wxT("Grau\u00DF"), expected),
                                        NamedNode::CreateUtf8("Grau\xC3\x9F", views), inflated};
        for (const NamedNode::Ptr& node : nodes) {
            SCOPED_TRACE(testing::Message() << count << " attributes, node " << (&node - nodes));
            EXPECT_TRUE(node->hasName(wxT("Grau\u00DF")));
            EXPECT_FALSE(node->hasName(wxT("Grau")));
            EXPECT_EQ(node->getNameUtf8(), "Grau\xC3\x9F");
            EXPECT_EQ(node->getAttributes(), expected);
            EXPECT_EQ(node->getAttributeCount(), expected.size());
            std::string text;
            for (const auto& attribute : expected) {
                EXPECT_EQ(node->getAttribute(attribute.first), attribute.second);
                EXPECT_TRUE(node->readAttribute(attribute.first.wc_str(), text));
                EXPECT_EQ(text, toMB(attribute.second));
            }
            for (const wchar_t* absent : {L"", L"A", L"K", L"K00", L"K5x", L"\u00E9", L"\u00FF"}) {
                EXPECT_EQ(node->getAttribute(wxString(absent)), wxString()) << toMB(absent);
                EXPECT_FALSE(node->readAttribute(absent, text));
            }
            std::vector<std::string> order;
            node->forEachAttribute(
                [&](std::string_view key, std::string_view) { order.emplace_back(key); });
            std::vector<std::string> expectedOrder;
            for (const auto& attribute : expected) {
                expectedOrder.push_back(toMB(attribute.first));
            }
            EXPECT_EQ(order, expectedOrder);
        }
    }
}

// The payload handed out is the node's own, also for a packed node: a
// change through it is a change to the node, and later changes show in it.
TEST(NamedNodeAttributes, PayloadChangesAreTheNodes) {
    std::vector<NamedNode::Utf8Attribute> attributes{{"b", "2"}, {"a", "1"}};
    NamedNode::Ptr node = NamedNode::CreateUtf8("Res", attributes);
    boost::shared_ptr<NamedNodeData> data = node->getData();
    EXPECT_EQ(data->name, wxString("Res"));
    data->attributes[wxT("a")] = wxT("9");
    data->name = wxT("Alias");
    EXPECT_EQ(node->getAttribute("a"), wxString("9"));
    EXPECT_TRUE(node->hasName(wxT("Alias")));
    node->setAttribute("c", "3");
    EXPECT_EQ(data->attributes.size(), 3u);
    EXPECT_EQ(node->getData().get(), data.get());
}

TEST(NamedNodeThreads, ReadersMakingThePayloadAtOnceShareOne) {
    std::map<wxString, wxString> attributes{{wxT("value"), wxT("1")}};
    for (int round = 0; round < 20; ++round) {
        const NamedNode::Ptr node = NamedNode::Create(wxT("Key"), attributes);
        const NamedNode& shared = *node;
        std::vector<const NamedNodeData*> seen(4);
        std::vector<std::thread> readers;
        for (std::size_t i = 0; i < seen.size(); ++i) {
            readers.emplace_back([&shared, &seen, i] {
                EXPECT_EQ(shared.getAttribute(wxString(wxT("value"))), wxString("1"));
                seen[i] = shared.getData().get();
            });
        }
        for (std::thread& reader : readers) {
            reader.join();
        }
        for (const NamedNodeData* data : seen) {
            EXPECT_EQ(data, seen[0]);
        }
    }
}

TEST(NamedNodeChildren, FindChildReturnsFirstExactMatch) {
    NamedNode::Ptr root = NamedNode::Create("Root");
    NamedNode::Ptr first = NamedNode::Create("Pattern");
    NamedNode::Ptr second = NamedNode::Create("Pattern");
    first->addTo(root);
    second->addTo(root);
    EXPECT_EQ(root->findChild(wxT("Pattern")), first);
    EXPECT_FALSE(root->findChild(wxT("pattern")));
    EXPECT_FALSE(root->findChild(wxT("Other")));
}

TEST(NamedNodeChildren, AttachingKeepsOneEntryAndTheParentLink) {
    NamedNode::Ptr a = NamedNode::Create("A");
    NamedNode::Ptr b = NamedNode::Create("B");
    NamedNode::Ptr x = NamedNode::Create("x");
    NamedNode::Ptr y = NamedNode::Create("y");
    x->addTo(a);
    y->addTo(a);
    // Already a child: the position does not change.
    x->addTo(a);
    EXPECT_EQ(childNames(a), "x,y");
    x->insertInto(a);
    EXPECT_EQ(childNames(a), "x,y");
    // Another parent: the node moves.
    x->addTo(b);
    EXPECT_EQ(childNames(a), "y");
    EXPECT_EQ(childNames(b), "x");
    EXPECT_EQ(x->getParent(), b);
    EXPECT_TRUE(x->isChildOf(b));
    EXPECT_FALSE(x->isChildOf(a));
    EXPECT_FALSE(x->isChildOf(NamedNode::Ptr()));
    // Attaching to nothing or to itself is ignored.
    x->addTo(NamedNode::Ptr());
    x->addTo(x);
    EXPECT_EQ(x->getParent(), b);
}

TEST(NamedNodeChildren, InsertPositions) {
    NamedNode::Ptr root = NamedNode::Create("R");
    NamedNode::Ptr a = NamedNode::Create("a");
    NamedNode::Ptr b = NamedNode::Create("b");
    NamedNode::Ptr c = NamedNode::Create("c");
    NamedNode::Ptr d = NamedNode::Create("d");
    NamedNode::Ptr stranger = NamedNode::Create("s");
    b->addTo(root);
    a->insertInto(root);
    d->addTo(root);
    c->addBefore(root, d);
    EXPECT_EQ(childNames(root), "a,b,c,d");
    NamedNode::Ptr e = NamedNode::Create("e");
    e->addBefore(root, stranger);  // not a child: appended
    EXPECT_EQ(childNames(root), "a,b,c,d,e");
    EXPECT_EQ(a->childPos(), 0);
    EXPECT_EQ(e->childPos(), 4);
    EXPECT_EQ(root->childPos(), -1);
    EXPECT_EQ(root->getChildCount(), 5u);
}

TEST(NamedNodeChildren, DetachClearAndAParentGoneLeaveIndependentRoots) {
    NamedNode::Ptr root = NamedNode::Create("R");
    NamedNode::Ptr a = NamedNode::Create("a");
    NamedNode::Ptr b = NamedNode::Create("b");
    NamedNode::Ptr grandchild = NamedNode::Create("g");
    a->addTo(root);
    b->addTo(root);
    grandchild->addTo(b);
    a->detach();
    EXPECT_TRUE(a->isRoot());
    EXPECT_EQ(a->childPos(), -1);
    EXPECT_EQ(childNames(root), "b");
    a->detach();  // twice is harmless
    root->clearChildren();
    EXPECT_TRUE(root->isLeaf());
    EXPECT_TRUE(b->isRoot());
    // The detached node keeps its own children.
    EXPECT_EQ(grandchild->getParent(), b);
    // A node whose parent is gone is a root as well.
    a->addTo(b);
    b.reset();
    EXPECT_TRUE(a->isRoot());
    EXPECT_FALSE(a->getParent());
    a->detach();
}

TEST(NamedNodeText, PayloadTextForm) {
    NamedNodeData data;
    data.name = wxT("Res");
    std::ostringstream empty;
    empty << data;
    EXPECT_EQ(empty.str(), "Res { }");
    data.attributes[wxT("y")] = wxT("360");
    data.attributes[wxT("x")] = wxString::FromUTF8("72\"0é");
    std::ostringstream full;
    full << data;
    EXPECT_EQ(full.str(), "Res { x=\"72\"0é\" y=\"360\" }");
}

TEST(TreeBuilderTest, DropsNodesThatPathsCannotAddress) {
    for (const char* bad : {"3 1/2 x 5", "Any*"}) {
        TreeBuilder builder;
        builder.addNode(wxT("Root"));
        builder.addNode(wxString::FromUTF8(bad));
        builder.addNode(wxT("Inside"));
        builder.closeNode();
        builder.closeNode();
        builder.addNode(wxT("Kept"));
        EXPECT_FALSE(builder.getRoot()) << "root is still open";
        builder.closeNode();
        builder.closeNode();
        NamedNode::Ptr root = builder.getRoot();
        ASSERT_TRUE(root) << bad;
        EXPECT_EQ(childNames(root), "Kept") << bad;
    }
}

TEST(TreeBuilderTest, BuildsInDocumentOrderWithAttributes) {
    TreeBuilder builder;
    std::map<wxString, wxString> attributes;
    attributes[wxT("Version")] = wxT("2");
    builder.addNode(wxT("Mode"), attributes);
    EXPECT_EQ(builder.getParent()->getName(), wxString("Mode"));
    builder.addNode(wxT("Pattern"));
    builder.closeNode();
    builder.addNode(wxT("Res"));
    builder.addNode(wxT("Alias"));
    builder.closeNode();
    builder.closeNode();
    builder.closeNode();
    builder.closeNode();  // nothing open: ignored
    NamedNode::Ptr root = builder.getRoot();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->getAttribute("Version"), wxString("2"));
    EXPECT_EQ(childNames(root), "Pattern,Res");
    EXPECT_EQ(childNames(root->findChild(wxT("Res"))), "Alias");
    EXPECT_FALSE(builder.getParent());
}
