#include "repos/Resolutions.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "EngineSupport.h"
#include "kernel/Text.h"

namespace vexa {
namespace repos {

using kernel::fromMB;
using kernel::toMB;

// ---- getRoundedRes --------------------------------------------------------

namespace {

const std::string::size_type npos = std::string::npos;

// The first "x", or the first "X" when there is no "x".
std::string::size_type findX(const std::string& text) {
    const std::string::size_type lower = text.find('x');
    return lower != npos ? lower : text.find('X');
}

// The leading decimal number of `text` from `from` on (0 past the end).
double numberAt(const std::string& text, std::string::size_type from) {
    return from < text.size() ? OatofEx(text.c_str() + from) : 0.0;
}

// Nearest integer by adding 0.5 and truncating, clamped to unsigned long:
// negative and NaN give 0, anything too large ULONG_MAX.
unsigned long rounded(double value) {
    const double shifted = std::trunc(value + 0.5);
    if (!(shifted > 0.0)) {
        return 0;
    }
    // ULONG_MAX + 1 is a power of two, exactly representable.
    if (shifted >= static_cast<double>(ULONG_MAX / 2 + 1) * 2.0) {
        return ULONG_MAX;
    }
    return static_cast<unsigned long>(shifted);
}

}  // namespace

wxString ResData::getRoundedRes(const wxString& text) {
    if (text.empty()) {
        return wxString();
    }
    const std::string s = toMB(text);
    const std::string::size_type hash = s.find('#');
    const std::string q = hash != npos ? s.substr(hash + 1) : s;

    const double x = numberAt(s, 0);

    // The vertical resolution is looked for before the "@" part only.
    const std::string beforeAt = s.substr(0, s.find('@'));
    const std::string::size_type xPos = findX(beforeAt);
    double y = xPos != npos ? numberAt(beforeAt, xPos + 1) : 0.0;
    if (y == 0.0) {
        y = x;
    }

    const std::string::size_type at = q.find('@');
    double a = at != npos ? numberAt(q, at + 1) : 0.0;
    if (a == 0.0) {
        a = numberAt(q, 0);
    }
    double b = 0.0;
    if (at != npos) {
        const std::string afterAt = q.substr(at + 1);
        const std::string::size_type bx = findX(afterAt);
        b = bx != npos ? numberAt(afterAt, bx + 1) : numberAt(afterAt, 0);
    }
    if (b == 0.0) {
        const std::string::size_type qx = findX(q);
        b = qx != npos ? numberAt(q, qx + 1) : numberAt(q, 0);
    }

    const unsigned long X = rounded(x);
    const unsigned long Y = rounded(y);
    const unsigned long A = rounded(a);
    const unsigned long B = rounded(b);

    char buffer[96];
    std::string out;
    if (X == Y) {
        std::snprintf(buffer, sizeof buffer, "%lu", X);
    } else {
        std::snprintf(buffer, sizeof buffer, "%lux%lu", X, Y);
    }
    out += buffer;
    if (X != A || Y != B) {
        if (A == B) {
            std::snprintf(buffer, sizeof buffer, "@%lu", A);
        } else {
            std::snprintf(buffer, sizeof buffer, "@%lux%lu", A, B);
        }
        out += buffer;
    }
    const std::string::size_type dash = s.find('-');
    if (dash != npos) {
        out += s.substr(dash);
    }
    return fromMB(out);
}

ResData::ResData() : lineBytes(0), densityFlag(0), procOpts(0), procOptsMask(0) {}

// ---- ResScaleAdjust -------------------------------------------------------

namespace {

SPRESSCALEADJUST* newRecord() {
    return engine::allocateZeroed<SPRESSCALEADJUST>();
}

boost::shared_ptr<SPRESSCALEADJUST> own(SPRESSCALEADJUST* first) {
    if (first == nullptr) {
        return boost::shared_ptr<SPRESSCALEADJUST>();
    }
    try {
        return boost::shared_ptr<SPRESSCALEADJUST>(first, &ResScaleAdjust::freeChain);
    } catch (...) {
        ResScaleAdjust::freeChain(first);
        throw;
    }
}

}  // namespace

SPRESSCALEADJUST* ResScaleAdjust::copyChain(const SPRESSCALEADJUST* first) {
    SPRESSCALEADJUST* head = nullptr;
    SPRESSCALEADJUST** link = &head;
    try {
        for (const SPRESSCALEADJUST* record = first; record != nullptr; record = record->next) {
            SPRESSCALEADJUST* copy = newRecord();
            std::memcpy(copy, record, sizeof *copy);
            copy->next = nullptr;
            *link = copy;
            link = &copy->next;
        }
    } catch (...) {
        freeChain(head);
        throw;
    }
    return head;
}

void ResScaleAdjust::freeChain(SPRESSCALEADJUST* first) {
    while (first != nullptr) {
        SPRESSCALEADJUST* next = first->next;
        std::free(first);
        first = next;
    }
}

ResScaleAdjust::ResScaleAdjust() : m_first(own(newRecord())) {}

ResScaleAdjust::ResScaleAdjust(const SPRESSCALEADJUST* first) : m_first(own(copyChain(first))) {}

ResScaleAdjust::ResScaleAdjust(const ResScaleAdjust& other)
    : m_first(own(copyChain(other.m_first.get()))) {}

ResScaleAdjust& ResScaleAdjust::operator=(const ResScaleAdjust& other) {
    if (this != &other) {
        m_first = own(copyChain(other.m_first.get()));
    }
    return *this;
}

ResScaleAdjust::~ResScaleAdjust() = default;

// ---- ResList ----------------------------------------------------------------

ResList::ResList() : m_stral(engine::makeStral()) {}

ResList::ResList(const SSTRAL* array) : m_stral(engine::copyStral(array)) {}

ResList::ResList(const ResList& other) : m_stral(engine::copyStral(other.m_stral)) {}

ResList& ResList::operator=(const ResList& other) {
    if (this != &other) {
        SSTRAL* copy = engine::copyStral(other.m_stral);
        stral_free(m_stral);
        m_stral = copy;
    }
    return *this;
}

ResList::~ResList() {
    stral_free(m_stral);
}

// ---- DataStrategy<ResData> --------------------------------------------------

DataStrategy<ResData>::~DataStrategy() = default;

boost::shared_ptr<ResData> DataStrategy<ResData>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<ResData> value(new ResData);
    load(node, *value);
    return value;
}

void DataStrategy<ResData>::load(NamedNode::Ptr node, ResData& value) const {
    if (!node) {
        return;
    }
    // Every field is a child: one pass over the children finds them all.
    enum {
        kResolution,
        kAlias,
        kReplicate,
        kDupCount,
        kLineBytes,
        kDensityFlag,
        kProcOpts,
        kProcOptsMask,
        kFields
    };
    static const std::array<std::string_view, kFields> names = {
        "Resolution", "Alias",       "Replicate", "DupCount",
        "LineBytes",  "DensityFlag", "ProcOpts",  "ProcOptsMask"};
    const std::array<NamedNode::Ptr, kFields> fields = firstChildren(node, names);
    static const wxString kValue(wxS("value"));
    const auto text = [&fields](int field) {
        return fields[field] ? fields[field]->getAttribute(kValue) : wxString();
    };
    value.resolution = text(kResolution);
    for (const auto& alias : indexedAttributes(fields[kAlias], "A", 0)) {
        value.alias.push_back(kernel::fromMB(alias.second));
    }
    value.replicate = text(kReplicate);
    value.dupCount = text(kDupCount);
    value.lineBytes = readUnsignedValue(fields[kLineBytes], wxS("value"), 10);
    value.densityFlag = readIntValue(fields[kDensityFlag], wxS("value"));
    value.procOpts = readUnsignedValue(fields[kProcOpts], wxS("value"), 16);
    value.procOptsMask = readUnsignedValue(fields[kProcOptsMask], wxS("value"), 16);
}

void DataStrategy<ResData>::storeInto(boost::shared_ptr<ResData>, NamedNode::Ptr) const {}

// ---- DataStrategy<ResScaleAdjust> -------------------------------------------

DataStrategy<ResScaleAdjust>::~DataStrategy() = default;

boost::shared_ptr<ResScaleAdjust> DataStrategy<ResScaleAdjust>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<ResScaleAdjust> value(new ResScaleAdjust);
    load(node, *value);
    return value;
}

