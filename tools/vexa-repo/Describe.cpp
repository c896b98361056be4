#include "Describe.h"

#include <algorithm>
#include <map>
#include <set>

#include "Values.h"
#include "engine/EngineColor.h"
#include "engine/EngineDot.h"
#include "engine/EngineRes.h"
#include "engine/EngineScreen.h"
#include "repos/ColorDotInfo.h"
#include "repos/MediaCostSettings.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "repos/StringArrays.h"
#include "vfs/src/impl/DurableWrite.h"
#include "vfs/src/impl/FileObject.h"

namespace vexa {
namespace tool {

namespace {

// ---- Building blocks shared by the three descriptions ---------------------------

// The values of `keys`, in their order, typed (typedValue).
Json valuesObject(const std::vector<KeyInfo>& keys,
                  const std::vector<std::pair<std::string, std::string>>& values) {
    Json object = Json::object();
    for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) {
        object[values[i].first] = typedValue(keys[i], values[i].second);
    }
    return object;
}

Json textOrNull(const std::string& text) {
    return text.empty() ? Json() : Json(text);
}

// Rows of a string array as objects with the given column names; the
// columns in `numbers` hold numbers (numberOrText), an empty cell is null.
Json rowObjects(const SSTRAL* array, const std::vector<std::string>& columns,
                const std::set<std::string>& numbers = {}) {
    Json rows = Json::array();
    for (const std::vector<std::string>& texts : stralRows(array)) {
        Json row = Json::object();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::string text = c < texts.size() ? texts[c] : std::string();
            row[columns[c]] = numbers.count(columns[c]) ? numberOrText(text) : textOrNull(text);
        }
        rows.push_back(row);
    }
    return rows;
}

const std::vector<std::string>& screenColumns() {
    static const std::vector<std::string> columns = {"name",     "lpi",       "angle",
                                                     "function", "placement", "shades"};
    return columns;
}

const std::vector<std::string>& pageSizeColumns() {
    static const std::vector<std::string> columns = {"name", "width", "height", "access", "type",
                                                     "left", "top",   "right",  "bottom"};
    return columns;
}

Json screenSetups(const SCREENSETUP* first) {
    Json setups = Json::array();
    for (const SCREENSETUP* setup = first; setup != nullptr; setup = setup->next) {
        const std::string name = fieldText(setup->name, sizeof(setup->name));
        // A default set-up is one empty record.
        if (name.empty() && (setup->screens == nullptr || setup->screens->first == nullptr)) {
            continue;
        }
        setups.push_back({{"name", name},
                          {"screens", rowObjects(setup->screens, screenColumns(),
                                                 {"lpi", "angle", "placement", "shades"})}});
    }
    return setups;
}

Json inkCfgSummary(const SPINKCFG& cfg) {
    Json inks = Json::array();
    const int count = std::min<int>(cfg.ColorOrder.Count, SP_MAX_INKLEVELS);
    for (int i = 0; i < count; ++i) {
        inks.push_back(fieldText(cfg.ColorOrder.Names[i], SP_INKNAME_SIZE));
    }
    int units = 0;
    for (const SPINKUNITLUT* unit = cfg.InkUnits; unit != nullptr; unit = unit->next) {
        ++units;
    }
    Json sameInks = Json::array();
    if (cfg.SameInks != nullptr) {
        const int groups = std::min<int>(cfg.SameInks->GroupCount, SP_MAX_INKGROUPS);
        for (int g = 0; g < groups; ++g) {
            const SPINKGROUP& group = cfg.SameInks->Groups[g];
            Json names = Json::array();
            for (int k = 0; k < std::min<int>(group.InkCount, SP_MAX_GROUPINKS); ++k) {
                names.push_back(group.Inks[k] != nullptr ? group.Inks[k] : "");
            }
            sameInks.push_back(names);
        }
    }
    return {{"name", fieldText(cfg.Name, SP_RESNAME_SIZE)},
            {"colors", static_cast<int>(cfg.NumColor)},
            {"spotColors", static_cast<int>(cfg.NumSpotColor)},
            {"procBits", static_cast<int>(cfg.ProcBits)},
            {"outputBits", static_cast<int>(cfg.OutputBits)},
            {"inkType", cfg.InkType},
            {"inks", inks},
            {"inkUnits", units},
            {"sameInks", sameInks},
            {"variableDotLevels", static_cast<int>(cfg.VarDotLevelCount)}};
}

Json inkLevels(const boost::shared_ptr<repos::InkLevels>& levels) {
    Json entries = Json::array();
    if (levels) {
        for (const auto& entry : *levels->getSpInkLevel()) {
            entries.push_back({{"ink", entry.first}, {"level", entry.second}});
        }
    }
    return entries;
}

Json resolutionScales(const boost::shared_ptr<repos::ResScaleAdjust>& adjust) {
    Json scales = Json::array();
    for (const SPRESSCALEADJUST* record = adjust ? adjust->getSpResScaleAdjust() : nullptr;
         record != nullptr; record = record->next) {
        scales.push_back({{"resolution", fieldText(record->Resolution, SP_RESSCALE_NAME_SIZE)},
                          {"scaleX", record->scaleX},
                          {"scaleY", record->scaleY}});
    }
    return scales;
}

Json nameValueList(const std::map<wxString, wxString>& entries) {
    Json list = Json::array();
    for (const auto& entry : entries) {
        list.push_back({{"name", U(entry.first)}, {"value", textOrNull(U(entry.second))}});
    }
    return list;
}

Json curveSummary(const boost::shared_ptr<repos::InkCurve>& curves) {
    Json inks = Json::array();
    if (curves) {
        const SPINKCURVE* curve = curves->getSpInkCurve();
        const int count = std::min<int>(curve->InkCount, SP_MAX_CURVEINKS);
        for (int i = 0; i < count; ++i) {
            inks.push_back({{"ink", fieldText(curve->InkNames[i], SP_INKNAME_SIZE)},
                            {"curves", std::min<int>(curve->CurveCounts[i], SP_MAX_INKCURVES)}});
        }
    }
    return inks;
}

// ---- Rendering ---------------------------------------------------------------

void section(std::ostream& out, const std::string& title) {
    out << '\n' << title << '\n';
}

std::vector<std::vector<std::string>> tableRows(const Json& rows,
                                                const std::vector<std::string>& columns) {
    std::vector<std::vector<std::string>> table;
    for (const Json& row : rows) {
        std::vector<std::string> cells;
        for (const std::string& column : columns) {
            cells.push_back(row.contains(column) ? plain(row[column]) : std::string());
        }
        table.push_back(cells);
    }
    return table;
}

std::vector<std::string> upper(const std::vector<std::string>& columns) {
    std::vector<std::string> header;
    for (std::string column : columns) {
        std::string text;
        for (char c : column) {
            // "spotColors" -> "SPOT COLORS"
            if (c >= 'A' && c <= 'Z' && !text.empty()) {
                text += ' ';
            }
            text += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
        header.push_back(text);
    }
    return header;
}

void printRows(std::ostream& out, const Json& rows, const std::vector<std::string>& columns) {
    printTable(out, upper(columns), tableRows(rows, columns));
}

std::vector<std::pair<std::string, std::string>> valuePairs(const Json& values) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (auto it = values.begin(); it != values.end(); ++it) {
        pairs.emplace_back(it.key(), plain(it.value()));
    }
    return pairs;
}

std::string joinGroups(const Json& groups) {
    std::string text;
    for (const Json& group : groups) {
        std::string names;
        for (const Json& name : group) {
            names += (names.empty() ? "" : "+") + name.get<std::string>();
        }
        text += (text.empty() ? "" : ", ") + names;
    }
    return text;
}

void printInkCfgs(std::ostream& out, const Json& cfgs) {
    std::vector<std::vector<std::string>> rows;
    for (const Json& cfg : cfgs) {
        rows.push_back({plain(cfg["name"]), plain(cfg["colors"]), plain(cfg["spotColors"]),
                        plain(cfg["procBits"]) + "/" + plain(cfg["outputBits"]),
                        plain(cfg["inkType"]), plain(cfg["inks"]), joinGroups(cfg["sameInks"])});
    }
    printTable(out, {"NAME", "COLORS", "SPOTS", "BITS", "INK TYPE", "INKS", "SAME INKS"}, rows);
}

void printScreens(std::ostream& out, const Json& setups) {
    std::vector<std::vector<std::string>> rows;
    for (const Json& setup : setups) {
        for (const Json& screen : setup["screens"]) {
            std::vector<std::string> row = {plain(setup["name"])};
            for (const std::string& column : screenColumns()) {
                row.push_back(plain(screen[column]));
            }
            rows.push_back(row);
        }
        if (setup["screens"].empty()) {
            rows.push_back({plain(setup["name"])});
        }
    }
    printTable(out, {"SETUP", "SCREEN", "LPI", "ANGLE", "FUNCTION", "PLACEMENT", "SHADES"}, rows);
}

std::string mediaLabelOf(const Json& description) {
    return "'" + plain(description["legacy"]) + "' of printer '" + plain(description["printer"]) +
           "'";
}

}  // namespace

