// Value wrappers around engine blocks and chains: copies, assignments and
// self-assignments share nothing with their source, and a wrapper made
// from an engine structure holds its own copy of it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>

#include "TreeHelpers.h"
#include "repos/ColorDotInfo.h"
#include "repos/InkLevels.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "repos/StringArrays.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

std::string text(const Rows& rows) {
    std::string joined;
    for (const auto& row : rows) {
        for (const std::string& cell : row) {
            joined += cell + "|";
        }
        joined += ";";
    }
    return joined;
}

struct ColorInfoCase {
    typedef ColorInfo Type;
    static _SP_COLOR_INFO engine() {
        _SP_COLOR_INFO info;
        std::memset(&info, 0, sizeof info);
        info.NumColor = 4;
        info.NumSpotColor = 1;
        std::strcpy(info.SpotNames[0], "Weiß deckend");
        info.Spots[0] = SP_SPOT_INFO{{4000000000u}, 16, 1, 1, 128};
        return info;
    }
    static void change(_SP_COLOR_INFO& info) { info.Spots[0].opacity = 1; }
    static void change(ColorInfo& value) { change(*value.getSpColorInfo()); }
    static std::string describe(const ColorInfo& value) {
        const _SP_COLOR_INFO& info = *value.getSpColorInfo();
        return std::to_string(info.NumColor) + info.SpotNames[0] +
               std::to_string(info.Spots[0].opacity) +
               std::to_string(info.Spots[0].SampleValues[0]);
    }
};

struct DotInfoCase {
    typedef DotInfo Type;
    static NamedNode::Ptr tree() {
        NamedNode::Ptr node = addChild(NamedNode::Ptr(), "Dots");
        addChild(node, "Units", {{"value", "Pikoliter"}});
        NamedNode::Ptr groups = addChild(node, "ResUnits");
        addChild(addChild(addChild(groups, "Fein"), "Klein"), "S", {{"value", "3.5"}});
        addChild(addChild(groups, "Draft"), "Big");
        return node;
    }
    static void change(DotInfo& value) {
        std::strcpy(value.getDotInfo()->first->name, "Changed");
        addRow(value.getDotInfo()->first->units->scales, {"XL", "4", "20"});
    }
    static std::string describe(const DotInfo& value) {
        const dotinfo& info = *value.getDotInfo();
        std::string joined = info.units;
        for (const dotresgroup* group = info.first; group; group = group->next) {
            joined += std::string("/") + group->name + (group == info.last ? "(last)" : "");
            for (const dotresunit* unit = group->units; unit; unit = unit->next) {
                joined += std::string(":") + unit->name + text(rowsOf(unit->scales));
            }
        }
        return joined;
    }
};

struct ResScaleAdjustCase {
    typedef ResScaleAdjust Type;
    // 720 (1.0025, 0.9975) -> 1440x720 (1, 2), with engine bytes of its own.
    struct Chain {
        SPRESSCALEADJUST records[2];
        Chain(const Chain&) : Chain() {}
        Chain() {
            std::memset(records, 0, sizeof records);
            std::strcpy(records[0].Resolution, "720");
            records[0].scaleX = 1.0025;
            records[0].scaleY = 0.9975;
            std::memset(records[0].Reserved, 0xab, sizeof records[0].Reserved);
            records[0].next = &records[1];
            std::strcpy(records[1].Resolution, "1440x720");
            records[1].scaleY = 2.0;
        }
    };
    static Chain engine() { return Chain(); }
    static void change(Chain& chain) { chain.records[0].scaleX = 9.0; }
    static void change(ResScaleAdjust& value) { value.getSpResScaleAdjust()->next->scaleY = 7.0; }
    static std::string describe(const ResScaleAdjust& value) {
        std::string joined;
        for (const SPRESSCALEADJUST* r = value.getSpResScaleAdjust(); r; r = r->next) {
            joined += std::string(r->Resolution) + std::to_string(r->scaleX) +
                      std::to_string(r->scaleY) + std::to_string(r->Reserved[0]) + ";";
        }
        return joined;
    }
};

