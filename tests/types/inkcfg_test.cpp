#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TreeHelpers.h"
#include "common/TestSupport.h"
#include "kernel/Memory.h"
#include "repos/InkCfg.h"
#include "repos/InkLevels.h"
#include "types/InkCfgCompare.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

const DataStrategy<InkCfg> kStrategy;

template <class T>
T* callocate() {
    return static_cast<T*>(std::calloc(1, sizeof(T)));
}

void put(char* field, std::size_t size, const std::string& text) {
    std::snprintf(field, size, "%s", text.c_str());
}

std::string value(const NamedNode::Ptr& node, const char* child) {
    NamedNode::Ptr found = node->findChild(toWx(child));
    return found ? attr(found, "value") : std::string("<absent>");
}

std::vector<std::string> unitResolutions(const SPINKCFG& cfg) {
    std::vector<std::string> names;
    for (const SPINKUNITLUT* unit : units(cfg)) {
        names.push_back(unit->Res);
    }
    return names;
}

// ---- A fully populated configuration ------------------------------------------

const int kLevels = 4;  // variable-dot levels of the full configuration

SPPOINTCURVE curveFrom(int seed, int points) {
    SPPOINTCURVE curve;
    std::memset(&curve, 0, sizeof curve);
    for (int p = 0; p < points; ++p) {
        curve.Points[p].x = static_cast<uint8_t>(1 + (seed * 7 + p * 13) % 100);
        curve.Points[p].y = static_cast<uint8_t>((seed * 3 + p * 17) % 101);
    }
    return curve;
}

// Transitions 0 .. kLevels-2 are the ones a configuration stores.
SPTRANSITIONSET transitionsFrom(int seed) {
    SPTRANSITIONSET set;
    std::memset(&set, 0, sizeof set);
    for (int t = 0; t < kLevels - 1; ++t) {
        set.Transitions[t] = curveFrom(seed + t, 3 + t);
    }
    return set;
}

SPVARDOTCURVE varDotCurveFrom(int seed) {
    SPVARDOTCURVE curve;
    curve.Low = transitionsFrom(seed);
    curve.Middle = transitionsFrom(seed + 10);
    curve.High = transitionsFrom(seed + 20);
    curve.Coverage = curveFrom(seed + 30, 9);
    return curve;
}

// 12 colours with level tables and MLInfo, five ink units, 30 ink groups
// with long names and, by `channels`, a variable-dot channel table or a
// curve set. Nested blocks are handed to the InkCfg, which frees them.
InkCfg makeFullCfg(bool channels) {
    InkCfg cfg;
    SPINKCFG& c = *cfg.getSpInkCfg();
    put(c.Name, sizeof c.Name, "Zwölf Farben · Satz A");
    c.NumColor = 12;
    c.NumSpotColor = 2;
    c.Photometric = 5;
    c.HiFiMode = 3;
    c.BlackAbility = 1;
    c.ProcBits = 4;
    c.OutputBits = 2;
    c.ProcOpts = 0x00000013;
    c.InkType = 4000000000u;
    c.LabelVal = 9;
    const char* inks[] = {"Cyan",   "Magenta", "Yellow", "Black", "LightCyan", "LightMag",
                          "Orange", "Green",   "Violet", "Red",   "Blue",      "Gray"};
    c.ColorOrder.Count = 12;
    for (int i = 0; i < 12; ++i) {
        put(c.ColorOrder.Names[i], SP_INKNAME_SIZE, inks[i]);
        c.ColorOrder.Levels[i] = static_cast<uint8_t>(i % 4);
        put(c.ColorOrder.Aliases[i], SP_INKNAME_SIZE, "Alias" + std::to_string(i));
        c.ColorOrder.Lab[i][0] = 10.5f + i;
        c.ColorOrder.Lab[i][1] = -20.25f + i;
        c.ColorOrder.Lab[i][2] = 0.125f * i;
        c.MLInfo[i].Count = 3;
        for (int k = 0; k < 3; ++k) {
            put(c.MLInfo[i].Names[k], SP_INKNAME_SIZE,
                "D" + std::to_string(i) + "L" + std::to_string(k));
            c.MLInfo[i].Levels[k] = static_cast<uint8_t>(i * 10 + k);
        }
    }
    for (int r = 0; r < 4; ++r) {  // the highest colour order level is 3
        for (int j = 0; j < 16; ++j) {
            c.LevelLut[r][j] = static_cast<uint8_t>(r * 37 + j * 11);
        }
    }
    SPINKUNITLUT** tail = &c.InkUnits;
    for (int k = 0; k < 5; ++k) {
        SPINKUNITLUT* unit = callocate<SPINKUNITLUT>();
        put(unit->Res, SP_RESNAME_SIZE, "720x1440 pass " + std::to_string(k));
        put(unit->Channel, SP_INKNAME_SIZE, "Ch" + std::to_string(k));
        unit->BaseCount = (k + 1) * 5000u;
        for (int i = 0; i <= kLevels; ++i) {
            unit->Units[i] = (k * 10 + i) * 1000u;
        }
        unit->DotVolume = 2.5f * (k + 1);
        *tail = unit;
        tail = &unit->next;
    }
    c.SameInks = callocate<SPSAMEINKS>();
    c.SameInks->GroupCount = 30;
    for (int g = 0; g < 30; ++g) {
        SPINKGROUP& group = c.SameInks->Groups[g];
        group.InkCount = g % 30 + 1;
        for (int i = 0; i < group.InkCount; ++i) {
            const std::string text = "Gruppe " + std::to_string(g) + " Tinte " + std::to_string(i) +
                                     " mit einem recht langen Namen, länger als jedes Feld";
            group.Inks[i] = strdup(text.c_str());
        }
    }
    c.VarDotLevelCount = kLevels;
    const uint8_t levels[kLevels] = {10, 40, 80, 255};
    std::memcpy(c.VarDotLevels, levels, sizeof levels);
    if (channels) {
        c.VarDotOpts = 0x12;
        SPVARDOTCHANNELS* table = callocate<SPVARDOTCHANNELS>();
        table->ChannelCount = 6;
        for (int i = 0; i < 6; ++i) {
            put(table->Channels[i].Ink, SP_INKNAME_SIZE, inks[i]);
            table->Channels[i].Coverage = curveFrom(i, 5 + i);
            table->Channels[i].Transitions = transitionsFrom(i * 4);
        }
        c.VarDot = table;
    } else {
        c.VarDotOpts = 0x10;
        SPVARDOTCURVES* set = callocate<SPVARDOTCURVES>();
        put(set->Resolution, SP_RESNAME_SIZE, "1440x720");
        set->Single = varDotCurveFrom(1);
        set->First = varDotCurveFrom(2);
        set->Next = varDotCurveFrom(3);
        c.VarDot = set;
    }
    return cfg;
}

