#include "FuzzSupport.h"

#include <wx/mstream.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "repos/XMLSettingsStrategy.h"

namespace vexa {
namespace fuzz {

namespace {

std::atomic<bool> g_throwOnFailure{false};

}  // namespace

void setThrowOnFailure(bool on) {
    g_throwOnFailure = on;
}

void fuzzCheck(bool condition, const char* what) {
    if (condition) {
        return;
    }
    if (g_throwOnFailure) {
        throw FuzzFailure(what);
    }
    std::fprintf(stderr, "broken property: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

repos::NamedNode::Ptr loadXml(const char* bytes, std::size_t size) {
    // A memory stream over no bytes still needs a valid pointer.
    static const char kNothing = 0;
    wxMemoryInputStream in(size != 0 ? bytes : &kNothing, size);
    repos::NamedNode::Ptr root = repos::XMLSettingsStrategy().load(in);
    fuzzCheck(in.TellI() == 0, "XML load leaves the stream at its start");
    return root;
}

repos::NamedNode::Ptr loadXml(const std::string& bytes) {
    return loadXml(bytes.data(), bytes.size());
}

std::string storeXml(const repos::NamedNode::Ptr& root) {
    wxMemoryOutputStream out;
    repos::XMLSettingsStrategy().store(root, out);
    const std::size_t size = out.GetSize();
    std::string bytes(size, '\0');
    if (size != 0) {
        out.CopyTo(&bytes[0], size);
    }
    return bytes;
}

bool sameTree(const repos::NamedNode::Ptr& left, const repos::NamedNode::Ptr& right) {
    using repos::NamedNode;
    std::vector<std::pair<NamedNode::Ptr, NamedNode::Ptr>> pending{{left, right}};
    while (!pending.empty()) {
        const std::pair<NamedNode::Ptr, NamedNode::Ptr> pair = std::move(pending.back());
        pending.pop_back();
        if (!pair.first || !pair.second) {
            if (pair.first || pair.second) {
                return false;
            }
            continue;
        }
        if (pair.first->getName() != pair.second->getName() ||
            pair.first->getAttributes() != pair.second->getAttributes() ||
            pair.first->getChildCount() != pair.second->getChildCount()) {
            return false;
        }
        auto l = pair.first->begin();
        auto r = pair.second->begin();
        for (; l != pair.first->end(); ++l, ++r) {
            pending.emplace_back(*l, *r);
        }
    }
    return true;
}

}  // namespace fuzz
}  // namespace vexa
