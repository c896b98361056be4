#include <gtest/gtest.h>
#include <wx/mstream.h>
#include <wx/sstream.h>

#include <string>
#include <vector>

#include "common/SettingsText.h"
#include "kernel/Text.h"
#include "repos/NodeTraverser.h"
#include "repos/Settings.h"
#include "repos/XMLSettingsStrategy.h"
#include "types/TreeHelpers.h"

using vexa::kernel::toMB;
using vexa::repos::ISettingsStrategy;
using vexa::repos::NamedNode;
using vexa::repos::Settings;
using vexa::repos::SettingsAccess;
using vexa::repos::SettingsManager;
using vexa::test::addChild;

namespace {

// Mode { Pattern(1) { Pattern(inner) } Res { Alias } Pattern(2) (empty-named) }
class KeyPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root = NamedNode::Create("Mode");
        first = addChild(root, "Pattern", {{"n", "1"}});
        addChild(first, "Pattern");
        NamedNode::Ptr res = addChild(root, "Res");
        addChild(res, "Alias");
        second = addChild(root, "Pattern", {{"n", "2"}});
        addChild(root, "");
        settings.reset(new Settings(root, boost::shared_ptr<ISettingsStrategy>()));
    }
    std::vector<std::string> find(const char* path) {
        std::vector<std::string> found;
        for (const NamedNode::Ptr& node :
             SettingsAccess::findNodes(*settings, wxString::FromUTF8(path))) {
            found.push_back(toMB(node->getName()) + toMB(node->getAttribute("n")));
        }
        return found;
    }
    NamedNode::Ptr root, first, second;
    boost::shared_ptr<Settings> settings;
};

typedef std::vector<std::string> Names;

}  // namespace

// Every match in document order but nothing below a result; extra slashes
// are ignored, '*' matches non-empty names only, and names match exactly.
TEST_F(KeyPathTest, FindsExactAndWildcardMatchesInDocumentOrder) {
    const struct {
        const char* path;
        Names found;
    } cases[] = {
        {"Mode/Pattern", {"Pattern1", "Pattern2"}},
        {"/Mode/Pattern", {"Pattern1", "Pattern2"}},
        {"Mode/Pattern/", {"Pattern1", "Pattern2"}},
        {"Mode//Pattern", {"Pattern1", "Pattern2"}},
        {"//Mode///Pattern//", {"Pattern1", "Pattern2"}},
        {"Mode/Res/Alias", {"Alias"}},
        {"Mode", {"Mode"}},
        {"Mode/Pattern/Pattern", {"Pattern"}},
        {"Mode/*", {"Pattern1", "Res", "Pattern2"}},
        {"*", {"Mode"}},
        {"*/*/*", {"Pattern", "Alias"}},
        {"Printer/Pattern", {}},
        {"Mode/pattern", {}},
        {"mode/Pattern", {}},
        {"", {}},
        {"///", {}},
        {"Mode/Res/Alias/Deeper", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(find(c.path), c.found) << c.path;
    }
    Settings empty{NamedNode::Ptr(), boost::shared_ptr<ISettingsStrategy>()};
    EXPECT_TRUE(SettingsAccess::findNodes(empty, wxT("Mode")).empty());
}

TEST(SettingsManagerTest, NewSettingsWithoutStrategyStoresXml) {
    std::map<wxString, wxString> attributes;
    attributes[wxT("Version")] = wxT("1");
    boost::shared_ptr<Settings> settings = SettingsManager::NewSettings(
        wxT("Printer"), attributes, boost::shared_ptr<ISettingsStrategy>());
    ASSERT_TRUE(settings);
    EXPECT_TRUE(settings->getRoot()->isLeaf());
    EXPECT_TRUE(
        boost::dynamic_pointer_cast<vexa::repos::XMLSettingsStrategy>(settings->getStrategy()));
    wxMemoryOutputStream out;
    settings->storeTo(out);
    const std::string text = vexa::test::bytesOf(out);
    EXPECT_EQ(
        text.rfind(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<node name=\"Printer\" Version=\"1\"", 0),
        0u)
        << text;
}

TEST(SettingsManagerTest, GetSettingsReadsXmlAndRefusesGarbage) {
    wxStringInputStream good(
        wxT("<node name=\"Printer\"><node name=\"PortName\" value=\"USB\"/></node>"));
    boost::shared_ptr<Settings> settings = SettingsManager::GetSettings(good);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->getRoot()->getName(), wxString("Printer"));
    EXPECT_EQ(SettingsAccess::findNodes(*settings, wxT("Printer/PortName"))
                  .front()
                  ->getAttribute("value"),
              wxString("USB"));
    wxStringInputStream bad(wxT("Printer { PortName USB }"));
    EXPECT_FALSE(SettingsManager::GetSettings(bad));
}

