// Colour and dot information: a media's colour set-up (ColorInfo around the
// engine's SP_COLOR_INFO), its label channel (LabelChannel) and a printer's
// dot units (DotInfo around the engine's dotinfo), with their strategies.
//
// Ownership: ColorInfo owns one SP_COLOR_INFO (a flat record). DotInfo owns
// its dotinfo and everything hanging off it: groups, units and the units'
// string arrays, released together by DotInfoDeleter. Construction from a
// structure, copy and assignment are deep copies in both classes, so no two
// objects share any part. LabelChannel is a plain number.
//
// Threads: objects are not synchronised; strategies are stateless.
#ifndef VEXA_REPOS_COLORDOTINFO_H
#define VEXA_REPOS_COLORDOTINFO_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <cstdint>

#include "engine/EngineColor.h"
#include "engine/EngineDot.h"
#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API ColorInfo {
  public:
    // A zeroed record. Constructors throw std::bad_alloc when memory runs out.
    ColorInfo();
    // A copy of `*source` (a zeroed record for null).
    explicit ColorInfo(const _SP_COLOR_INFO* source);
    ColorInfo(const ColorInfo& other);
    ColorInfo& operator=(const ColorInfo& other);
    ~ColorInfo();

    // The record, still owned here; never null.
    _SP_COLOR_INFO* getSpColorInfo() const { return m_info.get(); }

  private:
    boost::shared_ptr<_SP_COLOR_INFO> m_info;
};

// Releases a dotinfo with its groups, units and their string arrays (records
// allocated with calloc). Null is allowed.
struct VEXA_REPOS_API DotInfoDeleter {
    void operator()(dotinfo* info) const;
    // The groups of a chain with everything they hold.
    static void freeGroups(dotresgroup* first);
};

class VEXA_REPOS_API DotInfo {
  public:
    // A zeroed dotinfo without groups. Constructors throw std::bad_alloc when
    // memory runs out, leaving nothing allocated.
    DotInfo();
    // A deep copy of `*source` (every group, unit and array duplicated; a
    // zeroed dotinfo for null). The copy's last-group pointer names its own
    // last group.
    explicit DotInfo(const dotinfo* source);
    DotInfo(const DotInfo& other);
    // Nothing on self-assignment; else replaces everything by a deep copy of
    // the other's.
    DotInfo& operator=(const DotInfo& other);
    ~DotInfo();

    // The structure, still owned here with all it holds; never null.
    dotinfo* getDotInfo() const { return m_info.get(); }

  private:
    boost::shared_ptr<dotinfo> m_info;
};

class VEXA_REPOS_API LabelChannel {
  public:
    LabelChannel() : m_channel(0) {}
    explicit LabelChannel(int channel) : m_channel(channel) {}

    std::int32_t getLabelChannel() const { return m_channel; }
    void setLabelChannel(int channel) { m_channel = channel; }

  private:
    std::int32_t m_channel;
};

// Node "ColorInfo": value children "NumColor", "NumSpotColor", "HiFiMode",
// "Photometric", and "SpotNames" with one child per spot (named by the spot)
// carrying "position", "bitspersample", "photometric", "opacity" (percent,
// six decimals), "samples" and "S0".."S11".
template <>
class VEXA_REPOS_API DataStrategy<ColorInfo> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<ColorInfo> load(NamedNode::Ptr node) const;
    // When the node exists: the four counts (0 when absent) and, per spot
    // child whose position is 0..11, that slot. Names are cut to 39 bytes;
    // opacity percent is scaled to 0..255 (clamped); samples and photometric
    // keep their low 8 bits.
    void load(NamedNode::Ptr node, ColorInfo& value) const;
    // Names the node "ColorInfo" and replaces its children; writes the spots
    // below NumSpotColor (at most 12) with their first `samples` values (at
    // most 12).
    void storeInto(boost::shared_ptr<ColorInfo> value, NamedNode::Ptr node) const;
    NamedNode::Ptr storeNew(boost::shared_ptr<ColorInfo> value, NamedNode::Ptr parent,
                            const wxString& name) const;
};

// Node "DotInfo": child "Units" (value) and "ResUnits" holding one child per
// group, within it one per unit, within that one per scale row (named by the
// row's name, attributes "scale" and "value").
template <>
class VEXA_REPOS_API DataStrategy<DotInfo> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<DotInfo> load(NamedNode::Ptr node) const;
    // When the node exists: replaces the units text (at most 18 bytes) and
    // all groups with those of the node. Group names are cut to 19 bytes,
    // unit names to 29.
    void load(NamedNode::Ptr node, DotInfo& value) const;
    // Names the node "DotInfo" and replaces its children.
    void storeInto(boost::shared_ptr<DotInfo> value, NamedNode::Ptr node) const;
    NamedNode::Ptr storeNew(boost::shared_ptr<DotInfo> value, NamedNode::Ptr parent,
                            const wxString& name) const;
};

// The node's own attribute "value".
template <>
class VEXA_REPOS_API DataStrategy<LabelChannel> {
  public:
    virtual ~DataStrategy();
    boost::shared_ptr<LabelChannel> load(NamedNode::Ptr node) const;
    // The channel from the node's "value" (0 when absent); nothing for an
    // empty node.
    void load(NamedNode::Ptr node, LabelChannel& value) const;
    // Sets the node's "value" when both exist and the channel is above 0; a
    // channel of 0 or below leaves the node unchanged.
    void storeInto(boost::shared_ptr<LabelChannel> value, NamedNode::Ptr node) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_COLORDOTINFO_H
