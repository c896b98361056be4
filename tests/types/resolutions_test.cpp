#include <gtest/gtest.h>

#include <cstring>

#include "TreeHelpers.h"
#include "common/TestSupport.h"
#include "repos/Resolutions.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

std::string rounded(const char* text) {
    return toUtf8(ResData::getRoundedRes(toWx(text)));
}

// The canonical form of a resolution text: pairs, a second pair after "@"
// or "#", and a suffix, in any locale.
TEST(RoundedResolution, CanonicalFormsInAnyLocale) {
    CommaLocale comma;  // numbers must not follow it, whether or not it exists
    EXPECT_EQ(rounded("720x720"), "720");
    EXPECT_EQ(rounded("720x1440"), "720x1440");
    EXPECT_EQ(rounded("719.6x1440.4"), "720x1440");
    EXPECT_EQ(rounded("720X1440"), "720x1440");
    EXPECT_EQ(rounded("720"), "720");

    EXPECT_EQ(rounded("720x720@360"), "720@360");
    EXPECT_EQ(rounded("720x720@360x720"), "720@360x720");
    EXPECT_EQ(rounded("1440x720@1440x720"), "1440x720");
    EXPECT_EQ(rounded("360x360#720x720"), "360@720");
    // An "@" part without "x": its one number is both A and B.
    EXPECT_EQ(rounded("720@360"), "720@360");
    // A zero second pair falls back to the text's own numbers.
    EXPECT_EQ(rounded("720x1440@0"), "720x1440");

    EXPECT_EQ(rounded("720x720-HQ"), "720-HQ");
    EXPECT_EQ(rounded("720x720@360-Qualität"), "720@360-Qualität");
    EXPECT_EQ(rounded(""), "");
    EXPECT_EQ(rounded("abc"), "0");
    EXPECT_EQ(rounded("-HQ"), "0-HQ");
    EXPECT_EQ(rounded("x@#"), "0");
}

TEST(RoundedResolution, HugeAndNegativeNumbersAreClampedNotUndefined) {
    EXPECT_EQ(rounded("1e30x5"), "18446744073709551615x5");
    EXPECT_EQ(rounded("99999999999999999999999999999"), "18446744073709551615");
    EXPECT_EQ(rounded("1e400"), "18446744073709551615");
    EXPECT_EQ(rounded("0.4x0.6"), "0x1");
    // A negative number clamps to 0 and its "-" starts the suffix.
    EXPECT_EQ(rounded("720x-5"), "720x0-5");
    const std::string longText(100000, '7');
    EXPECT_EQ(rounded(longText.c_str()), "18446744073709551615");
}

NamedNode::Ptr resDataNode() {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "R720");
    addChild(node, "Resolution", {{"value", "720x720"}});
    addChild(node, "Replicate", {{"value", "2"}});
    addChild(node, "DupCount", {{"value", "1"}});
    addChild(node, "Alias", {{"A10", "ten"}, {"A2", "two"}, {"A0", "zero"}, {"B1", "no"}});
    addChild(node, "LineBytes", {{"value", "4096"}});
    addChild(node, "DensityFlag", {{"value", "-3"}});
    addChild(node, "ProcOpts", {{"value", "0x0000001f"}});
    addChild(node, "ProcOptsMask", {{"value", "ff00"}});
    return node;
}

// The fields in the forms the sample holds are read back by its test.
TEST(ResDataStrategy, AliasesByNumberNegativeFlagsAndBareHex) {
    boost::shared_ptr<ResData> value = DataStrategy<ResData>().load(resDataNode());
    EXPECT_EQ(value->alias, (std::vector<wxString>{toWx("zero"), toWx("two"), toWx("ten")}));
    EXPECT_EQ(value->densityFlag, -3);
    EXPECT_EQ(value->procOptsMask, 0xff00u);
}