// ---- Printers ----------------------------------------------------------------

Json describePrinter(const PrinterAccess& printer, repos::printer::PrinterReader& reader) {
    Json d;
    d["printer"] = printer.name;
    d["folder"] = nativePath(printer.folder);
    d["values"] = valuesObject(printerKeys(), printerValues(reader, *printer.repository));
    const std::pair<wxString, wxString> media = reader.getDefaultMedia();
    d["defaultMedia"] = media.second.empty()
                            ? Json()
                            : Json({{"group", U(media.first)}, {"media", U(media.second)}});

    d["pageSizes"] = rowObjects(reader.getPageSizes()->getStral(), pageSizeColumns(),
                                {"width", "height", "access", "left", "top", "right", "bottom"});
    d["ports"] = rowObjects(reader.getPortList()->getStral(), {"name", "type", "value"});

    std::vector<std::string> defaults;
    for (const std::vector<std::string>& row :
         stralRows(reader.getDefaultResolutions()->getStral())) {
        if (!row.empty()) {
            defaults.push_back(row.front());
        }
    }
    Json resolutions = Json::array();
    for (const boost::shared_ptr<repos::ResData>& res : reader.getDeviceResolutions()) {
        Json aliases = Json::array();
        for (const wxString& alias : res->alias) {
            aliases.push_back(U(alias));
        }
        const std::string name = U(res->resolution);
        const bool isDefault = std::find(defaults.begin(), defaults.end(), name) != defaults.end();
        resolutions.push_back({{"resolution", name}, {"default", isDefault}, {"aliases", aliases}});
    }
    d["resolutions"] = resolutions;
    d["defaultResolutions"] = defaults;

    Json inkTypes = Json::array();
    const boost::shared_ptr<repos::InkType> types = reader.getInkTypes();
    for (const SPINKTYPE* type = types ? types->getSpInkType() : nullptr; type != nullptr;
         type = type->next) {
        inkTypes.push_back({{"type", type->Type},
                            {"name", fieldText(type->Name, SP_INKTYPE_NAME_SIZE)},
                            {"durability", type->Durability}});
    }
    d["inkTypes"] = inkTypes;

    Json cfgs = Json::array();
    for (const boost::shared_ptr<repos::InkCfg>& cfg : reader.getInkCfgs()) {
        cfgs.push_back(inkCfgSummary(*cfg->getSpInkCfg()));
    }
    d["inkConfigurations"] = cfgs;

    const dotinfo* dots = reader.getDotInfo()->getDotInfo();
    Json groups = Json::array();
    for (const dotresgroup* group = dots->first; group != nullptr; group = group->next) {
        Json units = Json::array();
        for (const dotresunit* unit = group->units; unit != nullptr; unit = unit->next) {
            units.push_back({{"name", fieldText(unit->name, DOT_UNITNAME_SIZE)},
                             {"scales", rowObjects(unit->scales, {"name", "scale", "value"},
                                                   {"scale", "value"})}});
        }
        groups.push_back({{"name", fieldText(group->name, DOT_GROUPNAME_SIZE)}, {"units", units}});
    }
    d["dotInfo"] = {{"units", fieldText(dots->units, DOT_UNITS_SIZE)}, {"groups", groups}};
    d["screenSetups"] = screenSetups(reader.getScreenSetups()->getScreenSetup());

    Json medias = Json::array();
    for (const auto& group : reader.getMediaList()) {
        Json names = Json::array();
        for (const auto& entry : group.second) {
            names.push_back(U(entry.first));
        }
        medias.push_back({{"group", U(group.first)}, {"medias", names}});
    }
    d["medias"] = medias;
    return d;
}

