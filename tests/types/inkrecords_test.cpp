#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

#include "TreeHelpers.h"
#include "common/TestSupport.h"
#include "repos/InkRecords.h"
#include "src/InkRecordIO.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

template <class T>
boost::shared_ptr<T> zeroed() {
    boost::shared_ptr<T> value(new T);
    std::memset(value.get(), 0, sizeof(T));
    return value;
}

// ---- Point curves and transition sets ------------------------------------

TEST(PointCurve, ReaderLimitsToPercentAndRoundsHalfUp) {
    NamedNode::Ptr node = root("Coverage");
    addChild(node, "Point0", {{"x", "150.7"}, {"y", "-3"}});
    addChild(node, "Point1", {{"x", "49.5"}, {"y", "49.4"}});
    addChild(node, "Point2", {{"x", "abc"}, {"y", "1e400"}});
    addChild(node, "Point07", {{"x", "7"}, {"y", "8"}});
    addChild(node, "Point64", {{"x", "1"}, {"y", "1"}});
    addChild(node, "Point-1", {{"x", "1"}, {"y", "1"}});

    SPPOINTCURVE curve;
    std::memset(&curve, 0, sizeof curve);
    detail::readPointCurve(node, curve);
    EXPECT_EQ(curve.Points[0].x, 100);
    EXPECT_EQ(curve.Points[0].y, 0);
    EXPECT_EQ(curve.Points[1].x, 50);
    EXPECT_EQ(curve.Points[1].y, 49);
    EXPECT_EQ(curve.Points[2].x, 0);
    EXPECT_EQ(curve.Points[2].y, 100);
    EXPECT_EQ(curve.Points[7].x, 7);
    EXPECT_EQ(curve.Points[7].y, 8);
    EXPECT_EQ(curve.Points[63].x, 0);  // Point64 went nowhere
}

// Where a curve ends (after point 0, at the first zero x) is held by the
// regenerated sample; its curves are short, so a full one is written here.
TEST(PointCurve, WriterWritesAllSixtyFourPointsOfAFullCurve) {
    SPPOINTCURVE curve;
    for (int i = 0; i < SP_CURVE_POINTS; ++i) {
        curve.Points[i] = {static_cast<uint8_t>(i + 1), static_cast<uint8_t>(100 - i)};
    }
    NamedNode::Ptr written = detail::writePointCurve(toWx("C"), curve);
    EXPECT_EQ(written->getChildCount(), 64u);
    SPPOINTCURVE back;
    std::memset(&back, 0, sizeof back);
    detail::readPointCurve(written, back);
    EXPECT_EQ(std::memcmp(&back, &curve, sizeof curve), 0);
}

TEST(TransitionSet, WriterWritesOneTransitionLessThanLevels) {
    SPTRANSITIONSET set;
    std::memset(&set, 0, sizeof set);
    for (int t = 0; t < SP_MAX_TRANSITIONS; ++t) {
        set.Transitions[t].Points[0] = {static_cast<uint8_t>(t), 50};
    }
    EXPECT_EQ(childNames(detail::writeTransitionSet(toWx("T"), set, 3)), "Transition0,Transition1");
    EXPECT_EQ(detail::writeTransitionSet(toWx("T"), set, 1)->getChildCount(), 0u);
    EXPECT_EQ(detail::writeTransitionSet(toWx("T"), set, 0)->getChildCount(), 0u);
    EXPECT_EQ(detail::writeTransitionSet(toWx("T"), set, -4)->getChildCount(), 0u);
    NamedNode::Ptr all = detail::writeTransitionSet(toWx("T"), set, 200);
    ASSERT_EQ(all->getChildCount(), 16u);
    EXPECT_EQ(name(childAt(all, 15)), "Transition15");
    EXPECT_EQ(attr(childAt(childAt(all, 15), 0), "x"), "15");
}

// ---- Level tables ----------------------------------------------------------

