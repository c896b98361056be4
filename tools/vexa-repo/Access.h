// Repository access shared by the commands: finding "db", refusing names
// that are not plain folder names, opening printers, medias and modes, and
// turning the library's failures into exit statuses.
//
// Every open takes the folder's ".lock" first, through a lock of the tool's
// own (FolderLock). Within a process the lock excludes nothing, so the
// library's readers and writers made afterwards get it at once; another
// process holding it is told apart from a missing printer, media or mode
// within about a second (exit status 3), instead of waiting for the
// library's retries when it loads the settings.
//
// Nothing here creates a folder or a settings file: existence is checked on
// the way down, and the library is asked only for what exists.
//
// Failures throw ToolError with the exit status and one line naming what
// failed and, where the library failed, why (its lastFailure()).
#ifndef VEXA_TOOL_ACCESS_H
#define VEXA_TOOL_ACCESS_H

#include <boost/shared_ptr.hpp>
#include <memory>
#include <string>

#include "Command.h"
#include "repos/Failure.h"
#include "repos/FileLock.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/ModeWriter.h"
#include "repos/NameRules.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/PrinterWriter.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace tool {

typedef boost::shared_ptr<repos::printer::PrinterRepository> PrinterRepositoryPtr;
typedef boost::shared_ptr<repos::printer::PrinterReader> PrinterReaderPtr;
typedef boost::shared_ptr<repos::printer::PrinterWriter> PrinterWriterPtr;
typedef boost::shared_ptr<repos::printer::MediaRepository> MediaRepositoryPtr;
typedef boost::shared_ptr<repos::printer::MediaReader> MediaReaderPtr;
typedef boost::shared_ptr<repos::printer::MediaWriter> MediaWriterPtr;
typedef boost::shared_ptr<repos::printer::ModeRepository> ModeRepositoryPtr;
typedef boost::shared_ptr<repos::printer::ModeReader> ModeReaderPtr;
typedef boost::shared_ptr<repos::printer::ModeWriter> ModeWriterPtr;

// The repository folder "db": from --repo (which sets VEXA_INSTALL for the
// library), else the library's search (VEXA_INSTALL among it). With -v,
// says on standard error which folder is used. Exit status 2 when there is
// none; 4 when the library's search finds another "db" than --repo names.
vfs::FileObjectPtr openRepository(const GlobalOptions& options);

// The exit status of a library failure: 3 when another process holds
// something, 2 when it does not exist, 1 for a refused name, 4 otherwise.
int exitStatusOf(repos::FailureCode code);
// Throws ToolError for the library call that just failed: "PREFIX: REASON"
// with the thread's lastFailure() as the reason (the prefix alone when the
// call recorded none) and exitStatusOf its code. Callers clear the record
// (repos::clearFailure) before the call, so an older one is never shown.
[[noreturn]] void throwFailure(const std::string& prefix);

// Exit status 1 unless `name` may name an existing object: the name of a
// folder already there is taken as it is (':', '\\', bytes that are not
// UTF-8), so that an operator can still reach and remove it; only what
// could lead out of its folder is refused (empty, ".", "..", '/'). `kind`
// ("printer", "media", ...) names it in the message.
void checkExistingName(const std::string& kind, const std::string& name);
// Exit status 1, with the library's reason, unless `name` may name a new
// object of `kind` (repos::checkName).
void checkNewName(repos::NameKind kind, const std::string& name);

// `child` of `folder` when both exist (resolving below a missing folder
// would create it); empty otherwise.
vfs::FileObjectPtr existingChild(const vfs::FileObjectPtr& folder, const std::string& child);
bool isFolder(const vfs::FileObjectPtr& object);
bool isFile(const vfs::FileObjectPtr& object);
// The object's path in the platform's spelling.
std::string nativePath(const vfs::FileObjectPtr& object);

// Holds the ".lock" of a repository folder for its lifetime: exclusively
// where this user may write the lock file, else shared (such a user can only
// read, and the library then refuses writers, saying why).
class FolderLock {
  public:
    // Exit status 3, naming `what`, when another process holds the lock for
    // the library's whole retry time (about a second).
    FolderLock(const vfs::FileObjectPtr& folder, const std::string& what);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // False (without waiting longer) when the lock cannot be had.
    static bool tryLock(const vfs::FileObjectPtr& folder, std::unique_ptr<FolderLock>& lock);

