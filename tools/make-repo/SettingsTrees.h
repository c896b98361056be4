// Settings trees of printers, medias and modes made from their descriptions
// with the library's data strategies, and the XML settings files written from
// them with the library's XML strategy.
//
// A seed tree holds the keys no writer sets (device, module, ink types,
// resolutions, curves, ...) and what the engine keeps inside an ink
// configuration but the library never writes (HiFiMode, Photometric,
// VarDotLvls). complete...Tree adds the keys a writer sets, the way the
// writer's save() stores them, for repositories made without writers.
#ifndef VEXA_TOOLS_MAKEREPO_SETTINGSTREES_H
#define VEXA_TOOLS_MAKEREPO_SETTINGSTREES_H

#include <string>

#include "RepoDesc.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace makerepo {

repos::NamedNode::Ptr seedPrinterTree(const PrinterDesc& printer);
void completePrinterTree(const repos::NamedNode::Ptr& root, const PrinterDesc& printer);

repos::NamedNode::Ptr seedMediaTree(const MediaDesc& media);
void completeMediaTree(const repos::NamedNode::Ptr& root, const MediaDesc& media);

repos::NamedNode::Ptr seedModeTree(const ModeDesc& mode);
void completeModeTree(const repos::NamedNode::Ptr& root, const ModeDesc& mode);

// The XML settings file of `root`, as the library writes it.
std::string settingsXml(const repos::NamedNode::Ptr& root);

// Writes `bytes` to the file `path` (UTF-8), replacing it; throws
// std::runtime_error when it cannot.
void writeBytes(const std::string& path, const std::string& bytes);

}  // namespace makerepo
}  // namespace vexa

#endif  // VEXA_TOOLS_MAKEREPO_SETTINGSTREES_H
