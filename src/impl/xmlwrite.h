// Writing of settings trees as XML settings documents.
#ifndef VEXA_REPOS_IMPL_XMLWRITE_H
#define VEXA_REPOS_IMPL_XMLWRITE_H

#include <wx/stream.h>

#include <cstddef>
#include <string>

#include "repos/NodeTraverser.h"

namespace vexa {
namespace repos {
namespace impl {

// Writes each entered node as an element "node" with "name" first, then its
// attributes in key order, then (root only, unless its map has one) the
// repository namespace; a leaf in the "/>" form, any other element with an
// end tag on a line of its own; one blank of indentation per level.
//
// The bytes are those of libxml2's text writer with indentation on (same
// escaping: &lt; &gt; &amp; &quot; &#10; &#13; &#9;, other text as UTF-8),
// produced directly from the nodes' UTF-8 text: a settings file is written
// on every save and the general writer spends most of its time converting
// and escaping through temporary buffers.
//
// Output is buffered and handed to the stream in blocks; a stream that fails
// stops the writing and is not reported (the caller checks the stream).
class XMLWritingNodeVisitor : public TrivialNodeVisitor {
  public:
    explicit XMLWritingNodeVisitor(wxOutputStream& out);
    ~XMLWritingNodeVisitor() override;

    void start() override;
    void enter(NamedNode::Ptr node) override;
    void leave(NamedNode::Ptr node) override;
    void finish() override;

    // Indentation stops growing at this depth: full indentation of a chain
    // of n nodes costs n*n/2 blanks, and no reader takes files deeper than
    // 256 levels anyway.
    static constexpr std::size_t kMaxIndent = 256;

  private:
    void newLine_(std::size_t depth);
    void flush_();

    wxOutputStream* m_out;
    std::string m_buffer;
    std::size_t m_depth = 0;
    bool m_failed = false;
};

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_IMPL_XMLWRITE_H
