// Cost figures of a media for job costing: one cost per unit of printed area
// and one cost per named page size, with their strategy.
//
// Subtree form: the cost node carries the attribute "areabasedcost"; each of
// its children gives one page size cost in the attributes "size" and "cost".
// Costs are written with two decimals ("2.00") whatever the process locale.
//
// Ownership: a MediaCostSettings owns its page size map; copies duplicate it.
// Threads: objects are not synchronised; the strategy is stateless.
#ifndef VEXA_REPOS_MEDIACOSTSETTINGS_H
#define VEXA_REPOS_MEDIACOSTSETTINGS_H

#include <wx/string.h>

#include <boost/shared_ptr.hpp>
#include <map>

#include "repos/DataStrategy.h"
#include "repos/Export.h"
#include "repos/NamedNode.h"

namespace vexa {
namespace repos {

class VEXA_REPOS_API MediaCostSettings {
  public:
    typedef std::map<wxString, double> PageSizeCosts;

    // No area-based cost (0) and no page size costs.
    MediaCostSettings();
    MediaCostSettings(const MediaCostSettings& other);
    MediaCostSettings& operator=(const MediaCostSettings& other);
    virtual ~MediaCostSettings();

    double getAreaBasedCost() const;
    void setAreaBasedCost(double cost);

    // Page size name to cost, in ordinary string order.
    const PageSizeCosts& getPageSizeCosts() const;
    void setPageSizeCosts(const PageSizeCosts& costs);
    // Sets the cost of one page size, adding it when it is not there.
    void setPageSizeCost(const wxString& pageSize, double cost);

  private:
    double m_areaBasedCost;
    PageSizeCosts m_pageSizeCosts;
};

template <>
class VEXA_REPOS_API DataStrategy<MediaCostSettings> {
  public:
    typedef MediaCostSettings Value;
    virtual ~DataStrategy();

    // New settings read from `node`; no costs for an empty node. Never
    // empty.
    boost::shared_ptr<Value> load(NamedNode::Ptr node) const;
    // Clears both fields, then, when the node exists, reads "areabasedcost"
    // and one entry per child (any name): key "size", cost "cost". A size
    // seen before keeps its first cost. Absent attributes give 0 or an empty
    // key.
    void load(NamedNode::Ptr node, Value& costs) const;
    // Replaces the node's children with one "PageSize" child per entry in
    // key order and sets "areabasedcost"; the node's name and other
    // attributes stay. Nothing when either is empty.
    void storeInto(boost::shared_ptr<Value> costs, NamedNode::Ptr node) const;
    // A new child of `parent` (always appended) named `name` and filled by
    // storeInto. An empty parent gives a detached node.
    NamedNode::Ptr storeNew(boost::shared_ptr<Value> costs, NamedNode::Ptr parent,
                            const wxString& name) const;
};

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_MEDIACOSTSETTINGS_H
