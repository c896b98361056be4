// Descriptions of a printer, a media and a mode: everything their readers
// hand out, as one JSON document each. The show commands print the document
// with --json and otherwise render it as sections of aligned text, so the
// two forms always hold the same values.
#ifndef VEXA_TOOL_DESCRIBE_H
#define VEXA_TOOL_DESCRIBE_H

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Access.h"
#include "ToolText.h"
#include "engine/EngineInk.h"
#include "repos/InkCfg.h"
#include "repos/InkLevels.h"

namespace vexa {
namespace tool {

Json describePrinter(const PrinterAccess& printer, repos::printer::PrinterReader& reader);
void printPrinter(std::ostream& out, const Json& description);

Json describeMedia(const MediaAccess& media, repos::printer::MediaReader& reader);
void printMedia(std::ostream& out, const Json& description);

Json describeMode(const ModeAccess& mode, repos::printer::ModeReader& reader);
void printMode(std::ostream& out, const Json& description);

// One drawn line of an ink curve set: curve `curve` of ink `ink`, its points
// as percentages (0-100) in order. A curve ends at the first point after
// point 0 whose x is 0.
struct CurveLine {
    std::string ink;
    int inkIndex;
    int curve;
    std::vector<std::pair<double, double>> points;
};
std::vector<CurveLine> curveLines(const SPINKCURVE& curves);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_DESCRIBE_H