// The children a configuration writer leaves alone, as a printer file
// carries them: without them HiFiMode, Photometric and the variable-dot
// levels (and with them the variable-dot block) would not read back.
NamedNode::Ptr cfgNodeFor(const SPINKCFG& c) {
    NamedNode::Ptr node = root("InkCfg");
    addChild(node, "HiFiMode", {{"value", std::to_string(c.HiFiMode).c_str()}});
    addChild(node, "Photometric", {{"value", std::to_string(c.Photometric).c_str()}});
    NamedNode::Ptr levels = addChild(node, "VarDotLvls");
    for (int i = 0; i < c.VarDotLevelCount; ++i) {
        levels->setAttribute(toWx("L" + std::to_string(i)),
                             toWx(std::to_string(c.VarDotLevels[i])));
    }
    return node;
}

TEST(InkCfgRoundTrip, FullConfigurationSurvivesStoreAndReadBack) {
    for (bool channels : {true, false}) {
        SCOPED_TRACE(channels ? "channel table" : "curve set");
        boost::shared_ptr<InkCfg> original(new InkCfg(makeFullCfg(channels)));
        const SPINKCFG& o = *original->getSpInkCfg();
        NamedNode::Ptr node = cfgNodeFor(o);
        kStrategy.storeInto(original, node);
        EXPECT_EQ(name(node), "InkCfg");
        // Children the reader would not miss are held by the read back below
        // and by the regenerated sample; what it never reads is checked here.
        if (!channels) {
            NamedNode::Ptr curves = node->findChild(toWx("VarDotCurves"));
            EXPECT_EQ(attr(curves, "numCurves"), "4");
            EXPECT_EQ(attr(curves, "resolution"), "1440x720");
        }
        boost::shared_ptr<InkCfg> first = kStrategy.load(node);
        expectSameCfg(o, *first->getSpInkCfg(), true);

        // A second store into the same node replaces, it does not add.
        const std::string once = dump(node);
        kStrategy.storeInto(original, node);
        EXPECT_EQ(dump(node), once);

        // Read twice, the unit list is back in its first order.
        NamedNode::Ptr again = cfgNodeFor(o);
        kStrategy.storeInto(first, again);
        expectSameCfg(o, *kStrategy.load(again)->getSpInkCfg(), false);
    }
}

// ---- Level tables --------------------------------------------------------------

// Computed tables are asked for by ProcOpts 0x10000000.
NamedNode::Ptr bitsNode(int procBits, int outputBits) {
    NamedNode::Ptr node = root("InkCfg");
    addChild(node, "ProcOpts", {{"value", "0x10000000"}});
    addChild(node, "ProcBits", {{"value", std::to_string(procBits).c_str()}});
    addChild(node, "OutputBits", {{"value", std::to_string(outputBits).c_str()}});
    return node;
}

InkCfg loadBits(int procBits, int outputBits) {
    return *kStrategy.load(bitsNode(procBits, outputBits));
}

