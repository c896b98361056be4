#include "repos/NamedNode.h"

#include <algorithm>
#include <boost/smart_ptr/detail/shared_count.hpp>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
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

namespace {

// The packed block of a node:
//   name size, name, attribute count,
//   [count > kIndexAbove: one 32-bit offset per attribute, from the block's
//   start, so a wide row is searched by halves],
//   per attribute in key order: key size, key, value size, value.
// Sizes and the count are unsigned LEB128 (one byte below 128); every text
// is well-formed UTF-8 of characters only (no surrogate, nothing above
// U+10FFFF), so byte order is code point order, the order of the map.
const std::uint32_t kIndexAbove = 8;
// Aligned: the low bit of a node's text word tells a payload from a block.
alignas(8) const char kEmptyPacked[2] = {0, 0};

std::size_t sizeOfSize(std::size_t value) {
    std::size_t bytes = 1;
    for (; value >= 0x80; value >>= 7) {
        ++bytes;
    }
    return bytes;
}

char* putSize(char* out, std::size_t value) {
    for (; value >= 0x80; value >>= 7) {
        *out++ = static_cast<char>(0x80 | (value & 0x7F));
    }
    *out++ = static_cast<char>(value);
    return out;
}

char* putText(char* out, std::string_view text) {
    out = putSize(out, text.size());
    if (!text.empty()) {  // an empty view may hold no pointer at all
        std::memcpy(out, text.data(), text.size());
    }
    return out + text.size();
}

const char* getSize(const char* p, std::uint32_t& value) {
    value = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char byte = static_cast<unsigned char>(*p++);
        value |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
        if (byte < 0x80) {
            return p;
        }
    }
}

const char* getText(const char* p, std::string_view& text) {
    std::uint32_t size = 0;
    p = getSize(p, size);
    text = std::string_view(p, size);
    return p + size;
}

struct Packed {
    std::string_view name;
    std::uint32_t count = 0;
    const char* index = nullptr;  // offsets, or null for a short list
    const char* entries = nullptr;
    const char* block = nullptr;

    explicit Packed(const char* p) : block(p) {
        p = getText(p, name);
        p = getSize(p, count);
        if (count > kIndexAbove) {
            index = p;
            p += 4 * static_cast<std::size_t>(count);
        }
        entries = p;
    }
    const char* entryAt(std::uint32_t i) const {
        std::uint32_t offset = 0;
        std::memcpy(&offset, index + 4 * static_cast<std::size_t>(i), 4);
        return block + offset;
    }
};

const char* getEntry(const char* p, std::string_view& key, std::string_view& value) {
    return getText(getText(p, key), value);
}

// Calls visit(key, value) for each attribute of a packed block, in order.
template <class Visit>
void forEachPacked(const char* block, Visit visit) {
    const Packed packed(block);
    const char* p = packed.entries;
    std::string_view key;
    std::string_view value;
    for (std::uint32_t i = 0; i < packed.count; ++i) {
        p = getEntry(p, key, value);
        visit(key, value);
    }
}

// The code point starting at `p` (well-formed, see above); advances `p`.
std::uint32_t nextCodePoint(const unsigned char*& p) {
    const std::uint32_t lead = *p++;
    if (lead < 0x80) {
        return lead;
    }
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    std::uint32_t c = lead & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        c = (c << 6) | (*p++ & 0x3F);
    }
    return c;
}

// Compares packed text with wide text in the map's order: <0, 0 or >0.
int compareWide(std::string_view utf8, const wchar_t* w, std::size_t length) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const unsigned char* end = p + utf8.size();
    const wchar_t* wEnd = w + length;
    // Names and keys are mostly ASCII: byte against character while both are.
    for (; p != end && w != wEnd && *p < 0x80 && static_cast<unsigned long>(*w) < 0x80; ++p, ++w) {
        if (*p != static_cast<unsigned char>(*w)) {
            return *p < static_cast<unsigned char>(*w) ? -1 : 1;
        }
    }
    for (; p != end && w != wEnd; ++w) {
        // Wide characters compare as wchar_t does in the map's order.
        const long long a = static_cast<long long>(nextCodePoint(p));
        const long long b = static_cast<long long>(*w);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (p == end) {
        return w == wEnd ? 0 : -1;
    }
    return 1;
}

