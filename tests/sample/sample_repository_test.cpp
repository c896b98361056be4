// The bundled sample repository examples/db, read whole through the public
// readers from a copy, against the values vexa-make-repo wrote it from
// (tools/make-repo/SampleData.h).
#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "printer/MediaModeFixture.h"
#include "repos/LegacyMediaName.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/Settings.h"
#include "tools/make-repo/EngineValues.h"
#include "tools/make-repo/SampleData.h"
#include "types/InkCfgCompare.h"
#include "vfs/src/impl/FileContent.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using namespace makerepo;
using repos::printer::joinLegacyMediaName;
using repos::printer::MediaReader;
using repos::printer::MediaRepository;
using repos::printer::ModeReader;
using repos::printer::ModeRepository;
using repos::printer::PrinterReader;
using test::toUtf8;
using test::toWx;

typedef std::vector<std::vector<std::string>> Rows;

// ---- Values as text --------------------------------------------------------------
//
// Read and generated values are compared as text: the table rows below
// hold both sides, and a difference shows the whole value.

std::string text(const std::string& value) {
    return value;
}
std::string text(const char* value) {
    return value;
}
std::string text(const wxString& value) {
    return toUtf8(value);
}
std::string text(bool value) {
    return value ? "true" : "false";
}
template <class Number, class = std::enable_if_t<std::is_arithmetic<Number>::value>>
std::string text(Number value) {
    std::ostringstream out;
    out.precision(17);
    out << +value;
    return out.str();
}
std::string text(const Rows& rows) {
    std::string joined;
    for (const auto& row : rows) {
        for (const std::string& cell : row) {
            joined += cell + "|";
        }
        joined += "\n";
    }
    return joined;
}
template <class Container, class = typename Container::const_iterator>
std::string text(const Container& values) {
    std::string joined;
    for (const auto& value : values) {
        joined += text(value) + ",";
    }
    return joined;
}
template <class K, class V>
std::string text(const std::multimap<K, V>& map) {
    std::string joined;
    for (const auto& entry : map) {
        joined += text(entry.first) + "=" + text(entry.second) + ",";
    }
    return joined;
}
template <class K, class V>
std::string text(const std::map<K, V>& map) {
    return text(std::multimap<K, V>(map.begin(), map.end()));
}

// Each item twice in a row: the second reading goes through the objects the
// first one cached, which must hand out the same values again.
template <class T>
std::vector<std::reference_wrapper<const T>> twice(const std::vector<T>& items) {
    std::vector<std::reference_wrapper<const T>> doubled;
    for (const T& item : items) {
        doubled.insert(doubled.end(), 2, std::cref(item));
    }
    return doubled;
}

// The text of a fixed character field.
std::string field(const char* chars, std::size_t size) {
    return std::string(chars, std::find(chars, chars + size, '\0'));
}

Rows rowsOf(const SSTRAL* array) {
    Rows rows;
    for (const SSTRALROW* row = array ? array->first : nullptr; row; row = row->next) {
        rows.emplace_back(row->texts, row->texts + row->count);
    }
    if (!array) {
        rows.push_back({"<no array>"});
    }
    return rows;
}

std::string screensText(const _SCREENSETUP* record) {
    std::string joined;
    for (; record != nullptr; record = record->next) {
        joined +=
            field(record->name, SP_SCREENSETUP_NAME_SIZE) + ":\n" + text(rowsOf(record->screens));
    }
    return joined;
}
Rows scaleRows(const SPRESSCALEADJUST* record) {
    Rows rows;
    for (; record != nullptr; record = record->next) {
        rows.push_back({field(record->Resolution, SP_RESSCALE_NAME_SIZE), text(record->scaleX),
                        text(record->scaleY)});
    }
    return rows;
}
// The counts, then one row per spot colour.
Rows colorRows(const _SP_COLOR_INFO& color) {
    Rows rows{{text(color.NumColor), text(color.HiFiMode), text(color.Photometric),
               text(color.NumSpotColor)}};
    for (int s = 0; s < color.NumSpotColor && s < SP_MAX_SPOTCOLORS; ++s) {
        const SP_SPOT_INFO& spot = color.Spots[s];
        rows.push_back({field(color.SpotNames[s], SP_SPOTNAME_SIZE), text(spot.bitspersample),
                        text(spot.photometric), text(spot.opacity), text(spot.samples)});
        for (std::size_t i = 0; i < SP_MAX_SPOTSAMPLES; ++i) {
            rows.back().push_back(text(spot.SampleValues[i]));
        }
    }
    return rows;
}