TEST(InkCfgLevelLut, ComputedTableSplitsProcessedValuesIntoOutputDigits) {
    NamedNode::Ptr node = bitsNode(4, 2);
    addChild(addChild(node, "LevelLut"), "Lut0", {{"L0", "99"}});  // not read
    boost::shared_ptr<InkCfg> cfg = kStrategy.load(node);
    const SPINKCFG& c = *cfg->getSpInkCfg();
    for (int j = 0; j < 16; ++j) {
        EXPECT_EQ(c.LevelLut[1][j], j & 3) << j;
        EXPECT_EQ(c.LevelLut[0][j], (j & 12) >> 2) << j;
    }
    EXPECT_EQ(c.LevelLut[0][16], 0);
    EXPECT_EQ(c.LevelLut[2][3], 0);

    // Stored, the computed table leaves an empty "LevelLut" child.
    NamedNode::Ptr stored = root("X");
    kStrategy.storeInto(cfg, stored);
    ASSERT_TRUE(stored->findChild(toWx("LevelLut")));
    EXPECT_EQ(stored->findChild(toWx("LevelLut"))->getChildCount(), 0u);

    // One bit per plane over eight bits: row 7 holds the lowest bit.
    const InkCfg bits = loadBits(8, 1);
    for (int j = 0; j < 256; ++j) {
        EXPECT_EQ(bits.getSpInkCfg()->LevelLut[7][j], j & 1);
        EXPECT_EQ(bits.getSpInkCfg()->LevelLut[0][j], j >> 7);
    }
    // Three bits over eight: two digits, the top two bits have no row.
    const InkCfg three = loadBits(8, 3);
    EXPECT_EQ(three.getSpInkCfg()->LevelLut[1][0xFF], 7);
    EXPECT_EQ(three.getSpInkCfg()->LevelLut[0][0xFF], 7);
    EXPECT_EQ(three.getSpInkCfg()->LevelLut[2][0xFF], 0);
    // No output bits: nothing computed; absurd processed bits stay in range.
    EXPECT_EQ(loadBits(8, 0).getSpInkCfg()->LevelLut[0][255], 0);
    const InkCfg wide = loadBits(200, 4);
    EXPECT_EQ(wide.getSpInkCfg()->LevelLut[0][0xAB], 0xA);
    EXPECT_EQ(wide.getSpInkCfg()->LevelLut[1][0xAB], 0xB);
}

TEST(InkCfgLevelLut, EightOutputBitsReadTablesWhateverProcOptsSays) {
    NamedNode::Ptr node = bitsNode(8, 8);
    NamedNode::Ptr lut = addChild(node, "LevelLut");
    addChild(lut, "Lut0", {{"L0", "7"}, {"L255", "300"}, {"L256", "1"}, {"L3", "x"}});
    addChild(lut, "Lut7", {{"L1", "9"}});
    addChild(lut, "Lut8", {{"L1", "9"}});
    boost::shared_ptr<InkCfg> cfg(new InkCfg());
    cfg->getSpInkCfg()->LevelLut[0][3] = 42;  // a malformed entry keeps it
    kStrategy.load(node, *cfg);
    const SPINKCFG& c = *cfg->getSpInkCfg();
    EXPECT_EQ(c.LevelLut[0][0], 7);
    EXPECT_EQ(c.LevelLut[0][255], 300 & 0xFF);
    EXPECT_EQ(c.LevelLut[0][3], 42);
    EXPECT_EQ(c.LevelLut[7][1], 9);

    // Stored with eight output bits: no rows, with or without the flag.
    for (uint32_t opts : {0x10000000u, 0u}) {
        cfg->getSpInkCfg()->ProcOpts = opts;
        NamedNode::Ptr stored = root("X");
        kStrategy.storeInto(cfg, stored);
        EXPECT_EQ(stored->findChild(toWx("LevelLut"))->getChildCount(), 0u);
    }
}

// ---- Scalars ---------------------------------------------------------------------

// The hex forms of the flag words are held by the regenerated sample.
TEST(InkCfgScalars, BlackAbilityIsAFlagAndOddTextsStayInTheirFields) {
    boost::shared_ptr<InkCfg> cfg(new InkCfg());
    cfg->getSpInkCfg()->BlackAbility = 7;
    NamedNode::Ptr node = root("X");
    kStrategy.storeInto(cfg, node);
    EXPECT_EQ(value(node, "BlackAbility"), "1");

    NamedNode::Ptr text = root("InkCfg");
    addChild(text, "ProcOpts", {{"value", "10"}});
    addChild(text, "Name", {{"value", "A configuration name of more than 29 characters"}});
    addChild(text, "InkType", {{"value", "12abc"}});
    addChild(text, "NumColor", {{"value", "99999999999999999999"}});
    const InkCfg readCfg = *kStrategy.load(text);
    const SPINKCFG& read = *readCfg.getSpInkCfg();
    EXPECT_EQ(read.ProcOpts, 16u);
    EXPECT_EQ(std::string(read.Name), "A configuration name of more ");
    EXPECT_EQ(read.InkType, 0u);
    EXPECT_EQ(read.NumColor, 255);
}

TEST(InkCfgScalars, MLInfoOnlyForProcessColours) {
    NamedNode::Ptr node = root("InkCfg");
    NamedNode::Ptr colorsNode = addChild(node, "NumColor", {{"value", "2"}});
    NamedNode::Ptr ml = addChild(node, "MLInfo");
    for (const char* color : {"Color0", "Color1", "Color2", "Color12"}) {
        addChild(addChild(ml, color), "Dot", {{"value", "5"}, {"position", "0"}});
    }
    const InkCfg twoCfg = *kStrategy.load(node);
    const SPINKCFG& two = *twoCfg.getSpInkCfg();
    EXPECT_EQ(two.MLInfo[0].Count, 1);
    EXPECT_EQ(two.MLInfo[1].Count, 1);
    EXPECT_EQ(two.MLInfo[2].Count, 0);

    colorsNode->setAttribute(toWx("value"), toWx("0"));  // no colours: no tables at all
    EXPECT_EQ(kStrategy.load(node)->getSpInkCfg()->MLInfo[0].Count, 0);
    colorsNode->setAttribute(toWx("value"), toWx("40"));  // at most twelve
    const InkCfg manyCfg = *kStrategy.load(node);
    const SPINKCFG& many = *manyCfg.getSpInkCfg();
    EXPECT_EQ(many.MLInfo[2].Count, 1);
    EXPECT_EQ(many.MLInfo[11].Count, 0);
}

