// The bundled sample repository examples/db, read whole through the public
// readers from a copy, against the values vexa-make-repo wrote it from
// (tools/make-repo/SampleData.h).
#include <gtest/gtest.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/TestSupport.h"
#include "kernel/Text.h"
#include "repos/LegacyMediaName.h"
#include "repos/MediaReader.h"
#include "repos/MediaRepository.h"
#include "repos/ModeReader.h"
#include "repos/ModeRepository.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/Settings.h"
#include "repos/SystemRepository.h"
#include "repos/XMLSettingsStrategy.h"
#include "tools/make-repo/SampleData.h"
#include "vfs/src/impl/FileContent.h"

namespace vexa {
namespace {

namespace fs = std::filesystem;
using namespace makerepo;
using repos::printer::MediaReader;
using repos::printer::MediaRepository;
using repos::printer::ModeReader;
using repos::printer::ModeRepository;
using repos::printer::PrinterReader;

wxString W(const std::string& utf8) {
    return kernel::fromMB(utf8);
}
std::string U(const wxString& text) {
    return kernel::toMB(text);
}

// The text of a fixed character field.
std::string field(const char* text, std::size_t size) {
    return std::string(text, std::find(text, text + size, '\0'));
}

// A curve point as an ink curve holds it: the percentage times 2.55,
// rounded half up.
int scaledPercent(int percent) {
    return (percent * 255 + 50) / 100;
}

std::string readAll(const boost::shared_ptr<wxInputStream>& in) {
    std::string bytes;
    char buffer[256];
    while (in && in->IsOk() && !in->Eof()) {
        in->Read(buffer, sizeof buffer);
        bytes.append(buffer, in->LastRead());
        if (in->LastRead() == 0) {
            break;
        }
    }
    return bytes;
}

// ---- Field-by-field comparisons ------------------------------------------------

typedef std::vector<std::vector<std::string>> Rows;

void expectRows(const Rows& expected, const SSTRAL* array, const std::string& what) {
    ASSERT_NE(array, nullptr) << what;
    std::size_t r = 0;
    for (const SSTRALROW* row = array->first; row != nullptr; row = row->next, ++r) {
        ASSERT_LT(r, expected.size()) << what << ": more rows than expected";
        ASSERT_EQ(row->count, static_cast<int>(expected[r].size())) << what << " row " << r;
        for (int i = 0; i < row->count; ++i) {
            EXPECT_EQ(row->texts[i], expected[r][i]) << what << " row " << r << " text " << i;
        }
    }
    EXPECT_EQ(r, expected.size()) << what;
}

void expectLevels(const LevelTable& expected, const SPINKLEVELEX& levels, const std::string& what) {
    EXPECT_EQ(levels.size(), expected.size()) << what;
    for (const LevelEntry& entry : expected) {
        const auto found = levels.find(entry.ink);
        ASSERT_NE(found, levels.end()) << what << ": " << entry.ink;
        EXPECT_EQ(found->second, entry.level) << what << ": " << entry.ink;
    }
}

void expectPoints(const PointCurve& expected, const SPPOINT* points, const std::string& what) {
    for (std::size_t i = 0; i < SP_CURVE_POINTS; ++i) {
        const CurvePoint point = i < expected.size() ? expected[i] : CurvePoint{0, 0};
        EXPECT_EQ(points[i].x, point.x) << what << " point " << i;
        EXPECT_EQ(points[i].y, point.y) << what << " point " << i;
    }
}

void expectInkCfg(const InkCfgDesc& e, const SPINKCFG& a, const std::string& what) {
    EXPECT_EQ(field(a.Name, SP_RESNAME_SIZE), e.name) << what;
    EXPECT_EQ(a.NumColor, e.numColor) << what;
    EXPECT_EQ(a.NumSpotColor, e.numSpotColor) << what;
    EXPECT_EQ(a.Photometric, e.photometric) << what;
    EXPECT_EQ(a.HiFiMode, e.hiFiMode) << what;
    EXPECT_EQ(a.BlackAbility, e.blackAbility ? 1 : 0) << what;
    EXPECT_EQ(a.ProcBits, e.procBits) << what;
    EXPECT_EQ(a.OutputBits, e.outputBits) << what;
    EXPECT_EQ(a.ProcOpts, e.procOpts) << what;
    EXPECT_EQ(a.InkType, e.inkType) << what;
    EXPECT_EQ(a.LabelVal, e.labelVal) << what;

    ASSERT_EQ(a.ColorOrder.Count, e.colorOrder.size()) << what;
    for (std::size_t i = 0; i < e.colorOrder.size(); ++i) {
        const ColorOrderEntry& entry = e.colorOrder[i];
        EXPECT_EQ(field(a.ColorOrder.Names[i], SP_INKNAME_SIZE), entry.ink) << what;
        EXPECT_EQ(a.ColorOrder.Levels[i], entry.level) << what << " " << entry.ink;
        EXPECT_EQ(field(a.ColorOrder.Aliases[i], SP_INKNAME_SIZE), entry.alias) << what;
        for (int k = 0; k < 3; ++k) {
            EXPECT_FLOAT_EQ(a.ColorOrder.Lab[i][k], entry.lab[k]) << what << " " << entry.ink;
        }
    }

    for (std::size_t r = 0; r < SP_LEVELLUT_ROWS; ++r) {
        for (std::size_t j = 0; j < SP_LEVELLUT_SIZE; ++j) {
            const int expected =
                r < e.levelLut.size() && j < e.levelLut[r].size() ? e.levelLut[r][j] : 0;
            EXPECT_EQ(a.LevelLut[r][j], expected) << what << " level table " << r << "/" << j;
        }
    }

    for (std::size_t c = 0; c < SP_MAX_PROCCOLORS; ++c) {
        const LevelTable none;
        const LevelTable& table = c < e.mlInfo.size() ? e.mlInfo[c] : none;
        ASSERT_EQ(a.MLInfo[c].Count, table.size()) << what << " colour " << c;
        for (std::size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(field(a.MLInfo[c].Names[i], SP_INKNAME_SIZE), table[i].ink) << what;
            EXPECT_EQ(a.MLInfo[c].Levels[i], table[i].level) << what << " " << table[i].ink;
        }
    }

    // Several ink units read back last first: the list is built by putting
    // each unit read in front.
    std::vector<InkUnitDesc> units = e.inkUnits;
    if (units.size() > 1) {
        std::reverse(units.begin(), units.end());
    }
    const SPINKUNITLUT* unit = a.InkUnits;
    for (const InkUnitDesc& expected : units) {
        ASSERT_NE(unit, nullptr) << what << ": too few ink units";
        EXPECT_EQ(field(unit->Res, SP_RESNAME_SIZE), expected.res) << what;
        EXPECT_EQ(field(unit->Channel, SP_INKNAME_SIZE), expected.channel) << what;
        EXPECT_EQ(unit->BaseCount, expected.baseCount * 1000u) << what;
        EXPECT_FLOAT_EQ(unit->DotVolume, expected.dotVolume) << what;
        for (std::size_t i = 0; i < SP_MAX_UNITS; ++i) {
            const unsigned value = i < expected.units.size() ? expected.units[i] * 1000u : 0u;
            EXPECT_EQ(unit->Units[i], value) << what << " unit " << expected.channel << " " << i;
        }
        unit = unit->next;
    }
    EXPECT_EQ(unit, nullptr) << what << ": more ink units than expected";

    ASSERT_NE(a.SameInks, nullptr) << what;
    ASSERT_EQ(a.SameInks->GroupCount, e.sameInks.size()) << what;
    for (std::size_t g = 0; g < e.sameInks.size(); ++g) {
        const SPINKGROUP& group = a.SameInks->Groups[g];
        ASSERT_EQ(group.InkCount, static_cast<int>(e.sameInks[g].size())) << what;
        for (std::size_t i = 0; i < e.sameInks[g].size(); ++i) {
            ASSERT_NE(group.Inks[i], nullptr) << what;
            EXPECT_EQ(std::string(group.Inks[i]), e.sameInks[g][i]) << what;
        }
    }

    ASSERT_EQ(a.VarDotLevelCount, e.varDotLevels.size()) << what;
    for (std::size_t i = 0; i < e.varDotLevels.size(); ++i) {
        EXPECT_EQ(a.VarDotLevels[i], e.varDotLevels[i]) << what;
    }
    if (e.varDotChannels.empty()) {
        EXPECT_EQ(a.VarDotOpts, 0u) << what;
        EXPECT_EQ(a.VarDot, nullptr) << what;
        return;
    }
    EXPECT_EQ(a.VarDotOpts, static_cast<std::uint32_t>(SP_VARDOTOPT_CHANNELS)) << what;
    ASSERT_NE(a.VarDot, nullptr) << what;
    const SPVARDOTCHANNELS& table = *static_cast<const SPVARDOTCHANNELS*>(a.VarDot);
    ASSERT_EQ(table.ChannelCount, static_cast<int>(e.varDotChannels.size())) << what;
    for (std::size_t c = 0; c < e.varDotChannels.size(); ++c) {
        const VarDotChannelDesc& expected = e.varDotChannels[c];
        const std::string channel = what + " channel " + expected.ink;
        EXPECT_EQ(field(table.Channels[c].Ink, SP_INKNAME_SIZE), expected.ink) << what;
        expectPoints(expected.coverage, table.Channels[c].Coverage.Points, channel);
        for (std::size_t t = 0; t < SP_MAX_TRANSITIONS; ++t) {
            const PointCurve none;
            expectPoints(t < expected.transitions.size() ? expected.transitions[t] : none,
                         table.Channels[c].Transitions.Transitions[t].Points,
                         channel + " transition " + std::to_string(t));
        }
    }
}

void expectScreens(const std::vector<ScreenSetupDesc>& expected, const _SCREENSETUP* record,
                   const std::string& what) {
    for (const ScreenSetupDesc& setup : expected) {
        ASSERT_NE(record, nullptr) << what << ": too few set-ups";
        EXPECT_EQ(field(record->name, SP_SCREENSETUP_NAME_SIZE), setup.name) << what;
        Rows rows;
        for (const ScreenDesc& s : setup.screens) {
            rows.push_back({s.name, s.lpi, s.angle, s.function, s.placement, s.shades});
        }
        expectRows(rows, record->screens, what + " " + setup.name);
        record = record->next;
    }
    EXPECT_EQ(record, nullptr) << what << ": more set-ups than expected";
}

void expectResScale(const std::vector<ResScaleDesc>& expected, const SPRESSCALEADJUST* record,
                    const std::string& what) {
    for (const ResScaleDesc& adjust : expected) {
        ASSERT_NE(record, nullptr) << what << ": too few records";
        EXPECT_EQ(field(record->Resolution, SP_RESSCALE_NAME_SIZE), adjust.resolution) << what;
        EXPECT_DOUBLE_EQ(record->scaleX, adjust.scaleX) << what;
        EXPECT_DOUBLE_EQ(record->scaleY, adjust.scaleY) << what;
        record = record->next;
    }
    EXPECT_EQ(record, nullptr) << what << ": more records than expected";
}

void expectInkCurve(const std::vector<InkCurveDesc>& expected, const std::string& resolution,
                    const SPINKCURVE& curves, const std::string& what) {
    EXPECT_EQ(field(curves.Resolution, SP_RESNAME_SIZE), resolution) << what;
    ASSERT_EQ(curves.InkCount, expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(field(curves.InkNames[i], SP_INKNAME_SIZE), expected[i].ink) << what;
        ASSERT_EQ(curves.CurveCounts[i], expected[i].curves.size()) << what;
        for (std::size_t j = 0; j < expected[i].curves.size(); ++j) {
            const PointCurve& curve = expected[i].curves[j];
            for (std::size_t k = 0; k < SP_CURVE_POINTS; ++k) {
                const CurvePoint point = k < curve.size() ? curve[k] : CurvePoint{0, 0};
                const SPPOINTDEF& read = curves.Curves[i][j].Points[k];
                EXPECT_EQ(read.x, scaledPercent(point.x)) << what << " " << expected[i].ink;
                EXPECT_EQ(read.y, scaledPercent(point.y)) << what << " " << expected[i].ink;
            }
        }
    }
}

// ---- The fixture ---------------------------------------------------------------

// A copy of examples/db in a fresh folder, found through VEXA_INSTALL, with
// a fresh catalog.
class SampleRepositoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* previous = std::getenv("VEXA_INSTALL");
        m_previousInstall = previous ? std::optional<std::string>(previous) : std::nullopt;
        m_db = fs::path(m_temp.path()) / "db";
        fs::copy(fs::path(VEXA_SOURCE_DIR) / "examples" / "db", m_db, fs::copy_options::recursive);
        ASSERT_EQ(::setenv("VEXA_INSTALL", m_temp.path().c_str(), 1), 0);
        repos::SystemRepository::Reset();
        repos::printer::PrinterCatalog::reset();
    }

