// Shared set-up of the media and mode tests: a repository "db/Printers" in a
// fresh temporary folder (found through VEXA_INSTALL) with one printer, and
// helpers to write medias and modes, reach them through the printer and run
// a forked child as a fresh process.
#ifndef VEXA_TESTS_PRINTER_MEDIAMODEFIXTURE_H
#define VEXA_TESTS_PRINTER_MEDIAMODEFIXTURE_H

#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>
#include <type_traits>

#include "common/SettingsText.h"
#include "printer/PrinterFixture.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/MediaWriter.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/ModeWriter.h"
#include "repository/ProcessHelpers.h"
#include "vfs/src/impl/FileContent.h"

namespace vexa {
namespace test {
namespace mm {

using repos::printer::MediaReader;
using repos::printer::MediaRepository;
using repos::printer::MediaWriter;
using repos::printer::ModeReader;
using repos::printer::ModeRepository;
using repos::printer::ModeWriter;
typedef boost::shared_ptr<MediaRepository> MediaPtr;
typedef boost::shared_ptr<ModeRepository> ModePtr;
typedef boost::shared_ptr<repos::printer::PrinterRepository> PrinterPtr;

// Non-ASCII names throughout: the suite runs under LC_ALL=C.
const char* const kPrinter = "Drücker Ω";
const char* const kGroup = "Mätt";
const char* const kMedia = "Papier é";
const char* const kMode = "Fein ß";

// Every key of the media table.
inline std::string fullMediaBody() {
    return R"(
 <node name="InkCfg"><node name="Name" value="CMYK é"/><node name="NumColor" value="4"/></node>
 <node name="ColorInfo"><node name="NumColor" value="4"/><node name="NumSpotColor" value="1"/>
  <node name="HiFiMode" value="0"/><node name="Photometric" value="5"/>
  <node name="SpotNames"><node name="Orangé" position="0" bitspersample="8" photometric="2"
   opacity="100.000000" samples="2" S0="10" S1="20"/></node></node>
 <node name="ResScaleAdjust"><node name="720" scaleX="1.250000" scaleY="0.500000"/></node>
 <node name="PageSizes"><node name="A4"/><node name="Übergröße"/></node>
 <node name="PassInfo"><node name="Pass0" value="4" id="1"/><node name="Pass1" value="8" id="2"/></node>
 <node name="LabelChannel" value="3"/>
 <node name="DefaultMode" value="Fein ß"/>
 <node name="JdfAlias" value="Glänzend"/>
 <node name="JdfQualityModeHigh" value="Fein ß"/>
 <node name="JdfQualityModeNormal" value="Norm"/>
 <node name="JdfQualityModeDraft" value="Schnell"/>
)";
}

// Every key of the mode table, the printer options with a name given twice.
inline std::string fullModeBody() {
    return R"(
 <node name="Pattern" value="Diffusion ü"/>
 <node name="Res" value="720x1440"/>
 <node name="ResAlias" value="Fein"/>
 <node name="InkCfg"><node name="Name" value="CMYKlclm"/><node name="NumColor" value="6"/></node>
 <node name="InkRestrictions"><node name="Cyan" value="80" position="0"/><node name="Black" value="95" position="1"/></node>
 <node name="TransitionControl"><node name="Cyan" value="12" position="0"/></node>
 <node name="DropAdjusts"><node name="Magenta" value="-3" position="0"/></node>
 <node name="ScreenSetup"><node name="Grob"><node name="S1" lpi="85" angle="45" function="round" placement="0" shades="128"/></node></node>
 <node name="LvlCurves"><node name="Ink0" value="Cyan"><node name="Curve0"><node name="Point0" x="0" y="0"/><node name="Point1" x="50" y="40"/></node></node></node>
 <node name="InkCurves"><node name="Ink0" value="Black"><node name="Curve0"><node name="Point0" x="100" y="90"/></node></node></node>
 <node name="ResScaleAdjust"><node name="720x1440" scaleX="1.000000" scaleY="2.000000"/></node>
 <node name="TableDefaults"><node name="Calb" value="cal ä.icc"/><node name="NmClr" value="named.tbl"/></node>
 <node name="UserQualityAssessment" value="3.250000"/>
 <node name="PrinterSettings"><node name="Heater" value="40"/><node name="Vacuum" value="low"/></node>
 <node name="PrinterSettings"><node name="Vacuum" value="high"/></node>
)";
}

inline std::string describeLevels(const boost::shared_ptr<repos::InkLevels>& levels) {
    if (!levels) {
        return "<none>";
    }
    std::string out;
    for (const auto& entry : *levels->getSpInkLevel()) {
        out += " " + entry.first + "=" + std::to_string(entry.second);
    }
    return out;
}

inline std::string readAll(const vfs::InputStreamPtr& in) {
    if (!in) {
        return "<no stream>";
    }
    wxMemoryOutputStream out;
    in->Read(out);
    return bytesOf(out);
}

// Runs `body` in a forked child that starts from a fresh catalog, as a new
// process would, and returns the text it produced; "<child failed>" when it
// did not finish. Fork only while this process holds no lock.
inline std::string inFreshProcess(const TempDir& dir, const std::function<std::string()>& body) {
    const std::string output = dir.file("child-output.txt");
    std::remove(output.c_str());
    Child child([&](Child&) -> int {
        try {
            repos::printer::PrinterCatalog::reset();
            repos::SystemRepository::Reset();
            writeFile(output, body());
            return 0;
        } catch (...) {
            return 3;
        }
    });
    if (!child.started() || child.wait() != 0) {
        return "<child failed>";
    }
    return readFile(output);
}

// A printer of two keys, the repository tests' medias and modes go in.
class MediaModeFixture : public PrinterFixture {
  public:
    void SetUp() override {
        PrinterFixture::SetUp();
        makePrinter(kPrinter,
                    "<node name=\"DllDevice\" value=\"Jet\"/>"
                    "<node name=\"DllModule\" value=\"jet.so\"/>");
    }

