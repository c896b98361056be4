#include "repos/StringArrays.h"

#include <string>

#include "EngineSupport.h"
#include "kernel/Text.h"

namespace vexa {
namespace repos {

using kernel::fromMB;
using kernel::toMB;

namespace {

// Assignment shared by the wrappers: copy first, so a failed copy leaves
// the target as it was.
void assignStral(SSTRAL*& target, const SSTRAL* source) {
    SSTRAL* copy = engine::copyStral(source);
    stral_free(target);
    target = copy;
}

}  // namespace

// ---- PageSizes ------------------------------------------------------------

PageSizes::PageSizes() : m_stral(engine::makeStral()) {}

PageSizes::PageSizes(SSTRAL* array) : m_stral(engine::copyStral(array)) {}

PageSizes::PageSizes(const PageSizes& other) : m_stral(engine::copyStral(other.m_stral)) {}

PageSizes& PageSizes::operator=(const PageSizes& other) {
    if (this != &other) {
        assignStral(m_stral, other.m_stral);
    }
    return *this;
}

PageSizes::~PageSizes() {
    stral_free(m_stral);
}

// ---- PassInfo -------------------------------------------------------------

PassInfo::PassInfo() : m_stral(engine::makeStral()) {}

PassInfo::PassInfo(const SSTRAL* array) : m_stral(engine::copyStral(array)) {}

PassInfo::PassInfo(const PassInfo& other) : m_stral(engine::copyStral(other.m_stral)) {}

PassInfo& PassInfo::operator=(const PassInfo& other) {
    if (this != &other) {
        assignStral(m_stral, other.m_stral);
    }
    return *this;
}

PassInfo::~PassInfo() {
    stral_free(m_stral);
}

// ---- PortList -------------------------------------------------------------

PortList::PortList() : m_stral(engine::makeStral()) {}

PortList::PortList(const SSTRAL* array) : m_stral(engine::copyStral(array)) {}

PortList::PortList(const PortList& other) : m_stral(engine::copyStral(other.m_stral)) {}

PortList& PortList::operator=(const PortList& other) {
    if (this != &other) {
        assignStral(m_stral, other.m_stral);
    }
    return *this;
}

PortList::~PortList() {
    stral_free(m_stral);
}

// ---- DataStrategy<PageSizes> ----------------------------------------------

namespace {

const wchar_t* const kSizeAttributes[] = {L"width", L"height", L"access", L"type",
                                          L"left",  L"top",    L"right",  L"bottom"};

}  // namespace

DataStrategy<PageSizes>::~DataStrategy() = default;

boost::shared_ptr<PageSizes> DataStrategy<PageSizes>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<PageSizes> value(new PageSizes);
    load(node, *value);
    return value;
}

void DataStrategy<PageSizes>::load(NamedNode::Ptr node, PageSizes& value) const {
    SSTRAL* array = value.getStral();
    engine::emptyStral(array);
    if (!node) {
        return;
    }
    for (const NamedNode::Ptr& child : *node) {
        std::string texts[9];
        texts[0] = engine::utf8ToMbcs(child->getNameUtf8());
        for (int i = 0; i < 8; ++i) {
            bytesOf(child, kSizeAttributes[i], texts[i + 1]);
        }
        engine::checkAdded(stral_add(
            array, -1, engine::kListRow, texts[0].c_str(), texts[1].c_str(), texts[2].c_str(),
            texts[3].c_str(), texts[4].c_str(), texts[5].c_str(), texts[6].c_str(),
            texts[7].c_str(), texts[8].c_str(), static_cast<const char*>(nullptr)));
    }
}

void DataStrategy<PageSizes>::storeInto(boost::shared_ptr<PageSizes> value,
                                        NamedNode::Ptr node) const {
    if (!value || !node) {
        return;
    }
    node->clearChildren();
    for (const SSTRALROW* row = value->getStral()->first; row != nullptr; row = row->next) {
        NamedNode::Ptr child =
            NamedNode::Create(fromMB(engine::mbcsToUtf8(engine::rowText(row, 0))));
        for (int i = 0; i < 4; ++i) {
            child->setAttribute(wxString(kSizeAttributes[i]), engine::rowWText(row, i + 1));
        }
        // Margins only when the row has them: a sixth text that is not empty.
        if (row->count > 5 && !engine::rowText(row, 5).empty()) {
            for (int i = 4; i < 8; ++i) {
                child->setAttribute(wxString(kSizeAttributes[i]), engine::rowWText(row, i + 1));
            }
        }
        child->addTo(node);
    }
}

NamedNode::Ptr DataStrategy<PageSizes>::storeNew(boost::shared_ptr<PageSizes> value,
                                                 NamedNode::Ptr parent,
                                                 const wxString& name) const {
    return engine::storeAsChild(*this, value, parent, name);
}

// ---- DataStrategy<PassInfo> -----------------------------------------------

DataStrategy<PassInfo>::~DataStrategy() = default;

boost::shared_ptr<PassInfo> DataStrategy<PassInfo>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<PassInfo> value(new PassInfo);
    load(node, *value);
    return value;
}

