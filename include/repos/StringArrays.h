// Settings held as kernel string arrays: a printer's page sizes, a media's
// print passes and a printer's output ports, with their strategies.
//
// Ownership: each wrapper owns exactly one SSTRAL (never null) and frees it
// with stral_free. Constructing from an array, copying and assigning take a
// copy (_stral_copy): no two wrappers share an array, and the array handed
// to a constructor stays the caller's. getStral() lends the owned array.
//
// Row forms (texts in order):
//   PageSizes  name, width, height, access, type, left, top, right, bottom
//   PassInfo   value, id
//   PortList   name, type, value
// Readers empty the target's array in place first (releasing the dropped
// rows), then add one row per child. Writers read rows within their text
// counts: a missing or null text is written as an empty text.
//
// Threads: objects are not synchronised; strategies are stateless.
#ifndef VEXA_REPOS_STRINGARRAYS_H
#define VEXA_REPOS_STRINGARRAYS_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>

#include "kernel/VexKernel.h"
#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API PageSizes {
  public:
    // A new empty array. All constructors throw std::bad_alloc when memory
    // runs out.
    PageSizes();
    // A copy of `array` (an empty array for null).
    explicit PageSizes(SSTRAL* array);
    PageSizes(const PageSizes& other);
    // Nothing on self-assignment; else frees its array and takes a copy of
    // the other's.
    PageSizes& operator=(const PageSizes& other);
    virtual ~PageSizes();

    SSTRAL* getStral() const { return m_stral; }

  private:
    SSTRAL* m_stral;
};

class VEXA_REPOS_API PassInfo {
  public:
    PassInfo();
    explicit PassInfo(const SSTRAL* array);
    PassInfo(const PassInfo& other);
    PassInfo& operator=(const PassInfo& other);
    virtual ~PassInfo();

    SSTRAL* getStral() const { return m_stral; }

  private:
    SSTRAL* m_stral;
};

class VEXA_REPOS_API PortList {
  public:
    PortList();
    explicit PortList(const SSTRAL* array);
    PortList(const PortList& other);
    PortList& operator=(const PortList& other);
    virtual ~PortList();

    SSTRAL* getStral() const { return m_stral; }

  private:
    SSTRAL* m_stral;
};

// Node: one child per page size, named by the size's name (UTF-8), with
// attributes "width", "height", "access", "type" and, when the row has a
// non-empty sixth text, "left", "top", "right", "bottom".
template <>
class VEXA_REPOS_API DataStrategy<PageSizes> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<PageSizes> load(NamedNode::Ptr node) const;
    // Empties the array (also for an empty node), then one row per child;
    // absent attributes give empty texts.
    void load(NamedNode::Ptr node, PageSizes& value) const;
    // Only when both exist: replaces the node's children (its name stays).
    void storeInto(boost::shared_ptr<PageSizes> value, NamedNode::Ptr node) const;
    NamedNode::Ptr storeNew(boost::shared_ptr<PageSizes> value, NamedNode::Ptr parent,
                            const wxString& name) const;
};

// Node: children "Pass0", "Pass1", ... with attributes "value" and "id".
template <>
class VEXA_REPOS_API DataStrategy<PassInfo> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<PassInfo> load(NamedNode::Ptr node) const;
    // Empties the array (also for an empty node), then one row per child
    // whatever its name.
    void load(NamedNode::Ptr node, PassInfo& value) const;
    // Only when both exist: replaces the children, numbering them from 0.
    void storeInto(boost::shared_ptr<PassInfo> value, NamedNode::Ptr node) const;
};

// Node "PortList": one child per port, named by the port, with attributes
// "type" and "value".
template <>
class VEXA_REPOS_API DataStrategy<PortList> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<PortList> load(NamedNode::Ptr node) const;
    // When the node exists: empties the array, then one row per child. An
    // empty node leaves the value as it was.
    void load(NamedNode::Ptr node, PortList& value) const;
    // A value without rows detaches the node from its parent. Otherwise,
    // when the node exists, names it "PortList" and replaces its children.
    void storeInto(boost::shared_ptr<PortList> value, NamedNode::Ptr node) const;
    NamedNode::Ptr storeNew(boost::shared_ptr<PortList> value, NamedNode::Ptr parent,
                            const wxString& name) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_STRINGARRAYS_H
