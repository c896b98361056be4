#include <gtest/gtest.h>

#include "TreeHelpers.h"
#include "repos/DataCouple.h"
#include "repos/StringArrays.h"

using namespace vexa::repos;
using namespace vexa::test;

namespace {

// Rows the array still keeps for release: the chain plus any dropped rows.
std::size_t keptRows(const SSTRAL* array) {
    std::size_t n = 0;
    for (const SSTRALROW* row = array->owned; row != nullptr; row = row->owned) {
        ++n;
    }
    return n;
}

// Names, margins and the attributes of full and marginless rows are held by
// the regenerated sample; here a row whose first margin alone is empty.
TEST(PageSizesStrategy, RoundTripKeepsNamesMarginsAndNonAsciiText) {
    // Text conversions must not depend on the process locale (tests run under
    // LC_ALL=C), so the non-ASCII name has to survive byte for byte.
    const Rows rows{{"A4", "595", "842", "1", "0", "10", "12", "10", "14"},
                    {"Überformat 50×70 cm", "1417", "1984", "1", "2"},
                    {"Letter", "612", "792", "0", "0", "", "1", "2", "3"}};
    StralPtr source = makeStral(rows);
    boost::shared_ptr<PageSizes> value(new PageSizes(source.get()));
    NamedNode::Ptr node = root("PageSizes");
    DataStrategy<PageSizes>().storeInto(value, node);
    // An empty sixth text writes no margins.
    EXPECT_EQ(childAt(node, 2)->getAttributes().size(), 4u);

    boost::shared_ptr<PageSizes> back = DataStrategy<PageSizes>().load(node);
    EXPECT_EQ(rowsOf(back->getStral()),
              (Rows{rows[0],
                    {"Überformat 50×70 cm", "1417", "1984", "1", "2", "", "", "", ""},
                    {"Letter", "612", "792", "0", "0", "", "", "", ""}}));
    EXPECT_EQ(kindsOf(back->getStral()), (std::vector<int>{0x51, 0x51, 0x51}));
}

TEST(PageSizesStrategy, ReaderEmptiesTheArrayAndReleasesDroppedRows) {
    PageSizes value;
    addRow(value.getStral(), {"Old", "1", "2", "3", "4"});
    NamedNode::Ptr node = root();
    addChild(node, "A3", {{"width", "842"}});
    DataStrategy<PageSizes> strategy;
    strategy.load(node, value);
    strategy.load(node, value);
    ASSERT_EQ(rowsOf(value.getStral()).size(), 1u);
    EXPECT_EQ(rowsOf(value.getStral())[0][1], "842");
    EXPECT_EQ(keptRows(value.getStral()), 1u) << "dropped rows were not released";

    strategy.load(NamedNode::Ptr(), value);
    EXPECT_TRUE(rowsOf(value.getStral()).empty());
    EXPECT_EQ(keptRows(value.getStral()), 0u);
}

TEST(PageSizesStrategy, StoreNewAppendsAndShortRowsWriteEmptyTexts) {
    // A hand-made row with fewer texts than the form must not be read past.
    StralPtr source = makeStral({{"Tiny"}});
    boost::shared_ptr<PageSizes> value(new PageSizes(source.get()));
    NamedNode::Ptr parent = root();
    addChild(parent, "PageSizes");
    NamedNode::Ptr made = DataStrategy<PageSizes>().storeNew(value, parent, toWx("PageSizes"));
    EXPECT_EQ(childNames(parent), "PageSizes,PageSizes");
    EXPECT_EQ(made->getParent(), parent);
    EXPECT_EQ(childNames(made), "Tiny");
    EXPECT_EQ(attr(childAt(made, 0), "width"), "");
    EXPECT_EQ(childAt(made, 0)->getAttributes().size(), 4u);
}

TEST(PassInfoStrategy, PassesAreRenumberedFromZeroOnEveryStore) {
    NamedNode::Ptr node = root("PassInfo");
    addChild(node, "Pass7", {{"value", "8"}, {"id", "fine"}});
    addChild(node, "Whatever", {{"value", "4"}});
    boost::shared_ptr<PassInfo> value = DataStrategy<PassInfo>().load(node);
    EXPECT_EQ(rowsOf(value->getStral()), (Rows{{"8", "fine"}, {"4", ""}}));

    DataStrategy<PassInfo>().storeInto(value, node);
    EXPECT_EQ(childNames(node), "Pass0,Pass1");
    EXPECT_EQ(attr(childAt(node, 0), "id"), "fine");
    EXPECT_EQ(attr(childAt(node, 1), "value"), "4");
    EXPECT_EQ(name(node), "PassInfo");
}

TEST(PassInfoStrategy, EmptyValueLeavesTheNodeWithoutChildren) {
    NamedNode::Ptr parent = root();
    NamedNode::Ptr node = addChild(parent, "PassInfo");
    addChild(node, "Pass0", {{"value", "1"}});
    DataStrategy<PassInfo>().storeInto(boost::shared_ptr<PassInfo>(new PassInfo), node);
    EXPECT_EQ(node->getChildCount(), 0u);
    EXPECT_EQ(node->getParent(), parent);

    // The reader empties even for a missing node.
    PassInfo filled;
    addRow(filled.getStral(), {"1", "a"});
    DataStrategy<PassInfo>().load(NamedNode::Ptr(), filled);
    EXPECT_TRUE(rowsOf(filled.getStral()).empty());
}

TEST(PortListStrategy, RoundTripRenamesTheNode) {
    StralPtr source =
        makeStral({{"USB001", "usb", "\\\\?\\usb#vid"}, {"Netz-Drücker", "tcp", "10.0.0.9:9100"}});
    boost::shared_ptr<PortList> value(new PortList(source.get()));
    NamedNode::Ptr node = addChild(root(), "Ports");
    DataStrategy<PortList>().storeInto(value, node);
    EXPECT_EQ(name(node), "PortList");
    EXPECT_EQ(rowsOf(DataStrategy<PortList>().load(node)->getStral()), rowsOf(source.get()));
}

TEST(PortListStrategy, EmptyListRemovesItsNodeAndEmptyNodeKeepsTheValue) {
    NamedNode::Ptr parent = root();
    NamedNode::Ptr node = addChild(parent, "PortList");
    addChild(node, "LPT1");
    DataStrategy<PortList>().storeInto(boost::shared_ptr<PortList>(new PortList), node);
    EXPECT_EQ(parent->getChildCount(), 0u);
    EXPECT_FALSE(node->getParent());

    NamedNode::Ptr other = addChild(parent, "PortList");
    DataStrategy<PortList>().storeInto(boost::shared_ptr<PortList>(), other);
    EXPECT_EQ(parent->getChildCount(), 0u);

    PortList kept;
    addRow(kept.getStral(), {"COM1", "serial", "9600"});
    DataStrategy<PortList>().load(NamedNode::Ptr(), kept);
    EXPECT_EQ(rowsOf(kept.getStral()).size(), 1u);
}

TEST(StringArrayWrappers, CopiesAreDeepAndNeverTakeTheCallersArray) {
    StralPtr source = makeStral({{"A4", "1", "2", "3", "4"}});
    PageSizes sizes(source.get());
    EXPECT_NE(sizes.getStral(), source.get());
    {
        PageSizes copy(sizes);
        addRow(copy.getStral(), {"A5", "1", "2", "3", "4"});
        PageSizes assigned;
        assigned = copy;
        addRow(assigned.getStral(), {"A6", "1", "2", "3", "4"});
        EXPECT_EQ(rowsOf(copy.getStral()).size(), 2u);
        EXPECT_EQ(rowsOf(assigned.getStral()).size(), 3u);
        assigned = assigned;
        EXPECT_EQ(rowsOf(assigned.getStral()).size(), 3u);
    }
    EXPECT_EQ(rowsOf(sizes.getStral()), rowsOf(source.get()));

    PassInfo passes(source.get());
    PassInfo passCopy(passes);
    passCopy = PassInfo();
    EXPECT_EQ(rowsOf(passes.getStral()).size(), 1u);
    PortList ports(nullptr);
    EXPECT_NE(ports.getStral(), nullptr);
    PortList portCopy(ports);
    addRow(portCopy.getStral(), {"COM2", "serial", ""});
    ports = portCopy;
    addRow(portCopy.getStral(), {"COM3", "serial", ""});
    EXPECT_EQ(rowsOf(ports.getStral()).size(), 1u);
}

TEST(StringArrayWrappers, ThousandsOfChildrenAndCouplesWriteBack) {
    boost::shared_ptr<Settings> settings =
        SettingsManager::NewSettings(toWx("Printer"), boost::shared_ptr<ISettingsStrategy>());
    NamedNode::Ptr node = addChild(settings->getRoot(), "PageSizes");
    for (int i = 0; i < 5000; ++i) {
        addChild(node, "S" + std::to_string(i), {{"width", "1"}});
    }
    {
        DataCouple<PageSizes> couple = findCouple<PageSizes>(*settings, toWx("Printer/PageSizes"));
        EXPECT_EQ(rowsOf(couple.get().getStral()).size(), 5000u);
        addRow(couple.modify().getStral(), {"Last", "9", "9", "9", "9"});
    }
    EXPECT_EQ(node->getChildCount(), 5001u);
    EXPECT_EQ(name(childAt(node, 5000)), "Last");
}

}  // namespace