// Whether `text` is well-formed UTF-8 of characters only, the packed form.
bool isPackable(std::string_view text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    // ASCII, most of any settings file, eight bytes at a time.
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ull) {
            break;
        }
    }
    while (p != end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        std::uint32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more) {
            return false;
        }
        std::uint32_t c = lead & (0x3F >> more);
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (p[i] & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            return false;
        }
        p += more + 1;
    }
    return true;
}

bool isPackable(const wxString& text) {
    for (const wxStringCharType *p = text.wx_str(), *end = p + text.length(); p != end; ++p) {
        const std::uint32_t c = static_cast<std::uint32_t>(*p);
        if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
            return false;
        }
    }
    return true;
}

std::size_t sizeOfText(std::string_view text) {
    return sizeOfSize(text.size()) + text.size();
}

// The size of the block of `name` and `count` `attributes`.
template <class Attributes>
std::size_t packedSize(std::string_view name, const Attributes& attributes, std::size_t count) {
    std::size_t size = sizeOfText(name) + sizeOfSize(count) + (count > kIndexAbove ? 4 * count : 0);
    for (const auto& attribute : attributes) {
        size += sizeOfText(attribute.first) + sizeOfText(attribute.second);
    }
    return size;
}

// Writes the block of `name` and `attributes` (in key order, keys unique)
// at `block`, which holds packedSize() bytes.
template <class Attributes>
void packInto(char* const block, std::string_view name, const Attributes& attributes,
              std::size_t count) {
    const bool indexed = count > kIndexAbove;
    char* out = putSize(putText(block, name), count);
    char* index = out;
    if (indexed) {
        out += 4 * count;
    }
    for (const auto& attribute : attributes) {
        if (indexed) {
            const std::uint32_t offset = static_cast<std::uint32_t>(out - block);
            std::memcpy(index, &offset, 4);
            index += 4;
        }
        out = putText(putText(out, attribute.first), attribute.second);
    }
}

// The value of `key` in a packed block, or false.
bool findPacked(const Packed& packed, const wchar_t* key, std::size_t length,
                std::string_view& value) {
    std::string_view entryKey;
    if (packed.index != nullptr) {
        std::uint32_t low = 0;
        std::uint32_t high = packed.count;
        while (low < high) {
            const std::uint32_t middle = low + (high - low) / 2;
            getEntry(packed.entryAt(middle), entryKey, value);
            const int order = compareWide(entryKey, key, length);
            if (order == 0) {
                return true;
            }
            if (order < 0) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return false;
    }
    const char* p = packed.entries;
    // Keys before the wanted one mostly differ in their first character.
    const unsigned long first = length > 0 ? static_cast<unsigned long>(key[0]) : 0;
    for (std::uint32_t i = 0; i < packed.count; ++i) {
        p = getEntry(p, entryKey, value);
        if (first < 0x80 && !entryKey.empty() && static_cast<unsigned char>(entryKey[0]) < first) {
            continue;
        }
        const int order = compareWide(entryKey, key, length);
        if (order >= 0) {
            return order == 0;  // keys ascend: none further can match
        }
    }
    return false;
}

}  // namespace

