// A stream reading a local file, handed out by LocalFileContent.
//
// It holds its content, which counts it as a live input stream until the
// stream is destroyed; the file is closed first, then the count drops. Reading,
// seeking and size are those of wxFileInputStream. A stream whose file could
// not be opened reports wxSTREAM_READ_ERROR.
#ifndef VEXA_VFS_LOCAL_LOCALINPUTSTREAM_H
#define VEXA_VFS_LOCAL_LOCALINPUTSTREAM_H

#include <wx/wfstream.h>
#include <boost/shared_ptr.hpp>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class LocalFileContent;

class VEXA_VFS_API LocalInputStream : public wxFileInputStream {
  public:
    // Takes ownership of `fd` (-1 for a failed open); the content must
    // already count this stream.
    LocalInputStream(const boost::shared_ptr<LocalFileContent>& content, int fd);
    ~LocalInputStream() override;

    // The file's length from one status query of the open file (the base
    // class seeks three times); wxInvalidOffset when it cannot be had.
    wxFileOffset GetLength() const override;
    // What the base class decides from the file's kind (a regular file), taken
    // from the query GetLength made where there was one: a seek asks both.
    bool IsSeekable() const override;

  private:
    boost::shared_ptr<LocalFileContent> m_content;
    // -1 until known, else whether the open file is a regular one (an open
    // file never changes its kind).
    mutable int m_regular = -1;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALINPUTSTREAM_H