// The generator's configuration for `desc` (stored for the sample, as the
// regeneration test holds) against the one read back.
void expectInkCfg(const InkCfgDesc& desc, const SPINKCFG& read, const std::string& what) {
    SCOPED_TRACE(what);
    // Several ink units read back last first: the list is built by putting
    // each unit read in front.
    test::expectSameCfg(*makeInkCfg(desc)->getSpInkCfg(), read, true);
}

// Groups, units and scale rows, one line per unit.
std::string dotsText(const dotinfo& dots) {
    std::string joined = field(dots.units, DOT_UNITS_SIZE) + "\n";
    for (const dotresgroup* group = dots.first; group != nullptr; group = group->next) {
        for (const dotresunit* unit = group->units; unit != nullptr; unit = unit->next) {
            joined += field(group->name, DOT_GROUPNAME_SIZE) + "/" +
                      field(unit->name, DOT_UNITNAME_SIZE) + ":\n" + text(rowsOf(unit->scales));
        }
        joined += group->next == nullptr && dots.last != group ? "<last is not the tail>" : "";
    }
    return joined;
}
std::string levelsText(const SPINKLEVELEX& levels) {
    return text(std::map<std::string, int>(levels.begin(), levels.end()));
}
// Every point of a curve, points not given as zero.
template <class Point>
std::string curveText(const Point* points) {
    std::string joined;
    for (std::size_t k = 0; k < SP_CURVE_POINTS; ++k) {
        joined += text(points[k].x) + ":" + text(points[k].y) + ",";
    }
    return joined;
}
// As an ink curve holds the points: the percentage times 2.55 rounded half
// up.
std::string curveText(const PointCurve& curve) {
    std::string joined;
    const auto scale = [](int percent) { return (percent * 255 + 50) / 100; };
    for (std::size_t k = 0; k < SP_CURVE_POINTS; ++k) {
        const CurvePoint p = k < curve.size() ? curve[k] : CurvePoint{0, 0};
        joined += text(scale(p.x)) + ":" + text(scale(p.y)) + ",";
    }
    return joined;
}

std::string inkCurveText(const SPINKCURVE& curves) {
    std::string joined = field(curves.Resolution, SP_RESNAME_SIZE) + "\n";
    for (std::size_t i = 0; i < curves.InkCount; ++i) {
        joined += field(curves.InkNames[i], SP_INKNAME_SIZE) + ":\n";
        for (std::size_t j = 0; j < curves.CurveCounts[i]; ++j) {
            joined += curveText(curves.Curves[i][j].Points) + "\n";
        }
    }
    return joined;
}
std::string inkCurveText(const std::vector<InkCurveDesc>& inks, const std::string& resolution) {
    std::string joined = resolution + "\n";
    for (const InkCurveDesc& ink : inks) {
        joined += ink.ink + ":\n";
        for (const PointCurve& curve : ink.curves) {
            joined += curveText(curve) + "\n";
        }
    }
    return joined;
}

// ---- The fixture ---------------------------------------------------------------

// A copy of examples/db where the printer tests make their repository.
class SampleRepositoryTest : public test::PrinterFixture {
  protected:
    // One value of the sample: the object it belongs to (its path below the
    // repository), its settings key, the value read and the value generated.
    struct Value {
        std::string object, key, read, expected;
    };

    void SetUp() override {
        PrinterFixture::SetUp();
        m_db = fs::path(dir.path()) / "db";
        fs::copy(fs::path(VEXA_SOURCE_DIR) / "examples" / "db", m_db, fs::copy_options::recursive);
    }

    static const RepositoryDesc& sample() { return sampleRepository(); }

    fs::path printerPath(const PrinterDesc& p) const { return m_db / "Printers" / p.name; }
    fs::path modePath(const PrinterDesc& p, const MediaDesc& m, const ModeDesc& mode) const {
        return printerPath(p) / "Medias" / m.group / m.name / "Modes" / mode.name;
    }

