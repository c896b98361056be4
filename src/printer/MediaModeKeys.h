// Key paths of media and mode settings files (internal), shared by each
// kind's repository, reader and writer.
#ifndef VEXA_SRC_PRINTER_MEDIAMODEKEYS_H
#define VEXA_SRC_PRINTER_MEDIAMODEKEYS_H

#include <wx/string.h>

namespace vexa {
namespace repos {
namespace printer {

namespace mediakeys {

const wxChar* const kKeyCostSettings = wxT("CostSettings/MediaCostSettings");
const wxChar* const kKeyColorInfo = wxT("Media/ColorInfo");
const wxChar* const kKeyDefaultMode = wxT("Media/DefaultMode");
const wxChar* const kKeyInkCfg = wxT("Media/InkCfg");
const wxChar* const kKeyJdfAlias = wxT("Media/JdfAlias");
const wxChar* const kKeyJdfDraft = wxT("Media/JdfQualityModeDraft");
const wxChar* const kKeyJdfHigh = wxT("Media/JdfQualityModeHigh");
const wxChar* const kKeyJdfNormal = wxT("Media/JdfQualityModeNormal");
const wxChar* const kKeyLabelChannel = wxT("Media/LabelChannel");
const wxChar* const kKeyPageSizes = wxT("Media/PageSizes");
const wxChar* const kKeyPassInfo = wxT("Media/PassInfo");
const wxChar* const kKeyResScaleAdjust = wxT("Media/ResScaleAdjust");

}  // namespace mediakeys

namespace modekeys {

const wxChar* const kKeyDropAdjust = wxT("Mode/DropAdjust");
const wxChar* const kKeyDropAdjusts = wxT("Mode/DropAdjusts");
const wxChar* const kKeyInkCfg = wxT("Mode/InkCfg");
const wxChar* const kKeyInkCurves = wxT("Mode/InkCurves");
const wxChar* const kKeyInkRestrictions = wxT("Mode/InkRestrictions");
const wxChar* const kKeyLvlCurves = wxT("Mode/LvlCurves");
const wxChar* const kKeyPattern = wxT("Mode/Pattern");
const wxChar* const kKeyPrinterSettings = wxT("Mode/PrinterSettings");
const wxChar* const kKeyPrinterOptions = wxT("Mode/PrinterSettings/*");
const wxChar* const kKeyRes = wxT("Mode/Res");
const wxChar* const kKeyResAlias = wxT("Mode/ResAlias");
const wxChar* const kKeyResScaleAdjust = wxT("Mode/ResScaleAdjust");
const wxChar* const kKeyScreenSetup = wxT("Mode/ScreenSetup");
const wxChar* const kKeyTableDefaults = wxT("Mode/TableDefaults");
const wxChar* const kKeyTransitionControl = wxT("Mode/TransitionControl");
const wxChar* const kKeyUserQualityAssessment = wxT("Mode/UserQualityAssessment");

}  // namespace modekeys

}  // namespace printer
}  // namespace repos
}  // namespace vexa

#endif  // VEXA_SRC_PRINTER_MEDIAMODEKEYS_H
