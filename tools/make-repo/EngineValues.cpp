#include "EngineValues.h"

#include <boost/make_shared.hpp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "engine/EngineColor.h"
#include "engine/EngineDot.h"
#include "engine/EngineRes.h"
#include "engine/EngineScreen.h"
#include "kernel/Text.h"

namespace vexa {
namespace makerepo {

namespace {

// Zeroed memory the library's wrappers release with free().
template <class T>
T* zeroed(std::size_t size = sizeof(T)) {
    void* block = std::calloc(1, size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<T*>(block);
}

char* duplicate(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// Copies `text` into a field of `size` bytes, terminated.
void setField(char* field, std::size_t size, const std::string& text) {
    if (text.size() + 1 > size) {
        throw std::length_error("\"" + text + "\" does not fit a field of " +
                                std::to_string(size - 1) + " bytes");
    }
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), text.size());
}

void check(int result) {
    if (result != 0) {
        throw std::bad_alloc();
    }
}

void setPoints(SPPOINT* points, const PointCurve& curve) {
    if (curve.size() > SP_CURVE_POINTS) {
        throw std::length_error("a point curve holds at most 64 points");
    }
    for (std::size_t i = 0; i < curve.size(); ++i) {
        points[i].x = static_cast<std::uint8_t>(curve[i].x);
        points[i].y = static_cast<std::uint8_t>(curve[i].y);
    }
}

void fillLevelTable(SPINKLEVEL& table, const LevelTable& entries) {
    if (entries.size() > SP_MAX_INKLEVELS) {
        throw std::length_error("a level table holds at most 30 entries");
    }
    table.Count = static_cast<std::uint8_t>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        setField(table.Names[i], SP_INKNAME_SIZE, entries[i].ink);
        table.Levels[i] = static_cast<std::uint8_t>(entries[i].level);
    }
}

void fillInkUnits(SPINKCFG& cfg, const std::vector<InkUnitDesc>& units) {
    SPINKUNITLUT** tail = &cfg.InkUnits;
    for (const InkUnitDesc& desc : units) {
        if (desc.units.size() > SP_MAX_UNITS) {
            throw std::length_error("an ink unit table holds at most 16 units");
        }
        SPINKUNITLUT* unit = zeroed<SPINKUNITLUT>();
        *tail = unit;  // owned by the configuration from here on
        tail = &unit->next;
        setField(unit->Res, SP_RESNAME_SIZE, desc.res);
        setField(unit->Channel, SP_INKNAME_SIZE, desc.channel);
        unit->BaseCount = desc.baseCount * 1000u;
        unit->DotVolume = desc.dotVolume;
        for (std::size_t i = 0; i < desc.units.size(); ++i) {
            unit->Units[i] = desc.units[i] * 1000u;
        }
    }
}

void fillSameInks(SPINKCFG& cfg, const std::vector<std::vector<std::string>>& groups) {
    if (groups.empty()) {
        return;
    }
    if (groups.size() > SP_MAX_INKGROUPS) {
        throw std::length_error("at most 30 ink groups");
    }
    cfg.SameInks = zeroed<SPSAMEINKS>();
    SPSAMEINKS& block = *cfg.SameInks;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (groups[g].size() > SP_MAX_GROUPINKS) {
            throw std::length_error("at most 30 inks per group");
        }
        // Counts grow with the texts, so the owner frees what was made.
        block.GroupCount = static_cast<std::uint8_t>(g + 1);
        for (std::size_t i = 0; i < groups[g].size(); ++i) {
            block.Groups[g].Inks[i] = duplicate(groups[g][i]);
            block.Groups[g].InkCount = static_cast<std::int32_t>(i + 1);
        }
    }
}

void fillVarDot(SPINKCFG& cfg, const InkCfgDesc& desc) {
    if (desc.varDotLevels.size() > SP_MAX_VARDOTLEVELS) {
        throw std::length_error("at most 16 variable-dot levels");
    }
    cfg.VarDotLevelCount = static_cast<std::uint8_t>(desc.varDotLevels.size());
    for (std::size_t i = 0; i < desc.varDotLevels.size(); ++i) {
        cfg.VarDotLevels[i] = static_cast<std::uint8_t>(desc.varDotLevels[i]);
    }
    if (desc.varDotChannels.empty()) {
        return;
    }
    if (desc.varDotChannels.size() > SP_MAX_VARDOTCHANNELS) {
        throw std::length_error("at most 30 variable-dot channels");
    }
    cfg.VarDotOpts = SP_VARDOTOPT_CHANNELS;
    // Room for either kind of block, as the library's own blocks have.
    const std::size_t size = sizeof(SPVARDOTCHANNELS) > sizeof(SPVARDOTCURVES)
                                 ? sizeof(SPVARDOTCHANNELS)
                                 : sizeof(SPVARDOTCURVES);
    SPVARDOTCHANNELS* table = zeroed<SPVARDOTCHANNELS>(size);
    cfg.VarDot = table;
    table->ChannelCount = static_cast<std::int32_t>(desc.varDotChannels.size());
    for (std::size_t c = 0; c < desc.varDotChannels.size(); ++c) {
        const VarDotChannelDesc& from = desc.varDotChannels[c];
        SPVARDOTCHANNEL& to = table->Channels[c];
        setField(to.Ink, SP_INKNAME_SIZE, from.ink);
        setPoints(to.Coverage.Points, from.coverage);
        if (from.transitions.size() > SP_MAX_TRANSITIONS) {
            throw std::length_error("at most 16 transitions");
        }
        for (std::size_t t = 0; t < from.transitions.size(); ++t) {
            setPoints(to.Transitions.Transitions[t].Points, from.transitions[t]);
        }
    }
}

}  // namespace