    using PrinterFixture::printerPath;
    std::string printerPath() const { return printerPath(kPrinter); }
    std::string mediaPath(const std::string& group = kGroup,
                          const std::string& media = kMedia) const {
        return printerPath() + "/Medias/" + group + "/" + media;
    }
    std::string modePath(const std::string& mode = kMode, const std::string& group = kGroup,
                         const std::string& media = kMedia) const {
        return mediaPath(group, media) + "/Modes/" + mode;
    }

    // A media folder with a settings file of root "Media" and `body`, and
    // one empty mode per name in `modes`.
    void makeMedia(const std::string& body, const std::vector<std::string>& modes = {kMode},
                   const std::string& group = kGroup, const std::string& media = kMedia) {
        makeDirs(mediaPath(group, media));
        writeFile(mediaPath(group, media) + "/.Settings.xml", settingsXml("Media", body));
        for (const std::string& mode : modes) {
            makeMode("", mode, group, media);
        }
    }
    void makeMode(const std::string& body, const std::string& mode = kMode,
                  const std::string& group = kGroup, const std::string& media = kMedia) {
        makeDirs(modePath(mode, group, media));
        writeFile(modePath(mode, group, media) + "/.Settings.xml", settingsXml("Mode", body));
    }

    // The media as hosts reach it: through its printer (whose reader is
    // dropped again at once).
    MediaPtr media(const std::string& group = kGroup, const std::string& name = kMedia) {
        boost::shared_ptr<repos::printer::PrinterReader> printer =
            repos::printer::PrinterReader::getReader(toWx(kPrinter));
        return printer ? printer->getMedia(toWx(group), toWx(name)) : MediaPtr();
    }
    ModePtr mode(const std::string& name = kMode, const std::string& group = kGroup,
                 const std::string& mediaName = kMedia) {
        MediaPtr repository = media(group, mediaName);
        boost::shared_ptr<MediaReader> reader =
            repository ? repository->getReader() : boost::shared_ptr<MediaReader>();
        return reader ? reader->getMode(toWx(name)) : ModePtr();
    }
};

// What the tests that hold for printers, medias and modes alike need of
// each kind: its folder, a full settings file, the repository as hosts
// reach it, a change of a text and of a structure (told apart by `n`) as
// its readers show them, and a second key to change after it.
struct PrinterKind {
    typedef repos::printer::PrinterRepository Repository;
    typedef repos::printer::PrinterReader Reader;
    typedef repos::printer::PrinterWriter Writer;
    static std::string folder(const MediaModeFixture& f) { return f.printerPath(); }
    static void makeFull(MediaModeFixture& f) { f.makePrinter(kPrinter, fullPrinterBody()); }
    static boost::shared_ptr<Repository> open(MediaModeFixture&) {
        return Repository::createRepository(toWx(kPrinter), wxString());
    }
    static void change(Writer& writer, int n) {
        writer.setPortType(toWx("Port ü " + std::to_string(n)));
        SSTRAL* ports = _stral_new();
        stral_add(ports, -1, 0, "COM", "2", std::to_string(n).c_str(), nullptr);
        writer.setPortList(ports);
        stral_free(ports);
    }
    static std::string seen(Reader& reader) {
        return toUtf8(reader.getPortType()) + stralText(reader.getPortList()->getStral());
    }
    static std::string shown(int n) {
        return "Port ü " + std::to_string(n) + " [COM|2|" + std::to_string(n) + "]";
    }
    static void changeOther(Writer& writer) { writer.setPortData(toWx("after")); }
    static const char* otherKey() { return "Printer/PortData"; }
    // An object every reader of one repository shares.
    static const void* cached(Reader& reader) { return reader.getInkTypes().get(); }
};

struct MediaKind {
    typedef MediaRepository Repository;
    typedef MediaReader Reader;
    typedef MediaWriter Writer;
    static std::string folder(const MediaModeFixture& f) { return f.mediaPath(); }
    static void makeFull(MediaModeFixture& f) { f.makeMedia(fullMediaBody()); }
    static MediaPtr open(MediaModeFixture& f) { return f.media(); }
    static void change(Writer& writer, int n) {
        writer.setJdfAlias(toWx("Seidenmatt " + std::to_string(n)));
        writer.setPageSizes(boost::make_shared<std::list<wxString>>(
            std::list<wxString>{toWx("Neu ö " + std::to_string(n))}));
    }
    static std::string seen(Reader& reader) {
        std::string out = toUtf8(reader.getJdfAlias());
        for (const wxString& size : *reader.getPageSizes()) {
            out += " [" + toUtf8(size) + "]";
        }
        return out;
    }
    static std::string shown(int n) {
        return "Seidenmatt " + std::to_string(n) + " [Neu ö " + std::to_string(n) + "]";
    }
    static void changeOther(Writer& writer) { writer.setDefaultMode(toWx("after")); }
    static const char* otherKey() { return "Media/DefaultMode"; }
    static const void* cached(Reader& reader) { return reader.getPageSizes().get(); }
};

struct ModeKind {
    typedef ModeRepository Repository;
    typedef ModeReader Reader;
    typedef ModeWriter Writer;
    static std::string folder(const MediaModeFixture& f) { return f.modePath(); }
    static void makeFull(MediaModeFixture& f) {
        f.makeMedia("", {});
        f.makeMode(fullModeBody());
    }
    static ModePtr open(MediaModeFixture& f) { return f.mode(); }
    static void change(Writer& writer, int n) {
        writer.setPrinterOption(toWx("Heater"), toWx("Heiß " + std::to_string(n)));
        SPINKLEVELEX limits;
        limits["Black"] = n;
        writer.setInkLimits(&limits);
    }
    static std::string seen(Reader& reader) {
        return toUtf8(reader.getPrinterOption(toWx("Heater"))) +
               describeLevels(reader.getInkLimits());
    }
    static std::string shown(int n) {
        return "Heiß " + std::to_string(n) + " Black=" + std::to_string(n);
    }
    static void changeOther(Writer& writer) { writer.updateCalibration(toWx("after")); }
    static const char* otherKey() { return "Mode/TableDefaults/Calb"; }
    static const void* cached(Reader& reader) { return reader.getInkCfg().get(); }
};

typedef ::testing::Types<PrinterKind, MediaKind, ModeKind> AllKinds;
typedef ::testing::Types<MediaKind, ModeKind> MediaAndMode;

// Names the typed cases by kind.
struct KindName {
    template <typename Kind>
    static std::string GetName(int) {
        return std::is_same<Kind, PrinterKind>::value ? "Printer"
               : std::is_same<Kind, MediaKind>::value ? "Media"
                                                      : "Mode";
    }
};

}  // namespace mm
}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_PRINTER_MEDIAMODEFIXTURE_H