namespace {

// Records the calls of a walk as text.
class RecordingVisitor : public vexa::repos::INodeVisitor {
  public:
    explicit RecordingVisitor(std::string skipName = std::string()) : m_skip(skipName) {}
    void start() override { log += "start "; }
    bool skip(NamedNode::Ptr node) override { return toMB(node->getName()) == m_skip; }
    void enter(NamedNode::Ptr node) override { log += "+" + toMB(node->getName()) + " "; }
    void leave(NamedNode::Ptr node) override { log += "-" + toMB(node->getName()) + " "; }
    void finish() override { log += "finish"; }
    std::string log;

  private:
    std::string m_skip;
};

NamedNode::Ptr sampleTree() {
    NamedNode::Ptr root = NamedNode::Create("R");
    NamedNode::Ptr a = addChild(root, "a");
    addChild(a, "a1");
    addChild(a, "a2");
    addChild(root, "b");
    return root;
}

}  // namespace

TEST(TraverserTest, PreOrderWithEveryEnterLeftOnce) {
    boost::shared_ptr<RecordingVisitor> visitor(new RecordingVisitor);
    vexa::repos::NamedNodeTraverser(visitor).travel(sampleTree());
    EXPECT_EQ(visitor->log, "start +R +a +a1 -a1 +a2 -a2 -a +b -b -R finish");
}

TEST(TraverserTest, SkippedNodesGetNeitherEnterNorLeave) {
    boost::shared_ptr<RecordingVisitor> skipA(new RecordingVisitor("a"));
    vexa::repos::NamedNodeTraverser(skipA).travel(sampleTree());
    EXPECT_EQ(skipA->log, "start +R +b -b -R finish");
    boost::shared_ptr<RecordingVisitor> skipRoot(new RecordingVisitor("R"));
    vexa::repos::NamedNodeTraverser(skipRoot).travel(sampleTree());
    EXPECT_EQ(skipRoot->log, "start finish");
    boost::shared_ptr<RecordingVisitor> none(new RecordingVisitor);
    vexa::repos::NamedNodeTraverser(none).travel(NamedNode::Ptr());
    EXPECT_EQ(none->log, "start finish");
}

namespace {

class ParallelRecorder : public vexa::repos::IParallelVisitor {
  public:
    explicit ParallelRecorder(bool byMatch) : m_byMatch(byMatch) {}
    void start() override { log += "start "; }
    bool skip(NamedNode::Ptr, NamedNode::Ptr second) override {
        return toMB(second->getName()) == "skipme";
    }
    void enter(NamedNode::Ptr second) override { log += "+" + toMB(second->getName()) + " "; }
    bool pairByMatch(NamedNode::Ptr) override { return m_byMatch; }
    void leave(NamedNode::Ptr second) override { log += "-" + toMB(second->getName()) + " "; }
    void unpaired(NamedNode::Ptr second, bool top) override {
        log += "?" + toMB(second->getName()) + (top ? "^ " : " ");
    }
    void unpairable(NamedNode::Ptr second, bool top) override {
        log += "!" + toMB(second->getName()) + (top ? "^ " : " ");
    }
    void finish() override { log += "finish"; }
    std::string log;

  private:
    bool m_byMatch;
};

std::string walkPair(bool byMatch, const NamedNode::Ptr& first, const NamedNode::Ptr& second) {
    boost::shared_ptr<ParallelRecorder> visitor(new ParallelRecorder(byMatch));
    vexa::repos::ParallelNodeTraverser(
        visitor, boost::shared_ptr<vexa::repos::INodePairing>(new vexa::repos::SameNamePairing))
        .travel(first, second);
    return visitor->log;
}

}  // namespace

TEST(ParallelTraverserTest, PairsByMatchAndReportsTheUnpaired) {
    NamedNode::Ptr first = NamedNode::Create("R");
    addChild(first, "a");
    addChild(addChild(first, "b"), "b1");
    addChild(first, "skipme");
    NamedNode::Ptr second = NamedNode::Create("R");
    addChild(addChild(second, "b"), "b1");
    addChild(second, "new");
    addChild(second, "a");
    addChild(second, "skipme");
    EXPECT_EQ(walkPair(true, first, second), "start +R ?new +b +b1 -b1 -b +a -a -R finish");
}

TEST(ParallelTraverserTest, PositionalPairingNeedsEqualShapes) {
    NamedNode::Ptr first = NamedNode::Create("R");
    addChild(first, "a");
    addChild(first, "b");
    NamedNode::Ptr same = NamedNode::Create("R");
    addChild(same, "a");
    addChild(same, "b");
    EXPECT_EQ(walkPair(false, first, same), "start +R +a -a +b -b -R finish");
    NamedNode::Ptr swapped = NamedNode::Create("R");
    addChild(swapped, "b");
    addChild(swapped, "a");
    EXPECT_EQ(walkPair(false, first, swapped), "start +R !R^ -R finish");
    NamedNode::Ptr other = NamedNode::Create("Other");
    EXPECT_EQ(walkPair(true, first, other), "start ?Other^ finish");
    EXPECT_EQ(walkPair(false, first, other), "start !Other^ finish");
}
