// The settings tree: named nodes with string attributes and ordered children.
//
// Ownership: a parent owns its children through shared pointers; a child
// refers back to its parent weakly, so whoever holds the root keeps the whole
// tree alive. A node's payload (NamedNodeData) is shared, not copied:
// getData() hands out the node's own payload.
//
// Storage: a node keeps its name and attributes packed as UTF-8 in one
// small block (a settings tree is most of a host's memory, and wide strings
// in a map of its own per node cost several times the file), in the same
// allocation as the node and its shared-pointer count. The accessors
// decode on demand. getData() makes the node's NamedNodeData
// once, from then on the node's storage; a change does the same. So the
// first getData() of a node costs a decode, and such a node takes more room.
//
// Threads: a tree has no lock of its own. One thread at a time builds or
// changes it; the repositories keep readers and writers of a tree apart.
// Readers may share a tree, getData() included.
//
// Narrow texts passed in and out are UTF-8 whatever the process locale.
#ifndef VEXA_REPOS_NAMEDNODE_H
#define VEXA_REPOS_NAMEDNODE_H

#include <wx/string.h>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "repos/Export.h"

namespace vexa {
namespace repos {

// The payload of one node: its name and its attributes in ascending key order
// (ordinal, case-sensitive).
struct VEXA_REPOS_API NamedNodeData {
    wxString name;
    std::map<wxString, wxString> attributes;
};

// Writes `name {` then ` key="value"` per attribute in key order, then ` }`,
// all as UTF-8, unescaped and without a line end. For diagnostics.
VEXA_REPOS_API std::ostream& operator<<(std::ostream& out, const NamedNodeData& data);

class VEXA_REPOS_API NamedNode : public boost::enable_shared_from_this<NamedNode> {
  public:
    typedef boost::shared_ptr<NamedNode> Ptr;
    typedef std::list<Ptr> Children;
    typedef Children::const_iterator const_iterator;

    // A new node with that name and no attributes, children or parent.
    static Ptr Create(const char* name);
    static Ptr Create(const char* name, const std::map<wxString, wxString>& attributes);
    // Wide-string forms, so readers need not convert names through UTF-8.
    static Ptr Create(const wxString& name);
    static Ptr Create(const wxString& name, const std::map<wxString, wxString>& attributes);

    // Releases the subtree without recursion: a chain of any depth is safe.
    ~NamedNode();

    NamedNode(const NamedNode&) = delete;
    NamedNode& operator=(const NamedNode&) = delete;

    wxString getName() const;
    void setName(const char* name);
    void setName(const wxString& name);

    // The value stored under `key`, or an empty string when there is none.
    wxString getAttribute(const char* key) const;
    wxString getAttribute(const wxString& key) const;
    std::map<wxString, wxString> getAttributes() const;
    std::size_t getAttributeCount() const;
    // The value of `key` as UTF-8 into `value`, its capacity reused: for
    // readers that want bytes, no wide string is made. False, and `value`
    // empty, when there is none.
    bool readAttribute(const wxChar* key, std::string& value) const;
    // Calls visit(key, value) for each attribute in key order, both as UTF-8
    // views valid during the call. A node holding text that UTF-8 cannot
    // carry hands it out as kernel::toMB() writes it.
    template <class Visit>
    void forEachAttribute(Visit&& visit) const {
        visitAttributes_(
            [](void* context, std::string_view key, std::string_view value) {
                (*static_cast<std::remove_reference_t<Visit>*>(context))(key, value);
            },
            &visit);
    }
    // Inserts the attribute or overwrites its value.
    void setAttribute(const char* key, const char* value);
    void setAttribute(const wxString& key, const wxString& value);

    // Whether the name is exactly `name`, without a copy of the name.
    bool hasName(const wxString& name) const;
    // The same for `length` wide characters at `name`: for callers holding
    // a piece of a longer text (a step of a key path), no copy is made.
    bool hasName(const wchar_t* name, std::size_t length) const;
    bool hasEmptyName() const;
    // The name as UTF-8 (see forEachAttribute for text UTF-8 cannot carry).
    std::string getNameUtf8() const;

    // A node as a reader found it: name and attributes as UTF-8, stored
    // packed. Keys need no order; of equal keys the last counts. Text that
    // is no well-formed UTF-8 is read as kernel::fromMB() reads it.
    typedef std::pair<std::string_view, std::string_view> Utf8Attribute;
    static Ptr CreateUtf8(std::string_view name, std::vector<Utf8Attribute>& attributes);

