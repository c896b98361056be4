// Write access to a printer: obtain a writer, call setters, save(), drop it.
//
// A writer holds its repository's exclusive in-process lock and an
// exclusive handle of the printer folder's ".lock" from creation to
// destruction: no reader or other writer of the printer exists in this
// process meanwhile, and no reader or writer of it in other processes.
// Setters change the repository's shared settings tree and caches at once
// (every later reader of the repository sees them) and record the changed
// keys in the repository; only save() writes them to ".Settings.xml". Keys
// not saved stay recorded, so a later save() of any writer writes them.
//
// Taking a writer of a repository whose printer folder another process
// changed first brings the repository up to date: the settings are read
// again (under the writer's exclusive lock) and the caches dropped.
//
// Ownership: the writer shares the repository and keeps no values of its own.
//
// Threads: one writer is used by one thread at a time. A thread must not ask
// for a writer while it holds a reader or writer of the same printer.
#ifndef VEXA_REPOS_PRINTERWRITER_H
#define VEXA_REPOS_PRINTERWRITER_H

#include <wx/stream.h>
#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <map>

#include "engine/EngineDot.h"
#include "engine/EngineScreen.h"
#include "kernel/VexKernel.h"
#include "repos/Export.h"
#include "repos/FileLock.h"
#include "repos/PrinterRepository.h"
#include "repos/ReadWriteMutex.h"

namespace vexa {
namespace repos {
namespace printer {

class VEXA_REPOS_API PrinterWriter {
  public:
    // Releases the locks; unsaved changes stay in the repository.
    ~PrinterWriter();

    // getWriter(PrinterRepository::createRepository(printerName,
    // ".Settings.xml")).
    static boost::shared_ptr<PrinterWriter> getWriter(const wxString& printerName);
    // A writer of `repository`, after bringing an outdated repository up to
    // date. Empty for an empty repository and when the locks cannot be had
    // (another process holds the printer's ".lock" for about a second). A
    // printer whose folder does not exist gets a writer without file lock.
    static boost::shared_ptr<PrinterWriter> getWriter(
        boost::shared_ptr<PrinterRepository> repository);

    // "Printer/PortName", "Printer/PortData", "Printer/VirtualPrinterExtension",
    // "Printer/DefaultPageSize": set the attribute "value", creating the node
    // as the last child of "Printer" when absent. A text equal to the cached
    // one changes nothing, except for setPortData, which always records its
    // key.
    void setPortType(wxString portType);
    void setPortData(wxString portData);
    void setVirtualPrinterExtension(wxString extension);
    void setDefaultPageSize(const wxString& pageSize);
    // "Printer/Active": "true" or "false".
    void setActive(bool active);
    // "Printer/DefaultMedia", attributes "group" (an empty group is stored as
    // "_Ungrouped_") and "media".
    void setDefaultMedia(const wxString& group, const wxString& media);
    // setDefaultMedia of a legacy media name (see LegacyMediaName.h).
    void setDefaultMediaLegacy(const wxString& legacyName);
    // "Printer/DotInfo", "Printer/PageSizes", "Printer/PortList",
    // "Printer/DefaultScreenSetup": a non-null structure is copied into the
    // cache; in every case the key is recorded, so that save() writes the
    // cached object (a null pointer saves what is cached, changed in place or
    // not; nothing when nothing is cached).
    void setDotInfo(const dotinfo* dotInfo);
    void setPageSizes(SSTRAL* pageSizes);
    void setPortList(const SSTRAL* portList);
    void setScreenSetups(_SCREENSETUP* screenSetups);

    // The text (attribute "value") of the first node at `keyPath`, such as
    // "Printer/PortData", in the settings as this writer holds them: the
    // file as it was when the writer was made, with the changes made since.
    // Empty when absent. Lets a host read, change and save a value while it
    // holds the exclusive locks, so nobody can change it in between.
    wxString getTextValue(const wxString& keyPath) const;

    // Writes the recorded keys: the cached objects go into the tree, then
    // the whole tree is stored durably in ".Settings.xml" and the keys are
    // forgotten. True when nothing was recorded (the file is not touched).
    // False when an object cannot be written or the store fails; the keys
    // then stay recorded for a retry and the previous file stays whole.
    bool save();