    void TearDown() override {
        repos::printer::PrinterCatalog::reset();
        repos::SystemRepository::Reset();
        if (m_previousInstall) {
            ::setenv("VEXA_INSTALL", m_previousInstall->c_str(), 1);
        } else {
            ::unsetenv("VEXA_INSTALL");
        }
    }

    static const RepositoryDesc& sample() { return sampleRepository(); }

    fs::path printerPath(const PrinterDesc& p) const { return m_db / "Printers" / p.name; }
    fs::path mediaPath(const PrinterDesc& p, const MediaDesc& m) const {
        return printerPath(p) / "Medias" / m.group / m.name;
    }
    fs::path modePath(const PrinterDesc& p, const MediaDesc& m, const ModeDesc& mode) const {
        return mediaPath(p, m) / "Modes" / mode.name;
    }

    // The media's repository, taken through a printer reader that is gone
    // when it returns (no media is read while its printer's reader lives).
    boost::shared_ptr<MediaRepository> media(const PrinterDesc& p, const MediaDesc& m) {
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(p.name));
        EXPECT_TRUE(reader) << p.name;
        return reader ? reader->getMedia(W(m.group), W(m.name))
                      : boost::shared_ptr<MediaRepository>();
    }

    boost::shared_ptr<ModeRepository> mode(const boost::shared_ptr<MediaRepository>& media,
                                           const ModeDesc& m) {
        boost::shared_ptr<MediaReader> reader = MediaReader::getReader(media);
        EXPECT_TRUE(reader) << m.name;
        return reader ? reader->getMode(W(m.name)) : boost::shared_ptr<ModeRepository>();
    }

    test::TempDir m_temp;
    fs::path m_db;
    std::optional<std::string> m_previousInstall;
};

