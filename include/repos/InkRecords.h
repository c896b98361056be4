// Strategies of the small ink records an ink configuration embeds or points
// to: level tables (SPINKLEVEL), the colour order with aliases and
// colorimetry (SPSPOTINKLEVEL), ink unit tables (SPINKUNITLUT) and the
// variable-dot channels and curves (SPVARDOTCHANNEL, SPVARDOTCURVE).
//
// Subtree forms: a level table is a node whose children are named by the
// ink and carry "value" (the level) and "position" (the slot); the spot form
// adds "alias", "CIEL", "CIEa" and "CIEb". An ink unit table has the value
// children "Res", "Channel", "BaseCount", "DotVolume" and a "Units" child
// with attributes "U0", "U1", ... A variable-dot channel carries "ink" and
// the children "Coverage" (a point curve of "Point%d" children with "x" and
// "y") and "Transitions" ("Transition%d" point curves); a variable-dot curve
// has "Lo", "Mid", "Hi" and "Coverage".
//
// Only the level tables are written by their own strategies; ink units,
// channels and curves are written as part of an ink configuration (InkCfg.h)
// and their storeInto does nothing.
//
// Ownership: the records are plain structures; the strategies fill the
// target they are given and keep nothing. Reading never fails: absent
// children leave fields as they were, malformed numbers read as 0, texts are
// cut at a character boundary to fit their field, and numbered children or
// slots outside a field's range are ignored.
//
// Threads: the strategies are stateless; the trees they act on are not
// locked.
#ifndef VEXA_REPOS_INKRECORDS_H
#define VEXA_REPOS_INKRECORDS_H

#include <boost/shared_ptr.hpp>

#include "engine/EngineInk.h"
#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

template <>
class VEXA_REPOS_API DataStrategy<SPINKLEVEL> {
  public:
    typedef SPINKLEVEL Value;
    virtual ~DataStrategy();

    // Every child is an entry in the slot its "position" gives (0..29, others
    // skipped): name = the child's name cut to 9 bytes, level = the low 8
    // bits of "value". Count = the highest slot taken plus one, 0 without
    // children. Slots not named keep their content. Nothing for an empty
    // node.
    void load(NamedNode::Ptr node, Value& level) const;
    // Replaces the node's children with one child per entry (count at most
    // 30), named by the entry, with "value" and "position". Nothing when
    // either is empty.
    void storeInto(boost::shared_ptr<Value> level, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<SPSPOTINKLEVEL> {
  public:
    typedef SPSPOTINKLEVEL Value;
    virtual ~DataStrategy();

    // As the level table reader; each accepted entry also takes "alias" (cut
    // to 9 bytes) and "CIEL", "CIEa", "CIEb" as 32-bit reals.
    void load(NamedNode::Ptr node, Value& level) const;
    // As the level table writer, adding "alias" and the three colorimetric
    // values with six decimals.
    void storeInto(boost::shared_ptr<Value> level, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<SPINKUNITLUT> {
  public:
    typedef SPINKUNITLUT Value;
    virtual ~DataStrategy();

    // Sets next to null, then reads the value children present: "Res" (29
    // bytes), "Channel" (9 bytes), "BaseCount" (unsigned decimal, times 1000
    // in 32-bit arithmetic), "DotVolume" (real) and the "Units" attributes
    // "U0".."U15" (unsigned decimal, times 1000; malformed gives 0). Nothing
    // for an empty node.
    void load(NamedNode::Ptr node, Value& unit) const;
    // Does nothing: ink units are written by the ink configuration.
    void storeInto(boost::shared_ptr<Value> unit, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<SPVARDOTCHANNEL> {
  public:
    typedef SPVARDOTCHANNEL Value;
    virtual ~DataStrategy();

    // Zeroes the record, then reads "ink" (9 bytes), the point curve
    // "Coverage" and the transition set "Transitions" when present. Nothing
    // for an empty node.
    void load(NamedNode::Ptr node, Value& channel) const;
    // Does nothing: channels are written by the ink configuration.
    void storeInto(boost::shared_ptr<Value> channel, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<SPVARDOTCURVE> {
  public:
    typedef SPVARDOTCURVE Value;
    virtual ~DataStrategy();

    // Zeroes the record, then reads the transition sets "Lo", "Mid", "Hi"
    // and the point curve "Coverage" when present. Nothing for an empty
    // node.
    void load(NamedNode::Ptr node, Value& curve) const;
    // Does nothing: curves are written by the ink configuration.
    void storeInto(boost::shared_ptr<Value> curve, NamedNode::Ptr node) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_INKRECORDS_H
