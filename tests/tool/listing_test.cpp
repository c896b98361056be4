// Listing and showing printers, medias and modes: the --json document
// parses, holds what the library's readers hand out (read in this process),
// and holds the same values as the readable output.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>

#include "ToolFixture.h"
#include "repos/FileLock.h"
#include "repos/MediaReader.h"
#include "repos/ModeReader.h"
#include "repos/PrinterReader.h"
#include "repos/PrinterRepository.h"
#include "repos/SystemRepository.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace test {
namespace {

using repos::printer::MediaReader;
using repos::printer::ModeReader;
using repos::printer::PrinterReader;

// A JSON scalar as the readable output writes it.
std::string text(const Json& value) {
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_boolean())
        return value.get<bool>() ? "true" : "false";
    if (value.is_null())
        return "";
    return value.dump();
}

// `values` with the entries of the document's "values" object, as the
// readable output's "Values" section lists them.
std::map<std::string, std::string> withValues(const Json& d,
                                              std::map<std::string, std::string> values = {}) {
    for (auto it = d["values"].begin(); it != d["values"].end(); ++it) {
        values[it.key()] = text(it.value());
    }
    return values;
}

// The rows of a JSON table as the readable output lists them.
std::vector<std::vector<std::string>> jsonRows(const Json& rows,
                                               const std::vector<std::string>& columns) {
    std::vector<std::vector<std::string>> expected;
    for (const Json& row : rows) {
        std::vector<std::string> cellTexts;
        for (const std::string& column : columns) {
            cellTexts.push_back(text(row[column]));
        }
        expected.push_back(nonEmpty(cellTexts));
    }
    return expected;
}

class ListingTest : public ToolTest {
  protected:
    // The library in this process reads the same copy; its locks are
    // dropped before the tool runs again.
    void useLibrary() {
        ::setenv("VEXA_INSTALL", repo().c_str(), 1);
        repos::SystemRepository::Reset();
        repos::printer::PrinterCatalog::reset();
    }
    void TearDown() override {
        repos::printer::PrinterCatalog::reset();
        repos::SystemRepository::Reset();
    }

    Json showJson(const std::vector<std::string>& args, std::string& readable) {
        std::vector<std::string> json = args;
        json.push_back("--json");
        const ToolRun asJson = tool(json);
        const ToolRun asText = tool(args);
        EXPECT_EQ(0, asJson.status) << asJson.err;
        EXPECT_EQ(0, asText.status) << asText.err;
        readable = asText.out;
        return parseJson(asJson.out);
    }
};

TEST_F(ListingTest, PrintersAsJsonAndAsTableAgreeWithTheFolders) {
    const ToolRun table = tool({"printers"});
    const Json list = parseJson(tool({"printers", "--json"}).out);
    ASSERT_TRUE(list.is_array());
    std::vector<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(db("Printers"))) {
        folders.push_back(entry.path().filename().string());
    }
    std::sort(folders.begin(), folders.end());
    std::vector<std::string> names;
    std::vector<std::vector<std::string>> expected;
    for (const Json& printer : list) {
        names.push_back(printer["name"]);
        EXPECT_EQ("ok", printer["state"]);
        expected.push_back(
            {printer["name"], printer["active"].get<bool>() ? "yes" : "no", printer["device"]});
    }
    EXPECT_EQ(folders, names);
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(table.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ((std::vector<std::string>{"NAME", "ACTIVE", "DEVICE"}), cells(line));
    while (std::getline(lines, line)) {
        rows.push_back(cells(line));
    }
    EXPECT_EQ(expected, rows);

    useLibrary();
    for (const Json& printer : list) {
        EXPECT_EQ(toUtf8(PrinterReader::getReader(toWx(printer["name"]))->getDeviceName()),
                  printer["device"]);
    }
}

