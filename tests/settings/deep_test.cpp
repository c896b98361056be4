// Trees far deeper than any call stack allows must still be handled: walks,
// lookups, writing and destruction all run without recursion.
#include <gtest/gtest.h>
#include <wx/mstream.h>

#include "repos/NodeTraverser.h"
#include "repos/Settings.h"
#include "repos/XMLSettingsStrategy.h"

using vexa::repos::NamedNode;

namespace {

const int kDepth = 200000;

NamedNode::Ptr chain(int depth) {
    NamedNode::Ptr root = NamedNode::Create("n");
    NamedNode::Ptr tip = root;
    for (int i = 1; i < depth; ++i) {
        NamedNode::Ptr next = NamedNode::Create("n");
        next->addTo(tip);
        tip = next;
    }
    return root;
}

class DepthCounter : public vexa::repos::TrivialNodeVisitor {
  public:
    void enter(NamedNode::Ptr) override { ++entered; }
    void leave(NamedNode::Ptr) override { ++left; }
    long entered = 0;
    long left = 0;
};

}  // namespace

TEST(DeepTree, ChainIsWalkedSearchedStoredAndDestroyed) {
    NamedNode::Ptr root = chain(kDepth);

    boost::shared_ptr<DepthCounter> counter(new DepthCounter);
    vexa::repos::NamedNodeTraverser(counter).travel(root);
    EXPECT_EQ(counter->entered, kDepth);
    EXPECT_EQ(counter->left, kDepth);

    wxString path;
    for (int i = 0; i < kDepth; ++i) {
        path += wxT("*/");
    }
    vexa::repos::Settings settings(root, boost::shared_ptr<vexa::repos::ISettingsStrategy>(
                                             new vexa::repos::XMLSettingsStrategy));
    const std::list<NamedNode::Ptr> found = vexa::repos::SettingsAccess::findNodes(settings, path);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found.front()->isLeaf());

    wxMemoryOutputStream out;
    settings.storeTo(out);
    // Every element but the innermost has a start and an end tag.
    EXPECT_GT(out.GetSize(), static_cast<size_t>(kDepth) * 2 * 8);

    root.reset();  // must not overflow the stack
}

TEST(DeepTree, SubtreeHeldElsewhereSurvivesItsAncestors) {
    NamedNode::Ptr root = chain(1000);
    NamedNode::Ptr middle = root;
    for (int i = 0; i < 500; ++i) {
        middle = middle->getChildren().front();
    }
    root.reset();
    EXPECT_TRUE(middle->isRoot());
    int below = 0;
    for (NamedNode::Ptr node = middle; !node->isLeaf(); node = node->getChildren().front()) {
        ++below;
    }
    EXPECT_EQ(below, 499);
}