TEST(InkLevelTable, PositionsChooseSlotsAndCount) {
    NamedNode::Ptr node = root("MLInfo");
    addChild(node, "Dark", {{"value", "300"}, {"position", "2"}});
    addChild(node, "Light", {{"value", "5"}, {"position", "0"}});
    addChild(node, "Beyond", {{"value", "9"}, {"position", "30"}});
    addChild(node, "Negative", {{"value", "9"}, {"position", "-1"}});

    SPINKLEVEL level;
    std::memset(&level, 0, sizeof level);
    DataStrategy<SPINKLEVEL>().load(node, level);
    EXPECT_EQ(level.Count, 3);
    EXPECT_STREQ(level.Names[0], "Light");
    EXPECT_EQ(level.Levels[0], 5);
    EXPECT_STREQ(level.Names[1], "");
    EXPECT_EQ(level.Levels[1], 0);
    EXPECT_STREQ(level.Names[2], "Dark");
    EXPECT_EQ(level.Levels[2], 300 & 0xFF);

    // A table without children has no entries, whatever it held before.
    DataStrategy<SPINKLEVEL>().load(root("MLInfo"), level);
    EXPECT_EQ(level.Count, 0);
    // An empty node changes nothing.
    level.Count = 7;
    DataStrategy<SPINKLEVEL>().load(NamedNode::Ptr(), level);
    EXPECT_EQ(level.Count, 7);
}

TEST(InkLevelTable, NamesAreCutAtCharacterBoundary) {
    NamedNode::Ptr node = root("L");
    addChild(node, "Magentaü", {{"position", "0"}});   // 9 bytes: fits
    addChild(node, "Magentaaü", {{"position", "1"}});  // 10 bytes: ü goes whole
    addChild(node, "LightMagenta", {{"position", "2"}});
    SPINKLEVEL level;
    std::memset(&level, 0x55, sizeof level);
    DataStrategy<SPINKLEVEL>().load(node, level);
    EXPECT_STREQ(level.Names[0], "Magentaü");
    EXPECT_STREQ(level.Names[1], "Magentaa");
    EXPECT_STREQ(level.Names[2], "LightMage");
}

// Names, values, positions and replacing the old children are held by the
// regenerated sample and the configuration round trip.
TEST(InkLevelTable, WriterWritesTheSlotsThereAreAndNeedsAValueAndANode) {
    boost::shared_ptr<SPINKLEVEL> level = zeroed<SPINKLEVEL>();
    level->Count = 255;  // beyond the table: the 30 slots there are
    level->Levels[29] = 255;
    NamedNode::Ptr node = root("Color0");
    DataStrategy<SPINKLEVEL>().storeInto(level, node);
    ASSERT_EQ(node->getChildCount(), 30u);
    EXPECT_EQ(attr(childAt(node, 29), "value"), "255");
    EXPECT_EQ(attr(childAt(node, 29), "position"), "29");
    // Nothing happens without a value or a node.
    DataStrategy<SPINKLEVEL>().storeInto(boost::shared_ptr<SPINKLEVEL>(), node);
    DataStrategy<SPINKLEVEL>().storeInto(level, NamedNode::Ptr());
    EXPECT_EQ(node->getChildCount(), 30u);
}

TEST(SpotInkLevel, AliasIsCutWithoutTouchingNeighbours) {
    NamedNode::Ptr node = root("ColorOrder");
    addChild(node, "Orange", {{"value", "1"}, {"position", "0"}, {"alias", "VeryLongAliasText"}});
    addChild(node, "Green",
             {{"value", "2"},
              {"position", "1"},
              {"alias", "Gr"},
              {"CIEL", "61.25"},
              {"CIEa", "-52.5"},
              {"CIEb", "1e300"}});
    SPSPOTINKLEVEL level;
    std::memset(&level, 0, sizeof level);
    DataStrategy<SPSPOTINKLEVEL>().load(node, level);
    EXPECT_EQ(level.Count, 2);
    EXPECT_STREQ(level.Aliases[0], "VeryLongA");
    EXPECT_STREQ(level.Aliases[1], "Gr");
    EXPECT_STREQ(level.Names[1], "Green");
    EXPECT_FLOAT_EQ(level.Lab[1][0], 61.25f);
    EXPECT_FLOAT_EQ(level.Lab[1][1], -52.5f);
    EXPECT_EQ(level.Lab[1][2], FLT_MAX);  // saturated, not undefined
}

