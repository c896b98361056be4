// Plain descriptions of a settings repository: printers with their medias and
// modes and every value they hold, as vexa-make-repo writes them and as the
// sample test expects to read them back.
//
// Standard types only (texts are UTF-8 std::string): a description does not
// depend on the library it is checked against, so a change in how the
// library maps a value shows as a difference, not as a silent agreement.
//
// Numbers are given as the engine structures hold them, with two
// exceptions named where they occur: points of ink curves are percentages
// (the structure holds 2.55 times them), and ink unit counts are the stored
// numbers (the structure holds 1000 times them).
#ifndef VEXA_TOOLS_MAKEREPO_REPODESC_H
#define VEXA_TOOLS_MAKEREPO_REPODESC_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexa {
namespace makerepo {

// The group folder of medias without group.
inline const char* const kUngrouped = "_Ungrouped_";

// ---- Ink values -------------------------------------------------------------

// One point of a curve, in percent (0..100).
struct CurvePoint {
    int x;
    int y;
};
typedef std::vector<CurvePoint> PointCurve;

// One entry of a level table or of a per-ink level map.
struct LevelEntry {
    std::string ink;  // at most 9 bytes
    int level;
};
typedef std::vector<LevelEntry> LevelTable;

// One entry of an ink configuration's colour order.
struct ColorOrderEntry {
    std::string ink;  // at most 9 bytes
    int level;
    std::string alias;  // at most 9 bytes
    float lab[3];       // CIE L*, a*, b*
};

struct InkUnitDesc {
    std::string res;
    std::string channel;
    unsigned baseCount;           // as stored; the structure holds 1000 times it
    float dotVolume;              // picolitres
    std::vector<unsigned> units;  // as stored (times 1000 in the structure)
};

struct VarDotChannelDesc {
    std::string ink;
    PointCurve coverage;
    std::vector<PointCurve> transitions;  // level t to t+1
};

struct InkCfgDesc {
    std::string name;
    int numColor = 0;
    int numSpotColor = 0;
    int photometric = 0;  // kept by the engine: the writer leaves it in place
    int hiFiMode = 0;     // likewise
    bool blackAbility = false;
    int procBits = 0;
    int outputBits = 0;
    std::uint32_t procOpts = 0;
    std::uint32_t inkType = 0;
    int labelVal = 0;
    std::vector<ColorOrderEntry> colorOrder;
    // One row per level (0 .. highest colour-order level), 1 << procBits
    // entries each.
    std::vector<std::vector<int>> levelLut;
    std::vector<LevelTable> mlInfo;  // one table per process colour
    // Units: one entry per variable-dot level plus one (two without levels).
    std::vector<InkUnitDesc> inkUnits;
    std::vector<std::vector<std::string>> sameInks;  // groups of ink names
    std::vector<int> varDotLevels;                   // kept by the engine
    std::vector<VarDotChannelDesc> varDotChannels;   // a channel table when set
};

// One ink of an ink curve set with its curves.
struct InkCurveDesc {
    std::string ink;  // at most 9 bytes
    std::vector<PointCurve> curves;
};

// ---- Printer values ---------------------------------------------------------

struct InkTypeDesc {
    unsigned type;
    std::string name;
    double durability;
};

struct ResDataDesc {
    std::string resolution;
    std::string replicate;
    std::string dupCount;
    std::vector<std::string> aliases;
    std::uint32_t lineBytes;
    std::int32_t densityFlag;
    std::uint32_t procOpts;
    std::uint32_t procOptsMask;
};

// A page size row: name, width, height, access, type and, when `left` is
// not empty, the four margins.
struct PageSizeDesc {
    std::string name, width, height, access, type, left, top, right, bottom;
};

struct PortDesc {
    std::string name, type, value;
};

struct ScreenDesc {
    std::string name, lpi, angle, function, placement, shades;
};

struct ScreenSetupDesc {
    std::string name;
    std::vector<ScreenDesc> screens;
};

struct DotScaleRow {
    std::string name, scale, value;
};

struct DotUnitDesc {
    std::string name;
    std::vector<DotScaleRow> rows;
};

struct DotGroupDesc {
    std::string name;
    std::vector<DotUnitDesc> units;
};

struct DotInfoDesc {
    std::string units;
    std::vector<DotGroupDesc> groups;
};

// ---- Media values -----------------------------------------------------------

struct SpotDesc {
    std::string name;  // at most 39 bytes
    unsigned bitsPerSample;
    int photometric;
    int opacity;                    // 0..255, as the engine holds it
    std::vector<unsigned> samples;  // at most 12
};

struct ColorInfoDesc {
    int numColor = 0;
    unsigned hiFiMode = 0;
    unsigned photometric = 0;
    std::vector<SpotDesc> spots;  // NumSpotColor is their number
};

struct ResScaleDesc {
    std::string resolution;
    double scaleX;
    double scaleY;
};

struct PassDesc {
    std::string value, id;
};

struct CostDesc {
    double areaBasedCost;
    std::vector<std::pair<std::string, double>> pageSizeCosts;
};

// A file of a folder, by name and bytes.
struct FileDesc {
    std::string name;
    std::string bytes;
};

// A link file "<name>.Link" whose first line is `target`, a path relative to
// the mode folder.
struct LinkDesc {
    std::string name;
    std::string target;
};

struct ModeDesc {
    std::string name;
    std::string pattern;
    std::string resolution;
    std::string resolutionAlias;
    std::optional<InkCfgDesc> inkCfg;
    LevelTable inkLimits;
    LevelTable transitionControl;
    // The drop adjustment per ink, or the older single number.
    std::optional<LevelTable> dropAdjusts;
    std::optional<int> legacyDropAdjust;
    std::vector<ScreenSetupDesc> screenSetups;
    std::vector<InkCurveDesc> levelCurves;
    std::vector<InkCurveDesc> inkCurves;
    std::vector<ResScaleDesc> resScaleAdjust;
    // Table defaults: the three entries the writer sets, and others.
    std::string calibration;  // "Calb"
    std::string mediaModel;   // "LnMM"
    std::string namedColor;   // "NmClr"
    std::vector<std::pair<std::string, std::string>> otherTableDefaults;
    std::optional<double> userQualityAssessment;  // six decimals at most
    std::vector<std::pair<std::string, std::string>> printerOptions;
    std::vector<FileDesc> files;  // profiles and other host files
    std::vector<LinkDesc> links;
};

struct MediaDesc {
    std::string group;  // kUngrouped for none
    std::string name;
    InkCfgDesc inkCfg;
    ColorInfoDesc colorInfo;
    std::vector<ResScaleDesc> resScaleAdjust;
    std::vector<std::string> pageSizes;
    std::vector<PassDesc> passes;
    int labelChannel = 0;
    std::string defaultMode;
    std::string jdfAlias;
    std::string jdfHigh;
    std::string jdfNormal;
    std::string jdfDraft;
    std::optional<CostDesc> costs;
    std::optional<std::string> engineBlob;  // ".SPSettings.dat"
    std::vector<ModeDesc> modes;
};

struct PrinterDesc {
    std::string name;  // the folder name
    std::string deviceName;
    std::string dllModule;
    std::string ppdFile;
    bool active = true;
    std::string portName;
    std::string portData;
    std::string tcpPortAdd;
    std::string tcpPortDefault;
    std::string virtualPrinterExtension;
    std::string defaultPageSize;
    std::string defaultMediaGroup;
    std::string defaultMediaName;
    DotInfoDesc dotInfo;
    std::vector<InkTypeDesc> inkTypes;
    std::vector<PageSizeDesc> pageSizes;
    std::vector<PortDesc> ports;
    std::vector<ScreenSetupDesc> screenSetups;
    std::vector<std::string> defaultResolutions;
    std::vector<ResDataDesc> resData;
    std::vector<InkCfgDesc> inkCfgs;
    std::vector<FileDesc> swatches;         // "Shared/<name>.SDef"
    std::optional<std::string> engineBlob;  // ".SPSettings.dat"
    std::vector<MediaDesc> medias;
};

struct RepositoryDesc {
    std::vector<PrinterDesc> printers;
};

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_REPODESC_H
