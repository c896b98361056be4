// The XML settings format: every element is a node named by its "name"
// attribute; its other attributes are the node's attributes.
//
// Written: a UTF-8 declaration, elements "node" with "name" first and the
// attributes in key order, the repository namespace on the root (unless its
// map has "xmlns"), one blank of indentation per level. Read: any element is
// a node; text, comments and processing instructions are ignored.
//
// Stateless; one object may be shared between threads.
#ifndef VEXA_REPOS_XMLSETTINGSSTRATEGY_H
#define VEXA_REPOS_XMLSETTINGSSTRATEGY_H

#include "repos/Export.h"
#include "repos/Settings.h"

namespace vexa {
namespace repos {

// The namespace URI written on the root element of every settings file.
VEXA_REPOS_API extern const char* const kRepositoryNamespace;

class VEXA_REPOS_API XMLSettingsStrategy : public ISettingsStrategy {
  public:
    ~XMLSettingsStrategy() override;
    // Writes nothing when `root` is empty; reports nothing when `out` fails.
    void store(NamedNode::Ptr root, wxOutputStream& out) override;
    // The root, or an empty pointer on any failure (logged at debug level).
    // Never throws; `in` is rewound to its start in every case.
    NamedNode::Ptr load(wxInputStream& in) override;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_XMLSETTINGSSTRATEGY_H
