#include "repos/Settings.h"

#include <algorithm>
#include <vector>

#include "repos/XMLSettingsStrategy.h"

namespace vexa {
namespace repos {

ISettingsStrategy::~ISettingsStrategy() = default;

Settings::Settings(NamedNode::Ptr root, boost::shared_ptr<ISettingsStrategy> strategy)
    : m_root(root), m_strategy(strategy) {}

void Settings::storeTo(wxOutputStream& out) {
    m_strategy->store(m_root, out);
}

namespace {

// A step of a key path: a name, or "*" for any non-empty name. The name
// points into the path, which outlives the lookup.
struct Step {
    const wchar_t* name;
    std::size_t length;
    bool wildcard;
};

std::vector<Step> splitPath(const wxString& path) {
    const wchar_t* const text = path.wx_str();
    const std::size_t length = path.length();
    std::vector<Step> steps;
    steps.reserve(static_cast<std::size_t>(std::count(text, text + length, L'/')) + 1);
    for (std::size_t begin = 0; begin <= length;) {
        const wchar_t* slash = std::find(text + begin, text + length, L'/');
        const std::size_t end = static_cast<std::size_t>(slash - text);
        if (end > begin) {
            const bool wildcard = end - begin == 1 && text[begin] == L'*';
            steps.push_back(Step{text + begin, end - begin, wildcard});
        }
        begin = end + 1;
    }
    return steps;
}

inline bool matches(const NamedNode& node, const Step& step) {
    return !node.hasEmptyName() && (step.wildcard || node.hasName(step.name, step.length));
}

}  // namespace

std::list<NamedNode::Ptr> Settings::findNodes_(const wxString& path) const {
    std::list<NamedNode::Ptr> results;
    if (!m_root) {
        return results;
    }
    const std::vector<Step> steps = splitPath(path);
    if (steps.empty() || !matches(*m_root, steps[0])) {
        return results;
    }
    if (steps.size() == 1) {
        results.push_back(m_root);
        return results;
    }
    // Depth-first in document order with an explicit stack. Only children of
    // nodes that matched their step are looked at; a match of the last step
    // is a result and nothing below it is visited.
    struct Frame {
        const NamedNode* node;
        NamedNode::const_iterator next;
    };
    std::vector<Frame> stack;
    stack.reserve(steps.size());
    stack.push_back(Frame{m_root.get(), m_root->begin()});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.node->end()) {
            stack.pop_back();
            continue;
        }
        const NamedNode::Ptr& child = *top.next++;
        const std::size_t depth = stack.size();  // index of the step `child` must match
        if (!matches(*child, steps[depth])) {
            continue;
        }
        if (depth + 1 == steps.size()) {
            results.push_back(child);
        } else {
            stack.push_back(Frame{child.get(), child->begin()});
        }
    }
    return results;
}

boost::shared_ptr<Settings> SettingsManager::GetSettings(wxInputStream& in) {
    boost::shared_ptr<ISettingsStrategy> strategy(new XMLSettingsStrategy);
    NamedNode::Ptr root = strategy->load(in);
    if (!root) {
        return boost::shared_ptr<Settings>();
    }
    return boost::shared_ptr<Settings>(new Settings(root, strategy));
}

boost::shared_ptr<Settings> SettingsManager::NewSettings(
    const wxString& name, const std::map<wxString, wxString>& attributes,
    boost::shared_ptr<ISettingsStrategy> strategy) {
    if (!strategy) {
        strategy.reset(new XMLSettingsStrategy);
    }
    return boost::shared_ptr<Settings>(new Settings(NamedNode::Create(name, attributes), strategy));
}

boost::shared_ptr<Settings> SettingsManager::NewSettings(
    const wxString& name, boost::shared_ptr<ISettingsStrategy> strategy) {
    return NewSettings(name, std::map<wxString, wxString>(), strategy);
}

}  // namespace repos
}  // namespace vexa
