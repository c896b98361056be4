#include <gtest/gtest.h>

#include <cstring>

#include "TreeHelpers.h"
#include "common/TestSupport.h"
#include "repos/ColorDotInfo.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

// CMYK plus two spot colours, one with a non-ASCII name.
_SP_COLOR_INFO sampleColorInfo() {
    _SP_COLOR_INFO info;
    std::memset(&info, 0, sizeof info);
    info.NumColor = 4;
    info.NumSpotColor = 2;
    info.HiFiMode = 3000000000u;  // beyond int: must stay unsigned ("%lu")
    info.Photometric = 5;
    std::strcpy(info.SpotNames[0], "Orange 021 C");
    std::strcpy(info.SpotNames[1], "Weiß deckend");
    info.Spots[0] = SP_SPOT_INFO{{10, 20, 30}, 8, 3, 2, 255};
    info.Spots[1] = SP_SPOT_INFO{{4000000000u}, 16, 1, 1, 128};
    return info;
}

// Byte for byte: readers fill names and unused samples with zeros.
void expectSameColorInfo(const _SP_COLOR_INFO& a, const _SP_COLOR_INFO& b) {
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(ColorInfoStrategy, RoundTripWithExactTextFormsUnderACommaLocale) {
    CommaLocale comma;
    const _SP_COLOR_INFO info = sampleColorInfo();
    boost::shared_ptr<ColorInfo> value(new ColorInfo(&info));
    NamedNode::Ptr node = addChild(addChild(NamedNode::Ptr(), "Media"), "Colors");
    addChild(node, "Stale");
    DataStrategy<ColorInfo>().storeInto(value, node);

    EXPECT_EQ(name(node), "ColorInfo");
    EXPECT_EQ(childNames(node), "NumColor,NumSpotColor,HiFiMode,Photometric,SpotNames");
    EXPECT_EQ(attr(childAt(node, 2), "value"), "3000000000");
    NamedNode::Ptr spots = node->findChild(toWx("SpotNames"));
    EXPECT_EQ(childNames(spots), "Orange 021 C,Weiß deckend");
    NamedNode::Ptr orange = childAt(spots, 0);
    EXPECT_EQ(attr(orange, "opacity"), "100.000000");
    EXPECT_EQ(attr(orange, "position"), "0");
    EXPECT_EQ(attr(orange, "S2"), "30");
    EXPECT_EQ(orange->getAttributes().size(), 5u + 3u) << "only the used samples are written";
    NamedNode::Ptr white = childAt(spots, 1);
    EXPECT_EQ(attr(white, "opacity"), "50.196078");
    EXPECT_EQ(attr(white, "S0"), "4000000000");

    boost::shared_ptr<ColorInfo> back = DataStrategy<ColorInfo>().load(node);
    expectSameColorInfo(*back->getSpColorInfo(), info);
}

TEST(ColorInfoStrategy, SpotPositionsAreBoundedAndLaterSpotsWin) {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "ColorInfo");
    addChild(node, "NumSpotColor", {{"value", "3"}});
    NamedNode::Ptr spots = addChild(node, "SpotNames");
    addChild(spots, "NoPosition", {{"samples", "1"}, {"S0", "7"}});
    addChild(spots, "TooFar", {{"position", "12"}});
    addChild(spots, "Negative", {{"position", "-1"}});
    addChild(spots, "Huge", {{"position", "99999999999999"}});
    addChild(spots, "First", {{"position", "4"}, {"bitspersample", "8"}, {"opacity", "40"}});
    addChild(
        spots, "Second",
        {{"position", "4"}, {"bitspersample", "16"}, {"S11", "11"}, {"S12", "12"}, {"S3", "x3"}});
    addChild(spots, "Loud", {{"position", "5"}, {"opacity", "1e300"}, {"samples", "300"}});
    addChild(spots, "Quiet", {{"position", "6"}, {"opacity", "-20"}});
    addChild(spots, std::string(38, 'x') + "ü", {{"position", "7"}});  // 40 bytes

    const boost::shared_ptr<ColorInfo> value = DataStrategy<ColorInfo>().load(node);
    const _SP_COLOR_INFO& info = *value->getSpColorInfo();
    EXPECT_EQ(info.NumColor, 0) << "absent child reads 0";
    EXPECT_STREQ(info.SpotNames[0], "NoPosition");
    EXPECT_EQ(info.Spots[0].SampleValues[0], 7u);
    EXPECT_STREQ(info.SpotNames[4], "Second");
    EXPECT_EQ(info.Spots[4].bitspersample, 16u);
    EXPECT_EQ(info.Spots[4].SampleValues[11], 11u);
    EXPECT_EQ(info.Spots[4].SampleValues[3], 0u) << "not a number";
    EXPECT_EQ(info.Spots[5].opacity, 255);
    EXPECT_EQ(info.Spots[5].samples, 300 % 256);
    EXPECT_EQ(info.Spots[6].opacity, 0);
    EXPECT_EQ(std::string(info.SpotNames[7]), std::string(38, 'x'));
    for (int s : {1, 2, 3, 8, 9, 10, 11}) {
        EXPECT_STREQ(info.SpotNames[s], "") << s;
    }
}

