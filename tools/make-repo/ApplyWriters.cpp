#include "ApplyWriters.h"

#include <wx/stream.h>

#include <boost/make_shared.hpp>
#include <stdexcept>

#include "EngineValues.h"
#include "RepoLayout.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/ModeWriter.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/PrinterWriter.h"
#include "vfs/src/impl/FileContent.h"

namespace vexa {
namespace makerepo {

namespace {

using namespace repos::printer;

void require(bool condition, const std::string& what) {
    if (!condition) {
        throw std::runtime_error(what);
    }
}

// Writes `bytes` through a stream handed out by a writer; the stream closes
// when dropped.
void writeStream(const boost::shared_ptr<wxOutputStream>& stream, const std::string& bytes,
                 const std::string& what) {
    require(stream && stream->IsOk(), "no stream to write " + what);
    stream->Write(bytes.data(), bytes.size());
    require(stream->LastWrite() == bytes.size() && stream->Close(), "cannot write " + what);
}

void applyMode(const boost::shared_ptr<ModeRepository>& repository, const ModeDesc& mode,
               const std::string& where) {
    boost::shared_ptr<ModeWriter> writer = ModeWriter::getWriter(repository);
    require(writer.get() != nullptr, "no writer for the mode " + where);
    if (mode.inkCfg) {
        writer->setInkCfg(makeInkCfg(*mode.inkCfg)->getSpInkCfg());
    }
    if (!mode.inkLimits.empty()) {
        const SPINKLEVELEX levels = makeLevels(mode.inkLimits);
        writer->setInkLimits(&levels);
    }
    if (!mode.transitionControl.empty()) {
        const SPINKLEVELEX levels = makeLevels(mode.transitionControl);
        writer->setTransCtrl(&levels);
    }
    if (mode.dropAdjusts) {
        const SPINKLEVELEX levels = makeLevels(*mode.dropAdjusts);
        writer->setDropAdjust(&levels);
    }
    if (!mode.screenSetups.empty()) {
        writer->setScreenSetups(makeScreenSetup(mode.screenSetups)->getScreenSetup());
    }
    if (!mode.printerOptions.empty()) {
        boost::shared_ptr<std::map<wxString, wxString>> options =
            boost::make_shared<std::map<wxString, wxString>>();
        for (const auto& option : mode.printerOptions) {
            (*options)[W(option.first)] = W(option.second);
        }
        writer->setPrinterOptions(options);
    }
    writer->updateCalibration(W(mode.calibration));
    writer->updateMediaModel(W(mode.mediaModel));
    writer->updateNamedColor(W(mode.namedColor));
    if (mode.userQualityAssessment) {
        writer->setUserQualityAssessment(*mode.userQualityAssessment);
    }
    require(writer->save(), "cannot save the mode " + where);

    for (const FileDesc& file : mode.files) {
        vfs::FileContentPtr content = writer->getFileByName(W(file.name));
        require(content.get() != nullptr, "cannot make " + where + "/" + file.name);
        writeStream(content->getOutputStream(), file.bytes, where + "/" + file.name);
    }
    for (const LinkDesc& link : mode.links) {
        const std::string name = link.name + ".Link";
        vfs::FileContentPtr content = writer->getFileByName(W(name));
        require(content.get() != nullptr, "cannot make " + where + "/" + name);
        writeStream(content->getOutputStream(), linkFileText(link), where + "/" + name);
    }
}

void applyMedia(const boost::shared_ptr<MediaRepository>& repository, const MediaDesc& media,
                const std::string& where) {
    {
        boost::shared_ptr<MediaWriter> writer = MediaWriter::getWriter(repository);
        require(writer.get() != nullptr, "no writer for the media " + where);
        writer->setInkConfig(makeInkCfg(media.inkCfg)->getSpInkCfg());
        writer->setColorInfo(makeColorInfo(media.colorInfo)->getSpColorInfo());
        if (!media.resScaleAdjust.empty()) {
            writer->setResScaleAdjust(
                makeResScaleAdjust(media.resScaleAdjust)->getSpResScaleAdjust());
        }
        if (!media.pageSizes.empty()) {
            boost::shared_ptr<std::list<wxString>> sizes =
                boost::make_shared<std::list<wxString>>();
            for (const std::string& size : media.pageSizes) {
                sizes->push_back(W(size));
            }
            writer->setPageSizes(sizes);
        }
        if (!media.passes.empty()) {
            writer->setPassInfo(passRows(media.passes).get());
        }
        // An empty text describes an absent key: no setter call.
        const std::pair<const char*, const std::string*> levels[] = {
            {"High", &media.jdfHigh}, {"Normal", &media.jdfNormal}, {"Draft", &media.jdfDraft}};
        if (!media.defaultMode.empty()) {
            writer->setDefaultMode(W(media.defaultMode));
        }
        if (!media.jdfAlias.empty()) {
            writer->setJdfAlias(W(media.jdfAlias));
        }
        for (const auto& level : levels) {
            if (!level.second->empty()) {
                writer->setJdfQualityMode(W(level.first), W(*level.second));
            }
        }
        require(writer->save(), "cannot save the media " + where);
        if (media.costs) {
            require(writer->setMediaCostSettings(makeCosts(*media.costs)) == 0,
                    "cannot store the costs of " + where);
        }
        if (media.engineBlob) {
            writeStream(writer->getOutputSPSettingsStream(), *media.engineBlob,
                        where + "/.SPSettings.dat");
            writer->closeSPSettingsStream();
        }
    }
    for (const ModeDesc& mode : media.modes) {
        boost::shared_ptr<ModeRepository> modeRepository;
        {
            boost::shared_ptr<MediaReader> reader = MediaReader::getReader(repository);
            require(reader.get() != nullptr, "no reader for the media " + where);
            modeRepository = reader->getMode(W(mode.name));
        }
        require(modeRepository.get() != nullptr, "no mode " + where + "/" + mode.name);
        applyMode(modeRepository, mode, where + "/" + mode.name);
    }
}

}  // namespace

void applyWriters(const PrinterDesc& printer) {
    boost::shared_ptr<PrinterRepository> repository =
        PrinterRepository::createRepository(W(printer.name), wxString());
    require(repository.get() != nullptr, "no printer " + printer.name);
    {
        boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(repository);
        require(writer.get() != nullptr, "no writer for the printer " + printer.name);
        writer->setActive(printer.active);
        if (!printer.portName.empty()) {
            writer->setPortType(W(printer.portName));
        }
        if (!printer.portData.empty()) {
            writer->setPortData(W(printer.portData));
        }
        if (!printer.virtualPrinterExtension.empty()) {
            writer->setVirtualPrinterExtension(W(printer.virtualPrinterExtension));
        }
        if (!printer.defaultPageSize.empty()) {
            writer->setDefaultPageSize(W(printer.defaultPageSize));
        }
        if (!printer.defaultMediaName.empty()) {
            writer->setDefaultMedia(W(printer.defaultMediaGroup), W(printer.defaultMediaName));
        }
        writer->setDotInfo(makeDotInfo(printer.dotInfo)->getDotInfo());
        if (!printer.pageSizes.empty()) {
            writer->setPageSizes(pageSizeRows(printer.pageSizes).get());
        }
        if (!printer.ports.empty()) {
            writer->setPortList(portRows(printer.ports).get());
        }
        if (!printer.screenSetups.empty()) {
            writer->setScreenSetups(makeScreenSetup(printer.screenSetups)->getScreenSetup());
        }
        require(writer->save(), "cannot save the printer " + printer.name);
        if (printer.engineBlob) {
            writeStream(writer->getOutputSPSettingsStream(), *printer.engineBlob,
                        printer.name + "/.SPSettings.dat");
            writer->closeSPSettingsStream();
        }
    }
    for (const MediaDesc& media : printer.medias) {
        const std::string where = printer.name + "/" + media.group + "/" + media.name;
        boost::shared_ptr<MediaRepository> mediaRepository;
        {
            // The printer's reader goes before the media's writer comes.
            boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(repository);
            require(reader.get() != nullptr, "no reader for the printer " + printer.name);
            mediaRepository = reader->getMedia(W(media.group), W(media.name));
        }
        require(mediaRepository.get() != nullptr, "no media " + where);
        applyMedia(mediaRepository, media, where);
    }
}

}  // namespace makerepo
}  // namespace vexa
