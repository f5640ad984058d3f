// The process list's rules without the system: the image path for the shell, the account
// text and the column sort.
#include "procsel/process_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quarry {
namespace {

TEST(ImagePath, RemovesTheDosPrefixOrRewritesTheSystemRootInAnyCaseButNeverBoth) {
    const struct {
        std::u16string path, rewritten;
        bool needsExpansion;
    } cases[] = {
        {u"\\??\\D:\\dir\\app.exe", u"D:\\dir\\app.exe", false},
        {u"\\Systemroot\\System32\\ntoskrnl.exe", u"%SystemRoot%\\System32\\ntoskrnl.exe", true},
        {u"\\SYSTEMROOT\\a.exe", u"%SystemRoot%\\a.exe", true},
        {u"\\sYsTeMrOoT", u"%SystemRoot%", true},
        {u"\\??\\\\Systemroot\\a.exe", u"\\Systemroot\\a.exe", false},  // one rule only
        {u"C:\\windows\\explorer.exe", u"C:\\windows\\explorer.exe", false},
        {u"\\Systemroo", u"\\Systemroo", false},
        {u"\\Systemro\u00D6t\\a.exe", u"\\Systemro\u00D6t\\a.exe", false},  // only A-Z fold
    };
    for (const auto& c : cases) {
        const std::optional<ImagePath> result = RewriteImagePath(c.path);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->text, c.rewritten);
        EXPECT_EQ(result->needsExpansion, c.needsExpansion);
    }
}

TEST(ImagePath, AndAccountTextGiveUpWhenTheyWouldNotFitTheirBuffers) {
    const std::u16string systemRoot = u"\\Systemroot" + std::u16string(247, u'x');  // 258 characters
    EXPECT_EQ(RewriteImagePath(systemRoot)->text.size(), 259u);  // the longest that fits
    EXPECT_FALSE(RewriteImagePath(systemRoot + u"y").has_value());
    EXPECT_FALSE(RewriteImagePath(std::u16string(260, u'x')).has_value());

    EXPECT_EQ(FormatAccountText(u"NT AUTHORITY", u"SYSTEM"), u"NT AUTHORITY\\SYSTEM");
    const std::u16string half(129, u'd');
    EXPECT_EQ(FormatAccountText(half, half)->size(), 259u);
    EXPECT_FALSE(FormatAccountText(half + u"d", half).has_value());
}

TEST(ProcessSort, AColumnStartsDescendingAndThenAlternatesWithItsArrow) {
    constexpr std::uint32_t kOtherFlags = 0x4001;  // text, right-aligned: kept as they are
    ColumnSort click = ToggleColumnSort(kProcessIdColumn, kOtherFlags);
    EXPECT_EQ(click.state, 1u);
    EXPECT_EQ(click.format, kOtherFlags | kHeaderSortDown);
    click = ToggleColumnSort(kProcessIdColumn, click.format);
    EXPECT_EQ(click.state, 1u | kSortAscending);
    EXPECT_EQ(click.format, kOtherFlags | kHeaderSortUp);
    click = ToggleColumnSort(kProcessIdColumn, click.format);
    EXPECT_EQ(click.state, 1u);
    EXPECT_EQ(click.format, kOtherFlags | kHeaderSortDown);
}

// The ids of `rows` in the order the list gives them after `clicks` clicks on `column`.
std::vector<std::uint32_t> IdsAfterClicks(std::vector<ProcessRowKey> rows, int column, int clicks) {
    ColumnSort click{0, 0};
    for (int i = 0; i < clicks; ++i) click = ToggleColumnSort(column, click.format);
    std::stable_sort(rows.begin(), rows.end(), [&click](const ProcessRowKey& a, const ProcessRowKey& b) {
        return CompareProcessRows(a, b, click.state) < 0;
    });
    std::vector<std::uint32_t> ids;
    for (const ProcessRowKey& row : rows) ids.push_back(row.processId);
    return ids;
}

using Ids = std::vector<std::uint32_t>;

TEST(ProcessSort, IdsCompareAsNumbersNamesAndUsersAsTextWithAToZFolded) {
    // As text, "96" would come after "1200".
    const std::vector<ProcessRowKey> ids = {{8, u"8"}, {1200, u"1200"}, {804, u"804"}, {96, u"96"}};
    EXPECT_EQ(IdsAfterClicks(ids, kProcessIdColumn, 1), (Ids{1200, 804, 96, 8}));
    EXPECT_EQ(IdsAfterClicks(ids, kProcessIdColumn, 2), (Ids{8, 96, 804, 1200}));

    // Equal names keep their order; 'A' folds to 0x61, above '_'; a text that ends first is
    // the smaller; units beyond A-Z compare unfolded and unsigned.
    const std::vector<ProcessRowKey> names = {{1, u"explorer.exe"}, {2, u"Services.exe"}, {3, u"Explorer.EXE"},
                                              {4, u"a_b.exe"},      {5, u"AB.exe"},       {6, u"ab"},
                                              {7, u"\u00C9.exe"},   {8, u"\uFFFF"}};
    EXPECT_EQ(IdsAfterClicks(names, kNameColumn, 1), (Ids{8, 7, 2, 1, 3, 5, 6, 4}));
    EXPECT_EQ(IdsAfterClicks(names, kUserColumn, 2), (Ids{4, 6, 5, 1, 3, 2, 7, 8}));
    EXPECT_EQ(IdsAfterClicks(names, 3, 1), (Ids{1, 2, 3, 4, 5, 6, 7, 8}));  // no such column
}

TEST(ProcessSort, TurningTheSmallestIdDifferenceAroundDoesNotOverflow) {
    // Ids 2^31 apart: the difference read as signed is the smallest int.
    const int smallest = CompareProcessIds(0x80000004u, 4u);
    EXPECT_LT(smallest, 0);
    EXPECT_EQ(ApplySortDirection(smallest, 0), 1);
    EXPECT_EQ(ApplySortDirection(smallest, kSortAscending), -1);
}

}  // namespace
}  // namespace quarry