    // Renames the printer folder to `newName` after saving. True when the
    // name is already the folder's. False, changing nothing and leaving no
    // marker, for a name checkName(PRINTER) refuses (INVALID_NAME), a name
    // taken by another folder (ALREADY_EXISTS), and when a media or mode
    // inside is held by another process (LOCKED, naming it; see "Safety"
    // below). False when the move fails: the folder keeps its name and an
    // ".invalid" marker, and this writer keeps its locks on it. On success
    // the repository (the same object) is known to the catalog by the new
    // name only, this writer holds the new folder's lock, and no marker is
    // left. A printer folder that is a symbolic link is renamed as a link.
    bool setPrinterName(wxString newName);
    // Points the repository at the folder `path` (resolved in the printer
    // folder's file system), after that folder was moved by other means.
    // Nothing on disk is moved.
    void updateLocation(const wxString& path);
    // Removes the printer folder with its medias and modes. True when the
    // folder is gone. The printer is forgotten by the catalog when the
    // removal starts.
    //
    // Safety (a deliberate change to the removal the library had first):
    // first every media and mode folder inside is checked, each lock taken
    // and given back in lock order (at most two held at once, whatever
    // their number), not only those this process opened; when another
    // process holds one, the result is false, nothing changes, and the
    // failure is LOCKED naming that media or mode. Then the folder is marked
    // ".invalid" and removed media by media, mode by mode, each under its
    // own locks (this process's other threads are waited for). Should a
    // lock be taken by someone in between, the removal stops there with
    // false and LOCKED, leaving the marker; `vexa-repo check` names the
    // half-removed printer and a second removal finishes it. A printer
    // folder that is a symbolic link is removed as a link: nothing where it
    // points is touched.
    bool removePrinter();
    // Removes the folder of `printerName` below "Printers" whatever it
    // holds: a printer whose settings cannot be read (empty, truncated,
    // missing, another root), a half-made copy, a half-removed printer. A
    // printer that can be opened is removed through its writer
    // (removePrinter). Under the same locks and with the same results as
    // removePrinter; false with NOT_FOUND when no such folder exists,
    // INVALID_NAME for an empty name, "." or "..", or one holding '/'. Any
    // other existing folder's name is taken, also one a new printer may not
    // have.
    static bool removePrinterFolder(const wxString& printerName);
    // Removes the media folder `media` of `group` (an empty group is
    // "_Ungrouped_") of this printer whatever it holds, under its own locks
    // and those of its modes, as removePrinter removes each media; the
    // printer's media map forgets it. A linked media folder is removed as a
    // link. False with the failure (NOT_FOUND, LOCKED, ...) otherwise.
    bool removeMediaFolder(const wxString& group, const wxString& media);
    // Do nothing and return false: medias are removed by their own writers.
    bool removeMedia(const wxString& group, const wxString& media);
    bool removeMediaLegacy(const wxString& legacyName);

    // A stream writing ".SPSettings.dat" from scratch; empty when the file
    // does not exist (it is not created) or is being read.
    boost::shared_ptr<wxOutputStream> getOutputSPSettingsStream();
    // Closes the content of ".SPSettings.dat" if it was opened.
    void closeSPSettingsStream();

  private:
    explicit PrinterWriter(const boost::shared_ptr<PrinterRepository>& repository);
    PrinterWriter(const PrinterWriter&) = delete;
    PrinterWriter& operator=(const PrinterWriter&) = delete;

    bool lockForWriting_();
    void setText_(PrinterRepository::CachedText& cache, const wxChar* key, const wxString& text,
                  bool always);
    void setAttributes_(const wxChar* key, const wxString& nodeName,
                        const std::map<wxString, wxString>& attributes);
    template <class T>
    bool storeObject_(const boost::shared_ptr<T>& cache, const wxChar* key);

    boost::shared_ptr<PrinterRepository> m_repository;
    boost::shared_ptr<impl::WriteLocker> m_writeLocker;
    boost::shared_ptr<WriteFileLocker> m_writeFileLocker;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_PRINTERWRITER_H
