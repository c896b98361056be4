#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TreeHelpers.h"
#include "common/TestSupport.h"
#include "repos/InkLevels.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

// ---- Level maps -------------------------------------------------------------------

TEST(InkLevelMap, NamesDifferingInCaseAreOneEntry) {
    NamedNode::Ptr node = root("InkLimits");
    addChild(node, "Cyan", {{"value", "40"}});
    addChild(node, "CYAN", {{"value", "55"}});
    addChild(node, "black", {{"value", "12abc"}});
    SPINKLEVELEX levels;
    levels["Magenta"] = 9;  // entries of other names stay
    DataStrategy<SPINKLEVELEX>().load(node, levels);
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels["cyan"], 55);
    EXPECT_EQ(levels["BLACK"], 12);
    EXPECT_EQ(levels["Magenta"], 9);
}

TEST(InkLevelMap, WriterOrdersByNameIgnoringCase) {
    boost::shared_ptr<InkLevels> levels(new InkLevels());
    SPINKLEVELEX& map = *levels->getSpInkLevel();
    map["magenta"] = 3;
    map["Cyan"] = 2;
    map["black"] = -1;

    NamedNode::Ptr node = root("DropAdjust");
    addChild(node, "Stale");
    const DataStrategy<InkLevels> strategy;
    strategy.storeInto(levels, node);
    // Positions and values are held by the regenerated sample.
    ASSERT_EQ(childNames(node), "black,Cyan,magenta");

    map["_under"] = 7;  // '_' sorts before letters once they are lowered
    strategy.storeInto(levels, node);
    ASSERT_EQ(childNames(node), "_under,black,Cyan,magenta");

    boost::shared_ptr<InkLevels> back = strategy.load(node);
    EXPECT_EQ(*back->getSpInkLevel(), map);

    NamedNode::Ptr parent = root("Mode");
    NamedNode::Ptr added = strategy.storeNew(levels, parent, toWx("TransCtrl"));
    EXPECT_EQ(childNames(parent), "TransCtrl");
    EXPECT_EQ(added->getChildCount(), 4u);
    EXPECT_TRUE(strategy.load(NamedNode::Ptr())->getSpInkLevel()->empty());
}

TEST(InkLevelMap, CopiesAreIndependent) {
    SPINKLEVELEX engine;
    engine["Cyan"] = 1;
    InkLevels fromEngine(&engine);
    engine["Cyan"] = 2;
    EXPECT_EQ((*fromEngine.getSpInkLevel())["Cyan"], 1);

    InkLevels copy(fromEngine);
    InkLevels assigned;
    assigned = fromEngine;
    (*copy.getSpInkLevel())["Cyan"] = 3;
    (*assigned.getSpInkLevel())["Cyan"] = 4;
    EXPECT_EQ((*fromEngine.getSpInkLevel())["Cyan"], 1);
    EXPECT_NE(copy.getSpInkLevel(), fromEngine.getSpInkLevel());
    EXPECT_TRUE(InkLevels(nullptr).getSpInkLevel()->empty());
}

// ---- Points and curves -------------------------------------------------------------

typedef std::pair<int, int> XY;

XY readPoint(const char* x, const char* y) {
    SPPOINTDEF point = {0, 0};
    DataStrategy<SPPOINTDEF>().load(addChild(NamedNode::Ptr(), "Point0", {{"x", x}, {"y", y}}),
                                    point);
    return XY(point.x, point.y);
}

TEST(CurvePoint, ReaderScalesBy255HundredthsExactlyWithoutARangeLimit) {
    // Each of these lands exactly on .5 after scaling, where binary
    // arithmetic would fall just short.
    EXPECT_EQ(readPoint("50.0", "10"), XY(128, 26));
    EXPECT_EQ(readPoint("30", "70"), XY(77, 179));
    EXPECT_EQ(readPoint("90", "100"), XY(230, 255));
    EXPECT_EQ(readPoint("50.2", "0"), XY(128, 0));
    EXPECT_EQ(readPoint("0.1", "abc"), XY(0, 0));
    // No range limit: values wrap as the engine's bytes do.
    EXPECT_EQ(readPoint("200", "-3"), XY(510 & 0xFF, 0xF9));  // -7.15 truncates to -7
    EXPECT_EQ(readPoint("-0.1", "1e400"), XY(0, 0));          // not a finite number
    EXPECT_EQ(readPoint("1e12", "0"), XY(0, 0));              // 2.55e12 is a multiple of 256
}