// ---- Ink units --------------------------------------------------------------------

NamedNode::Ptr unitNode(NamedNode::Ptr parent, const std::string& nodeName, const char* res) {
    NamedNode::Ptr unit = addChild(parent, nodeName);
    addChild(unit, "Res", {{"value", res}});
    return unit;
}

TEST(InkCfgUnits, ListsReadInReverseAndEachStoreReplacesTheLast) {
    NamedNode::Ptr node = root("InkCfg");
    NamedNode::Ptr list = addChild(node, "InkUnits");
    unitNode(list, "Unit1", "one");
    unitNode(list, "Unit0", "zero");
    unitNode(list, "Unit2", "two");
    unitNode(list, "InkUnit7", "ignored while Unit%d children exist");
    unitNode(node, "InkUnit", "ignored while InkUnits exists");
    boost::shared_ptr<InkCfg> cfg = kStrategy.load(node);
    EXPECT_EQ(unitResolutions(*cfg->getSpInkCfg()),
              (std::vector<std::string>{"two", "one", "zero"}));
    NamedNode::Ptr single = root("InkCfg");
    unitNode(single, "InkUnit", "single");
    boost::shared_ptr<InkCfg> one = kStrategy.load(single);
    EXPECT_EQ(unitResolutions(*one->getSpInkCfg()), (std::vector<std::string>{"single"}));

    // Three after five leave three; the written names read back too. What a
    // unit's node holds is held by the regenerated sample.
    NamedNode::Ptr stored = root("X");
    kStrategy.storeInto(boost::shared_ptr<InkCfg>(new InkCfg(makeFullCfg(true))), stored);
    kStrategy.storeInto(cfg, stored);
    NamedNode::Ptr written = stored->findChild(toWx("InkUnits"));
    ASSERT_EQ(childNames(written), "InkUnit0,InkUnit1,InkUnit2");
    EXPECT_EQ(unitResolutions(*kStrategy.load(stored)->getSpInkCfg()),
              (std::vector<std::string>{"zero", "one", "two"}));

    // A one-unit list replaces an "InkUnits" list, and the other way round.
    kStrategy.storeInto(one, stored);
    kStrategy.storeInto(one, stored);
    EXPECT_FALSE(stored->findChild(toWx("InkUnits")));
    EXPECT_EQ(value(stored->findChild(toWx("InkUnit")), "Res"), "single");
    kStrategy.storeInto(cfg, stored);
    EXPECT_FALSE(stored->findChild(toWx("InkUnit")));

    // Without units the old list goes, and so do both children.
    kStrategy.load(root("InkCfg"), *cfg);
    EXPECT_EQ(cfg->getSpInkCfg()->InkUnits, nullptr);
    kStrategy.storeInto(cfg, stored);
    EXPECT_FALSE(stored->findChild(toWx("InkUnits")));
    EXPECT_FALSE(stored->findChild(toWx("InkUnit")));
}

TEST(InkCfgUnits, UnitCountFollowsOutputBits) {
    boost::shared_ptr<InkCfg> cfg(new InkCfg());
    SPINKCFG& c = *cfg->getSpInkCfg();
    c.InkUnits = callocate<SPINKUNITLUT>();
    c.VarDotLevelCount = 5;
    c.OutputBits = 2;
    NamedNode::Ptr node = root("X");
    kStrategy.storeInto(cfg, node);
    NamedNode::Ptr unitsNode = node->findChild(toWx("InkUnit"))->findChild(toWx("Units"));
    EXPECT_EQ(unitsNode->getAttributes().size(), 6u);
    c.OutputBits = 8;
    kStrategy.storeInto(cfg, node);
    unitsNode = node->findChild(toWx("InkUnit"))->findChild(toWx("Units"));
    EXPECT_EQ(unitsNode->getAttributes().size(), 3u);
}

// ---- Ink groups ---------------------------------------------------------------------

