// The bundled sample repository (examples/db): every value it holds.
//
// vexa-make-repo writes the sample from these values and the sample test
// reads the committed tree back and compares it with them, so a change on
// either side shows as a failing test. The makers, models, inks and media
// are invented. The values touch every settings key of printers, medias and
// modes, with non-ASCII names and texts among them.
#ifndef VEXA_TOOLS_MAKEREPO_SAMPLEDATA_H
#define VEXA_TOOLS_MAKEREPO_SAMPLEDATA_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "RepoDesc.h"

namespace vexa {
namespace makerepo {

// `size` bytes of every value (zero bytes included) drawn from a generator
// seeded by `tag`: the same tag gives the same bytes on every machine.
inline std::string sampleBytes(const std::string& tag, std::size_t size) {
    std::uint32_t state = 2166136261u;  // FNV-1a of the tag as the seed
    for (unsigned char c : tag) {
        state = (state ^ c) * 16777619u;
    }
    std::string bytes;
    bytes.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.push_back(static_cast<char>(state >> 24));
    }
    return bytes;
}

// ---- Ink configurations -------------------------------------------------------

// Eight inks with variable dots in three sizes and a channel table.
inline InkCfgDesc sampleInkCfg8(const std::string& name) {
    InkCfgDesc c;
    c.name = name;
    c.numColor = 8;
    c.photometric = 5;
    c.hiFiMode = 1;
    c.blackAbility = true;
    c.procBits = 2;
    c.outputBits = 2;
    c.procOpts = 0x00000041;
    c.inkType = 1;
    c.labelVal = 3;
    c.colorOrder = {
        {"Cyan", 3, "C", {55.25f, -37.5f, -50.0f}},  {"Magenta", 3, "M", {48.0f, 74.25f, -3.5f}},
        {"Yellow", 3, "Y", {89.5f, -5.0f, 93.75f}},  {"Black", 3, "K", {16.0f, 0.5f, -0.25f}},
        {"LtCyan", 3, "c", {74.0f, -20.5f, -25.0f}}, {"LtMagenta", 3, "m", {71.5f, 36.0f, -6.25f}},
        {"Grey", 3, "k", {50.0f, 0.0f, -1.0f}},      {"LtGrey", 3, "kk", {74.75f, 0.0f, -1.5f}}};
    c.levelLut = {{0, 1, 2, 3}, {0, 1, 1, 2}, {0, 0, 1, 2}, {0, 0, 1, 1}};
    c.mlInfo = {{{"Cyan", 255}, {"LtCyan", 85}},
                {{"Magenta", 255}, {"LtMagenta", 85}},
                {{"Yellow", 255}},
                {{"Black", 255}, {"Grey", 120}, {"LtGrey", 40}},
                {{"LtCyan", 255}},
                {{"LtMagenta", 255}},
                {{"Grey", 255}},
                {{"LtGrey", 255}}};
    c.inkUnits = {{"720x720", "Cyan", 1200, 4.5f, {0, 35, 70, 100, 140}},
                  {"720x720", "Black", 1250, 5.25f, {0, 40, 75, 110, 150}},
                  {"1440x1440", "Cyan", 2400, 3.5f, {0, 30, 60, 90, 120}}};
    c.sameInks = {{"Cyan", "LtCyan"}, {"Magenta", "LtMagenta"}, {"Black", "Grey", "LtGrey"}};
    c.varDotLevels = {0, 3, 7, 12};
    c.varDotChannels = {{"Cyan",
                         {{0, 0}, {25, 18}, {50, 42}, {100, 100}},
                         {{{0, 0}, {40, 60}, {100, 100}},
                          {{0, 0}, {50, 55}, {100, 100}},
                          {{0, 0}, {60, 52}, {100, 100}}}},
                        {"Black",
                         {{0, 0}, {30, 22}, {100, 100}},
                         {{{0, 0}, {35, 65}, {100, 100}},
                          {{0, 0}, {45, 58}, {100, 100}},
                          {{0, 0}, {55, 50}, {100, 100}}}}};
    return c;
}

// Six inks, one bit per dot, one ink unit, no variable dots.
inline InkCfgDesc sampleInkCfg6(const std::string& name) {
    InkCfgDesc c;
    c.name = name;
    c.numColor = 6;
    c.photometric = 5;
    c.procBits = 2;
    c.outputBits = 1;
    c.procOpts = 0x00000001;
    c.inkType = 2;
    c.colorOrder = {
        {"Cyan", 1, "C", {54.0f, -36.0f, -49.5f}},   {"Magenta", 1, "M", {47.5f, 73.0f, -4.0f}},
        {"Yellow", 1, "Y", {88.0f, -6.0f, 91.25f}},  {"Black", 1, "K", {18.5f, 0.0f, 0.0f}},
        {"LtCyan", 1, "c", {73.0f, -19.0f, -24.5f}}, {"LtMagenta", 1, "m", {70.0f, 35.5f, -7.0f}}};
    c.levelLut = {{0, 1, 1, 1}, {0, 0, 1, 1}};
    c.mlInfo = {{{"Cyan", 255}, {"LtCyan", 96}},
                {{"Magenta", 255}, {"LtMagenta", 96}},
                {{"Yellow", 255}},
                {{"Black", 255}},
                {{"LtCyan", 255}},
                {{"LtMagenta", 255}}};
    c.inkUnits = {{"720x720", "Black", 900, 6.0f, {0, 100}}};
    c.sameInks = {{"Cyan", "LtCyan"}};
    return c;
}

// ---- Screens, curves, mode values ---------------------------------------------------

inline std::vector<ScreenSetupDesc> samplePrinterScreens() {
    return {{"Standard AM",
             {{"Cyan", "150", "15", "round", "0", "256"},
              {"Magenta", "150", "75", "round", "0", "256"},
              {"Yellow", "150", "0", "round", "0", "256"},
              {"Black", "150", "45", "ellipse", "0", "256"}}},
            {"Fein FM 20 µm", {{"Alle", "0", "0", "stochastic", "1", "256"}}}};
}

inline std::vector<ScreenSetupDesc> sampleModeScreens(const std::string& name) {
    return {{name,
             {{"Cyan", "0", "0", "stochastisch", "1", "256"},
              {"Black", "0", "0", "stochastisch", "1", "256"}}}};
}

inline std::vector<InkCurveDesc> sampleLevelCurves() {
    return {{"Cyan", {{{0, 0}, {50, 45}, {100, 100}}, {{0, 0}, {30, 20}, {100, 90}}}},
            {"Magenta", {{{0, 0}, {50, 48}, {100, 100}}}}};
}

inline std::vector<InkCurveDesc> sampleInkCurves() {
    return {{"Black", {{{0, 0}, {25, 30}, {75, 80}, {100, 100}}}},
            {"LtGrey", {{{0, 0}, {60, 55}, {100, 97}}}}};
}

// A mode with every value (the profile files are added per mode).
inline ModeDesc sampleFullMode(const std::string& name, const std::string& resolution,
                               const std::string& alias, const InkCfgDesc& cfg) {
    ModeDesc m;
    m.name = name;
    m.pattern = "FM Stufe 3";
    m.resolution = resolution;
    m.resolutionAlias = alias;
    m.inkCfg = cfg;
    m.inkLimits = {{"Cyan", 92}, {"Magenta", 90}, {"Yellow", 88}, {"Black", 100}};
    m.transitionControl = {{"Cyan", 40}, {"LtCyan", 60}, {"Magenta", 42}, {"LtMagenta", 58}};
    m.dropAdjusts = LevelTable{{"Black", 3}, {"Cyan", 2}, {"Grey", -1}};
    m.screenSetups = sampleModeScreens(name + " FM");
    m.levelCurves = sampleLevelCurves();
    m.inkCurves = sampleInkCurves();
    m.resScaleAdjust = {{resolution, 1.00025, 0.9998}};
    m.calibration = name + ".cal";
    m.mediaModel = "Modell " + name;
    m.namedColor = "Hausfarben Fächer";
    m.otherTableDefaults = {{"Sep", "GCR mittel"}};
    m.userQualityAssessment = 0.875;
    m.printerOptions = {{"Bidirektional", "ja"},
                        {"Kopfhöhe", "2.5 mm"},
                        {"Trocknungszeit", "30"},
                        {"メモ", "光沢紙 用"}};
    return m;
}

// ---- The repository -------------------------------------------------------------

inline PrinterDesc sampleAurora() {
    PrinterDesc p;
    p.name = "Aurora 64";
    p.deviceName = "Aurora 64 Wide";
    p.dllModule = "aurora64drv.so";
    p.ppdFile = "Aurora64-Wide.ppd";
    p.active = true;
    p.portName = "TCPIP";
    p.portData = "192.0.2.64:9100";
    p.tcpPortAdd = "9101";
    p.tcpPortDefault = "9100";
    p.virtualPrinterExtension = "vxj";
    p.defaultPageSize = "A1";
    p.defaultMediaGroup = "Fotopapier";
    p.defaultMediaName = "Glanz 260";
    p.dotInfo = {"dpi",
                 {{"Standard",
                   {{"720x720", {{"Klein", "1", "3.5"}, {"Mittel", "2", "7"}, {"Groß", "3", "12"}}},
                    {"1440x720", {{"Klein", "1", "3"}, {"Groß", "2", "9.5"}}}}},
                  {"Fein", {{"1440x1440", {{"Tröpfchen", "1", "1.5"}}}}}}};
    p.inkTypes = {{1, "Pigment Aurora HDR", 3.5},
                  {2, "Farbstoff Aurora Foto", 1.25},
                  {3, "Lösemittelfrei Eco", 2.75}};
    p.pageSizes = {
        {"A3", "841.89", "1190.55", "3", "sheet", "8.50", "8.50", "8.50", "14.17"},
        {"A2", "1190.55", "1683.78", "3", "sheet", "8.50", "8.50", "8.50", "14.17"},
        {"A1", "1683.78", "2383.94", "3", "sheet", "8.50", "8.50", "8.50", "14.17"},
        {"Rolle 1118 mm", "3169.13", "0", "1", "roll", "", "", "", ""},
        {"Bogen 50×70", "1417.32", "1984.25", "3", "sheet", "5.67", "5.67", "5.67", "5.67"}};
    p.ports = {{"USB001", "usb", "usb://aurora/0001"},
               {"Netz 1", "tcp", "192.0.2.64:9100"},
               {"Datei", "file", "aurora-spool.prn"}};
    p.screenSetups = samplePrinterScreens();
    p.defaultResolutions = {"720x720", "1440x1440"};
    p.resData = {{"720x720", "1", "1", {"Standard", "Schnell"}, 8640, 0, 0x10, 0xff},
                 {"1440x720", "1", "2", {"Fein"}, 17280, 1, 0x20, 0xff},
                 {"1440x1440", "2", "2", {"Foto", "写真"}, 17280, 2, 0x100, 0xfff},
                 {"2880x1440", "2", "4", {}, 34560, 3, 0x1000, 0xffff}};
    p.inkCfgs = {sampleInkCfg8("CMYKcmkk 8 Farben"), sampleInkCfg6("CMYKcm 6 Farben")};
    p.swatches = {{"Hausfarben", "Hausrot 45 62 38\nHausblau 32 12 -48\n"},
                  {"Proofkeil Ü12", "Feld1 95 0 2\nFeld2 50 0 0\nFeld3 20 1 -1\n"}};
    p.engineBlob = sampleBytes("Aurora 64 engine", 96);

    MediaDesc glossy;
    glossy.group = "Fotopapier";
    glossy.name = "Glanz 260";
    glossy.inkCfg = sampleInkCfg8("CMYKcmkk Glanz");
    glossy.colorInfo = {8, 1, 5, {{"Lack Glanz", 8, 2, 204, {0, 0, 0, 255}}}};
    glossy.resScaleAdjust = {{"720x720", 1.00025, 0.9998}, {"1440x1440", 1.0004, 0.9996}};
    glossy.pageSizes = {"A3", "A2", "Bogen 50×70"};
    glossy.passes = {{"4", "P4"}, {"8", "P8"}, {"16", "P16 Fein"}};
    glossy.labelChannel = 5;
    glossy.defaultMode = "720x720 Standard";
    glossy.jdfAlias = "光沢紙 260";
    glossy.jdfHigh = "1440x1440 Foto";
    glossy.jdfNormal = "720x720 Standard";
    glossy.jdfDraft = "720x720 Standard";
    glossy.costs = CostDesc{12.5, {{"A2", 1.6}, {"A3", 0.85}, {"Bogen 50×70", 2.35}}};
    glossy.engineBlob = sampleBytes("Glanz 260 engine", 48);
    {
        ModeDesc standard = sampleFullMode("720x720 Standard", "720x720", "Standard",
                                           sampleInkCfg8("CMYKcmkk Standard"));
        standard.files = {{"Glanz 260 Standard.icc", sampleBytes("Glanz 260 Standard.icc", 200)},
                          {"Glanz 260 Standard.icm", sampleBytes("Glanz 260 Standard.icm", 64)}};
        ModeDesc photo =
            sampleFullMode("1440x1440 Foto", "1440x1440", "Foto", sampleInkCfg8("CMYKcmkk Foto"));
        photo.pattern = "FM Stufe 4";
        photo.userQualityAssessment = 0.9375;
        photo.files = {{"Glanz 260 Foto.icc", sampleBytes("Glanz 260 Foto.icc", 160)}};
        photo.links = {{"Glanz 260 Standard.icc", "../720x720 Standard/Glanz 260 Standard.icc"}};
        ModeDesc japanese =
            sampleFullMode("写真 高画質", "1440x1440", "写真", sampleInkCfg8("写真 8色"));
        japanese.files = {{"写真 高画質.icc", sampleBytes("写真 高画質.icc", 120)}};
        glossy.modes = {standard, photo, japanese};
    }

    MediaDesc satin;
    satin.group = "Fotopapier";
    satin.name = "Seidenmatt 240";
    satin.inkCfg = sampleInkCfg8("CMYKcmkk Seidenmatt");
    satin.colorInfo = {8, 1, 5, {}};
    satin.resScaleAdjust = {{"1440x720", 0.9995, 1.0}};
    satin.pageSizes = {"A2", "A1"};
    satin.passes = {{"8", "P8"}};
    satin.labelChannel = 2;
    satin.defaultMode = "1440x720 Fein";
    satin.jdfAlias = "SatinPhoto240";
    satin.jdfNormal = "1440x720 Fein";
    satin.costs = CostDesc{10.0, {{"A1", 2.9}}};
    {
        ModeDesc fine =
            sampleFullMode("1440x720 Fein", "1440x720", "Fein", sampleInkCfg8("CMYKcmkk Fein"));
        fine.files = {{"Seidenmatt Fein.icc", sampleBytes("Seidenmatt Fein.icc", 180)}};
        satin.modes = {fine};
    }

    MediaDesc fineArt;
    fineArt.group = "Künstlerpapier";
    fineArt.name = "Bogen Großformat";
    fineArt.inkCfg = sampleInkCfg8("CMYKcmkk Künstler");
    fineArt.colorInfo = {8, 1, 5, {{"Weiß Unterdruck", 16, 3, 255, {65535, 0, 0}}}};
    fineArt.resScaleAdjust = {{"1440x1440", 1.0012, 1.0008}};
    fineArt.pageSizes = {"Bogen 50×70"};
    fineArt.passes = {{"16", "P16"}, {"32", "P32 Künstler"}};
    fineArt.labelChannel = 7;
    fineArt.defaultMode = "1440x1440 Foto";
    fineArt.jdfAlias = "Büttenbogen";
    fineArt.jdfHigh = "1440x1440 Foto";
    {
        ModeDesc photo =
            sampleFullMode("1440x1440 Foto", "1440x1440", "Foto", sampleInkCfg8("CMYKcmkk Bütten"));
        photo.files = {{"Bogen Großformat Foto.icc", sampleBytes("Bogen Großformat Foto", 140)}};
        fineArt.modes = {photo};
    }

    MediaDesc proof;
    proof.group = kUngrouped;
    proof.name = "Proof Semimatt 195";
    proof.inkCfg = sampleInkCfg6("CMYKcm Proof");
    proof.colorInfo = {6, 0, 5, {}};
    proof.resScaleAdjust = {{"2880x1440", 1.0, 0.99975}};
    proof.pageSizes = {"A3", "A2", "A1", "Rolle 1118 mm"};
    proof.passes = {{"8", "P8"}, {"12", "P12"}};
    proof.labelChannel = 1;
    proof.defaultMode = "2880x1440 Proof";
    proof.jdfAlias = "Proof195";
    proof.jdfHigh = "2880x1440 Proof";
    proof.jdfNormal = "720x720 Standard";
    proof.jdfDraft = "720x720 Standard";
    proof.costs = CostDesc{8.75, {}};
    proof.engineBlob = sampleBytes("Proof Semimatt engine", 32);
    {
        ModeDesc standard = sampleFullMode("720x720 Standard", "720x720", "Standard",
                                           sampleInkCfg6("CMYKcm Standard"));
        standard.dropAdjusts.reset();
        standard.legacyDropAdjust = 2;
        ModeDesc proofMode = sampleFullMode("2880x1440 Proof", "2880x1440", "Proof",
                                            sampleInkCfg6("CMYKcm Proof 2880"));
        proofMode.files = {{"Proof 2880.icc", sampleBytes("Proof 2880.icc", 220)}};
        proofMode.links = {{"Glanz Referenz.icc",
                            "../../../../Fotopapier/Glanz 260/Modes/720x720 Standard/"
                            "Glanz 260 Standard.icc"}};
        proof.modes = {standard, proofMode};
    }

    p.medias = {glossy, satin, fineArt, proof};
    return p;
}

inline PrinterDesc sampleBorealis() {
    PrinterDesc p;
    p.name = "Borealis Épreuve 24";
    p.deviceName = "Borealis 24 Épreuve";
    p.dllModule = "borealis24drv.so";
    p.ppdFile = "";
    p.active = false;
    p.portName = "USB";
    p.portData = "usb://borealis/24";
    p.tcpPortAdd = "";
    p.tcpPortDefault = "9100";
    p.virtualPrinterExtension = "";
    p.defaultPageSize = "A3+";
    p.defaultMediaGroup = kUngrouped;
    p.defaultMediaName = "Normalpapier 90";
    p.dotInfo = {"µm", {{"Normal", {{"360x360", {{"Ein", "1", "18"}}}}}}};
    p.inkTypes = {{7, "Pigment Borealis", 2.5}};
    p.pageSizes = {{"A4", "595.28", "841.89", "3", "sheet", "8.50", "8.50", "8.50", "8.50"},
                   {"A3+", "932.60", "1369.13", "3", "sheet", "", "", "", ""}};
    p.ports = {{"USB002", "usb", "usb://borealis/24"}};
    p.screenSetups = {{"Entwurf", {{"Alle", "85", "45", "line", "0", "64"}}}};
    p.defaultResolutions = {"360x360"};
    p.resData = {{"360x360", "1", "1", {"Entwurf"}, 4320, 0, 0x1, 0xf},
                 {"720x720", "1", "1", {"Proof", "校正"}, 8640, 1, 0x2, 0xf}};
    p.inkCfgs = {sampleInkCfg6("CMYKcm Borealis")};

    MediaDesc plain;
    plain.group = kUngrouped;
    plain.name = "Normalpapier 90";
    plain.inkCfg = sampleInkCfg6("CMYKcm Normal");
    plain.colorInfo = {6, 0, 5, {}};
    plain.resScaleAdjust = {{"360x360", 1.0015, 1.0}};
    plain.pageSizes = {"A4", "A3+"};
    plain.passes = {{"2", "P2"}};
    plain.labelChannel = 3;
    plain.defaultMode = "360x360 Entwurf";
    {
        // An older mode: few values, the drop adjustment as one number.
        ModeDesc draft;
        draft.name = "360x360 Entwurf";
        draft.pattern = "Matrix 4x4";
        draft.resolution = "360x360";
        draft.resolutionAlias = "Entwurf";
        draft.inkLimits = {{"Black", 80}, {"Cyan", 75}};
        draft.legacyDropAdjust = 5;
        draft.calibration = "Entwurf.cal";
        draft.printerOptions = {{"Trocknungszeit", "0"}};
        plain.modes = {draft};
    }

    MediaDesc matt;
    matt.group = "Proof";
    matt.name = "Proof Matt 205";
    matt.inkCfg = sampleInkCfg6("CMYKcm Matt");
    matt.colorInfo = {6, 0, 5, {}};
    matt.resScaleAdjust = {{"720x720", 0.9992, 1.0003}};
    matt.pageSizes = {"A3+"};
    matt.passes = {{"6", "P6"}};
    matt.labelChannel = 4;
    matt.defaultMode = "720x720 Proof";
    matt.jdfAlias = "校正用紙 205";
    matt.jdfHigh = "720x720 Proof";
    matt.costs = CostDesc{9.2, {{"A3+", 1.15}}};
    {
        ModeDesc proofMode =
            sampleFullMode("720x720 Proof", "720x720", "Proof", sampleInkCfg6("CMYKcm Proof 720"));
        proofMode.userQualityAssessment = 0.5;
        proofMode.files = {{"Matt 205 Proof.icc", sampleBytes("Matt 205 Proof.icc", 100)}};
        matt.modes = {proofMode};
    }

    p.medias = {plain, matt};
    return p;
}

inline RepositoryDesc makeSampleRepository() {
    RepositoryDesc repository;
    repository.printers = {sampleAurora(), sampleBorealis()};
    return repository;
}

// The sample, built once.
inline const RepositoryDesc& sampleRepository() {
    static const RepositoryDesc repository = makeSampleRepository();
    return repository;
}

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_SAMPLEDATA_H
