#include "SettingsTrees.h"

#include <wx/mstream.h>

#include <boost/make_shared.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>

#include "EngineValues.h"
#include "repos/ColorDotInfo.h"
#include "repos/DataStrategy.h"
#include "repos/InkCfg.h"
#include "repos/InkLevels.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "repos/Settings.h"
#include "repos/StringArrays.h"
#include "repos/XMLSettingsStrategy.h"

namespace vexa {
namespace makerepo {

using repos::DataStrategy;
using repos::NamedNode;

namespace {

wxString numbered(const char* prefix, std::size_t number) {
    return W(prefix) + repos::formatInt(static_cast<long long>(number));
}

// A value child, left out for an empty text: an empty text describes an
// absent key.
void addValue(const NamedNode::Ptr& parent, const char* name, const std::string& text) {
    if (!text.empty()) {
        repos::appendValueChild(parent, W(name), W(text));
    }
}

NamedNode::Ptr addNode(const NamedNode::Ptr& parent, const wxString& name) {
    NamedNode::Ptr node = NamedNode::Create(name);
    node->addTo(parent);
    return node;
}

// What the engine keeps in a configuration node and the library's writer
// leaves in place.
NamedNode::Ptr engineInkCfgNode(const InkCfgDesc& desc) {
    NamedNode::Ptr node = NamedNode::Create(W("InkCfg"));
    repos::appendValueChild(node, W("HiFiMode"), repos::formatInt(desc.hiFiMode));
    repos::appendValueChild(node, W("Photometric"), repos::formatInt(desc.photometric));
    if (!desc.varDotLevels.empty()) {
        NamedNode::Ptr levels = addNode(node, W("VarDotLvls"));
        for (std::size_t i = 0; i < desc.varDotLevels.size(); ++i) {
            levels->setAttribute(numbered("L", i), repos::formatInt(desc.varDotLevels[i]));
        }
    }
    return node;
}

NamedNode::Ptr fullInkCfgNode(const InkCfgDesc& desc) {
    NamedNode::Ptr node = engineInkCfgNode(desc);
    DataStrategy<repos::InkCfg>().storeInto(makeInkCfg(desc), node);
    return node;
}

// Ink curves are only read by the library: "Ink<i>" children naming the ink
// in "value", each with "Curve<j>" children of "Point<k>" percentages.
void addInkCurves(const NamedNode::Ptr& parent, const char* name,
                  const std::vector<InkCurveDesc>& inks) {
    if (inks.empty()) {
        return;
    }
    NamedNode::Ptr node = addNode(parent, W(name));
    for (std::size_t i = 0; i < inks.size(); ++i) {
        NamedNode::Ptr ink = addNode(node, numbered("Ink", i));
        ink->setAttribute(W("value"), W(inks[i].ink));
        for (std::size_t j = 0; j < inks[i].curves.size(); ++j) {
            NamedNode::Ptr curve = addNode(ink, numbered("Curve", j));
            for (std::size_t k = 0; k < inks[i].curves[j].size(); ++k) {
                NamedNode::Ptr point = addNode(curve, numbered("Point", k));
                point->setAttribute(W("x"), repos::formatInt(inks[i].curves[j][k].x));
                point->setAttribute(W("y"), repos::formatInt(inks[i].curves[j][k].y));
            }
        }
    }
}

void addLevels(const NamedNode::Ptr& parent, const char* name, const LevelTable& table) {
    if (!table.empty()) {
        SPINKLEVELEX levels = makeLevels(table);
        DataStrategy<repos::InkLevels>().storeNew(boost::make_shared<repos::InkLevels>(&levels),
                                                  parent, W(name));
    }
}

std::map<wxString, wxString> tableDefaults(const ModeDesc& mode, bool written) {
    std::map<wxString, wxString> table;
    for (const auto& entry : mode.otherTableDefaults) {
        table[W(entry.first)] = W(entry.second);
    }
    if (written) {
        const std::pair<const char*, const std::string*> set[] = {
            {"Calb", &mode.calibration}, {"LnMM", &mode.mediaModel}, {"NmClr", &mode.namedColor}};
        for (const auto& entry : set) {
            if (!entry.second->empty()) {
                table[W(entry.first)] = W(*entry.second);
            }
        }
    }
    return table;
}

}  // namespace

// ---- Printers ------------------------------------------------------------------

NamedNode::Ptr seedPrinterTree(const PrinterDesc& p) {
    NamedNode::Ptr root = NamedNode::Create(W("Printer"));
    addValue(root, "DllDevice", p.deviceName);
    addValue(root, "DllModule", p.dllModule);
    addValue(root, "PPDFile", p.ppdFile);
    // As installed; a writer turns it off.
    addValue(root, "Active", "true");
    addValue(root, "TCPPortAdd", p.tcpPortAdd);
    addValue(root, "TCPPortDefault", p.tcpPortDefault);

    if (!p.inkTypes.empty()) {
        NamedNode::Ptr types = addNode(root, W("InkTypes"));
        for (const InkTypeDesc& type : p.inkTypes) {
            NamedNode::Ptr node = addNode(types, numbered("Type", type.type));
            node->setAttribute(W("value"), W(type.name));
            node->setAttribute(W("durability"), repos::formatReal(type.durability, 2));
        }
    }
    if (!p.defaultResolutions.empty()) {
        NamedNode::Ptr node = addNode(root, W("DefaultResolutions"));
        StralPtr rows = textRows(p.defaultResolutions);
        DataStrategy<repos::ResList>().storeInto(boost::make_shared<repos::ResList>(rows.get()),
                                                 node);
    }
    if (!p.resData.empty()) {
        NamedNode::Ptr resData = addNode(root, W("ResData"));
        for (std::size_t i = 0; i < p.resData.size(); ++i) {
            const ResDataDesc& r = p.resData[i];
            NamedNode::Ptr node = addNode(resData, numbered("Res", i));
            addValue(node, "Resolution", r.resolution);
            addValue(node, "Replicate", r.replicate);
            addValue(node, "DupCount", r.dupCount);
            repos::appendValueChild(node, W("LineBytes"), repos::formatUnsigned(r.lineBytes));
            repos::appendValueChild(node, W("DensityFlag"), repos::formatInt(r.densityFlag));
            repos::appendValueChild(node, W("ProcOpts"), repos::formatHex8(r.procOpts));
            repos::appendValueChild(node, W("ProcOptsMask"), repos::formatHex8(r.procOptsMask));
            if (!r.aliases.empty()) {
                NamedNode::Ptr alias = addNode(node, W("Alias"));
                for (std::size_t a = 0; a < r.aliases.size(); ++a) {
                    alias->setAttribute(numbered("A", a), W(r.aliases[a]));
                }
            }
        }
    }
    if (!p.inkCfgs.empty()) {
        NamedNode::Ptr cfgs = addNode(root, W("InkCfgs"));
        for (const InkCfgDesc& cfg : p.inkCfgs) {
            fullInkCfgNode(cfg)->addTo(cfgs);
        }
    }
    return root;
}

void completePrinterTree(const NamedNode::Ptr& root, const PrinterDesc& p) {
    if (!p.active) {
        root->findChild(W("Active"))->setAttribute(W("value"), W("false"));
    }
    addValue(root, "PortName", p.portName);
    addValue(root, "PortData", p.portData);
    addValue(root, "VirtualPrinterExtension", p.virtualPrinterExtension);
    addValue(root, "DefaultPageSize", p.defaultPageSize);
    if (!p.defaultMediaName.empty()) {
        NamedNode::Ptr media = addNode(root, W("DefaultMedia"));
        media->setAttribute(W("group"), W(p.defaultMediaGroup.empty() ? std::string(kUngrouped)
                                                                      : p.defaultMediaGroup));
        media->setAttribute(W("media"), W(p.defaultMediaName));
    }
    DataStrategy<repos::DotInfo>().storeNew(makeDotInfo(p.dotInfo), root, W("DotInfo"));
    if (!p.pageSizes.empty()) {
        StralPtr rows = pageSizeRows(p.pageSizes);
        DataStrategy<repos::PageSizes>().storeNew(boost::make_shared<repos::PageSizes>(rows.get()),
                                                  root, W("PageSizes"));
    }
    if (!p.ports.empty()) {
        StralPtr rows = portRows(p.ports);
        DataStrategy<repos::PortList>().storeNew(boost::make_shared<repos::PortList>(rows.get()),
                                                 root, W("PortList"));
    }
    if (!p.screenSetups.empty()) {
        DataStrategy<repos::ScreenSetup>().storeNew(makeScreenSetup(p.screenSetups), root,
                                                    W("DefaultScreenSetup"));
    }
}

// ---- Medias --------------------------------------------------------------------

NamedNode::Ptr seedMediaTree(const MediaDesc& m) {
    NamedNode::Ptr root = NamedNode::Create(W("Media"));
    if (m.labelChannel > 0) {
        NamedNode::Ptr label = addNode(root, W("LabelChannel"));
        DataStrategy<repos::LabelChannel>().storeInto(
            boost::make_shared<repos::LabelChannel>(m.labelChannel), label);
    }
    engineInkCfgNode(m.inkCfg)->addTo(root);
    return root;
}

void completeMediaTree(const NamedNode::Ptr& root, const MediaDesc& m) {
    DataStrategy<repos::InkCfg>().storeInto(makeInkCfg(m.inkCfg), root->findChild(W("InkCfg")));
    DataStrategy<repos::ColorInfo>().storeNew(makeColorInfo(m.colorInfo), root, W("ColorInfo"));
    if (!m.resScaleAdjust.empty()) {
        DataStrategy<repos::ResScaleAdjust>().storeNew(makeResScaleAdjust(m.resScaleAdjust), root,
                                                       W("ResScaleAdjust"));
    }
    if (!m.pageSizes.empty()) {
        boost::shared_ptr<std::list<wxString>> sizes = boost::make_shared<std::list<wxString>>();
        for (const std::string& size : m.pageSizes) {
            sizes->push_back(W(size));
        }
        DataStrategy<std::list<wxString>>().storeNew(sizes, root, W("PageSizes"));
    }
    if (!m.passes.empty()) {
        StralPtr rows = passRows(m.passes);
        DataStrategy<repos::PassInfo>().storeInto(boost::make_shared<repos::PassInfo>(rows.get()),
                                                  addNode(root, W("PassInfo")));
    }
    addValue(root, "DefaultMode", m.defaultMode);
    addValue(root, "JdfAlias", m.jdfAlias);
    addValue(root, "JdfQualityModeHigh", m.jdfHigh);
    addValue(root, "JdfQualityModeNormal", m.jdfNormal);
    addValue(root, "JdfQualityModeDraft", m.jdfDraft);
}

// ---- Modes ---------------------------------------------------------------------

NamedNode::Ptr seedModeTree(const ModeDesc& m) {
    NamedNode::Ptr root = NamedNode::Create(W("Mode"));
    addValue(root, "Pattern", m.pattern);
    addValue(root, "Res", m.resolution);
    addValue(root, "ResAlias", m.resolutionAlias);
    if (m.inkCfg) {
        engineInkCfgNode(*m.inkCfg)->addTo(root);
    }
    addInkCurves(root, "LvlCurves", m.levelCurves);
    addInkCurves(root, "InkCurves", m.inkCurves);
    if (!m.resScaleAdjust.empty()) {
        DataStrategy<repos::ResScaleAdjust>().storeNew(makeResScaleAdjust(m.resScaleAdjust), root,
                                                       W("ResScaleAdjust"));
    }
    if (m.legacyDropAdjust) {
        repos::appendValueChild(root, W("DropAdjust"), repos::formatInt(*m.legacyDropAdjust));
    }
    if (!m.otherTableDefaults.empty()) {
        DataStrategy<std::map<wxString, wxString>>().storeNew(
            boost::make_shared<std::map<wxString, wxString>>(tableDefaults(m, false)), root,
            W("TableDefaults"));
    }
    if (m.userQualityAssessment) {
        // The writer only changes an assessment the mode already has.
        repos::appendValueChild(root, W("UserQualityAssessment"), W("0.000000"));
    }
    return root;
}

void completeModeTree(const NamedNode::Ptr& root, const ModeDesc& m) {
    if (m.inkCfg) {
        DataStrategy<repos::InkCfg>().storeInto(makeInkCfg(*m.inkCfg),
                                                root->findChild(W("InkCfg")));
    }
    addLevels(root, "InkRestrictions", m.inkLimits);
    addLevels(root, "TransitionControl", m.transitionControl);
    if (m.dropAdjusts) {
        addLevels(root, "DropAdjusts", *m.dropAdjusts);
    }
    if (!m.screenSetups.empty()) {
        // The strategy names its node after the printer key; a mode's key
        // is "ScreenSetup".
        DataStrategy<repos::ScreenSetup>()
            .storeNew(makeScreenSetup(m.screenSetups), root, W("ScreenSetup"))
            ->setName(W("ScreenSetup"));
    }
    const std::map<wxString, wxString> table = tableDefaults(m, true);
    if (!table.empty()) {
        // In place when the seed has the node, as the writer's save does.
        boost::shared_ptr<std::map<wxString, wxString>> value =
            boost::make_shared<std::map<wxString, wxString>>(table);
        if (NamedNode::Ptr node = root->findChild(W("TableDefaults"))) {
            DataStrategy<std::map<wxString, wxString>>().storeInto(value, node);
        } else {
            DataStrategy<std::map<wxString, wxString>>().storeNew(value, root, W("TableDefaults"));
        }
    }
    if (m.userQualityAssessment) {
        root->findChild(W("UserQualityAssessment"))
            ->setAttribute(wxString(wxT("value")), repos::formatReal(*m.userQualityAssessment, 6));
    }
    if (!m.printerOptions.empty()) {
        NamedNode::Ptr options = addNode(root, W("PrinterSettings"));
        for (const auto& option : m.printerOptions) {
            repos::appendValueChild(options, W(option.first), W(option.second));
        }
    }
}

// ---- Files ---------------------------------------------------------------------

std::string settingsXml(const NamedNode::Ptr& root) {
    repos::Settings settings(root, boost::make_shared<repos::XMLSettingsStrategy>());
    wxMemoryOutputStream out;
    settings.storeTo(out);
    std::string bytes(out.GetSize(), '\0');
    if (!bytes.empty()) {
        out.CopyTo(&bytes[0], bytes.size());
    }
    if (bytes.empty()) {
        throw std::runtime_error("no settings written for " + U(root->getName()));
    }
    return bytes;
}

void writeBytes(const std::string& path, const std::string& bytes) {
    // stdio rather than a wx stream: wx would convert the name by the
    // process locale, which may not hold UTF-8 names.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace makerepo
}  // namespace vexa