TEST(InkCfgGroups, ReaderCountsHighestNumbersAndKeepsGaps) {
    NamedNode::Ptr node = root("InkCfg");
    NamedNode::Ptr groups = addChild(node, "SameInks");
    addChild(groups, "Group0", {{"ink0", "Cyan"}, {"ink5", "Cyän"}, {"ink30", "beyond"}});
    addChild(groups, "Group1", {{"other", "x"}});
    addChild(groups, "Group2", {{"ink1", "Black"}});
    addChild(groups, "Group3");
    addChild(groups, "Group30", {{"ink0", "beyond"}});
    const InkCfg read = *kStrategy.load(node);
    const SPSAMEINKS& block = *read.getSpInkCfg()->SameInks;
    EXPECT_EQ(block.GroupCount, 3);
    EXPECT_EQ(block.Groups[0].InkCount, 6);
    EXPECT_STREQ(block.Groups[0].Inks[0], "Cyan");
    EXPECT_EQ(block.Groups[0].Inks[1], nullptr);
    EXPECT_STREQ(block.Groups[0].Inks[5], "Cyän");
    EXPECT_EQ(block.Groups[1].InkCount, 0);
    EXPECT_EQ(block.Groups[2].InkCount, 2);
    EXPECT_EQ(block.Groups[2].Inks[0], nullptr);

    // Gaps stay gaps when written and read again.
    boost::shared_ptr<InkCfg> cfg = kStrategy.load(node);
    NamedNode::Ptr stored = root("X");
    kStrategy.storeInto(cfg, stored);
    NamedNode::Ptr written = stored->findChild(toWx("SameInks"));
    EXPECT_EQ(childNames(written), "Group0,Group1,Group2");
    EXPECT_EQ(childAt(written, 0)->getAttributes().size(), 2u);
    EXPECT_EQ(childAt(written, 1)->getAttributes().size(), 0u);
    expectSameCfg(*cfg->getSpInkCfg(), *kStrategy.load(stored)->getSpInkCfg(), false);
}

TEST(InkCfgGroups, NoGroupsRemoveTheChild) {
    NamedNode::Ptr stored = root("X");
    addChild(addChild(stored, "SameInks"), "Group0", {{"ink0", "old"}});
    boost::shared_ptr<InkCfg> cfg = kStrategy.load(root("InkCfg"));
    ASSERT_NE(cfg->getSpInkCfg()->SameInks, nullptr);  // always a block, here an empty one
    kStrategy.storeInto(cfg, stored);
    EXPECT_FALSE(stored->findChild(toWx("SameInks")));

    addChild(addChild(stored, "SameInks"), "Group0", {{"ink0", "old"}});
    vexa::kernel::releaseBlock(cfg->getSpInkCfg()->SameInks);  // empty: no texts to free
    cfg->getSpInkCfg()->SameInks = nullptr;
    boost::shared_ptr<InkCfg> without(new InkCfg(cfg->getSpInkCfg()));
    kStrategy.storeInto(without, stored);
    EXPECT_FALSE(stored->findChild(toWx("SameInks")));
}

// ---- Variable dots -------------------------------------------------------------------

// Pages of [block, block + size) that are mapped: a mapped block must cost
// only the pages its values fill. A page only read is counted too.
std::size_t residentPages(const void* block, std::size_t size) {
    const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(block) / page * page;
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(block) + size;
    std::vector<unsigned char> flags((end - first + page - 1) / page);
    if (::mincore(reinterpret_cast<void*>(first), end - first, flags.data()) != 0) {
        ADD_FAILURE() << "mincore failed";
        return flags.size();
    }
    std::size_t resident = 0;
    for (unsigned char flag : flags) {
        resident += flag & 1;
    }
    return resident;
}

TEST(InkCfgVarDot, LevelsAndOptionsChooseTheBlock) {
    NamedNode::Ptr node = root("InkCfg");
    addChild(node, "VarDotLvls", {{"L0", "10"}, {"L2", "300"}, {"L5", "x"}, {"L16", "1"}});
    NamedNode::Ptr opts = addChild(node, "VarDotOpts", {{"value", "0x2"}});
    NamedNode::Ptr chans = addChild(node, "VarDotChannels");
    addChild(chans, "Chan1", {{"ink", "Cyan"}});
    addChild(chans, "Chan30", {{"ink", "beyond"}});
    NamedNode::Ptr curves = addChild(node, "VarDotCurves");
    addChild(addChild(addChild(addChild(curves, "Single"), "Lo"), "Transition0"), "Point0",
             {{"x", "1"}, {"y", "11"}});
    addChild(addChild(addChild(addChild(curves, "FirstCurve"), "Lo"), "Transition0"), "Point0",
             {{"x", "2"}, {"y", "22"}});
    addChild(addChild(addChild(addChild(curves, "First"), "Lo"), "Transition0"), "Point0",
             {{"x", "3"}, {"y", "33"}});

    boost::shared_ptr<InkCfg> cfg = kStrategy.load(node);
    const SPINKCFG& c = *cfg->getSpInkCfg();
    EXPECT_EQ(c.VarDotLevelCount, 3);
    EXPECT_EQ(c.VarDotLevels[0], 10);
    EXPECT_EQ(c.VarDotLevels[2], 300 & 0xFF);
    EXPECT_EQ(c.VarDotOpts, 2u);
    ASSERT_NE(c.VarDot, nullptr);
    const SPVARDOTCHANNELS& table = *static_cast<const SPVARDOTCHANNELS*>(c.VarDot);
    EXPECT_EQ(table.ChannelCount, 2);
    EXPECT_STREQ(table.Channels[1].Ink, "Cyan");
    // The count and one ink name share the first page; clearing the channel
    // before reading it must not make its other page resident.
    EXPECT_LE(residentPages(c.VarDot, sizeof table), 1u);

    // Without flag 2 the curves are read, under either name.
    opts->setAttribute(toWx("value"), toWx("0"));
    const boost::shared_ptr<InkCfg> withCurvesCfg = kStrategy.load(node);
    const SPINKCFG& withCurves = *withCurvesCfg->getSpInkCfg();
    ASSERT_NE(withCurves.VarDot, nullptr);
    const SPVARDOTCURVES& set = *static_cast<const SPVARDOTCURVES*>(withCurves.VarDot);
    // One point each in the first two curves: two pages of the five they
    // span (counted before anything reads the others, which maps them too).
    EXPECT_LE(residentPages(&set, sizeof set), 2u);
    EXPECT_EQ(set.Single.Low.Transitions[0].Points[0].y, 11);
    EXPECT_EQ(set.First.Low.Transitions[0].Points[0].y, 22);  // the read name first
    EXPECT_EQ(set.Next.Low.Transitions[0].Points[0].y, 0);

    // Without levels there is no block.
    node->findChild(toWx("VarDotLvls"))->detach();
    EXPECT_EQ(kStrategy.load(node)->getSpInkCfg()->VarDot, nullptr);
}

