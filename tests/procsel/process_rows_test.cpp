// The process list's rules without the system: the image path for the shell and the column
// sort. The account's domain\user is read on the live list.
#include "procsel/process_rows.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quarry {
namespace {

TEST(ProcessRows, ImagePathLosesOnePrefixAndMustFitTheList) {
    const struct {
        std::u16string path;
        std::optional<std::u16string> rewritten;
        bool needsExpansion;
    } cases[] = {
        {u"\\??\\D:\\dir\\app.exe", u"D:\\dir\\app.exe", false},
        {u"\\SYSTEMROOT\\System32\\ntoskrnl.exe", u"%SystemRoot%\\System32\\ntoskrnl.exe", true},
        {u"C:\\windows\\explorer.exe", u"C:\\windows\\explorer.exe", false},
        // The list's buffer holds 259 units and a zero, counted once the path is rewritten.
        {u"\\SystemRoot\\" + std::u16string(246, u'x'), u"%SystemRoot%\\" + std::u16string(246, u'x'), true},
        {u"\\SystemRoot\\" + std::u16string(247, u'x'), std::nullopt, false},
    };
    for (const auto& c : cases) {
        const std::optional<ImagePath> result = RewriteImagePath(c.path);
        EXPECT_EQ(result ? std::optional(result->text) : std::nullopt, c.rewritten);
        EXPECT_EQ(result && result->needsExpansion, c.needsExpansion);
    }
}

// The ids of `rows` in the order the list gives them after `clicks` clicks on `column`.
std::vector<std::uint32_t> IdsAfterClicks(std::vector<ProcessRowKey> rows, int column, int clicks) {
    ColumnSort click{0, 0x4001};  // other format flags stay as they are
    for (int i = 0; i < clicks; ++i) click = ToggleColumnSort(column, click.format);
    EXPECT_EQ(click.format, 0x4001 | (clicks % 2 ? kHeaderSortDown : kHeaderSortUp));
    std::stable_sort(rows.begin(), rows.end(), [&click](const ProcessRowKey& a, const ProcessRowKey& b) {
        return CompareProcessRows(a, b, click.state) < 0;
    });
    std::vector<std::uint32_t> ids;
    for (const ProcessRowKey& row : rows) ids.push_back(row.processId);
    return ids;
}

using Ids = std::vector<std::uint32_t>;

TEST(ProcessRows, ClicksSortDescendingThenAscendingIdsAsNumbersTextsWithAToZFolded) {
    // As text, "96" would come after "804".
    const std::vector<ProcessRowKey> ids = {{8, u"8"}, {0x80000004u, u"2147483652"}, {804, u"804"}, {96, u"96"}};
    EXPECT_EQ(IdsAfterClicks(ids, kProcessIdColumn, 1), (Ids{0x80000004u, 804, 96, 8}));
    EXPECT_EQ(IdsAfterClicks(ids, kProcessIdColumn, 2), (Ids{8, 96, 804, 0x80000004u}));
    EXPECT_EQ(ApplySortDirection(CompareProcessIds(0x80000004u, 4u), 0), 1);  // turning the smallest int around
    // Equal names keep their order; 'A' folds to 0x61, above '_'; a text that ends first is
    // the smaller; units beyond A-Z compare unfolded and unsigned.
    const std::vector<ProcessRowKey> names = {{1, u"explorer.exe"}, {2, u"Services.exe"}, {3, u"Explorer.EXE"},
                                              {4, u"a_b.exe"},      {5, u"AB.exe"},       {6, u"ab"},
                                              {7, u"\u00C9.exe"},   {8, u"\uFFFF"}};
    EXPECT_EQ(IdsAfterClicks(names, kNameColumn, 1), (Ids{8, 7, 2, 1, 3, 5, 6, 4}));
    EXPECT_EQ(IdsAfterClicks(names, kUserColumn, 2), (Ids{4, 6, 5, 1, 3, 2, 7, 8}));
}

}  // namespace
}  // namespace quarry
