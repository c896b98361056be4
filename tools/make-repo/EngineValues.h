// The library's typed values made from plain descriptions (RepoDesc.h): the
// engine structures the writers take, wrapped as the library wraps them.
//
// Texts go into the engine's fixed fields as they are (UTF-8 is the
// platform's multibyte code page); a text longer than its field is an error
// in the description and throws std::length_error rather than being cut.
#ifndef VEXA_TOOLS_MAKEREPO_ENGINEVALUES_H
#define VEXA_TOOLS_MAKEREPO_ENGINEVALUES_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <memory>
#include <string>
#include <vector>

#include "RepoDesc.h"
#include "engine/EngineInk.h"
#include "kernel/VexKernel.h"
#include "repos/ColorDotInfo.h"
#include "repos/InkCfg.h"
#include "repos/MediaCostSettings.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"

namespace vexa {
namespace makerepo {

// UTF-8 to wide text and back.
wxString W(const std::string& utf8);
std::string U(const wxString& text);

struct StralDeleter {
    void operator()(SSTRAL* array) const { stral_free(array); }
};
// An owned kernel string array.
typedef std::unique_ptr<SSTRAL, StralDeleter> StralPtr;

// Rows: name, width, height, access, type and, when `left` is set, the
// four margins.
StralPtr pageSizeRows(const std::vector<PageSizeDesc>& sizes);
// Rows: name, type, value.
StralPtr portRows(const std::vector<PortDesc>& ports);
// Rows: value, id.
StralPtr passRows(const std::vector<PassDesc>& passes);
// One text per row.
StralPtr textRows(const std::vector<std::string>& texts);

boost::shared_ptr<repos::InkCfg> makeInkCfg(const InkCfgDesc& desc);
boost::shared_ptr<repos::DotInfo> makeDotInfo(const DotInfoDesc& desc);
boost::shared_ptr<repos::ColorInfo> makeColorInfo(const ColorInfoDesc& desc);
// A chain of set-ups; `setups` must not be empty.
boost::shared_ptr<repos::ScreenSetup> makeScreenSetup(const std::vector<ScreenSetupDesc>& setups);
// A chain of corrections; `adjustments` must not be empty.
boost::shared_ptr<repos::ResScaleAdjust> makeResScaleAdjust(
    const std::vector<ResScaleDesc>& adjustments);
boost::shared_ptr<repos::MediaCostSettings> makeCosts(const CostDesc& desc);
SPINKLEVELEX makeLevels(const LevelTable& table);

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_ENGINEVALUES_H
