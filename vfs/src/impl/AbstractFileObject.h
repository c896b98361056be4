// The base of file objects: copying through a pooled buffer.
//
// AbstractFileObject implements the copies of FileObject on top of the
// interfaces alone (types, names, contents and their streams), so any
// provider gets them. Data moves in 1 MiB blocks through a process-wide pool
// of four buffers: GetBuffer() takes a free one without ever blocking on a
// lock, and polls once a second while all four are taken, which bounds the
// memory of parallel copies to 4 MiB. A buffer is held for one copyStream().
//
// Objects are shareable from themselves and must be owned by a shared_ptr.
#ifndef VEXA_VFS_ABSTRACTFILEOBJECT_H
#define VEXA_VFS_ABSTRACTFILEOBJECT_H

#include <wx/stream.h>
#include <boost/enable_shared_from_this.hpp>

#include <cstddef>

#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {

class VEXA_VFS_API AbstractFileObject : public FileObject,
                                        public boost::enable_shared_from_this<AbstractFileObject> {
  public:
    static const std::size_t COPY_BUFFER_SIZE = 1024 * 1024;
    static const int COPY_BUFFER_COUNT = 4;

    ~AbstractFileObject() override;

    FileObjectPtr resolveChild(const wxString& relative) override;
    void copyFrom(const FileObjectPtr& source) override;
    void copyTree(const FileObjectPtr& source, const CopyFilterPtr& filter) override;
    // Plain fallback: copy into the destination, then remove this object.
    // False when the copy throws (this object stays).
    bool moveTo(const FileObjectPtr& destination) override;

    // Copies each of `files` (folders before their contents) to the path
    // below this object that it has below `sourceRoot` (a native path ending
    // in '/'); a file whose path is `sourceRoot` itself lands on this object.
    // `filter` (may be empty) is consulted before each entry. Throws
    // FileSystemException as copyTree() does.
    virtual void copyFiles(const wxString& sourceRoot, const FileObjectList& files,
                           const CopyFilterPtr& filter);

    // Copies everything from `input` to `output` in blocks of one pool buffer.
    // True when the input ended without a read error and the output took
    // every byte. False, with a log line, when a stream is missing.
    static bool copyStream(wxInputStream* input, wxOutputStream* output);
    // A free pool buffer of COPY_BUFFER_SIZE bytes, waiting as long as all
    // are taken; a null pointer only when memory runs out.
    static char* GetBuffer();
    // Gives a pool buffer back; any other pointer is ignored.
    static void ReleaseBuffer(char* buffer);
    // Copies the source's bytes into the destination and gives the
    // destination file the source's modification time. False when a stream
    // is refused or the copy fails.
    static bool copyContent(const FileContentPtr& source, const FileContentPtr& destination);

  protected:
    AbstractFileObject();

  private:
    // Where the entry at `sourcePath` (below `root`) lands below this object:
    // this object itself for the root; empty when it cannot be named.
    FileObjectPtr destinationOf_(const wxString& root, const wxString& sourcePath);
    // Copies one entry: a link as a link, a folder as a new folder, a file
    // with its content (its folder made first). Throws as copyTree() does.
    void copyEntry_(const FileObjectPtr& source, const wxString& root, const wxString& sourcePath,
                    wxString* ensuredFolder);
    // Copies the symbolic link `source` (at `sourcePath`, below `root`) as a
    // link; throws FileSystemException for a dangling one.
    void copyLink_(const FileObjectPtr& source, const wxString& root, const wxString& sourcePath);
};

}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_ABSTRACTFILEOBJECT_H