void DataStrategy<ResScaleAdjust>::load(NamedNode::Ptr node, ResScaleAdjust& value) const {
    if (!node || node->isLeaf()) {
        return;
    }
    if (!value.m_first) {
        value.m_first = own(newRecord());
    }
    SPRESSCALEADJUST* record = value.m_first.get();
    // Records beyond the first are rebuilt from the children.
    ResScaleAdjust::freeChain(record->next);
    record->next = nullptr;
    bool first = true;
    for (const NamedNode::Ptr& child : *node) {
        if (!first) {
            record->next = newRecord();
            record = record->next;
        }
        first = false;
        engine::setField(record->Resolution, sizeof record->Resolution, child->getNameUtf8());
        record->scaleX = readRealValue(child, wxS("scaleX"));
        record->scaleY = readRealValue(child, wxS("scaleY"));
    }
}

void DataStrategy<ResScaleAdjust>::storeInto(boost::shared_ptr<ResScaleAdjust> value,
                                             NamedNode::Ptr node) const {
    if (!value || value->getSpResScaleAdjust() == nullptr) {
        // No corrections: the setting goes away rather than staying empty.
        if (node) {
            node->detach();
        }
        return;
    }
    if (!node) {
        return;
    }
    node->setName(wxString(wxS("ResScaleAdjust")));
    node->clearChildren();
    for (const SPRESSCALEADJUST* record = value->getSpResScaleAdjust(); record != nullptr;
         record = record->next) {
        NamedNode::Ptr child =
            NamedNode::Create(fromMB(engine::field(record->Resolution, sizeof record->Resolution)));
        child->setAttribute(wxS("scaleX"), formatReal(record->scaleX, 6));
        child->setAttribute(wxS("scaleY"), formatReal(record->scaleY, 6));
        child->addTo(node);
    }
}