// ---- Listings ------------------------------------------------------------------

TEST_F(SampleRepositoryTest, ListsEveryPrinterMediaAndModeOfTheSample) {
    std::set<std::string> printers;
    for (const wxString& name : repos::SystemRepository::getPrintersList()) {
        printers.insert(U(name));
    }
    std::set<std::string> expectedPrinters;
    for (const PrinterDesc& p : sample().printers) {
        expectedPrinters.insert(p.name);
    }
    EXPECT_EQ(printers, expectedPrinters);

    for (const PrinterDesc& p : sample().printers) {
        std::map<std::string, std::set<std::string>> expected;
        for (const MediaDesc& m : p.medias) {
            expected[m.group].insert(m.name);
        }
        std::map<std::string, std::set<std::string>> listed;
        {
            boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(p.name));
            ASSERT_TRUE(reader) << p.name;
            EXPECT_EQ(U(reader->getPrinterName()), p.name);
            for (const auto& group : reader->getMediaList()) {
                for (const auto& m : group.second) {
                    listed[U(group.first)].insert(U(m.first));
                }
            }
        }
        EXPECT_EQ(listed, expected) << p.name;

        for (const MediaDesc& m : p.medias) {
            boost::shared_ptr<MediaReader> reader = MediaReader::getReader(media(p, m));
            ASSERT_TRUE(reader) << m.name;
            std::set<std::string> modes;
            for (const auto& entry : reader->getModeList()) {
                modes.insert(U(entry.first));
            }
            std::set<std::string> expectedModes;
            for (const ModeDesc& mode : m.modes) {
                expectedModes.insert(mode.name);
            }
            EXPECT_EQ(modes, expectedModes) << m.name;
        }
    }
}

// ---- Printers ------------------------------------------------------------------

