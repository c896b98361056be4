// The exception family of the repository library.
//
// RepositoryException carries only a message (a wide string); the function,
// file and line go to the log. what() gives the message as UTF-8.
// EmptyDataCoupleException, with an empty message, is thrown when a data
// couple is asked for a value it does not hold.
#ifndef VEXA_REPOS_REPOSITORYEXCEPTION_H
#define VEXA_REPOS_REPOSITORYEXCEPTION_H

#include <wx/string.h>

#include <exception>
#include <string>

#include "repos/Export.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API RepositoryException : public std::exception {
  public:
    explicit RepositoryException(const wxString& message = wxString());
    ~RepositoryException() override;
    // The message as UTF-8 (this platform's multibyte code page).
    const char* what() const noexcept override;
    virtual wxString getMessage() const;

  private:
    wxString m_message;
    std::string m_narrow;
};

class VEXA_REPOS_API EmptyDataCoupleException : public RepositoryException {
  public:
    EmptyDataCoupleException();
    ~EmptyDataCoupleException() override;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_REPOSITORYEXCEPTION_H
