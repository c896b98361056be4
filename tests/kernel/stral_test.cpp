#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kernel/VexKernel.h"

namespace {

typedef std::vector<std::string> Row;

// The texts of every row of the chain, read through the layout callers use.
std::vector<Row> rowsOf(const SSTRAL* array) {
    std::vector<Row> rows;
    for (const SSTRALROW* row = array->first; row != nullptr; row = row->next) {
        Row texts;
        for (int32_t i = 0; i < row->count; ++i) {
            texts.push_back(row->texts[i]);
        }
        rows.push_back(texts);
    }
    return rows;
}

std::vector<int> kindsOf(const SSTRAL* array) {
    std::vector<int> kinds;
    for (const SSTRALROW* row = array->first; row != nullptr; row = row->next) {
        kinds.push_back(row->kind);
    }
    return kinds;
}

class StralTest : public ::testing::Test {
  protected:
    void SetUp() override { m_array = _stral_new(); }
    void TearDown() override { stral_free(m_array); }
    SSTRAL* m_array = nullptr;
};

TEST_F(StralTest, NewArrayIsEmptyAndAppendsCopyTheirTextsAndKeepOrderAndKind) {
    ASSERT_NE(m_array, nullptr);
    EXPECT_EQ(m_array->first, nullptr);
    char name[] = "A4";
    EXPECT_EQ(0, stral_add(m_array, -1, 0x51, name, "", "Caf\xC3\xA9", nullptr));
    name[0] = 'X';  // the row holds its own copy
    EXPECT_EQ(0, stral_add(m_array, -1, 0x32, "Letter", nullptr));
    EXPECT_EQ(0, stral_add(m_array, -1, 0xa, nullptr));  // a row without texts
    EXPECT_EQ(rowsOf(m_array), (std::vector<Row>{{"A4", "", "Caf\xC3\xA9"}, {"Letter"}, {}}));
    EXPECT_EQ(kindsOf(m_array), (std::vector<int>{0x51, 0x32, 0xa}));
    EXPECT_EQ(m_array->last->next, nullptr);
    EXPECT_EQ(m_array->last->kind, 0xa);
}

TEST_F(StralTest, PositionsInsertBeforeTheIndexedRowAndTheTailStaysRight) {
    stral_add(m_array, -1, 1, "b", nullptr);
    stral_add(m_array, 0, 1, "a", nullptr);   // first
    stral_add(m_array, 99, 1, "d", nullptr);  // past the end appends
    stral_add(m_array, 2, 1, "c", nullptr);   // before "d"
    stral_add(m_array, -5, 1, "e", nullptr);  // any negative appends
    stral_add(m_array, -1, 1, "f", nullptr);
    EXPECT_EQ(rowsOf(m_array), (std::vector<Row>{{"a"}, {"b"}, {"c"}, {"d"}, {"e"}, {"f"}}));
    ASSERT_NE(m_array->last, nullptr);
    EXPECT_STREQ(m_array->last->texts[0], "f");
    // A tail lost while rows are there is found again by the next append.
    m_array->last = nullptr;
    stral_add(m_array, -1, 1, "g", nullptr);
    EXPECT_EQ(rowsOf(m_array).back(), Row{"g"});
    EXPECT_EQ(rowsOf(m_array).size(), 7u);
}

TEST_F(StralTest, ZeroingTheFirstTwoWordsEmptiesTheArrayWithoutLeakingAndCopiesSeeOnlyWhatIsLeft) {
    // What the settings readers do before refilling an array; the dropped
    // rows are still released by stral_free (the leak checker sees it).
    stral_add(m_array, -1, 0x51, "old1", nullptr);
    stral_add(m_array, -1, 0x51, "old2", nullptr);
    std::memset(m_array, 0, 2 * sizeof(void*));
    EXPECT_TRUE(rowsOf(m_array).empty());
    EXPECT_EQ(stral_find(m_array, "old1", 0), 0);
    stral_add(m_array, -1, 0x51, "new", nullptr);
    EXPECT_EQ(rowsOf(m_array), (std::vector<Row>{{"new"}}));
    // A copy takes only the visible chain, and its tail is its own.
    SSTRAL* copy = _stral_copy(m_array);
    stral_add(copy, -1, 1, "more", nullptr);
    EXPECT_EQ(rowsOf(copy), (std::vector<Row>{{"new"}, {"more"}}));
    EXPECT_EQ(rowsOf(m_array), (std::vector<Row>{{"new"}}));
    stral_free(copy);
}

TEST_F(StralTest, CopyIsDeepAndIndependent) {
    stral_add(m_array, -1, 0x51, "A4", "210", nullptr);
    stral_add(m_array, -1, 0xa, "\xE6\x97\xA5\xE6\x9C\xAC", nullptr);
    SSTRAL* copy = _stral_copy(m_array);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(rowsOf(copy), rowsOf(m_array));
    EXPECT_EQ(kindsOf(copy), kindsOf(m_array));
    EXPECT_NE(copy->first, m_array->first);
    EXPECT_NE(copy->first->texts[0], m_array->first->texts[0]);

    copy->first->texts[0][0] = 'B';
    stral_add(copy, -1, 0x51, "extra", nullptr);
    EXPECT_EQ(rowsOf(m_array), (std::vector<Row>{{"A4", "210"}, {"\xE6\x97\xA5\xE6\x9C\xAC"}}));

    // The copy outlives its original (use after free would show here).
    stral_free(m_array);
    m_array = nullptr;
    EXPECT_EQ(rowsOf(copy),
              (std::vector<Row>{{"B4", "210"}, {"\xE6\x97\xA5\xE6\x9C\xAC"}, {"extra"}}));
    stral_free(copy);
}

TEST_F(StralTest, FindMatchesWholeTextsInAnyColumn) {
    stral_add(m_array, -1, 0x51, "LPT1", "parallel", "", nullptr);
    stral_add(m_array, -1, 0x51, "Caf\xC3\xA9", "usb", "1", nullptr);
    EXPECT_EQ(stral_find(m_array, "LPT1", 0), 1);
    EXPECT_EQ(stral_find(m_array, "usb", 0), 2);
    EXPECT_EQ(stral_find(m_array, "Caf\xC3\xA9", 0), 2);
    EXPECT_EQ(stral_find(m_array, "", 0), 1);
    EXPECT_EQ(stral_find(m_array, "LPT", 0), 0);
    EXPECT_EQ(stral_find(m_array, "lpt1", 0), 0);
    EXPECT_EQ(stral_find(m_array, "Cafe", 0), 0);
}

TEST(StralNull, NullArraysAreHandled) {
    EXPECT_EQ(_stral_copy(nullptr), nullptr);
    EXPECT_EQ(stral_add(nullptr, -1, 1, "a", nullptr), -1);
    EXPECT_EQ(stral_find(nullptr, "a", 0), 0);
    stral_free(nullptr);
    SSTRAL* array = _stral_new();
    EXPECT_EQ(stral_find(array, nullptr, 0), 0);
    SSTRAL* copy = _stral_copy(array);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->first, nullptr);
    stral_free(copy);
    stral_free(array);
}

}  // namespace