TEST_F(SampleRepositoryTest, EveryPrinterValueReadsBackAsGenerated) {
    for (const PrinterDesc& p : sample().printers) {
        SCOPED_TRACE(p.name);
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(p.name));
        ASSERT_TRUE(reader);
        std::error_code error;
        EXPECT_TRUE(fs::equivalent(fs::path(U(reader->getRootPath())), printerPath(p), error));
        EXPECT_EQ(U(reader->getDeviceName()), p.deviceName);
        EXPECT_EQ(U(reader->getDllModule()), p.dllModule);
        EXPECT_EQ(U(reader->getPPDFile()), p.ppdFile);
        EXPECT_EQ(U(reader->getPortType()), p.portName);
        EXPECT_EQ(U(reader->getPortData()), p.portData);
        EXPECT_EQ(U(reader->getTCPAdditionalPort()), p.tcpPortAdd);
        EXPECT_EQ(U(reader->getTCPDefaultPort()), p.tcpPortDefault);
        EXPECT_EQ(U(reader->getVirtualPrinterExtension()), p.virtualPrinterExtension);
        EXPECT_EQ(U(reader->getDefaultPageSize()), p.defaultPageSize);
        const std::pair<wxString, wxString> defaultMedia = reader->getDefaultMedia();
        EXPECT_EQ(U(defaultMedia.first), p.defaultMediaGroup);
        EXPECT_EQ(U(defaultMedia.second), p.defaultMediaName);
        EXPECT_EQ(
            reader->getDefaultMediaLegacy(),
            repos::printer::joinLegacyMediaName(W(p.defaultMediaName), W(p.defaultMediaGroup)));

        // Dot information: units, groups, units of each group, scale rows.
        const boost::shared_ptr<repos::DotInfo> dotInfo = reader->getDotInfo();
        const dotinfo& dots = *dotInfo->getDotInfo();
        EXPECT_EQ(field(dots.units, DOT_UNITS_SIZE), p.dotInfo.units);
        const dotresgroup* group = dots.first;
        for (const DotGroupDesc& expectedGroup : p.dotInfo.groups) {
            ASSERT_NE(group, nullptr);
            EXPECT_EQ(field(group->name, DOT_GROUPNAME_SIZE), expectedGroup.name);
            const dotresunit* unit = group->units;
            for (const DotUnitDesc& expectedUnit : expectedGroup.units) {
                ASSERT_NE(unit, nullptr);
                EXPECT_EQ(field(unit->name, DOT_UNITNAME_SIZE), expectedUnit.name);
                Rows rows;
                for (const DotScaleRow& row : expectedUnit.rows) {
                    rows.push_back({row.name, row.scale, row.value});
                }
                expectRows(rows, unit->scales, expectedUnit.name);
                unit = unit->next;
            }
            EXPECT_EQ(unit, nullptr);
            if (group->next == nullptr) {
                EXPECT_EQ(dots.last, group);
            }
            group = group->next;
        }
        EXPECT_EQ(group, nullptr);

        boost::shared_ptr<repos::InkType> inkTypes = reader->getInkTypes();
        ASSERT_TRUE(inkTypes);
        const SPINKTYPE* type = inkTypes->getSpInkType();
        for (const InkTypeDesc& expected : p.inkTypes) {
            ASSERT_NE(type, nullptr);
            EXPECT_EQ(type->Type, expected.type);
            EXPECT_EQ(field(type->Name, SP_INKTYPE_NAME_SIZE), expected.name);
            EXPECT_DOUBLE_EQ(type->Durability, expected.durability);
            type = type->next;
        }
        EXPECT_EQ(type, nullptr);

        Rows sizes;
        for (const PageSizeDesc& s : p.pageSizes) {
            sizes.push_back(
                {s.name, s.width, s.height, s.access, s.type, s.left, s.top, s.right, s.bottom});
        }
        expectRows(sizes, reader->getPageSizes()->getStral(), "page sizes");
        Rows ports;
        for (const PortDesc& port : p.ports) {
            ports.push_back({port.name, port.type, port.value});
        }
        expectRows(ports, reader->getPortList()->getStral(), "ports");
        expectScreens(p.screenSetups, reader->getScreenSetups()->getScreenSetup(), "screens");
        Rows defaults;
        for (const std::string& res : p.defaultResolutions) {
            defaults.push_back({res});
        }
        expectRows(defaults, reader->getDefaultResolutions()->getStral(), "default resolutions");

        const std::list<boost::shared_ptr<repos::ResData>>& resolutions =
            reader->getDeviceResolutions();
        ASSERT_EQ(resolutions.size(), p.resData.size());
        std::multimap<std::string, std::string> allAliases;
        std::multimap<std::string, std::string> defaultAliases;
        auto res = resolutions.begin();
        for (const ResDataDesc& expected : p.resData) {
            const repos::ResData& read = **res++;
            EXPECT_EQ(U(read.resolution), expected.resolution);
            EXPECT_EQ(U(read.replicate), expected.replicate);
            EXPECT_EQ(U(read.dupCount), expected.dupCount);
            EXPECT_EQ(read.lineBytes, expected.lineBytes);
            EXPECT_EQ(read.densityFlag, expected.densityFlag);
            EXPECT_EQ(read.procOpts, expected.procOpts);
            EXPECT_EQ(read.procOptsMask, expected.procOptsMask);
            std::vector<std::string> aliases;
            for (const wxString& alias : read.alias) {
                aliases.push_back(U(alias));
            }
            EXPECT_EQ(aliases, expected.aliases) << expected.resolution;
            const bool isDefault =
                std::find(p.defaultResolutions.begin(), p.defaultResolutions.end(),
                          expected.resolution) != p.defaultResolutions.end();
            for (const std::string& alias : expected.aliases) {
                allAliases.insert(std::make_pair(expected.resolution, alias));
                if (isDefault) {
                    defaultAliases.insert(std::make_pair(expected.resolution, alias));
                }
            }
        }
        for (bool onlyDefaults : {false, true}) {
            std::multimap<std::string, std::string> read;
            for (const auto& entry : reader->getResolutionAliases(onlyDefaults)) {
                read.insert(std::make_pair(U(entry.first), U(entry.second)));
            }
            EXPECT_EQ(read, onlyDefaults ? defaultAliases : allAliases) << onlyDefaults;
        }

        const std::list<boost::shared_ptr<repos::InkCfg>>& cfgs = reader->getInkCfgs();
        ASSERT_EQ(cfgs.size(), p.inkCfgs.size());
        auto cfg = cfgs.begin();
        for (const InkCfgDesc& expected : p.inkCfgs) {
            expectInkCfg(expected, *(*cfg++)->getSpInkCfg(), p.name + " " + expected.name);
        }
    }
}

// "Printer/Active" has no getter: it is read from the file, and so is the
// untouched copy of the settings in "Defaults".
TEST_F(SampleRepositoryTest, ActiveFlagAndInstalledDefaultsAreInTheFiles) {
    for (const PrinterDesc& p : sample().printers) {
        SCOPED_TRACE(p.name);
        const auto firstValue = [](const fs::path& file, const char* key) {
            const std::string bytes = test::readFile(file.string());
            wxMemoryInputStream stream(bytes.data(), bytes.size());
            boost::shared_ptr<repos::Settings> settings =
                repos::SettingsManager::GetSettings(stream);
            if (!settings) {
                return std::string("<no settings>");
            }
            const std::list<repos::NamedNode::Ptr> nodes =
                repos::SettingsAccess::findNodes(*settings, W(key));
            return nodes.empty() ? std::string("<absent>")
                                 : U(nodes.front()->getAttribute(W("value")));
        };
        EXPECT_EQ(firstValue(printerPath(p) / ".Settings.xml", "Printer/Active"),
                  p.active ? "true" : "false");
        EXPECT_EQ(firstValue(printerPath(p) / "Defaults" / ".Settings.xml", "Printer/DllDevice"),
                  p.deviceName);
        EXPECT_EQ(firstValue(printerPath(p) / "Defaults" / ".Settings.xml", "Printer/PortName"),
                  "<absent>");
    }
}

TEST_F(SampleRepositoryTest, SwatchesAndEngineSettingsOfPrintersReadBack) {
    for (const PrinterDesc& p : sample().printers) {
        SCOPED_TRACE(p.name);
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(p.name));
        ASSERT_TRUE(reader);
        std::set<std::string> listed;
        const boost::shared_ptr<std::list<wxString>> swatches = reader->getSwatchDefs(W("*"));
        for (const wxString& name : *swatches) {
            listed.insert(U(name));
        }
        std::set<std::string> expected;
        for (const FileDesc& swatch : p.swatches) {
            expected.insert(swatch.name);
            const std::string path = U(reader->getSwatchDefLocation(W(swatch.name)));
            ASSERT_FALSE(path.empty()) << swatch.name;
            EXPECT_EQ(test::readFile(path), swatch.bytes) << swatch.name;
        }
        EXPECT_EQ(listed, expected);
        EXPECT_TRUE(reader->getSwatchDefLocation(W("Nicht da")).empty());

        boost::shared_ptr<wxInputStream> engine = reader->getInputSPSettingsStream();
        if (p.engineBlob) {
            ASSERT_TRUE(engine);
            EXPECT_EQ(readAll(engine), *p.engineBlob);
            engine.reset();
            reader->closeSPSettingsStream();
        } else {
            EXPECT_FALSE(engine);
        }
    }
}

// ---- Medias --------------------------------------------------------------------

