#include "repos/ColorDotInfo.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "EngineSupport.h"
#include "kernel/Text.h"

namespace vexa {
namespace repos {

using kernel::fromMB;
using kernel::toMB;

namespace {

using engine::allocateZeroed;

boost::shared_ptr<_SP_COLOR_INFO> copyColorInfo(const _SP_COLOR_INFO* source) {
    boost::shared_ptr<_SP_COLOR_INFO> info(new _SP_COLOR_INFO());
    if (source != nullptr) {
        *info = *source;
    }
    return info;
}

// Percent to 0..255 as the engine stores opacity: scaled, rounded half up,
// clamped (a hostile percentage must not overflow the byte).
std::uint8_t opacityByte(double percent) {
    const double scaled = std::trunc(percent * 255.0 / 100.0 + 0.5);
    if (!(scaled > 0.0)) {
        return 0;
    }
    return scaled >= 255.0 ? 255 : static_cast<std::uint8_t>(scaled);
}

// A deep copy of a group chain; *last receives the copy's last group.
// Throws std::bad_alloc, leaving nothing allocated.
dotresgroup* copyGroups(const dotresgroup* source, dotresgroup** last) {
    dotresgroup* head = nullptr;
    dotresgroup* tail = nullptr;
    try {
        for (const dotresgroup* group = source; group != nullptr; group = group->next) {
            dotresgroup* copy = allocateZeroed<dotresgroup>();
            std::memcpy(copy->name, group->name, sizeof copy->name);
            (tail ? tail->next : head) = copy;
            tail = copy;
            dotresunit** link = &copy->units;
            for (const dotresunit* unit = group->units; unit != nullptr; unit = unit->next) {
                dotresunit* unitCopy = allocateZeroed<dotresunit>();
                *link = unitCopy;
                link = &unitCopy->next;
                std::memcpy(unitCopy->name, unit->name, sizeof unitCopy->name);
                if (unit->scales != nullptr) {
                    unitCopy->scales = engine::copyStral(unit->scales);
                }
            }
        }
    } catch (...) {
        DotInfoDeleter::freeGroups(head);
        throw;
    }
    *last = tail;
    return head;
}

boost::shared_ptr<dotinfo> copyDotInfo(const dotinfo* source) {
    dotinfo* info = allocateZeroed<dotinfo>();
    if (source != nullptr) {
        try {
            std::memcpy(info->units, source->units, sizeof info->units);
            info->first = copyGroups(source->first, &info->last);
        } catch (...) {
            std::free(info);
            throw;
        }
    }
    try {
        return boost::shared_ptr<dotinfo>(info, DotInfoDeleter());
    } catch (...) {
        DotInfoDeleter()(info);
        throw;
    }
}

}  // namespace

// ---- ColorInfo --------------------------------------------------------------

ColorInfo::ColorInfo() : m_info(copyColorInfo(nullptr)) {}

ColorInfo::ColorInfo(const _SP_COLOR_INFO* source) : m_info(copyColorInfo(source)) {}

ColorInfo::ColorInfo(const ColorInfo& other) : m_info(copyColorInfo(other.m_info.get())) {}

ColorInfo& ColorInfo::operator=(const ColorInfo& other) {
    *m_info = *other.m_info;
    return *this;
}

ColorInfo::~ColorInfo() = default;

// ---- DotInfo ----------------------------------------------------------------

void DotInfoDeleter::freeGroups(dotresgroup* group) {
    while (group != nullptr) {
        dotresunit* unit = group->units;
        while (unit != nullptr) {
            dotresunit* nextUnit = unit->next;
            stral_free(unit->scales);
            std::free(unit);
            unit = nextUnit;
        }
        dotresgroup* nextGroup = group->next;
        std::free(group);
        group = nextGroup;
    }
}

void DotInfoDeleter::operator()(dotinfo* info) const {
    if (info != nullptr) {
        freeGroups(info->first);
        std::free(info);
    }
}

DotInfo::DotInfo() : m_info(copyDotInfo(nullptr)) {}

DotInfo::DotInfo(const dotinfo* source) : m_info(copyDotInfo(source)) {}

DotInfo::DotInfo(const DotInfo& other) : m_info(copyDotInfo(other.m_info.get())) {}

DotInfo& DotInfo::operator=(const DotInfo& other) {
    if (this != &other) {
        m_info = copyDotInfo(other.m_info.get());
    }
    return *this;
}

DotInfo::~DotInfo() = default;

// ---- DataStrategy<ColorInfo> ------------------------------------------------

DataStrategy<ColorInfo>::~DataStrategy() = default;

boost::shared_ptr<ColorInfo> DataStrategy<ColorInfo>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<ColorInfo> value(new ColorInfo);
    load(node, *value);
    return value;
}

void DataStrategy<ColorInfo>::load(NamedNode::Ptr node, ColorInfo& value) const {
    if (!node) {
        return;
    }
    _SP_COLOR_INFO& info = *value.getSpColorInfo();
    const wxString attribute(wxS("value"));
    info.NumColor = readIntValue(node->findChild(wxS("NumColor")), attribute);
    info.NumSpotColor = readIntValue(node->findChild(wxS("NumSpotColor")), attribute);
    info.HiFiMode = readUnsignedValue(node->findChild(wxS("HiFiMode")), attribute, 10);
    info.Photometric = readUnsignedValue(node->findChild(wxS("Photometric")), attribute, 10);

    const NamedNode::Ptr spots = node->findChild(wxS("SpotNames"));
    if (!spots) {
        return;
    }
    for (const NamedNode::Ptr& child : *spots) {
        const int position = readIntValue(child, wxS("position"));
        if (position < 0 || position >= SP_MAX_SPOTCOLORS) {
            continue;
        }
        engine::setField(info.SpotNames[position], SP_SPOTNAME_SIZE, child->getNameUtf8());
        SP_SPOT_INFO& spot = info.Spots[position];
        spot.bitspersample = readUnsignedValue(child, wxS("bitspersample"), 10);
        spot.samples = static_cast<std::uint8_t>(readIntValue(child, wxS("samples")));
        spot.photometric = static_cast<std::uint8_t>(readIntValue(child, wxS("photometric")));
        spot.opacity = opacityByte(readRealValue(child, wxS("opacity")));
        for (const auto& sample : indexedAttributes(child, "S", SP_MAX_SPOTSAMPLES)) {
            spot.SampleValues[sample.first] = parseUnsigned(sample.second, 10);
        }
    }
}

void DataStrategy<ColorInfo>::storeInto(boost::shared_ptr<ColorInfo> value,
                                        NamedNode::Ptr node) const {
    if (!value || !node) {
        return;
    }
    const _SP_COLOR_INFO& info = *value->getSpColorInfo();
    node->setName(wxString(wxS("ColorInfo")));
    node->clearChildren();
    appendValueChild(node, wxS("NumColor"), formatInt(info.NumColor));
    appendValueChild(node, wxS("NumSpotColor"), formatInt(info.NumSpotColor));
    appendValueChild(node, wxS("HiFiMode"), formatUnsigned(info.HiFiMode));
    appendValueChild(node, wxS("Photometric"), formatUnsigned(info.Photometric));

    NamedNode::Ptr spots = NamedNode::Create(wxS("SpotNames"));
    spots->addTo(node);
    const int count = info.NumSpotColor < 0                   ? 0
                      : info.NumSpotColor > SP_MAX_SPOTCOLORS ? SP_MAX_SPOTCOLORS
                                                              : info.NumSpotColor;
    for (int s = 0; s < count; ++s) {
        const SP_SPOT_INFO& spot = info.Spots[s];
        NamedNode::Ptr child =
            NamedNode::Create(fromMB(engine::field(info.SpotNames[s], SP_SPOTNAME_SIZE)));
        child->setAttribute(wxS("position"), formatInt(s));
        child->setAttribute(wxS("bitspersample"), formatUnsigned(spot.bitspersample));
        child->setAttribute(wxS("photometric"), formatInt(spot.photometric));
        child->setAttribute(wxS("opacity"), formatReal(spot.opacity / 2.55, 6));
        child->setAttribute(wxS("samples"), formatInt(spot.samples));
        const int samples = spot.samples > SP_MAX_SPOTSAMPLES ? SP_MAX_SPOTSAMPLES : spot.samples;
        for (int i = 0; i < samples; ++i) {
            child->setAttribute(wxS("S") + formatInt(i), formatUnsigned(spot.SampleValues[i]));
        }
        child->addTo(spots);
    }
}

NamedNode::Ptr DataStrategy<ColorInfo>::storeNew(boost::shared_ptr<ColorInfo> value,
                                                 NamedNode::Ptr parent,
                                                 const wxString& name) const {
    return engine::storeAsChild(*this, value, parent, name);
}

// ---- DataStrategy<DotInfo> --------------------------------------------------

DataStrategy<DotInfo>::~DataStrategy() = default;

boost::shared_ptr<DotInfo> DataStrategy<DotInfo>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<DotInfo> value(new DotInfo);
    load(node, *value);
    return value;
}