TEST(ColorInfoStrategy, CountsBeyondTheArraysWriteOnlyWhatFits) {
    _SP_COLOR_INFO info;
    std::memset(&info, 0, sizeof info);
    info.NumSpotColor = 1000;
    for (int s = 0; s < SP_MAX_SPOTCOLORS; ++s) {
        // Names that fill the field without a terminator.
        std::memset(info.SpotNames[s], 'a' + s, SP_SPOTNAME_SIZE);
        info.Spots[s].samples = 200;
    }
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "ColorInfo");
    DataStrategy<ColorInfo>().storeInto(boost::shared_ptr<ColorInfo>(new ColorInfo(&info)), node);
    NamedNode::Ptr spots = node->findChild(toWx("SpotNames"));
    ASSERT_EQ(spots->getChildCount(), 12u);
    EXPECT_EQ(name(childAt(spots, 11)), std::string(40, 'l'));
    EXPECT_EQ(childAt(spots, 11)->getAttributes().size(), 5u + 12u);

    // Reading back cuts the 40-byte names to 39.
    const boost::shared_ptr<ColorInfo> read = DataStrategy<ColorInfo>().load(node);
    const _SP_COLOR_INFO& back = *read->getSpColorInfo();
    EXPECT_EQ(std::string(back.SpotNames[11]), std::string(39, 'l'));

    info.NumSpotColor = 0;
    DataStrategy<ColorInfo>().storeInto(boost::shared_ptr<ColorInfo>(new ColorInfo(&info)), node);
    ASSERT_TRUE(node->findChild(toWx("SpotNames")));
    EXPECT_TRUE(node->findChild(toWx("SpotNames"))->isLeaf());
}

TEST(ColorInfoWrapper, CopiesAreDeep) {
    const _SP_COLOR_INFO info = sampleColorInfo();
    ColorInfo original(&info);
    ColorInfo copy(original);
    copy.getSpColorInfo()->NumColor = 6;
    ColorInfo assigned;
    assigned = original;
    assigned.getSpColorInfo()->Spots[0].opacity = 1;
    EXPECT_NE(copy.getSpColorInfo(), original.getSpColorInfo());
    expectSameColorInfo(*original.getSpColorInfo(), info);
    ColorInfo fromNull(nullptr);
    EXPECT_EQ(fromNull.getSpColorInfo()->NumColor, 0);
}

TEST(LabelChannelStrategy, OnlyPositiveChannelsAreWritten) {
    DataStrategy<LabelChannel> strategy;
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "LabelChannel", {{"value", "7"}});
    EXPECT_EQ(strategy.load(node)->getLabelChannel(), 7);
    EXPECT_EQ(strategy.load(addChild(NamedNode::Ptr(), "L"))->getLabelChannel(), 0);

    strategy.storeInto(boost::shared_ptr<LabelChannel>(new LabelChannel(0)), node);
    strategy.storeInto(boost::shared_ptr<LabelChannel>(new LabelChannel(-4)), node);
    EXPECT_EQ(attr(node, "value"), "7");
    strategy.storeInto(boost::shared_ptr<LabelChannel>(new LabelChannel(12)), node);
    EXPECT_EQ(attr(node, "value"), "12");

    NamedNode::Ptr fresh = addChild(NamedNode::Ptr(), "LabelChannel");
    strategy.storeInto(boost::shared_ptr<LabelChannel>(new LabelChannel(0)), fresh);
    EXPECT_TRUE(fresh->getAttributes().empty());
}