TEST_F(SampleRepositoryTest, EveryMediaValueReadsBackAsGenerated) {
    for (const PrinterDesc& p : sample().printers) {
        for (const MediaDesc& m : p.medias) {
            SCOPED_TRACE(p.name + " / " + m.group + " / " + m.name);
            boost::shared_ptr<MediaRepository> repository = media(p, m);
            ASSERT_TRUE(repository);
            boost::shared_ptr<MediaReader> reader = MediaReader::getReader(repository);
            ASSERT_TRUE(reader);
            EXPECT_TRUE(reader->isValid());
            EXPECT_EQ(U(reader->getName()), m.name);
            EXPECT_EQ(U(reader->getGroup()), m.group);
            EXPECT_EQ(reader->getNameLegacy(),
                      repos::printer::joinLegacyMediaName(W(m.name), W(m.group)));

            expectInkCfg(m.inkCfg, *reader->getInkCfg()->getSpInkCfg(), m.name);

            const boost::shared_ptr<repos::ColorInfo> colorInfo = reader->getColorInfo();
            const _SP_COLOR_INFO& color = *colorInfo->getSpColorInfo();
            EXPECT_EQ(color.NumColor, m.colorInfo.numColor);
            EXPECT_EQ(color.HiFiMode, m.colorInfo.hiFiMode);
            EXPECT_EQ(color.Photometric, m.colorInfo.photometric);
            ASSERT_EQ(color.NumSpotColor, static_cast<int>(m.colorInfo.spots.size()));
            for (std::size_t s = 0; s < m.colorInfo.spots.size(); ++s) {
                const SpotDesc& spot = m.colorInfo.spots[s];
                EXPECT_EQ(field(color.SpotNames[s], SP_SPOTNAME_SIZE), spot.name);
                EXPECT_EQ(color.Spots[s].bitspersample, spot.bitsPerSample);
                EXPECT_EQ(color.Spots[s].photometric, spot.photometric);
                EXPECT_EQ(color.Spots[s].opacity, spot.opacity);
                ASSERT_EQ(color.Spots[s].samples, spot.samples.size());
                for (std::size_t i = 0; i < SP_MAX_SPOTSAMPLES; ++i) {
                    EXPECT_EQ(color.Spots[s].SampleValues[i],
                              i < spot.samples.size() ? spot.samples[i] : 0u)
                        << spot.name << " sample " << i;
                }
            }

            expectResScale(m.resScaleAdjust, reader->getResScaleAdjust()->getSpResScaleAdjust(),
                           "scale");
            std::vector<std::string> sizes;
            const boost::shared_ptr<std::list<wxString>> pageSizes = reader->getPageSizes();
            for (const wxString& size : *pageSizes) {
                sizes.push_back(U(size));
            }
            EXPECT_EQ(sizes, m.pageSizes);
            Rows passes;
            for (const PassDesc& pass : m.passes) {
                passes.push_back({pass.value, pass.id});
            }
            expectRows(passes, reader->getPassInfo()->getStral(), "passes");
            EXPECT_EQ(reader->getLabelChannel(), m.labelChannel);
            EXPECT_EQ(U(reader->getDefaultMode()), m.defaultMode);
            EXPECT_EQ(U(reader->getJdfAlias()), m.jdfAlias);
            EXPECT_EQ(U(reader->getJdfQualityMode(W("High"))), m.jdfHigh);
            EXPECT_EQ(U(reader->getJdfQualityMode(W("Normal"))), m.jdfNormal);
            EXPECT_EQ(U(reader->getJdfQualityMode(W("Draft"))), m.jdfDraft);

            boost::shared_ptr<wxInputStream> engine = reader->getInputSPSettingsStream();
            if (m.engineBlob) {
                ASSERT_TRUE(engine);
                EXPECT_EQ(readAll(engine), *m.engineBlob);
                engine.reset();
                reader->closeSPSettingsStream();
            } else {
                EXPECT_FALSE(engine);
            }

            // Reading the costs makes a missing file: last, and only on the
            // copy.
            const boost::shared_ptr<repos::MediaCostSettings> readCosts =
                reader->getMediaCostSettings();
            const repos::MediaCostSettings& costs = *readCosts;
            const CostDesc none{0.0, {}};
            const CostDesc& expected = m.costs ? *m.costs : none;
            EXPECT_DOUBLE_EQ(costs.getAreaBasedCost(), expected.areaBasedCost);
            std::map<std::string, double> read;
            for (const auto& entry : costs.getPageSizeCosts()) {
                read[U(entry.first)] = entry.second;
            }
            const std::map<std::string, double> expectedCosts(expected.pageSizeCosts.begin(),
                                                              expected.pageSizeCosts.end());
            EXPECT_EQ(read, expectedCosts);
        }
    }
}

TEST_F(SampleRepositoryTest, DefaultAndLegacyMediaNamesLeadToTheSameRepositories) {
    for (const PrinterDesc& p : sample().printers) {
        SCOPED_TRACE(p.name);
        boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(W(p.name));
        ASSERT_TRUE(reader);
        const std::pair<wxString, wxString> defaultMedia = reader->getDefaultMedia();
        EXPECT_TRUE(reader->getMedia(defaultMedia.first, defaultMedia.second));
        for (const MediaDesc& m : p.medias) {
            boost::shared_ptr<MediaRepository> byName = reader->getMedia(W(m.group), W(m.name));
            ASSERT_TRUE(byName) << m.name;
            EXPECT_EQ(
                reader->getMediaLegacy(repos::printer::joinLegacyMediaName(W(m.name), W(m.group))),
                byName)
                << m.name;
        }
    }
}

// ---- Modes ---------------------------------------------------------------------

