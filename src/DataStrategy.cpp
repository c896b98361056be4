#include "repos/DataStrategy.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "EngineSupport.h"
#include "kernel/Text.h"
#include "kernel/VexKernel.h"
#include "logger/Log.h"
#include "repos/DataCouple.h"

namespace vexa {
namespace repos {

using kernel::fromMB;
using kernel::toMB;

namespace {

// Numbers are read from the node's UTF-8 text as it is stored.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c, int base) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (base == 16 && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (base == 16 && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}


// `text` read as a whole signed decimal int: an optional sign then digits,
// nothing else. False for anything else, including values beyond int.
bool parseWholeInt(std::string_view text, int& result) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return false;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX || value < INT_MIN) {
        return false;
    }
    result = static_cast<int>(value);
    return true;
}

// The index `name` carries after `prefix`, when it is one to take.
bool indexOf(std::string_view name, std::string_view prefix, int limit, int& index) {
    if (name.substr(0, prefix.size()) != prefix) {
        return false;
    }
    int value = 0;
    if (!parseWholeInt(name.substr(prefix.size()), value) || value < 0) {
        return false;
    }
    if (limit >= 1 && value >= limit) {
        return false;
    }
    index = value;
    return true;
}

}  // namespace

bool bytesOf(const NamedNode::Ptr& node, const wxChar* attribute, std::string& bytes) {
    return node ? node->readAttribute(attribute, bytes) : (bytes.clear(), false);
}

std::string bytesOf(const NamedNode::Ptr& node, const wxChar* attribute) {
    std::string bytes;
    bytesOf(node, attribute, bytes);
    return bytes;
}

