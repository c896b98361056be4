// Collects the paths of a folder tree for FileObject::findFiles().
//
// The traverser is the sink of a tree walk: the walk calls onDirectory() and
// onFile() for every entry below the folder (dot-files included), and the
// traverser collects the paths, in '/' spelling, whose part after the root
// prefix matches the pattern (matchWildcard, both sides lower-cased). With an
// empty pattern every entry is collected. One traverser serves one walk on
// one thread.
#ifndef VEXA_VFS_LOCAL_LOCALDIRTRAVERSER_H
#define VEXA_VFS_LOCAL_LOCALDIRTRAVERSER_H

#include <wx/string.h>

#include <string>
#include <vector>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class VEXA_VFS_API LocalDirTraverser {
  public:
    // `rootPrefix` is the folder's path in '/' spelling followed by "/".
    LocalDirTraverser(std::vector<wxString>& output, const wxString& pattern,
                      const wxString& rootPrefix);

    // Each returns true: the walk goes on.
    bool onFile(const wxString& path);
    bool onDirectory(const wxString& path);

    // Walks the tree below `folder` with this traverser as sink. False when
    // the folder cannot be read (nothing is collected then).
    bool traverse(const std::string& folder);

  private:
    void collect_(const wxString& path);

    std::vector<wxString>& m_output;
    const wxString m_pattern;  // lower-cased
    const wxString m_rootPrefix;
    const bool m_filter;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALDIRTRAVERSER_H