TEST_F(ListingTest, ShowPrinterHoldsEveryReaderValueInBothForms) {
    for (const std::string printer : {kAurora, kBorealis}) {
        std::string readable;
        const Json d = showJson({"show", printer}, readable);
        ASSERT_TRUE(d.is_object());

        std::map<std::string, std::string> values = withValues(d);
        EXPECT_EQ(values, sectionValues(readable, "Values"));
        EXPECT_EQ(jsonRows(d["pageSizes"], {"name", "width", "height", "access", "type", "left",
                                            "top", "right", "bottom"}),
                  tableRows(readable, "Page sizes"));
        EXPECT_EQ(jsonRows(d["ports"], {"name", "type", "value"}), tableRows(readable, "Ports"));
        EXPECT_EQ(jsonRows(d["inkTypes"], {"type", "name", "durability"}),
                  tableRows(readable, "Ink types"));
        const std::vector<std::vector<std::string>> resolutionRows =
            tableRows(readable, "Resolutions");
        ASSERT_GE(resolutionRows.size(), d["resolutions"].size());
        std::vector<std::vector<std::string>> mediaRows;
        for (const Json& group : d["medias"]) {
            for (const Json& media : group["medias"]) {
                mediaRows.push_back({group["group"], media});
            }
        }
        std::vector<std::vector<std::string>> shownMedias = tableRows(readable, "Medias");
        for (std::vector<std::string>& row : shownMedias) {
            row.resize(2);  // the default marker
        }
        EXPECT_EQ(mediaRows, shownMedias);

        useLibrary();
        {
            const boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(printer));
            ASSERT_TRUE(reader);
            // The values get reads as well (the same key table) are checked
            // by the get and set tests and the typed values.
            EXPECT_EQ(toUtf8(reader->getDeviceName()), values["DllDevice"]);
            EXPECT_EQ(toUtf8(reader->getDllModule()), values["DllModule"]);
            EXPECT_EQ(toUtf8(reader->getPPDFile()), values["PPDFile"]);
            std::size_t sizes = 0;
            for (const SSTRALROW* row = reader->getPageSizes()->getStral()->first; row;
                 row = row->next, ++sizes) {
                EXPECT_EQ(std::string(row->texts[0]), d["pageSizes"][sizes]["name"]);
            }
            EXPECT_EQ(sizes, d["pageSizes"].size());
            std::size_t r = 0;
            for (const auto& res : reader->getDeviceResolutions()) {
                ASSERT_LT(r, d["resolutions"].size());
                EXPECT_EQ(toUtf8(res->resolution), d["resolutions"][r]["resolution"]);
                EXPECT_EQ(res->alias.size(), d["resolutions"][r]["aliases"].size());
                ++r;
            }
            EXPECT_EQ(r, d["resolutions"].size());
            std::size_t c = 0;
            for (const auto& cfg : reader->getInkCfgs()) {
                ASSERT_LT(c, d["inkConfigurations"].size());
                EXPECT_EQ(std::string(cfg->getSpInkCfg()->Name),
                          d["inkConfigurations"][c++]["name"]);
            }
            EXPECT_EQ(c, d["inkConfigurations"].size());
            std::size_t medias = 0;
            for (const auto& group : reader->getMediaList()) {
                medias += group.second.size();
            }
            EXPECT_EQ(medias, mediaRows.size());
        }
        repos::printer::PrinterCatalog::reset();
    }
}

