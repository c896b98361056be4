#include "repos/InkCfg.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "EngineSupport.h"
#include "InkRecordIO.h"
#include "kernel/Text.h"

namespace vexa {
namespace repos {

namespace {

using detail::clampCount;
using detail::numbered;
using engine::allocateZeroed;

// Every variable-dot block made here has room for either kind, so a block
// read as the other kind after VarDotOpts changed stays inside its memory.
const std::size_t kVarDotBlockSize = std::max(sizeof(SPVARDOTCHANNELS), sizeof(SPVARDOTCURVES));

char* duplicateText(const char* text) {
    const std::size_t length = std::strlen(text);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) {
        throw std::bad_alloc();
    }
    std::memcpy(copy, text, length + 1);
    return copy;
}

void freeUnits(SPINKUNITLUT* unit) {
    while (unit) {
        SPINKUNITLUT* next = unit->next;
        std::free(unit);
        unit = next;
    }
}

// Frees the texts of the groups within their counts.
void freeGroupTexts(SPSAMEINKS& block) {
    const int groups = clampCount(block.GroupCount, SP_MAX_INKGROUPS);
    for (int g = 0; g < groups; ++g) {
        SPINKGROUP& group = block.Groups[g];
        const int inks = clampCount(group.InkCount, SP_MAX_GROUPINKS);
        for (int i = 0; i < inks; ++i) {
            std::free(group.Inks[i]);
        }
    }
}

void clearGroups(SPSAMEINKS& block) {
    freeGroupTexts(block);
    std::memset(&block, 0, sizeof block);
}

// A zeroed group block. Mapped: most configurations have a few groups, and
// a heap block would make all of its 7 KB resident.
SPSAMEINKS* newSameInks() {
    return static_cast<SPSAMEINKS*>(engine::mapZeroed(sizeof(SPSAMEINKS)));
}

void freeSameInks(SPSAMEINKS* block) {
    if (block) {
        freeGroupTexts(*block);
        engine::releaseBlock(block);
    }
}

void freeInkTypes(SPINKTYPE* type) {
    while (type) {
        SPINKTYPE* next = type->next;
        std::free(type);
        type = next;
    }
}

void releaseNested(SPINKCFG& cfg) {
    freeUnits(cfg.InkUnits);
    cfg.InkUnits = nullptr;
    freeSameInks(cfg.SameInks);
    cfg.SameInks = nullptr;
    engine::releaseBlock(cfg.VarDot);
    cfg.VarDot = nullptr;
}

void deleteInkCfg(SPINKCFG* cfg) {
    if (cfg) {
        releaseNested(*cfg);
        std::free(cfg);
    }
}

// Copies the groups of `source` into the zeroed `target`; the texts made so
// far belong to `target` when an allocation fails.
void copyGroups(const SPSAMEINKS& source, SPSAMEINKS& target) {
    target.GroupCount = source.GroupCount;
    const int groups = clampCount(source.GroupCount, SP_MAX_INKGROUPS);
    for (int g = 0; g < groups; ++g) {
        const SPINKGROUP& from = source.Groups[g];
        SPINKGROUP& to = target.Groups[g];
        to.InkCount = from.InkCount;
        const int inks = clampCount(from.InkCount, SP_MAX_GROUPINKS);
        for (int i = 0; i < inks; ++i) {
            to.Inks[i] = from.Inks[i] ? duplicateText(from.Inks[i]) : nullptr;
        }
    }
}

// A deep copy of `source` (a zeroed structure for null). Whatever was
// allocated is released again when an allocation fails.
boost::shared_ptr<SPINKCFG> copyInkCfg(const SPINKCFG* source) {
    boost::shared_ptr<SPINKCFG> cfg(allocateZeroed<SPINKCFG>(), deleteInkCfg);
    if (!source) {
        return cfg;
    }
    std::memcpy(cfg.get(), source, sizeof(SPINKCFG));
    cfg->next = nullptr;
    cfg->InkUnits = nullptr;
    cfg->SameInks = nullptr;
    cfg->VarDot = nullptr;

    SPINKUNITLUT** tail = &cfg->InkUnits;
    for (const SPINKUNITLUT* unit = source->InkUnits; unit; unit = unit->next) {
        SPINKUNITLUT* copy = allocateZeroed<SPINKUNITLUT>();
        std::memcpy(copy, unit, sizeof *copy);
        copy->next = nullptr;
        *tail = copy;
        tail = &copy->next;
    }
    if (source->SameInks) {
        cfg->SameInks = newSameInks();
        copyGroups(*source->SameInks, *cfg->SameInks);
    }
    if (source->VarDot) {
        cfg->VarDot = engine::mapZeroed(kVarDotBlockSize);
        if (source->VarDotOpts & SP_VARDOTOPT_CHANNELS) {
            engine::copyWrittenPages(cfg->VarDot, source->VarDot, sizeof(SPVARDOTCHANNELS));
        } else {
            engine::copyWrittenPages(cfg->VarDot, source->VarDot, sizeof(SPVARDOTCURVES));
            static_cast<SPVARDOTCURVES*>(cfg->VarDot)->next = nullptr;
        }
    }
    return cfg;
}

// Reads the "Group%d" children of `node` into the empty `block`.
void readGroups(const NamedNode::Ptr& node, SPSAMEINKS& block) {
    int groupCount = 0;
    for (const auto& group : indexedChildren(node, "Group", SP_MAX_INKGROUPS)) {
        SPINKGROUP& target = block.Groups[group.first];
        for (const auto& ink : indexedAttributes(group.second, "ink", SP_MAX_GROUPINKS)) {
            char* text = duplicateText(ink.second.c_str());
            std::free(target.Inks[ink.first]);
            target.Inks[ink.first] = text;
            // Counts grow as texts arrive, so a failed allocation leaves every
            // text made so far within the counts that release them.
            target.InkCount = ink.first + 1;
            groupCount = group.first + 1;
            block.GroupCount = static_cast<std::uint8_t>(groupCount);
        }
    }
    block.GroupCount = static_cast<std::uint8_t>(groupCount);
}

std::uint8_t readByte(const NamedNode::Ptr& child) {
    return static_cast<std::uint8_t>(readIntValue(child, wxT("value")));
}

// Row (n-1-k) of the level tables holds the k-th o-bit digit of j, counted
// from the least significant one, for n = ProcBits / OutputBits digits.
void computeLevelLut(SPINKCFG& cfg) {
    const unsigned o = cfg.OutputBits;
    if (o == 0 || o >= 8) {
        return;
    }
    const unsigned p = std::min<unsigned>(cfg.ProcBits, 8);
    const unsigned n = p / o;
    const unsigned entries = 1u << p;
    for (unsigned k = 0; k < n; ++k) {
        const unsigned shift = k * o;
        const unsigned mask = (((1u << o) - 1u) << shift) & 0xFFu;
        std::uint8_t* row = cfg.LevelLut[n - 1 - k];
        for (unsigned j = 0; j < entries; ++j) {
            row[j] = static_cast<std::uint8_t>((j & mask) >> shift);
        }
    }
}

void readLevelLut(const NamedNode::Ptr& node, SPINKCFG& cfg) {
    for (const auto& row : indexedChildren(node, "Lut", SP_LEVELLUT_ROWS)) {
        for (const auto& entry : indexedAttributes(row.second, "L", SP_LEVELLUT_SIZE)) {
            std::uint32_t value = 0;
            if (detail::parseUnsignedText(entry.second, 10, value)) {
                cfg.LevelLut[row.first][entry.first] = static_cast<std::uint8_t>(value);
            }
        }
    }
}

// The children of a configuration node that its reader looks at, found in
// one pass over the children (a scan per field compared every name with
// every child).
enum Field {
    kBlackAbility,
    kInkType,
    kLabelVal,
    kName,
    kNumColor,
    kNumSpotColor,
    kHiFiMode,
    kPhotometric,
    kOutputBits,
    kProcBits,
    kProcOpts,
    kColorOrder,
    kLevelLut,
    kMLInfo,
    kInkUnits,
    kInkUnit,
    kSameInks,
    kVarDotLvls,
    kVarDotOpts,
    kVarDotChannels,
    kVarDotCurves,
    kFieldCount
};
typedef std::array<NamedNode::Ptr, kFieldCount> Fields;

Fields fieldsOf(const NamedNode::Ptr& node) {
    static const std::array<std::string_view, kFieldCount> names = {
        "BlackAbility", "InkType",        "LabelVal",    "Name",     "NumColor", "NumSpotColor",
        "HiFiMode",     "Photometric",    "OutputBits",  "ProcBits", "ProcOpts", "ColorOrder",
        "LevelLut",     "MLInfo",         "InkUnits",    "InkUnit",  "SameInks", "VarDotLvls",
        "VarDotOpts",   "VarDotChannels", "VarDotCurves"};
    return firstChildren(node, names);
}

// The ink unit list of the configuration: a new list, in reverse
// order of the unit numbers, or null.
SPINKUNITLUT* readUnitList(const Fields& fields) {
    SPINKUNITLUT* head = nullptr;
    try {
        if (const NamedNode::Ptr& units = fields[kInkUnits]) {
            IndexedChildren listed = indexedChildren(units, "Unit", 0);
            if (listed.empty()) {
                listed = indexedChildren(units, "InkUnit", 0);
            }
            for (const auto& unit : listed) {
                SPINKUNITLUT* record = allocateZeroed<SPINKUNITLUT>();
                detail::readInkUnit(unit.second, *record);
                record->next = head;
                head = record;
            }
        } else if (const NamedNode::Ptr& unit = fields[kInkUnit]) {
            head = allocateZeroed<SPINKUNITLUT>();
            detail::readInkUnit(unit, *head);
        }
    } catch (...) {
        freeUnits(head);
        throw;
    }
    return head;
}

void setValueChild(const NamedNode::Ptr& node, const wxString& name, const wxString& text) {
    prepareChild(node, name)->setAttribute(wxT("value"), text);
}

void writeUnitList(const SPINKCFG& cfg, const NamedNode::Ptr& node) {
    const int levels = cfg.OutputBits < 8 ? cfg.VarDotLevelCount : 2;
    const SPINKUNITLUT* head = cfg.InkUnits;
    if (!head) {
        removeChild(node, wxT("InkUnits"));
        removeChild(node, wxT("InkUnit"));
    } else if (!head->next) {
        removeChild(node, wxT("InkUnits"));
        NamedNode::Ptr unit = prepareChild(node, wxT("InkUnit"));
        unit->clearChildren();
        detail::writeInkUnit(wxT("InkUnit"), *head, levels, unit);
    } else {
        removeChild(node, wxT("InkUnit"));
        NamedNode::Ptr units = prepareChild(node, wxT("InkUnits"));
        units->clearChildren();
        int i = 0;
        for (const SPINKUNITLUT* unit = head; unit; unit = unit->next) {
            detail::writeInkUnit(numbered(wxT("InkUnit"), i++), *unit, levels, NamedNode::Ptr())
                ->addTo(units);
        }
    }
}

void writeVarDot(const SPINKCFG& cfg, const NamedNode::Ptr& node) {
    const int levels = cfg.VarDotLevelCount;
    if (!cfg.VarDot) {
        removeChild(node, wxT("VarDotChannels"));
        removeChild(node, wxT("VarDotCurves"));
    } else if (cfg.VarDotOpts & SP_VARDOTOPT_CHANNELS) {
        removeChild(node, wxT("VarDotCurves"));
        const SPVARDOTCHANNELS& table = *static_cast<const SPVARDOTCHANNELS*>(cfg.VarDot);
        const int count = clampCount(table.ChannelCount, SP_MAX_VARDOTCHANNELS);
        NamedNode::Ptr channels;
        for (int i = 0; i < count; ++i) {
            if (i == 0) {
                channels = prepareChild(node, wxT("VarDotChannels"));
                channels->clearChildren();
            }
            NamedNode::Ptr channel = NamedNode::Create(numbered(wxT("Chan"), i));
            detail::writeVarDotChannel(channel, table.Channels[i], levels);
            channel->addTo(channels);
        }
    } else {
        const SPVARDOTCURVES& set = *static_cast<const SPVARDOTCURVES*>(cfg.VarDot);
        NamedNode::Ptr curves = prepareChild(node, wxT("VarDotCurves"));
        removeChild(node, wxT("VarDotChannels"));
        curves->clearChildren();
        curves->setAttribute(wxT("numCurves"), formatInt(levels));
        curves->setAttribute(wxT("resolution"), detail::fixedText(set.Resolution, SP_RESNAME_SIZE));
        detail::writeVarDotCurve(wxT("Single"), set.Single, levels)->addTo(curves);
        detail::writeVarDotCurve(wxT("First"), set.First, levels)->addTo(curves);
        detail::writeVarDotCurve(wxT("Next"), set.Next, levels)->addTo(curves);
    }
}

void writeGroups(const SPSAMEINKS* block, const NamedNode::Ptr& node) {
    if (!block || block->GroupCount == 0) {
        removeChild(node, wxT("SameInks"));
        return;
    }
    NamedNode::Ptr groups = prepareChild(node, wxT("SameInks"));
    groups->clearChildren();
    const int count = clampCount(block->GroupCount, SP_MAX_INKGROUPS);
    for (int g = 0; g < count; ++g) {
        const SPINKGROUP& group = block->Groups[g];
        NamedNode::Ptr child = NamedNode::Create(numbered(wxT("Group"), g));
        const int inks = clampCount(group.InkCount, SP_MAX_GROUPINKS);
        for (int i = 0; i < inks; ++i) {
            // A gap left by a reader (ink0 and ink5 only) stays a gap.
            if (group.Inks[i]) {
                child->setAttribute(numbered(wxT("ink"), i), kernel::fromMB(group.Inks[i]));
            }
        }
        child->addTo(groups);
    }
}

}  // namespace

// ---- InkCfg -----------------------------------------------------------------

InkCfg::InkCfg() : m_cfg(copyInkCfg(nullptr)) {}

InkCfg::InkCfg(const SPINKCFG* source) : m_cfg(copyInkCfg(source)) {}

InkCfg::InkCfg(const InkCfg& other) : m_cfg(copyInkCfg(other.m_cfg.get())) {}

InkCfg& InkCfg::operator=(const InkCfg& other) {
    if (this != &other) {
        m_cfg = copyInkCfg(other.m_cfg.get());
    }
    return *this;
}

InkCfg::~InkCfg() = default;

SPINKCFG* InkCfg::getSpInkCfg() {
    return m_cfg.get();
}

const SPINKCFG* InkCfg::getSpInkCfg() const {
    return m_cfg.get();
}

// ---- InkType ----------------------------------------------------------------

InkType::InkType() : m_first(allocateZeroed<SPINKTYPE>(), freeInkTypes) {}

SPINKTYPE* InkType::getSpInkType() const {
    return m_first.get();
}

// ---- SameInks ---------------------------------------------------------------

SameInks::SameInks() : m_block(newSameInks(), freeSameInks) {}

SameInks::SameInks(SPSAMEINKS* block) : m_block(block ? block : newSameInks(), freeSameInks) {}

SPSAMEINKS* SameInks::getSpSameInks() const {
    return m_block.get();
}

namespace {

// The single values: flags, counts, options and the name.
void readScalars(const Fields& fields, SPINKCFG& cfg) {
    if (const NamedNode::Ptr& child = fields[kBlackAbility]) {
        cfg.BlackAbility = readByte(child);
    }
    if (const NamedNode::Ptr& child = fields[kInkType]) {
        cfg.InkType = readUnsignedValue(child, wxT("value"), 10);
    }
    if (const NamedNode::Ptr& child = fields[kLabelVal]) {
        cfg.LabelVal = readByte(child);
    }
    if (const NamedNode::Ptr& child = fields[kName]) {
        readTextValue(cfg.Name, child, wxT("value"), SP_RESNAME_SIZE - 1);
        cfg.Name[SP_RESNAME_SIZE - 1] = '\0';
    }
    struct ByteField {
        Field field;
        std::uint8_t* target;
    };
    const ByteField bytes[] = {{kNumColor, &cfg.NumColor},     {kNumSpotColor, &cfg.NumSpotColor},
                               {kHiFiMode, &cfg.HiFiMode},     {kPhotometric, &cfg.Photometric},
                               {kOutputBits, &cfg.OutputBits}, {kProcBits, &cfg.ProcBits}};
    for (const ByteField& byte : bytes) {
        if (const NamedNode::Ptr& child = fields[byte.field]) {
            *byte.target = readByte(child);
        }
    }
    if (const NamedNode::Ptr& child = fields[kProcOpts]) {
        cfg.ProcOpts = readUnsignedValue(child, wxT("value"), 16);
    }
}

// The level tables: colour order, level lookup and the per-colour levels.
// Reads after readScalars: the lookup and the levels depend on the counts.
void readLevelTables(const Fields& fields, SPINKCFG& cfg) {
    if (const NamedNode::Ptr& child = fields[kColorOrder]) {
        detail::readSpotInkLevel(child, cfg.ColorOrder);
    }
    if ((cfg.ProcOpts & SP_PROCOPT_COMPUTED_LEVELLUT) && cfg.OutputBits < 8) {
        computeLevelLut(cfg);
    } else if (const NamedNode::Ptr& child = fields[kLevelLut]) {
        readLevelLut(child, cfg);
    }
    // A limit below 1 would take every number, so no colours means no table.
    if (const NamedNode::Ptr& child = fields[kMLInfo]) {
        const int colors = std::min<int>(cfg.NumColor, SP_MAX_PROCCOLORS);
        if (colors > 0) {
            for (const auto& color : indexedChildren(child, "Color", colors)) {
                detail::readInkLevel(color.second, cfg.MLInfo[color.first]);
            }
        }
    }
}

// The ink units and the groups of same inks; the old lists go only once
// the new ones are read whole.
void readUnitsAndGroups(const Fields& fields, SPINKCFG& cfg) {
    SPINKUNITLUT* units = readUnitList(fields);
    freeUnits(cfg.InkUnits);
    cfg.InkUnits = units;

    SPSAMEINKS* groups = newSameInks();
    if (const NamedNode::Ptr& child = fields[kSameInks]) {
        try {
            readGroups(child, *groups);
        } catch (...) {
            freeSameInks(groups);
            throw;
        }
    }
    freeSameInks(cfg.SameInks);
    cfg.SameInks = groups;
}

// The variable dots: levels, options, and the block of the kind the options
// name.
void readVariableDots(const Fields& fields, SPINKCFG& cfg) {
    if (const NamedNode::Ptr& child = fields[kVarDotLvls]) {
        int count = 0;
        for (const auto& level : indexedAttributes(child, "L", SP_MAX_VARDOTLEVELS)) {
            std::uint32_t value = 0;
            if (detail::parseUnsignedText(level.second, 10, value)) {
                cfg.VarDotLevels[level.first] = static_cast<std::uint8_t>(value);
                count = level.first + 1;
            }
        }
        cfg.VarDotLevelCount = static_cast<std::uint8_t>(count);
    }
    const std::uint32_t previousOpts = cfg.VarDotOpts;
    cfg.VarDotOpts = 0;
    if (const NamedNode::Ptr& child = fields[kVarDotOpts]) {
        cfg.VarDotOpts = readUnsignedValue(child, wxT("value"), 16);
    }

    // The new block, when the tree describes one of the kind the options name.
    std::unique_ptr<void, void (*)(void*)> block(nullptr, engine::releaseBlock);
    if (cfg.VarDotLevelCount > 0) {
        if (cfg.VarDotOpts & SP_VARDOTOPT_CHANNELS) {
            if (const NamedNode::Ptr& child = fields[kVarDotChannels]) {
                block.reset(engine::mapZeroed(kVarDotBlockSize));
                detail::readVarDotChannels(child, *static_cast<SPVARDOTCHANNELS*>(block.get()));
            }
        } else if (const NamedNode::Ptr& child = fields[kVarDotCurves]) {
            block.reset(engine::mapZeroed(kVarDotBlockSize));
            detail::readVarDotCurves(child, *static_cast<SPVARDOTCURVES*>(block.get()));
        }
    }
    if (!block && cfg.VarDot && ((previousOpts ^ cfg.VarDotOpts) & SP_VARDOTOPT_CHANNELS)) {
        // The block stays while the options switched kinds. It may have been
        // made for the smaller kind (by the engine or a caller): move it into
        // one that holds either, so that it is never read past its end.
        block.reset(engine::mapZeroed(kVarDotBlockSize));
        std::memcpy(block.get(), cfg.VarDot,
                    (previousOpts & SP_VARDOTOPT_CHANNELS) ? sizeof(SPVARDOTCHANNELS)
                                                           : sizeof(SPVARDOTCURVES));
    }
    if (block) {
        engine::releaseBlock(cfg.VarDot);
        cfg.VarDot = block.release();
    }
}

}  // namespace

// ---- DataStrategy<InkCfg> -----------------------------------------------------

DataStrategy<InkCfg>::~DataStrategy() = default;

boost::shared_ptr<InkCfg> DataStrategy<InkCfg>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<InkCfg> cfg(new InkCfg());
    load(node, *cfg);
    return cfg;
}

