// The caching base of file names.
//
// AbstractFileName stores a scheme and a '/'-separated path and derives the
// base name, extension, URI and the parent and ancestor relations from them.
// A provider adds its root through createName() and getRootURI(). Nothing
// is cached: a host keeps a name for every file object it holds, so a name
// holds its path and nothing else, and is immutable and shared between
// threads freely. The derived parts are cheap to compute again.
#ifndef VEXA_VFS_ABSTRACTFILENAME_H
#define VEXA_VFS_ABSTRACTFILENAME_H

#include <wx/string.h>

#include <string>

#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {

class VEXA_VFS_API AbstractFileName : public FileName {
  public:
    ~AbstractFileName() override;
    AbstractFileName(const AbstractFileName&) = delete;
    AbstractFileName& operator=(const AbstractFileName&) = delete;

    wxString getBaseName() const override;
    wxString getPath() const override;
    wxString getNativePath() const override;
    wxString getExtension() const override;
    bool hasParent() const override;
    wxString getScheme() const override;
    wxString getURI() const override;
    wxString toString() const override;
    FileNamePtr getRoot() const override;
    FileNamePtr getParent() const override;
    bool isDescendantOf(const FileName& other) const override;
    bool isAncestorOf(const FileName& other) const override;
    bool isParentOf(const FileName& other) const override;

    // The path as the bytes the system sees (kernel::toMB of getPath()).
    const std::string& getPathBytes() const { return m_path; }

    // A new name with the same root and the given path.
    virtual FileNamePtr createName(const wxString& path) const = 0;
    // The scheme and root part of the URI, e.g. "file:///C:".
    virtual wxString getRootURI() const = 0;

    // True when `text` begins with a drive letter ("C:" alone or followed by
    // '\' or '/') or a UNC prefix ("\\" or "//"): the texts that follow
    // Windows rules. Any other text is a POSIX path, in which every character
    // but '/' belongs to a name.
    static bool isWindowsForm(const wxString& text);
    // In a text of Windows form every backslash becomes '/'; any other text
    // comes back as it is, since there '\' is part of a name.
    static wxString normaliseSeparators(const wxString& text);

  protected:
    // An empty path becomes "/"; any other is stored as given (nothing is
    // resolved): the provider passes it with '/' separators. `scheme` is a
    // literal that outlives the name (every name of a provider has the same).
    AbstractFileName(const char* scheme, const wxString& path);

  private:
    const char* const m_scheme;
    // Bytes rather than wide text: a quarter of the memory, and a host keeps
    // a name for every file object it holds.
    const std::string m_path;
};

}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_ABSTRACTFILENAME_H