TEST_F(ListingTest, ShowMediaHoldsEveryReaderValueInBothForms) {
    std::string readable;
    const Json d = showJson({"show-media", kAurora, kGlanz}, readable);
    ASSERT_TRUE(d.is_object());
    std::map<std::string, std::string> values =
        withValues(d, {{"Media", d["media"]}, {"Group", d["group"]}, {"Valid", text(d["valid"])}});
    EXPECT_EQ(values, sectionValues(readable, "Values"));
    EXPECT_EQ(jsonRows(d["passes"], {"value", "id"}), tableRows(readable, "Passes"));
    EXPECT_EQ(jsonRows(d["resolutionScales"], {"resolution", "scaleX", "scaleY"}),
              tableRows(readable, "Resolution scales"));
    ASSERT_TRUE(d["costs"].is_object());
    EXPECT_EQ(text(d["costs"]["areaBased"]), sectionValues(readable, "Costs")["AreaBased"]);

    useLibrary();
    const boost::shared_ptr<PrinterReader> printer = PrinterReader::getReader(toWx(kAurora));
    const boost::shared_ptr<MediaReader> reader =
        MediaReader::getReader(printer->getMediaLegacy(toWx(kGlanz)));
    // Its values are those get-media reads: the alias and the label channel
    // are checked by the get and set tests and the typed values; the set
    // tests give every other key the same value.
    ASSERT_TRUE(reader);
    EXPECT_EQ(toUtf8(reader->getDefaultMode()), values["DefaultMode"]);
    EXPECT_EQ(toUtf8(reader->getJdfQualityMode(wxT("High"))), values["JdfQualityModeHigh"]);
    EXPECT_EQ(toUtf8(reader->getJdfQualityMode(wxT("Draft"))), values["JdfQualityModeDraft"]);
    EXPECT_EQ(reader->getPageSizes()->size(), d["pageSizes"].size());
    EXPECT_DOUBLE_EQ(reader->getMediaCostSettings()->getAreaBasedCost(),
                     d["costs"]["areaBased"].get<double>());
    std::vector<std::string> modes;
    for (const auto& mode : reader->getModeList()) {
        modes.push_back(toUtf8(mode.first));
    }
    EXPECT_EQ(modes, d["modes"].get<std::vector<std::string>>());
}

TEST_F(ListingTest, ShowModeHoldsEveryReaderValueInBothForms) {
    for (const std::string mode : {kFotoMode, kJapaneseMode}) {
        std::string readable;
        const Json d = showJson({"show-mode", kAurora, kGlanz, mode}, readable);
        ASSERT_TRUE(d.is_object());
        std::map<std::string, std::string> values = withValues(d, {{"Valid", text(d["valid"])}});
        EXPECT_EQ(values, sectionValues(readable, "Values"));
        EXPECT_EQ(jsonRows(d["inkLimits"], {"ink", "level"}), tableRows(readable, "Ink limits"));
        EXPECT_EQ(jsonRows(d["dropAdjustments"], {"ink", "level"}),
                  tableRows(readable, "Drop adjustments"));
        EXPECT_EQ(jsonRows(d["printerOptions"], {"name", "value"}),
                  tableRows(readable, "Printer options"));
        EXPECT_EQ(jsonRows(d["tableDefaults"], {"name", "value"}),
                  tableRows(readable, "Table defaults"));
        for (const Json& profile : d["profiles"]) {
            // Every profile, a linked one too, resolves to a file that is there.
            EXPECT_TRUE(pathExists(profile["location"])) << profile.dump();
        }

        useLibrary();
        {
            const boost::shared_ptr<PrinterReader> printer = PrinterReader::getReader(toWx(kAurora));
            const boost::shared_ptr<MediaReader> media =
                MediaReader::getReader(printer->getMediaLegacy(toWx(kGlanz)));
            const boost::shared_ptr<ModeReader> reader =
                ModeReader::getReader(media->getMode(toWx(mode)));
            ASSERT_TRUE(reader);
            EXPECT_EQ(toUtf8(reader->getPattern()), values["Pattern"]);
            EXPECT_EQ(toUtf8(reader->getResolution()), values["Res"]);
            EXPECT_EQ(toUtf8(reader->getResolutionAlias()), values["ResAlias"]);
            std::size_t limits = 0;
            for (const auto& limit : *reader->getInkLimits()->getSpInkLevel()) {
                EXPECT_EQ(limit.first, d["inkLimits"][limits]["ink"]);
                EXPECT_EQ(limit.second, d["inkLimits"][limits]["level"]);
                ++limits;
            }
            EXPECT_EQ(limits, d["inkLimits"].size());
            const boost::shared_ptr<std::map<wxString, wxString>> options =
                reader->getPrinterOptions();
            ASSERT_EQ(options->size(), d["printerOptions"].size());
            for (const Json& option : d["printerOptions"]) {
                EXPECT_EQ(toUtf8((*options)[toWx(option["name"])]), option["value"]);
            }
        }
        repos::printer::PrinterCatalog::reset();
    }
}

TEST_F(ListingTest, MediaAndModeListsAgreeInBothForms) {
    const Json medias = parseJson(tool({"medias", kAurora, "--json"}).out);
    std::istringstream lines(tool({"medias", kAurora}).out);
    std::string line;
    std::getline(lines, line);
    int defaults = 0;
    for (const Json& media : medias) {
        ASSERT_TRUE(std::getline(lines, line));
        const bool isDefault = media["default"];
        defaults += isDefault ? 1 : 0;
        std::vector<std::string> expected = {media["group"], media["media"], media["legacy"]};
        if (isDefault) {
            expected.push_back("yes");
        }
        EXPECT_EQ(expected, cells(line));
        EXPECT_TRUE(pathExists(printerDir(kAurora) + "/Medias/" +
                               media["group"].get<std::string>() + "/" +
                               media["media"].get<std::string>()));
    }
    EXPECT_EQ(1, defaults);

    const Json modes = parseJson(tool({"modes", kAurora, kGlanz, "--json"}).out);
    std::istringstream modeLines(tool({"modes", kAurora, kGlanz}).out);
    std::getline(modeLines, line);
    ASSERT_EQ(3u, modes.size());
    for (const Json& mode : modes) {
        ASSERT_TRUE(std::getline(modeLines, line));
        EXPECT_EQ("ok", mode["state"]);
        std::vector<std::string> expected = {mode["mode"], mode["resolution"],
                                             mode["resolutionAlias"], mode["pattern"]};
        if (mode["default"].get<bool>()) {
            expected.push_back("yes");
        }
        EXPECT_EQ(nonEmpty(expected), cells(line));
    }
}

// One rule in every JSON document: numbers are numbers, flags are true or
// false, what is not set is null.
TEST_F(ListingTest, JsonValuesAreTypedAndUnsetIsNull) {
    const std::string media = kGlanz;
    const std::vector<std::tuple<std::vector<std::string>, std::string, Json>> cases = {
        {{"show", kAurora}, "/values/Active", true},
        {{"show", kAurora}, "/values/TCPPortAdd", 9101},
        {{"show", kAurora}, "/values/PortName", "TCPIP"},
        {{"show", kAurora}, "/pageSizes/0/width", 841.89},
        {{"show", kAurora}, "/pageSizes/0/access", 3},
        {{"show", kAurora}, "/pageSizes/3/left", nullptr},
        {{"show", kBorealis}, "/values/Active", false},
        {{"show", kBorealis}, "/values/PPDFile", nullptr},
        {{"show", kBorealis}, "/dotInfo/groups/0/units/0/scales/0/value", 18},
        {{"show", kBorealis}, "/screenSetups/0/screens/0/lpi", 85},
        {{"show-media", kAurora, media}, "/values/LabelChannel", 5},
        {{"show-media", kAurora, media}, "/passes/0/value", 4},
        {{"show-mode", kAurora, media, kFotoMode}, "/values/UserQualityAssessment", 0.9375},
        {{"printers"}, "/1/active", false},
        {{"medias", kAurora}, "/0/state", "ok"},
        {{"modes", kAurora, media}, "/0/valid", true},
        {{"keys", kBorealis},
         "/2",
         Json({{"key", "PPDFile"}, {"value", nullptr}, {"settable", false}})},
        {{"keys", kAurora, media}, "/5/value", 5},
        {{"get", kAurora, "TCPPortDefault"}, "", 9100},
        {{"get-media", kAurora, media, "JdfAlias"}, "", "光沢紙 260"},
        {{"check"}, "", Json({{"problems", Json::array()}, {"fixed", Json::array()}})},
    };
    for (const auto& c : cases) {
        std::vector<std::string> call = std::get<0>(c);
        call.push_back("--json");
        const ToolRun run = tool(call);
        ASSERT_EQ(0, run.status) << call[0] << ": " << run.err;
        EXPECT_EQ(std::get<2>(c), parseJson(run.out)[Json::json_pointer(std::get<1>(c))])
            << call[0] << " " << std::get<1>(c);
    }
}