wxString W(const std::string& utf8) {
    return kernel::fromMB(utf8);
}

std::string U(const wxString& text) {
    return kernel::toMB(text);
}

StralPtr pageSizeRows(const std::vector<PageSizeDesc>& sizes) {
    StralPtr rows(_stral_new());
    if (!rows) {
        throw std::bad_alloc();
    }
    for (const PageSizeDesc& s : sizes) {
        if (s.left.empty()) {
            check(stral_add(rows.get(), -1, 0, s.name.c_str(), s.width.c_str(), s.height.c_str(),
                            s.access.c_str(), s.type.c_str(), static_cast<const char*>(nullptr)));
        } else {
            check(stral_add(rows.get(), -1, 0, s.name.c_str(), s.width.c_str(), s.height.c_str(),
                            s.access.c_str(), s.type.c_str(), s.left.c_str(), s.top.c_str(),
                            s.right.c_str(), s.bottom.c_str(), static_cast<const char*>(nullptr)));
        }
    }
    return rows;
}

StralPtr portRows(const std::vector<PortDesc>& ports) {
    StralPtr rows(_stral_new());
    if (!rows) {
        throw std::bad_alloc();
    }
    for (const PortDesc& p : ports) {
        check(stral_add(rows.get(), -1, 0, p.name.c_str(), p.type.c_str(), p.value.c_str(),
                        static_cast<const char*>(nullptr)));
    }
    return rows;
}

StralPtr passRows(const std::vector<PassDesc>& passes) {
    StralPtr rows(_stral_new());
    if (!rows) {
        throw std::bad_alloc();
    }
    for (const PassDesc& p : passes) {
        check(stral_add(rows.get(), -1, 0, p.value.c_str(), p.id.c_str(),
                        static_cast<const char*>(nullptr)));
    }
    return rows;
}

StralPtr textRows(const std::vector<std::string>& texts) {
    StralPtr rows(_stral_new());
    if (!rows) {
        throw std::bad_alloc();
    }
    for (const std::string& text : texts) {
        check(stral_add(rows.get(), -1, 0, text.c_str(), static_cast<const char*>(nullptr)));
    }
    return rows;
}