struct ScreenSetupCase {
    typedef ScreenSetup Type;
    static NamedNode::Ptr tree() {
        NamedNode::Ptr node = addChild(NamedNode::Ptr(), "Screens");
        addChild(addChild(node, "Fein 150 lpi"), "Cyan", {{"lpi", "150"}, {"angle", "15"}});
        addChild(node, "Leer");
        return node;
    }
    static void change(ScreenSetup& value) {
        std::strcpy(value.getScreenSetup()->next->name, "Renamed");
        addRow(value.getScreenSetup()->screens, {"Yellow", "150", "0", "", "", ""}, 0x32);
    }
    static std::string describe(const ScreenSetup& value) {
        std::string joined;
        for (const _SCREENSETUP* r = value.getScreenSetup(); r; r = r->next) {
            joined += std::string(r->name) + ":" + text(rowsOf(r->screens));
        }
        return joined;
    }
};

template <class Array>
struct StringArrayCase {
    typedef Array Type;
    static StralPtr engine() { return makeStral({{"A4", "1", "2", "3", "4"}}); }
    static void change(const StralPtr& array) { array->first->texts[0][0] = 'B'; }
    static void change(Array& value) { addRow(value.getStral(), {"A5", "1", "2", "3", "4"}); }
    static std::string describe(const Array& value) { return text(rowsOf(value.getStral())); }
};

struct InkLevelsCase {
    typedef InkLevels Type;
    static SPINKLEVELEX engine() { return SPINKLEVELEX{{"Cyan", 1}, {"Black", 7}}; }
    static void change(SPINKLEVELEX& levels) { levels["Cyan"] = 2; }
    static void change(InkLevels& value) { (*value.getSpInkLevel())["Cyan"] = 3; }
    static std::string describe(const InkLevels& value) {
        std::string joined;
        for (const auto& entry : *value.getSpInkLevel()) {
            joined += entry.first + "=" + std::to_string(entry.second) + ";";
        }
        return joined;
    }
};

SSTRAL* pointer(StralPtr& array) {
    return array.get();
}
SPRESSCALEADJUST* pointer(ResScaleAdjustCase::Chain& chain) {
    return chain.records;
}
template <class T>
T* pointer(T& value) {
    return &value;
}

// A wrapper made from the case's engine structure, which is then changed:
// the wrapper must not see it. Tree cases are read by their strategy.
template <class Case>
typename Case::Type made() {
    typedef typename Case::Type T;
    if constexpr (std::is_same<Case, DotInfoCase>::value ||
                  std::is_same<Case, ScreenSetupCase>::value) {
        return *DataStrategy<T>().load(Case::tree());
    } else {
        auto engine = Case::engine();
        auto unchanged = Case::engine();
        T value(pointer(engine));
        Case::change(engine);
        EXPECT_EQ(Case::describe(value), Case::describe(T(pointer(unchanged))));
        return value;
    }
}

template <class Case>
class DeepCopies : public ::testing::Test {};

typedef ::testing::Types<ColorInfoCase, DotInfoCase, ResScaleAdjustCase, ScreenSetupCase,
                         StringArrayCase<PageSizes>, StringArrayCase<PassInfo>,
                         StringArrayCase<PortList>, InkLevelsCase>
    Cases;
TYPED_TEST_SUITE(DeepCopies, Cases);

TYPED_TEST(DeepCopies, ShareNothingWithTheirSource) {
    typedef typename TypeParam::Type T;
    const T original = made<TypeParam>();
    const std::string before = TypeParam::describe(original);
    {
        T copy(original);
        T assigned;
        assigned = made<TypeParam>();  // its own blocks go first
        assigned = copy;
        EXPECT_EQ(TypeParam::describe(copy), before);
        EXPECT_EQ(TypeParam::describe(assigned), before);
        TypeParam::change(copy);
        EXPECT_NE(TypeParam::describe(copy), before);
        T& self = copy;
        copy = self;
        TypeParam::change(assigned);
        EXPECT_EQ(TypeParam::describe(assigned), TypeParam::describe(copy));
    }
    EXPECT_EQ(TypeParam::describe(original), before);
    // Made from no structure, a wrapper holds an empty one of its own (a
    // scale adjustment none at all, where a default one has a zeroed record).
    if constexpr (!std::is_same<TypeParam, ResScaleAdjustCase>::value) {
        EXPECT_EQ(TypeParam::describe(T(nullptr)), TypeParam::describe(T()));
    }
}

}  // namespace