void printPrinter(std::ostream& out, const Json& d) {
    out << "Printer '" << plain(d["printer"]) << "' in " << plain(d["folder"]) << '\n';
    section(out, "Values");
    printValues(out, valuePairs(d["values"]));
    section(out, "Page sizes");
    printRows(out, d["pageSizes"], pageSizeColumns());
    section(out, "Ports");
    printRows(out, d["ports"], {"name", "type", "value"});
    section(out, "Resolutions");
    std::vector<std::vector<std::string>> rows;
    for (const Json& res : d["resolutions"]) {
        rows.push_back({plain(res["resolution"]), res["default"].get<bool>() ? "yes" : "no",
                        plain(res["aliases"])});
    }
    for (const Json& name : d["defaultResolutions"]) {
        const bool listed = std::any_of(d["resolutions"].begin(), d["resolutions"].end(),
                                        [&](const Json& res) { return res["resolution"] == name; });
        if (!listed) {
            rows.push_back({plain(name), "yes (not a device resolution)", ""});
        }
    }
    printTable(out, {"RESOLUTION", "DEFAULT", "ALIASES"}, rows);
    section(out, "Ink types");
    printRows(out, d["inkTypes"], {"type", "name", "durability"});
    section(out, "Ink configurations");
    printInkCfgs(out, d["inkConfigurations"]);
    section(out, "Dot info (units: " + plain(d["dotInfo"]["units"]) + ")");
    rows.clear();
    for (const Json& group : d["dotInfo"]["groups"]) {
        for (const Json& unit : group["units"]) {
            for (const Json& scale : unit["scales"]) {
                rows.push_back({plain(group["name"]), plain(unit["name"]), plain(scale["name"]),
                                plain(scale["scale"]), plain(scale["value"])});
            }
        }
    }
    printTable(out, {"GROUP", "UNIT", "NAME", "SCALE", "VALUE"}, rows);
    section(out, "Screen setups");
    printScreens(out, d["screenSetups"]);
    section(out, "Medias");
    rows.clear();
    for (const Json& group : d["medias"]) {
        for (const Json& media : group["medias"]) {
            const bool isDefault = d["defaultMedia"]["media"] == media &&
                                   (d["defaultMedia"]["group"] == group["group"] ||
                                    (d["defaultMedia"]["group"] == "" &&
                                     group["group"] == U(repos::printer::kUngroupedGroup)));
            rows.push_back({plain(group["group"]), plain(media), isDefault ? "yes" : ""});
        }
    }
    printTable(out, {"GROUP", "MEDIA", "DEFAULT"}, rows);
}

