// The inspecting commands: curves drawn as SVG, the repository check on the
// sample and on a repository seeded with one problem of each kind, and the
// settings-file commands tree, convert and xpath.
#include <algorithm>
#include <cstdlib>

#include "ToolFixture.h"
#include "kernel/Text.h"
#include "repos/FileLock.h"
#include "repos/XmlXpath.h"
#include "vfs/src/impl/FileName.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace test {
namespace {

std::vector<std::pair<double, double>> points(const std::string& text) {
    std::vector<std::pair<double, double>> result;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        const std::size_t comma = pair.find(',');
        result.emplace_back(std::strtod(pair.substr(0, comma).c_str(), nullptr),
                            std::strtod(pair.substr(comma + 1).c_str(), nullptr));
    }
    return result;
}

TEST_F(ToolTest, CurvesAreDrawnOneLinePerCurveOnPercentAxes) {
    const std::string svg = repo() + "/kurven é.svg";
    const ToolRun run = tool({"curves", kAurora, kGlanz, kFotoMode, "--svg", svg});
    ASSERT_EQ(0, run.status) << run.err;
    const Json mode = parseJson(tool({"show-mode", kAurora, kGlanz, kFotoMode, "--json"}).out);

    CXmlXpath picture;
    ASSERT_TRUE(picture.readXMLFile(svg.c_str()));
    const auto count = [&](const std::string& query) {
        return picture.getNodeSetSize(picture.runXPathQuery(query.c_str()));
    };
    const auto dash = [&](const std::string& query) {
        std::string value;
        _xmlNodeSet* found = picture.runXPathQuery(query.c_str());
        if (picture.getNodeSetSize(found) == 1) {
            picture.getNodeAttribute(picture.getNodeSetItem(found, 0), "stroke-dasharray", value);
        }
        return value;
    };
    int secondCurves = 0;
    for (const char* kind : {"ink", "level"}) {
        // One polyline per curve of each ink.
        const std::string panel = std::string("//*[local-name()='g'][@data-title='") +
                                  (kind == std::string("ink") ? "Ink" : "Level") + " curves']";
        int curves = 0;
        for (const Json& ink : mode["curves"][kind]) {
            const std::string name = ink["ink"];
            curves += ink["curves"].get<int>();
            EXPECT_EQ(ink["curves"].get<int>(),
                      count(panel + "/*[local-name()='polyline'][@data-ink='" + name + "']"))
                << name;
            // Each line has its legend entry, drawn alike: the dashed one is
            // the ink's second curve, and the legend says so.
            for (int curve = 0; curve < ink["curves"].get<int>(); ++curve) {
                const std::string which =
                    "[@data-ink='" + name + "'][@data-curve='" + std::to_string(curve) + "']";
                const std::string legend =
                    panel + "/*[local-name()='text'][@class='legend']" + which;
                ASSERT_EQ(1, count(legend)) << name << " " << curve;
                const std::string dashes = dash(panel + "/*[local-name()='polyline']" + which);
                EXPECT_EQ(dashes, dash(legend + "/preceding-sibling::*[1]")) << name;
                EXPECT_EQ(curve > 0, !dashes.empty()) << name << " " << curve;
                if (curve == 1) {
                    EXPECT_EQ(1, count(legend + "[contains(., 'curve 2 of') and "
                                                "contains(., 'dashed')]"));
                    ++secondCurves;
                }
            }
        }
        EXPECT_GT(curves, 0);
        const std::string all = panel + "/*[local-name()='polyline']";
        EXPECT_EQ(curves, picture.getNodeSetSize(picture.runXPathQuery(all.c_str())));
    }
    EXPECT_GT(secondCurves, 0);  // the sample's cyan level curves
    // The sample's black ink curve runs (0,0) (25,30) (75,80) (100,100): the
    // plot's bottom left, then up and right, ending at its top right.
    _xmlNodeSet* black = picture.runXPathQuery(
        "//*[local-name()='g'][@data-title='Ink curves']/*[local-name()='polyline'][@data-ink="
        "'Black']");
    ASSERT_EQ(1, picture.getNodeSetSize(black));
    std::string text;
    ASSERT_TRUE(picture.getNodeAttribute(picture.getNodeSetItem(black, 0), "points", text));
    const std::vector<std::pair<double, double>> drawn = points(text);
    ASSERT_EQ(4u, drawn.size());
    const double side = drawn[3].first - drawn[0].first;
    EXPECT_GT(side, 100);
    EXPECT_NEAR(side, drawn[0].second - drawn[3].second, 0.01);  // square, y grows downwards
    EXPECT_NEAR(drawn[0].first + 0.25 * side, drawn[1].first, side / 255 + 0.01);
    EXPECT_NEAR(drawn[0].second - 0.30 * side, drawn[1].second, side / 255 + 0.01);
    EXPECT_NEAR(drawn[0].second - 0.80 * side, drawn[2].second, side / 255 + 0.01);

    // "-" writes the same picture to standard output, and nothing else.
    const ToolRun piped = tool({"curves", kAurora, kGlanz, kFotoMode, "--svg", "-"});
    EXPECT_EQ(0, piped.status) << piped.err;
    EXPECT_EQ(readFile(svg), piped.out);

    // A mode without curves: nothing is written.
    const std::string none = repo() + "/keine.svg";
    const ToolRun empty =
        tool({"curves", kBorealis, "Normalpapier 90", "360x360 Entwurf", "--svg", none});
    EXPECT_EQ(2, empty.status);
    EXPECT_NE(std::string::npos, empty.err.find("no ink or level curves")) << empty.err;
    EXPECT_FALSE(pathExists(none));
}