void DataStrategy<InkCfg>::load(NamedNode::Ptr node, Value& value) const {
    if (!node) {
        return;
    }
    SPINKCFG& cfg = *value.getSpInkCfg();
    const Fields fields = fieldsOf(node);
    readScalars(fields, cfg);
    readLevelTables(fields, cfg);
    readUnitsAndGroups(fields, cfg);
    readVariableDots(fields, cfg);
}

void DataStrategy<InkCfg>::storeInto(boost::shared_ptr<Value> value, NamedNode::Ptr node) const {
    if (!value || !node) {
        return;
    }
    const SPINKCFG& cfg = *value->getSpInkCfg();
    node->setName(wxString(wxT("InkCfg")));
    setValueChild(node, wxT("BlackAbility"), cfg.BlackAbility ? wxT("1") : wxT("0"));

    detail::writeSpotInkLevel(cfg.ColorOrder, prepareChild(node, wxT("ColorOrder")));
    int highestLevel = 0;
    const int entries = clampCount(cfg.ColorOrder.Count, SP_MAX_INKLEVELS);
    for (int i = 0; i < entries; ++i) {
        highestLevel = std::max<int>(highestLevel, cfg.ColorOrder.Levels[i]);
    }

    setValueChild(node, wxT("InkType"), formatUnsigned(cfg.InkType));
    setValueChild(node, wxT("LabelVal"), formatInt(cfg.LabelVal));

    NamedNode::Ptr lut = prepareChild(node, wxT("LevelLut"));
    lut->clearChildren();
    if (!(cfg.ProcOpts & SP_PROCOPT_COMPUTED_LEVELLUT) && cfg.OutputBits < 8) {
        const int rows = std::min(highestLevel, SP_LEVELLUT_ROWS - 1);
        const int size = 1 << std::min<int>(cfg.ProcBits, 8);
        for (int r = 0; r <= rows; ++r) {
            NamedNode::Ptr row = NamedNode::Create(numbered(wxT("Lut"), r));
            for (int j = 0; j < size; ++j) {
                row->setAttribute(numbered(wxT("L"), j), formatInt(cfg.LevelLut[r][j]));
            }
            row->addTo(lut);
        }
    }

    NamedNode::Ptr mlInfo = prepareChild(node, wxT("MLInfo"));
    mlInfo->clearChildren();
    const int colors = std::min<int>(cfg.NumColor, SP_MAX_PROCCOLORS);
    for (int c = 0; c < colors; ++c) {
        NamedNode::Ptr color = NamedNode::Create(numbered(wxT("Color"), c));
        detail::writeInkLevel(cfg.MLInfo[c], color);
        color->addTo(mlInfo);
    }

    setValueChild(node, wxT("Name"), detail::fixedText(cfg.Name, SP_RESNAME_SIZE));
    setValueChild(node, wxT("NumColor"), formatInt(cfg.NumColor));
    setValueChild(node, wxT("NumSpotColor"), formatInt(cfg.NumSpotColor));
    setValueChild(node, wxT("OutputBits"), formatInt(cfg.OutputBits));
    setValueChild(node, wxT("ProcBits"), formatInt(cfg.ProcBits));
    setValueChild(node, wxT("ProcOpts"), formatHex8(cfg.ProcOpts));
    writeUnitList(cfg, node);
    setValueChild(node, wxT("VarDotOpts"), formatHex(cfg.VarDotOpts));
    writeVarDot(cfg, node);
    writeGroups(cfg.SameInks, node);
}

