// The brace text settings format of older settings files: words, nested
// brace lists and attribute blocks (the lexical form is the kernel's, see
// kernel/FParse.h).
//
// Reading maps the parsed lists onto a settings tree; writing walks the tree
// and writes the lists back. Because a tree holds only named nodes with
// string attributes, the brace structure travels in reserved names that
// begin with "_":
//   "_value"      attribute: the single word of a one-word list
//   "_numval"     attribute: number of words of a list of words only ("%d")
//   "_val<n>"     attribute: the n-th word (from 1) of such a list
//   "_entry<n>"   node: the n-th item of a mixed list, a word (in "_value")
//   "_list<n>"    node: the n-th item of a mixed list, a list
//   "_List"       root of a file whose first item is a list
//   "_<word>"     root of a file whose first item is a word not followed by
//                 exactly one list
// Attributes whose names do not begin with "_" are ordinary and travel in
// an attribute block; other names beginning with "_" are not written at
// all. Children are written as the items of a mixed list when every one of
// them is named "_entry..." or "_list..."; otherwise each is written by its
// name, whatever it begins with.
//
// A tree read from a file is written so that it reads back into the same
// tree. A root with children whose name begins with "_" writes no line of
// its own: its items open the file, and reading names the root by them
// again ("_" + the first word, or "_List"). Nor does it write a closing
// brace, so readers that refuse an unmatched "}" read the file too. Its
// name and attributes are thereby not written: such a root not read from a
// file (say "_x" holding a single named list) reads back under the name
// its items give.
//
// The library never chooses this format on its own; hosts hand the strategy
// to SettingsManager::NewSettings or call load and store themselves.
// Stateless; one object may be shared between threads.
#ifndef VEXA_REPOS_FPARSESETTINGSSTRATEGY_H
#define VEXA_REPOS_FPARSESETTINGSSTRATEGY_H

#include "repos/Export.h"
#include "repos/Settings.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API FParseSettingsStrategy : public ISettingsStrategy {
  public:
    ~FParseSettingsStrategy() override;
    // Writes nothing when `root` is empty. Does not test `out` for errors.
    void store(NamedNode::Ptr root, wxOutputStream& out) override;
    // The root, or an empty pointer when `in` holds no brace text: it cannot
    // be read, it starts with "<?xml", it has a syntax error or no items.
    // The reason is logged at debug level ("Could not open file on stream",
    // "Could not attach a parser", "Found XML stream", "File has no
    // contents"). `in` is read from its current position and rewound to its
    // start in every case.
    NamedNode::Ptr load(wxInputStream& in) override;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_FPARSESETTINGSSTRATEGY_H