// Aliases, values and positions are held by the regenerated sample.
TEST(SpotInkLevel, WriterAddsAliasAndSixDecimalColorimetryInAnyLocale) {
    CommaLocale comma;
    boost::shared_ptr<SPSPOTINKLEVEL> level = zeroed<SPSPOTINKLEVEL>();
    level->Count = 2;
    std::strcpy(level->Names[0], "Orange");
    std::strcpy(level->Names[1], "Violett");
    level->Levels[1] = 3;
    std::strcpy(level->Aliases[0], "Or");
    level->Lab[0][0] = 50.25f;
    level->Lab[0][1] = -3.5f;
    level->Lab[0][2] = 0.0f;

    NamedNode::Ptr node = root("ColorOrder");
    DataStrategy<SPSPOTINKLEVEL>().storeInto(level, node);
    ASSERT_EQ(childNames(node), "Orange,Violett");
    NamedNode::Ptr orange = childAt(node, 0);
    EXPECT_EQ(attr(orange, "CIEL"), "50.250000");
    EXPECT_EQ(attr(orange, "CIEa"), "-3.500000");
    EXPECT_EQ(attr(orange, "CIEb"), "0.000000");
}

// ---- Ink units ---------------------------------------------------------------

TEST(InkUnit, ReaderScalesCountsByThousand) {
    NamedNode::Ptr node = root("InkUnit");
    addChild(node, "Res", {{"value", "A resolution text far longer than 29 bytes"}});
    addChild(node, "Channel", {{"value", "Cyan"}});
    addChild(node, "BaseCount", {{"value", "12"}});
    addChild(node, "DotVolume", {{"value", "4.25"}});
    addChild(node, "Units",
             {{"U0", "1"}, {"U3", "x7"}, {"U15", "4"}, {"U16", "9"}, {"U2", "0x10"}});

    SPINKUNITLUT unit;
    std::memset(&unit, 0, sizeof unit);
    unit.next = &unit;  // must be cut off
    unit.Units[3] = 77;
    DataStrategy<SPINKUNITLUT>().load(node, unit);
    EXPECT_EQ(unit.next, nullptr);
    EXPECT_EQ(std::string(unit.Res), std::string("A resolution text far longer than 29 bytes", 29));
    EXPECT_STREQ(unit.Channel, "Cyan");
    EXPECT_EQ(unit.BaseCount, 12000u);
    EXPECT_FLOAT_EQ(unit.DotVolume, 4.25f);
    EXPECT_EQ(unit.Units[0], 1000u);
    EXPECT_EQ(unit.Units[2], 0u);  // decimal only
    EXPECT_EQ(unit.Units[3], 0u);  // malformed reads as 0
    EXPECT_EQ(unit.Units[15], 4000u);

    // 32-bit arithmetic: 4294968 * 1000 wraps to 704.
    node->findChild(toWx("BaseCount"))->setAttribute(toWx("value"), toWx("4294968"));
    DataStrategy<SPINKUNITLUT>().load(node, unit);
    EXPECT_EQ(unit.BaseCount, 704u);
}

// The children and their texts are held by the regenerated sample, whose
// unit counts are whole thousands, and so are the two units written without
// levels.
TEST(InkUnit, WriterDropsTheRemainderAndWritesLevelCountPlusOneUnits) {
    SPINKUNITLUT unit;
    std::memset(&unit, 0, sizeof unit);
    for (int i = 0; i < SP_MAX_UNITS; ++i) {
        unit.Units[i] = (i + 1) * 1000 + 999;  // the remainder is dropped
    }
    NamedNode::Ptr written = detail::writeInkUnit(toWx("InkUnit0"), unit, 2, NamedNode::Ptr());
    NamedNode::Ptr units = written->findChild(toWx("Units"));
    EXPECT_EQ(units->getAttributes().size(), 3u);
    EXPECT_EQ(attr(units, "U0"), "1");
    EXPECT_EQ(attr(units, "U2"), "3");
    NamedNode::Ptr many = detail::writeInkUnit(toWx("U"), unit, 99, NamedNode::Ptr());
    EXPECT_EQ(many->findChild(toWx("Units"))->getAttributes().size(), 16u);
    EXPECT_EQ(attr(many->findChild(toWx("Units")), "U15"), "16");

    // An existing node is filled in place and keeps its name.
    NamedNode::Ptr existing = root("InkUnit");
    EXPECT_EQ(detail::writeInkUnit(toWx("ignored"), unit, 2, existing), existing);
    EXPECT_EQ(name(existing), "InkUnit");
    EXPECT_EQ(existing->getChildCount(), 5u);
}