NamedNode::Ptr DataStrategy<InkCfg>::storeNew(boost::shared_ptr<Value> value, NamedNode::Ptr parent,
                                              const wxString& name) const {
    return engine::storeAsChild(*this, value, parent, name);
}

// ---- DataStrategy<InkType> ----------------------------------------------------

DataStrategy<InkType>::~DataStrategy() = default;

boost::shared_ptr<InkType> DataStrategy<InkType>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<InkType> types(new InkType());
    load(node, *types);
    return types;
}

void DataStrategy<InkType>::load(NamedNode::Ptr node, Value& types) const {
    if (!node) {
        return;
    }
    const wxString prefix(wxT("Type"));
    SPINKTYPE* last = nullptr;
    for (const NamedNode::Ptr& child : *node) {
        const wxString name = child->getName();
        if (!name.StartsWith(prefix)) {
            continue;
        }
        SPINKTYPE* record;
        if (!last) {
            record = types.getSpInkType();
            freeInkTypes(record->next);
            record->next = nullptr;
        } else {
            record = allocateZeroed<SPINKTYPE>();
            last->next = record;
        }
        std::uint32_t number = 0;
        if (!detail::parseUnsignedText(name.substr(prefix.length()), 10, number)) {
            number = 0;
        }
        record->Type = number;
        record->Reserved = 0;
        readTextValue(record->Name, child, wxT("value"), SP_INKTYPE_NAME_SIZE - 1);
        record->Durability = readRealValue(child, wxT("durability"));
        last = record;
    }
}

void DataStrategy<InkType>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

// ---- DataStrategy<SameInks> ---------------------------------------------------

DataStrategy<SameInks>::~DataStrategy() = default;

boost::shared_ptr<SameInks> DataStrategy<SameInks>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<SameInks> groups(new SameInks());
    load(node, *groups);
    return groups;
}

void DataStrategy<SameInks>::load(NamedNode::Ptr node, Value& groups) const {
    if (!node) {
        return;
    }
    SPSAMEINKS& block = *groups.getSpSameInks();
    clearGroups(block);
    readGroups(node, block);
}

void DataStrategy<SameInks>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

}  // namespace repos
}  // namespace vexa
