// Reading of XML settings streams into settings trees.
#ifndef VEXA_REPOS_IMPL_XMLREAD_H
#define VEXA_REPOS_IMPL_XMLREAD_H

#include <wx/stream.h>

#include "repos/NamedNode.h"

namespace vexa {
namespace repos {
namespace impl {

// Reads a whole XML document from `in` into a tree: every element is a node,
// its "name" attribute the node's name, every other attribute (namespace
// declarations included) an attribute of the node. Returns the root, or an
// empty pointer on any failure, which is logged at debug level and never
// thrown. `in` is positioned back to its start in every case.
NamedNode::Ptr readXmlStream(wxInputStream& in);

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_IMPL_XMLREAD_H
