// Writing of settings trees as XML settings documents.
#ifndef VEXA_REPOS_IMPL_XMLWRITE_H
#define VEXA_REPOS_IMPL_XMLWRITE_H

#include <wx/stream.h>

#include <boost/shared_ptr.hpp>
#include <cstddef>

#include "repos/NodeTraverser.h"

struct _xmlOutputBuffer;
struct _xmlTextWriter;

namespace vexa {
namespace repos {
namespace impl {

// Writes each entered node as an element "node" with "name" first, then its
// attributes in key order, then (root only, unless its map has one) the
// repository namespace. Indented one blank per level. The document is
// complete once the visitor is destroyed: freeing the writer flushes it.
class XMLWritingNodeVisitor : public TrivialNodeVisitor {
public:
    explicit XMLWritingNodeVisitor(wxOutputStream& out);
    ~XMLWritingNodeVisitor() override;

    void start() override;
    void enter(NamedNode::Ptr node) override;
    void leave(NamedNode::Ptr node) override;

    // Indentation stops growing at this depth.
    static const std::size_t kMaxIndent = 256;

private:
    void newLine_(std::size_t depth);

    wxOutputStream* m_out;
    std::size_t m_depth = 0;
    boost::shared_ptr<_xmlOutputBuffer> m_buffer;
    boost::shared_ptr<_xmlTextWriter> m_writer;
};

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_IMPL_XMLWRITE_H
