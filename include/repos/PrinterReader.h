// Read access to a printer: obtain a reader, call its getters, drop it.
//
// A reader holds its repository's shared in-process lock and the shared
// handle of the printer folder's ".lock" from creation to destruction, so
// writers of the same printer (in this process and in others) wait or fail
// while it lives. Values are read from the settings tree once per repository
// and cached there; every reader of the repository shares those caches, and
// getters that return a handle return the cached object itself.
//
// Ownership: the reader shares the repository; media repositories stay owned
// by the repository's media map.
//
// Threads: a reader may be used from several threads; the lazy filling runs
// under the repository's fill mutex. A caller that changes a returned object
// from several threads serialises that itself. The media map returned by
// getMediaList() may change (under the fill mutex) when a media of this
// printer is created, added or removed in another thread.
#ifndef VEXA_REPOS_PRINTERREADER_H
#define VEXA_REPOS_PRINTERREADER_H

#include <wx/stream.h>
#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <list>
#include <map>
#include <utility>

#include "repos/ColorDotInfo.h"
#include "repos/Export.h"
#include "repos/FileLock.h"
#include "repos/InkCfg.h"
#include "repos/PrinterRepository.h"
#include "repos/ReadWriteMutex.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "repos/StringArrays.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {
namespace printer {

class MediaRepository;

class VEXA_REPOS_API PrinterReader {
  public:
    virtual ~PrinterReader();

    // Copies the whole printer folder (everything but lock files) to
    // `destination`: a printer name (no '/' or '\\': a folder in "Printers")
    // or a folder path. False when the destination cannot be resolved, is
    // this printer's folder (however spelled) or lies inside it, already
    // holds anything, or when the copy fails (a folder made for the copy is
    // removed again). No ".invalid" marker is left behind.
    //
    // Safety (deliberate changes to the copy the library had first): the
    // new name must pass checkName(PRINTER) (INVALID_NAME otherwise, nothing
    // made); a printer marked ".invalid" is not copied (NOT_READABLE); when
    // another process holds any media or mode inside, the copy is refused
    // before anything is made (LOCKED, naming it); symbolic links inside are
    // copied as links, and a dangling one makes the copy fail. The thread's
    // failure (repos/Failure.h) says why a copy failed.
    virtual bool copyTo(const wxString& destination);
    virtual bool copyTo(boost::shared_ptr<vfs::FileObject> destination);

    // getReader(PrinterRepository::createRepository(printerName,
    // ".Settings.xml")).
    static boost::shared_ptr<PrinterReader> getReader(const wxString& printerName);
    // A reader of `repository`, brought up to date first when another
    // process changed the printer. Empty for an empty or invalid repository
    // and when the locks cannot be had (another process holds the printer's
    // ".lock" for about a second, or the folder has vanished).
    static boost::shared_ptr<PrinterReader> getReader(
        boost::shared_ptr<PrinterRepository> repository);

    // The base name of the printer folder; empty without a folder.
    wxString getPrinterName();
    wxString getRootPath();

    // Read when the repository was made ("Printer/DllDevice",
    // "Printer/DllModule", "Printer/PPDFile"); empty when absent.
    wxString getDeviceName() const;
    wxString getDllModule() const;
    wxString getPPDFile() const;

    // The attribute "value" of "Printer/PortName", "Printer/PortData",
    // "Printer/TCPPortAdd", "Printer/TCPPortDefault",
    // "Printer/VirtualPrinterExtension", "Printer/DefaultPageSize"; empty
    // text when the node is absent (looked up again by the next call).
    wxString getPortType();
    wxString getPortData();
    wxString getTCPAdditionalPort();
    wxString getTCPDefaultPort();
    wxString getVirtualPrinterExtension();
    wxString getDefaultPageSize();

    // "Printer/DefaultMedia": (group, media); both empty when absent.
    std::pair<wxString, wxString> getDefaultMedia();
    // The default media as a legacy name "media [group]", or the media
    // alone for an empty group or "_Ungrouped_".
    wxString getDefaultMediaLegacy();