// A media or mode that cannot be read is listed with its state, as a
// printer is, in both forms.
TEST_F(ListingTest, ListsGiveTheStateOfWhatCannotBeRead) {
    const std::string seidenmatt = printerDir(kAurora) + "/Medias/Fotopapier/Seidenmatt 240";
    const std::string foto = db(kGlanzDir) + "/Modes/" + kFotoMode;
    struct Broken {
        std::string folder;
        std::function<void()> breakIt;
        std::vector<std::string> list;
        std::size_t entry;
        std::string state;
    };
    std::unique_ptr<repos::WriteFileLocker> held;
    const std::vector<Broken> cases = {
        {printerDir(kBorealis),
         [&] { writeFile(printerDir(kBorealis) + "/.invalid", ""); },
         {"printers"},
         1,
         "half-made"},
        {seidenmatt,
         [&] { writeFile(seidenmatt + "/.Settings.xml", ""); },
         {"medias", kAurora},
         1,
         "unreadable"},
        {foto,
         [&] {
             held.reset(new repos::WriteFileLocker(
                 repos::FileLock::create(vfs::openLocalFolder(vfs::createFileName(toWx(foto))))));
         },
         {"modes", kAurora, kGlanz},
         0,
         "locked"},
    };
    for (const Broken& c : cases) {
        c.breakIt();
        std::vector<std::string> call = c.list;
        call.push_back("--json");
        const Json list = parseJson(tool(call).out);
        EXPECT_EQ(c.state, list[c.entry]["state"]) << c.folder;
        const ToolRun table = tool(c.list);
        EXPECT_EQ(0, table.status) << table.err;
        EXPECT_NE(std::string::npos, table.out.find("(" + c.state + ")")) << table.out;
    }
}

// A folder named in another code page (bytes that are not UTF-8): listed
// with its bytes, reached by them, reported by check in a readable form,
// and removed.
TEST_F(ListingTest, AFolderNameThatIsNotUtf8IsListedReachedReportedAndRemoved) {
    const std::string name = "Caf\xe9";
    std::filesystem::copy(printerDir(kAurora), printerDir(name),
                          std::filesystem::copy_options::recursive);
    const ToolRun listed = tool({"printers"});
    EXPECT_EQ(0, listed.status) << listed.err;
    EXPECT_NE(std::string::npos, listed.out.find("\n" + name + " ")) << listed.out;
    const ToolRun shown = tool({"show", name});
    EXPECT_EQ(0, shown.status) << shown.err;
    EXPECT_EQ(0u, shown.out.find("Printer '" + name + "'")) << shown.out;
    const ToolRun check = tool({"check"});
    EXPECT_NE(std::string::npos, check.out.find("Printers/Caf\\xe9: name is not UTF-8"))
        << check.out;
    EXPECT_EQ(std::string::npos, check.out.find(name));  // the report stays UTF-8
    const ToolRun removed = tool({"remove", name, "--yes"});
    EXPECT_EQ(0, removed.status) << removed.err;
    EXPECT_FALSE(pathExists(printerDir(name)));
}

}  // namespace
}  // namespace test
}  // namespace vexa
