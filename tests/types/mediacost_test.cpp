#include <gtest/gtest.h>

#include "TreeHelpers.h"
#include "common/TestSupport.h"
#include "repos/MediaCostSettings.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

const DataStrategy<MediaCostSettings> kStrategy;

TEST(MediaCosts, WrittenWithTwoDecimalsInAnyLocale) {
    CommaLocale comma;
    boost::shared_ptr<MediaCostSettings> costs(new MediaCostSettings());
    costs->setAreaBasedCost(0.5);
    costs->setPageSizeCost(toWx("A4"), 2);
    costs->setPageSizeCost(toWx("Über A3"), 1.005);
    costs->setPageSizeCost(toWx("B1"), -3.25);

    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "MediaCost", {{"keep", "yes"}});
    addChild(node, "Stale");
    kStrategy.storeInto(costs, node);
    EXPECT_EQ(name(node), "MediaCost");
    EXPECT_EQ(attr(node, "areabasedcost"), "0.50");
    EXPECT_EQ(attr(node, "keep"), "yes");
    ASSERT_EQ(childNames(node), "PageSize,PageSize,PageSize");
    EXPECT_EQ(attr(childAt(node, 0), "size"), "A4");
    EXPECT_EQ(attr(childAt(node, 0), "cost"), "2.00");
    EXPECT_EQ(attr(childAt(node, 1), "size"), "B1");
    EXPECT_EQ(attr(childAt(node, 1), "cost"), "-3.25");
    EXPECT_EQ(attr(childAt(node, 2), "size"), "Über A3");

    boost::shared_ptr<MediaCostSettings> back = kStrategy.load(node);
    EXPECT_DOUBLE_EQ(back->getAreaBasedCost(), 0.5);
    ASSERT_EQ(back->getPageSizeCosts().size(), 3u);
    EXPECT_DOUBLE_EQ(back->getPageSizeCosts().at(toWx("A4")), 2.0);
    EXPECT_DOUBLE_EQ(back->getPageSizeCosts().at(toWx("B1")), -3.25);

    // An empty map leaves no children and only the cost attribute changed.
    kStrategy.storeInto(boost::shared_ptr<MediaCostSettings>(new MediaCostSettings()), node);
    EXPECT_EQ(node->getChildCount(), 0u);
    EXPECT_EQ(attr(node, "areabasedcost"), "0.00");
    EXPECT_EQ(node->getAttributes().size(), 2u);
}

TEST(MediaCosts, FirstOfEqualSizesWinsAndSizeMayBeMissing) {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "MediaCost", {{"areabasedcost", "1.5x"}});
    addChild(node, "PageSize", {{"size", "A4"}, {"cost", "2"}});
    addChild(node, "PageSize", {{"size", "A4"}, {"cost", "9"}});
    addChild(node, "AnyName", {{"cost", "0.75"}});
    addChild(node, "PageSize", {{"size", "A3"}});

    MediaCostSettings costs;
    costs.setPageSizeCost(toWx("Old"), 1);
    kStrategy.load(node, costs);
    EXPECT_DOUBLE_EQ(costs.getAreaBasedCost(), 1.5);
    const MediaCostSettings::PageSizeCosts& map = costs.getPageSizeCosts();
    ASSERT_EQ(map.size(), 3u);
    EXPECT_DOUBLE_EQ(map.at(toWx("A4")), 2.0);
    EXPECT_DOUBLE_EQ(map.at(toWx("")), 0.75);
    EXPECT_DOUBLE_EQ(map.at(toWx("A3")), 0.0);

    // An empty node clears both fields.
    kStrategy.load(NamedNode::Ptr(), costs);
    EXPECT_EQ(costs.getAreaBasedCost(), 0.0);
    EXPECT_TRUE(costs.getPageSizeCosts().empty());
}

TEST(MediaCosts, CopiesAndNewNodes) {
    boost::shared_ptr<MediaCostSettings> costs(new MediaCostSettings());
    costs->setAreaBasedCost(4);
    costs->setPageSizeCost(toWx("A4"), 1);
    MediaCostSettings copy(*costs);
    costs->setPageSizeCost(toWx("A4"), 7);
    EXPECT_DOUBLE_EQ(copy.getPageSizeCosts().at(toWx("A4")), 1.0);
    EXPECT_DOUBLE_EQ(copy.getAreaBasedCost(), 4.0);

    NamedNode::Ptr parent = addChild(NamedNode::Ptr(), "Media");
    addChild(parent, "Costs");
    NamedNode::Ptr added = kStrategy.storeNew(costs, parent, toWx("Costs"));
    EXPECT_EQ(childNames(parent), "Costs,Costs");  // always a new child
    EXPECT_EQ(childAt(parent, 1), added);
    EXPECT_EQ(attr(childAt(added, 0), "cost"), "7.00");
}

}  // namespace
