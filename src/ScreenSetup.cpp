#include "repos/ScreenSetup.h"

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

_SCREENSETUP* newRecord() {
    return engine::allocateZeroed<_SCREENSETUP>();
}

boost::shared_ptr<_SCREENSETUP> own(_SCREENSETUP* first) {
    try {
        return boost::shared_ptr<_SCREENSETUP>(first, &ScreenSetup::freeChain);
    } catch (...) {
        ScreenSetup::freeChain(first);
        throw;
    }
}

const wchar_t* const kScreenAttributes[] = {L"lpi", L"angle", L"function", L"placement", L"shades"};

// Refills `record` from a set-up child: its name and a new screen array
// with one row per screen child. The record's old array is released.
void fillRecord(_SCREENSETUP* record, const NamedNode::Ptr& setup) {
    SSTRAL* screens = engine::makeStral();
    try {
        for (const NamedNode::Ptr& screen : *setup) {
            std::string texts[6];
            texts[0] = screen->getNameUtf8();
            for (int i = 0; i < 5; ++i) {
                bytesOf(screen, kScreenAttributes[i], texts[i + 1]);
            }
            engine::checkAdded(stral_add(screens, -1, engine::kScreenRow, texts[0].c_str(),
                                         texts[1].c_str(), texts[2].c_str(), texts[3].c_str(),
                                         texts[4].c_str(), texts[5].c_str(),
                                         static_cast<const char*>(nullptr)));
        }
    } catch (...) {
        stral_free(screens);
        throw;
    }
    stral_free(record->screens);
    record->screens = screens;
    engine::setField(record->name, sizeof record->name, setup->getNameUtf8());
}

}  // namespace

_SCREENSETUP* ScreenSetup::copyChain(const _SCREENSETUP* first) {
    _SCREENSETUP* head = nullptr;
    _SCREENSETUP** link = &head;
    try {
        for (const _SCREENSETUP* record = first; record != nullptr; record = record->next) {
            _SCREENSETUP* copy = newRecord();
            *link = copy;
            link = &copy->next;
            std::memcpy(copy->name, record->name, sizeof copy->name);
            if (record->screens != nullptr) {
                copy->screens = engine::copyStral(record->screens);
            }
        }
    } catch (...) {
        freeChain(head);
        throw;
    }
    return head;
}

void ScreenSetup::freeChain(_SCREENSETUP* first) {
    while (first != nullptr) {
        _SCREENSETUP* next = first->next;
        stral_free(first->screens);
        std::free(first);
        first = next;
    }
}

ScreenSetup::ScreenSetup() : m_first(own(newRecord())) {}

ScreenSetup::ScreenSetup(const _SCREENSETUP* first)
    : m_first(own(first != nullptr ? copyChain(first) : newRecord())) {}

ScreenSetup::ScreenSetup(const ScreenSetup& other) : m_first(own(copyChain(other.m_first.get()))) {}

ScreenSetup& ScreenSetup::operator=(const ScreenSetup& other) {
    if (this != &other) {
        m_first = own(copyChain(other.m_first.get()));
    }
    return *this;
}

ScreenSetup::~ScreenSetup() = default;

// ---- DataStrategy<ScreenSetup> ----------------------------------------------

DataStrategy<ScreenSetup>::~DataStrategy() = default;

boost::shared_ptr<ScreenSetup> DataStrategy<ScreenSetup>::load(NamedNode::Ptr node) const {
    boost::shared_ptr<ScreenSetup> value(new ScreenSetup);
    load(node, *value);
    return value;
}

void DataStrategy<ScreenSetup>::load(NamedNode::Ptr node, ScreenSetup& value) const {
    if (!node || node->isLeaf()) {
        return;
    }
    _SCREENSETUP* record = value.getScreenSetup();
    // Records beyond the first are rebuilt from the children.
    ScreenSetup::freeChain(record->next);
    record->next = nullptr;
    bool first = true;
    for (const NamedNode::Ptr& setup : *node) {
        if (!first) {
            record->next = newRecord();
            record = record->next;
        }
        first = false;
        fillRecord(record, setup);
    }
}

void DataStrategy<ScreenSetup>::storeInto(boost::shared_ptr<ScreenSetup> value,
                                          NamedNode::Ptr node) const {
    if (!value || !node) {
        return;
    }
    node->setName(wxString(wxS("DefaultScreenSetup")));
    node->clearChildren();
    for (const _SCREENSETUP* record = value->getScreenSetup(); record != nullptr;
         record = record->next) {
        NamedNode::Ptr setup =
            NamedNode::Create(fromMB(engine::field(record->name, sizeof record->name)));
        setup->addTo(node);
        for (const SSTRALROW* row = record->screens ? record->screens->first : nullptr;
             row != nullptr; row = row->next) {
            NamedNode::Ptr screen = NamedNode::Create(engine::rowWText(row, 0));
            for (int i = 0; i < 5; ++i) {
                screen->setAttribute(wxString(kScreenAttributes[i]), engine::rowWText(row, i + 1));
            }
            screen->addTo(setup);
        }
    }
}

NamedNode::Ptr DataStrategy<ScreenSetup>::storeNew(boost::shared_ptr<ScreenSetup> value,
                                                   NamedNode::Ptr parent,
                                                   const wxString& name) const {
    return engine::storeAsChild(*this, value, parent, name);
}

}  // namespace repos
}  // namespace vexa