TEST(InkCfgVarDot, WriterRemovesOrKeepsTheOtherChildren) {
    NamedNode::Ptr stored = root("X");
    addChild(stored, "VarDotChannels");
    addChild(stored, "VarDotCurves");
    kStrategy.storeInto(boost::shared_ptr<InkCfg>(new InkCfg()), stored);
    EXPECT_FALSE(stored->findChild(toWx("VarDotChannels")));
    EXPECT_FALSE(stored->findChild(toWx("VarDotCurves")));

    // A channel table without channels keeps what is there.
    boost::shared_ptr<InkCfg> cfg(new InkCfg(makeFullCfg(true)));
    static_cast<SPVARDOTCHANNELS*>(cfg->getSpInkCfg()->VarDot)->ChannelCount = 0;
    addChild(addChild(stored, "VarDotChannels"), "Chan0", {{"ink", "kept"}});
    addChild(stored, "VarDotCurves");
    kStrategy.storeInto(cfg, stored);
    EXPECT_EQ(childNames(stored->findChild(toWx("VarDotChannels"))), "Chan0");
    EXPECT_FALSE(stored->findChild(toWx("VarDotCurves")));

    // Curves replace channels.
    kStrategy.storeInto(boost::shared_ptr<InkCfg>(new InkCfg(makeFullCfg(false))), stored);
    EXPECT_FALSE(stored->findChild(toWx("VarDotChannels")));
    EXPECT_EQ(childNames(stored->findChild(toWx("VarDotCurves"))), "Single,First,Next");
    EXPECT_EQ(childNames(stored->findChild(toWx("VarDotCurves"))->findChild(toWx("Next"))),
              "Coverage,Lo,Mid,Hi");
}

// ---- Ownership -----------------------------------------------------------------------

void expectNothingShared(const SPINKCFG& a, const SPINKCFG& b) {
    std::vector<const SPINKUNITLUT*> ua = units(a), ub = units(b);
    for (const SPINKUNITLUT* x : ua) {
        for (const SPINKUNITLUT* y : ub) {
            EXPECT_NE(x, y);
        }
    }
    EXPECT_NE(a.SameInks, b.SameInks);
    for (int g = 0; g < a.SameInks->GroupCount; ++g) {
        for (int i = 0; i < a.SameInks->Groups[g].InkCount; ++i) {
            EXPECT_NE(a.SameInks->Groups[g].Inks[i], b.SameInks->Groups[g].Inks[i]);
        }
    }
    EXPECT_NE(a.VarDot, b.VarDot);
}

TEST(InkCfgCopies, AreDeepAndIndependent) {
    for (bool channels : {true, false}) {
        InkCfg original = makeFullCfg(channels);
        original.getSpInkCfg()->next = original.getSpInkCfg();
        if (!channels) {
            static_cast<SPVARDOTCURVES*>(original.getSpInkCfg()->VarDot)->next = &original;
        }

        InkCfg copy(original);
        InkCfg fromEngine(original.getSpInkCfg());
        InkCfg assigned;
        assigned = makeFullCfg(!channels);  // its own blocks go first
        assigned = original;
        for (const InkCfg* other : {&copy, &fromEngine, &assigned}) {
            const SPINKCFG& c = *other->getSpInkCfg();
            EXPECT_EQ(c.next, nullptr);
            if (!channels) {
                EXPECT_EQ(static_cast<const SPVARDOTCURVES*>(c.VarDot)->next, nullptr);
            }
            expectSameCfg(*original.getSpInkCfg(), c, false);
            expectNothingShared(*original.getSpInkCfg(), c);
        }

        InkCfg& self = assigned;
        assigned = self;
        expectSameCfg(*original.getSpInkCfg(), *assigned.getSpInkCfg(), false);
    }
    InkCfg empty(static_cast<const SPINKCFG*>(nullptr));
    EXPECT_EQ(empty.getSpInkCfg()->InkUnits, nullptr);
    EXPECT_EQ(empty.getSpInkCfg()->VarDot, nullptr);
}