int intFromText(const char* p) {
    while (isBlank(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (*p - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

namespace {

std::uint32_t unsignedFromText(std::string_view text, int base) {
    if (base != 10 && base != 16) {
        return 0;
    }
    std::size_t i = 0;
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        i = 2;
    }
    if (i == text.size()) {
        return 0;
    }
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0) {
            return 0;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) {
            return 0;
        }
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace

int readIntValue(const NamedNode::Ptr& node, const wxString& attribute) {
    return readIntValue(node, attribute.wc_str());
}

int readIntValue(const NamedNode::Ptr& node, const wxChar* attribute) {
    std::string text;
    return bytesOf(node, attribute, text) ? intFromText(text.c_str()) : 0;
}

std::uint32_t readUnsignedValue(const NamedNode::Ptr& node, const wxString& attribute, int base) {
    return readUnsignedValue(node, attribute.wc_str(), base);
}

std::uint32_t readUnsignedValue(const NamedNode::Ptr& node, const wxChar* attribute, int base) {
    std::string text;
    return bytesOf(node, attribute, text) ? unsignedFromText(text, base) : 0;
}

std::uint32_t parseUnsigned(const wxString& text, int base) {
    // A wide character that is no ASCII digit is no digit in its bytes
    // either.
    return unsignedFromText(toMB(text), base);
}

std::uint32_t parseUnsigned(const std::string& text, int base) {
    return unsignedFromText(text, base);
}

void readTextValue(char* buffer, const NamedNode::Ptr& node, const wxString& attribute,
                   std::size_t maximum) {
    readTextValue(buffer, node, attribute.wc_str(), maximum);
}

void readTextValue(char* buffer, const NamedNode::Ptr& node, const wxChar* attribute,
                   std::size_t maximum) {
    if (buffer == nullptr) {
        return;
    }
    // Zero the whole field first, as a padded copy does: a structure read
    // twice compares equal byte for byte.
    std::memset(buffer, 0, maximum + 1);
    std::string text;
    if (bytesOf(node, attribute, text) && !text.empty()) {
        kernel::copyTextCut(buffer, text, maximum);
    }
}

double readRealValue(const NamedNode::Ptr& node, const wxString& attribute) {
    return readRealValue(node, attribute.wc_str());
}

double readRealValue(const NamedNode::Ptr& node, const wxChar* attribute) {
    return node ? OatofEx(bytesOf(node, attribute).c_str()) : 0.0;
}

wxString formatReal(double value, int decimals) {
    if (decimals < 0) {
        decimals = 0;
    } else if (decimals > 64) {
        decimals = 64;
    }
    char format[16];
    std::snprintf(format, sizeof format, "%%.%df", decimals);
    // The widest result is DBL_MAX: 309 digits, sign, point and 64 decimals.
    char buffer[512];
    const int written = OsnprintfEx(buffer, sizeof buffer, format, value);
    if (written < 0) {
        return wxString();
    }
    return fromMB(buffer);
}

NamedNode::Ptr prepareChild(const NamedNode::Ptr& parent, const wxString& name) {
    if (!parent) {
        return NamedNode::Ptr();
    }
    NamedNode::Ptr child = parent->findChild(name);
    if (!child) {
        child = NamedNode::Create(name);
        child->addTo(parent);
    }
    child->getData()->attributes.clear();
    return child;
}

void removeChild(const NamedNode::Ptr& parent, const wxString& name) {
    if (!parent) {
        return;
    }
    if (NamedNode::Ptr child = parent->findChild(name)) {
        child->detach();
    }
}

namespace {

// Puts `entries`, gathered in document order, in ascending order of their
// numbers, keeping only the last of equal numbers. Files list them in order
// already: one pass finds that.
template <class Entry>
void orderByIndex(std::vector<Entry>& entries) {
    const auto byIndex = [](const Entry& a, const Entry& b) { return a.first < b.first; };
    if (!std::is_sorted(entries.begin(), entries.end(), byIndex)) {
        std::stable_sort(entries.begin(), entries.end(), byIndex);
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (kept > 0 && entries[kept - 1].first == entries[i].first) {
            entries[kept - 1] = std::move(entries[i]);
        } else {
            if (kept != i) {
                entries[kept] = std::move(entries[i]);
            }
            ++kept;
        }
    }
    entries.resize(kept);
}

}  // namespace

IndexedChildren indexedChildren(const NamedNode::Ptr& node, std::string_view prefix, int limit) {
    IndexedChildren result;
    if (!node) {
        return result;
    }
    result.reserve(node->getChildCount());
    for (const NamedNode::Ptr& child : *node) {
        int index = 0;
        if (indexOf(child->getNameUtf8(), prefix, limit, index)) {
            result.emplace_back(index, child);
        }
    }
    orderByIndex(result);
    return result;
}

IndexedTexts indexedAttributes(const NamedNode::Ptr& node, std::string_view prefix, int limit) {
    IndexedTexts result;
    if (!node) {
        return result;
    }
    result.reserve(node->getAttributeCount());
    node->forEachAttribute([&](std::string_view key, std::string_view value) {
        int index = 0;
        if (indexOf(key, prefix, limit, index)) {
            result.emplace_back(index, std::string(value));
        }
    });
    orderByIndex(result);
    return result;
}

wxString formatInt(long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", value);
    return fromMB(buffer);
}

wxString formatUnsigned(unsigned long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lu", value);
    return fromMB(buffer);
}

wxString formatHex8(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<unsigned>(value));
    return fromMB(buffer);
}

wxString formatHex(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(value));
    return fromMB(buffer);
}

NamedNode::Ptr appendValueChild(const NamedNode::Ptr& parent, const wxString& name,
                                const wxString& text) {
    NamedNode::Ptr child = NamedNode::Create(name);
    child->setAttribute(wxS("value"), text);
    child->addTo(parent);
    return child;
}

wxString childValue(const NamedNode::Ptr& node, const wxString& name, bool* found) {
    NamedNode::Ptr child = node ? node->findChild(name) : NamedNode::Ptr();
    if (found != nullptr) {
        *found = static_cast<bool>(child);
    }
    return child ? child->getAttribute(wxS("value")) : wxString();
}

namespace detail {

void reportWriteBackFailure(const char* reason) noexcept {
    try {
        VEXA_LOG_WARNING("Writing a changed value back failed: %s",
                         fromMB(reason != nullptr ? reason : ""));
    } catch (...) {
        // Called from destructors: nothing may leave.
    }
}

}  // namespace detail

// ---- String list ----------------------------------------------------------

DataStrategy<std::list<wxString>>::~DataStrategy() = default;

boost::shared_ptr<std::list<wxString>> DataStrategy<std::list<wxString>>::load(
    NamedNode::Ptr node) const {
    boost::shared_ptr<Value> value(new Value);
    load(node, *value);
    return value;
}

void DataStrategy<std::list<wxString>>::load(NamedNode::Ptr node, Value& list) const {
    if (!node) {
        return;
    }
    list.clear();
    for (const NamedNode::Ptr& child : *node) {
        list.push_back(child->getName());
    }
}

void DataStrategy<std::list<wxString>>::storeInto(boost::shared_ptr<Value> list,
                                                  NamedNode::Ptr node) const {
    if (!node) {
        return;
    }
    node->setName(wxString(wxS("PageSizes")));
    if (!list) {
        return;
    }
    node->clearChildren();
    for (const wxString& name : *list) {
        NamedNode::Create(name)->addTo(node);
    }
}

NamedNode::Ptr DataStrategy<std::list<wxString>>::storeNew(boost::shared_ptr<Value> list,
                                                           NamedNode::Ptr parent,
                                                           const wxString& name) const {
    return engine::storeAsChild(*this, list, parent, name);
}

// ---- String map -----------------------------------------------------------

DataStrategy<std::map<wxString, wxString>>::~DataStrategy() = default;

boost::shared_ptr<std::map<wxString, wxString>> DataStrategy<std::map<wxString, wxString>>::load(
    NamedNode::Ptr node) const {
    boost::shared_ptr<Value> value(new Value);
    load(node, *value);
    return value;
}

void DataStrategy<std::map<wxString, wxString>>::load(NamedNode::Ptr node, Value& map) const {
    if (!node) {
        return;
    }
    map.clear();
    for (const NamedNode::Ptr& child : *node) {
        map[child->getName()] = child->getAttribute(wxS("value"));
    }
}

void DataStrategy<std::map<wxString, wxString>>::storeInto(boost::shared_ptr<Value> map,
                                                           NamedNode::Ptr node) const {
    if (!map || !node) {
        return;
    }
    node->clearChildren();
    node->setName(wxString(wxS("TableDefaults")));
    for (const auto& entry : *map) {
        appendValueChild(node, entry.first, entry.second);
    }
}

NamedNode::Ptr DataStrategy<std::map<wxString, wxString>>::storeNew(boost::shared_ptr<Value> map,
                                                                    NamedNode::Ptr parent,
                                                                    const wxString& name) const {
    return engine::storeAsChild(*this, map, parent, name);
}

// ---- Raw node data ----------------------------------------------------------

DataStrategy<NamedNodeData>::~DataStrategy() = default;

boost::shared_ptr<NamedNodeData> DataStrategy<NamedNodeData>::load(NamedNode::Ptr node) const {
    return node ? node->getData() : boost::shared_ptr<NamedNodeData>();
}

void DataStrategy<NamedNodeData>::load(NamedNode::Ptr node, Value& data) const {
    if (node) {
        data = *node->getData();
    }
}

void DataStrategy<NamedNodeData>::storeInto(boost::shared_ptr<Value>, NamedNode::Ptr) const {}

}  // namespace repos
}  // namespace vexa