void DataStrategy<PassInfo>::load(NamedNode::Ptr node, PassInfo& value) const {
    SSTRAL* array = value.getStral();
    engine::emptyStral(array);
    if (!node) {
        return;
    }
    for (const NamedNode::Ptr& child : *node) {
        const std::string passValue = bytesOf(child, wxS("value"));
        const std::string id = bytesOf(child, wxS("id"));
        engine::checkAdded(stral_add(array, -1, engine::kListRow, passValue.c_str(), id.c_str(),
                                     static_cast<const char*>(nullptr)));
    }
}

void DataStrategy<PassInfo>::storeInto(boost::shared_ptr<PassInfo> value,
                                       NamedNode::Ptr node) const {
    if (!value || !node) {
        return;
    }
    node->clearChildren();
    long long index = 0;
    for (const SSTRALROW* row = value->getStral()->first; row != nullptr; row = row->next) {
        NamedNode::Ptr child = NamedNode::Create(wxS("Pass") + formatInt(index++));
        child->setAttribute(wxS("value"), engine::rowWText(row, 0));
        child->setAttribute(wxS("id"), engine::rowWText(row, 1));
        child->addTo(node);
    }
}

// ---- DataStrategy<PortList> -----------------------------------------------

DataStrategy<PortList>::~DataStrategy() = default;

boost::shared_ptr<PortList> DataStrategy<PortList>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<PortList> value(new PortList);
    load(node, *value);
    return value;
}

void DataStrategy<PortList>::load(NamedNode::Ptr node, PortList& value) const {
    if (!node) {
        return;
    }
    SSTRAL* array = value.getStral();
    engine::emptyStral(array);
    for (const NamedNode::Ptr& child : *node) {
        const std::string port = child->getNameUtf8();
        const std::string type = bytesOf(child, wxS("type"));
        const std::string portValue = bytesOf(child, wxS("value"));
        engine::checkAdded(stral_add(array, -1, engine::kListRow, port.c_str(), type.c_str(),
                                     portValue.c_str(), static_cast<const char*>(nullptr)));
    }
}

void DataStrategy<PortList>::storeInto(boost::shared_ptr<PortList> value,
                                       NamedNode::Ptr node) const {
    if (!value || value->getStral()->first == nullptr) {
        // No ports: the setting goes away rather than staying as an empty list.
        if (node) {
            node->detach();
        }
        return;
    }
    if (!node) {
        return;
    }
    node->setName(wxString(wxS("PortList")));
    node->clearChildren();
    for (const SSTRALROW* row = value->getStral()->first; row != nullptr; row = row->next) {
        NamedNode::Ptr child = NamedNode::Create(engine::rowWText(row, 0));
        child->setAttribute(wxS("type"), engine::rowWText(row, 1));
        child->setAttribute(wxS("value"), engine::rowWText(row, 2));
        child->addTo(node);
    }
}

NamedNode::Ptr DataStrategy<PortList>::storeNew(boost::shared_ptr<PortList> value,
                                                NamedNode::Ptr parent, const wxString& name) const {
    return engine::storeAsChild(*this, value, parent, name);
}

}  // namespace repos
}  // namespace vexa
