// Write access to one media repository (MediaRepository.h).
//
// A MediaWriter holds its repository, the repository's in-process write lock
// and an exclusive handle of the folder's ".lock" from getWriter() until it
// is destroyed: no other reader or writer of the media runs in this process
// meanwhile, and no other process reads or writes it. Setters change the
// repository's caches and settings tree at once (every later reader of the
// same repository object sees the values); save() writes them to
// ".Settings.xml". Destroying a writer does not save; unsaved changes stay
// in the repository for a later save().
//
// Threads: one thread at a time uses a writer.
#ifndef VEXA_REPOS_MEDIAWRITER_H
#define VEXA_REPOS_MEDIAWRITER_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <list>

#include "engine/EngineColor.h"
#include "engine/EngineInk.h"
#include "engine/EngineRes.h"
#include "kernel/VexKernel.h"
#include "repos/Export.h"
#include "repos/MediaCostSettings.h"
#include "repos/MediaRepository.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

class WriteFileLocker;

namespace impl {
class WriteLocker;
}  // namespace impl

namespace printer {

class VEXA_REPOS_API MediaWriter {
  public:
    // A writer holding the write locks; waits while readers or another
    // writer of the repository live in this process. Empty for an empty
    // repository or when the exclusive file lock cannot be had within about
    // a second. A repository whose folder changed on disk is reloaded: the
    // settings are read again and the cached values and unsaved changes
    // dropped.
    static boost::shared_ptr<MediaWriter> getWriter(boost::shared_ptr<MediaRepository> repository);

    ~MediaWriter();
    MediaWriter(const MediaWriter&) = delete;
    MediaWriter& operator=(const MediaWriter&) = delete;

    // Typed setters for "Media/InkCfg", "Media/ColorInfo",
    // "Media/ResScaleAdjust", "Media/PageSizes" and "Media/PassInfo": a
    // value (copied) replaces the cached one; a null pointer keeps what is
    // cached (read or set before), so that save() writes it. Nothing is
    // written for a key whose value was never read or set.
    void setInkConfig(SPINKCFG* cfg);
    void setColorInfo(const _SP_COLOR_INFO* info);
    void setResScaleAdjust(const SPRESSCALEADJUST* adjust);
    void setPageSizes(boost::shared_ptr<std::list<wxString>> pageSizes);
    void setPassInfo(const SSTRAL* passes);

    // Set the attribute "value" of "Media/DefaultMode", "Media/JdfAlias"
    // and "Media/JdfQualityMode<level>" in the settings tree, creating the
    // node under "Media" when missing. An unknown level does nothing.
    void setDefaultMode(const wxString& value);
    void setJdfAlias(const wxString& value);
    void setJdfQualityMode(const wxString& level, const wxString& value);

    // Replaces the cost settings in ".MediaCostSettings.xml" at once (the
    // file is written beside and renamed over the old one, so a failure
    // leaves the old file whole). 0 on success, -1 for an empty handle, 1
    // when the file cannot be written.
    int setMediaCostSettings(boost::shared_ptr<MediaCostSettings> costs);

    // Writes the changed values into ".Settings.xml" and clears the list of
    // changes. True when nothing was changed (the file is not touched) or
    // the file was written; false, with the changes kept for a retry, when
    // it could not be written.
    bool save();

    // Removes the media folder with everything in it. It is marked
    // ".invalid" first, so that readers of other processes see an invalid
    // media should the removal stop half-way. Gives up the writer's file
    // lock. False when a step fails, with the thread's failure saying why.
    //
    // Safety (a deliberate change to the removal the library had first):
    // before anything changes, the lock of every mode folder inside is
    // taken and given back in turn (not only of the modes this process
    // opened); when another process holds one, the result is false with
    // LOCKED naming that mode, and nothing changes. The modes then go one by
    // one under their own locks; should one be taken in between, the
    // removal stops there and the ".invalid" marker stays (a second removal
    // finishes it). A media folder that is a symbolic link is removed as a
    // link: nothing where it points is touched.
    bool remove();

    // As MediaReader::isValid.
    bool isValid();

    // Reloads the repository when its folder changed on disk since it was
    // last looked at (getWriter already did so); true when it reloaded.
    bool refresh();

    // A stream writing ".SPSettings.dat" from scratch; empty when the file
    // does not exist (it is not created) or is being read.
    vfs::OutputStreamPtr getOutputSPSettingsStream();
    // Closes the cached content of ".SPSettings.dat", if any.
    void closeSPSettingsStream();

    boost::shared_ptr<MediaRepository> getRepository() const { return m_repository; }

  private:
    explicit MediaWriter(boost::shared_ptr<MediaRepository> repository);
    bool lock_();

    boost::shared_ptr<MediaRepository> m_repository;
    boost::shared_ptr<impl::WriteLocker> m_writeLocker;
    boost::shared_ptr<WriteFileLocker> m_fileLocker;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_MEDIAWRITER_H
