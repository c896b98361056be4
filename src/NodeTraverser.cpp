#include "repos/NodeTraverser.h"

#include <deque>
#include <vector>

namespace vexa {
namespace repos {

INodeVisitor::~INodeVisitor() = default;

TrivialNodeVisitor::~TrivialNodeVisitor() = default;
void TrivialNodeVisitor::start() {}
bool TrivialNodeVisitor::skip(NamedNode::Ptr) {
    return false;
}
void TrivialNodeVisitor::enter(NamedNode::Ptr) {}
void TrivialNodeVisitor::leave(NamedNode::Ptr) {}
void TrivialNodeVisitor::finish() {}

namespace {

// One node on the path from the root: the node and the next child to visit.
struct WalkState {
    NamedNode::Ptr node;
    NamedNode::const_iterator position;
    bool fresh;  // not yet asked skip()/enter()
};

}  // namespace

NamedNodeTraverser::NamedNodeTraverser(boost::shared_ptr<INodeVisitor> visitor)
    : m_visitor(visitor) {}

void NamedNodeTraverser::travel(NamedNode::Ptr root) {
    INodeVisitor& visitor = *m_visitor;
    visitor.start();
    if (root) {
        // The ancestors wait on an explicit stack, so depth costs memory,
        // never call-stack space.
        std::deque<WalkState> stack;
        WalkState current{root, root->begin(), true};
        bool haveCurrent = true;
        auto pop = [&]() {
            if (stack.empty()) {
                haveCurrent = false;
                return;
            }
            current = std::move(stack.back());
            stack.pop_back();
            ++current.position;
        };
        while (haveCurrent) {
            if (current.fresh) {
                current.fresh = false;
                if (visitor.skip(current.node)) {
                    pop();
                    continue;
                }
                visitor.enter(current.node);
            }
            if (current.position == current.node->end()) {
                visitor.leave(current.node);
                pop();
                continue;
            }
            NamedNode::Ptr child = *current.position;
            NamedNode::const_iterator first = child->begin();
            stack.push_back(std::move(current));
            current = WalkState{std::move(child), first, true};
        }
    }
    visitor.finish();
}

IParallelVisitor::~IParallelVisitor() = default;
INodePairing::~INodePairing() = default;

bool SameNamePairing::corresponds(const NamedNodeData& first, const NamedNodeData& second) const {
    return first.name == second.name;
}

ParallelNodeTraverser::ParallelNodeTraverser(boost::shared_ptr<IParallelVisitor> visitor,
                                             boost::shared_ptr<INodePairing> pairing)
    : m_visitor(visitor), m_pairing(pairing) {}

namespace {

struct PairState {
    NamedNode::Ptr first;
    NamedNode::Ptr second;
    std::vector<std::pair<NamedNode::Ptr, NamedNode::Ptr>> children;
    std::size_t next;
};

}  // namespace

void ParallelNodeTraverser::travel(NamedNode::Ptr first, NamedNode::Ptr second) {
    IParallelVisitor& visitor = *m_visitor;
    const INodePairing& pairing = *m_pairing;
    visitor.start();
    if (!first || !second) {
        visitor.finish();
        return;
    }
    if (!pairing.corresponds(*first->getData(), *second->getData())) {
        if (visitor.pairByMatch(second)) {
            visitor.unpaired(second, true);
        } else {
            visitor.unpairable(second, true);
        }
        visitor.finish();
        return;
    }

    // Pairs the children of an entered pair; reports what cannot be paired.
    auto pairChildren = [&](PairState& state) {
        const NamedNode::Children& left = state.first->getChildren();
        const NamedNode::Children& right = state.second->getChildren();
        if (visitor.pairByMatch(state.second)) {
            std::vector<NamedNode::Ptr> candidates(left.begin(), left.end());
            std::vector<bool> taken(candidates.size(), false);
            for (const NamedNode::Ptr& child : right) {
                bool found = false;
                for (std::size_t i = 0; i < candidates.size(); ++i) {
                    if (!taken[i] &&
                        pairing.corresponds(*candidates[i]->getData(), *child->getData())) {
                        taken[i] = true;
                        state.children.emplace_back(candidates[i], child);
                        found = true;
                        break;
                    }
                }
                if (!found) {
                    visitor.unpaired(child, false);
                }
            }
            return;
        }
        bool paired = left.size() == right.size();
        for (auto l = left.begin(), r = right.begin(); paired && l != left.end(); ++l, ++r) {
            paired = pairing.corresponds(*(*l)->getData(), *(*r)->getData());
        }
        if (!paired) {
            visitor.unpairable(state.second, state.second == second);
            return;
        }
        for (auto l = left.begin(), r = right.begin(); l != left.end(); ++l, ++r) {
            state.children.emplace_back(*l, *r);
        }
    };

    std::vector<PairState> stack;
    if (!visitor.skip(first, second)) {
        visitor.enter(second);
        stack.push_back(PairState{first, second, {}, 0});
        pairChildren(stack.back());
    }
    while (!stack.empty()) {
        PairState& top = stack.back();
        if (top.next == top.children.size()) {
            visitor.leave(top.second);
            stack.pop_back();
            continue;
        }
        std::pair<NamedNode::Ptr, NamedNode::Ptr> pair = top.children[top.next++];
        if (visitor.skip(pair.first, pair.second)) {
            continue;
        }
        visitor.enter(pair.second);
        stack.push_back(PairState{pair.first, pair.second, {}, 0});
        pairChildren(stack.back());
    }
    visitor.finish();
}

}  // namespace repos
}  // namespace vexa
