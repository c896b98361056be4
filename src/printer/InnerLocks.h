// Locking and removing the medias and modes inside a printer or media folder
// (internal to the repositories).
//
// Before a printer or media folder is removed, renamed or copied, no other
// process may be using anything inside it, not only the medias and modes
// this process opened. A printer can hold 200 medias of 50 modes each, far
// more lock files than a process may keep open, so they are never held all
// at once: each lock is taken and given back in turn, in the one lock order
// (printer, then its medias sorted by group and name, each media before its
// modes sorted by name), so at most two are held at a time. A removal then
// goes media by media, each under its own locks; should someone take a lock
// in between, it stops there and leaves the ".invalid" marker, which
// `vexa-repo check` reports and a second removal finishes.
//
// Within this process the locks are the folders' reader/writer locks: a
// thread waits for the readers and writers of other threads to go.
#ifndef VEXA_SRC_PRINTER_INNERLOCKS_H
#define VEXA_SRC_PRINTER_INNERLOCKS_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <vector>

#include "repos/FileLock.h"
#include "repos/ReadWriteMutex.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {
namespace impl {

// Holds one repository folder as a writer does: the folder's in-process
// write lock, then an exclusive token of its ".lock" (with the usual
// retries).
class FolderHold {
  public:
    // `label` names the folder in the failure recorded when the lock cannot
    // be had ("media 'Glanz [Foto]' of printer 'P'").
    FolderHold(const vfs::FileObjectPtr& folder, const wxString& label);
    ~FolderHold();
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;

    bool held() const { return static_cast<bool>(m_fileLocker); }
    // The file lock first, then the in-process lock.
    void release();

  private:
    ReadWriteMutex m_mutex;
    boost::shared_ptr<WriteLocker> m_writeLocker;
    boost::shared_ptr<WriteFileLocker> m_fileLocker;
};

// A media or mode folder and the words that name it to an operator.
struct InnerFolder {
    vfs::FileObjectPtr folder;
    wxString label;
};

// The media folders of a printer folder ("Medias/<group>/<media>"), or
// the mode folders of a media folder ("Modes/<mode>"), sorted by name.
// Symbolic links and temporary entries are left out: they are never locked,
// and removals remove links as links.
std::vector<InnerFolder> mediaFoldersOf(const vfs::FileObjectPtr& printer,
                                        const wxString& printerLabel);
std::vector<InnerFolder> modeFoldersOf(const vfs::FileObjectPtr& media, const wxString& mediaLabel);

// True when no other process holds any media or mode folder inside
// `folder` (a printer folder when `isPrinter`, else a media folder). False,
// with the failure naming the first object held, otherwise.
bool checkInnerFolders(const vfs::FileObjectPtr& folder, bool isPrinter, const wxString& label);

// Removes every media and mode folder inside `folder`, one at a time, each
// under its own locks and marked ".invalid" first. False, with the failure,
// when a lock is held or an entry cannot be removed: the removal stops
// there, and what is left keeps its markers.
bool removeInnerFolders(const vfs::FileObjectPtr& folder, bool isPrinter, const wxString& label);

// Removes every entry of `folder` but its ".lock" (a link as a link). False,
// with the operating system's reason, when one stays.
bool removeContents(const vfs::FileObjectPtr& folder);

// Removes `object`: a symbolic link as a link, a folder with all it holds.
// False, with the operating system's reason, when something stays.
bool removeObject(const vfs::FileObjectPtr& object);

// "media 'MEDIA [GROUP]' of printer 'P'" and the like.
wxString printerLabel(const wxString& printer);
wxString mediaLabel(const wxString& group, const wxString& media, const wxString& printer);

}  // namespace impl
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_SRC_PRINTER_INNERLOCKS_H
