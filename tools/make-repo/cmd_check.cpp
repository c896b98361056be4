// vexa-make-repo check DB: reads a repository whole through the library.
#include <exception>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "Commands.h"
#include "EngineValues.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/SystemRepository.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace makerepo {

namespace fs = std::filesystem;
using namespace repos::printer;

namespace {

class Checker {
  public:
    void printer(const wxString& name) {
        std::vector<std::pair<std::string, boost::shared_ptr<MediaRepository>>> medias;
        {
            boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(name);
            if (!reader) {
                problem(U(name), "no reader");
                return;
            }
            ++m_printers;
            const SSTRAL* sizes = reader->getPageSizes()->getStral();
            if (reader->getDeviceName().empty() || reader->getInkCfgs().empty() ||
                reader->getDeviceResolutions().empty() || sizes->first == nullptr ||
                reader->getDefaultMedia().second.empty()) {
                problem(U(name), "lacks its device, ink, resolution, page or media settings");
            }
            // The names first: the map is not walked while medias are made.
            std::vector<std::pair<wxString, wxString>> names;
            for (const auto& group : reader->getMediaList()) {
                for (const auto& media : group.second) {
                    names.push_back(std::make_pair(group.first, media.first));
                }
            }
            for (const auto& media : names) {
                const std::string where =
                    U(name + wxT("/") + media.first + wxT("/") + media.second);
                boost::shared_ptr<MediaRepository> repository =
                    reader->getMedia(media.first, media.second);
                if (repository) {
                    medias.push_back(std::make_pair(where, repository));
                } else {
                    problem(where, "no media repository");
                }
            }
        }
        // The printer's reader is gone before its medias are read.
        for (const auto& media : medias) {
            this->media(media.first, media.second);
        }
    }

    int report() const {
        std::cout << "read " << m_printers << " printers, " << m_medias << " medias, " << m_modes
                  << " modes; " << m_problems << " problems\n";
        return m_problems == 0 ? kOk : kFailure;
    }

  private:
    void media(const std::string& where, const boost::shared_ptr<MediaRepository>& repository) {
        std::vector<std::pair<std::string, boost::shared_ptr<ModeRepository>>> modes;
        {
            boost::shared_ptr<MediaReader> reader = MediaReader::getReader(repository);
            if (!reader) {
                problem(where, "no reader");
                return;
            }
            ++m_medias;
            if (reader->getInkCfg()->getSpInkCfg()->Name[0] == '\0' ||
                reader->getColorInfo()->getSpColorInfo()->NumColor == 0 ||
                reader->getDefaultMode().empty() || !reader->isValid()) {
                problem(where, "lacks its ink, colour or mode settings");
            }
            // Read only where the file exists: reading creates a missing one.
            const fs::path costs = fs::path(U(repository->getRoot()->getName()->getNativePath())) /
                                   ".MediaCostSettings.xml";
            std::error_code error;
            if (fs::exists(costs, error)) {
                reader->getMediaCostSettings();
            }
            std::vector<wxString> names;
            for (const auto& mode : reader->getModeList()) {
                names.push_back(mode.first);
            }
            for (const wxString& name : names) {
                boost::shared_ptr<ModeRepository> mode = reader->getMode(name);
                if (mode) {
                    modes.push_back(std::make_pair(where + "/" + U(name), mode));
                } else {
                    problem(where + "/" + U(name), "no mode repository");
                }
            }
        }
        for (const auto& mode : modes) {
            this->mode(mode.first, mode.second);
        }
    }

    void mode(const std::string& where, const boost::shared_ptr<ModeRepository>& repository) {
        boost::shared_ptr<ModeReader> reader = ModeReader::getReader(repository);
        if (!reader) {
            problem(where, "no reader");
            return;
        }
        ++m_modes;
        if (reader->getResolution().empty() || reader->getPattern().empty() ||
            !reader->getInkLimits() || !reader->isValid()) {
            problem(where, "lacks its resolution, pattern or ink limits");
        }
        reader->getInkCfg();
        reader->getScreenSetups();
        reader->getPrinterOptions();
        reader->getTableDefaults();
    }

    void problem(const std::string& where, const std::string& what) {
        ++m_problems;
        std::cerr << "vexa-make-repo: " << where << ": " << what << '\n';
    }

    std::size_t m_printers = 0;
    std::size_t m_medias = 0;
    std::size_t m_modes = 0;
    std::size_t m_problems = 0;
};

}  // namespace

int runCheck(const std::string& db) {
    const fs::path folder = fs::absolute(fs::path(db)).lexically_normal();
    if (folder.filename() != "db" || !fs::is_directory(folder)) {
        return fail(kUsage, db + " is not a repository folder named \"db\"");
    }
    Checker checker;
    try {
        useRepository(folder.string());
        for (const wxString& name : repos::SystemRepository::getPrintersList()) {
            checker.printer(name);
        }
    } catch (const std::exception& e) {
        return fail(kFailure, e.what());
    }
    return checker.report();
}

}  // namespace makerepo
}  // namespace vexa
