// Data strategies: converters between one typed value and a subtree of a
// settings tree, and the readers and writers every converter shares.
//
// DataStrategy<T> is declared here and specialised once per value type, in
// the header of that type's family. Every specialisation is stateless and
// cheap to copy; its only virtual operation is its destructor. It offers
//   boost::shared_ptr<T> load(NamedNode::Ptr node) const   (class types)
//   void load(NamedNode::Ptr node, T& target) const
//   void storeInto(boost::shared_ptr<T> value, NamedNode::Ptr node) const
//   NamedNode::Ptr storeNew(boost::shared_ptr<T> value, NamedNode::Ptr parent,
//                           const wxString& name) const     (some types)
// load(node) never returns an empty pointer (a missing node gives the default
// value), except for NamedNodeData. load(node, target) leaves the target as
// it was when the node is empty.
//
// Scalars are stored as a child named after the field with one attribute
// "value". Numbers are written and read in the "C" form whatever the process
// locale is; texts cross between wxString and bytes as UTF-8.
//
// Threads: strategies hold no state and may be used from any thread; the
// trees they act on are not locked (the repositories serialise them).
#ifndef VEXA_REPOS_DATASTRATEGY_H
#define VEXA_REPOS_DATASTRATEGY_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

// Specialised per value type; the primary template has no definition.
template <class T>
class DataStrategy;

// ---- Shared readers and writers -------------------------------------------

// The attribute read by the atoi rules: leading blanks, an optional sign and
// decimal digits; anything else ends the number. 0 for an empty node, an
// absent attribute or a text without leading digits. Numbers beyond the int
// range saturate at INT_MIN / INT_MAX.
VEXA_REPOS_API int readIntValue(const NamedNode::Ptr& node, const wxString& attribute);
// The same with the attribute name as a literal: no string is made for it
// (readers call these for every field of every record).
VEXA_REPOS_API int readIntValue(const NamedNode::Ptr& node, const wxChar* attribute);
// The same rules for a text already in hand (as UTF-8 bytes).
VEXA_REPOS_API int intFromText(const char* text);

// The attribute's text as UTF-8, as toMB(getAttribute()) gives it but with
// no wide text in between (readers that fill byte fields call it for every
// value); empty for an empty node or an absent attribute. The first form
// reuses the capacity of `bytes` and tells whether the attribute is there.
VEXA_REPOS_API bool bytesOf(const NamedNode::Ptr& node, const wxChar* attribute,
                            std::string& bytes);
VEXA_REPOS_API std::string bytesOf(const NamedNode::Ptr& node, const wxChar* attribute);

// The attribute as an unsigned 32-bit number in `base` (10 or 16; base 16
// also accepts a leading "0x" or "0X"). The whole text must be digits of that
// base: no blanks, no sign. 0 for an empty node, an empty or malformed text,
// a value above 0xFFFFFFFF or another base.
VEXA_REPOS_API std::uint32_t readUnsignedValue(const NamedNode::Ptr& node,
                                               const wxString& attribute, int base);
VEXA_REPOS_API std::uint32_t readUnsignedValue(const NamedNode::Ptr& node, const wxChar* attribute,
                                               int base);

// `text` as an unsigned 32-bit number by the rules of readUnsignedValue.
VEXA_REPOS_API std::uint32_t parseUnsigned(const wxString& text, int base);
VEXA_REPOS_API std::uint32_t parseUnsigned(const std::string& text, int base);

// Fills `buffer`, which must hold `maximum + 1` bytes, with the UTF-8 form of
// the attribute cut to at most `maximum` bytes at a character boundary, and
// zero-fills the rest of the buffer up to and including byte `maximum`. An
// empty node or attribute leaves an empty text. Never writes past
// buffer[maximum].
VEXA_REPOS_API void readTextValue(char* buffer, const NamedNode::Ptr& node,
                                  const wxString& attribute, std::size_t maximum);
VEXA_REPOS_API void readTextValue(char* buffer, const NamedNode::Ptr& node, const wxChar* attribute,
                                  std::size_t maximum);

// The leading decimal number of the attribute (kernel OatofEx); 0 for an
// empty node or a text without a number. Ignores the process locale.
VEXA_REPOS_API double readRealValue(const NamedNode::Ptr& node, const wxString& attribute);
VEXA_REPOS_API double readRealValue(const NamedNode::Ptr& node, const wxChar* attribute);

// `value` as fixed-point text with `decimals` digits after the point (clamped
// to 0..64), with "." whatever the process locale is: formatReal(2.5, 2) is
// "2.50".
VEXA_REPOS_API wxString formatReal(double value, int decimals);

// The first child named `name`, created and appended when there is none; in
// both cases its attributes are removed (its children stay). An empty parent
// gives an empty pointer.
VEXA_REPOS_API NamedNode::Ptr prepareChild(const NamedNode::Ptr& parent, const wxString& name);

// Detaches the first child named `name`; nothing happens when there is none.
VEXA_REPOS_API void removeChild(const NamedNode::Ptr& parent, const wxString& name);