    // The media's repository, taken through a printer reader that is gone
    // when it returns (no media is read while its printer's reader lives).
    boost::shared_ptr<MediaRepository> media(const PrinterDesc& p, const MediaDesc& m) {
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(p.name));
        EXPECT_TRUE(reader) << p.name;
        return reader ? reader->getMedia(toWx(m.group), toWx(m.name))
                      : boost::shared_ptr<MediaRepository>();
    }

    boost::shared_ptr<ModeRepository> mode(const PrinterDesc& p, const MediaDesc& m,
                                           const ModeDesc& desc) {
        boost::shared_ptr<MediaReader> reader = MediaReader::getReader(media(p, m));
        EXPECT_TRUE(reader) << m.name;
        return reader ? reader->getMode(toWx(desc.name)) : boost::shared_ptr<ModeRepository>();
    }

    template <class Read, class Expected>
    void value(const std::string& key, const Read& read, const Expected& expected) {
        m_values.push_back({m_object, key, text(read), text(expected)});
    }

    // An engine settings blob, or none.
    template <class Reader>
    void engineBlob(Reader& reader, const std::optional<std::string>& expected) {
        boost::shared_ptr<wxInputStream> engine = reader.getInputSPSettingsStream();
        value(".SPSettings.dat", engine ? test::mm::readAll(engine) : "<none>",
              expected.value_or("<none>"));
        if (engine) {
            engine.reset();
            reader.closeSPSettingsStream();
        }
    }

    void expectValues() const {
        EXPECT_GT(m_values.size(), 0u);
        for (const Value& v : m_values) {
            EXPECT_EQ(v.read, v.expected) << v.object << ": " << v.key;
        }
    }

    fs::path m_db;
    std::string m_object;
    std::vector<Value> m_values;
};

// ---- Printers ------------------------------------------------------------------