    // The cached objects of "Printer/DotInfo", "Printer/InkTypes",
    // "Printer/PageSizes", "Printer/PortList", "Printer/DefaultScreenSetup"
    // and "Printer/DefaultResolutions". An absent node gives a default
    // object (kept, so every call returns the same one), except for the ink
    // types: an empty handle, looked up again by the next call.
    boost::shared_ptr<DotInfo> getDotInfo();
    boost::shared_ptr<InkType> getInkTypes();
    boost::shared_ptr<PageSizes> getPageSizes();
    boost::shared_ptr<PortList> getPortList();
    boost::shared_ptr<ScreenSetup> getScreenSetups();
    boost::shared_ptr<ResList> getDefaultResolutions();

    // One entry per child of "Printer/ResData" / "Printer/InkCfgs", in
    // document order; the repository's list, refilled while it is empty.
    // getInkCfgs throws std::bad_alloc when a configuration's tables cannot
    // be had; nothing is cached then, and the next call tries again.
    const std::list<boost::shared_ptr<ResData>>& getDeviceResolutions() const;
    const std::list<boost::shared_ptr<InkCfg>>& getInkCfgs() const;

    // Resolution name -> alias, one pair per alias of each device
    // resolution; with `onlyDefaults` only the resolutions listed in the
    // default resolutions.
    std::multimap<wxString, wxString> getResolutionAliases(bool onlyDefaults);

    // The media `name` of `group` (an empty group means "_Ungrouped_"); a
    // name "*M" gives a repository of its own over the folder of M. Empty
    // when there is no such media folder or its settings cannot be read.
    boost::shared_ptr<MediaRepository> getMedia(const wxString& group, const wxString& name);
    // getMedia of a legacy name (see LegacyMediaName.h).
    boost::shared_ptr<MediaRepository> getMediaLegacy(const wxString& legacyName);
    // The media map, filled from the folders when it is empty.
    const PrinterRepository::MediaMap& getMediaList() const;
    // Adds media folders that appeared on disk to the media map.
    void refreshMediaMap();

    // The names (without ".SDef") of the swatch definitions in "Shared"
    // whose file names end in ".SDef" (case-sensitive) and match the
    // wildcard `pattern`; never an empty handle.
    boost::shared_ptr<std::list<wxString>> getSwatchDefs(const wxString& pattern);
    // The local path of "Shared/<name>.SDef"; empty when it does not exist.
    wxString getSwatchDefLocation(const wxString& name);

    // A stream reading ".SPSettings.dat"; empty when the file does not exist
    // (it is not created) or is being written.
    boost::shared_ptr<wxInputStream> getInputSPSettingsStream();
    // Closes the content of ".SPSettings.dat" if it was opened.
    void closeSPSettingsStream();

    // copyTo(destination), consulting `filter` before each entry copied (a
    // progress display; a cancel makes the copy fail and removes what it
    // made).
    bool copyTo(const wxString& destination, const vfs::CopyFilterPtr& filter);

  private:
    PrinterReader(const boost::shared_ptr<PrinterRepository>& repository,
                  const boost::shared_ptr<wxMutex>& fillMutex);
    PrinterReader(const PrinterReader&) = delete;
    PrinterReader& operator=(const PrinterReader&) = delete;

    // getReader(repository); `fresh` when the repository was loaded within
    // the same call, so that the disk is not asked again what the load saw.
    static boost::shared_ptr<PrinterReader> getReader_(
        const boost::shared_ptr<PrinterRepository>& repository, bool fresh);
    // Takes the read locks; `folderSeen` when the caller has just found the
    // printer folder (else it is looked for first).
    bool lockForReading_(bool folderSeen);

    boost::shared_ptr<PrinterRepository> m_repository;
    boost::shared_ptr<impl::ReadLocker> m_readLocker;
    boost::shared_ptr<ReadFileLocker> m_readFileLocker;
    boost::shared_ptr<wxMutex> m_fillMutex;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_PRINTERREADER_H
