#include "repos/NamedNode.h"

#include <boost/make_shared.hpp>
#include <cwchar>
#include <vector>

#include "kernel/Text.h"
#include "logger/Log.h"

namespace vexa {
namespace repos {

using kernel::fromMB;
using kernel::toMB;

std::ostream& operator<<(std::ostream& out, const NamedNodeData& data) {
    out << toMB(data.name) << " {";
    for (const auto& attribute : data.attributes) {
        out << ' ' << toMB(attribute.first) << "=\"" << toMB(attribute.second) << '"';
    }
    return out << " }";
}

NamedNode::NamedNode(Key) {}

NamedNode::~NamedNode() {
    if (m_children.empty()) {
        return;
    }
    // Tear the subtree down with an explicit stack: the default destructor
    // recurses once per level and a deep chain would overflow the stack.
    std::vector<Ptr> pending;
    for (Ptr& child : m_children) {
        pending.push_back(std::move(child));
    }
    m_children.clear();
    while (!pending.empty()) {
        Ptr node = std::move(pending.back());
        pending.pop_back();
        if (node.use_count() == 1) {
            for (Ptr& child : node->m_children) {
                pending.push_back(std::move(child));
            }
            node->m_children.clear();
        }
    }
}

NamedNode::Ptr NamedNode::Create(const char* name) {
    return Create(fromMB(name));
}

NamedNode::Ptr NamedNode::Create(const char* name, const std::map<wxString, wxString>& attributes) {
    return Create(fromMB(name), attributes);
}

NamedNode::Ptr NamedNode::Create(const wxString& name) {
    Ptr node = boost::make_shared<NamedNode>(Key());
    node->m_data.name = name;
    return node;
}

NamedNode::Ptr NamedNode::Create(const wxString& name,
                                 const std::map<wxString, wxString>& attributes) {
    Ptr node = boost::make_shared<NamedNode>(Key());
    node->m_data.name = name;
    node->m_data.attributes = attributes;
    return node;
}

wxString NamedNode::getName() const {
    return m_data.name;
}

void NamedNode::setName(const char* name) {
    m_data.name = fromMB(name);
}

void NamedNode::setName(const wxString& name) {
    m_data.name = name;
}

wxString NamedNode::getAttribute(const char* key) const {
    return getAttribute(fromMB(key));
}

wxString NamedNode::getAttribute(const wxString& key) const {
    auto found = m_data.attributes.find(key);
    return found == m_data.attributes.end() ? wxString() : found->second;
}

const wxString* NamedNode::findAttribute(const wxString& key) const {
    auto found = m_data.attributes.find(key);
    return found == m_data.attributes.end() ? nullptr : &found->second;
}

const wxString* NamedNode::findAttribute(const wxChar* key) const {
    // Most nodes have a handful of attributes: comparing in place is cheaper
    // than making a wide string of the key for the map's lookup. Wide rows
    // (level tables) keep the map's logarithmic lookup.
    if (m_data.attributes.size() > 8) {
        return findAttribute(wxString(key));
    }
    for (const auto& attribute : m_data.attributes) {
        if (std::wcscmp(attribute.first.wx_str(), key) == 0) {
            return &attribute.second;
        }
    }
    return nullptr;
}

std::map<wxString, wxString> NamedNode::getAttributes() const {
    return m_data.attributes;
}

void NamedNode::setAttribute(const char* key, const char* value) {
    setAttribute(fromMB(key), fromMB(value));
}

void NamedNode::setAttribute(const wxString& key, const wxString& value) {
    m_data.attributes[key] = value;
}

boost::shared_ptr<NamedNodeData> NamedNode::getData() {
    return boost::shared_ptr<NamedNodeData>(shared_from_this(), &m_data);
}

boost::shared_ptr<const NamedNodeData> NamedNode::getData() const {
    return boost::shared_ptr<const NamedNodeData>(shared_from_this(), &m_data);
}

NamedNode::Ptr NamedNode::getParent() const {
    return m_parent.lock();
}

bool NamedNode::isRoot() const {
    return m_parent.expired();
}

bool NamedNode::isLeaf() const {
    return m_children.empty();
}

std::uint64_t NamedNode::getChildCount() const {
    return m_children.size();
}

const NamedNode::Children& NamedNode::getChildren() const {
    return m_children;
}

NamedNode::const_iterator NamedNode::begin() const {
    return m_children.begin();
}

NamedNode::const_iterator NamedNode::end() const {
    return m_children.end();
}

NamedNode::Ptr NamedNode::findChild(const wxString& name) const {
    for (const Ptr& child : m_children) {
        if (child->m_data.name == name) {
            return child;
        }
    }
    return Ptr();
}

bool NamedNode::isChildOf(Ptr node) const {
    // The parent link names exactly the list this node is an entry of, so
    // no scan of the parent's children is needed. Comparing owners spares
    // the lock of the weak pointer; `node` being alive, equal owners mean
    // the live parent.
    return node && !m_parent.owner_before(node) && !node.owner_before(m_parent) &&
           !m_parent.expired();
}

void NamedNode::addTo(Ptr parent) {
    attach_(parent, Where::Back, Ptr());
}

void NamedNode::insertInto(Ptr parent) {
    attach_(parent, Where::Front, Ptr());
}

void NamedNode::addBefore(Ptr parent, Ptr sibling) {
    attach_(parent, Where::Before, sibling);
}

void NamedNode::attach_(Ptr parent, Where where, const Ptr& sibling) {
    if (!parent || parent.get() == this || isChildOf(parent)) {
        return;
    }
    // Keep this node alive while it moves between lists.
    Ptr self = shared_from_this();
    detach();
    Children::iterator position = parent->m_children.end();
    if (where == Where::Front) {
        position = parent->m_children.begin();
    } else if (where == Where::Before && sibling && sibling->isChildOf(parent)) {
        position = sibling->m_self;
    }
    m_self = parent->m_children.insert(position, self);
    m_parent = parent;
}

void NamedNode::detach() {
    if (m_parent.expired()) {
        m_parent.reset();
        return;
    }
    Ptr parent = m_parent.lock();
    if (!parent) {
        m_parent.reset();
        return;
    }
    Ptr self = shared_from_this();  // the list entry may be the last owner
    parent->m_children.erase(m_self);
    m_self = Children::iterator();
    m_parent.reset();
}

void NamedNode::clearChildren() {
    if (m_children.empty()) {
        return;
    }
    for (const Ptr& child : m_children) {
        child->m_parent.reset();
        child->m_self = Children::iterator();
    }
    Children released;
    released.swap(m_children);
}

int NamedNode::childPos() const {
    Ptr parent = m_parent.lock();
    if (!parent) {
        return -1;
    }
    int position = 0;
    for (const Ptr& child : parent->m_children) {
        if (child.get() == this) {
            return position;
        }
        ++position;
    }
    return -1;
}

void TreeBuilder::addNode(const wxString& name) {
    addNode(NamedNode::Create(name));
}

void TreeBuilder::addNode(const wxString& name, const std::map<wxString, wxString>& attributes) {
    addNode(NamedNode::Create(name, attributes));
}

void TreeBuilder::addNode(NamedNode::Ptr node) {
    if (m_current) {
        node->addTo(m_current);
        m_open.push_back(std::move(m_current));
    } else {
        m_root = node;
    }
    m_current = std::move(node);
}

void TreeBuilder::closeNode() {
    if (!m_current) {
        return;
    }
    NamedNode::Ptr closed = std::move(m_current);
    if (closed == m_root) {
        return;  // nothing is open any more; the root is never dropped
    }
    if (!m_open.empty()) {
        m_current = std::move(m_open.back());
        m_open.pop_back();
    }
    const wxString& name = closed->payload().name;
    if (name.find_first_of(wxT("/*")) != wxString::npos) {
        // A key path cannot address this node; keep the loss visible.
        VEXA_LOG_WARNING("Settings tree: dropped node \"%s\" whose name holds '/' or '*'", name);
        closed->detach();
    }
}

NamedNode::Ptr TreeBuilder::getRoot() const {
    return m_current ? NamedNode::Ptr() : m_root;
}

NamedNode::Ptr TreeBuilder::getParent() const {
    return m_current;
}

}  // namespace repos
}  // namespace vexa
