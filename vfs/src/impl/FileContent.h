// File contents of the virtual file system.
//
// A FileContent is the way to a file's bytes: it hands out input and output
// streams and the file's local path for code that must open the file itself.
// It counts what it has handed out so that a file is never read while it is
// being written: while an output stream is alive no input stream is given,
// while input streams are alive no output stream, and after getLocalPath()
// no stream at all until close() or releaseLocalPath().
//
// Ownership: the content holds its file object strongly, the file object holds
// the content weakly, and every stream holds its content. Dropping the last
// handle of a stream closes it. A refused stream is an empty handle, never an
// exception. The counters guard only streams of this one content object.
#ifndef VEXA_VFS_FILECONTENT_H
#define VEXA_VFS_FILECONTENT_H

#include <wx/stream.h>
#include <wx/string.h>

#include <cstdint>

#include "vfs/src/impl/Handles.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

class VEXA_VFS_API FileContent {
  public:
    virtual ~FileContent();

    virtual FileObjectPtr getFile() const = 0;
    // A stream reading the file from its start. Empty while an output stream
    // or the local path is out, or when the file does not exist. A stream
    // whose open failed is returned with GetLastError() == wxSTREAM_READ_ERROR.
    virtual InputStreamPtr getInputStream() = 0;
    // A stream writing the file from scratch (created if missing, truncated).
    // Empty while isOpen(), or when the file does not exist and cannot be
    // made (logged as an error). A stream whose open failed is returned with
    // GetLastError() == wxSTREAM_WRITE_ERROR.
    virtual OutputStreamPtr getOutputStream() = 0;
    // Ends a handed-out local path (streams close when dropped).
    virtual void close() = 0;
    // The file's length in bytes; 0 when it does not exist.
    virtual std::uint64_t getSize() const = 0;
    // The file's path for the platform; no stream is handed out until close()
    // or releaseLocalPath(). A missing file is logged, the path still given.
    virtual wxString getLocalPath() = 0;
    virtual void releaseLocalPath() = 0;
    // True while an output stream, an input stream or the local path is out.
    virtual bool isOpen() const = 0;
};

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FILECONTENT_H
