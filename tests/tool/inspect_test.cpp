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

TEST_F(ToolTest, CurvesAreDrawnOneLinePerCurveOnPercentAxes) {
    const std::string svg = repo() + "/kurven é.svg";
    const ToolRun run = tool({"curves", kAurora, kGlanz, kFotoMode, "--svg", svg});
    ASSERT_EQ(0, run.status) << run.err;
    const Json mode = parseJson(tool({"show-mode", kAurora, kGlanz, kFotoMode, "--json"}).out);

    CXmlXpath picture;
    ASSERT_TRUE(picture.readXMLFile(svg.c_str()));
    // The value of `attribute` of the one node `query` finds; "<none>" unless
    // there is exactly one.
    const auto single = [&](const std::string& query, const char* attribute) {
        std::string value = "<none>";
        _xmlNodeSet* found = picture.runXPathQuery(query.c_str());
        if (picture.getNodeSetSize(found) == 1) {
            value.clear();
            picture.getNodeAttribute(picture.getNodeSetItem(found, 0), attribute, value);
        }
        return value;
    };
    int secondCurves = 0;
    for (const char* kind : {"ink", "level"}) {
        const std::string panel = std::string("//*[local-name()='g'][@data-title='") +
                                  (kind == std::string("ink") ? "Ink" : "Level") + " curves']";
        int curves = 0;
        for (const Json& ink : mode["curves"][kind]) {
            // One line per curve, with its legend entry drawn alike: the dashed
            // one is the ink's second curve, and the legend says so.
            for (int curve = 0; curve < ink["curves"].get<int>(); ++curve, ++curves) {
                const std::string which = "[@data-ink='" + ink["ink"].get<std::string>() +
                                          "'][@data-curve='" + std::to_string(curve) + "']";
                SCOPED_TRACE(panel + which);
                const std::string legend = panel + "/*[local-name()='text'][@class='legend']";
                const std::string dashes =
                    single(panel + "/*[local-name()='polyline']" + which, "stroke-dasharray");
                EXPECT_EQ(dashes,
                          single(legend + which + "/preceding-sibling::*[1]", "stroke-dasharray"));
                EXPECT_EQ(curve > 0, !dashes.empty());
                if (curve == 1) {
                    EXPECT_EQ("legend", single(legend + which +
                                                   "[contains(., 'curve 2 of') and "
                                                   "contains(., 'dashed')]",
                                               "class"));
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
    std::string points = single(
        "//*[local-name()='g'][@data-title='Ink curves']/*[local-name()='polyline'][@data-ink="
        "'Black']",
        "points");
    std::replace(points.begin(), points.end(), ',', ' ');
    std::vector<double> drawn;  // x and y of each point
    for (const std::string& number : wordsOf(points)) {
        drawn.push_back(std::strtod(number.c_str(), nullptr));
    }
    ASSERT_EQ(8u, drawn.size()) << points;
    const double side = drawn[6] - drawn[0];
    EXPECT_GT(side, 100);
    EXPECT_NEAR(side, drawn[1] - drawn[7], 0.01);  // square, y grows downwards
    EXPECT_NEAR(drawn[0] + 0.25 * side, drawn[2], side / 255 + 0.01);
    EXPECT_NEAR(drawn[1] - 0.30 * side, drawn[3], side / 255 + 0.01);
    EXPECT_NEAR(drawn[1] - 0.80 * side, drawn[5], side / 255 + 0.01);

    // "-" writes the same picture to standard output, and nothing else.
    const ToolRun piped = tool({"curves", kAurora, kGlanz, kFotoMode, "--svg", "-"});
    EXPECT_EQ(0, piped.status) << piped.err;
    EXPECT_EQ(readFile(svg), piped.out);
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
    const std::string a = "Printers/Aurora 64/", b = "Printers/Borealis Épreuve 24";
    const std::string m = a + "Medias/", g = m + "Fotopapier/Glanz 260";
    const std::string unusable = ": name the library cannot use (invalid ";
    const std::vector<std::string> expected = {
        "Printers/.git: not a printer: no settings file .Settings.xml",
        a + ".~vexa-tmp.1.0..Settings.xml: temporary file left by a writer that died",
        a + ".Settings.xml: DefaultPageSize 'A0' is not among the printer's page sizes",
        m + "Fotopapier/*Stern" + unusable + "media name '*Stern': begins with '*'",
        m + "Grup[pe]" + unusable + "media group name 'Grup[pe]': holds '[' or ']'",
        g + "/.Settings.xml: JdfQualityModeDraft 'Nirgends' names a mode that is not there",
        g + "/Modes/720x720 Standard/.Settings.xml: resolution '9999x9999' is not one the "
            "printer offers",
        g + "/Modes/Tab\\x09Name" + unusable + "mode name 'Tab\\x09Name'",
        b + "/Medias: a file where the folder of medias belongs",
        b + "/.Settings.xml: DefaultMedia 'Normalpapier 90' names a media that is not there",
        a + ".Settings.xml: node 'Printer/PageSizes/3 1/2 x 5' is dropped when read: its name "
            "holds '/'",
        a + ".Settings.xml: node 'Printer/Extra/Stern*' is dropped when read: its name holds '*'",
        g + ": media folder marked .invalid",
        g + "/.MediaCostSettings.xml: does not parse",
        g + "/Modes/1440x1440 Foto/.Settings.xml: does not parse",
        g + "/Modes/写真 高画質: mode folder marked .invalid",
        m + "Fotopapier/Seidenmatt 240/.Settings.xml: empty settings file",
        m + "Leer/Ohne Einstellungen: media folder without settings file",
        m + "Leer/Ohne Einstellungen/Modes/Auch ohne: mode folder without settings file",
        b + ": printer folder marked .invalid",
        "Printers/Ohne Einstellungen: not a printer: no settings file .Settings.xml",
    };
    const std::vector<std::string> lines = linesOf(run.out);
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
    const std::string found = "/.~vexa-tmp.2.0..Settings.xml: temporary file left by a writer";
    EXPECT_NE(std::string::npos, tool({"check"}).out.find(kGlanzDir + found));
    EXPECT_TRUE(pathExists(live));
}

TEST_F(ToolTest, SettingsFileCommandsWorkOnNonAsciiPaths) {
    const std::string file = printerDir(kBorealis) + "/.Settings.xml";
    ToolRun run = tool({"tree", file});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ(0u, run.out.rfind("Printer ", 0)) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\n  DllDevice value=\"Borealis 24 Épreuve\""))
        << run.out;

    // Values of leaf nodes do not survive the brace format: --force writes
    // it anyway, and says so.
    const std::string brace = repo() + "/drucker ü.txt";
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
}

}  // namespace
}  // namespace test
}  // namespace vexa
