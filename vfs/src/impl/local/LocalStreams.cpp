#include "vfs/src/impl/local/LocalFileContent.h"
#include "vfs/src/impl/local/LocalFileOps.h"
#include "vfs/src/impl/local/LocalInputStream.h"
#include "vfs/src/impl/local/LocalOutputStream.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

LocalInputStream::LocalInputStream(const boost::shared_ptr<LocalFileContent>& content, int fd)
    : wxFileInputStream(fd), m_content(content) {
    if (fd < 0) {
        Reset(wxSTREAM_READ_ERROR);
    }
}

LocalInputStream::~LocalInputStream() {
    m_file->Close();
    m_content->inputClosed_();
}

wxFileOffset LocalInputStream::GetLength() const {
    bool regular = false;
    const std::int64_t length = ops::openFileLength(m_file->fd(), &regular);
    if (length < 0) {
        return wxInvalidOffset;
    }
    m_regular = regular ? 1 : 0;
    return static_cast<wxFileOffset>(length);
}

bool LocalInputStream::IsSeekable() const {
    if (m_regular < 0) {
        bool regular = false;
        if (ops::openFileLength(m_file->fd(), &regular) < 0) {
            return false;
        }
        m_regular = regular ? 1 : 0;
    }
    return m_regular == 1;
}

LocalOutputStream::LocalOutputStream(const boost::shared_ptr<LocalFileContent>& content, int fd)
    : wxFileOutputStream(fd), m_content(content) {
    if (fd < 0) {
        Reset(wxSTREAM_WRITE_ERROR);
    }
}

LocalOutputStream::~LocalOutputStream() {
    // Closing here keeps the base destructor from syncing the file to disk
    // on every close, and frees the file before others may open it.
    m_file->Close();
    m_content->outputClosed_();
}

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa
