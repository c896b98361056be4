// Write access to one mode repository (ModeRepository.h).
//
// A ModeWriter holds its repository, the repository's in-process write lock
// and an exclusive handle of the folder's ".lock" from getWriter() until it
// is destroyed. Setters change the repository's caches at once (every later
// reader of the same repository object sees them) and record their key;
// save() writes the recorded keys into ".Settings.xml" in a fixed order.
// Destroying a writer does not save; unsaved changes stay in the repository
// for a later save() unless another process changes the mode first.
//
// Threads: one thread at a time uses a writer.
#ifndef VEXA_REPOS_MODEWRITER_H
#define VEXA_REPOS_MODEWRITER_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <map>

#include "engine/EngineInk.h"
#include "engine/EngineScreen.h"
#include "repos/Export.h"
#include "repos/ModeRepository.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

class WriteFileLocker;

namespace impl {
class WriteLocker;
}  // namespace impl

namespace printer {

class VEXA_REPOS_API ModeWriter {
  public:
    // A writer holding the write locks; waits while readers or another
    // writer of the repository live in this process. Empty for an empty
    // repository or when the exclusive file lock cannot be had within about
    // a second. A repository whose folder changed on disk is reloaded (the
    // caches and unsaved changes dropped).
    static boost::shared_ptr<ModeWriter> getWriter(boost::shared_ptr<ModeRepository> repository);

    ~ModeWriter();
    ModeWriter(const ModeWriter&) = delete;
    ModeWriter& operator=(const ModeWriter&) = delete;

    // As ModeReader::isValid.
    bool isValid();
    // As ModeReader::getFileByName, except that a missing file is first
    // created empty, for the host to write (its input stream then reads
    // nothing). When it cannot be made, the content hands out no stream.
    vfs::FileContentPtr getFileByName(const wxString& name);

    // A structure (copied) replaces the cached value of "Mode/InkCfg",
    // "Mode/InkRestrictions", "Mode/TransitionControl", "Mode/DropAdjusts"
    // or "Mode/ScreenSetup"; a null pointer keeps what is cached. Either way
    // the key is recorded, so save() writes the cached value; a key whose
    // value was never read or set is left out of save().
    void setInkCfg(const SPINKCFG* cfg);
    void setInkLimits(const SPINKLEVELEX* levels);
    void setTransCtrl(const SPINKLEVELEX* levels);
    void setDropAdjust(const SPINKLEVELEX* levels);
    void setScreenSetups(_SCREENSETUP* setups);

    // Sets one printer option ("Mode/PrinterSettings/<name>"). A name that
    // is empty or holds '/' or '*' cannot be stored and is ignored.
    void setPrinterOption(const wxString& name, const wxString& value);
    // A map replaces the cached options (a copy); an empty pointer clears
    // the cache, so that save() leaves the stored options as they are.
    void setPrinterOptions(boost::shared_ptr<std::map<wxString, wxString>> options);

    // Set the table-default entry "Calb", "LnMM" or "NmClr" of
    // "Mode/TableDefaults"; the other entries are kept. An empty text does
    // nothing.
    void updateCalibration(const wxString& value);
    void updateMediaModel(const wxString& value);
    void updateNamedColor(const wxString& value);

    // Sets the attribute "value" of "Mode/UserQualityAssessment" (six
    // decimals) in the settings tree at once and records the key for save();
    // nothing when the value equals the cached one. Throws
    // EmptyDataCoupleException, changing nothing, when the mode has no such
    // node: the node is never created here.
    void setUserQualityAssessment(double value);

    // Writes the recorded keys, in the order drop adjustment, ink limits,
    // screen setups, transition control, ink configuration, table defaults,
    // printer options, into ".Settings.xml". True when nothing was recorded
    // (the file is not touched) or the file was written; false, with the
    // keys kept for a retry, when a value could not be stored or the file
    // could not be written.
    bool save();

    boost::shared_ptr<ModeRepository> getRepository() const { return m_repository; }

  private:
    explicit ModeWriter(boost::shared_ptr<ModeRepository> repository);
    bool lock_();
    void updateTableDefault_(const wxString& entry, const wxString& value);

    boost::shared_ptr<ModeRepository> m_repository;
    boost::shared_ptr<impl::WriteLocker> m_writeLocker;
    boost::shared_ptr<WriteFileLocker> m_fileLocker;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_MODEWRITER_H
