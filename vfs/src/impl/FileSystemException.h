// The exception of the virtual file system.
//
// FileSystemException carries one narrow (UTF-8) message and nothing else.
// It is thrown only where a result cannot say what went wrong: opening a
// path that is a file as a folder, asking a folder for content, and copy
// failures. Callers catch it by type.
#ifndef VEXA_VFS_FILESYSTEMEXCEPTION_H
#define VEXA_VFS_FILESYSTEMEXCEPTION_H

#include <wx/string.h>

#include <exception>
#include <string>

#include "vfs/src/impl/VfsExport.h"

namespace vexa {
namespace vfs {

class VEXA_VFS_API FileSystemException : public std::exception {
  public:
    explicit FileSystemException(const std::string& message);
    explicit FileSystemException(const char* message);
    // The message converted to UTF-8.
    explicit FileSystemException(const wxString& message);
    ~FileSystemException() override;

    // The message as UTF-8.
    const char* what() const noexcept override;
    const std::string& getMessage() const { return m_message; }

  private:
    std::string m_message;
};

}  // namespace vfs
}  // namespace vexa

#endif  // VEXA_VFS_FILESYSTEMEXCEPTION_H
