// vexa-repo curves PRINTER MEDIA MODE --svg FILE|- [--group GROUP]: draws
// the ink curves and level curves of a print mode as an SVG picture: one
// panel per kind, 0-100 % on both axes, one line per curve in the ink's
// colour (an ink's second and further curves dashed or dotted), a legend
// with one entry per line.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "Args.h"
#include "Command.h"
#include "Describe.h"

namespace vexa {
namespace tool {
namespace {

struct CurvesOptions {
    MediaArgs media;
    std::string mode;
    std::string svg;
};

const double kPlot = 360;  // side of a plot area
const double kLeft = 70;   // left edge of the first plot area
const double kTop = 80;    // top edge of the plot areas
const double kGap = 130;   // between the two panels
const double kLegendRow = 20;

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string number(double value) {
    char buffer[32];
    OsnprintfEx(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// A colour operators recognise for the usual ink names; others from a
// palette by position.
std::string inkColour(const std::string& ink, int index) {
    const std::string name = lowered(ink);
    const bool light = name.rfind("lt", 0) == 0 || name.rfind("light", 0) == 0 || name == "lc" ||
                       name == "lm" || name == "lk";
    const auto has = [&](const char* word) { return name.find(word) != std::string::npos; };
    if (has("cyan") || name == "c" || name == "lc")
        return light ? "#7fd3f7" : "#00a3e0";
    if (has("magenta") || name == "m" || name == "lm")
        return light ? "#f49ac1" : "#e4007c";
    if (has("yellow") || name == "y")
        return "#e6c200";
    if (has("black") || name == "k")
        return "#000000";
    if (has("grey") || has("gray") || name == "lk")
        return light ? "#b3b3b3" : "#808080";
    if (has("red"))
        return "#e53935";
    if (has("green"))
        return "#43a047";
    if (has("blue"))
        return "#1e63d6";
    if (has("orange"))
        return "#fb8c00";
    if (has("violet") || has("purple"))
        return "#8e24aa";
    static const char* const palette[] = {"#1b9e77", "#d95f02", "#7570b3", "#e7298a",
                                          "#66a61e", "#a6761d", "#666666", "#e6ab02"};
    return palette[index % 8];
}

// An ink's first curve is solid, its further ones dashed, dotted, ...
const char* dashes(int curve) {
    static const char* const patterns[] = {"", "6 3", "2 3", "8 3 2 3"};
    return patterns[curve % 4];
}

const char* dashName(int curve) {
    static const char* const names[] = {"solid", "dashed", "dotted", "dash-dotted"};
    return names[curve % 4];
}

// One panel: frame, grid every 10 %, labels every 20 %, the curves and a
// legend below. Returns the height the legend needs.
double drawPanel(std::ostream& svg, double left, const std::string& title,
                 const std::vector<CurveLine>& lines) {
    svg << "<g class=\"panel\" data-title=\"" << escaped(title) << "\">\n";
    svg << "<text class=\"panel-title\" x=\"" << number(left + kPlot / 2) << "\" y=\""
        << number(kTop - 12) << "\" text-anchor=\"middle\" font-size=\"16\">" << escaped(title)
        << "</text>\n";
    for (int step = 0; step <= 10; ++step) {
        const double at = kPlot * step / 10;
        const char* stroke = step == 0 || step == 10 ? "#000000" : "#dddddd";
        svg << "<line x1=\"" << number(left + at) << "\" y1=\"" << number(kTop) << "\" x2=\""
            << number(left + at) << "\" y2=\"" << number(kTop + kPlot) << "\" stroke=\"" << stroke
            << "\"/>\n";
        svg << "<line x1=\"" << number(left) << "\" y1=\"" << number(kTop + at) << "\" x2=\""
            << number(left + kPlot) << "\" y2=\"" << number(kTop + at) << "\" stroke=\"" << stroke
            << "\"/>\n";
        if (step % 2 == 0) {
            svg << "<text x=\"" << number(left + at) << "\" y=\"" << number(kTop + kPlot + 16)
                << "\" text-anchor=\"middle\" font-size=\"11\">" << step * 10 << " %</text>\n";
            svg << "<text x=\"" << number(left - 6) << "\" y=\"" << number(kTop + kPlot - at + 4)
                << "\" text-anchor=\"end\" font-size=\"11\">" << step * 10 << " %</text>\n";
        }
    }
    svg << "<text x=\"" << number(left + kPlot / 2) << "\" y=\"" << number(kTop + kPlot + 34)
        << "\" text-anchor=\"middle\" font-size=\"12\">input</text>\n";
    svg << "<text x=\"" << number(left - 48) << "\" y=\"" << number(kTop + kPlot / 2)
        << "\" text-anchor=\"middle\" font-size=\"12\" transform=\"rotate(-90 " << number(left - 48)
        << " " << number(kTop + kPlot / 2) << ")\">output</text>\n";
    if (lines.empty()) {
        svg << "<text x=\"" << number(left + kPlot / 2) << "\" y=\"" << number(kTop + kPlot / 2)
            << "\" text-anchor=\"middle\" font-size=\"14\">none</text>\n";
    }
    for (const CurveLine& line : lines) {
        svg << "<polyline class=\"curve\" data-ink=\"" << escaped(line.ink) << "\" data-curve=\""
            << line.curve << "\" fill=\"none\" stroke-width=\"2\" stroke=\""
            << inkColour(line.ink, line.inkIndex) << "\"";
        if (*dashes(line.curve) != '\0') {
            svg << " stroke-dasharray=\"" << dashes(line.curve) << "\"";
        }
        svg << " points=\"";
        for (std::size_t p = 0; p < line.points.size(); ++p) {
            svg << (p ? " " : "") << number(left + line.points[p].first / 100 * kPlot) << ","
                << number(kTop + kPlot - line.points[p].second / 100 * kPlot);
        }
        svg << "\"/>\n";
    }
    // Legend: one entry per line, drawn as the line is, so that the dashed
    // one reads as the ink's second curve.
    double y = kTop + kPlot + 60;
    for (const CurveLine& line : lines) {
        const int curves =
            static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const CurveLine& other) {
                return other.inkIndex == line.inkIndex;
            }));
        svg << "<line x1=\"" << number(left) << "\" y1=\"" << number(y - 4) << "\" x2=\""
            << number(left + 24) << "\" y2=\"" << number(y - 4) << "\" stroke-width=\"3\" stroke=\""
            << inkColour(line.ink, line.inkIndex) << "\"";
        if (*dashes(line.curve) != '\0') {
            svg << " stroke-dasharray=\"" << dashes(line.curve) << "\"";
        }
        svg << "/>\n";
        svg << "<text class=\"legend\" data-ink=\"" << escaped(line.ink) << "\" data-curve=\""
            << line.curve << "\" x=\"" << number(left + 32) << "\" y=\"" << number(y)
            << "\" font-size=\"12\">" << escaped(line.ink)
            << (curves > 1 ? ", curve " + std::to_string(line.curve + 1) + " of " +
                                 std::to_string(curves) + " (" + dashName(line.curve) + ")"
                           : std::string())
            << "</text>\n";
        y += kLegendRow;
    }
    svg << "</g>\n";
    return y - (kTop + kPlot + 60);
}

int drawCurves(const GlobalOptions& global, const CurvesOptions& options) {
    MediaChain chain;
    openMediaChain(global, options.media, chain);
    const MediaReaderPtr mediaReader = chain.media.reader();
    const ModeAccess mode = openMode(chain.media, mediaReader, options.mode);
    const ModeReaderPtr reader = mode.reader();
    const boost::shared_ptr<repos::InkCurve> inkCurves = reader->getInkCurves();
    const boost::shared_ptr<repos::InkCurve> levelCurves = reader->getLevelCurves();
    const std::vector<CurveLine> ink =
        inkCurves ? curveLines(*inkCurves->getSpInkCurve()) : std::vector<CurveLine>();
    const std::vector<CurveLine> level =
        levelCurves ? curveLines(*levelCurves->getSpInkCurve()) : std::vector<CurveLine>();
    if (ink.empty() && level.empty()) {
        throw ToolError(kNotFound, mode.label() + " has no ink or level curves");
    }

    std::ostringstream body;
    const double inkLegend = drawPanel(body, kLeft, "Ink curves", ink);
    const double levelLegend = drawPanel(body, kLeft + kPlot + kGap, "Level curves", level);
    const double legend = std::max(inkLegend, levelLegend);
    const double width = kLeft + 2 * kPlot + kGap + 40;
    const double height = kTop + kPlot + 60 + legend + 20;
    const bool toOutput = options.svg == "-";
    std::ofstream file;
    if (!toOutput) {
        file.open(options.svg, std::ios::binary | std::ios::trunc);
    }
    std::ostream& out = toOutput ? std::cout : file;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(width) << "\" height=\""
        << number(height) << "\" viewBox=\"0 0 " << number(width) << " " << number(height)
        << "\" font-family=\"sans-serif\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n"
        << "<text class=\"title\" x=\"" << number(kLeft) << "\" y=\"30\" font-size=\"18\">"
        << escaped("Mode '" + mode.name + "' of media '" + mode.media.legacy() + "' of printer '" +
                   mode.printer + "'")
        << "</text>\n"
        << body.str() << "</svg>\n";
    if (toOutput) {
        flushOutput();
        return kOk;
    }
    file.close();
    if (!file) {
        throw ToolError(kFailure, "cannot write '" + options.svg + "'");
    }
    if (!quiet()) {
        std::cout << options.svg << ": " << ink.size() << " ink curves, " << level.size()
                  << " level curves\n";
    }
    return kOk;
}

VEXA_REGISTER_COMMAND(curves, 340, [](CLI::App& app, const GlobalOptions& global) {
    auto options = std::make_shared<CurvesOptions>();
    CLI::App* command = app.add_subcommand(
        "curves",
        "Draw the ink curves and level curves of a print mode as an SVG picture (0-100 % on "
        "both axes, one line per curve in the ink's colour, an ink's second curve dashed, a "
        "legend naming each line)");
    addMediaArgs(*command, options->media);
    command->add_option("MODE", options->mode, "Mode name")->required();
    command
        ->add_option("--svg", options->svg,
                     "SVG file to write (replaced when it exists); - writes to standard output")
        ->type_name("FILE")
        ->required();
    return [&global, options]() { return drawCurves(global, *options); };
});

}  // namespace
}  // namespace tool
}  // namespace vexa