namespace {

std::uintptr_t wordOf(const void* pointer) {
    return reinterpret_cast<std::uintptr_t>(pointer);
}

// A node's shared-pointer count, the node and its packed text in one
// allocation. make_shared's count block also keeps a pointer, a flag and
// allocator room (40 bytes beside the node, where this keeps 16), and a
// settings tree is a node per few dozen bytes of its file. Built as boost
// builds its own array blocks: a count of its own class, handed to the
// shared pointer, which then owns it like any other.
class NodeBlock final : public boost::detail::sp_counted_base {
  public:
    // A block with `textBytes` of room after the node, its node not yet made.
    static NodeBlock* allocate(std::size_t textBytes) {
        void* memory = ::operator new(sizeof(NodeBlock) + textBytes);
        return new (memory) NodeBlock();
    }
    NamedNode* node() { return reinterpret_cast<NamedNode*>(m_node); }
    char* text() { return reinterpret_cast<char*>(this + 1); }

    void dispose() BOOST_SP_NOEXCEPT override { node()->~NamedNode(); }
    void destroy() BOOST_SP_NOEXCEPT override {
        this->~NodeBlock();
        ::operator delete(static_cast<void*>(this));
    }
    void* get_deleter(const boost::detail::sp_typeinfo_&) BOOST_SP_NOEXCEPT override {
        return nullptr;
    }
    void* get_local_deleter(const boost::detail::sp_typeinfo_&) BOOST_SP_NOEXCEPT override {
        return nullptr;
    }
    void* get_untyped_deleter() BOOST_SP_NOEXCEPT override { return nullptr; }

  private:
    NodeBlock() = default;
    alignas(NamedNode) unsigned char m_node[sizeof(NamedNode)];
};
static_assert(sizeof(NodeBlock) % 8 == 0, "the text after the node stays aligned");

}  // namespace

// A new node with `textBytes` of room for its packed text in its own
// allocation, put at `*text` (null when none is wanted).
NamedNode::Ptr NamedNode::make_(std::size_t textBytes, char** text) {
    NodeBlock* block = NodeBlock::allocate(textBytes);
    NamedNode* node = new (block->node()) NamedNode(Key());
    Ptr made(boost::detail::sp_internal_constructor_tag(), node,
             boost::detail::shared_count(static_cast<boost::detail::sp_counted_base*>(block)));
    node->_internal_accept_owner(&made, node);
    if (text != nullptr) {
        *text = textBytes > 0 ? block->text() : nullptr;
    }
    return made;
}

NamedNode::NamedNode(Key) : m_text(wordOf(kEmptyPacked)) {}

NamedNode::Text NamedNode::text_() const {
    const std::uintptr_t word = m_text.load(std::memory_order_acquire);
    if (word & 1) {
        return Text{reinterpret_cast<NamedNodeData*>(word - 1), nullptr};
    }
    return Text{nullptr, reinterpret_cast<const char*>(word)};
}

NamedNode::~NamedNode() {
    const std::uintptr_t word = m_text.load(std::memory_order_relaxed);
    if (word & 1) {
        delete reinterpret_cast<NamedNodeData*>(word - 1);
    }
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
    return Create(name, std::map<wxString, wxString>());
}

NamedNode::Ptr NamedNode::Create(const wxString& name,
                                 const std::map<wxString, wxString>& attributes) {
    bool packable = isPackable(name);
    for (auto a = attributes.begin(); packable && a != attributes.end(); ++a) {
        packable = isPackable(a->first) && isPackable(a->second);
    }
    if (!packable) {
        Ptr node = make_(0, nullptr);
        node->m_text.store(wordOf(new NamedNodeData{name, attributes}) | 1,
                           std::memory_order_relaxed);
        return node;
    }
    if (name.empty() && attributes.empty()) {
        return make_(0, nullptr);
    }
    std::vector<std::pair<std::string, std::string>> utf8;
    utf8.reserve(attributes.size());
    for (const auto& attribute : attributes) {
        utf8.emplace_back(toMB(attribute.first), toMB(attribute.second));
    }
    return packed_(toMB(name), utf8);
}

template <class Attributes>
NamedNode::Ptr NamedNode::packed_(std::string_view name, const Attributes& attributes) {
    char* block = nullptr;
    Ptr node = make_(packedSize(name, attributes, attributes.size()), &block);
    packInto(block, name, attributes, attributes.size());
    node->m_text.store(wordOf(block), std::memory_order_relaxed);
    return node;
}