void DataStrategy<DotInfo>::load(NamedNode::Ptr node, DotInfo& value) const {
    if (!node) {
        return;
    }
    dotinfo& info = *value.getDotInfo();

    // Build the new groups aside, so a failure leaves the value as it was.
    dotresgroup* head = nullptr;
    dotresgroup* tail = nullptr;
    try {
        const NamedNode::Ptr resUnits = node->findChild(wxS("ResUnits"));
        for (const NamedNode::Ptr& groupNode :
             resUnits ? resUnits->getChildren() : NamedNode::Children()) {
            dotresgroup* group = allocateZeroed<dotresgroup>();
            (tail ? tail->next : head) = group;
            tail = group;
            engine::setField(group->name, sizeof group->name, groupNode->getNameUtf8());
            dotresunit** link = &group->units;
            for (const NamedNode::Ptr& unitNode : *groupNode) {
                dotresunit* unit = allocateZeroed<dotresunit>();
                *link = unit;
                link = &unit->next;
                engine::setField(unit->name, sizeof unit->name, unitNode->getNameUtf8());
                unit->scales = engine::makeStral();
                for (const NamedNode::Ptr& rowNode : *unitNode) {
                    const std::string name = rowNode->getNameUtf8();
                    const std::string scale = toMB(rowNode->getAttribute(wxS("scale")));
                    const std::string rowValue = toMB(rowNode->getAttribute(wxS("value")));
                    engine::checkAdded(stral_add(unit->scales, -1, engine::kScaleRow, name.c_str(),
                                                 scale.c_str(), rowValue.c_str(),
                                                 static_cast<const char*>(nullptr)));
                }
            }
        }
    } catch (...) {
        DotInfoDeleter::freeGroups(head);
        throw;
    }

    // The units text goes through 19 bytes of UTF-8 and back into the code
    // page with room for 18, as the engine's own reader does.
    char units[DOT_UNITS_SIZE - 1 + 1];
    readTextValue(units, node->findChild(wxS("Units")), wxS("value"), DOT_UNITS_SIZE - 1);
    std::memset(info.units, 0, sizeof info.units);
    Outf8_to_mbcs(units, info.units, DOT_UNITS_SIZE - 1);

    DotInfoDeleter::freeGroups(info.first);
    info.first = head;
    info.last = tail;
}

