// Data couples: a typed value bound to the settings node it was read from,
// written back into that node when the last holder lets go after a change.
//
// Ownership: copies of a couple share one record holding the node, the root
// of the tree the node was found in (held only to keep that tree alive), the
// strategy and the loaded value. The value is loaded when the couple is made.
// When the last copy goes and the value was asked for with modify(), the
// strategy writes it into the node; get() alone never changes the tree. The
// write-back changes the tree in memory only: a repository lets its couples
// go before it saves.
//
// Threads: couples are not synchronised (only the reference counts are
// atomic). Use them under the repository's read or write lock and never
// change one couple from two threads.
#ifndef VEXA_REPOS_DATACOUPLE_H
#define VEXA_REPOS_DATACOUPLE_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <list>

#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"
#include "repos/RepositoryException.h"
#include "repos/Settings.h"

namespace vexa {
namespace repos {

namespace detail {
// Logs a failed write-back at warning level. Never throws.
VEXA_REPOS_API void reportWriteBackFailure(const char* reason) noexcept;
}  // namespace detail

template <class T>
class DataCouple {
  public:
    typedef T Value;

    // An empty couple: get() and modify() throw EmptyDataCoupleException.
    DataCouple() = default;

    // Binds `node` (may be empty) and loads its value at once with
    // `strategy`. `owner` is the root of the tree holding `node`.
    DataCouple(NamedNode::Ptr node, NamedNode::Ptr owner,
               const DataStrategy<T>& strategy = DataStrategy<T>())
        : m_internals(new Internals_(node, owner, strategy)) {
        m_internals->value = m_internals->strategy.load(m_internals->node);
    }

    // The value for reading. Throws EmptyDataCoupleException when the couple
    // has no node or no value.
    const T& get() const { return *checked_(); }

    // The value for changing; marks the couple so that its last release
    // writes the value back, changed or not. Throws like get().
    T& modify() {
        T& value = *checked_();
        m_internals->changed = true;
        return value;
    }

    // The bound node; empty for an empty couple. Never throws.
    NamedNode::Ptr getNode() const { return m_internals ? m_internals->node : NamedNode::Ptr(); }

    // True when get() would succeed.
    bool isEmpty() const { return !m_internals || !m_internals->node || !m_internals->value; }

  private:
    struct Internals_ {
        Internals_(const NamedNode::Ptr& n, const NamedNode::Ptr& o, const DataStrategy<T>& s)
            : node(n), owner(o), strategy(s), changed(false) {}
        Internals_(const Internals_&) = delete;
        Internals_& operator=(const Internals_&) = delete;

        // The write-back; a failure is logged and swallowed, never thrown
        // out of a destructor.
        ~Internals_() {
            if (!value || !node || !changed) {
                return;
            }
            try {
                strategy.storeInto(value, node);
            } catch (const std::exception& e) {
                detail::reportWriteBackFailure(e.what());
            } catch (...) {
                detail::reportWriteBackFailure("unknown exception");
            }
        }

        NamedNode::Ptr node;
        NamedNode::Ptr owner;
        DataStrategy<T> strategy;
        boost::shared_ptr<T> value;
        bool changed;
    };

    T* checked_() const {
        if (!m_internals || !m_internals->value || !m_internals->node) {
            throw EmptyDataCoupleException();
        }
        return m_internals->value.get();
    }

    boost::shared_ptr<Internals_> m_internals;
};

// A couple of the first node of `settings` matching the key path `path`
// (for example "Printer/PortList"), owned by the settings' root. When nothing
// matches, the couple's node and owner are empty and get() throws
// EmptyDataCoupleException.
template <class T>
DataCouple<T> findCouple(const Settings& settings, const wxString& path,
                         const DataStrategy<T>& strategy = DataStrategy<T>()) {
    const std::list<NamedNode::Ptr> nodes = SettingsAccess::findNodes(settings, path);
    if (nodes.empty()) {
        return DataCouple<T>(NamedNode::Ptr(), NamedNode::Ptr(), strategy);
    }
    return DataCouple<T>(nodes.front(), settings.getRoot(), strategy);
}

// The value of the first node of `settings` matching `path`, loaded
// straight from the node for a cache to keep: no couple, so no deep copy of
// a value the couple would have loaded anyway. Empty when nothing matches.
template <class T>
boost::shared_ptr<T> loadFirst(const Settings& settings, const wxString& path,
                               const DataStrategy<T>& strategy = DataStrategy<T>()) {
    const std::list<NamedNode::Ptr> nodes = SettingsAccess::findNodes(settings, path);
    return nodes.empty() ? boost::shared_ptr<T>() : strategy.load(nodes.front());
}

// One couple per node matching `path`, in document order, all owned by the
// settings' root. Empty when nothing matches.
template <class T>
std::list<DataCouple<T>> findCouples(const Settings& settings, const wxString& path,
                                     const DataStrategy<T>& strategy = DataStrategy<T>()) {
    std::list<DataCouple<T>> couples;
    const NamedNode::Ptr owner = settings.getRoot();
    for (const NamedNode::Ptr& node : SettingsAccess::findNodes(settings, path)) {
        couples.push_back(DataCouple<T>(node, owner, strategy));
    }
    return couples;
}

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_DATACOUPLE_H