// ---- Medias ------------------------------------------------------------------

Json describeMedia(const MediaAccess& media, repos::printer::MediaReader& reader) {
    Json d;
    d["printer"] = media.printer;
    d["media"] = media.name.media;
    d["group"] = media.name.group;
    d["legacy"] = media.name.legacy();
    d["folder"] = nativePath(media.folder);
    d["valid"] = reader.isValid();
    d["values"] = valuesObject(mediaKeys(), mediaValues(reader));

    Json pageSizes = Json::array();
    for (const wxString& name : *reader.getPageSizes()) {
        pageSizes.push_back(U(name));
    }
    d["pageSizes"] = pageSizes;
    d["passes"] = rowObjects(reader.getPassInfo()->getStral(), {"value", "id"}, {"value"});
    d["inkConfiguration"] = inkCfgSummary(*reader.getInkCfg()->getSpInkCfg());

    const _SP_COLOR_INFO* color = reader.getColorInfo()->getSpColorInfo();
    Json spots = Json::array();
    for (int i = 0; i < std::min<int>(color->NumSpotColor, SP_MAX_SPOTCOLORS); ++i) {
        const SP_SPOT_INFO& spot = color->Spots[i];
        Json samples = Json::array();
        for (int s = 0; s < std::min<int>(spot.samples, SP_MAX_SPOTSAMPLES); ++s) {
            samples.push_back(spot.SampleValues[s]);
        }
        spots.push_back({{"name", fieldText(color->SpotNames[i], SP_SPOTNAME_SIZE)},
                         {"bitsPerSample", spot.bitspersample},
                         {"samples", samples}});
    }
    d["colorInfo"] = {{"colors", color->NumColor},
                      {"spotColors", color->NumSpotColor},
                      {"hiFiMode", color->HiFiMode},
                      {"photometric", color->Photometric},
                      {"spots", spots}};
    d["resolutionScales"] = resolutionScales(reader.getResScaleAdjust());

    // Asking for the costs creates a missing cost file: only read one that is there.
    Json costs;
    if (isFile(existingChild(media.folder, U(repos::kMediaCostFileName)))) {
        const boost::shared_ptr<repos::MediaCostSettings> settings = reader.getMediaCostSettings();
        Json sizes = Json::array();
        for (const auto& entry : settings->getPageSizeCosts()) {
            sizes.push_back({{"size", U(entry.first)}, {"cost", entry.second}});
        }
        costs = {{"areaBased", settings->getAreaBasedCost()}, {"pageSizes", sizes}};
    }
    d["costs"] = costs;

    Json modes = Json::array();
    for (const auto& entry : reader.getModeList()) {
        modes.push_back(U(entry.first));
    }
    d["modes"] = modes;
    return d;
}