TEST(InkCfgCopies, SwitchingTheVariableDotKindStaysInsideTheBlock) {
    // A curve set of its own size, then options that call it a channel table,
    // the larger kind, which copies and stores read.
    boost::shared_ptr<InkCfg> cfg(new InkCfg());
    cfg->getSpInkCfg()->VarDot = callocate<SPVARDOTCURVES>();
    NamedNode::Ptr node = root("InkCfg");
    addChild(node, "VarDotOpts", {{"value", "0x2"}});
    kStrategy.load(node, *cfg);  // no channels child: the block stays
    const SPINKCFG& c = *cfg->getSpInkCfg();
    ASSERT_EQ(c.VarDotOpts, 2u);
    ASSERT_NE(c.VarDot, nullptr);
    InkCfg copy(*cfg);
    EXPECT_EQ(std::memcmp(copy.getSpInkCfg()->VarDot, c.VarDot, sizeof(SPVARDOTCHANNELS)), 0);
    // Read as a table, the zeroed curve block has no channels to write.
    NamedNode::Ptr stored = root("X");
    addChild(stored, "VarDotCurves");
    kStrategy.storeInto(cfg, stored);
    EXPECT_FALSE(stored->findChild(toWx("VarDotChannels")));
    EXPECT_FALSE(stored->findChild(toWx("VarDotCurves")));
}

// ---- Hostile input --------------------------------------------------------------------

TEST(InkCfgHostile, OutOfRangeCountsInTheStructureAreClamped) {
    boost::shared_ptr<InkCfg> cfg(new InkCfg(makeFullCfg(true)));
    SPINKCFG& c = *cfg->getSpInkCfg();
    std::memset(c.Name, 'N', sizeof c.Name);  // no terminator
    c.NumColor = 255;
    c.ColorOrder.Count = 255;
    c.ColorOrder.Levels[0] = 255;
    for (SPINKLEVEL& level : c.MLInfo) {
        level.Count = 255;
    }
    c.ProcBits = 255;
    c.VarDotLevelCount = 255;
    static_cast<SPVARDOTCHANNELS*>(c.VarDot)->ChannelCount = 100000;
    std::free(c.SameInks->Groups[0].Inks[0]);  // a text outside its count would be lost
    c.SameInks->Groups[0].Inks[0] = nullptr;
    c.SameInks->Groups[0].InkCount = -5;
    NamedNode::Ptr node = root("X");
    kStrategy.storeInto(cfg, node);
    EXPECT_EQ(value(node, "Name"), std::string(30, 'N'));
    EXPECT_EQ(node->findChild(toWx("ColorOrder"))->getChildCount(), 30u);
    EXPECT_EQ(node->findChild(toWx("MLInfo"))->getChildCount(), 12u);
    EXPECT_EQ(childAt(node->findChild(toWx("MLInfo")), 11)->getChildCount(), 30u);
    EXPECT_EQ(node->findChild(toWx("LevelLut"))->getChildCount(), 8u);
    EXPECT_EQ(node->findChild(toWx("VarDotChannels"))->getChildCount(), 30u);
    EXPECT_EQ(childAt(node->findChild(toWx("SameInks")), 0)->getAttributes().size(), 0u);
    NamedNode::Ptr chan = childAt(node->findChild(toWx("VarDotChannels")), 0);
    EXPECT_EQ(chan->findChild(toWx("Transitions"))->getChildCount(), 16u);
    EXPECT_EQ(childAt(node->findChild(toWx("InkUnits")), 0)
                  ->findChild(toWx("Units"))
                  ->getAttributes()
                  .size(),
              16u);
    // The name reads back cut to its field.
    EXPECT_EQ(std::string(kStrategy.load(node)->getSpInkCfg()->Name), std::string(29, 'N'));
}

TEST(InkCfgHostile, HugeTreesAndNumbersStayInsideTheFields) {
    NamedNode::Ptr node = root("InkCfg");
    addChild(node, "NumColor", {{"value", "4294967297"}});
    addChild(node, "ProcBits", {{"value", "-8"}});
    addChild(node, "OutputBits", {{"value", "3"}});
    addChild(node, "ProcOpts", {{"value", "0x1000000000"}});
    addChild(node, "VarDotLvls", {{"L99999999999", "1"}, {"L1", "99999999999"}});
    addChild(node, "VarDotOpts", {{"value", "0x2"}});
    NamedNode::Ptr chans = addChild(node, "VarDotChannels");
    NamedNode::Ptr list = addChild(node, "InkUnits");
    NamedNode::Ptr groups = addChild(node, "SameInks");
    NamedNode::Ptr ml = addChild(node, "MLInfo");
    NamedNode::Ptr lut = addChild(node, "LevelLut");
    NamedNode::Ptr color = addChild(ml, "Color0");
    NamedNode::Ptr order = addChild(node, "ColorOrder");
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string(i);
        addChild(list, "Unit" + n)->setAttribute(toWx("x"), toWx(n));
        addChild(groups, "Group" + n, {{"ink0", "a"}, {"ink29", "b"}, {"ink99999999999", "c"}});
        addChild(chans, "Chan" + n, {{"ink", "i"}});
        addChild(color, "Ink" + n, {{"value", "70000"}, {"position", n.c_str()}});
        addChild(order, "Ink" + n, {{"value", "1"}, {"position", n.c_str()}});
        addChild(lut, "Lut" + n, {{"L0", "1"}, {"L255", "2"}});
    }
    addChild(list, "Unit99999999999999");
    addChild(chans, "Chan-1");

    boost::shared_ptr<InkCfg> cfg = kStrategy.load(node);
    const SPINKCFG& c = *cfg->getSpInkCfg();
    EXPECT_EQ(c.NumColor, 255);  // saturated at INT_MAX, low 8 bits
    EXPECT_EQ(c.ProcOpts, 0u);
    EXPECT_EQ(c.VarDotLevelCount, 0);  // L1 was no 32-bit number
    EXPECT_EQ(units(c).size(), 3000u);
    EXPECT_EQ(c.SameInks->GroupCount, 30);
    EXPECT_EQ(c.SameInks->Groups[29].InkCount, 30);
    EXPECT_EQ(c.MLInfo[0].Count, 30);
    EXPECT_EQ(c.ColorOrder.Count, 30);
    EXPECT_EQ(c.LevelLut[7][255], 2);

    // With a level the 3000 channels fill the 30 slots there are.
    node->findChild(toWx("VarDotLvls"))->setAttribute(toWx("L1"), toWx("5"));
    boost::shared_ptr<InkCfg> withChannels = kStrategy.load(node);
    EXPECT_EQ(
        static_cast<const SPVARDOTCHANNELS*>(withChannels->getSpInkCfg()->VarDot)->ChannelCount,
        30);
    InkCfg copy(*withChannels);
    NamedNode::Ptr stored = root("X");
    kStrategy.storeInto(withChannels, stored);
    EXPECT_EQ(stored->findChild(toWx("InkUnits"))->getChildCount(), 3000u);
}

