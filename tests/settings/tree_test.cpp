#include <gtest/gtest.h>

#include <sstream>

#include "kernel/Text.h"
#include "repos/NamedNode.h"

using vexa::kernel::toMB;
using vexa::repos::NamedNode;
using vexa::repos::NamedNodeData;
using vexa::repos::TreeBuilder;

namespace {

std::string childNames(const NamedNode::Ptr& node) {
    std::string names;
    for (const NamedNode::Ptr& child : *node) {
        names += (names.empty() ? "" : ",") + toMB(child->getName());
    }
    return names;
}

}  // namespace

TEST(NamedNodeAttributes, AbsentKeyReadsEmptyAndSetReplacesInPlace) {
    NamedNode::Ptr node = NamedNode::Create("Res");
    EXPECT_EQ(node->getAttribute("x"), wxString());
    node->setAttribute("y", "360");
    node->setAttribute("x", "720");
    node->setAttribute("x", "1440");
    const std::map<wxString, wxString> attributes = node->getAttributes();
    ASSERT_EQ(attributes.size(), 2u);
    EXPECT_EQ(attributes.begin()->first, wxString("x"));
    EXPECT_EQ(node->getAttribute("x"), wxString("1440"));
}

TEST(NamedNodeAttributes, NarrowTextIsUtf8WhateverTheLocale) {
    NamedNode::Ptr node = NamedNode::Create("Bogen Großformat");
    node->setAttribute("Café", "東京");
    EXPECT_EQ(toMB(node->getName()), "Bogen Großformat");
    EXPECT_EQ(toMB(node->getAttribute("Café")), "東京");
    EXPECT_EQ(node->getName().length(), 16u);
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

TEST(NamedNodeChildren, DetachAndClearLeaveIndependentRoots) {
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
}

TEST(NamedNodeChildren, ParentGoneMeansRoot) {
    NamedNode::Ptr child = NamedNode::Create("c");
    {
        NamedNode::Ptr parent = NamedNode::Create("p");
        child->addTo(parent);
        EXPECT_FALSE(child->isRoot());
    }
    EXPECT_TRUE(child->isRoot());
    EXPECT_FALSE(child->getParent());
    child->detach();
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
