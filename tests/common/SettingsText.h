// Settings text in memory: what a strategy writes and what it reads, for
// the format tests and the fuzz targets.
#ifndef VEXA_TESTS_COMMON_SETTINGSTEXT_H
#define VEXA_TESTS_COMMON_SETTINGSTEXT_H

#include <wx/mstream.h>

#include <string>
#include <vector>

#include "kernel/Text.h"
#include "repos/FParseSettingsStrategy.h"
#include "repos/NamedNode.h"
#include "repos/XMLSettingsStrategy.h"

namespace vexa {
namespace test {

// Everything written to `out`.
inline std::string bytesOf(wxMemoryOutputStream& out) {
    std::string bytes(out.GetSize(), '\0');
    if (!bytes.empty()) {
        out.CopyTo(&bytes[0], bytes.size());
    }
    return bytes;
}

inline std::string storeWith(repos::ISettingsStrategy&& strategy,
                             const repos::NamedNode::Ptr& root) {
    wxMemoryOutputStream out;
    strategy.store(root, out);
    return bytesOf(out);
}

// The tree `strategy` reads from `bytes`, or empty; `after`, when given,
// gets where the stream stands afterwards.
inline repos::NamedNode::Ptr loadWith(repos::ISettingsStrategy&& strategy, const std::string& bytes,
                                      wxFileOffset* after = nullptr) {
    wxMemoryInputStream in(bytes.data(), bytes.size());
    repos::NamedNode::Ptr root = strategy.load(in);
    if (after != nullptr) {
        *after = in.TellI();
    }
    return root;
}

inline std::string storeBrace(const repos::NamedNode::Ptr& root) {
    return storeWith(repos::FParseSettingsStrategy(), root);
}
inline repos::NamedNode::Ptr loadBrace(const std::string& bytes) {
    return loadWith(repos::FParseSettingsStrategy(), bytes);
}
inline std::string storeXml(const repos::NamedNode::Ptr& root) {
    return storeWith(repos::XMLSettingsStrategy(), root);
}
inline repos::NamedNode::Ptr loadXml(const std::string& bytes) {
    return loadWith(repos::XMLSettingsStrategy(), bytes);
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

#endif  // VEXA_TESTS_COMMON_SETTINGSTEXT_H