TEST_F(SampleRepositoryTest, EveryPrinterValueReadsBackAsGenerated) {
    for (const PrinterDesc& p : twice(sample().printers)) {
        m_object = "Printers/" + p.name;
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(p.name));
        ASSERT_TRUE(reader) << p.name;
        std::error_code error;
        EXPECT_TRUE(fs::equivalent(fs::path(toUtf8(reader->getRootPath())), printerPath(p), error));
        value("DllDevice", reader->getDeviceName(), p.deviceName);
        value("DllModule", reader->getDllModule(), p.dllModule);
        value("PPDFile", reader->getPPDFile(), p.ppdFile);
        value("PortName", reader->getPortType(), p.portName);
        value("PortData", reader->getPortData(), p.portData);
        value("TCPPortAdd", reader->getTCPAdditionalPort(), p.tcpPortAdd);
        value("TCPPortDefault", reader->getTCPDefaultPort(), p.tcpPortDefault);
        value("VirtualPrinterExtension", reader->getVirtualPrinterExtension(),
              p.virtualPrinterExtension);
        value("DefaultPageSize", reader->getDefaultPageSize(), p.defaultPageSize);
        const std::pair<wxString, wxString> defaultMedia = reader->getDefaultMedia();
        value("DefaultMedia", defaultMedia.first + wxT("/") + defaultMedia.second,
              p.defaultMediaGroup + "/" + p.defaultMediaName);
        value("DefaultMedia (legacy)", reader->getDefaultMediaLegacy(),
              joinLegacyMediaName(toWx(p.defaultMediaName), toWx(p.defaultMediaGroup)));
        EXPECT_TRUE(reader->getMedia(defaultMedia.first, defaultMedia.second)) << p.name;
        // "Printer/Active" has no getter: it is read from the file, and so is
        // the untouched copy of the settings in "Defaults".
        value("Active",
              test::fileValue((printerPath(p) / ".Settings.xml").string(), "Printer/Active"),
              p.active);
        value("Defaults: DllDevice",
              test::fileValue((printerPath(p) / "Defaults/.Settings.xml").string(),
                              "Printer/DllDevice"),
              p.deviceName);
        value("Defaults: PortName",
              test::fileValue((printerPath(p) / "Defaults/.Settings.xml").string(),
                              "Printer/PortName"),
              "<absent>");

        value("DotInfo", dotsText(*reader->getDotInfo()->getDotInfo()),
              dotsText(*makeDotInfo(p.dotInfo)->getDotInfo()));
        Rows inkTypes, expectedInkTypes;
        for (const SPINKTYPE* t = reader->getInkTypes()->getSpInkType(); t; t = t->next) {
            inkTypes.push_back(
                {text(t->Type), field(t->Name, SP_INKTYPE_NAME_SIZE), text(t->Durability)});
        }
        for (const InkTypeDesc& t : p.inkTypes) {
            expectedInkTypes.push_back({text(t.type), t.name, text(t.durability)});
        }
        value("InkTypes", inkTypes, expectedInkTypes);
        // Page sizes read back with every margin, given or not.
        Rows sizes;
        for (const PageSizeDesc& s : p.pageSizes) {
            sizes.push_back(
                {s.name, s.width, s.height, s.access, s.type, s.left, s.top, s.right, s.bottom});
        }
        value("PageSizes", rowsOf(reader->getPageSizes()->getStral()), sizes);
        value("PortList", rowsOf(reader->getPortList()->getStral()),
              rowsOf(portRows(p.ports).get()));
        value("DefaultResolutions", rowsOf(reader->getDefaultResolutions()->getStral()),
              rowsOf(textRows(p.defaultResolutions).get()));
        value("DefaultScreenSetup", screensText(reader->getScreenSetups()->getScreenSetup()),
              screensText(makeScreenSetup(p.screenSetups)->getScreenSetup()));

        Rows resolutions, expectedResolutions;
        for (const boost::shared_ptr<repos::ResData>& r : reader->getDeviceResolutions()) {
            resolutions.push_back({text(r->resolution), text(r->replicate), text(r->dupCount),
                                   text(r->lineBytes), text(r->densityFlag), text(r->procOpts),
                                   text(r->procOptsMask), text(r->alias)});
        }
        std::multimap<std::string, std::string> allAliases, defaultAliases;
        for (const ResDataDesc& r : p.resData) {
            expectedResolutions.push_back({r.resolution, r.replicate, r.dupCount, text(r.lineBytes),
                                           text(r.densityFlag), text(r.procOpts),
                                           text(r.procOptsMask), text(r.aliases)});
            const bool isDefault = std::count(p.defaultResolutions.begin(),
                                              p.defaultResolutions.end(), r.resolution) > 0;
            for (const std::string& alias : r.aliases) {
                allAliases.insert(std::make_pair(r.resolution, alias));
                if (isDefault) {
                    defaultAliases.insert(std::make_pair(r.resolution, alias));
                }
            }
        }
        value("ResData", resolutions, expectedResolutions);
        value("ResData aliases", reader->getResolutionAliases(false), allAliases);
        value("ResData aliases of defaults", reader->getResolutionAliases(true), defaultAliases);

        const std::list<boost::shared_ptr<repos::InkCfg>>& cfgs = reader->getInkCfgs();
        ASSERT_EQ(cfgs.size(), p.inkCfgs.size());
        auto cfg = cfgs.begin();
        for (const InkCfgDesc& expected : p.inkCfgs) {
            expectInkCfg(expected, *(*cfg++)->getSpInkCfg(), m_object + " " + expected.name);
        }

        std::vector<std::string> swatches, expectedSwatches;
        const boost::shared_ptr<std::list<wxString>> listed = reader->getSwatchDefs(wxT("*"));
        for (const wxString& name : *listed) {
            swatches.push_back(toUtf8(name));
        }
        for (const FileDesc& swatch : p.swatches) {
            expectedSwatches.push_back(swatch.name);
            const std::string path = toUtf8(reader->getSwatchDefLocation(toWx(swatch.name)));
            value("Swatch " + swatch.name, path.empty() ? "<no path>" : test::readFile(path),
                  swatch.bytes);
        }
        std::sort(swatches.begin(), swatches.end());
        std::sort(expectedSwatches.begin(), expectedSwatches.end());
        value("Swatches", swatches, expectedSwatches);
        value("Swatch not there", reader->getSwatchDefLocation(wxT("Nicht da")), "");
        engineBlob(*reader, p.engineBlob);
    }
    expectValues();
}

// ---- Medias ---------------------------------------------------------------------