TEST_F(SampleRepositoryTest, EveryModeValueReadsBackAsGenerated) {
    for (const PrinterDesc& p : sample().printers) {
        for (const MediaDesc& m : p.medias) {
            boost::shared_ptr<MediaRepository> mediaRepository = media(p, m);
            ASSERT_TRUE(mediaRepository) << m.name;
            for (const ModeDesc& desc : m.modes) {
                SCOPED_TRACE(p.name + " / " + m.name + " / " + desc.name);
                boost::shared_ptr<ModeReader> reader =
                    ModeReader::getReader(mode(mediaRepository, desc));
                ASSERT_TRUE(reader);
                EXPECT_TRUE(reader->isValid());
                EXPECT_EQ(U(reader->getName()), desc.name);
                std::error_code error;
                EXPECT_TRUE(fs::equivalent(fs::path(U(reader->getLocation())), modePath(p, m, desc),
                                           error));
                EXPECT_EQ(U(reader->getPattern()), desc.pattern);
                EXPECT_EQ(U(reader->getResolution()), desc.resolution);
                EXPECT_EQ(U(reader->getResolutionAlias()), desc.resolutionAlias);

                boost::shared_ptr<repos::InkCfg> cfg = reader->getInkCfg();
                ASSERT_EQ(static_cast<bool>(cfg), desc.inkCfg.has_value());
                if (cfg) {
                    expectInkCfg(*desc.inkCfg, *cfg->getSpInkCfg(), desc.name);
                }

                const std::pair<const LevelTable*, boost::shared_ptr<repos::InkLevels>> levels[] = {
                    {&desc.inkLimits, reader->getInkLimits()},
                    {&desc.transitionControl, reader->getTransCtrl()}};
                for (const auto& level : levels) {
                    ASSERT_EQ(static_cast<bool>(level.second), !level.first->empty());
                    if (level.second) {
                        expectLevels(*level.first, *level.second->getSpInkLevel(), "levels");
                    }
                }
                // Without per-ink drop adjustments the older single number
                // reads as one level with an empty ink name.
                boost::shared_ptr<repos::InkLevels> drops = reader->getDropAdjust();
                ASSERT_TRUE(drops);
                if (desc.dropAdjusts) {
                    expectLevels(*desc.dropAdjusts, *drops->getSpInkLevel(), "drop adjusts");
                } else {
                    ASSERT_TRUE(desc.legacyDropAdjust.has_value());
                    expectLevels({{"", *desc.legacyDropAdjust}}, *drops->getSpInkLevel(),
                                 "drop adjust");
                }

                boost::shared_ptr<repos::ScreenSetup> screens = reader->getScreenSetups();
                ASSERT_EQ(static_cast<bool>(screens), !desc.screenSetups.empty());
                if (screens) {
                    expectScreens(desc.screenSetups, screens->getScreenSetup(), "screens");
                }
                const std::pair<const std::vector<InkCurveDesc>*,
                                boost::shared_ptr<repos::InkCurve>>
                    curves[] = {{&desc.levelCurves, reader->getLevelCurves()},
                                {&desc.inkCurves, reader->getInkCurves()}};
                for (const auto& curve : curves) {
                    ASSERT_EQ(static_cast<bool>(curve.second), !curve.first->empty());
                    if (curve.second) {
                        expectInkCurve(*curve.first, desc.resolution,
                                       *curve.second->getSpInkCurve(), "curves");
                    }
                }
                boost::shared_ptr<repos::ResScaleAdjust> scale = reader->getResScaleAdjust();
                ASSERT_EQ(static_cast<bool>(scale), !desc.resScaleAdjust.empty());
                if (scale) {
                    expectResScale(desc.resScaleAdjust, scale->getSpResScaleAdjust(), "scale");
                }

                std::map<std::string, std::string> table(desc.otherTableDefaults.begin(),
                                                         desc.otherTableDefaults.end());
                const std::pair<const char*, const std::string*> written[] = {
                    {"Calb", &desc.calibration},
                    {"LnMM", &desc.mediaModel},
                    {"NmClr", &desc.namedColor}};
                for (const auto& entry : written) {
                    if (!entry.second->empty()) {
                        table[entry.first] = *entry.second;
                    }
                }
                std::map<std::string, std::string> readTable;
                for (const auto& entry : reader->getTableDefaults()) {
                    readTable[U(entry.first)] = U(entry.second);
                }
                EXPECT_EQ(readTable, table);

                EXPECT_DOUBLE_EQ(
                    reader->getUserQualityAssessment(),
                    desc.userQualityAssessment.value_or(ModeReader::kNoQualityAssessment));

                std::map<std::string, std::string> options(desc.printerOptions.begin(),
                                                           desc.printerOptions.end());
                std::map<std::string, std::string> readOptions;
                const boost::shared_ptr<std::map<wxString, wxString>> readMap =
                    reader->getPrinterOptions();
                for (const auto& entry : *readMap) {
                    readOptions[U(entry.first)] = U(entry.second);
                }
                EXPECT_EQ(readOptions, options);
                for (const auto& option : desc.printerOptions) {
                    EXPECT_EQ(U(reader->getPrinterOption(W(option.first))), option.second);
                }
                EXPECT_TRUE(reader->getPrinterOption(W("Nicht gesetzt")).empty());
            }
        }
    }
}

TEST_F(SampleRepositoryTest, ProfilesLinksAndHostFilesOfModesReadBack) {
    for (const PrinterDesc& p : sample().printers) {
        for (const MediaDesc& m : p.medias) {
            boost::shared_ptr<MediaRepository> mediaRepository = media(p, m);
            ASSERT_TRUE(mediaRepository) << m.name;
            for (const ModeDesc& desc : m.modes) {
                SCOPED_TRACE(p.name + " / " + m.name + " / " + desc.name);
                boost::shared_ptr<ModeReader> reader =
                    ModeReader::getReader(mode(mediaRepository, desc));
                ASSERT_TRUE(reader);

                // Profiles by extension: the files first, then the links,
                // each in name order.
                std::vector<std::string> files;
                std::vector<std::string> links;
                for (const FileDesc& file : desc.files) {
                    const std::string::size_type dot = file.name.rfind(".icc");
                    if (dot != std::string::npos && dot + 4 == file.name.size()) {
                        files.push_back(file.name.substr(0, dot));
                    }
                }
                for (const LinkDesc& link : desc.links) {
                    links.push_back(link.name.substr(0, link.name.rfind(".icc")));
                }
                std::sort(files.begin(), files.end());
                std::sort(links.begin(), links.end());
                files.insert(files.end(), links.begin(), links.end());
                std::vector<std::string> profiles;
                const boost::shared_ptr<std::list<wxString>> found = reader->getProfiles(W("icc"));
                for (const wxString& name : *found) {
                    profiles.push_back(U(name));
                }
                EXPECT_EQ(profiles, files);

                for (const FileDesc& file : desc.files) {
                    const std::string path = U(reader->getProfileLocation(W(file.name)));
                    ASSERT_FALSE(path.empty()) << file.name;
                    EXPECT_EQ(test::readFile(path), file.bytes) << file.name;
                    vfs::FileContentPtr content = reader->getFileByName(W(file.name));
                    ASSERT_TRUE(content) << file.name;
                    EXPECT_EQ(readAll(content->getInputStream()), file.bytes) << file.name;
                }
                for (const LinkDesc& link : desc.links) {
                    const std::string path = U(reader->getProfileLocation(W(link.name)));
                    ASSERT_FALSE(path.empty()) << link.name;
                    std::error_code error;
                    EXPECT_TRUE(fs::equivalent(fs::path(path),
                                               modePath(p, m, desc) / fs::path(link.target), error))
                        << path;
                }
                EXPECT_TRUE(reader->getProfileLocation(W("Nicht da.icc")).empty());
                // A missing file has a content all the same, which reads nothing.
                const vfs::FileContentPtr missing = reader->getFileByName(W("Nicht da.icc"));
                ASSERT_TRUE(missing);
                EXPECT_FALSE(missing->getInputStream());
            }
        }
    }
}

