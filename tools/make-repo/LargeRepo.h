// Descriptions of large repositories for benchmarks, made from the sample's
// printers, medias and modes: the same arguments give the same description,
// and so the same bytes on disk.
#ifndef VEXA_TOOLS_MAKEREPO_LARGEREPO_H
#define VEXA_TOOLS_MAKEREPO_LARGEREPO_H

#include <cstddef>

#include "RepoDesc.h"

namespace vexa {
namespace makerepo {

// Printer `index` (from 0) of a large repository, with `medias` medias
// spread over three groups and "_Ungrouped_", each with `modes` modes.
// Names are unique within the repository; some are not ASCII.
PrinterDesc largePrinter(std::size_t index, std::size_t medias, std::size_t modes);

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_LARGEREPO_H
