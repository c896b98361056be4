// Tree walks with visitors.
//
// NamedNodeTraverser walks one tree depth-first, pre-order, with an explicit
// stack: trees of any depth are safe. Every entered node is left once, after
// its children; a skipped node gets neither enter nor leave.
//
// ParallelNodeTraverser walks two trees side by side, pairing the nodes of
// the second tree with nodes of the first.
//
// Threads: a traverser and its visitor belong to one thread for one walk.
#ifndef VEXA_REPOS_NODETRAVERSER_H
#define VEXA_REPOS_NODETRAVERSER_H

#include <boost/shared_ptr.hpp>

#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API INodeVisitor {
  public:
    virtual ~INodeVisitor();
    virtual void start() = 0;
    // True passes the node and its whole subtree over.
    virtual bool skip(NamedNode::Ptr node) = 0;
    virtual void enter(NamedNode::Ptr node) = 0;
    virtual void leave(NamedNode::Ptr node) = 0;
    virtual void finish() = 0;
};

// Does nothing; skip() is false. Derive and override what you need.
class VEXA_REPOS_API TrivialNodeVisitor : public INodeVisitor {
  public:
    ~TrivialNodeVisitor() override;
    void start() override;
    bool skip(NamedNode::Ptr node) override;
    void enter(NamedNode::Ptr node) override;
    void leave(NamedNode::Ptr node) override;
    void finish() override;
};

class VEXA_REPOS_API NamedNodeTraverser {
  public:
    explicit NamedNodeTraverser(boost::shared_ptr<INodeVisitor> visitor);
    // start(), the walk of `root` and its subtree, finish(). An empty root
    // gives start() and finish() only.
    void travel(NamedNode::Ptr root);

  private:
    boost::shared_ptr<INodeVisitor> m_visitor;
};

// Visitor of a walk over two trees. Nodes reported are of the second tree.
class VEXA_REPOS_API IParallelVisitor {
  public:
    virtual ~IParallelVisitor();
    virtual void start() = 0;
    // Asked before a pair is entered; true passes the pair and everything
    // below it over (no enter, no leave, no reports).
    virtual bool skip(NamedNode::Ptr first, NamedNode::Ptr second) = 0;
    virtual void enter(NamedNode::Ptr second) = 0;
    // How the children of `second` are paired. True: each child of `second`
    // takes the first not yet paired child of the first tree's node that the
    // predicate accepts. False: by position, which needs equal child counts
    // and the predicate's consent at every position.
    virtual bool pairByMatch(NamedNode::Ptr second) = 0;
    virtual void leave(NamedNode::Ptr second) = 0;
    // `second` found no partner (`top`: it is the second tree's root).
    virtual void unpaired(NamedNode::Ptr second, bool top) = 0;
    // The children of `second` cannot be paired by position; they are not
    // walked (`top`: it is the second tree's root).
    virtual void unpairable(NamedNode::Ptr second, bool top) = 0;
    virtual void finish() = 0;
};

// Decides whether a node of the first tree corresponds to one of the second.
class VEXA_REPOS_API INodePairing {
  public:
    virtual ~INodePairing();
    virtual bool corresponds(const NamedNodeData& first, const NamedNodeData& second) const = 0;
};

// Pairs nodes by equal name.
class VEXA_REPOS_API SameNamePairing : public INodePairing {
  public:
    bool corresponds(const NamedNodeData& first, const NamedNodeData& second) const override;
};

class VEXA_REPOS_API ParallelNodeTraverser {
  public:
    ParallelNodeTraverser(boost::shared_ptr<IParallelVisitor> visitor,
                          boost::shared_ptr<INodePairing> pairing);
    // Children of the first tree that stay unpaired are not reported: the
    // second tree is the one being examined. Either root empty: start() and
    // finish() only.
    void travel(NamedNode::Ptr first, NamedNode::Ptr second);

  private:
    boost::shared_ptr<IParallelVisitor> m_visitor;
    boost::shared_ptr<INodePairing> m_pairing;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_NODETRAVERSER_H
