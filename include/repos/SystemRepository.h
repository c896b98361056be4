// The entry point to the whole repository: finds the repository folder "db"
// and its folder "Printers", and lists the configured printers.
//
// The search, made by the first call that needs it: the folder above the one
// holding the running executable, then the folder above that, then the
// folder named by the environment variable "VEXA_INSTALL"; in each, the
// repository is the child "db". Once found, the folders are kept for the
// life of the process or until Reset(); a missing "Printers" is not kept, so
// one created later is noticed at the next call.
//
// Threads: the search runs under one process-wide mutex. Reset() takes no
// lock and must not run while other threads use the repository.
#ifndef VEXA_REPOS_SYSTEMREPOSITORY_H
#define VEXA_REPOS_SYSTEMREPOSITORY_H

#include <wx/string.h>

#include <list>

#include "repos/Export.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API SystemRepository {
  public:
    // The names of all folders in "Printers", in listing order; empty when
    // there is no repository or no "Printers".
    static std::list<wxString> getPrintersList();
    // Forgets the located folders; the next call searches again.
    static void Reset();

    // The repository folder "db"; empty when it cannot be found (an error is
    // logged).
    static vfs::FileObjectPtr getRepositoryDir();
    // The folder "Printers" of the repository; empty when it does not exist.
    static vfs::FileObjectPtr getPrintersFolder();

  private:
    SystemRepository() = delete;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_SYSTEMREPOSITORY_H