boost::shared_ptr<repos::InkCfg> makeInkCfg(const InkCfgDesc& desc) {
    boost::shared_ptr<repos::InkCfg> value = boost::make_shared<repos::InkCfg>();
    SPINKCFG& cfg = *value->getSpInkCfg();
    setField(cfg.Name, SP_RESNAME_SIZE, desc.name);
    cfg.NumColor = static_cast<std::uint8_t>(desc.numColor);
    cfg.NumSpotColor = static_cast<std::uint8_t>(desc.numSpotColor);
    cfg.Photometric = static_cast<std::uint8_t>(desc.photometric);
    cfg.HiFiMode = static_cast<std::uint8_t>(desc.hiFiMode);
    cfg.BlackAbility = desc.blackAbility ? 1 : 0;
    cfg.ProcBits = static_cast<std::uint8_t>(desc.procBits);
    cfg.OutputBits = static_cast<std::uint8_t>(desc.outputBits);
    cfg.ProcOpts = desc.procOpts;
    cfg.InkType = desc.inkType;
    cfg.LabelVal = static_cast<std::uint8_t>(desc.labelVal);

    if (desc.colorOrder.size() > SP_MAX_INKLEVELS) {
        throw std::length_error("a colour order holds at most 30 inks");
    }
    cfg.ColorOrder.Count = static_cast<std::uint8_t>(desc.colorOrder.size());
    for (std::size_t i = 0; i < desc.colorOrder.size(); ++i) {
        const ColorOrderEntry& entry = desc.colorOrder[i];
        setField(cfg.ColorOrder.Names[i], SP_INKNAME_SIZE, entry.ink);
        setField(cfg.ColorOrder.Aliases[i], SP_INKNAME_SIZE, entry.alias);
        cfg.ColorOrder.Levels[i] = static_cast<std::uint8_t>(entry.level);
        for (int k = 0; k < 3; ++k) {
            cfg.ColorOrder.Lab[i][k] = entry.lab[k];
        }
    }

    if (desc.levelLut.size() > SP_LEVELLUT_ROWS) {
        throw std::length_error("at most 8 level table rows");
    }
    for (std::size_t r = 0; r < desc.levelLut.size(); ++r) {
        if (desc.levelLut[r].size() > SP_LEVELLUT_SIZE) {
            throw std::length_error("at most 256 entries per level table row");
        }
        for (std::size_t j = 0; j < desc.levelLut[r].size(); ++j) {
            cfg.LevelLut[r][j] = static_cast<std::uint8_t>(desc.levelLut[r][j]);
        }
    }

    if (desc.mlInfo.size() > SP_MAX_PROCCOLORS) {
        throw std::length_error("at most 12 level tables");
    }
    for (std::size_t c = 0; c < desc.mlInfo.size(); ++c) {
        fillLevelTable(cfg.MLInfo[c], desc.mlInfo[c]);
    }

    fillInkUnits(cfg, desc.inkUnits);
    fillSameInks(cfg, desc.sameInks);
    fillVarDot(cfg, desc);
    return value;
}

boost::shared_ptr<repos::DotInfo> makeDotInfo(const DotInfoDesc& desc) {
    boost::shared_ptr<repos::DotInfo> value = boost::make_shared<repos::DotInfo>();
    dotinfo& info = *value->getDotInfo();
    setField(info.units, DOT_UNITS_SIZE, desc.units);
    for (const DotGroupDesc& groupDesc : desc.groups) {
        dotresgroup* group = zeroed<dotresgroup>();
        // Linked first, so that the owner frees it whatever fails next.
        (info.last ? info.last->next : info.first) = group;
        info.last = group;
        setField(group->name, DOT_GROUPNAME_SIZE, groupDesc.name);
        dotresunit** link = &group->units;
        for (const DotUnitDesc& unitDesc : groupDesc.units) {
            dotresunit* unit = zeroed<dotresunit>();
            *link = unit;
            link = &unit->next;
            setField(unit->name, DOT_UNITNAME_SIZE, unitDesc.name);
            unit->scales = _stral_new();
            if (unit->scales == nullptr) {
                throw std::bad_alloc();
            }
            for (const DotScaleRow& row : unitDesc.rows) {
                check(stral_add(unit->scales, -1, 0, row.name.c_str(), row.scale.c_str(),
                                row.value.c_str(), static_cast<const char*>(nullptr)));
            }
        }
    }
    return value;
}