// Children whose name is `prefix` (UTF-8) followed by a non-negative decimal
// number (optional "+", digits only, within int range), by that number in
// ascending order. With `limit` above 0 only numbers below `limit` are
// taken. A later child with the same number replaces an earlier one. Empty
// for an empty node. A list, not a map: readers call this for every row of
// every table.
typedef std::vector<std::pair<int, NamedNode::Ptr>> IndexedChildren;
VEXA_REPOS_API IndexedChildren indexedChildren(const NamedNode::Ptr& node, std::string_view prefix,
                                               int limit);

// The same over the node's attributes: number to attribute text as UTF-8
// (of keys with the same number, the later in key order counts).
typedef std::vector<std::pair<int, std::string>> IndexedTexts;
VEXA_REPOS_API IndexedTexts indexedAttributes(const NamedNode::Ptr& node, std::string_view prefix,
                                              int limit);

// The first child named each of `names` (UTF-8), in the order of `names`,
// found in one pass over the children: a reader of a node with many fields
// would otherwise scan the children once per field. Empty pointers for
// names no child has, and all of them for an empty node.
template <std::size_t N>
std::array<NamedNode::Ptr, N> firstChildren(const NamedNode::Ptr& node,
                                            const std::array<std::string_view, N>& names) {
    std::array<NamedNode::Ptr, N> found;
    if (!node) {
        return found;
    }
    std::size_t missing = N;
    for (const NamedNode::Ptr& child : *node) {
        const std::string name = child->getNameUtf8();
        for (std::size_t i = 0; i < N; ++i) {
            if (names[i] == name) {
                if (!found[i]) {
                    found[i] = child;
                    if (--missing == 0) {
                        return found;
                    }
                }
                break;
            }
        }
    }
    return found;
}

// Text forms shared by the strategies.
VEXA_REPOS_API wxString formatInt(long long value);           // "%d" form
VEXA_REPOS_API wxString formatUnsigned(unsigned long value);  // "%lu" form
VEXA_REPOS_API wxString formatHex8(std::uint32_t value);      // "0x%08x" form
VEXA_REPOS_API wxString formatHex(std::uint32_t value);       // "0x%x" form

// A new child of `parent` named `name` carrying attribute "value" = `text`.
// Returns the child; an empty parent gives a detached node.
VEXA_REPOS_API NamedNode::Ptr appendValueChild(const NamedNode::Ptr& parent, const wxString& name,
                                               const wxString& text);

// The "value" attribute of the child `name`; `found` tells whether the child
// exists. For readers that leave a field untouched when its child is absent.
VEXA_REPOS_API wxString childValue(const NamedNode::Ptr& node, const wxString& name,
                                   bool* found = nullptr);

// ---- Generic instantiations -----------------------------------------------

// A list of names held as the children's names of a "PageSizes" node.
template <>
class VEXA_REPOS_API DataStrategy<std::list<wxString>> {
  public:
    typedef std::list<wxString> Value;
    virtual ~DataStrategy();

    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // Replaces the list with the children's names, in child order; an empty
    // node leaves the list unchanged.
    void load(NamedNode::Ptr node, Value& list) const;
    // Names the node "PageSizes"; when `list` is set, replaces the node's
    // children with one attribute-less child per string. Nothing for an
    // empty node.
    void storeInto(boost::shared_ptr<Value> list, NamedNode::Ptr node) const;
    // A new child of `parent` (always appended) filled by storeInto.
    NamedNode::Ptr storeNew(boost::shared_ptr<Value> list, NamedNode::Ptr parent,
                            const wxString& name) const;
};

// A table of named texts held as a "TableDefaults" node whose children carry
// the texts in their "value" attributes.
template <>
class VEXA_REPOS_API DataStrategy<std::map<wxString, wxString>> {
  public:
    typedef std::map<wxString, wxString> Value;
    virtual ~DataStrategy();

    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // Replaces the map with child name -> "value"; a later child of the same
    // name wins. An empty node leaves the map unchanged.
    void load(NamedNode::Ptr node, Value& map) const;
    // Only when both exist: names the node "TableDefaults" and replaces its
    // children with one child per entry in ascending key order.
    void storeInto(boost::shared_ptr<Value> map, NamedNode::Ptr node) const;
    NamedNode::Ptr storeNew(boost::shared_ptr<Value> map, NamedNode::Ptr parent,
                            const wxString& name) const;
};

// The node's own payload: no conversion, every change is a change of the tree.
template <>
class VEXA_REPOS_API DataStrategy<NamedNodeData> {
  public:
    typedef NamedNodeData Value;
    virtual ~DataStrategy();

    // The node's own data object, shared and not copied; empty for an empty
    // node.
    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // A copy of the node's data; an empty node leaves `data` unchanged.
    void load(NamedNode::Ptr node, Value& data) const;
    // Does nothing: a value from load(node) already is the node's data.
    void storeInto(boost::shared_ptr<Value> data, NamedNode::Ptr node) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_DATASTRATEGY_H