// ---- Ink types and groups on their own -------------------------------------------------

TEST(InkTypes, ChildrenNamedTypeMakeTheChain) {
    NamedNode::Ptr node = root("InkTypes");
    addChild(node, "Type3", {{"value", "Pigment"}, {"durability", "2.5"}});
    addChild(node, "Other", {{"value", "skipped"}});
    addChild(node, "Type12", {{"value", std::string(120, 'n').c_str()}});
    addChild(node, "Typeabc", {{"value", "Dye"}, {"durability", "x"}});

    // Well-formed types read as the sample's do.
    const DataStrategy<InkType> strategy;
    boost::shared_ptr<InkType> types = strategy.load(node);
    const SPINKTYPE* t = types->getSpInkType();
    ASSERT_NE(t, nullptr);
    t = t->next;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Type, 12u);
    EXPECT_EQ(std::string(t->Name), std::string(87, 'n'));
    t = t->next;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Type, 0u);
    EXPECT_STREQ(t->Name, "Dye");
    EXPECT_EQ(t->Reserved, 0u);
    EXPECT_EQ(t->next, nullptr);

    // Read again with one type: the rest of the old chain goes.
    NamedNode::Ptr one = root("InkTypes");
    addChild(one, "Type1", {{"value", "Latex"}});
    strategy.load(one, *types);
    EXPECT_STREQ(types->getSpInkType()->Name, "Latex");
    EXPECT_EQ(types->getSpInkType()->next, nullptr);
    // Without types the record stays as it was.
    strategy.load(root("InkTypes"), *types);
    EXPECT_STREQ(types->getSpInkType()->Name, "Latex");
    EXPECT_EQ(strategy.load(NamedNode::Ptr())->getSpInkType()->Type, 0u);
}

TEST(SameInksOnTheirOwn, ReadLikeTheConfigurationAndOwnTheirTexts) {
    NamedNode::Ptr node = root("SameInks");
    addChild(node, "Group4", {{"ink2", "Black"}, {"ink0", "Schwarz"}});
    addChild(node, "Group9");
    const DataStrategy<SameInks> strategy;
    boost::shared_ptr<SameInks> groups = strategy.load(node);
    const SPSAMEINKS& block = *groups->getSpSameInks();
    EXPECT_EQ(block.GroupCount, 5);
    EXPECT_EQ(block.Groups[4].InkCount, 3);
    EXPECT_STREQ(block.Groups[4].Inks[0], "Schwarz");
    EXPECT_EQ(block.Groups[4].Inks[1], nullptr);

    // A second read empties the block first.
    NamedNode::Ptr other = root("SameInks");
    addChild(other, "Group0", {{"ink0", "Cyan"}});
    strategy.load(other, *groups);
    EXPECT_EQ(groups->getSpSameInks()->GroupCount, 1);
    EXPECT_EQ(groups->getSpSameInks()->Groups[4].InkCount, 0);
    EXPECT_EQ(groups->getSpSameInks()->Groups[4].Inks[0], nullptr);

    // An adopted block is released with its texts.
    SPSAMEINKS* adopted = callocate<SPSAMEINKS>();
    adopted->GroupCount = 1;
    adopted->Groups[0].InkCount = 1;
    adopted->Groups[0].Inks[0] = strdup("Magenta");
    SameInks owner(adopted);
    EXPECT_EQ(owner.getSpSameInks(), adopted);
    EXPECT_NE(SameInks(nullptr).getSpSameInks(), nullptr);

    NamedNode::Ptr untouched = root("SameInks");
    strategy.storeInto(groups, untouched);
    EXPECT_EQ(untouched->getChildCount(), 0u);
}

}  // namespace