TEST(CurvePoint, WriterGivesPercentWithOneDecimalInAnyLocale) {
    CommaLocale comma;
    boost::shared_ptr<SPPOINTDEF> point(new SPPOINTDEF{255, 128});
    NamedNode::Ptr node = root("Point0");
    DataStrategy<SPPOINTDEF>().storeInto(point, node);
    EXPECT_EQ(attr(node, "x"), "100.0");
    EXPECT_EQ(attr(node, "y"), "50.2");

    // Every value survives writing and reading back.
    for (int v = 0; v < 256; ++v) {
        point->x = static_cast<uint8_t>(v);
        DataStrategy<SPPOINTDEF>().storeInto(point, node);
        SPPOINTDEF back = {0, 0};
        DataStrategy<SPPOINTDEF>().load(node, back);
        EXPECT_EQ(back.x, v);
    }
}

TEST(CurveDefinition, PointsZeroToSixtyThree) {
    NamedNode::Ptr node = root("Curve0");
    addChild(node, "Point0", {{"x", "100"}, {"y", "100"}});
    addChild(node, "Point63", {{"x", "50"}, {"y", "0"}});
    addChild(node, "Point64", {{"x", "1"}, {"y", "1"}});
    SPCURVEDEF curve;
    std::memset(&curve, 0, sizeof curve);
    curve.Points[5].x = 9;  // points not given keep their value
    DataStrategy<SPCURVEDEF>().load(node, curve);
    EXPECT_EQ(curve.Points[0].x, 255);
    EXPECT_EQ(curve.Points[63].x, 128);
    EXPECT_EQ(curve.Points[5].x, 9);
}

// ---- Ink curves --------------------------------------------------------------------

TEST(InkCurves, InksAndCurvesGoToTheirNumberedSlots) {
    NamedNode::Ptr node = root("InkCurves");
    NamedNode::Ptr ink0 = addChild(node, "Ink0", {{"value", "Cyan"}});
    NamedNode::Ptr ink5 = addChild(node, "Ink5", {{"value", "LightMagenta"}});
    addChild(node, "Ink10", {{"value", "beyond"}});
    addChild(addChild(ink0, "Curve0"), "Point1", {{"x", "50"}, {"y", "100"}});
    addChild(addChild(ink0, "Curve15"), "Point0", {{"x", "10"}, {"y", "20"}});
    addChild(addChild(ink0, "Curve16"), "Point0", {{"x", "90"}, {"y", "90"}});
    addChild(addChild(ink5, "Curve0"), "Point1", {{"x", "30"}, {"y", "30"}});

    boost::shared_ptr<InkCurve> curves = DataStrategy<InkCurve>().load(node);
    const SPINKCURVE& c = *curves->getSpInkCurve();
    // Names and points of inks in a row are read back by the sample test.
    EXPECT_EQ(c.InkCount, 2);
    EXPECT_STREQ(c.InkNames[5], "LightMage");
    EXPECT_STREQ(c.InkNames[1], "");
    EXPECT_EQ(c.CurveCounts[0], 16);
    EXPECT_EQ(c.CurveCounts[5], 1);
    EXPECT_EQ(c.Curves[0][15].Points[0].y, 51);
    // Each ink has its own curves.
    EXPECT_EQ(c.Curves[5][0].Points[1].x, 77);
    EXPECT_EQ(c.Curves[1][0].Points[1].x, 0);
    EXPECT_EQ(c.Resolution[0], '\0');

    NamedNode::Ptr untouched = root("InkCurves");
    DataStrategy<InkCurve>().storeInto(curves, untouched);
    EXPECT_EQ(untouched->getChildCount(), 0u);
}

TEST(InkCurves, CopiesDuplicateAndResolutionIsCut) {
    InkCurve curve;
    curve.setResolution(toWx("1440x1440 dpi, zwölf Durchläufe"));  // "ä" straddles byte 29
    EXPECT_STREQ(curve.getSpInkCurve()->Resolution, "1440x1440 dpi, zwölf Durchl");
    curve.setResolution(toWx("720"));
    EXPECT_STREQ(curve.getSpInkCurve()->Resolution, "720");
    curve.getSpInkCurve()->Curves[9][15].Points[63].x = 200;

    InkCurve copy(curve);
    InkCurve assigned;
    assigned = curve;
    EXPECT_NE(copy.getSpInkCurve(), curve.getSpInkCurve());
    EXPECT_EQ(std::memcmp(copy.getSpInkCurve(), curve.getSpInkCurve(), sizeof(SPINKCURVE)), 0);
    EXPECT_EQ(std::memcmp(assigned.getSpInkCurve(), curve.getSpInkCurve(), sizeof(SPINKCURVE)), 0);
    copy.getSpInkCurve()->Curves[9][15].Points[63].x = 1;
    EXPECT_EQ(curve.getSpInkCurve()->Curves[9][15].Points[63].x, 200);
    InkCurve& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.getSpInkCurve()->Curves[9][15].Points[63].x, 200);
}

}  // namespace
