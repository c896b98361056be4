// Small helpers for building and inspecting settings trees in the data type
// tests. Texts are UTF-8 and converted only through the kernel helpers, so
// the tests behave the same under LC_ALL=C.
#ifndef VEXA_TESTS_TYPES_TREEHELPERS_H
#define VEXA_TESTS_TYPES_TREEHELPERS_H

#include <initializer_list>
#include <string>
#include <utility>

#include "kernel/Text.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace test {

inline wxString W(const char* utf8) {
    return kernel::fromMB(utf8);
}
inline wxString W(const std::string& utf8) {
    return kernel::fromMB(utf8);
}

typedef std::initializer_list<std::pair<const char*, const char*>> Attrs;

// A new child of `parent` (a root when `parent` is empty) with attributes.
inline repos::NamedNode::Ptr addChild(const repos::NamedNode::Ptr& parent, const std::string& name,
                                      Attrs attributes = {}) {
    repos::NamedNode::Ptr node = repos::NamedNode::Create(W(name));
    for (const auto& attribute : attributes) {
        node->setAttribute(W(attribute.first), W(attribute.second));
    }
    if (parent) {
        node->addTo(parent);
    }
    return node;
}

// The attribute as UTF-8.
inline std::string attr(const repos::NamedNode::Ptr& node, const char* key) {
    return kernel::toMB(node->getAttribute(W(key)));
}

inline std::string name(const repos::NamedNode::Ptr& node) {
    return kernel::toMB(node->getName());
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

// The child at `index` in child order; empty when there is none.
inline repos::NamedNode::Ptr childAt(const repos::NamedNode::Ptr& node, std::size_t index) {
    for (const repos::NamedNode::Ptr& child : *node) {
        if (index-- == 0) {
            return child;
        }
    }
    return repos::NamedNode::Ptr();
}

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_TYPES_TREEHELPERS_H