void DataStrategy<DotInfo>::storeInto(boost::shared_ptr<DotInfo> value, NamedNode::Ptr node) const {
    if (!value || !node) {
        return;
    }
    const dotinfo& info = *value->getDotInfo();
    node->setName(wxString(wxS("DotInfo")));
    node->clearChildren();
    appendValueChild(node, wxS("Units"),
                     fromMB(engine::mbcsToUtf8(engine::field(info.units, sizeof info.units))));
    NamedNode::Ptr resUnits = NamedNode::Create(wxS("ResUnits"));
    resUnits->addTo(node);
    for (const dotresgroup* group = info.first; group != nullptr; group = group->next) {
        NamedNode::Ptr groupNode =
            NamedNode::Create(fromMB(engine::field(group->name, sizeof group->name)));
        groupNode->addTo(resUnits);
        for (const dotresunit* unit = group->units; unit != nullptr; unit = unit->next) {
            NamedNode::Ptr unitNode =
                NamedNode::Create(fromMB(engine::field(unit->name, sizeof unit->name)));
            unitNode->addTo(groupNode);
            for (const SSTRALROW* row = unit->scales ? unit->scales->first : nullptr;
                 row != nullptr; row = row->next) {
                NamedNode::Ptr rowNode = NamedNode::Create(engine::rowWText(row, 0));
                rowNode->setAttribute(wxS("scale"), engine::rowWText(row, 1));
                rowNode->setAttribute(wxS("value"), engine::rowWText(row, 2));
                rowNode->addTo(unitNode);
            }
        }
    }
}

NamedNode::Ptr DataStrategy<DotInfo>::storeNew(boost::shared_ptr<DotInfo> value,
                                               NamedNode::Ptr parent, const wxString& name) const {
    return engine::storeAsChild(*this, value, parent, name);
}

// ---- DataStrategy<LabelChannel> ---------------------------------------------

DataStrategy<LabelChannel>::~DataStrategy() = default;

boost::shared_ptr<LabelChannel> DataStrategy<LabelChannel>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<LabelChannel> value(new LabelChannel);
    load(node, *value);
    return value;
}

void DataStrategy<LabelChannel>::load(NamedNode::Ptr node, LabelChannel& value) const {
    if (node) {
        value.setLabelChannel(readIntValue(node, wxS("value")));
    }
}

void DataStrategy<LabelChannel>::storeInto(boost::shared_ptr<LabelChannel> value,
                                           NamedNode::Ptr node) const {
    if (value && node && value->getLabelChannel() > 0) {
        node->setAttribute(wxS("value"), formatInt(value->getLabelChannel()));
    }
}

}  // namespace repos
}  // namespace vexa
