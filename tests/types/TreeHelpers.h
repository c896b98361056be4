// Small helpers for building and inspecting settings trees in the data type
// tests. Texts are UTF-8 and converted only through toWx and toUtf8, so the
// tests behave the same under LC_ALL=C.
#ifndef VEXA_TESTS_TYPES_TREEHELPERS_H
#define VEXA_TESTS_TYPES_TREEHELPERS_H

#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/TestSupport.h"
#include "kernel/VexKernel.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace test {

typedef std::initializer_list<std::pair<const char*, const char*>> Attrs;

// A new child of `parent` (a root when `parent` is empty) with attributes.
inline repos::NamedNode::Ptr addChild(const repos::NamedNode::Ptr& parent, const std::string& name,
                                      Attrs attributes = {}) {
    repos::NamedNode::Ptr node = repos::NamedNode::Create(toWx(name));
    for (const auto& attribute : attributes) {
        node->setAttribute(toWx(attribute.first), toWx(attribute.second));
    }
    if (parent) {
        node->addTo(parent);
    }
    return node;
}

inline repos::NamedNode::Ptr root(const std::string& name = "Printer") {
    return addChild(repos::NamedNode::Ptr(), name);
}

// The attribute as UTF-8.
inline std::string attr(const repos::NamedNode::Ptr& node, const char* key) {
    return toUtf8(node->getAttribute(toWx(key)));
}

inline std::string name(const repos::NamedNode::Ptr& node) {
    return toUtf8(node->getName());
}

// Children's names joined with ",".
inline std::string childNames(const repos::NamedNode::Ptr& node) {
    std::string names;
    bool first = true;
    for (const repos::NamedNode::Ptr& child : *node) {
        names += (first ? "" : ",") + name(child);
        first = false;
    }
    return names;
}

// The whole subtree as one text, for comparing trees: name, attributes in
// key order, then the children in child order.
inline std::string dump(const repos::NamedNode::Ptr& node) {
    std::string text = name(node) + "{";
    for (const auto& attribute : node->getAttributes()) {
        text += toUtf8(attribute.first) + "=" + toUtf8(attribute.second) + ";";
    }
    for (const repos::NamedNode::Ptr& child : *node) {
        text += dump(child);
    }
    return text + "}";
}

// The child at `index` in child order; empty when there is none.
inline repos::NamedNode::Ptr childAt(const repos::NamedNode::Ptr& node, std::size_t index) {
    for (const repos::NamedNode::Ptr& child : *node) {
        if (index-- == 0) {
            return child;
        }
    }
    return repos::NamedNode::Ptr();
}

// String arrays as plain rows of texts, for building and comparing.
typedef std::vector<std::vector<std::string>> Rows;

struct StralFree {
    void operator()(SSTRAL* array) const { stral_free(array); }
};
typedef std::unique_ptr<SSTRAL, StralFree> StralPtr;

// Appends one row of up to nine texts: the list ends at the first null.
inline void addRow(SSTRAL* array, const std::vector<std::string>& t, int kind = 0x51) {
    if (t.empty() || t.size() > 9) {
        throw std::invalid_argument("addRow: unsupported row width");
    }
    const char* c[9] = {};
    for (std::size_t i = 0; i < t.size(); ++i) {
        c[i] = t[i].c_str();
    }
    if (stral_add(array, -1, kind, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8],
                  static_cast<const char*>(nullptr)) != 0) {
        throw std::runtime_error("stral_add failed");
    }
}

inline StralPtr makeStral(const Rows& rows, int kind = 0x51) {
    StralPtr array(_stral_new());
    for (const auto& row : rows) {
        addRow(array.get(), row, kind);
    }
    return array;
}

inline Rows rowsOf(const SSTRAL* array) {
    Rows rows;
    for (const SSTRALROW* row = array ? array->first : nullptr; row != nullptr; row = row->next) {
        std::vector<std::string> texts;
        for (int i = 0; i < row->count; ++i) {
            texts.push_back(row->texts[i] ? row->texts[i] : "<null>");
        }
        rows.push_back(texts);
    }
    return rows;
}

// Kinds of the rows, in order.
inline std::vector<int> kindsOf(const SSTRAL* array) {
    std::vector<int> kinds;
    for (const SSTRALROW* row = array ? array->first : nullptr; row != nullptr; row = row->next) {
        kinds.push_back(row->kind);
    }
    return kinds;
}

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_TYPES_TREEHELPERS_H
