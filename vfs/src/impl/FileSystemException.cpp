#include "vfs/src/impl/FileSystemException.h"

#include "kernel/Text.h"

namespace vexa {
namespace vfs {

FileSystemException::FileSystemException(const std::string& message) : m_message(message) {}

FileSystemException::FileSystemException(const char* message) : m_message(message ? message : "") {}

FileSystemException::FileSystemException(const wxString& message)
    : m_message(kernel::toMB(message)) {}

FileSystemException::~FileSystemException() {}

const char* FileSystemException::what() const noexcept {
    return m_message.c_str();
}

}  // namespace vfs
}  // namespace vexa