boost::shared_ptr<repos::ColorInfo> makeColorInfo(const ColorInfoDesc& desc) {
    if (desc.spots.size() > SP_MAX_SPOTCOLORS) {
        throw std::length_error("at most 12 spot colours");
    }
    boost::shared_ptr<repos::ColorInfo> value = boost::make_shared<repos::ColorInfo>();
    _SP_COLOR_INFO& info = *value->getSpColorInfo();
    info.NumColor = desc.numColor;
    info.NumSpotColor = static_cast<std::int32_t>(desc.spots.size());
    info.HiFiMode = desc.hiFiMode;
    info.Photometric = desc.photometric;
    for (std::size_t s = 0; s < desc.spots.size(); ++s) {
        const SpotDesc& from = desc.spots[s];
        if (from.samples.size() > SP_MAX_SPOTSAMPLES) {
            throw std::length_error("at most 12 samples per spot colour");
        }
        setField(info.SpotNames[s], SP_SPOTNAME_SIZE, from.name);
        SP_SPOT_INFO& to = info.Spots[s];
        to.bitspersample = from.bitsPerSample;
        to.photometric = static_cast<std::uint8_t>(from.photometric);
        to.opacity = static_cast<std::uint8_t>(from.opacity);
        to.samples = static_cast<std::uint8_t>(from.samples.size());
        for (std::size_t i = 0; i < from.samples.size(); ++i) {
            to.SampleValues[i] = from.samples[i];
        }
    }
    return value;
}

boost::shared_ptr<repos::ScreenSetup> makeScreenSetup(const std::vector<ScreenSetupDesc>& setups) {
    if (setups.empty()) {
        throw std::invalid_argument("no screen set-up");
    }
    boost::shared_ptr<repos::ScreenSetup> value = boost::make_shared<repos::ScreenSetup>();
    _SCREENSETUP* record = value->getScreenSetup();
    for (std::size_t i = 0; i < setups.size(); ++i) {
        if (i > 0) {
            record->next = zeroed<_SCREENSETUP>();
            record = record->next;
        }
        setField(record->name, SP_SCREENSETUP_NAME_SIZE, setups[i].name);
        record->screens = _stral_new();
        if (record->screens == nullptr) {
            throw std::bad_alloc();
        }
        for (const ScreenDesc& s : setups[i].screens) {
            check(stral_add(record->screens, -1, 0, s.name.c_str(), s.lpi.c_str(), s.angle.c_str(),
                            s.function.c_str(), s.placement.c_str(), s.shades.c_str(),
                            static_cast<const char*>(nullptr)));
        }
    }
    return value;
}

boost::shared_ptr<repos::ResScaleAdjust> makeResScaleAdjust(
    const std::vector<ResScaleDesc>& adjustments) {
    if (adjustments.empty()) {
        throw std::invalid_argument("no resolution scale adjustment");
    }
    boost::shared_ptr<repos::ResScaleAdjust> value = boost::make_shared<repos::ResScaleAdjust>();
    SPRESSCALEADJUST* record = value->getSpResScaleAdjust();
    for (std::size_t i = 0; i < adjustments.size(); ++i) {
        if (i > 0) {
            record->next = zeroed<SPRESSCALEADJUST>();
            record = record->next;
        }
        setField(record->Resolution, SP_RESSCALE_NAME_SIZE, adjustments[i].resolution);
        record->scaleX = adjustments[i].scaleX;
        record->scaleY = adjustments[i].scaleY;
    }
    return value;
}

boost::shared_ptr<repos::MediaCostSettings> makeCosts(const CostDesc& desc) {
    boost::shared_ptr<repos::MediaCostSettings> value =
        boost::make_shared<repos::MediaCostSettings>();
    value->setAreaBasedCost(desc.areaBasedCost);
    for (const auto& cost : desc.pageSizeCosts) {
        value->setPageSizeCost(W(cost.first), cost.second);
    }
    return value;
}

SPINKLEVELEX makeLevels(const LevelTable& table) {
    SPINKLEVELEX levels;
    for (const LevelEntry& entry : table) {
        levels[entry.ink] = entry.level;
    }
    return levels;
}

}  // namespace makerepo
}  // namespace vexa
