// Resolutions: a printer's device resolutions (ResData), per-resolution
// scale corrections (ResScaleAdjust, a chain of engine records) and plain
// lists of resolution texts (ResList), with their strategies; and
// ResData::getRoundedRes, the canonical rounded form of a resolution text.
//
// A resolution text is a horizontal resolution, optionally "x" (or "X") and
// a vertical one, optionally an "@" part with a second pair, a "#" part and a
// "-" suffix: "720x1440@360-HQ".
//
// Ownership: ResData is a plain value. ResScaleAdjust owns its whole chain
// (records allocated with calloc, released with free); copies are deep.
// ResList owns one SSTRAL (never null) and copies it on copy and assignment.
//
// Threads: objects are not synchronised; strategies are stateless;
// getRoundedRes may be called from any thread.
#ifndef VEXA_REPOS_RESOLUTIONS_H
#define VEXA_REPOS_RESOLUTIONS_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <vector>

#include "engine/EngineRes.h"
#include "kernel/VexKernel.h"
#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

// One device resolution and its print-mode parameters. Read only: its
// strategy does not write.
class VEXA_REPOS_API ResData {
  public:
    // Empty texts, no aliases, zero numbers.
    ResData();

    // The canonical form of a resolution text: "720x720" gives "720",
    // "719.6x1440.4" gives "720x1440", "720x720@360x720" gives
    // "720@360x720", "360x360#720x720" gives "360@720", "720x720-HQ" gives
    // "720-HQ". Numbers are rounded to the nearest integer and clamped to
    // 0..ULONG_MAX. An empty text gives an empty text; a text without any
    // number gives "0" followed by its "-" suffix, if any. Never throws
    // except std::bad_alloc.
    static wxString getRoundedRes(const wxString& text);

    wxString resolution;          // "Resolution"
    wxString replicate;           // "Replicate"
    wxString dupCount;            // "DupCount"
    std::vector<wxString> alias;  // "Alias", attributes "A0", "A1", ...
    std::uint32_t lineBytes;      // "LineBytes", decimal
    std::int32_t densityFlag;     // "DensityFlag", decimal
    std::uint32_t procOpts;       // "ProcOpts", hexadecimal
    std::uint32_t procOptsMask;   // "ProcOptsMask", hexadecimal
};

class VEXA_REPOS_API ResScaleAdjust {
  public:
    // One zeroed record. Constructors throw std::bad_alloc when memory runs
    // out, leaving nothing allocated.
    ResScaleAdjust();
    // A deep copy of the chain starting at `first`; null gives no record.
    explicit ResScaleAdjust(const SPRESSCALEADJUST* first);
    ResScaleAdjust(const ResScaleAdjust& other);
    // Nothing on self-assignment; else replaces its chain by a deep copy of
    // the other's.
    ResScaleAdjust& operator=(const ResScaleAdjust& other);
    ~ResScaleAdjust();

    // The first record, or null when the chain is empty. Still owned here.
    SPRESSCALEADJUST* getSpResScaleAdjust() const { return m_first.get(); }

    // Deep copy of a chain (records with every byte copied, links renewed);
    // null for null. The result is released with freeChain. Throws
    // std::bad_alloc, leaving nothing allocated.
    static SPRESSCALEADJUST* copyChain(const SPRESSCALEADJUST* first);
    static void freeChain(SPRESSCALEADJUST* first);

  private:
    friend class DataStrategy<ResScaleAdjust>;
    boost::shared_ptr<SPRESSCALEADJUST> m_first;
};

class VEXA_REPOS_API ResList {
  public:
    // A new empty array; throws std::bad_alloc when memory runs out.
    ResList();
    // A copy of `array` (an empty array for null).
    explicit ResList(const SSTRAL* array);
    ResList(const ResList& other);
    // Nothing on self-assignment; else frees its array and takes a copy of
    // the other's.
    ResList& operator=(const ResList& other);
    virtual ~ResList();

    // One row per resolution text; still owned here.
    SSTRAL* getStral() const { return m_stral; }

  private:
    SSTRAL* m_stral;
};

// Node: value children "Resolution", "Replicate", "DupCount", "LineBytes",
// "DensityFlag", "ProcOpts", "ProcOptsMask", and "Alias" with attributes
// "A<n>".
template <>
class VEXA_REPOS_API DataStrategy<ResData> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<ResData> load(NamedNode::Ptr node) const;
    // When the node exists, assigns every field (absent children give empty
    // texts and 0) and appends the aliases in ascending number order without
    // clearing the list first.
    void load(NamedNode::Ptr node, ResData& value) const;
    // Does nothing: device resolutions are not written by this library.
    void storeInto(boost::shared_ptr<ResData> value, NamedNode::Ptr node) const;
};

// Node "ResScaleAdjust": one child per record, named by the resolution, with
// attributes "scaleX" and "scaleY" (six decimals).
template <>
class VEXA_REPOS_API DataStrategy<ResScaleAdjust> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<ResScaleAdjust> load(NamedNode::Ptr node) const;
    // One record per child in order: the first child fills the first record
    // (its reserved block kept), further children get new zeroed records;
    // records beyond those are released. A node without children leaves the
    // value as it was.
    void load(NamedNode::Ptr node, ResScaleAdjust& value) const;
    // A value without records detaches the node from its parent. Otherwise,
    // when the node exists, names it "ResScaleAdjust" and replaces its
    // children.
    void storeInto(boost::shared_ptr<ResScaleAdjust> value, NamedNode::Ptr node) const;
    NamedNode::Ptr storeNew(boost::shared_ptr<ResScaleAdjust> value, NamedNode::Ptr parent,
                            const wxString& name) const;
};

// Node: one child per resolution text, named by it.
template <>
class VEXA_REPOS_API DataStrategy<ResList> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<ResList> load(NamedNode::Ptr node) const;
    // Empties the array (also for an empty node), then one row per child.
    void load(NamedNode::Ptr node, ResList& value) const;
    // Only when both exist: replaces the node's children (its name stays).
    void storeInto(boost::shared_ptr<ResList> value, NamedNode::Ptr node) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_RESOLUTIONS_H