void printMedia(std::ostream& out, const Json& d) {
    out << "Media " << mediaLabelOf(d) << " in " << plain(d["folder"]) << '\n';
    section(out, "Values");
    std::vector<std::pair<std::string, std::string>> values = {
        {"Media", plain(d["media"])}, {"Group", plain(d["group"])}, {"Valid", plain(d["valid"])}};
    for (const auto& value : valuePairs(d["values"])) {
        values.push_back(value);
    }
    printValues(out, values);
    section(out, "Page sizes");
    std::vector<std::vector<std::string>> rows;
    for (const Json& name : d["pageSizes"]) {
        rows.push_back({plain(name)});
    }
    printTable(out, {"NAME"}, rows);
    section(out, "Passes");
    printRows(out, d["passes"], {"value", "id"});
    section(out, "Ink configuration");
    printInkCfgs(out, Json::array({d["inkConfiguration"]}));
    section(out, "Colour info");
    const Json& color = d["colorInfo"];
    printValues(out, {{"Colors", plain(color["colors"])},
                      {"SpotColors", plain(color["spotColors"])},
                      {"HiFiMode", plain(color["hiFiMode"])},
                      {"Photometric", plain(color["photometric"])}});
    if (!color["spots"].empty()) {
        printRows(out, color["spots"], {"name", "bitsPerSample", "samples"});
    }
    section(out, "Resolution scales");
    printRows(out, d["resolutionScales"], {"resolution", "scaleX", "scaleY"});
    section(out, "Costs");
    if (d["costs"].is_null()) {
        out << "  (no cost file)\n";
    } else {
        printValues(out, {{"AreaBased", plain(d["costs"]["areaBased"])}});
        printRows(out, d["costs"]["pageSizes"], {"size", "cost"});
    }
    section(out, "Modes");
    rows.clear();
    for (const Json& mode : d["modes"]) {
        rows.push_back({plain(mode), mode == d["values"]["DefaultMode"] ? "yes" : ""});
    }
    printTable(out, {"MODE", "DEFAULT"}, rows);
}

// ---- Modes -------------------------------------------------------------------

std::vector<CurveLine> curveLines(const SPINKCURVE& curves) {
    std::vector<CurveLine> lines;
    const int inks = std::min<int>(curves.InkCount, SP_MAX_CURVEINKS);
    for (int i = 0; i < inks; ++i) {
        const int count = std::min<int>(curves.CurveCounts[i], SP_MAX_INKCURVES);
        for (int c = 0; c < count; ++c) {
            CurveLine line{fieldText(curves.InkNames[i], SP_INKNAME_SIZE), i, c, {}};
            const SPCURVEDEF& curve = curves.Curves[i][c];
            for (int p = 0; p < SP_CURVE_POINTS; ++p) {
                if (p > 0 && curve.Points[p].x == 0) {
                    break;
                }
                line.points.emplace_back(curve.Points[p].x / 2.55, curve.Points[p].y / 2.55);
            }
            lines.push_back(line);
        }
    }
    return lines;
}

namespace {

// The profile files of a mode folder: every file not starting with '.', a
// link file "<profile>.Link" standing for its profile.
Json profiles(const ModeAccess& mode, repos::printer::ModeReader& reader) {
    std::set<std::string> seen;
    Json list = Json::array();
    const vfs::FileObjectListPtr children = mode.folder->getChildren();
    for (const vfs::FileObjectPtr& file : *children) {
        const std::string name = U(file->getBaseName());
        if (!isFile(file) || name.empty() || name[0] == '.' ||
            vfs::isTemporaryName(file->getBaseName())) {
            continue;
        }
        std::string profile = name;
        bool link = false;
        if (profile.size() > 5 &&
            W(profile.substr(profile.size() - 5)).IsSameAs(wxT(".Link"), false)) {
            profile = profile.substr(0, profile.size() - 5);
            link = true;
        }
        if (!seen.insert(profile).second) {
            continue;  // a profile and its link: the file wins, as when it is looked up
        }
        list.push_back({{"name", profile},
                        {"link", link && !isFile(existingChild(mode.folder, profile))},
                        {"location", textOrNull(U(reader.getProfileLocation(W(profile))))}});
    }
    return list;
}

}  // namespace

