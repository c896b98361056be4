#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <stdexcept>

#include "TreeHelpers.h"
#include "common/TestSupport.h"
#include "repos/DataCouple.h"
#include "repos/DataStrategy.h"
#include "repos/Settings.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

// A value type whose write-back always fails, to prove a couple's
// destructor swallows it.
struct Exploding {
    int n = 0;
};

}  // namespace

namespace vexa {
namespace repos {
template <>
class DataStrategy<Exploding> {
  public:
    virtual ~DataStrategy() {}
    boost::shared_ptr<Exploding> load(NamedNode::Ptr) const {
        return boost::shared_ptr<Exploding>(new Exploding);
    }
    void storeInto(boost::shared_ptr<Exploding>, NamedNode::Ptr node) const {
        node->setName(toWx("written"));
        throw std::runtime_error("disk on fire");
    }
};
}  // namespace repos
}  // namespace vexa

namespace {

NamedNode::Ptr withValue(const char* text) {
    return addChild(NamedNode::Ptr(), "N", {{"v", text}});
}

TEST(SharedReaders, IntegerFollowsAtoiRules) {
    EXPECT_EQ(readIntValue(withValue("12abc"), toWx("v")), 12);
    EXPECT_EQ(readIntValue(withValue("abc"), toWx("v")), 0);
    EXPECT_EQ(readIntValue(withValue("  -7x"), toWx("v")), -7);
    EXPECT_EQ(readIntValue(withValue("+3"), toWx("v")), 3);
    EXPECT_EQ(readIntValue(withValue(""), toWx("v")), 0);
    EXPECT_EQ(readIntValue(withValue("5"), toWx("absent")), 0);
    EXPECT_EQ(readIntValue(NamedNode::Ptr(), toWx("v")), 0);
    EXPECT_EQ(readIntValue(withValue("99999999999999999999999"), toWx("v")), INT_MAX);
    EXPECT_EQ(readIntValue(withValue("-99999999999999999999999"), toWx("v")), INT_MIN);
    EXPECT_EQ(readIntValue(withValue("-2147483648"), toWx("v")), INT_MIN);
}

TEST(SharedReaders, UnsignedNeedsTheWholeTextInRange) {
    EXPECT_EQ(readUnsignedValue(withValue("12abc"), toWx("v"), 10), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("4294967295"), toWx("v"), 10), 4294967295u);
    EXPECT_EQ(readUnsignedValue(withValue("4294967296"), toWx("v"), 10), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("99999999999999999999999"), toWx("v"), 10), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("-1"), toWx("v"), 10), 0u);
    EXPECT_EQ(readUnsignedValue(withValue(" 5"), toWx("v"), 10), 0u);
    EXPECT_EQ(readUnsignedValue(withValue(""), toWx("v"), 10), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("1f"), toWx("v"), 10), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("0x1F"), toWx("v"), 16), 31u);
    EXPECT_EQ(readUnsignedValue(withValue("0X1f"), toWx("v"), 16), 31u);
    EXPECT_EQ(readUnsignedValue(withValue("ffffffff"), toWx("v"), 16), 0xffffffffu);
    EXPECT_EQ(readUnsignedValue(withValue("0x100000000"), toWx("v"), 16), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("0x"), toWx("v"), 16), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("0xg"), toWx("v"), 16), 0u);
    EXPECT_EQ(readUnsignedValue(withValue("17"), toWx("v"), 8), 0u);
    EXPECT_EQ(readUnsignedValue(NamedNode::Ptr(), toWx("v"), 10), 0u);
}

TEST(SharedReaders, TextIsCutAtACharacterBoundaryAndNeverOverflows) {
    char buffer[12];
    std::memset(buffer, 'Z', sizeof buffer);
    // "Grün" is 5 bytes; a limit of 3 must not keep half of the "ü".
    readTextValue(buffer, withValue("Grün"), toWx("v"), 3);
    EXPECT_STREQ(buffer, "Gr");
    EXPECT_EQ(buffer[3], '\0');
    EXPECT_EQ(buffer[4], 'Z') << "wrote past buffer[maximum]";

    readTextValue(buffer, withValue("Grün"), toWx("v"), 4);
    EXPECT_STREQ(buffer, "Gr\xc3\xbc");

    std::memset(buffer, 'Z', sizeof buffer);
    readTextValue(buffer, withValue("ab"), toWx("v"), 6);
    EXPECT_STREQ(buffer, "ab");
    for (int i = 2; i <= 6; ++i) {
        EXPECT_EQ(buffer[i], '\0') << i;
    }
    EXPECT_EQ(buffer[7], 'Z');

    readTextValue(buffer, NamedNode::Ptr(), toWx("v"), 6);
    EXPECT_STREQ(buffer, "");
}

