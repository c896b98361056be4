// Ink configurations (InkCfg), a printer's ink types (InkType) and ink
// groups on their own (SameInks), with their strategies.
//
// An InkCfg owns one engine structure SPINKCFG and every block hanging off
// it: the ink unit list, the ink group block with its name texts and the
// variable-dot block (a channel table or a curve set, chosen by VarDotOpts).
// Copies are deep: no two InkCfg objects share any block. The engine only
// borrows the structure from getSpInkCfg(). The structure and the unit
// list are allocated with calloc, name texts with malloc, and released with
// free. The variable-dot block and the group block (7 KB, of which a few
// groups fill the first page) are mapped from the system as zeroed pages
// (engine::mapZeroed: only the pages written cost memory) and released with
// engine::releaseBlock, which frees with free a block that a caller put
// into the structure; a copy writes only the pages of the table that hold
// something. Constructors, copies and loads throw
// std::bad_alloc when memory or a table cannot be had, leaving nothing
// allocated. A variable-dot block made here is
// large enough for either kind, so changing VarDotOpts never makes it too
// small for what it is read as; a block a caller puts into the structure
// must match VarDotOpts (the reader moves a block it keeps into a large one
// when the options it reads switch kinds).
//
// An InkType owns its chain of SPINKTYPE records; copies of an InkType share
// the chain (the last one frees it). A SameInks owns its SPSAMEINKS block and
// the name texts of the groups within their counts; copies share the block.
//
// Subtree of a configuration (node "InkCfg"): value children "BlackAbility",
// "InkType", "LabelVal", "Name", "NumColor", "NumSpotColor", "OutputBits",
// "ProcBits", "ProcOpts" (hex), "VarDotOpts" (hex); "ColorOrder" (spot level
// table); "LevelLut" ("Lut%d" rows with "L%d" attributes); "MLInfo"
// ("Color%d" level tables); "InkUnit" or "InkUnits" ("InkUnit%d" or
// "Unit%d"); "SameInks" ("Group%d" with "ink%d" attributes); "VarDotLvls"
// ("L%d" attributes); "VarDotChannels" ("Chan%d") or "VarDotCurves".
// "HiFiMode", "Photometric" and "VarDotLvls" are read but not written: a
// store leaves those children as they are.
//
// Threads: objects are not synchronised; strategies are stateless.
#ifndef VEXA_REPOS_INKCFG_H
#define VEXA_REPOS_INKCFG_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>

#include "engine/EngineInk.h"
#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API InkCfg {
  public:
    // A zeroed structure with no nested blocks.
    InkCfg();
    // A deep copy of `source` (a zeroed structure for null): the unit list in
    // its order, the ink groups within their counts, and the variable-dot
    // block as a channel table when VarDotOpts has flag 2, else as a curve
    // set. `next` and the curve set's leading pointer are null in the copy.
    explicit InkCfg(const SPINKCFG* source);
    InkCfg(const InkCfg& other);
    // Nothing on self-assignment; otherwise replaces this structure and its
    // blocks by a deep copy of the other's.
    InkCfg& operator=(const InkCfg& other);
    // Releases the unit list, the ink groups with their texts, the
    // variable-dot block and the structure.
    ~InkCfg();

    // The structure, for the engine and the strategies; this object keeps
    // ownership of it and its blocks. Never null.
    SPINKCFG* getSpInkCfg();
    const SPINKCFG* getSpInkCfg() const;

  private:
    boost::shared_ptr<SPINKCFG> m_cfg;
};

class VEXA_REPOS_API InkType {
  public:
    // One zeroed record.
    InkType();

    // The first record of the chain; never null.
    SPINKTYPE* getSpInkType() const;

  private:
    boost::shared_ptr<SPINKTYPE> m_first;
};

class VEXA_REPOS_API SameInks {
  public:
    // A zeroed block.
    SameInks();
    // Adopts `block` (allocated with malloc, calloc or engine::mapZeroed,
    // texts with malloc or strdup) and releases it with its texts; null
    // gives a zeroed block.
    explicit SameInks(SPSAMEINKS* block);

    // The block; never null.
    SPSAMEINKS* getSpSameInks() const;

  private:
    boost::shared_ptr<SPSAMEINKS> m_block;
};

template <>
class VEXA_REPOS_API DataStrategy<InkCfg> {
  public:
    typedef InkCfg Value;
    virtual ~DataStrategy();

    // A new configuration read from `node`; the default one for an empty
    // node. Never empty.
    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // Reads the children present into `cfg`; fields without a child keep
    // their value. The ink unit list and the ink group block are always
    // replaced (an absent child gives an empty list and an empty block); the
    // variable-dot block is replaced when VarDotLvls names at least one
    // level and the matching "VarDotChannels" or "VarDotCurves" child
    // exists. A list of several ink units reads in reverse order of their
    // numbers. Nothing for an empty node.
    void load(NamedNode::Ptr node, Value& cfg) const;
    // Names the node "InkCfg" and writes every stored field, reusing
    // existing children in their places; written groups of children (colour
    // order, level tables, units, groups, variable dots) replace what was
    // there. Nothing when either is empty.
    void storeInto(boost::shared_ptr<Value> cfg, NamedNode::Ptr node) const;
    // A new child of `parent` (always appended) filled by storeInto; its name
    // ends up "InkCfg" whatever `name` says. An empty parent gives a detached
    // node.
    NamedNode::Ptr storeNew(boost::shared_ptr<Value> cfg, NamedNode::Ptr parent,
                            const wxString& name) const;
};

template <>
class VEXA_REPOS_API DataStrategy<InkType> {
  public:
    typedef InkType Value;
    virtual ~DataStrategy();

    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // One record per child named "Type<number>", in child order: the first
    // fills the first record, the others are appended to the chain (which
    // replaces any chain the first record had). Type = the number (0 when
    // malformed), name = "value" (87 bytes), durability = "durability".
    // Nothing for an empty node or one without such children.
    void load(NamedNode::Ptr node, Value& types) const;
    // Does nothing: ink types are not written.
    void storeInto(boost::shared_ptr<Value> types, NamedNode::Ptr node) const;
};

template <>
class VEXA_REPOS_API DataStrategy<SameInks> {
  public:
    typedef SameInks Value;
    virtual ~DataStrategy();

    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // Empties the block, then reads the children "Group0".."Group29" and
    // their attributes "ink0".."ink29": a group's ink count is its highest
    // ink number plus one, the group count the highest group with an ink
    // plus one. Nothing for an empty node.
    void load(NamedNode::Ptr node, Value& groups) const;
    // Does nothing: groups are written as part of an ink configuration.
    void storeInto(boost::shared_ptr<Value> groups, NamedNode::Ptr node) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_INKCFG_H