// ---- Files ---------------------------------------------------------------------

// The sample is there to show every setting: each key of a printer, a media
// and a mode is in at least one settings file, and each kind of side file in
// at least one folder. Dropping one from the generator shows here.
TEST_F(SampleRepositoryTest, HoldsEveryKeyAndEveryKindOfSideFile) {
    std::set<std::string> keys;
    std::set<std::string> sideFiles;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_db)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string name = entry.path().filename().string();
        const std::string parent = entry.path().parent_path().filename().string();
        if (name != ".Settings.xml") {
            // Dot-files by name, host files by extension.
            sideFiles.insert(name[0] == '.' ? name : name.substr(name.rfind('.')));
            continue;
        }
        if (parent == "Defaults") {
            continue;
        }
        const std::string bytes = test::readFile(entry.path().string());
        wxMemoryInputStream in(bytes.data(), bytes.size());
        boost::shared_ptr<repos::Settings> settings = repos::SettingsManager::GetSettings(in);
        ASSERT_TRUE(settings) << entry.path();
        for (const repos::NamedNode::Ptr& child : *settings->getRoot()) {
            keys.insert(U(settings->getRoot()->getName() + wxT("/") + child->getName()));
        }
    }
    const char* const expectedKeys[] = {"Printer/DllDevice",
                                        "Printer/DllModule",
                                        "Printer/PPDFile",
                                        "Printer/Active",
                                        "Printer/PortName",
                                        "Printer/PortData",
                                        "Printer/TCPPortAdd",
                                        "Printer/TCPPortDefault",
                                        "Printer/VirtualPrinterExtension",
                                        "Printer/DefaultPageSize",
                                        "Printer/DefaultMedia",
                                        "Printer/DotInfo",
                                        "Printer/InkTypes",
                                        "Printer/PageSizes",
                                        "Printer/PortList",
                                        "Printer/DefaultScreenSetup",
                                        "Printer/DefaultResolutions",
                                        "Printer/ResData",
                                        "Printer/InkCfgs",
                                        "Media/InkCfg",
                                        "Media/ColorInfo",
                                        "Media/ResScaleAdjust",
                                        "Media/PageSizes",
                                        "Media/PassInfo",
                                        "Media/LabelChannel",
                                        "Media/DefaultMode",
                                        "Media/JdfAlias",
                                        "Media/JdfQualityModeHigh",
                                        "Media/JdfQualityModeNormal",
                                        "Media/JdfQualityModeDraft",
                                        "Mode/Pattern",
                                        "Mode/Res",
                                        "Mode/ResAlias",
                                        "Mode/InkCfg",
                                        "Mode/InkRestrictions",
                                        "Mode/TransitionControl",
                                        "Mode/DropAdjusts",
                                        "Mode/DropAdjust",
                                        "Mode/ScreenSetup",
                                        "Mode/LvlCurves",
                                        "Mode/InkCurves",
                                        "Mode/ResScaleAdjust",
                                        "Mode/TableDefaults",
                                        "Mode/UserQualityAssessment",
                                        "Mode/PrinterSettings"};
    for (const char* key : expectedKeys) {
        EXPECT_EQ(keys.count(key), 1u) << key;
    }
    for (const char* kind :
         {".lock", ".SPSettings.dat", ".MediaCostSettings.xml", ".SDef", ".icc", ".Link"}) {
        EXPECT_EQ(sideFiles.count(kind), 1u) << kind;
    }
}

// Every settings file is in the form the library writes: loading and
// storing it again gives the same bytes, so the sample holds no hand edits.
TEST_F(SampleRepositoryTest, SettingsFilesAreAsTheLibraryWritesThem) {
    std::size_t checked = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_db)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() ||
            (name != ".Settings.xml" && name != ".MediaCostSettings.xml")) {
            continue;
        }
        const std::string bytes = test::readFile(entry.path().string());
        wxMemoryInputStream in(bytes.data(), bytes.size());
        boost::shared_ptr<repos::Settings> settings = repos::SettingsManager::GetSettings(in);
        ASSERT_TRUE(settings) << entry.path();
        wxMemoryOutputStream out;
        settings->storeTo(out);
        std::string again(out.GetSize(), '\0');
        out.CopyTo(&again[0], again.size());
        EXPECT_EQ(again, bytes) << entry.path();
        ++checked;
    }
    // A printer has two settings files (its own and the one in "Defaults").
    std::size_t expected = 0;
    for (const PrinterDesc& p : sample().printers) {
        expected += 2;
        for (const MediaDesc& m : p.medias) {
            expected += 1 + (m.costs ? 1 : 0) + m.modes.size();
        }
    }
    EXPECT_EQ(checked, expected);
}

}  // namespace
}  // namespace vexa