// The writers' number forms and the comma locale are checked through the
// strategies that use them.
TEST(SharedReaders, RealNumbersRoundAndExtremesStayInTheBuffer) {
    EXPECT_EQ(formatReal(3.7, 0), toWx("4"));
    EXPECT_EQ(formatReal(1.0, -3), toWx("1"));
    const wxString huge = formatReal(1e308, 64);
    EXPECT_EQ(huge.length(), 309u + 1 + 64);
    EXPECT_DOUBLE_EQ(readRealValue(withValue("1.234567"), toWx("v")), 1.234567);
    EXPECT_DOUBLE_EQ(readRealValue(withValue("2,50"), toWx("v")), 2.0);
    EXPECT_DOUBLE_EQ(readRealValue(withValue("abc"), toWx("v")), 0.0);
    EXPECT_DOUBLE_EQ(readRealValue(NamedNode::Ptr(), toWx("v")), 0.0);
}

TEST(SharedWriters, PrepareChildReusesTheFirstAndClearsOnlyItsAttributes) {
    NamedNode::Ptr parent = addChild(NamedNode::Ptr(), "P");
    NamedNode::Ptr first = addChild(parent, "C", {{"a", "1"}});
    addChild(first, "Grandchild");
    NamedNode::Ptr second = addChild(parent, "C", {{"b", "2"}});

    EXPECT_EQ(prepareChild(parent, toWx("C")), first);
    EXPECT_TRUE(first->getAttributes().empty());
    EXPECT_EQ(first->getChildCount(), 1u);
    EXPECT_EQ(attr(second, "b"), "2");

    NamedNode::Ptr made = prepareChild(parent, toWx("New"));
    EXPECT_EQ(childNames(parent), "C,C,New");
    EXPECT_EQ(made->getParent(), parent);
    EXPECT_FALSE(prepareChild(NamedNode::Ptr(), toWx("X")));
}

TEST(SharedWriters, RemoveChildDetachesTheFirstOnly) {
    NamedNode::Ptr parent = addChild(NamedNode::Ptr(), "P");
    addChild(parent, "A", {{"n", "1"}});
    addChild(parent, "B");
    addChild(parent, "A", {{"n", "2"}});
    removeChild(parent, toWx("A"));
    EXPECT_EQ(childNames(parent), "B,A");
    EXPECT_EQ(attr(parent->findChild(toWx("A")), "n"), "2");
    removeChild(parent, toWx("Missing"));
    removeChild(NamedNode::Ptr(), toWx("A"));
    EXPECT_EQ(childNames(parent), "B,A");
}

// "index=name" of each entry, in the order given.
std::string indexed(const IndexedChildren& children) {
    std::string text;
    for (const auto& entry : children) {
        text += (text.empty() ? "" : ",") + std::to_string(entry.first) + "=" + name(entry.second);
    }
    return text;
}

TEST(SharedReaders, IndexedTakeWholeNonNegativeNumbersBelowTheLimitAndLaterDuplicatesWin) {
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "N");
    for (const char* child :
         {"Lut7", "Lut0", "Lut8", "Lut-1", "Lutx", "Other", "Lut", "Lut3a", "Lut99999999999"}) {
        addChild(node, child);
    }
    // By number, whatever the document order.
    EXPECT_EQ(indexed(indexedChildren(node, "Lut", 8)), "0=Lut0,7=Lut7");
    EXPECT_EQ(indexed(indexedChildren(node, "Lut", 0)), "0=Lut0,7=Lut7,8=Lut8");
    EXPECT_TRUE(indexedChildren(NamedNode::Ptr(), "Lut", 0).empty());

    // Later duplicates win, and attributes work alike.
    addChild(node, "Lut07", {{"v", "first"}});
    addChild(node, "Lut+7", {{"v", "second"}});
    const IndexedChildren limited = indexedChildren(node, "Lut", 8);
    EXPECT_EQ(indexed(limited), "0=Lut0,7=Lut+7");
    EXPECT_EQ(attr(limited.back().second, "v"), "second");

    NamedNode::Ptr spot = addChild(NamedNode::Ptr(), "Spot",
                                   {{"S0", "10"}, {"S11", "11"}, {"S12", "12"}, {"S2", "2"},
                                    {"S02", "two"}, {"Sx", "?"}, {"position", "3"}});
    const IndexedTexts samples = indexedAttributes(spot, "S", 12);
    EXPECT_EQ(samples, (IndexedTexts{{0, "10"}, {2, "2"}, {11, "11"}}));
}