// Dot information built through the wrapper's own strategy from a tree:
// two groups, the first with two units.
NamedNode::Ptr dotTree() {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "Dots");
    addChild(node, "Units", {{"value", "Pikoliter"}});
    NamedNode::Ptr groups = addChild(node, "ResUnits");
    NamedNode::Ptr fine = addChild(groups, "Fein");
    NamedNode::Ptr small = addChild(fine, "Klein·1");
    addChild(small, "S", {{"scale", "1.0"}, {"value", "3.5"}});
    addChild(small, "M", {{"scale", "2.0"}, {"value", "7"}});
    addChild(fine, "Leer");
    NamedNode::Ptr draft = addChild(groups, "Draft");
    addChild(addChild(draft, "Big"), "L", {{"value", "12"}});
    return node;
}

// What the writer puts inside its node is held by the regenerated sample;
// the units, names, rows and the tail as the sample has them by its read
// back. Here: the row kind, a unit without rows and a row without scale.
TEST(DotInfoStrategy, ReadingKeepsEmptyUnitsAndRowsWithoutScale) {
    boost::shared_ptr<DotInfo> value = DataStrategy<DotInfo>().load(dotTree());
    const dotinfo& info = *value->getDotInfo();
    ASSERT_NE(info.first, nullptr);
    ASSERT_NE(info.first->units, nullptr);
    EXPECT_EQ(kindsOf(info.first->units->scales), (std::vector<int>{0xa, 0xa}));
    ASSERT_NE(info.first->units->next, nullptr);
    EXPECT_TRUE(rowsOf(info.first->units->next->scales).empty());
    ASSERT_NE(info.first->next, nullptr);
    EXPECT_EQ(info.last, info.first->next);
    EXPECT_EQ(rowsOf(info.last->units->scales), (Rows{{"L", "", "12"}}));

    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "Other");
    DataStrategy<DotInfo>().storeInto(value, node);
    EXPECT_EQ(name(node), "DotInfo");
}

TEST(DotInfoStrategy, NamesAreCutToTheirFields) {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "DotInfo");
    addChild(node, "Units", {{"value", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}});
    NamedNode::Ptr group = addChild(addChild(node, "ResUnits"), std::string(18, 'g') + "é");
    addChild(group, std::string(40, 'u'));
    const boost::shared_ptr<DotInfo> value = DataStrategy<DotInfo>().load(node);
    const dotinfo& info = *value->getDotInfo();
    // 19 bytes are read, 18 survive the conversion into the code page.
    EXPECT_STREQ(info.units, "ABCDEFGHIJKLMNOPQR");
    EXPECT_EQ(std::string(info.first->name), std::string(18, 'g'));
    EXPECT_EQ(std::string(info.first->units->name), std::string(29, 'u'));
}

TEST(DotInfoWrapper, CopiesAreDeepAndReloadingReplacesGroups) {
    boost::shared_ptr<DotInfo> original = DataStrategy<DotInfo>().load(dotTree());
    {
        DotInfo copy(*original);
        EXPECT_NE(copy.getDotInfo()->first, original->getDotInfo()->first);
        EXPECT_NE(copy.getDotInfo()->first->units->scales,
                  original->getDotInfo()->first->units->scales);
        EXPECT_EQ(copy.getDotInfo()->last, copy.getDotInfo()->first->next);
        std::strcpy(copy.getDotInfo()->first->name, "Changed");
        addRow(copy.getDotInfo()->first->units->scales, {"XL", "4", "20"});

        DotInfo assigned;
        assigned = copy;
        assigned = assigned;
        EXPECT_EQ(rowsOf(assigned.getDotInfo()->first->units->scales).size(), 3u);
        DotInfo fromStruct(original->getDotInfo());
        DataStrategy<DotInfo>().load(dotTree(), fromStruct);  // replaces, must not leak
        EXPECT_STREQ(fromStruct.getDotInfo()->first->name, "Fein");
    }
    EXPECT_STREQ(original->getDotInfo()->first->name, "Fein");
    EXPECT_EQ(rowsOf(original->getDotInfo()->first->units->scales).size(), 2u);
    DotInfo none(nullptr);
    EXPECT_EQ(none.getDotInfo()->first, nullptr);
}

}  // namespace
