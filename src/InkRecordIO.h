// Readers and writers of the ink records shared by the ink configuration,
// ink level and ink curve strategies. Internal to the library.
//
// Every reader bounds what it reads by the fixed arrays of its target and
// every writer clamps the counts it finds in a structure to its arrays, so
// neither reads nor writes past a field whatever the tree or the structure
// holds.
#ifndef VEXA_REPOS_SRC_INKRECORDIO_H
#define VEXA_REPOS_SRC_INKRECORDIO_H

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/EngineInk.h"
#include "repos/DataStrategy.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {
namespace detail {

// The text of a fixed character field: its bytes up to the terminator, at
// most `size` of them.
wxString fixedText(const char* field, std::size_t size);

// Fills a field of `size` bytes with `text` cut at a character boundary to at
// most `size - 1` bytes; the rest of the field is zeroed.
void setFixedText(char* field, std::size_t size, const wxString& text);
// The same for text already in bytes (UTF-8).
void setFixedText(char* field, std::size_t size, const std::string& bytes);

// True and the value in `out` when all of `text` is an unsigned number of
// `base` (10 or 16; 16 accepts a leading "0x") not above 0xFFFFFFFF.
bool parseUnsignedText(const wxString& text, int base, std::uint32_t& out);
bool parseUnsignedText(const std::string& text, int base, std::uint32_t& out);

// A real number as a 32-bit float; finite values beyond its range saturate.
float toFloat(double value);

// A numbered name: `prefix` followed by the number in decimal ("Point3").
inline wxString numbered(const wxString& prefix, int number) {
    return prefix + formatInt(number);
}

// A count from a structure limited to 0..maximum.
inline int clampCount(long long count, int maximum) {
    return count < 0 ? 0 : (count > maximum ? maximum : static_cast<int>(count));
}

// The child `name` of `node`, or empty.
inline NamedNode::Ptr child(const NamedNode::Ptr& node, const wxString& name) {
    return node ? node->findChild(name) : NamedNode::Ptr();
}

// Point curve: "Point%d" children (0..63) with "x" and "y" limited to 0..100
// and rounded half up. Points not given stay as they are (callers zero the
// target first).
void readPointCurve(const NamedNode::Ptr& node, SPPOINTCURVE& curve);
// A new node `name` with Point0 and the points after it up to (not
// including) the first one whose x is 0.
NamedNode::Ptr writePointCurve(const wxString& name, const SPPOINTCURVE& curve);

// Transition set: "Transition%d" children (0..15), each a point curve.
void readTransitionSet(const NamedNode::Ptr& node, SPTRANSITIONSET& set);
// A new node `name` with the transitions 0 .. levels-2 (at most 15).
NamedNode::Ptr writeTransitionSet(const wxString& name, const SPTRANSITIONSET& set, int levels);

void readInkLevel(const NamedNode::Ptr& node, SPINKLEVEL& level);
void writeInkLevel(const SPINKLEVEL& level, const NamedNode::Ptr& node);
void readSpotInkLevel(const NamedNode::Ptr& node, SPSPOTINKLEVEL& level);
void writeSpotInkLevel(const SPSPOTINKLEVEL& level, const NamedNode::Ptr& node);

void readInkUnit(const NamedNode::Ptr& node, SPINKUNITLUT& unit);
// Appends the value children and "Units" (U0..U`levels`, at most U15; a
// level count of 0 counts as 1) to `existing`, or to a new node `name` when
// `existing` is empty. Returns the node written.
NamedNode::Ptr writeInkUnit(const wxString& name, const SPINKUNITLUT& unit, int levels,
                            const NamedNode::Ptr& existing);

void readVarDotChannel(const NamedNode::Ptr& node, SPVARDOTCHANNEL& channel);
// The same into a zeroed channel, clearing nothing: a mapped block's pages
// are written only where values land, so the rest stay unbacked.
void fillVarDotChannel(const NamedNode::Ptr& node, SPVARDOTCHANNEL& channel);
// Sets "ink" on `node` and appends "Coverage" and "Transitions".
void writeVarDotChannel(const NamedNode::Ptr& node, const SPVARDOTCHANNEL& channel, int levels);

void readVarDotCurve(const NamedNode::Ptr& node, SPVARDOTCURVE& curve);
// The same into a zeroed curve (see fillVarDotChannel).
void fillVarDotCurve(const NamedNode::Ptr& node, SPVARDOTCURVE& curve);
// A new node `name` with "Coverage", "Lo", "Mid" and "Hi".
NamedNode::Ptr writeVarDotCurve(const wxString& name, const SPVARDOTCURVE& curve, int levels);

// The channel table of a "VarDotChannels" node: "Chan%d" children (0..29);
// the channel count is the highest number taken plus one. `table` is zeroed
// (a new block).
void readVarDotChannels(const NamedNode::Ptr& node, SPVARDOTCHANNELS& table);

// The curve set of a "VarDotCurves" node: its single, first and next curves
// from "SingleCurve", "FirstCurve", "NextCurve" or, when absent, from the
// names the writer uses, "Single", "First", "Next". The resolution and the
// leading pointer are not read. `set` is zeroed (a new block).
void readVarDotCurves(const NamedNode::Ptr& node, SPVARDOTCURVES& set);

}  // namespace detail
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_SRC_INKRECORDIO_H