TEST_F(SampleRepositoryTest, EveryMediaValueReadsBackAsGenerated) {
    for (const PrinterDesc& p : sample().printers) {
        for (const MediaDesc& m : twice(p.medias)) {
            m_object = "Printers/" + p.name + "/Medias/" + m.group + "/" + m.name;
            boost::shared_ptr<MediaRepository> repository = media(p, m);
            ASSERT_TRUE(repository) << m_object;
            boost::shared_ptr<MediaReader> reader = MediaReader::getReader(repository);
            ASSERT_TRUE(reader) << m_object;
            EXPECT_TRUE(reader->isValid()) << m_object;
            value("name", reader->getName(), m.name);
            value("group", reader->getGroup(), m.group);
            value("legacy name", reader->getNameLegacy(),
                  joinLegacyMediaName(toWx(m.name), toWx(m.group)));
            expectInkCfg(m.inkCfg, *reader->getInkCfg()->getSpInkCfg(), m_object);

            value("ColorInfo", colorRows(*reader->getColorInfo()->getSpColorInfo()),
                  colorRows(*makeColorInfo(m.colorInfo)->getSpColorInfo()));

            value("ResScaleAdjust", scaleRows(reader->getResScaleAdjust()->getSpResScaleAdjust()),
                  scaleRows(makeResScaleAdjust(m.resScaleAdjust)->getSpResScaleAdjust()));
            value("PageSizes", *reader->getPageSizes(), m.pageSizes);
            value("PassInfo", rowsOf(reader->getPassInfo()->getStral()),
                  rowsOf(passRows(m.passes).get()));
            value("LabelChannel", reader->getLabelChannel(), m.labelChannel);
            value("DefaultMode", reader->getDefaultMode(), m.defaultMode);
            value("JdfAlias", reader->getJdfAlias(), m.jdfAlias);
            value("JdfQualityModeHigh", reader->getJdfQualityMode(wxT("High")), m.jdfHigh);
            value("JdfQualityModeNormal", reader->getJdfQualityMode(wxT("Normal")), m.jdfNormal);
            value("JdfQualityModeDraft", reader->getJdfQualityMode(wxT("Draft")), m.jdfDraft);
            engineBlob(*reader, m.engineBlob);

            // Reading the costs makes a missing file: last, and only on the
            // copy.
            const boost::shared_ptr<repos::MediaCostSettings> costs =
                reader->getMediaCostSettings();
            const CostDesc& expected = m.costs ? *m.costs : CostDesc{0.0, {}};
            value("MediaCost areabasedcost", costs->getAreaBasedCost(), expected.areaBasedCost);
            value("MediaCost page sizes", costs->getPageSizeCosts(),
                  std::map<std::string, double>(expected.pageSizeCosts.begin(),
                                                expected.pageSizeCosts.end()));
        }
    }
    expectValues();
}

// ---- Modes ---------------------------------------------------------------------

