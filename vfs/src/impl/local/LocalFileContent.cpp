#include "vfs/src/impl/local/LocalFileContent.h"

#include <boost/make_shared.hpp>

#include "kernel/Text.h"
#include "logger/Log.h"
#include "vfs/src/impl/FileObject.h"
#include "vfs/src/impl/local/LocalFileOps.h"
#include "vfs/src/impl/local/LocalInputStream.h"
#include "vfs/src/impl/local/LocalOutputStream.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

LocalFileContent::LocalFileContent(const FileObjectPtr& file, const std::string& localPath)
    : m_file(file),
      m_localPath(localPath),
      m_outputOpen(false),
      m_localPathOut(false),
      m_inputCount(0) {}

LocalFileContent::~LocalFileContent() {}

FileObjectPtr LocalFileContent::getFile() const {
    return m_file;
}

InputStreamPtr LocalFileContent::getInputStream() {
    int fd = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_outputOpen || m_localPathOut) {
            return InputStreamPtr();
        }
        // The open tells whether the file exists; no separate status query.
        bool missing = false;
        fd = ops::openForReading(m_localPath, &missing);
        if (missing) {
            return InputStreamPtr();
        }
        ++m_inputCount;  // the stream takes this count over
    }
    return boost::make_shared<LocalInputStream>(shared_from_this(), fd);
}

OutputStreamPtr LocalFileContent::getOutputStream() {
    int fd = -1;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_outputOpen || m_localPathOut || m_inputCount > 0) {
            return OutputStreamPtr();
        }
        // Only an existing file is opened (getContent() created it); the open
        // itself tells whether it exists.
        bool missing = false;
        fd = ops::openForWriting(m_localPath, &missing);
        if (missing) {
            VEXA_LOG_ERROR("Unable to open file for write: \n%s", kernel::fromMB(m_localPath));
            return OutputStreamPtr();
        }
        m_outputOpen = true;  // the stream takes this flag over
    }
    return boost::make_shared<LocalOutputStream>(shared_from_this(), fd);
}

void LocalFileContent::close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_localPathOut = false;
}

std::uint64_t LocalFileContent::getSize() const {
    ops::Status status;
    if (!ops::queryStatus(m_localPath, &status) || status.isFolder) {
        return 0;
    }
    return status.size;
}

wxString LocalFileContent::getLocalPath() {
    if (!m_file->exists()) {
        VEXA_LOG_DEBUG("filename '%s' does not exist", kernel::fromMB(m_localPath));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_localPathOut = true;
    return kernel::fromMB(m_localPath);
}

void LocalFileContent::releaseLocalPath() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_localPathOut = false;
}

bool LocalFileContent::isOpen() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outputOpen || m_localPathOut || m_inputCount > 0;
}

void LocalFileContent::inputClosed_() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_inputCount > 0) {
        --m_inputCount;
    }
}

void LocalFileContent::outputClosed_() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outputOpen = false;
}

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa
