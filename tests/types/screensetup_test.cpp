#include <gtest/gtest.h>

#include <cstring>

#include "TreeHelpers.h"
#include "repos/ScreenSetup.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

NamedNode::Ptr screenTree() {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "Screens");
    NamedNode::Ptr fine = addChild(node, "Fein 150 lpi");
    addChild(fine, "Cyan",
             {{"lpi", "150"},
              {"angle", "15"},
              {"function", "round"},
              {"placement", "0"},
              {"shades", "256"}});
    addChild(fine, "Magenta", {{"lpi", "150"}, {"angle", "75"}});
    addChild(node, "Leer");
    return node;
}

// Set-ups and screens in order, and how the writer writes them, are held by
// the sample's read back and its regeneration; here are the short rows and
// the set-up without screens the sample lacks.
TEST(ScreenSetupStrategy, ShortRowsAndSetupsWithoutScreensRoundTrip) {
    boost::shared_ptr<ScreenSetup> value = DataStrategy<ScreenSetup>().load(screenTree());
    const _SCREENSETUP* first = value->getScreenSetup();
    EXPECT_EQ(rowsOf(first->screens), (Rows{{"Cyan", "150", "15", "round", "0", "256"},
                                            {"Magenta", "150", "75", "", "", ""}}));
    EXPECT_EQ(kindsOf(first->screens), (std::vector<int>{0x32, 0x32}));
    ASSERT_NE(first->next, nullptr);
    EXPECT_STREQ(first->next->name, "Leer");
    ASSERT_NE(first->next->screens, nullptr) << "a set-up without screens has an empty array";
    EXPECT_TRUE(rowsOf(first->next->screens).empty());
    EXPECT_EQ(first->next->next, nullptr);

    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "Anything");
    DataStrategy<ScreenSetup>().storeInto(value, node);
    EXPECT_EQ(name(node), "DefaultScreenSetup");
    EXPECT_EQ(childNames(node), "Fein 150 lpi,Leer");
    EXPECT_EQ(attr(childAt(childAt(node, 0), 1), "shades"), "");

    boost::shared_ptr<ScreenSetup> again = DataStrategy<ScreenSetup>().load(node);
    EXPECT_EQ(rowsOf(again->getScreenSetup()->screens), rowsOf(first->screens));
    EXPECT_STREQ(again->getScreenSetup()->next->name, "Leer");
}

TEST(ScreenSetupStrategy, LongNamesAreCutTo79BytesAtACharacterBoundary) {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "DefaultScreenSetup");
    addChild(node, std::string(100, 's'));
    addChild(node, std::string(78, 'n') + "€");  // 81 bytes
    const boost::shared_ptr<ScreenSetup> value = DataStrategy<ScreenSetup>().load(node);
    const _SCREENSETUP* first = value->getScreenSetup();
    EXPECT_EQ(std::string(first->name), std::string(79, 's'));
    EXPECT_EQ(std::string(first->next->name), std::string(78, 'n'));
}

TEST(ScreenSetupStrategy, RecordsWithoutArraysOrWithShortRowsStoreSafely) {
    _SCREENSETUP records[2];
    std::memset(records, 0, sizeof records);
    std::strcpy(records[0].name, "NoArray");
    records[0].next = &records[1];
    std::memset(records[1].name, 'z', sizeof records[1].name);  // no terminator
    StralPtr shortRows = makeStral({{"OnlyName"}}, 0x32);
    records[1].screens = shortRows.get();

    boost::shared_ptr<ScreenSetup> value(new ScreenSetup(records));
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "DefaultScreenSetup");
    DataStrategy<ScreenSetup>().storeInto(value, node);
    EXPECT_EQ(childNames(node), "NoArray," + std::string(80, 'z'));
    EXPECT_TRUE(childAt(node, 0)->isLeaf());
    EXPECT_EQ(childNames(childAt(node, 1)), "OnlyName");
    EXPECT_EQ(attr(childAt(childAt(node, 1), 0), "lpi"), "");
}

TEST(ScreenSetupStrategy, ReloadingReleasesSurplusRecordsAndEmptyNodesChangeNothing) {
    ScreenSetup value;
    DataStrategy<ScreenSetup>().load(screenTree(), value);
    NamedNode::Ptr single = addChild(NamedNode::Ptr(), "DefaultScreenSetup");
    addChild(single, "Only");
    DataStrategy<ScreenSetup>().load(single, value);
    EXPECT_STREQ(value.getScreenSetup()->name, "Only");
    EXPECT_EQ(value.getScreenSetup()->next, nullptr);

    DataStrategy<ScreenSetup>().load(addChild(NamedNode::Ptr(), "Empty"), value);
    DataStrategy<ScreenSetup>().load(NamedNode::Ptr(), value);
    EXPECT_STREQ(value.getScreenSetup()->name, "Only");

    NamedNode::Ptr many = addChild(NamedNode::Ptr(), "DefaultScreenSetup");
    for (int i = 0; i < 3000; ++i) {
        addChild(addChild(many, "Set" + std::to_string(i)), "Dot", {{"lpi", "100"}});
    }
    DataStrategy<ScreenSetup>().load(many, value);
    std::size_t count = 0;
    for (const _SCREENSETUP* r = value.getScreenSetup(); r != nullptr; r = r->next) {
        ++count;
    }
    EXPECT_EQ(count, 3000u);
}

TEST(ScreenSetupWrapper, CopiesAreDeep) {
    boost::shared_ptr<ScreenSetup> original = DataStrategy<ScreenSetup>().load(screenTree());
    {
        ScreenSetup copy(*original);
        EXPECT_NE(copy.getScreenSetup()->screens, original->getScreenSetup()->screens);
        std::strcpy(copy.getScreenSetup()->next->name, "Renamed");
        addRow(copy.getScreenSetup()->screens, {"Yellow", "150", "0", "", "", ""}, 0x32);
        ScreenSetup assigned;
        assigned = copy;
        assigned = assigned;
        EXPECT_EQ(rowsOf(assigned.getScreenSetup()->screens).size(), 3u);
        EXPECT_STREQ(assigned.getScreenSetup()->next->name, "Renamed");
        ScreenSetup fromChain(original->getScreenSetup());
        DataStrategy<ScreenSetup>().storeInto(
            boost::shared_ptr<ScreenSetup>(new ScreenSetup(fromChain)),
            addChild(NamedNode::Ptr(), "X"));
    }
    EXPECT_STREQ(original->getScreenSetup()->next->name, "Leer");
    EXPECT_EQ(rowsOf(original->getScreenSetup()->screens).size(), 2u);
    ScreenSetup fromNull(nullptr);
    EXPECT_STREQ(fromNull.getScreenSetup()->name, "");
}

}  // namespace