TEST(StringListStrategy, ReadsChildNamesAndStoresOrAppendsThemUnderPageSizes) {
    DataStrategy<std::list<wxString>> strategy;
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "Sizes");
    addChild(node, "A4", {{"width", "210"}});
    addChild(node, "Légal");
    boost::shared_ptr<std::list<wxString>> list = strategy.load(node);
    EXPECT_EQ(*list, (std::list<wxString>{toWx("A4"), toWx("Légal")}));

    std::list<wxString> kept{toWx("keep")};
    strategy.load(NamedNode::Ptr(), kept);
    EXPECT_EQ(kept, std::list<wxString>{toWx("keep")});
    EXPECT_TRUE(strategy.load(NamedNode::Ptr())->empty());

    list->push_back(toWx("B5"));
    strategy.storeInto(list, node);
    EXPECT_EQ(name(node), "PageSizes");
    EXPECT_EQ(childNames(node), "A4,Légal,B5");
    EXPECT_TRUE(node->findChild(toWx("A4"))->getAttributes().empty());

    node->setName(toWx("Other"));
    strategy.storeInto(boost::shared_ptr<std::list<wxString>>(), node);
    EXPECT_EQ(name(node), "PageSizes");
    EXPECT_EQ(node->getChildCount(), 3u) << "an empty list pointer keeps the children";

    strategy.storeInto(boost::shared_ptr<std::list<wxString>>(new std::list<wxString>), node);
    EXPECT_EQ(node->getChildCount(), 0u);

    // storeNew always appends, under the written name.
    NamedNode::Ptr parent = addChild(NamedNode::Ptr(), "Media");
    addChild(parent, "Names");
    NamedNode::Ptr made = strategy.storeNew(list, parent, toWx("Names"));
    EXPECT_EQ(childNames(parent), "Names,PageSizes");
    EXPECT_EQ(childNames(made), "A4,Légal,B5");
}

TEST(StringMapStrategy, LaterChildWinsAndStoreSortsUnderTableDefaults) {
    DataStrategy<std::map<wxString, wxString>> strategy;
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "T");
    addChild(node, "b", {{"value", "1"}});
    addChild(node, "a", {{"value", "2"}});
    addChild(node, "b", {{"value", "3"}});
    addChild(node, "c");
    boost::shared_ptr<std::map<wxString, wxString>> map = strategy.load(node);
    ASSERT_EQ(map->size(), 3u);
    EXPECT_EQ((*map)[toWx("b")], toWx("3"));
    EXPECT_EQ((*map)[toWx("c")], toWx(""));

    (*map)[toWx("")] = toWx("blank");
    strategy.storeInto(map, node);
    EXPECT_EQ(name(node), "TableDefaults");
    EXPECT_EQ(childNames(node), ",a,b,c");
    EXPECT_EQ(attr(childAt(node, 0), "value"), "blank");
    EXPECT_EQ(attr(childAt(node, 2), "value"), "3");

    // Both must exist: an empty map pointer changes nothing.
    node->setName(toWx("Other"));
    strategy.storeInto(boost::shared_ptr<std::map<wxString, wxString>>(), node);
    EXPECT_EQ(name(node), "Other");
    EXPECT_EQ(node->getChildCount(), 4u);
}

TEST(RawNodeDataStrategy, LoadSharesTheNodesOwnData) {
    DataStrategy<NamedNodeData> strategy;
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "N", {{"value", "x"}});
    boost::shared_ptr<NamedNodeData> data = strategy.load(node);
    data->attributes[toWx("value")] = toWx("y");
    EXPECT_EQ(attr(node, "value"), "y");
    EXPECT_FALSE(strategy.load(NamedNode::Ptr()));

    NamedNodeData copy;
    strategy.load(node, copy);
    copy.name = toWx("changed");
    EXPECT_EQ(name(node), "N");
}

