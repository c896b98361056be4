// Comparing two ink configurations field by field, for the ink
// configuration tests and the sample tests.
#ifndef VEXA_TESTS_TYPES_INKCFGCOMPARE_H
#define VEXA_TESTS_TYPES_INKCFGCOMPARE_H

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "repos/InkCfg.h"

namespace vexa {
namespace test {

inline std::vector<const SPINKUNITLUT*> units(const SPINKCFG& cfg) {
    std::vector<const SPINKUNITLUT*> list;
    for (const SPINKUNITLUT* unit = cfg.InkUnits; unit; unit = unit->next) {
        list.push_back(unit);
    }
    return list;
}

// Field by field; `reversed` when `b`'s unit list is `a`'s in reverse.
inline void expectSameCfg(const SPINKCFG& a, const SPINKCFG& b, bool reversed) {
    EXPECT_STREQ(a.Name, b.Name);
    EXPECT_EQ(a.NumColor, b.NumColor);
    EXPECT_EQ(a.NumSpotColor, b.NumSpotColor);
    EXPECT_EQ(a.Photometric, b.Photometric);
    EXPECT_EQ(a.HiFiMode, b.HiFiMode);
    EXPECT_EQ(a.BlackAbility, b.BlackAbility);
    EXPECT_EQ(a.ProcBits, b.ProcBits);
    EXPECT_EQ(a.OutputBits, b.OutputBits);
    EXPECT_EQ(a.ProcOpts, b.ProcOpts);
    EXPECT_EQ(a.InkType, b.InkType);
    EXPECT_EQ(a.LabelVal, b.LabelVal);
    EXPECT_EQ(std::memcmp(a.LevelLut, b.LevelLut, sizeof a.LevelLut), 0);
    EXPECT_EQ(std::memcmp(&a.ColorOrder, &b.ColorOrder, sizeof a.ColorOrder), 0);
    EXPECT_EQ(std::memcmp(a.MLInfo, b.MLInfo, sizeof a.MLInfo), 0);

    std::vector<const SPINKUNITLUT*> ua = units(a), ub = units(b);
    ASSERT_EQ(ua.size(), ub.size());
    for (std::size_t i = 0; i < ua.size(); ++i) {
        const SPINKUNITLUT& x = *ua[i];
        const SPINKUNITLUT& y = *ub[reversed ? ub.size() - 1 - i : i];
        EXPECT_STREQ(x.Res, y.Res);
        EXPECT_STREQ(x.Channel, y.Channel);
        EXPECT_EQ(x.BaseCount, y.BaseCount);
        EXPECT_EQ(x.DotVolume, y.DotVolume);
        EXPECT_EQ(std::memcmp(x.Units, y.Units, sizeof x.Units), 0);
    }

    ASSERT_EQ(a.SameInks == nullptr, b.SameInks == nullptr);
    if (a.SameInks) {
        ASSERT_EQ(a.SameInks->GroupCount, b.SameInks->GroupCount);
        for (int g = 0; g < a.SameInks->GroupCount; ++g) {
            const SPINKGROUP& x = a.SameInks->Groups[g];
            const SPINKGROUP& y = b.SameInks->Groups[g];
            ASSERT_EQ(x.InkCount, y.InkCount) << "group " << g;
            for (int i = 0; i < x.InkCount; ++i) {
                EXPECT_STREQ(x.Inks[i], y.Inks[i]);
            }
        }
    }

    EXPECT_EQ(a.VarDotLevelCount, b.VarDotLevelCount);
    EXPECT_EQ(std::memcmp(a.VarDotLevels, b.VarDotLevels, sizeof a.VarDotLevels), 0);
    EXPECT_EQ(a.VarDotOpts, b.VarDotOpts);
    ASSERT_EQ(a.VarDot == nullptr, b.VarDot == nullptr);
    if (!a.VarDot) {
        return;
    }
    if (a.VarDotOpts & SP_VARDOTOPT_CHANNELS) {
        EXPECT_EQ(std::memcmp(a.VarDot, b.VarDot, sizeof(SPVARDOTCHANNELS)), 0);
    } else {
        // The resolution text and the leading pointer are not read.
        const SPVARDOTCURVES& x = *static_cast<const SPVARDOTCURVES*>(a.VarDot);
        const SPVARDOTCURVES& y = *static_cast<const SPVARDOTCURVES*>(b.VarDot);
        EXPECT_EQ(std::memcmp(&x.Single, &y.Single, sizeof x.Single), 0);
        EXPECT_EQ(std::memcmp(&x.First, &y.First, sizeof x.First), 0);
        EXPECT_EQ(std::memcmp(&x.Next, &y.Next, sizeof x.Next), 0);
    }
}

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_TYPES_INKCFGCOMPARE_H