NamedNode::Ptr NamedNode::CreateUtf8(std::string_view name,
                                     std::vector<Utf8Attribute>& attributes) {
    bool packable = isPackable(name);
    for (auto a = attributes.begin(); packable && a != attributes.end(); ++a) {
        packable = isPackable(a->first) && isPackable(a->second);
    }
    if (!packable) {
        // Bytes that are no characters keep their escapes, as every reader's
        // text does; such a node keeps its payload unpacked.
        std::map<wxString, wxString> wide;
        for (const Utf8Attribute& a : attributes) {
            wide[fromMB(a.first.data(), a.first.size())] = fromMB(a.second.data(), a.second.size());
        }
        Ptr node = make_(0, nullptr);
        NamedNodeData* made = new NamedNodeData{fromMB(name.data(), name.size()), std::move(wide)};
        node->m_text.store(wordOf(made) | 1, std::memory_order_relaxed);
        return node;
    }
    // Written files list keys in order already: one pass finds that, where a
    // stable sort would take a buffer per node.
    const auto byKey = [](const Utf8Attribute& a, const Utf8Attribute& b) {
        return a.first < b.first;
    };
    if (!std::is_sorted(attributes.begin(), attributes.end(), byKey)) {
        std::stable_sort(attributes.begin(), attributes.end(), byKey);
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        if (kept > 0 && attributes[kept - 1].first == attributes[i].first) {
            attributes[kept - 1].second = attributes[i].second;  // the last counts
        } else {
            attributes[kept++] = attributes[i];
        }
    }
    attributes.resize(kept);
    if (name.empty() && kept == 0) {
        return make_(0, nullptr);
    }
    return packed_(name, attributes);
}

NamedNodeData* NamedNode::data_() const {
    std::uintptr_t word = m_text.load(std::memory_order_acquire);
    if (word & 1) {
        return reinterpret_cast<NamedNodeData*>(word - 1);
    }
    std::unique_ptr<NamedNodeData> made(new NamedNodeData);
    made->name = getName();
    made->attributes = getAttributes();
    // Readers sharing the tree may get here at once: the first one's stays.
    // The packed block stays in the node's allocation for readers still in it.
    if (m_text.compare_exchange_strong(word, wordOf(made.get()) | 1, std::memory_order_acq_rel,
                                       std::memory_order_acquire)) {
        return made.release();
    }
    return reinterpret_cast<NamedNodeData*>(word - 1);
}

wxString NamedNode::getName() const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        return data->name;
    }
    const Packed packed(text.packed);
    return fromMB(packed.name.data(), packed.name.size());
}

std::string NamedNode::getNameUtf8() const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        return toMB(data->name);
    }
    return std::string(Packed(text.packed).name);
}

bool NamedNode::hasName(const wxString& name) const {
    return hasName(name.wx_str(), name.length());
}

bool NamedNode::hasName(const wchar_t* name, std::size_t length) const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        return data->name.length() == length &&
               std::wmemcmp(data->name.wx_str(), name, length) == 0;
    }
    const std::string_view packed = Packed(text.packed).name;
    // Each character takes at least one byte: a shorter text cannot match;
    // siblings mostly differ in their first character already.
    if (packed.size() < length) {
        return false;
    }
    if (length > 0 && static_cast<unsigned char>(packed[0]) < 0x80 &&
        static_cast<unsigned long>(name[0]) != static_cast<unsigned char>(packed[0])) {
        return false;
    }
    return compareWide(packed, name, length) == 0;
}

bool NamedNode::hasEmptyName() const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        return data->name.empty();
    }
    return Packed(text.packed).name.empty();
}

