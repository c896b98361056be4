#include "FuzzSupport.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "common/SettingsText.h"

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

repos::NamedNode::Ptr load(repos::ISettingsStrategy&& strategy, const std::string& bytes) {
    wxFileOffset after = -1;
    repos::NamedNode::Ptr root = test::loadWith(std::move(strategy), bytes, &after);
    fuzzCheck(after == 0, "load leaves the stream at its start");
    return root;
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
