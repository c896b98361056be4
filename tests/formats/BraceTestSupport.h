// Helpers shared by the brace format tests.
#ifndef VEXA_TESTS_FORMATS_BRACETESTSUPPORT_H
#define VEXA_TESTS_FORMATS_BRACETESTSUPPORT_H

#include <wx/mstream.h>

#include <string>
#include <vector>

#include "kernel/Text.h"
#include "repos/FParseSettingsStrategy.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace test {

inline std::string storeBrace(const repos::NamedNode::Ptr& root) {
    wxMemoryOutputStream out;
    repos::FParseSettingsStrategy().store(root, out);
    const std::size_t size = out.GetSize();
    std::string bytes(size, '\0');
    out.CopyTo(&bytes[0], size);
    return bytes;
}

inline repos::NamedNode::Ptr loadBrace(const std::string& bytes) {
    wxMemoryInputStream in(bytes.data(), bytes.size());
    return repos::FParseSettingsStrategy().load(in);
}

// The tree as text: name, attributes in key order and children, nested
// with braces. Iterative, so deep trees are fine.
inline std::string describeTree(const repos::NamedNode::Ptr& root) {
    using repos::NamedNode;
    std::string text;
    struct Step {
        NamedNode::Ptr node;
        bool close;
    };
    std::vector<Step> pending{{root, false}};
    while (!pending.empty()) {
        Step step = pending.back();
        pending.pop_back();
        if (step.close) {
            text += "}";
            continue;
        }
        text += "[" + kernel::toMB(step.node->getName()) + "]";
        for (const auto& attribute : step.node->getAttributes()) {
            text +=
                " " + kernel::toMB(attribute.first) + "=<" + kernel::toMB(attribute.second) + ">";
        }
        text += "{";
        pending.push_back({step.node, true});
        const NamedNode::Children& children = step.node->getChildren();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            pending.push_back({*it, false});
        }
    }
    return text;
}

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_FORMATS_BRACETESTSUPPORT_H
