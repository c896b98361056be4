// A stream writing a local file, handed out by LocalFileContent.
//
// It holds its content, which counts it as the open output until the stream is
// destroyed; the file is closed first, then the flag drops. Writes go straight
// into the target file (no temporary file, no rename, no sync on close).
// A stream whose file could not be opened reports wxSTREAM_WRITE_ERROR.
#ifndef VEXA_VFS_LOCAL_LOCALOUTPUTSTREAM_H
#define VEXA_VFS_LOCAL_LOCALOUTPUTSTREAM_H

#include <wx/wfstream.h>
#include <boost/shared_ptr.hpp>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class LocalFileContent;

class VEXA_VFS_API LocalOutputStream : public wxFileOutputStream {
  public:
    // Takes ownership of `fd` (-1 for a failed open); the content must
    // already count this stream.
    LocalOutputStream(const boost::shared_ptr<LocalFileContent>& content, int fd);
    ~LocalOutputStream() override;

  private:
    boost::shared_ptr<LocalFileContent> m_content;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALOUTPUTSTREAM_H