bool NamedNode::nameHoldsAnyOf_(const char* set) const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        return data->name.find_first_of(fromMB(set)) != wxString::npos;
    }
    // One search of the name per character of the (short) set, where
    // find_first_of searches the set once per byte of the name.
    const std::string_view name = Packed(text.packed).name;
    if (name.empty()) {
        return false;  // an empty view may hold no pointer for memchr
    }
    for (const char* s = set; *s != 0; ++s) {
        if (std::memchr(name.data(), *s, name.size()) != nullptr) {
            return true;
        }
    }
    return false;
}

void NamedNode::setName(const char* name) {
    data_()->name = fromMB(name);
}

void NamedNode::setName(const wxString& name) {
    data_()->name = name;
}

wxString NamedNode::getAttribute(const char* key) const {
    return getAttribute(fromMB(key));
}

wxString NamedNode::getAttribute(const wxString& key) const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        auto found = data->attributes.find(key);
        return found == data->attributes.end() ? wxString() : found->second;
    }
    std::string_view value;
    return findPacked(Packed(text.packed), key.wx_str(), key.length(), value)
               ? fromMB(value.data(), value.size())
               : wxString();
}

bool NamedNode::readAttribute(const wxChar* key, std::string& value) const {
    value.clear();
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        auto found = data->attributes.find(key);
        if (found == data->attributes.end()) {
            return false;
        }
        value = toMB(found->second);
        return true;
    }
    // The caller's literal is compared in place: no wide string is made.
    std::string_view found;
    if (!findPacked(Packed(text.packed), key, std::wcslen(key), found)) {
        return false;
    }
    value.assign(found.data(), found.size());
    return true;
}

std::map<wxString, wxString> NamedNode::getAttributes() const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        return data->attributes;
    }
    std::map<wxString, wxString> attributes;
    forEachPacked(text.packed, [&attributes](std::string_view key, std::string_view value) {
        attributes.emplace_hint(attributes.end(), fromMB(key.data(), key.size()),
                                fromMB(value.data(), value.size()));
    });
    return attributes;
}

std::size_t NamedNode::getAttributeCount() const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        return data->attributes.size();
    }
    return Packed(text.packed).count;
}

void NamedNode::visitAttributes_(AttributeVisit visit, void* context) const {
    const Text text = text_();
    if (const NamedNodeData* data = text.data) {
        for (const auto& attribute : data->attributes) {
            const std::string key = toMB(attribute.first);
            const std::string value = toMB(attribute.second);
            visit(context, key, value);
        }
        return;
    }
    forEachPacked(text.packed, [&](std::string_view key, std::string_view value) {
        visit(context, key, value);
    });
}

void NamedNode::setAttribute(const char* key, const char* value) {
    setAttribute(fromMB(key), fromMB(value));
}

void NamedNode::setAttribute(const wxString& key, const wxString& value) {
    data_()->attributes[key] = value;
}

boost::shared_ptr<NamedNodeData> NamedNode::getData() {
    return boost::shared_ptr<NamedNodeData>(shared_from_this(), data_());
}

boost::shared_ptr<const NamedNodeData> NamedNode::getData() const {
    return boost::shared_ptr<const NamedNodeData>(shared_from_this(), data_());
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
    return findChild_(name.wx_str(), name.length());
}

NamedNode::Ptr NamedNode::findChild(const wchar_t* name) const {
    return name != nullptr ? findChild_(name, std::wcslen(name)) : findChild_(L"", 0);
}

NamedNode::Ptr NamedNode::findChild_(const wchar_t* name, std::size_t length) const {
    for (const Ptr& child : m_children) {
        if (child->hasName(name, length)) {
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
        if (node->m_parent.expired() && node != m_current) {
            // A new node leaves no list: straight onto the open node's.
            node->m_self = m_current->m_children.insert(m_current->m_children.end(), node);
            node->m_parent = m_current;
        } else {
            node->addTo(m_current);
        }
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
    if (closed->nameHoldsAnyOf_("/*")) {
        // A key path cannot address this node; keep the loss visible.
        VEXA_LOG_WARNING("Settings tree: dropped node \"%s\" whose name holds '/' or '*'",
                         closed->getName());
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
