// Every data strategy over trees read from arbitrary XML. Each value type is
// loaded from the root and from each of its children, both into a new value
// and into one value that keeps what the earlier nodes left in it (so the
// readers also replace chains and blocks they did not make). Each value is
// copied, assigned and self-assigned, then stored into a fresh node (and,
// where the strategy has one, through storeNew), loaded back, and the stored
// tree written and read as XML. The sanitizers judge memory: deep copies
// must not share, and every block must be released exactly once.
#include <boost/make_shared.hpp>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "common/SettingsText.h"
#include "repos/ColorDotInfo.h"
#include "repos/DataStrategy.h"
#include "repos/InkCfg.h"
#include "repos/InkLevels.h"
#include "repos/InkRecords.h"
#include "repos/MediaCostSettings.h"
#include "repos/Resolutions.h"
#include "repos/ScreenSetup.h"
#include "repos/StringArrays.h"

using vexa::fuzz::fuzzCheck;
using vexa::repos::DataStrategy;
using vexa::repos::NamedNode;

namespace {

// Whether DataStrategy<T> has load(node) giving a new value (class types)
// and storeNew.
template <class T, class = void>
struct HasLoadNew : std::false_type {};
template <class T>
struct HasLoadNew<T, std::void_t<decltype(std::declval<const DataStrategy<T>&>().load(
                         std::declval<NamedNode::Ptr>()))>> : std::true_type {};

template <class T, class = void>
struct HasStoreNew : std::false_type {};
template <class T>
struct HasStoreNew<T, std::void_t<decltype(std::declval<const DataStrategy<T>&>().storeNew(
                          std::declval<boost::shared_ptr<T>>(), std::declval<NamedNode::Ptr>(),
                          std::declval<const wxString&>()))>> : std::true_type {};

// Through a function, so the compiler does not flag the self-assignment.
template <class T>
void assign(T& target, const T& source) {
    target = source;
}

template <class T>
void copyAround(const T& value) {
    T copy(value);
    T assigned{};
    assign(assigned, copy);
    assign(assigned, value);
    assign(assigned, assigned);
}

template <class T>
void storeAndReload(const DataStrategy<T>& strategy, const boost::shared_ptr<T>& value) {
    const NamedNode::Ptr parent = NamedNode::Create("Parent");
    const NamedNode::Ptr fresh = NamedNode::Create("Fresh");
    fresh->addTo(parent);
    strategy.storeInto(value, fresh);
    T reloaded{};
    strategy.load(fresh, reloaded);
    copyAround(reloaded);
    if constexpr (HasStoreNew<T>::value) {
        const NamedNode::Ptr made = strategy.storeNew(value, parent, wxT("Made"));
        fuzzCheck(static_cast<bool>(made), "storeNew gives a node");
        T again{};
        strategy.load(made, again);
    }
    // What a strategy writes must be something the settings file carries.
    const std::string written = vexa::test::storeXml(parent);
    fuzzCheck(static_cast<bool>(vexa::test::loadXml(written)), "stored values read back as XML");
}

template <class T>
void exercise(const std::vector<NamedNode::Ptr>& nodes) {
    const DataStrategy<T> strategy;
    const boost::shared_ptr<T> kept = boost::make_shared<T>();
    for (const NamedNode::Ptr& node : nodes) {
        boost::shared_ptr<T> loaded;
        if constexpr (HasLoadNew<T>::value) {
            loaded = strategy.load(node);
            fuzzCheck(static_cast<bool>(loaded), "load(node) gives a value");
        } else {
            loaded = boost::make_shared<T>();
            strategy.load(node, *loaded);
        }
        strategy.load(node, *kept);
        copyAround(*loaded);
        storeAndReload(strategy, loaded);
    }
    storeAndReload(strategy, kept);
    // An empty node leaves the value as it was and gives a default value.
    strategy.load(NamedNode::Ptr(), *kept);
    if constexpr (HasLoadNew<T>::value && !std::is_same<T, vexa::repos::NamedNodeData>::value) {
        fuzzCheck(static_cast<bool>(strategy.load(NamedNode::Ptr())),
                  "load(empty node) gives a default value");
    }
}

template <class... T>
void exerciseAll(const std::vector<NamedNode::Ptr>& nodes) {
    (exercise<T>(nodes), ...);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const NamedNode::Ptr root =
        vexa::fuzz::load(vexa::repos::XMLSettingsStrategy(), std::string(data, data + size));
    if (!root) {
        return 0;
    }
    std::vector<NamedNode::Ptr> nodes{root};
    nodes.insert(nodes.end(), root->begin(), root->end());

    using namespace vexa::repos;
    exerciseAll<std::list<wxString>, std::map<wxString, wxString>, NamedNodeData, PageSizes,
                PassInfo, PortList, ResData, ResScaleAdjust, ResList, ColorInfo, DotInfo,
                LabelChannel, ScreenSetup, InkCfg, InkType, SameInks, InkLevels, InkCurve,
                MediaCostSettings, SPINKLEVEL, SPSPOTINKLEVEL, SPINKUNITLUT, SPVARDOTCHANNEL,
                SPVARDOTCURVE, SPINKLEVELEX, SPPOINTDEF, SPCURVEDEF>(nodes);
    return 0;
}
