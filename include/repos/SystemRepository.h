// The entry point to the whole repository: finds the repository folder "db"
// and its folder "Printers", and lists the configured printers.
//
// The repository is the folder the host set with setRepositoryDir(), when it
// set one. Otherwise the search, made by the first call that needs it: the
// folder above the one holding the running executable, then the folder
// above that, then the folder named by the environment variable
// "VEXA_INSTALL"; in each, the repository is the child "db". The search
// never creates a folder. Once found, the folders are kept for the life of
// the process or until Reset(); a missing "Printers" is not kept, so one
// created later is noticed at the next call.
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
    // Forgets the located folders; the next call searches again (a folder
    // set by the host stays set).
    static void Reset();

    // Sets the repository explicitly: `folder` is the folder holding "db"
    // (as "VEXA_INSTALL" names it) or the "db" folder itself (one holding
    // "Printers"). It wins over the search, also over a "db" beside the
    // program. False, changing nothing, with the failure NOT_FOUND, when
    // `folder` holds no repository. An empty text goes back to the search.
    // Like Reset(), it must not run while other threads use the repository.
    static bool setRepositoryDir(const wxString& folder);
    // Where the repository in use was found and why, for a person: the
    // "db" folder's path and "set by the host", "beside the program ...",
    // "one level above the program ..." or "named by VEXA_INSTALL". Runs
    // the search when none ran yet; says why nothing was found otherwise.
    static wxString describeLocation();

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
