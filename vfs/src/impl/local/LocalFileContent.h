// The content of a file on the local disk.
//
// LocalFileContent counts what it has handed out: the live input streams,
// whether an output stream is alive, and whether the local path is out. The
// counters are guarded by a mutex so that checking and taking them is one
// step; they guard only streams of this content object (the platform has no
// share modes), and exclusion between processes is the lock files' business.
#ifndef VEXA_VFS_LOCAL_LOCALFILECONTENT_H
#define VEXA_VFS_LOCAL_LOCALFILECONTENT_H

#include <boost/enable_shared_from_this.hpp>

#include <cstdint>
#include <mutex>
#include <string>

#include "vfs/src/impl/FileContent.h"
#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {
namespace provider {
namespace local {

class VEXA_VFS_API LocalFileContent : public FileContent,
                                      public boost::enable_shared_from_this<LocalFileContent> {
  public:
    LocalFileContent(const FileObjectPtr& file, const std::string& localPath);
    ~LocalFileContent() override;
    LocalFileContent(const LocalFileContent&) = delete;
    LocalFileContent& operator=(const LocalFileContent&) = delete;

    FileObjectPtr getFile() const override;
    InputStreamPtr getInputStream() override;
    OutputStreamPtr getOutputStream() override;
    void close() override;
    std::uint64_t getSize() const override;
    wxString getLocalPath() override;
    void releaseLocalPath() override;
    bool isOpen() const override;

    // Called by the streams' destructors.
    void inputClosed_();
    void outputClosed_();

  private:
    const FileObjectPtr m_file;
    const std::string m_localPath;  // the bytes the system sees
    mutable std::mutex m_mutex;
    bool m_outputOpen;
    bool m_localPathOut;
    std::uint32_t m_inputCount;
};

}  // namespace local
}  // namespace provider
}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_LOCAL_LOCALFILECONTENT_H