TEST(ResDataStrategy, AbsentChildrenClearFieldsButAliasesAccumulate) {
    ResData value;
    DataStrategy<ResData>().load(resDataNode(), value);
    NamedNode::Ptr sparse = addChild(NamedNode::Ptr(), "R");
    addChild(sparse, "Alias", {{"A0", "again"}});
    DataStrategy<ResData>().load(sparse, value);
    EXPECT_EQ(value.resolution, toWx(""));
    EXPECT_EQ(value.replicate, toWx(""));
    EXPECT_EQ(value.lineBytes, 0u);
    EXPECT_EQ(value.procOpts, 0u);
    EXPECT_EQ(value.alias.size(), 4u);
    EXPECT_EQ(value.alias.back(), toWx("again"));

    // Not written by this library.
    NamedNode::Ptr target = addChild(NamedNode::Ptr(), "Untouched");
    DataStrategy<ResData>().storeInto(boost::shared_ptr<ResData>(new ResData(value)), target);
    EXPECT_EQ(name(target), "Untouched");
    EXPECT_TRUE(target->isLeaf());
}

// A chain built by hand: 720 (1.0025, 0.9975) -> 1440x720 (1, 2).
class ScaleChain {
  public:
    ScaleChain() {
        std::memset(records, 0, sizeof records);
        std::strcpy(records[0].Resolution, "720");
        records[0].scaleX = 1.0025;
        records[0].scaleY = 0.9975;
        std::memset(records[0].Reserved, 0xab, sizeof records[0].Reserved);
        records[0].next = &records[1];
        std::strcpy(records[1].Resolution, "1440x720");
        records[1].scaleX = 1.0;
        records[1].scaleY = 2.0;
    }
    SPRESSCALEADJUST records[2];
};

TEST(ResScaleAdjustStrategy, RoundTripWithSixDecimalsUnderACommaLocale) {
    CommaLocale comma;  // numbers must not follow it, whether or not it exists
    ScaleChain chain;
    boost::shared_ptr<ResScaleAdjust> value(new ResScaleAdjust(chain.records));
    NamedNode::Ptr node = addChild(addChild(NamedNode::Ptr(), "Media"), "Scale");
    DataStrategy<ResScaleAdjust>().storeInto(value, node);
    EXPECT_EQ(name(node), "ResScaleAdjust");
    EXPECT_EQ(childNames(node), "720,1440x720");
    EXPECT_EQ(attr(childAt(node, 0), "scaleX"), "1.002500");
    EXPECT_EQ(attr(childAt(node, 0), "scaleY"), "0.997500");
    EXPECT_EQ(attr(childAt(node, 1), "scaleY"), "2.000000");

    boost::shared_ptr<ResScaleAdjust> back = DataStrategy<ResScaleAdjust>().load(node);
    const SPRESSCALEADJUST* a = back->getSpResScaleAdjust();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->next, nullptr);
    EXPECT_EQ(a->next->next, nullptr);
    EXPECT_STREQ(a->Resolution, "720");
    EXPECT_DOUBLE_EQ(a->scaleX, 1.0025);
    EXPECT_DOUBLE_EQ(a->scaleY, 0.9975);
    EXPECT_STREQ(a->next->Resolution, "1440x720");
    EXPECT_DOUBLE_EQ(a->next->scaleX, 1.0);
    EXPECT_DOUBLE_EQ(a->next->scaleY, 2.0);
}

TEST(ResScaleAdjustStrategy, NoRecordRemovesTheNodeAndStoreNewStillAppends) {
    NamedNode::Ptr parent = addChild(NamedNode::Ptr(), "Media");
    NamedNode::Ptr node = addChild(parent, "ResScaleAdjust");
    DataStrategy<ResScaleAdjust>().storeInto(
        boost::shared_ptr<ResScaleAdjust>(new ResScaleAdjust(nullptr)), node);
    EXPECT_TRUE(parent->isLeaf());

    ScaleChain chain;
    NamedNode::Ptr made = DataStrategy<ResScaleAdjust>().storeNew(
        boost::shared_ptr<ResScaleAdjust>(new ResScaleAdjust(chain.records)), parent, toWx("New"));
    EXPECT_EQ(childNames(parent), "ResScaleAdjust");
    EXPECT_EQ(made->getChildCount(), 2u);
}

TEST(ResScaleAdjustStrategy, ReadingRebuildsTheChainAndCutsLongNames) {
    ScaleChain chain;
    ResScaleAdjust value(chain.records);
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "ResScaleAdjust");
    // 28 ASCII bytes then "é" (2 bytes): 30 bytes, one too many for the field.
    addChild(node, std::string(28, 'r') + "é", {{"scaleX", "1.5"}});
    DataStrategy<ResScaleAdjust>().load(node, value);
    const SPRESSCALEADJUST* record = value.getSpResScaleAdjust();
    EXPECT_EQ(record->next, nullptr) << "the second record should be released";
    EXPECT_EQ(std::string(record->Resolution), std::string(28, 'r'));
    EXPECT_DOUBLE_EQ(record->scaleX, 1.5);
    EXPECT_DOUBLE_EQ(record->scaleY, 0.0);
    EXPECT_EQ(record->Reserved[0], 0xab) << "the engine's block is not ours to touch";

    // A value without records gets one from the first child.
    ResScaleAdjust empty(nullptr);
    DataStrategy<ResScaleAdjust>().load(node, empty);
    ASSERT_NE(empty.getSpResScaleAdjust(), nullptr);
    EXPECT_DOUBLE_EQ(empty.getSpResScaleAdjust()->scaleX, 1.5);
}

TEST(ResScaleAdjustWrapper, CopiesAreDeep) {
    ScaleChain chain;
    ResScaleAdjust original(chain.records);
    chain.records[0].scaleX = 9.0;  // the wrapper holds its own copy
    EXPECT_DOUBLE_EQ(original.getSpResScaleAdjust()->scaleX, 1.0025);
    {
        ResScaleAdjust copy(original);
        copy.getSpResScaleAdjust()->next->scaleY = 7.0;
        ResScaleAdjust assigned;
        assigned = copy;
        assigned.getSpResScaleAdjust()->scaleY = 5.0;
        assigned = assigned;
        EXPECT_DOUBLE_EQ(assigned.getSpResScaleAdjust()->next->scaleY, 7.0);
        EXPECT_DOUBLE_EQ(copy.getSpResScaleAdjust()->scaleY, 0.9975);
    }
    EXPECT_DOUBLE_EQ(original.getSpResScaleAdjust()->next->scaleY, 2.0);
    EXPECT_EQ(std::memcmp(original.getSpResScaleAdjust()->Reserved, chain.records[0].Reserved,
                          SP_RESSCALE_RESERVED_SIZE),
              0);
}

TEST(ResListStrategy, RoundTripKeepsTheNodeNameAndCopiesAreDeep) {
    StralPtr source = makeStral({{"720x720"}, {"1440x720-HQ"}});
    boost::shared_ptr<ResList> value(new ResList(source.get()));
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "DefaultResolutions");
    addChild(node, "old");
    DataStrategy<ResList>().storeInto(value, node);
    EXPECT_EQ(name(node), "DefaultResolutions");
    EXPECT_EQ(childNames(node), "720x720,1440x720-HQ");

    ResList back;
    addRow(back.getStral(), {"stale"});
    DataStrategy<ResList>().load(node, back);
    EXPECT_EQ(rowsOf(back.getStral()), rowsOf(source.get()));
    EXPECT_EQ(kindsOf(back.getStral()), (std::vector<int>{0x51, 0x51}));

    ResList copy(back);
    addRow(copy.getStral(), {"360"});
    back = back;
    ResList assigned;
    assigned = copy;
    EXPECT_EQ(rowsOf(back.getStral()).size(), 2u);
    EXPECT_EQ(rowsOf(assigned.getStral()).size(), 3u);

    DataStrategy<ResList>().load(NamedNode::Ptr(), back);
    EXPECT_TRUE(rowsOf(back.getStral()).empty());
}

}  // namespace
