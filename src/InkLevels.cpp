#include "repos/InkLevels.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "EngineSupport.h"
#include "InkRecordIO.h"
#include "kernel/Text.h"

namespace vexa {
namespace repos {

namespace {

// Mapped zeroed pages: the structure is 20 KB, of which a mode's few inks
// fill a page or two, and only written pages cost memory.
boost::shared_ptr<SPINKCURVE> newInkCurve(const SPINKCURVE* source) {
    SPINKCURVE* curve = static_cast<SPINKCURVE*>(engine::mapZeroed(sizeof(SPINKCURVE)));
    if (source) {
        engine::copyWrittenPages(curve, source, sizeof *curve);
    }
    return boost::shared_ptr<SPINKCURVE>(curve, engine::releaseBlock);
}

// percent * 2.55 + 0.5, truncated towards zero, in 8 bits. Computed in
// millionths of a percent with integers, so that decimal texts scale
// exactly: 50 gives 127.5 + 0.5 = 128, where binary 50 * 2.55 falls short.
std::uint8_t scalePercent(double percent) {
    if (!std::isfinite(percent)) {
        return 0;
    }
    long long scaled;
    if (std::fabs(percent) < 1e9) {
        const long long millionths = std::llround(percent * 1e6);
        scaled = (millionths * 255 + 50000000LL) / 100000000LL;
    } else {
        const double value = std::fmod(std::trunc(percent * 2.55 + 0.5), 256.0);
        scaled = static_cast<long long>(value);
    }
    return static_cast<std::uint8_t>(static_cast<unsigned long long>(scaled) & 0xFFu);
}

wxString unscalePercent(std::uint8_t value) {
    return formatReal(value * 100.0 / 255.0, 1);
}

void readPoint(const NamedNode::Ptr& node, SPPOINTDEF& point) {
    point.x = scalePercent(readRealValue(node, wxT("x")));
    point.y = scalePercent(readRealValue(node, wxT("y")));
}

void readCurve(const NamedNode::Ptr& node, SPCURVEDEF& curve) {
    for (const auto& point : indexedChildren(node, "Point", SP_CURVE_POINTS)) {
        readPoint(point.second, curve.Points[point.first]);
    }
}

}  // namespace

// ---- InkLevels --------------------------------------------------------------

InkLevels::InkLevels() : m_levels(new SPINKLEVELEX()) {}

InkLevels::InkLevels(const SPINKLEVELEX* levels)
    : m_levels(levels ? new SPINKLEVELEX(*levels) : new SPINKLEVELEX()) {}

InkLevels::InkLevels(const InkLevels& other) : m_levels(new SPINKLEVELEX(*other.m_levels)) {}

InkLevels& InkLevels::operator=(const InkLevels& other) {
    if (this != &other) {
        m_levels.reset(new SPINKLEVELEX(*other.m_levels));
    }
    return *this;
}

InkLevels::~InkLevels() = default;

SPINKLEVELEX* InkLevels::getSpInkLevel() const {
    return m_levels.get();
}

// ---- InkCurve ---------------------------------------------------------------

InkCurve::InkCurve() : m_curve(newInkCurve(nullptr)) {}

InkCurve::InkCurve(const InkCurve& other) : m_curve(newInkCurve(other.m_curve.get())) {}

InkCurve& InkCurve::operator=(const InkCurve& other) {
    if (this != &other) {
        m_curve = newInkCurve(other.m_curve.get());
    }
    return *this;
}

InkCurve::~InkCurve() = default;

SPINKCURVE* InkCurve::getSpInkCurve() const {
    return m_curve.get();
}

void InkCurve::setResolution(const wxString& resolution) {
    detail::setFixedText(m_curve->Resolution, SP_RESNAME_SIZE, resolution);
}

// ---- DataStrategy<SPINKLEVELEX> -----------------------------------------------

DataStrategy<SPINKLEVELEX>::~DataStrategy() = default;

void DataStrategy<SPINKLEVELEX>::load(NamedNode::Ptr node, Value& levels) const {
    if (!node) {
        return;
    }
    for (const NamedNode::Ptr& child : *node) {
        levels[child->getNameUtf8()] = readIntValue(child, wxT("value"));
    }
}

void DataStrategy<SPINKLEVELEX>::storeInto(boost::shared_ptr<Value> levels,
                                           NamedNode::Ptr node) const {
    if (!levels || !node) {
        return;
    }
    node->clearChildren();
    int position = 0;
    for (const auto& entry : *levels) {
        NamedNode::Ptr child = NamedNode::Create(kernel::fromMB(entry.first));
        child->setAttribute(wxT("value"), formatInt(entry.second));
        child->setAttribute(wxT("position"), formatInt(position++));
        child->addTo(node);
    }
}

// ---- DataStrategy<InkLevels> --------------------------------------------------

DataStrategy<InkLevels>::~DataStrategy() = default;

boost::shared_ptr<InkLevels> DataStrategy<InkLevels>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<InkLevels> levels(new InkLevels());
    load(node, *levels);
    return levels;
}

void DataStrategy<InkLevels>::load(NamedNode::Ptr node, Value& levels) const {
    DataStrategy<SPINKLEVELEX>().load(node, *levels.getSpInkLevel());
}

void DataStrategy<InkLevels>::storeInto(boost::shared_ptr<Value> levels,
                                        NamedNode::Ptr node) const {
    if (!levels) {
        return;
    }
    // Shares the map with `levels`, which outlives the call.
    DataStrategy<SPINKLEVELEX>().storeInto(
        boost::shared_ptr<SPINKLEVELEX>(levels, levels->getSpInkLevel()), node);
}

NamedNode::Ptr DataStrategy<InkLevels>::storeNew(boost::shared_ptr<Value> levels,
                                                 NamedNode::Ptr parent,
                                                 const wxString& name) const {
    return engine::storeAsChild(*this, levels, parent, name);
}

// ---- DataStrategy<SPPOINTDEF>, DataStrategy<SPCURVEDEF> ---------------------------

DataStrategy<SPPOINTDEF>::~DataStrategy() = default;

void DataStrategy<SPPOINTDEF>::load(NamedNode::Ptr node, Value& point) const {
    if (node) {
        readPoint(node, point);
    }
}

void DataStrategy<SPPOINTDEF>::storeInto(boost::shared_ptr<Value> point,
                                         NamedNode::Ptr node) const {
    if (!point || !node) {
        return;
    }
    node->setAttribute(wxT("x"), unscalePercent(point->x));
    node->setAttribute(wxT("y"), unscalePercent(point->y));
}

DataStrategy<SPCURVEDEF>::~DataStrategy() = default;

void DataStrategy<SPCURVEDEF>::load(NamedNode::Ptr node, Value& curve) const {
    readCurve(node, curve);
}

void DataStrategy<SPCURVEDEF>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

// ---- DataStrategy<InkCurve> ---------------------------------------------------

DataStrategy<InkCurve>::~DataStrategy() = default;

boost::shared_ptr<InkCurve> DataStrategy<InkCurve>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<InkCurve> curve(new InkCurve());
    load(node, *curve);
    return curve;
}

void DataStrategy<InkCurve>::load(NamedNode::Ptr node, Value& value) const {
    if (!node) {
        return;
    }
    SPINKCURVE& curves = *value.getSpInkCurve();
    const IndexedChildren inks = indexedChildren(node, "Ink", SP_MAX_CURVEINKS);
    curves.InkCount = static_cast<std::uint8_t>(inks.size());
    for (const auto& ink : inks) {
        const int i = ink.first;
        int count = 0;
        for (const auto& curve : indexedChildren(ink.second, "Curve", SP_MAX_INKCURVES)) {
            readCurve(curve.second, curves.Curves[i][curve.first]);
            count = curve.first + 1;
        }
        curves.CurveCounts[i] = static_cast<std::uint8_t>(count);
        readTextValue(curves.InkNames[i], ink.second, wxT("value"), SP_INKNAME_SIZE - 1);
    }
}

void DataStrategy<InkCurve>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

}  // namespace repos
}  // namespace vexa
