#include "repos/InkRecords.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "InkRecordIO.h"
#include "kernel/Text.h"
#include "kernel/VexKernel.h"

namespace vexa {
namespace repos {
namespace detail {

namespace {

// A percentage of a point curve: limited to 0..100, then rounded half up.
std::uint8_t readPercent(const NamedNode::Ptr& point, const wxString& attribute) {
    double value = readRealValue(point, attribute);
    if (!(value > 0.0)) {
        value = 0.0;
    } else if (value > 100.0) {
        value = 100.0;
    }
    return static_cast<std::uint8_t>(static_cast<int>(value + 0.5));
}

// The attributes of one level entry, gathered in one pass over the node
// rather than a search per attribute: a printer has a level entry per ink
// and colour of every configuration. A missing attribute reads as empty,
// which every conversion below takes as the missing value (0, no text).
struct LevelEntryText {
    std::string position, value, alias, l, a, b;

    void read(const NamedNode& entry, bool spot) {
        for (std::string* field : {&position, &value, &alias, &l, &a, &b}) {
            field->clear();
        }
        entry.forEachAttribute([&](std::string_view key, std::string_view text) {
            std::string* field = key == "position" ? &position
                                 : key == "value"  ? &value
                                 : !spot           ? nullptr
                                 : key == "alias"  ? &alias
                                 : key == "CIEL"   ? &l
                                 : key == "CIEa"   ? &a
                                 : key == "CIEb"   ? &b
                                                   : nullptr;
            if (field != nullptr) {
                field->assign(text.data(), text.size());
            }
        });
    }
};

// The entries common to SPINKLEVEL and SPSPOTINKLEVEL. `extra(text, slot)`
// stores what the spot form adds for an accepted child.
template <class Level, class Extra>
void readLevelEntries(const NamedNode::Ptr& node, Level& level, bool spot, Extra extra) {
    if (!node) {
        return;
    }
    int count = 0;
    LevelEntryText text;
    for (const NamedNode::Ptr& entry : *node) {
        text.read(*entry, spot);
        const int slot = intFromText(text.position.c_str());
        if (slot < 0 || slot >= SP_MAX_INKLEVELS) {
            continue;
        }
        if (slot + 1 > count) {
            count = slot + 1;
        }
        setFixedText(level.Names[slot], SP_INKNAME_SIZE, entry->getNameUtf8());
        level.Levels[slot] = static_cast<std::uint8_t>(intFromText(text.value.c_str()));
        extra(text, slot);
    }
    level.Count = static_cast<std::uint8_t>(count);
}

// Replaces the children of `node` by one entry child per slot; `extra(child,
// slot)` adds what the spot form writes after "value" and "position".
template <class Level, class Extra>
void writeLevelEntries(const Level& level, const NamedNode::Ptr& node, Extra extra) {
    if (!node) {
        return;
    }
    node->clearChildren();
    const int count = clampCount(level.Count, SP_MAX_INKLEVELS);
    for (int i = 0; i < count; ++i) {
        NamedNode::Ptr entry = NamedNode::Create(fixedText(level.Names[i], SP_INKNAME_SIZE));
        entry->setAttribute(wxT("value"), formatInt(level.Levels[i]));
        entry->setAttribute(wxT("position"), formatInt(i));
        extra(entry, i);
        entry->addTo(node);
    }
}

}  // namespace

wxString fixedText(const char* field, std::size_t size) {
    const void* end = std::memchr(field, 0, size);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size;
    return kernel::fromMB(field, length);
}

void setFixedText(char* field, std::size_t size, const wxString& text) {
    setFixedText(field, size, kernel::toMB(text));
}

void setFixedText(char* field, std::size_t size, const std::string& bytes) {
    if (size == 0) {
        return;
    }
    std::memset(field, 0, size);
    kernel::copyTextCut(field, bytes, size - 1);
}

namespace {

// The number in `length` characters at `text`, wide or bytes alike: a
// character that is no ASCII digit is no digit in either.
template <class Char>
bool parseUnsignedChars(const Char* text, std::size_t length, int base, std::uint32_t& out) {
    if (base != 10 && base != 16) {
        return false;
    }
    std::size_t i = 0;
    if (base == 16 && length >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        i = 2;
    }
    if (i >= length) {
        return false;
    }
    std::uint64_t value = 0;
    for (; i < length; ++i) {
        const auto c = text[i];
        int digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<int>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<int>(c - 'a') + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<int>(c - 'A') + 10;
        } else {
            return false;
        }
        if (digit >= base) {
            return false;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) {
            return false;
        }
    }
    out = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

bool parseUnsignedText(const wxString& text, int base, std::uint32_t& out) {
    return parseUnsignedChars(text.wx_str(), text.length(), base, out);
}

bool parseUnsignedText(const std::string& text, int base, std::uint32_t& out) {
    return parseUnsignedChars(text.data(), text.size(), base, out);
}

float toFloat(double value) {
    if (value > FLT_MAX) {
        return FLT_MAX;
    }
    if (value < -FLT_MAX) {
        return -FLT_MAX;
    }
    return static_cast<float>(value);
}

void readPointCurve(const NamedNode::Ptr& node, SPPOINTCURVE& curve) {
    for (const auto& point : indexedChildren(node, "Point", SP_CURVE_POINTS)) {
        curve.Points[point.first].x = readPercent(point.second, wxT("x"));
        curve.Points[point.first].y = readPercent(point.second, wxT("y"));
    }
}

NamedNode::Ptr writePointCurve(const wxString& name, const SPPOINTCURVE& curve) {
    NamedNode::Ptr node = NamedNode::Create(name);
    for (int i = 0; i < SP_CURVE_POINTS; ++i) {
        if (i > 0 && curve.Points[i].x == 0) {
            break;
        }
        NamedNode::Ptr point = NamedNode::Create(numbered(wxT("Point"), i));
        point->setAttribute(wxT("x"), formatInt(curve.Points[i].x));
        point->setAttribute(wxT("y"), formatInt(curve.Points[i].y));
        point->addTo(node);
    }
    return node;
}

void readTransitionSet(const NamedNode::Ptr& node, SPTRANSITIONSET& set) {
    for (const auto& transition : indexedChildren(node, "Transition", SP_MAX_TRANSITIONS)) {
        readPointCurve(transition.second, set.Transitions[transition.first]);
    }
}

NamedNode::Ptr writeTransitionSet(const wxString& name, const SPTRANSITIONSET& set, int levels) {
    NamedNode::Ptr node = NamedNode::Create(name);
    const int count = clampCount(static_cast<long long>(levels) - 1, SP_MAX_TRANSITIONS);
    for (int t = 0; t < count; ++t) {
        writePointCurve(numbered(wxT("Transition"), t), set.Transitions[t])->addTo(node);
    }
    return node;
}

void readInkLevel(const NamedNode::Ptr& node, SPINKLEVEL& level) {
    readLevelEntries(node, level, false, [](const LevelEntryText&, int) {});
}

void writeInkLevel(const SPINKLEVEL& level, const NamedNode::Ptr& node) {
    writeLevelEntries(level, node, [](const NamedNode::Ptr&, int) {});
}

void readSpotInkLevel(const NamedNode::Ptr& node, SPSPOTINKLEVEL& level) {
    readLevelEntries(node, level, true, [&level](const LevelEntryText& text, int slot) {
        setFixedText(level.Aliases[slot], SP_INKNAME_SIZE, text.alias);
        level.Lab[slot][0] = toFloat(OatofEx(text.l.c_str()));
        level.Lab[slot][1] = toFloat(OatofEx(text.a.c_str()));
        level.Lab[slot][2] = toFloat(OatofEx(text.b.c_str()));
    });
}

void writeSpotInkLevel(const SPSPOTINKLEVEL& level, const NamedNode::Ptr& node) {
    writeLevelEntries(level, node, [&level](const NamedNode::Ptr& entry, int slot) {
        entry->setAttribute(wxT("alias"), fixedText(level.Aliases[slot], SP_INKNAME_SIZE));
        entry->setAttribute(wxT("CIEL"), formatReal(level.Lab[slot][0], 6));
        entry->setAttribute(wxT("CIEa"), formatReal(level.Lab[slot][1], 6));
        entry->setAttribute(wxT("CIEb"), formatReal(level.Lab[slot][2], 6));
    });
}

void readInkUnit(const NamedNode::Ptr& node, SPINKUNITLUT& unit) {
    if (!node) {
        return;
    }
    unit.next = nullptr;
    if (NamedNode::Ptr res = node->findChild(wxT("Res"))) {
        readTextValue(unit.Res, res, wxT("value"), SP_RESNAME_SIZE - 1);
    }
    if (NamedNode::Ptr channel = node->findChild(wxT("Channel"))) {
        readTextValue(unit.Channel, channel, wxT("value"), SP_INKNAME_SIZE - 1);
    }
    if (NamedNode::Ptr base = node->findChild(wxT("BaseCount"))) {
        // Unsigned 32-bit arithmetic: a huge count wraps rather than overflow.
        unit.BaseCount = readUnsignedValue(base, wxT("value"), 10) * 1000u;
    }
    if (NamedNode::Ptr volume = node->findChild(wxT("DotVolume"))) {
        unit.DotVolume = toFloat(readRealValue(volume, wxT("value")));
    }
    if (NamedNode::Ptr units = node->findChild(wxT("Units"))) {
        for (const auto& entry : indexedAttributes(units, "U", SP_MAX_UNITS)) {
            std::uint32_t value = 0;
            if (!parseUnsignedText(entry.second, 10, value)) {
                value = 0;
            }
            unit.Units[entry.first] = value * 1000u;
        }
    }
}

NamedNode::Ptr writeInkUnit(const wxString& name, const SPINKUNITLUT& unit, int levels,
                            const NamedNode::Ptr& existing) {
    NamedNode::Ptr node = existing ? existing : NamedNode::Create(name);
    appendValueChild(node, wxT("Res"), fixedText(unit.Res, SP_RESNAME_SIZE));
    appendValueChild(node, wxT("Channel"), fixedText(unit.Channel, SP_INKNAME_SIZE));
    appendValueChild(node, wxT("BaseCount"), formatUnsigned(unit.BaseCount / 1000u));
    appendValueChild(node, wxT("DotVolume"), formatReal(unit.DotVolume, 6));
    NamedNode::Ptr units = NamedNode::Create(wxString(wxT("Units")));
    const int last = clampCount(levels < 1 ? 1 : levels, SP_MAX_UNITS - 1);
    for (int i = 0; i <= last; ++i) {
        units->setAttribute(numbered(wxT("U"), i), formatUnsigned(unit.Units[i] / 1000u));
    }
    units->addTo(node);
    return node;
}

void readVarDotChannel(const NamedNode::Ptr& node, SPVARDOTCHANNEL& channel) {
    if (!node) {
        return;
    }
    std::memset(&channel, 0, sizeof channel);
    fillVarDotChannel(node, channel);
}

void fillVarDotChannel(const NamedNode::Ptr& node, SPVARDOTCHANNEL& channel) {
    readTextValue(channel.Ink, node, wxT("ink"), SP_INKNAME_SIZE - 1);
    if (NamedNode::Ptr coverage = node->findChild(wxT("Coverage"))) {
        readPointCurve(coverage, channel.Coverage);
    }
    if (NamedNode::Ptr transitions = node->findChild(wxT("Transitions"))) {
        readTransitionSet(transitions, channel.Transitions);
    }
}

void writeVarDotChannel(const NamedNode::Ptr& node, const SPVARDOTCHANNEL& channel, int levels) {
    node->setAttribute(wxT("ink"), fixedText(channel.Ink, SP_INKNAME_SIZE));
    writePointCurve(wxT("Coverage"), channel.Coverage)->addTo(node);
    writeTransitionSet(wxT("Transitions"), channel.Transitions, levels)->addTo(node);
}

void readVarDotCurve(const NamedNode::Ptr& node, SPVARDOTCURVE& curve) {
    if (!node) {
        return;
    }
    std::memset(&curve, 0, sizeof curve);
    fillVarDotCurve(node, curve);
}

void fillVarDotCurve(const NamedNode::Ptr& node, SPVARDOTCURVE& curve) {
    if (NamedNode::Ptr low = node->findChild(wxT("Lo"))) {
        readTransitionSet(low, curve.Low);
    }
    if (NamedNode::Ptr middle = node->findChild(wxT("Mid"))) {
        readTransitionSet(middle, curve.Middle);
    }
    if (NamedNode::Ptr high = node->findChild(wxT("Hi"))) {
        readTransitionSet(high, curve.High);
    }
    if (NamedNode::Ptr coverage = node->findChild(wxT("Coverage"))) {
        readPointCurve(coverage, curve.Coverage);
    }
}

NamedNode::Ptr writeVarDotCurve(const wxString& name, const SPVARDOTCURVE& curve, int levels) {
    NamedNode::Ptr node = NamedNode::Create(name);
    writePointCurve(wxT("Coverage"), curve.Coverage)->addTo(node);
    writeTransitionSet(wxT("Lo"), curve.Low, levels)->addTo(node);
    writeTransitionSet(wxT("Mid"), curve.Middle, levels)->addTo(node);
    writeTransitionSet(wxT("Hi"), curve.High, levels)->addTo(node);
    return node;
}

void readVarDotChannels(const NamedNode::Ptr& node, SPVARDOTCHANNELS& table) {
    for (const auto& channel : indexedChildren(node, "Chan", SP_MAX_VARDOTCHANNELS)) {
        fillVarDotChannel(channel.second, table.Channels[channel.first]);
        table.ChannelCount = channel.first + 1;  // ascending: the last one is the highest
    }
}

void readVarDotCurves(const NamedNode::Ptr& node, SPVARDOTCURVES& set) {
    if (!node) {
        return;
    }
    // The names read first, then the shorter names this library writes, so
    // that a configuration written here reads back whole.
    struct Slot {
        const wchar_t* name;
        const wchar_t* written;
        SPVARDOTCURVE* curve;
    };
    const Slot slots[] = {{L"SingleCurve", L"Single", &set.Single},
                          {L"FirstCurve", L"First", &set.First},
                          {L"NextCurve", L"Next", &set.Next}};
    for (const Slot& slot : slots) {
        NamedNode::Ptr curve = node->findChild(wxString(slot.name));
        if (!curve) {
            curve = node->findChild(wxString(slot.written));
        }
        if (curve) {
            fillVarDotCurve(curve, *slot.curve);
        }
    }
}

}  // namespace detail

// ---- Strategies -------------------------------------------------------------

DataStrategy<SPINKLEVEL>::~DataStrategy() = default;

void DataStrategy<SPINKLEVEL>::load(NamedNode::Ptr node, Value& level) const {
    detail::readInkLevel(node, level);
}

void DataStrategy<SPINKLEVEL>::storeInto(boost::shared_ptr<Value> level,
                                         NamedNode::Ptr node) const {
    if (level) {
        detail::writeInkLevel(*level, node);
    }
}

DataStrategy<SPSPOTINKLEVEL>::~DataStrategy() = default;

void DataStrategy<SPSPOTINKLEVEL>::load(NamedNode::Ptr node, Value& level) const {
    detail::readSpotInkLevel(node, level);
}

void DataStrategy<SPSPOTINKLEVEL>::storeInto(boost::shared_ptr<Value> level,
                                             NamedNode::Ptr node) const {
    if (level) {
        detail::writeSpotInkLevel(*level, node);
    }
}

DataStrategy<SPINKUNITLUT>::~DataStrategy() = default;

void DataStrategy<SPINKUNITLUT>::load(NamedNode::Ptr node, Value& unit) const {
    detail::readInkUnit(node, unit);
}

void DataStrategy<SPINKUNITLUT>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

DataStrategy<SPVARDOTCHANNEL>::~DataStrategy() = default;

void DataStrategy<SPVARDOTCHANNEL>::load(NamedNode::Ptr node, Value& channel) const {
    detail::readVarDotChannel(node, channel);
}

void DataStrategy<SPVARDOTCHANNEL>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

DataStrategy<SPVARDOTCURVE>::~DataStrategy() = default;

void DataStrategy<SPVARDOTCURVE>::load(NamedNode::Ptr node, Value& curve) const {
    detail::readVarDotCurve(node, curve);
}

void DataStrategy<SPVARDOTCURVE>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

}  // namespace repos
}  // namespace vexa