// ---- Variable-dot channels and curves --------------------------------------

TEST(VarDotRecords, ChannelReaderStartsFromZero) {
    NamedNode::Ptr node = root("Chan0");
    node->setAttribute(toWx("ink"), toWx("LightCyanInk"));
    addChild(addChild(node, "Coverage"), "Point1", {{"x", "20"}, {"y", "30"}});
    NamedNode::Ptr transitions = addChild(node, "Transitions");
    addChild(addChild(transitions, "Transition2"), "Point0", {{"x", "40"}, {"y", "60"}});
    addChild(addChild(transitions, "Transition15"), "Point1", {{"x", "5"}, {"y", "6"}});
    addChild(addChild(transitions, "Transition16"), "Point0", {{"x", "9"}, {"y", "9"}});
    SPVARDOTCHANNEL channel;
    std::memset(&channel, 0x7F, sizeof channel);
    DataStrategy<SPVARDOTCHANNEL>().load(node, channel);
    EXPECT_STREQ(channel.Ink, "LightCyan");
    EXPECT_EQ(channel.Coverage.Points[0].x, 0);
    EXPECT_EQ(channel.Coverage.Points[1].x, 20);
    EXPECT_EQ(channel.Coverage.Points[1].y, 30);
    EXPECT_EQ(channel.Transitions.Transitions[2].Points[0].y, 60);
    EXPECT_EQ(channel.Transitions.Transitions[1].Points[0].y, 0);
    EXPECT_EQ(channel.Transitions.Transitions[15].Points[1].y, 6);
}

TEST(VarDotRecords, CurveReaderFillsLowMiddleHighAndCoverage) {
    NamedNode::Ptr node = root("Single");
    addChild(addChild(addChild(node, "Lo"), "Transition0"), "Point0", {{"x", "1"}, {"y", "2"}});
    addChild(addChild(addChild(node, "Mid"), "Transition1"), "Point0", {{"x", "3"}, {"y", "4"}});
    addChild(addChild(addChild(node, "Hi"), "Transition2"), "Point0", {{"x", "5"}, {"y", "6"}});
    addChild(addChild(node, "Coverage"), "Point3", {{"x", "7"}, {"y", "8"}});
    SPVARDOTCURVE curve;
    std::memset(&curve, 0x7F, sizeof curve);
    DataStrategy<SPVARDOTCURVE>().load(node, curve);
    EXPECT_EQ(curve.Low.Transitions[0].Points[0].y, 2);
    EXPECT_EQ(curve.Middle.Transitions[1].Points[0].y, 4);
    EXPECT_EQ(curve.High.Transitions[2].Points[0].y, 6);
    EXPECT_EQ(curve.Coverage.Points[3].y, 8);
    EXPECT_EQ(curve.High.Transitions[0].Points[0].y, 0);
}

TEST(VarDotRecords, OwnStoresOfUnitsChannelsAndCurvesLeaveTheNodeAlone) {
    NamedNode::Ptr node = root("Keep");
    addChild(node, "Child", {{"value", "1"}});
    boost::shared_ptr<SPINKUNITLUT> unit = zeroed<SPINKUNITLUT>();
    std::strcpy(unit->Res, "360");
    DataStrategy<SPINKUNITLUT>().storeInto(unit, node);
    DataStrategy<SPVARDOTCHANNEL>().storeInto(zeroed<SPVARDOTCHANNEL>(), node);
    DataStrategy<SPVARDOTCURVE>().storeInto(zeroed<SPVARDOTCURVE>(), node);
    EXPECT_EQ(name(node), "Keep");
    EXPECT_EQ(childNames(node), "Child");
    EXPECT_TRUE(node->getAttributes().empty());
}

}  // namespace
