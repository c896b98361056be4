#include "repos/MediaCostSettings.h"
#include "EngineSupport.h"

namespace vexa {
namespace repos {

MediaCostSettings::MediaCostSettings() : m_areaBasedCost(0.0) {}

MediaCostSettings::MediaCostSettings(const MediaCostSettings& other) = default;

MediaCostSettings& MediaCostSettings::operator=(const MediaCostSettings& other) = default;

MediaCostSettings::~MediaCostSettings() = default;

double MediaCostSettings::getAreaBasedCost() const {
    return m_areaBasedCost;
}

void MediaCostSettings::setAreaBasedCost(double cost) {
    m_areaBasedCost = cost;
}

const MediaCostSettings::PageSizeCosts& MediaCostSettings::getPageSizeCosts() const {
    return m_pageSizeCosts;
}

void MediaCostSettings::setPageSizeCosts(const PageSizeCosts& costs) {
    m_pageSizeCosts = costs;
}

void MediaCostSettings::setPageSizeCost(const wxString& pageSize, double cost) {
    m_pageSizeCosts[pageSize] = cost;
}

DataStrategy<MediaCostSettings>::~DataStrategy() = default;

boost::shared_ptr<MediaCostSettings> DataStrategy<MediaCostSettings>::load(
    NamedNode::Ptr node) const {
    boost::shared_ptr<MediaCostSettings> costs(new MediaCostSettings());
    load(node, *costs);
    return costs;
}

void DataStrategy<MediaCostSettings>::load(NamedNode::Ptr node, Value& costs) const {
    costs.setAreaBasedCost(0.0);
    costs.setPageSizeCosts(MediaCostSettings::PageSizeCosts());
    if (!node) {
        return;
    }
    costs.setAreaBasedCost(readRealValue(node, wxT("areabasedcost")));
    MediaCostSettings::PageSizeCosts pageSizes;
    for (const NamedNode::Ptr& child : *node) {
        // insert() keeps the entry already there: the first child wins.
        pageSizes.insert(std::make_pair(child->getAttribute(wxString(wxT("size"))),
                                        readRealValue(child, wxT("cost"))));
    }
    costs.setPageSizeCosts(pageSizes);
}

void DataStrategy<MediaCostSettings>::storeInto(boost::shared_ptr<Value> costs,
                                                NamedNode::Ptr node) const {
    if (!costs || !node) {
        return;
    }
    node->clearChildren();
    node->setAttribute(wxT("areabasedcost"), formatReal(costs->getAreaBasedCost(), 2));
    for (const auto& entry : costs->getPageSizeCosts()) {
        NamedNode::Ptr child = NamedNode::Create(wxString(wxT("PageSize")));
        child->setAttribute(wxT("size"), entry.first);
        child->setAttribute(wxT("cost"), formatReal(entry.second, 2));
        child->addTo(node);
    }
}

NamedNode::Ptr DataStrategy<MediaCostSettings>::storeNew(boost::shared_ptr<Value> costs,
                                                         NamedNode::Ptr parent,
                                                         const wxString& name) const {
    return engine::storeAsChild(*this, costs, parent, name);
}

}  // namespace repos
}  // namespace vexa