Json describeMode(const ModeAccess& mode, repos::printer::ModeReader& reader) {
    Json d;
    d["printer"] = mode.printer;
    d["media"] = mode.media.media;
    d["group"] = mode.media.group;
    d["legacy"] = mode.media.legacy();
    d["mode"] = mode.name;
    d["folder"] = nativePath(mode.folder);
    d["valid"] = reader.isValid();
    const double quality = reader.getUserQualityAssessment();
    d["values"] = {
        {"Pattern", textOrNull(U(reader.getPattern()))},
        {"Res", textOrNull(U(reader.getResolution()))},
        {"ResAlias", textOrNull(U(reader.getResolutionAlias()))},
        {"UserQualityAssessment",
         quality == repos::printer::ModeReader::kNoQualityAssessment ? Json() : Json(quality)}};
    d["inkLimits"] = inkLevels(reader.getInkLimits());
    d["dropAdjustments"] = inkLevels(reader.getDropAdjust());
    d["transitionControl"] = inkLevels(reader.getTransCtrl());
    const boost::shared_ptr<repos::InkCfg> cfg = reader.getInkCfg();
    d["inkConfiguration"] = cfg ? inkCfgSummary(*cfg->getSpInkCfg()) : Json();
    const boost::shared_ptr<repos::ScreenSetup> screens = reader.getScreenSetups();
    d["screenSetups"] = screens ? screenSetups(screens->getScreenSetup()) : Json::array();
    d["resolutionScales"] = resolutionScales(reader.getResScaleAdjust());
    const boost::shared_ptr<std::map<wxString, wxString>> options = reader.getPrinterOptions();
    d["printerOptions"] = nameValueList(options ? *options : std::map<wxString, wxString>());
    d["tableDefaults"] = nameValueList(reader.getTableDefaults());
    d["profiles"] = profiles(mode, reader);
    d["curves"] = {{"ink", curveSummary(reader.getInkCurves())},
                   {"level", curveSummary(reader.getLevelCurves())}};
    return d;
}

void printMode(std::ostream& out, const Json& d) {
    out << "Mode '" << plain(d["mode"]) << "' of media " << mediaLabelOf(d) << " in "
        << plain(d["folder"]) << '\n';
    section(out, "Values");
    std::vector<std::pair<std::string, std::string>> values = {{"Valid", plain(d["valid"])}};
    for (const auto& value : valuePairs(d["values"])) {
        values.push_back(value);
    }
    printValues(out, values);
    section(out, "Ink limits");
    printRows(out, d["inkLimits"], {"ink", "level"});
    section(out, "Drop adjustments");
    printRows(out, d["dropAdjustments"], {"ink", "level"});
    section(out, "Transition control");
    printRows(out, d["transitionControl"], {"ink", "level"});
    section(out, "Ink configuration");
    printInkCfgs(out, d["inkConfiguration"].is_null() ? Json::array()
                                                      : Json::array({d["inkConfiguration"]}));
    section(out, "Screen setups");
    printScreens(out, d["screenSetups"]);
    section(out, "Resolution scales");
    printRows(out, d["resolutionScales"], {"resolution", "scaleX", "scaleY"});
    section(out, "Printer options");
    printRows(out, d["printerOptions"], {"name", "value"});
    section(out, "Table defaults");
    printRows(out, d["tableDefaults"], {"name", "value"});
    section(out, "Profiles");
    std::vector<std::vector<std::string>> rows;
    for (const Json& profile : d["profiles"]) {
        const std::string location = plain(profile["location"]);
        rows.push_back({plain(profile["name"]), profile["link"].get<bool>() ? "link" : "file",
                        location.empty() ? "(missing)" : location});
    }
    printTable(out, {"NAME", "KIND", "LOCATION"}, rows);
    section(out, "Curves");
    rows.clear();
    for (const char* kind : {"ink", "level"}) {
        for (const Json& ink : d["curves"][kind]) {
            rows.push_back({kind, plain(ink["ink"]), plain(ink["curves"])});
        }
    }
    printTable(out, {"KIND", "INK", "CURVES"}, rows);
}

}  // namespace tool
}  // namespace vexa