    // The node's own payload; the pointer shares ownership of the node.
    boost::shared_ptr<NamedNodeData> getData();
    boost::shared_ptr<const NamedNodeData> getData() const;

    // The parent, or an empty pointer for a root or a parent that is gone.
    Ptr getParent() const;
    bool isRoot() const;
    bool isLeaf() const;
    std::uint64_t getChildCount() const;
    const Children& getChildren() const;
    const_iterator begin() const;
    const_iterator end() const;

    // First child, in list order, named exactly `name`; empty when none.
    Ptr findChild(const wxString& name) const;
    // The same for a literal name: readers look fields up by literals, and
    // no string is made for each lookup.
    Ptr findChild(const wchar_t* name) const;
    // True when this node is a direct child of `node`; false for empty.
    bool isChildOf(Ptr node) const;

    // Attach this node to `parent` (last, first, or before `sibling`; at the
    // end when `sibling` is not a child of `parent`). Nothing happens when
    // `parent` is empty, is this node, or already holds this node.
    void addTo(Ptr parent);
    void insertInto(Ptr parent);
    void addBefore(Ptr parent, Ptr sibling);

    // Removes this node from its parent; its own children stay with it.
    void detach();
    // Removes all children; those still referenced elsewhere become roots.
    void clearChildren();
    // Zero-based position among the parent's children; -1 without parent.
    int childPos() const;

    // Construction goes through Create(); the key keeps the constructor
    // private in effect.
    class Key {
        friend class NamedNode;
        Key() {}
    };
    explicit NamedNode(Key);

  private:
    // A node with room for `textBytes` of packed text in its own allocation
    // (at *text), its count block beside it.
    static Ptr make_(std::size_t textBytes, char** text);
    template <class Attributes>
    static Ptr packed_(std::string_view name, const Attributes& attributes);
    enum class Where { Back, Front, Before };
    Ptr findChild_(const wchar_t* name, std::size_t length) const;
    void attach_(Ptr parent, Where where, const Ptr& sibling);
    typedef void (*AttributeVisit)(void*, std::string_view, std::string_view);
    void visitAttributes_(AttributeVisit visit, void* context) const;
    // The payload as NamedNodeData, made from the packed block on first
    // demand (a change goes through it too).
    NamedNodeData* data_() const;
    friend class TreeBuilder;
    // Whether the name holds any of the ASCII characters `set`.
    bool nameHoldsAnyOf_(const char* set) const;

    struct Text {
        const NamedNodeData* data;  // the payload once made, else null
        const char* packed;         // else the packed block
    };
    Text text_() const;

    // The packed block of name and attributes, which lives in the node's
    // own allocation (layout in NamedNode.cpp), or, low bit set, the
    // NamedNodeData made from it: one word, as a node's size decides its
    // allocation's size class. Atomic because readers sharing a tree may
    // make the payload at the same time; the block stays for those still
    // reading it.
    mutable std::atomic<std::uintptr_t> m_text;
    Children m_children;
    boost::weak_ptr<NamedNode> m_parent;
    // This node's entry in its parent's list, valid while m_parent is set:
    // detach() needs no scan of the parent's children.
    Children::iterator m_self;
};

// Builds a tree from open/close events in document order. Used once.
class VEXA_REPOS_API TreeBuilder {
  public:
    TreeBuilder() = default;

    void addNode(const wxString& name);
    void addNode(const wxString& name, const std::map<wxString, wxString>& attributes);
    // Closes the innermost open node. A node whose name holds "/" or "*"
    // cannot be addressed by a key path and is dropped with its subtree (a
    // warning names it, so the loss is visible). Ignored when no node is open.
    void closeNode();
    // The root once every node is closed; empty while any node is open.
    NamedNode::Ptr getRoot() const;
    // The innermost open node, or empty.
    NamedNode::Ptr getParent() const;

  protected:
    void addNode(NamedNode::Ptr node);

  private:
    NamedNode::Ptr m_root;
    NamedNode::Ptr m_current;
    // The open nodes below the current one, innermost last: closing a node
    // needs no weak-pointer lock of its parent.
    std::vector<NamedNode::Ptr> m_open;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_NAMEDNODE_H
