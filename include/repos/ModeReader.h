// Read access to one mode repository (ModeRepository.h).
//
// A ModeReader holds its repository, the repository's in-process read lock
// and the shared handle of the folder's ".lock" from getReader() until it is
// destroyed. Values are read once per repository into its caches and shared
// by all its readers and writers; a missing setting gives empty text, an
// empty pointer or the values listed per getter, never an exception.
//
// Threads: a reader may be used from several threads; the caches are filled
// under the repository's fill mutex.
#ifndef VEXA_REPOS_MODEREADER_H
#define VEXA_REPOS_MODEREADER_H

#include <wx/string.h>
#include <wx/thread.h>

#include <boost/shared_ptr.hpp>
#include <list>
#include <map>

#include "repos/Export.h"
#include "repos/InkCfg.h"
#include "repos/InkLevels.h"
#include "repos/ModeRepository.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

class ReadFileLocker;

namespace impl {
class ReadLocker;
}  // namespace impl

namespace printer {

class VEXA_REPOS_API ModeReader {
  public:
    // The value getUserQualityAssessment gives when the mode has none (the
    // smallest normalised double).
    static const double kNoQualityAssessment;

    // A reader holding the read locks; empty for an empty repository or when
    // the shared file lock cannot be had within about a second. A repository
    // whose folder changed on disk is reloaded first (through a short-lived
    // writer).
    static boost::shared_ptr<ModeReader> getReader(boost::shared_ptr<ModeRepository> repository);

    virtual ~ModeReader();
    ModeReader(const ModeReader&) = delete;
    ModeReader& operator=(const ModeReader&) = delete;

    // True unless the mode folder holds ".invalid" (or is gone).
    bool isValid() const;
    // The folder's name; "" without folder.
    wxString getName() const;
    // The folder's path in the platform's spelling.
    wxString getLocation() const;

    // The attribute "value" of "Mode/Pattern", "Mode/Res" and
    // "Mode/ResAlias"; "" (with a debug log line) when missing.
    wxString getPattern() const;
    wxString getResolution() const;
    wxString getResolutionAlias() const;

    // The cached objects of "Mode/InkCfg", "Mode/InkRestrictions",
    // "Mode/TransitionControl", "Mode/ScreenSetup", "Mode/ResScaleAdjust",
    // "Mode/InkCurves" and "Mode/LvlCurves", shared with every reader and
    // writer of the repository; empty when the node is missing (the next
    // call looks again). Curves carry the mode's resolution.
    boost::shared_ptr<InkCfg> getInkCfg();
    boost::shared_ptr<InkLevels> getInkLimits();
    boost::shared_ptr<InkLevels> getTransCtrl();
    // "Mode/DropAdjusts"; without it the older "Mode/DropAdjust" (a single
    // number) as one level with an empty ink name; empty when neither.
    boost::shared_ptr<InkLevels> getDropAdjust();
    boost::shared_ptr<InkCurve> getInkCurves();
    boost::shared_ptr<InkCurve> getLevelCurves();
    boost::shared_ptr<ScreenSetup> getScreenSetups();
    boost::shared_ptr<ResScaleAdjust> getResScaleAdjust();

    // The entries of "Mode/TableDefaults" (name to "value"); an empty map
    // when missing. The reference stays valid while this reader lives.
    const std::map<wxString, wxString>& getTableDefaults() const;
    // The attribute "value" of "Mode/UserQualityAssessment" as a number;
    // kNoQualityAssessment when missing.
    double getUserQualityAssessment() const;

    // The printer options: every child of every "Mode/PrinterSettings"
    // node, name to "value" (a later node of the same name wins). A copy;
    // empty when there are none.
    boost::shared_ptr<std::map<wxString, wxString>> getPrinterOptions();
    // One option's value; "" when it is not set.
    wxString getPrinterOption(const wxString& name) const;

    // The names of the profiles with extension `ext` (case ignored): files
    // "<name>.<ext>", then link files "<name>.<ext>.Link", each list in name
    // order. Never empty.
    boost::shared_ptr<std::list<wxString>> getProfiles(const wxString& ext);
    // The local path of the file `name` (a wildcard pattern, case ignored)
    // in the mode folder; else of the file named by the first line of its
    // link file "<name>.Link" (an absolute path, or one relative to the mode
    // folder). "" when neither exists.
    wxString getProfileLocation(const wxString& name) const;

    // The content of the file `name` in the mode folder, also when there is
    // no such file: nothing is created, and the content hands out no input
    // stream (an empty handle) while the file is missing. An empty pointer
    // only for a refused name: "", ".", ".." and any name holding '/' or
    // '\\', which could reach outside the folder. Throws
    // vfs::FileSystemException "Cannot get content on a folder" when `name`
    // is a folder.
    vfs::FileContentPtr getFileByName(const wxString& name);

    // Copies the mode folder (everything but ".lock" and temporary files)
    // into `destination`, which is marked ".invalid" until the copy is
    // whole. False for an empty handle, the mode's own folder or a folder
    // inside it, a folder that already holds anything, and when a copy
    // fails (the half-made copy is removed). Leaves no marker.
    bool copyTo(vfs::FileObjectPtr destination);
    // The same for a folder path; false when the path cannot be opened.
    bool copyTo(const wxString& destinationPath);

    boost::shared_ptr<ModeRepository> getRepository() const { return m_repository; }

  private:
    explicit ModeReader(boost::shared_ptr<ModeRepository> repository);
    bool lock_();

    boost::shared_ptr<ModeRepository> m_repository;
    boost::shared_ptr<impl::ReadLocker> m_readLocker;
    boost::shared_ptr<ReadFileLocker> m_fileLocker;
    boost::shared_ptr<wxMutex> m_fillMutex;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_MODEREADER_H