// A settings tree: Printer { Sizes(1) { A4 } Sizes(2) { A5 } }.
class CoupleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings =
            SettingsManager::NewSettings(toWx("Printer"), boost::shared_ptr<ISettingsStrategy>());
        first = addChild(settings->getRoot(), "Sizes", {{"n", "1"}});
        addChild(first, "A4");
        second = addChild(settings->getRoot(), "Sizes", {{"n", "2"}});
        addChild(second, "A5");
    }
    typedef std::list<wxString> Names;
    boost::shared_ptr<Settings> settings;
    NamedNode::Ptr first, second;
};

TEST_F(CoupleTest, GetOnlyLeavesTheTreeUntouched) {
    {
        DataCouple<Names> couple = findCouple<Names>(*settings, toWx("Printer/Sizes"));
        EXPECT_EQ(couple.get(), Names{toWx("A4")});
        EXPECT_EQ(couple.getNode(), first);
    }
    EXPECT_EQ(name(first), "Sizes") << "storeInto would have renamed the node";
}

TEST_F(CoupleTest, ModifyWritesBackOnTheLastReleaseEvenIfUnchanged) {
    {
        DataCouple<Names> couple = findCouple<Names>(*settings, toWx("Printer/Sizes"));
        couple.modify();
        { DataCouple<Names> copy = couple; }
        EXPECT_EQ(name(first), "Sizes") << "a copy's release is not the last";
    }
    EXPECT_EQ(name(first), "PageSizes");
    EXPECT_EQ(childNames(first), "A4");

    {
        DataCouple<Names> couple = findCouple<Names>(*settings, toWx("Printer/Sizes"));
        couple.modify().push_back(toWx("Folio"));
    }
    EXPECT_EQ(childNames(second), "A5,Folio");
}

TEST_F(CoupleTest, EmptyCouplesThrowAndWriteNothing) {
    DataCouple<Names> none = findCouple<Names>(*settings, toWx("Printer/Missing"));
    EXPECT_TRUE(none.isEmpty());
    EXPECT_FALSE(none.getNode());
    EXPECT_THROW(none.get(), EmptyDataCoupleException);
    EXPECT_THROW(none.modify(), EmptyDataCoupleException);
    try {
        none.get();
    } catch (const RepositoryException& e) {
        EXPECT_STREQ(e.what(), "");
    }
    DataCouple<Names> unset;
    EXPECT_THROW(unset.get(), EmptyDataCoupleException);
    EXPECT_THROW(unset.modify(), EmptyDataCoupleException);

    // Raw node data of an empty node has no value at all.
    DataCouple<NamedNodeData> raw{NamedNode::Ptr(), NamedNode::Ptr()};
    EXPECT_THROW(raw.get(), EmptyDataCoupleException);
    EXPECT_EQ(name(first), "Sizes");
    EXPECT_EQ(name(second), "Sizes");
}

TEST_F(CoupleTest, ListLookupMakesOneCouplePerNodeAndKeepsTheTreeAlive) {
    std::list<DataCouple<NamedNodeData>> couples =
        findCouples<NamedNodeData>(*settings, toWx("Printer/Sizes"));
    ASSERT_EQ(couples.size(), 2u);
    EXPECT_EQ(couples.front().get().attributes.at(toWx("n")), toWx("1"));
    EXPECT_EQ(couples.back().get().attributes.at(toWx("n")), toWx("2"));
    EXPECT_TRUE(findCouples<NamedNodeData>(*settings, toWx("Printer/None")).empty());

    boost::weak_ptr<NamedNode> root = settings->getRoot();
    settings.reset();
    first.reset();
    second.reset();
    EXPECT_FALSE(root.expired()) << "couples hold the tree's root";
    EXPECT_EQ(couples.back().getNode()->getParent(), root.lock());
    couples.clear();
    EXPECT_TRUE(root.expired());
}

TEST(CoupleWriteBack, AFailingWriteBackIsLoggedAndDoesNotEscape) {
    LogCapture log;
    NamedNode::Ptr node = addChild(NamedNode::Ptr(), "N");
    {
        DataCouple<Exploding> couple(node, node);
        couple.modify().n = 1;
    }
    EXPECT_EQ(name(node), "written") << "the write-back ran";
    EXPECT_TRUE(log.mentions("disk on fire"));

    // Not modified: the write-back does not even run.
    NamedNode::Ptr quiet = addChild(NamedNode::Ptr(), "Q");
    { DataCouple<Exploding> couple(quiet, quiet); }
    EXPECT_EQ(name(quiet), "Q");
}

}  // namespace