TEST_F(SampleRepositoryTest, EveryModeValueAndFileReadsBackAsGenerated) {
    for (const PrinterDesc& p : sample().printers) {
        for (const MediaDesc& m : p.medias) {
            for (const ModeDesc& desc : twice(m.modes)) {
                m_object = "Printers/" + p.name + "/Medias/" + m.group + "/" + m.name + "/Modes/" +
                           desc.name;
                boost::shared_ptr<ModeReader> reader = ModeReader::getReader(mode(p, m, desc));
                ASSERT_TRUE(reader) << m_object;
                EXPECT_TRUE(reader->isValid()) << m_object;
                std::error_code error;
                EXPECT_TRUE(fs::equivalent(fs::path(toUtf8(reader->getLocation())),
                                           modePath(p, m, desc), error))
                    << m_object;
                value("name", reader->getName(), desc.name);
                value("Pattern", reader->getPattern(), desc.pattern);
                value("Res", reader->getResolution(), desc.resolution);
                value("ResAlias", reader->getResolutionAlias(), desc.resolutionAlias);
                boost::shared_ptr<repos::InkCfg> cfg = reader->getInkCfg();
                ASSERT_EQ(static_cast<bool>(cfg), desc.inkCfg.has_value()) << m_object;
                if (cfg) {
                    expectInkCfg(*desc.inkCfg, *cfg->getSpInkCfg(), m_object);
                }
                const auto levels = [](const boost::shared_ptr<repos::InkLevels>& read) {
                    return read ? levelsText(*read->getSpInkLevel()) : "<none>";
                };
                const auto expectedLevels = [](const LevelTable& table) {
                    return table.empty() ? "<none>" : levelsText(makeLevels(table));
                };
                value("InkRestrictions", levels(reader->getInkLimits()),
                      expectedLevels(desc.inkLimits));
                value("TransitionControl", levels(reader->getTransCtrl()),
                      expectedLevels(desc.transitionControl));
                // Without per-ink drop adjustments the older single number
                // reads as one level with an empty ink name.
                value("DropAdjusts", levels(reader->getDropAdjust()),
                      levelsText(makeLevels(desc.dropAdjusts.value_or(
                          LevelTable{{"", desc.legacyDropAdjust.value_or(-999)}}))));
                const boost::shared_ptr<repos::ScreenSetup> screens = reader->getScreenSetups();
                value("ScreenSetup", screens ? screensText(screens->getScreenSetup()) : "<none>",
                      desc.screenSetups.empty()
                          ? "<none>"
                          : screensText(makeScreenSetup(desc.screenSetups)->getScreenSetup()));
                const auto curves = [](const boost::shared_ptr<repos::InkCurve>& read) {
                    return read ? inkCurveText(*read->getSpInkCurve()) : "<none>";
                };
                const auto expectedCurves = [&desc](const std::vector<InkCurveDesc>& inks) {
                    return inks.empty() ? "<none>" : inkCurveText(inks, desc.resolution);
                };
                value("LvlCurves", curves(reader->getLevelCurves()),
                      expectedCurves(desc.levelCurves));
                value("InkCurves", curves(reader->getInkCurves()), expectedCurves(desc.inkCurves));
                const boost::shared_ptr<repos::ResScaleAdjust> scale = reader->getResScaleAdjust();
                value("ResScaleAdjust",
                      scale ? scaleRows(scale->getSpResScaleAdjust()) : Rows{{"<none>"}},
                      desc.resScaleAdjust.empty()
                          ? Rows{{"<none>"}}
                          : scaleRows(
                                makeResScaleAdjust(desc.resScaleAdjust)->getSpResScaleAdjust()));

                std::map<std::string, std::string> table(desc.otherTableDefaults.begin(),
                                                         desc.otherTableDefaults.end());
                for (const auto& entry : {std::make_pair("Calb", &desc.calibration),
                                          std::make_pair("LnMM", &desc.mediaModel),
                                          std::make_pair("NmClr", &desc.namedColor)}) {
                    if (!entry.second->empty()) {
                        table[entry.first] = *entry.second;
                    }
                }
                value("TableDefaults", reader->getTableDefaults(), table);
                value("UserQualityAssessment", reader->getUserQualityAssessment(),
                      desc.userQualityAssessment.value_or(ModeReader::kNoQualityAssessment));
                value("PrinterSettings", *reader->getPrinterOptions(),
                      std::map<std::string, std::string>(desc.printerOptions.begin(),
                                                         desc.printerOptions.end()));
                for (const auto& option : desc.printerOptions) {
                    value("PrinterSettings " + option.first,
                          reader->getPrinterOption(toWx(option.first)), option.second);
                }
                value("PrinterSettings not set", reader->getPrinterOption(wxT("Nicht gesetzt")),
                      "");

                // Profiles by extension: the files first, then the links,
                // each in name order.
                std::vector<std::string> files, links;
                for (const FileDesc& file : desc.files) {
                    const std::string::size_type dot = file.name.rfind(".icc");
                    if (dot != std::string::npos && dot + 4 == file.name.size()) {
                        files.push_back(file.name.substr(0, dot));
                    }
                    const std::string path = toUtf8(reader->getProfileLocation(toWx(file.name)));
                    value(file.name, path.empty() ? "<no path>" : test::readFile(path), file.bytes);
                    vfs::FileContentPtr content = reader->getFileByName(toWx(file.name));
                    value(file.name + " content",
                          content ? test::mm::readAll(content->getInputStream()) : "<none>",
                          file.bytes);
                }
                for (const LinkDesc& link : desc.links) {
                    links.push_back(link.name.substr(0, link.name.rfind(".icc")));
                    const std::string path = toUtf8(reader->getProfileLocation(toWx(link.name)));
                    EXPECT_TRUE(fs::equivalent(fs::path(path),
                                               modePath(p, m, desc) / fs::path(link.target), error))
                        << m_object << ": " << link.name << " at " << path;
                }
                std::sort(files.begin(), files.end());
                std::sort(links.begin(), links.end());
                files.insert(files.end(), links.begin(), links.end());
                value("profiles", *reader->getProfiles(wxT("icc")), files);
                value("profile not there", reader->getProfileLocation(wxT("Nicht da.icc")), "");
                // A missing file has a content all the same, which reads nothing.
                const vfs::FileContentPtr missing = reader->getFileByName(wxT("Nicht da.icc"));
                ASSERT_TRUE(missing) << m_object;
                EXPECT_FALSE(missing->getInputStream()) << m_object;
            }
        }
    }
    expectValues();
}