  private:
    FolderLock() = default;
    bool take_(const vfs::FileObjectPtr& folder);

    repos::FileLockPtr m_lock;
    std::unique_ptr<repos::WriteFileLocker> m_writer;
    std::unique_ptr<repos::ReadFileLocker> m_reader;
};

// What the listings say of a printer, media or mode folder before opening
// it: "half-made" (marked ".invalid" by a copy or removal that did not
// finish), "no settings", "locked" (by another process, tried once within
// the lock wait), or "" when it may be opened, `lock` then holding it.
std::string folderState(const vfs::FileObjectPtr& folder, std::unique_ptr<FolderLock>& lock);

// A media as the commands name it: the group folder ("_Ungrouped_" for the
// medias without group) and the media folder.
struct MediaName {
    std::string group;
    std::string media;
    // "media [group]", or the media alone in "_Ungrouped_".
    std::string legacy() const;
};

// An open printer: its folder, its lock and its repository.
struct PrinterAccess {
    std::string name;
    vfs::FileObjectPtr folder;
    std::unique_ptr<FolderLock> lock;
    PrinterRepositoryPtr repository;

    // "printer 'NAME'"
    std::string label() const;
    // A reader or writer of the repository; exit status 4 when the library
    // gives none.
    PrinterReaderPtr reader() const;
    PrinterWriterPtr writer() const;
};

// Exit status 1 for a bad name, 2 when there is no such printer, 3 when it
// is locked, 4 when its settings cannot be read.
PrinterAccess openPrinter(const GlobalOptions& options, const std::string& name);

// The media named by `argument`: with a --group option (`hasGroup`), the
// media's folder name in that group; otherwise a legacy name "media
// [group]", where a media without brackets is looked up in "_Ungrouped_"
// and, when not there, in the one group that has it. Exit status 1 for a
// bad or ambiguous name, 2 when the printer has no such media.
MediaName findMedia(const PrinterAccess& printer, const std::string& argument, bool hasGroup,
                    const std::string& group);
// The existing media named by `argument` (a legacy name; a media without
// brackets in `defaultGroup`, "_Ungrouped_" when that is empty). Checks the
// names only (checkExistingName).
MediaName existingMediaName(const std::string& argument, const std::string& defaultGroup);
// The media named by `argument` as the name of a new media, as
// existingMediaName but with checkNewName for both parts; a legacy name must
// be exactly "MEDIA [GROUP]", so that it reads back as the same media.
MediaName newMediaName(const std::string& argument, const std::string& defaultGroup);
// The folder "Medias/<group>/<media>" of a printer folder (not created; may
// not exist).
vfs::FileObjectPtr mediaFolder(const vfs::FileObjectPtr& printerFolder, const MediaName& name);

struct MediaAccess {
    std::string printer;
    MediaName name;
    vfs::FileObjectPtr folder;
    std::unique_ptr<FolderLock> lock;
    MediaRepositoryPtr repository;

    // "media 'LEGACY' of printer 'NAME'"
    std::string label() const;
    MediaReaderPtr reader() const;
    MediaWriterPtr writer() const;
};

// Opens a media found by findMedia, through a reader of its printer. Exit
// status 3 when it is locked, 4 when its settings cannot be read.
MediaAccess openMedia(const PrinterAccess& printer, const PrinterReaderPtr& printerReader,
                      const MediaName& name);

struct ModeAccess {
    std::string name;
    std::string printer;
    MediaName media;
    vfs::FileObjectPtr folder;
    std::unique_ptr<FolderLock> lock;
    ModeRepositoryPtr repository;

    // "mode 'NAME' of media 'LEGACY' of printer 'NAME'"
    std::string label() const;
    ModeReaderPtr reader() const;
    ModeWriterPtr writer() const;
};

// Opens the mode `name` of a media through a reader of the media. Exit
// status 1 for a bad name, 2 when there is no such mode, 3 when it is
// locked, 4 when its settings cannot be read.
ModeAccess openMode(const MediaAccess& media, const MediaReaderPtr& mediaReader,
                    const std::string& name);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_ACCESS_H