NamedNode::Ptr DataStrategy<ResScaleAdjust>::storeNew(boost::shared_ptr<ResScaleAdjust> value,
                                                      NamedNode::Ptr parent,
                                                      const wxString& name) const {
    return engine::storeAsChild(*this, value, parent, name);
}

// ---- DataStrategy<ResList> --------------------------------------------------

DataStrategy<ResList>::~DataStrategy() = default;

boost::shared_ptr<ResList> DataStrategy<ResList>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<ResList> value(new ResList);
    load(node, *value);
    return value;
}

void DataStrategy<ResList>::load(NamedNode::Ptr node, ResList& value) const {
    SSTRAL* array = value.getStral();
    engine::emptyStral(array);
    if (!node) {
        return;
    }
    for (const NamedNode::Ptr& child : *node) {
        const std::string name = child->getNameUtf8();
        engine::checkAdded(stral_add(array, -1, engine::kListRow, name.c_str(),
                                     static_cast<const char*>(nullptr)));
    }
}

void DataStrategy<ResList>::storeInto(boost::shared_ptr<ResList> value, NamedNode::Ptr node) const {
    if (!value || !node) {
        return;
    }
    node->clearChildren();
    for (const SSTRALROW* row = value->getStral()->first; row != nullptr; row = row->next) {
        NamedNode::Create(engine::rowWText(row, 0))->addTo(node);
    }
}

}  // namespace repos
}  // namespace vexa