// ---- Files ---------------------------------------------------------------------

// The sample is there to show every setting: each key of a printer, a media
// and a mode is in at least one settings file, and each kind of side file in
// at least one folder. Dropping one from the generator shows here.
TEST_F(SampleRepositoryTest, HoldsEveryKeyAndEveryKindOfSideFile) {
    std::set<std::string> keys, sideFiles;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_db)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file()) {
            continue;
        }
        if (name != ".Settings.xml") {
            // Dot-files by name, host files by extension.
            sideFiles.insert(name[0] == '.' ? name : name.substr(name.rfind('.')));
            continue;
        }
        if (entry.path().parent_path().filename() == "Defaults") {
            continue;
        }
        const std::string bytes = test::readFile(entry.path().string());
        wxMemoryInputStream in(bytes.data(), bytes.size());
        boost::shared_ptr<repos::Settings> settings = repos::SettingsManager::GetSettings(in);
        ASSERT_TRUE(settings) << entry.path();
        for (const repos::NamedNode::Ptr& child : *settings->getRoot()) {
            keys.insert(toUtf8(settings->getRoot()->getName() + wxT("/") + child->getName()));
        }
    }
    const std::map<std::string, std::vector<const char*>> expectedKeys = {
        {"Printer",
         {"DllDevice", "DllModule", "PPDFile", "Active", "PortName", "PortData", "TCPPortAdd",
          "TCPPortDefault", "VirtualPrinterExtension", "DefaultPageSize", "DefaultMedia", "DotInfo",
          "InkTypes", "PageSizes", "PortList", "DefaultScreenSetup", "DefaultResolutions",
          "ResData", "InkCfgs"}},
        {"Media",
         {"InkCfg", "ColorInfo", "ResScaleAdjust", "PageSizes", "PassInfo", "LabelChannel",
          "DefaultMode", "JdfAlias", "JdfQualityModeHigh", "JdfQualityModeNormal",
          "JdfQualityModeDraft"}},
        {"Mode",
         {"Pattern", "Res", "ResAlias", "InkCfg", "InkRestrictions", "TransitionControl",
          "DropAdjusts", "DropAdjust", "ScreenSetup", "LvlCurves", "InkCurves", "ResScaleAdjust",
          "TableDefaults", "UserQualityAssessment", "PrinterSettings"}}};
    for (const auto& kind : expectedKeys) {
        for (const char* key : kind.second) {
            EXPECT_EQ(keys.count(kind.first + "/" + key), 1u) << kind.first << "/" << key;
        }
    }
    for (const char* kind :
         {".lock", ".SPSettings.dat", ".MediaCostSettings.xml", ".SDef", ".icc", ".Link"}) {
        EXPECT_EQ(sideFiles.count(kind), 1u) << kind;
    }
}

// The generator, through the library's data strategies and writers, still
// writes the sample byte for byte as it is committed: what a writer writes
// can only change together with the sample, and the sample holds no hand
// edits.
TEST_F(SampleRepositoryTest, TheGeneratorWritesTheCommittedSampleAgain) {
    const std::string made = dir.path() + "/made";
    const std::string command = "'" VEXA_MAKE_REPO "' sample '" + made + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(test::treePaths(made), test::treePaths(m_db.string()));
    EXPECT_EQ(test::treeFiles(made), test::treeFiles(m_db.string()));
}

}  // namespace
}  // namespace vexa
