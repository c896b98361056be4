// File names of the virtual file system.
//
// A FileName identifies a file or folder independently of whether it exists:
// a scheme ("file"), an absolute '/'-separated path that begins with "/" (the
// root folder is "/"), and, for the local provider, a root that is a drive
// letter, a COMPUTER/SHARE pair, or empty for a POSIX path. Names never change
// after construction apart from lazily filled caches; they are shared through
// FileNamePtr and may be used from several threads at once.
//
// Building a name never fails and never throws: malformed text is reported as
// a warning in the log and still yields a name, which then simply does not
// resolve on disk.
#ifndef VEXA_VFS_FILENAME_H
#define VEXA_VFS_FILENAME_H

#include <wx/string.h>

#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

class VEXA_VFS_API FileName {
  public:
    virtual ~FileName();

    // The last path segment, after dropping one trailing '/'; empty for "/".
    virtual wxString getBaseName() const = 0;
    // The stored path, '/'-separated.
    virtual wxString getPath() const = 0;
    // The path in the platform's spelling, with the root (see WindowsFileName).
    virtual wxString getNativePath() const = 0;
    // The text after the last '.' of the base name; empty when there is no '.'
    // or the only '.' starts the base name (".lock" has none, ".Settings.xml"
    // has "xml").
    virtual wxString getExtension() const = 0;
    // False for the paths "" and "/", true otherwise.
    virtual bool hasParent() const = 0;
    virtual wxString getScheme() const = 0;
    // Root URI followed by the path, e.g. file:///C:/a/b or file:///srv/db.
    virtual wxString getURI() const = 0;
    // The same text as getURI(), composed afresh on every call.
    virtual wxString toString() const = 0;
    // The top-most name reached by repeated getParent(): the name with path
    // "/" and the same root.
    virtual FileNamePtr getRoot() const = 0;
    // The parent name; an empty handle for "/" and for a path without '/'.
    virtual FileNamePtr getParent() const = 0;
    // True when this path begins with the other path followed by "/": the
    // counterpart of isAncestorOf. Roots are not compared.
    virtual bool isDescendantOf(const FileName& other) const = 0;
    // True when the other path begins with this path followed by "/" (just
    // "/" for a one-character path). Roots are not compared.
    virtual bool isAncestorOf(const FileName& other) const = 0;
    // As isAncestorOf, and the rest of the other path contains no '/'.
    virtual bool isParentOf(const FileName& other) const = 0;
};

// A local file name for a path text: drive-letter and UNC texts follow
// Windows rules (doubled separators collapse, backslashes become
// separators); any other text is a POSIX path with an empty root, in which
// runs of '/' collapse and ':' and '\' are characters of names. Nothing is
// resolved against the working folder: relative text stays relative. Never
// fails.
VEXA_VFS_API FileNamePtr createFileName(const wxString& text);

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FILENAME_H
