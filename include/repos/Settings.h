// A loaded settings file: the root of its tree and the format that writes it.
//
// Ownership: a Settings object owns its tree through the root; data couples
// made from it share the root so the tree outlives them. Handed out as
// boost::shared_ptr only.
//
// Key paths: "Printer/PortName" names the root ("Printer") and then its
// children ("PortName"); "*" matches any non-empty name; extra slashes are
// ignored; matching is case-sensitive; nothing below a match is searched.
//
// Threads: a Settings object is not locked; the repositories serialise it.
#ifndef VEXA_REPOS_SETTINGS_H
#define VEXA_REPOS_SETTINGS_H

#include <wx/stream.h>
#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <list>
#include <map>

#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

// A settings file format.
class VEXA_REPOS_API ISettingsStrategy {
  public:
    virtual ~ISettingsStrategy();
    // Writes the tree below and including `root` to `out`.
    virtual void store(NamedNode::Ptr root, wxOutputStream& out) = 0;
    // Reads a whole tree; an empty pointer when nothing could be read.
    virtual NamedNode::Ptr load(wxInputStream& in) = 0;
};

class SettingsAccess;

class VEXA_REPOS_API Settings {
  public:
    Settings(NamedNode::Ptr root, boost::shared_ptr<ISettingsStrategy> strategy);

    // Writes the tree with this object's strategy; passes on what it throws.
    void storeTo(wxOutputStream& out);

    NamedNode::Ptr getRoot() const { return m_root; }
    boost::shared_ptr<ISettingsStrategy> getStrategy() const { return m_strategy; }

  private:
    friend class SettingsAccess;
    // Every node matching the key path, in document order.
    std::list<NamedNode::Ptr> findNodes_(const wxString& path) const;

    NamedNode::Ptr m_root;
    boost::shared_ptr<ISettingsStrategy> m_strategy;
};

// The one door to Settings::findNodes_ for the typed lookups and the
// repositories.
class VEXA_REPOS_API SettingsAccess {
  public:
    static std::list<NamedNode::Ptr> findNodes(const Settings& settings, const wxString& path) {
        return settings.findNodes_(path);
    }
};

class VEXA_REPOS_API SettingsManager {
  public:
    // Reads `in` as XML; an empty pointer when no tree was read. Never throws
    // for bad input; the stream is rewound.
    static boost::shared_ptr<Settings> GetSettings(wxInputStream& in);
    // A single-node tree; an empty strategy means XML.
    static boost::shared_ptr<Settings> NewSettings(const wxString& name,
                                                   const std::map<wxString, wxString>& attributes,
                                                   boost::shared_ptr<ISettingsStrategy> strategy);
    static boost::shared_ptr<Settings> NewSettings(const wxString& name,
                                                   boost::shared_ptr<ISettingsStrategy> strategy);
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_SETTINGS_H
