// Writing of settings trees as brace text (the reserved names and the
// layout are described in repos/FParseSettingsStrategy.h).
#ifndef VEXA_REPOS_IMPL_FPARSEWRITE_H
#define VEXA_REPOS_IMPL_FPARSEWRITE_H

#include <wx/stream.h>

#include <cstdint>
#include <deque>
#include <string>
#include <utility>

#include "repos/NodeTraverser.h"

namespace vexa {
namespace repos {
namespace impl {

// Writes each node as its brace form while the tree is walked. Every open
// node has a level: the indent of its children (-1: the node writes no
// closing line) and the number of "_entry" words on its current line (ten
// share a line). Indentation is one blank per level; line ends are "\n".
//
// Children are written as the items of a mixed list ("_entry" words, "_list"
// lists) when all of them are such nodes, and by their names otherwise.
// Layout beyond the format's rules, chosen so the text stays readable and
// reads back: a leaf or a nested list after "_entry" words starts a new
// line; a root with children whose name begins with "_" writes neither an
// opening line nor a closing brace (see FParseSettingsStrategy.h).
class FParseWritingNodeVisitor : public TrivialNodeVisitor {
  public:
    explicit FParseWritingNodeVisitor(wxOutputStream& out);
    ~FParseWritingNodeVisitor() override;

    void start() override;
    void enter(NamedNode::Ptr node) override;
    void leave(NamedNode::Ptr node) override;

  private:
    typedef std::pair<std::int32_t, std::int32_t> Level;  // indent, entries on the line

    void write_(const std::string& text);

    wxOutputStream* m_out;
    std::deque<Level> m_levels;
    std::deque<bool> m_items;  // per open node: its children are list items
    bool m_bareRoot = false;
};

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_IMPL_FPARSEWRITE_H
