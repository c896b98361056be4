// Per-ink level maps (InkLevels around the engine's SPINKLEVELEX) and ink
// curve sets (InkCurve around SPINKCURVE with its SPCURVEDEF curves of
// SPPOINTDEF points), with their strategies. Print modes use them for ink
// limits, drop adjustment, transition control, ink curves and level curves.
//
// Subtree forms: a level map is a node with one child per ink, named by the
// ink and carrying "value" (the level) and "position" (its rank in key
// order). An ink curve node has "Ink0".."Ink9" children carrying the ink
// name in "value" and "Curve0".."Curve15" children, each with "Point0"..
// "Point63" children whose "x" and "y" are percentages; in memory a point
// holds the percentage times 2.55, rounded half up (50 % is 128).
//
// Ownership: InkLevels and InkCurve each own their engine object; copies
// and assignment duplicate it, so no two objects share one. The engine only
// borrows the pointers returned by the getters.
//
// Threads: objects are not synchronised; strategies are stateless.
#ifndef VEXA_REPOS_INKLEVELS_H
#define VEXA_REPOS_INKLEVELS_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>

#include "engine/EngineInk.h"
#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API InkLevels {
  public:
    // An empty map.
    InkLevels();
    // A copy of `levels`; an empty map for null.
    explicit InkLevels(const SPINKLEVELEX* levels);
    InkLevels(const InkLevels& other);
    InkLevels& operator=(const InkLevels& other);
    ~InkLevels();

    // The map; this object keeps ownership. Never null.
    SPINKLEVELEX* getSpInkLevel() const;

  private:
    boost::shared_ptr<SPINKLEVELEX> m_levels;
};

class VEXA_REPOS_API InkCurve {
  public:
    // A zeroed structure.
    InkCurve();
    InkCurve(const InkCurve& other);
    InkCurve& operator=(const InkCurve& other);
    ~InkCurve();

    // The structure; this object keeps ownership. Never null.
    SPINKCURVE* getSpInkCurve() const;
    // Sets the resolution field to `resolution` cut at a character boundary
    // to at most 29 bytes. The readers never set it.
    void setResolution(const wxString& resolution);

  private:
    boost::shared_ptr<SPINKCURVE> m_curve;
};

template <>
class VEXA_REPOS_API DataStrategy<SPINKLEVELEX> {
  public:
    typedef SPINKLEVELEX Value;
    virtual ~DataStrategy();

    // Every child sets the entry of its name (ASCII case ignored) to its
    // "value" read as an integer; a later child wins. Entries of other names
    // stay. Nothing for an empty node.
    void load(NamedNode::Ptr node, Value& levels) const;
    // Replaces the node's children with one child per entry in key order,
    // with "value" and "position". Nothing when either is empty.
    void storeInto(boost::shared_ptr<Value> levels, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<InkLevels> {
  public:
    typedef InkLevels Value;
    virtual ~DataStrategy();

    // A new map read from `node`; an empty map for an empty node. Never
    // empty.
    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    void load(NamedNode::Ptr node, Value& levels) const;
    void storeInto(boost::shared_ptr<Value> levels, NamedNode::Ptr node) const;
    // A new child of `parent` (always appended) filled by storeInto. An
    // empty parent gives a detached node.
    NamedNode::Ptr storeNew(boost::shared_ptr<Value> levels, NamedNode::Ptr parent,
                            const wxString& name) const;
};

template <>
class VEXA_REPOS_API DataStrategy<SPPOINTDEF> {
  public:
    typedef SPPOINTDEF Value;
    virtual ~DataStrategy();

    // x and y from the attributes "x" and "y": the percentage times 2.55,
    // rounded half up (towards zero below -0.5), kept in 8 bits with no range
    // limit (200 % gives 254). Exact for decimal texts: 50 gives 128. A
    // percentage too large to be a number gives 0. Nothing for an empty node.
    void load(NamedNode::Ptr node, Value& point) const;
    // Sets "x" and "y" to the percentages with one decimal (255 is "100.0").
    // Nothing when either is empty.
    void storeInto(boost::shared_ptr<Value> point, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<SPCURVEDEF> {
  public:
    typedef SPCURVEDEF Value;
    virtual ~DataStrategy();

    // Point i from the child "Point<i>" (0..63) as the point reader reads
    // it; points not given keep their value. Nothing for an empty node.
    void load(NamedNode::Ptr node, Value& curve) const;
    // Does nothing: curves are only read.
    void storeInto(boost::shared_ptr<Value> curve, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<InkCurve> {
  public:
    typedef InkCurve Value;
    virtual ~DataStrategy();

    // A new curve set read from `node`; a zeroed one for an empty node.
    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // The ink count is the number of children "Ink0".."Ink9"; for each, ink
    // name = its "value" (9 bytes), curve j = its child "Curve<j>" (0..15),
    // curve count = the highest j plus one. Nothing for an empty node.
    void load(NamedNode::Ptr node, Value& curve) const;
    // Does nothing: ink curves are not written.
    void storeInto(boost::shared_ptr<Value> curve, NamedNode::Ptr node) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_INKLEVELS_H
