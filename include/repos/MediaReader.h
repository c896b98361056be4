// Read access to one media repository (MediaRepository.h).
//
// A MediaReader holds its repository, the repository's in-process read lock
// and the shared handle of the folder's ".lock" from getReader() until it is
// destroyed: while it lives no writer of the media runs in this process and
// no process else reads or writes the media. Values are read once per
// repository into its caches and shared by all its readers; a missing
// setting gives a default value, empty text or 0, never an exception.
//
// Threads: a reader may be used from several threads; the caches are filled
// under the repository's cache mutex. See MediaRepository.h for the rule on
// asking for a second reader of the same media.
#ifndef VEXA_REPOS_MEDIAREADER_H
#define VEXA_REPOS_MEDIAREADER_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <list>

#include "repos/ColorDotInfo.h"
#include "repos/Export.h"
#include "repos/InkCfg.h"
#include "repos/MediaCostSettings.h"
#include "repos/MediaRepository.h"
#include "repos/Resolutions.h"
#include "repos/StringArrays.h"
#include "vfs/src/impl/Handles.h"

namespace vexa {
namespace repos {

class ReadFileLocker;

namespace impl {
class ReadLocker;
}  // namespace impl

namespace printer {

class ModeRepository;

class VEXA_REPOS_API MediaReader {
  public:
    // A reader holding the read locks; empty for an empty repository, when
    // the settings file is gone, or when the shared file lock cannot be had
    // within about a second. A repository whose folder changed on disk is
    // reloaded first (through a short-lived writer).
    static boost::shared_ptr<MediaReader> getReader(boost::shared_ptr<MediaRepository> repository);

    virtual ~MediaReader();
    MediaReader(const MediaReader&) = delete;
    MediaReader& operator=(const MediaReader&) = delete;

    // The media folder's name; "" without folder.
    wxString getName() const;
    // "name [group]", or the name alone in the group "_Ungrouped_".
    wxString getNameLegacy() const;
    // The name of the folder holding the media folder; "" without folder.
    wxString getGroup() const;

    // The cached values of "Media/InkCfg", "Media/ColorInfo",
    // "Media/ResScaleAdjust", "Media/PageSizes" and "Media/PassInfo": the
    // repository's own objects, shared with every reader (a change through
    // the handle is seen by all and saved by the next save of a writer that
    // set the key). A missing node gives a default object. Never empty.
    boost::shared_ptr<InkCfg> getInkCfg();
    boost::shared_ptr<ColorInfo> getColorInfo();
    boost::shared_ptr<ResScaleAdjust> getResScaleAdjust();
    boost::shared_ptr<std::list<wxString>> getPageSizes();
    boost::shared_ptr<PassInfo> getPassInfo();
    // The label channel of "Media/LabelChannel", read on every call; 0 when
    // the node is missing.
    int getLabelChannel();

    // The attribute "value" of "Media/DefaultMode", "Media/JdfAlias" and
    // "Media/JdfQualityMode<level>" (level "High", "Normal" or "Draft",
    // exactly); "" when missing or empty, and for any other level. A missing
    // node is looked up once per repository.
    wxString getDefaultMode();
    wxString getJdfAlias();
    wxString getJdfQualityMode(const wxString& level);

    // The cost settings of ".MediaCostSettings.xml", read afresh; a missing
    // file is first created holding no costs. Default costs when the file
    // holds none or cannot be read. Never empty.
    boost::shared_ptr<MediaCostSettings> getMediaCostSettings();

    // The repository of the mode `name` (a folder in "Modes"), created on
    // first use and then kept by this media; empty for an unknown name or a
    // mode folder without settings.
    boost::shared_ptr<ModeRepository> getMode(const wxString& name);
    // The mode map, filled on first use. Its names stay while this reader
    // lives unless refreshModeMap() adds some; its handles may be empty and
    // are filled by getMode from other threads: read names here and
    // repositories through getMode.
    const MediaRepository::ModeMap& getModeList();
    // Drops the cached repository of mode `name` (the entry stays).
    void clearMode(const wxString& name);

    // True when the media has at least one mode, its folder exists and it
    // holds no ".invalid".
    bool isValid();

    // Copies the media folder (everything but ".lock" and temporary files)
    // into `folder`, which is marked ".invalid" until the copy is whole.
    // False for an empty handle, for the media's own folder or a folder
    // inside it, for a folder that already holds anything, and when a copy
    // fails (the half-made copy is removed). Leaves no marker. After a copy
    // the printer adds new media folders to its media map.
    //
    // Safety (deliberate changes to the copy the library had first): the
    // folder's name must pass checkName(MEDIA) (and, below "Medias", its
    // group's name checkName(MEDIA_GROUP)); a media marked ".invalid" is not
    // copied; when another process holds one of its modes the copy is
    // refused before anything is made (LOCKED, naming the mode); symbolic
    // links inside are copied as links, a dangling one fails the copy. The
    // thread's failure (repos/Failure.h) says why a copy failed.
    bool copyTo(vfs::FileObjectPtr folder);
    // The same for a folder path; false when the path cannot be opened.
    bool copyTo(const wxString& path);
    // copyTo(folder), consulting `filter` before each entry copied.
    bool copyTo(vfs::FileObjectPtr folder, const vfs::CopyFilterPtr& filter);

    // A stream reading ".SPSettings.dat"; empty when the file does not
    // exist (nothing is created) or is being written.
    vfs::InputStreamPtr getInputSPSettingsStream();
    // Closes the cached content of ".SPSettings.dat", if any.
    void closeSPSettingsStream();

    boost::shared_ptr<MediaRepository> getRepository() const { return m_repository; }

  private:
    explicit MediaReader(boost::shared_ptr<MediaRepository> repository);
    bool lock_();

    boost::shared_ptr<MediaRepository> m_repository;
    boost::shared_ptr<impl::ReadLocker> m_readLocker;
    boost::shared_ptr<ReadFileLocker> m_fileLocker;
};

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_MEDIAREADER_H