TEST_F(ToolTest, CheckIsSilentOnTheSampleAndFindsEachKindOfProblem) {
    ToolRun run = tool({"check"});
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_EQ("", run.out);
    EXPECT_EQ("", run.err);

    const std::string aurora = printerDir(kAurora);
    const std::string glanz = db(kGlanzDir);
    // One of each: an empty and a broken settings file, a broken cost file,
    // markers on a printer, a media and a mode, folders without settings,
    // and nodes with '/' and '*' in their names (a page size and a nested
    // node below a dropped one, which is not reported again).
    writeFile(aurora + "/Medias/Fotopapier/Seidenmatt 240/.Settings.xml", "");
    writeFile(glanz + "/Modes/" + kFotoMode + "/.Settings.xml", "<node name=\"Mode\"><node");
    writeFile(glanz + "/.MediaCostSettings.xml", "<?xml version=\"1.0\"?>\n<kaputt");
    writeFile(printerDir(kBorealis) + "/.invalid", "");
    writeFile(glanz + "/.invalid", "");
    writeFile(glanz + "/Modes/" + kJapaneseMode + "/.invalid", "");
    makeDirs(printerDir("Ohne Einstellungen"));
    makeDirs(aurora + "/Medias/Leer/Ohne Einstellungen/Modes/Auch ohne");
    // Folders that are no printers, names the library cannot use, a file
    // where a folder belongs, values naming nothing, and a temporary file
    // of a writer that died.
    makeDirs(db("Printers/.git"));
    const std::string borealisMedia = printerDir(kBorealis) + "/Medias/Proof/Proof Matt 205";
    std::filesystem::copy(borealisMedia, aurora + "/Medias/Fotopapier/*Stern",
                          std::filesystem::copy_options::recursive);
    makeDirs(aurora + "/Medias/Grup[pe]");
    std::filesystem::copy(glanz + "/Modes/720x720 Standard", glanz + "/Modes/Tab\tName",
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(printerDir(kBorealis) + "/Medias");
    writeFile(printerDir(kBorealis) + "/Medias", "");
    const auto replace = [](const std::string& file, const std::string& from,
                            const std::string& to) {
        std::string text = readFile(file);
        ASSERT_NE(std::string::npos, text.find(from)) << file;
        writeFile(file, text.replace(text.find(from), from.size(), to));
    };
    replace(glanz + "/.Settings.xml", "\"JdfQualityModeDraft\" value=\"720x720 Standard\"",
            "\"JdfQualityModeDraft\" value=\"Nirgends\"");
    replace(glanz + "/Modes/720x720 Standard/.Settings.xml", "\"Res\" value=\"720x720\"",
            "\"Res\" value=\"9999x9999\"");
    replace(aurora + "/.Settings.xml", "\"DefaultPageSize\" value=\"A1\"",
            "\"DefaultPageSize\" value=\"A0\"");
    writeFile(aurora + "/.~vexa-tmp.1.0..Settings.xml", "halb");
    std::string settings = readFile(aurora + "/.Settings.xml");
    const std::string anchor = "<node name=\"PageSizes\">";
    ASSERT_NE(std::string::npos, settings.find(anchor));
    settings.insert(settings.find(anchor) + anchor.size(),
                    "<node name=\"3 1/2 x 5\" width=\"252\"><node name=\"a*b\"/></node>");
    settings.insert(settings.find("</node>\n", settings.size() - 10),
                    "<node name=\"Extra\"><node name=\"Stern*\"/></node>");
    writeFile(aurora + "/.Settings.xml", settings);

    run = tool({"check"});
    EXPECT_EQ(4, run.status);
    const std::vector<std::string> expected = {
        "Printers/.git: not a printer: no settings file .Settings.xml",
        "Printers/Aurora 64/.~vexa-tmp.1.0..Settings.xml: temporary file left by a writer that "
        "died",
        "Printers/Aurora 64/.Settings.xml: DefaultPageSize 'A0' is not among the printer's page "
        "sizes",
        "Printers/Aurora 64/Medias/Fotopapier/*Stern: name the library cannot use (invalid media "
        "name '*Stern': begins with '*'",
        "Printers/Aurora 64/Medias/Grup[pe]: name the library cannot use (invalid media group "
        "name 'Grup[pe]': holds '[' or ']'",
        "Printers/Aurora 64/Medias/Fotopapier/Glanz 260/.Settings.xml: JdfQualityModeDraft "
        "'Nirgends' names a mode that is not there",
        "Printers/Aurora 64/Medias/Fotopapier/Glanz 260/Modes/720x720 Standard/.Settings.xml: "
        "resolution '9999x9999' is not one the printer offers",
        "Printers/Aurora 64/Medias/Fotopapier/Glanz 260/Modes/Tab\\x09Name: name the library "
        "cannot use (invalid mode name 'Tab\\x09Name'",
        "Printers/Borealis Épreuve 24/Medias: a file where the folder of medias belongs",
        "Printers/Borealis Épreuve 24/.Settings.xml: DefaultMedia 'Normalpapier 90' names a media "
        "that is not there",
        "Printers/Aurora 64/.Settings.xml: node 'Printer/PageSizes/3 1/2 x 5' is dropped when "
        "read: its name holds '/'",
        "Printers/Aurora 64/.Settings.xml: node 'Printer/Extra/Stern*' is dropped when read: its "
        "name holds '*'",
        "Printers/Aurora 64/Medias/Fotopapier/Glanz 260: media folder marked .invalid",
        "Printers/Aurora 64/Medias/Fotopapier/Glanz 260/.MediaCostSettings.xml: does not parse",
        "Printers/Aurora 64/Medias/Fotopapier/Glanz 260/Modes/1440x1440 Foto/.Settings.xml: does "
        "not parse",
        "Printers/Aurora 64/Medias/Fotopapier/Glanz 260/Modes/写真 高画質: mode folder marked "
        ".invalid",
        "Printers/Aurora 64/Medias/Fotopapier/Seidenmatt 240/.Settings.xml: empty settings file",
        "Printers/Aurora 64/Medias/Leer/Ohne Einstellungen: media folder without settings file",
        "Printers/Aurora 64/Medias/Leer/Ohne Einstellungen/Modes/Auch ohne: mode folder without "
        "settings file",
        "Printers/Borealis Épreuve 24: printer folder marked .invalid",
        "Printers/Ohne Einstellungen: not a printer: no settings file .Settings.xml",
    };
    std::vector<std::string> lines;
    std::istringstream in(run.out);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    ASSERT_EQ(expected.size(), lines.size()) << run.out;
    for (const std::string& problem : expected) {
        EXPECT_EQ(1, std::count_if(lines.begin(), lines.end(),
                                   [&](const std::string& l) { return l.rfind(problem, 0) == 0; }))
            << problem << "\n"
            << run.out;
    }
    EXPECT_NE(std::string::npos, run.err.find("21 problem(s)")) << run.err;
    // --json holds the same findings.
    const Json json = parseJson(tool({"check", "--json"}).out);
    std::vector<std::string> fromJson;
    for (const Json& problem : json["problems"]) {
        fromJson.push_back(problem["path"].get<std::string>() + ": " +
                           problem["text"].get<std::string>());
    }
    EXPECT_EQ(lines, fromJson);
    EXPECT_TRUE(json["fixed"].empty());
    // Checking created nothing.
    EXPECT_FALSE(pathExists(printerDir("Ohne Einstellungen") + "/.Settings.xml"));
    EXPECT_FALSE(pathExists(aurora + "/Medias/Leer/Ohne Einstellungen/.Settings.xml"));
}

// --fix removes what a writer that died left, under the folder's lock, and
// nothing else: a file in a folder whose lock is held may be a live
// writer's, and a ".invalid" marker stays for remove to finish.
TEST_F(ToolTest, CheckFixRemovesOnlyTheTemporaryFilesOfDeadWriters) {
    const std::string dead = printerDir(kAurora) + "/.~vexa-tmp.1.0..Settings.xml";
    const std::string live = db(kGlanzDir) + "/.~vexa-tmp.2.0..Settings.xml";
    const std::string marker = printerDir(kBorealis) + "/.invalid";
    writeFile(dead, "halb");
    writeFile(marker, "");
    {
        // This test process is the live writer; its lock is taken first,
        // since taking it clears what others left.
        repos::WriteFileLocker held(repos::FileLock::create(
            vfs::openLocalFolder(vfs::createFileName(kernel::fromMB(db(kGlanzDir))))));
        ASSERT_TRUE(held.holdsLock());
        writeFile(live, "halb");
        const ToolRun fix = tool({"check", "--fix"});
        EXPECT_EQ(4, fix.status);  // the marker is left
        EXPECT_EQ(
            "Printers/Aurora 64/.~vexa-tmp.1.0..Settings.xml: fixed: removed the temporary file "
            "of a writer that died\n"
            "Printers/Borealis Épreuve 24: printer folder marked .invalid: half-made by a copy or "
            "half-removed; vexa-repo remove removes it (it finishes a half-removed printer)\n",
            fix.out);
        EXPECT_FALSE(pathExists(dead));
        EXPECT_TRUE(pathExists(live));
        EXPECT_TRUE(pathExists(marker));
    }
    // Its writer gone, the file is a dead writer's too.
    const ToolRun check = tool({"check"});
    EXPECT_NE(std::string::npos,
              check.out.find(
                  kGlanzDir +
                  std::string(
                      "/.~vexa-tmp.2.0..Settings.xml: temporary file left by a writer that died")))
        << check.out;
    EXPECT_TRUE(pathExists(live));
}

TEST_F(ToolTest, SettingsFileCommandsWorkOnNonAsciiPaths) {
    const std::string file = printerDir(kBorealis) + "/.Settings.xml";
    ToolRun run = tool({"tree", file});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ(0u, run.out.rfind("Printer ", 0)) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\n  DllDevice value=\"Borealis 24 Épreuve\""))
        << run.out;

    // Values of leaf nodes do not survive the brace format: nothing is
    // written without --force.
    const std::string brace = repo() + "/drucker ü.txt";
    EXPECT_EQ(4, tool({"convert", "--to", "brace", file, brace}).status);
    EXPECT_FALSE(pathExists(brace));
    const ToolRun forced = tool({"convert", "--force", "--to", "brace", file, brace});
    EXPECT_EQ(0, forced.status);
    EXPECT_NE(std::string::npos, forced.err.find("with loss")) << forced.err;
    EXPECT_TRUE(pathExists(brace));
    const std::string back = repo() + "/zurück.xml";
    EXPECT_EQ(0, tool({"convert", "--to", "xml", file, back}).status);
    EXPECT_EQ(run.out, tool({"tree", back}).out);

    run = tool({"xpath", file, "//repo:node[@name='DllDevice']/@value"});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("Borealis 24 Épreuve\n", run.out);
    EXPECT_EQ(2, tool({"tree", repo() + "/fehlt.xml"}).status);
}

}  // namespace
}  // namespace test
}  // namespace vexa
