// Screen set-ups: named screening set-ups, each with a string array of
// screens (name, lpi, angle, function, placement, shades), kept by the
// engine as a chain of SCREENSETUP records; and their strategy, which maps
// the chain to a "DefaultScreenSetup" subtree.
//
// Ownership: a ScreenSetup owns its whole chain: every record (calloc/free)
// and every record's screen array (stral_free). Construction from a chain,
// copy and assignment are deep copies; no two objects share any part.
//
// Threads: objects are not synchronised; the strategy is stateless.
#ifndef VEXA_REPOS_SCREENSETUP_H
#define VEXA_REPOS_SCREENSETUP_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>

#include "engine/EngineScreen.h"
#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API ScreenSetup {
  public:
    // One zeroed record without a screen array. Constructors throw
    // std::bad_alloc when memory runs out, leaving nothing allocated.
    ScreenSetup();
    // A deep copy of the chain starting at `first`: records in the same
    // order, each screen array duplicated. Null gives one zeroed record.
    explicit ScreenSetup(const _SCREENSETUP* first);
    ScreenSetup(const ScreenSetup& other);
    // Nothing on self-assignment; else replaces its chain by a deep copy of
    // the other's.
    ScreenSetup& operator=(const ScreenSetup& other);
    virtual ~ScreenSetup();

    // The first record, still owned here; never null.
    _SCREENSETUP* getScreenSetup() const { return m_first.get(); }

    // Deep copy and release of a chain (as the constructors and destructor
    // do). copyChain throws std::bad_alloc, leaving nothing allocated.
    static _SCREENSETUP* copyChain(const _SCREENSETUP* first);
    static void freeChain(_SCREENSETUP* first);

  private:
    boost::shared_ptr<_SCREENSETUP> m_first;
};

// Node "DefaultScreenSetup": one child per set-up, named by it, holding one
// child per screen (named by the screen) with attributes "lpi", "angle",
// "function", "placement" and "shades".
template <>
class VEXA_REPOS_API DataStrategy<ScreenSetup> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<ScreenSetup> load(NamedNode::Ptr node) const;
    // One record per child in order, each with a new screen array: the
    // first child refills the first record, further children get new
    // records, records beyond those are released. Names are cut to 79
    // bytes. A node without children leaves the value as it was.
    void load(NamedNode::Ptr node, ScreenSetup& value) const;
    // Only when both exist: names the node "DefaultScreenSetup" and
    // replaces its children; a record without screen array gives an empty
    // child.
    void storeInto(boost::shared_ptr<ScreenSetup> value, NamedNode::Ptr node) const;
    NamedNode::Ptr storeNew(boost::shared_ptr<ScreenSetup> value, NamedNode::Ptr parent,
                            const wxString& name) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_SCREENSETUP_H
