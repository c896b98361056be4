#include "repos/RepositoryException.h"

#include "kernel/Text.h"

namespace vexa {
namespace repos {

RepositoryException::RepositoryException(const wxString& message)
    : m_message(message), m_narrow(kernel::toMB(message)) {}

RepositoryException::~RepositoryException() = default;

const char* RepositoryException::what() const noexcept {
    return m_narrow.c_str();
}

wxString RepositoryException::getMessage() const {
    return m_message;
}

EmptyDataCoupleException::EmptyDataCoupleException() : RepositoryException(wxString()) {}

EmptyDataCoupleException::~EmptyDataCoupleException() = default;

}  // namespace repos
}  // namespace vexa
