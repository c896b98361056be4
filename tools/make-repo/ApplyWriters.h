// Sets every value a writer sets, through the library's printer, media and
// mode writers, on a printer whose seed files are in place (RepoLayout.h,
// Fill::Seed). The repository must be the one SystemRepository finds.
#ifndef VEXA_TOOLS_MAKEREPO_APPLYWRITERS_H
#define VEXA_TOOLS_MAKEREPO_APPLYWRITERS_H

#include "RepoDesc.h"

namespace vexa {
namespace makerepo {

// Throws std::runtime_error naming what could not be had or saved.
void applyWriters(const PrinterDesc& printer);

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_APPLYWRITERS_H
