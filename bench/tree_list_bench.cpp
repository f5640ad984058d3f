#include "bench/tree_list_bench.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "app/find_commands.h"
#include "bench/allocation_counter.h"
#include "memmap/memory_map.h"
#include "support/tree_list_windows.h"

namespace quarry::bench {
namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 720;
constexpr int kHeaderHeight = 20;  // the tree-list's header; its inner tree starts below it
constexpr UINT kTreeListId = 1;
constexpr UINT kBareTreeId = 2;
constexpr DWORD kInnerTreeStyle = 0x56009005;  // the tree-list's inner tree
constexpr int kExpandedAllocations = 3;        // so that a screen shows both kinds of row
constexpr int kRepaints = 50;

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

HTREEITEM Next(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// A screen as the user sees it after opening the first few allocations, top row first.
void ShowFirstScreen(HWND tree) {
    HTREEITEM row = Next(tree, nullptr, TVGN_ROOT);
    for (int i = 0; i < kExpandedAllocations && row; ++i, row = Next(tree, row, TVGN_NEXT))
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(row));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(Next(tree, nullptr, TVGN_ROOT)));
    PumpMessages();
}

struct RepaintFigure {
    Seconds each = 0;
    int rows = 0;
};

// The mean of many full repaints, after one that warms the caches.
RepaintFigure TimeRepaint(HWND tree) {
    ShowFirstScreen(tree);
    const auto repaint = [tree] {
        RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        GdiFlush();
    };
    repaint();
    const Seconds total = TimeOnce([&] {
        for (int i = 0; i < kRepaints; ++i) repaint();
    });
    return {total / kRepaints, static_cast<int>(SendMessageW(tree, TVM_GETVISIBLECOUNT, 0, 0))};
}

bool HasChildren(HWND tree, HTREEITEM item) {
    TVITEMW record{};
    record.mask = TVIF_CHILDREN;
    record.hItem = item;
    return SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&record)) && record.cChildren != 0;
}

// Find's walk over the rows with what the tree-view answers alone: per row one TVM_GETITEMW
// and one or two TVM_GETNEXTITEM, no cells read.
std::size_t VisitInPreOrder(HWND tree) {
    std::size_t visited = 0;
    std::vector<HTREEITEM> ancestors;
    for (HTREEITEM row = Next(tree, nullptr, TVGN_ROOT); row;) {
        ++visited;
        if (HasChildren(tree, row)) {
            ancestors.push_back(row);
            row = Next(tree, row, TVGN_CHILD);
            continue;
        }
        row = Next(tree, row, TVGN_NEXT);
        while (!row && !ancestors.empty()) {
            row = Next(tree, ancestors.back(), TVGN_NEXT);
            ancestors.pop_back();
        }
    }
    return visited;
}

std::wstring Wide(const std::array<char16_t, 17>& label) { return std::wstring(label.begin(), label.end() - 1); }

std::wstring CellText(CTreeListView& treeList, HTREEITEM row, int column) {
    wchar_t text[1024] = {};
    return treeList.GetCellText(row, column, text, 1024) ? text : L"";
}

}  // namespace

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

BenchWindow::BenchWindow() {
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ParentProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QuarryBenchWindow";
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&windowClass);
    parent_.reset(CreateWindowExW(0, windowClass.lpszClassName, L"Quarry benchmark",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, kWindowWidth, kWindowHeight, nullptr,
                                  nullptr, windowClass.hInstance, nullptr));
    if (!parent_ || !treeList_.Create(parent_.get(), kTreeListId)) return;
    SetWindowPos(treeList_.hwnd(), nullptr, 0, 0, kWindowWidth, kWindowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    // The main window's columns.
    treeList_.AddColumn(L"Address", 145, HDF_LEFT);
    treeList_.AddColumn(L"Type", 80, HDF_LEFT);
    treeList_.AddColumn(L"Size", 70, HDF_RIGHT);
    treeList_.AddColumn(L"Commit", 70, HDF_RIGHT);
    treeList_.AddColumn(L"Protect", 100, HDF_LEFT);
    treeList_.AddColumn(L"Blocks", 50, HDF_RIGHT);
    treeList_.AddColumn(L"Details", 200, HDF_LEFT);
    PumpMessages();
}

UniqueWindow BenchWindow::CreateBareTree() const {
    UniqueWindow tree(CreateWindowExW(0, WC_TREEVIEWW, nullptr, kInnerTreeStyle, 0, kHeaderHeight, kWindowWidth,
                                      kWindowHeight - kHeaderHeight, parent_.get(),
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kBareTreeId)),
                                      GetModuleHandleW(nullptr), nullptr));
    SendMessageW(tree.get(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return tree;
}

std::vector<PlannedRow> PlanFromTree(HWND tree) {
    std::vector<PlannedRow> plan;
    const auto add = [&](HTREEITEM item, std::size_t parent) {
        PlannedRow& row = plan.emplace_back();
        row.parent = parent;
        wchar_t label[17] = {};
        TVITEMW record{};
        record.mask = TVIF_TEXT;
        record.hItem = item;
        record.pszText = label;
        record.cchTextMax = 17;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&record));
        for (int i = 0; i < 16; ++i) row.label[static_cast<std::size_t>(i)] = static_cast<char16_t>(label[i]);
    };
    for (HTREEITEM top = Next(tree, nullptr, TVGN_ROOT); top; top = Next(tree, top, TVGN_NEXT)) {
        const std::size_t parent = plan.size();
        add(top, PlannedRow::kNoParent);
        for (HTREEITEM child = Next(tree, top, TVGN_CHILD); child; child = Next(tree, child, TVGN_NEXT))
            add(child, parent);
    }
    return plan;
}

namespace {

// The rows as the walk inserts them: one message a row, their label. (The tree-list keeps
// the rows' values in its own record, so the tree-view is not told them.)
Seconds InsertPlan(HWND tree, const std::vector<PlannedRow>& plan) {
    std::vector<HTREEITEM> items(plan.size());
    return TimeOnce([&] {
        ShowWindow(tree, SW_HIDE);
        SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const PlannedRow& row = plan[i];
            std::wstring label = Wide(row.label);
            TVINSERTSTRUCTW insert{};
            insert.hParent = row.parent == PlannedRow::kNoParent ? nullptr : items[row.parent];
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT;
            insert.item.pszText = label.data();
            items[i] = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        }
        ShowWindow(tree, SW_SHOW);
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    });
}

}  // namespace

BareTreeFigures TimeBareTree(const BenchWindow& window, const std::vector<PlannedRow>& plan) {
    BareTreeFigures figures;
    const UniqueWindow tree = window.CreateBareTree();
    figures.insert = InsertPlan(tree.get(), plan);
    figures.repaint = TimeRepaint(tree.get()).each;
    figures.visit = TimeOnce([&] { VisitInPreOrder(tree.get()); });
    figures.remove = TimeOnce([&] {
        ShowWindow(tree.get(), SW_HIDE);
        SendMessageW(tree.get(), WM_SETREDRAW, FALSE, 0);
        SendMessageW(tree.get(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        ShowWindow(tree.get(), SW_SHOW);
        SendMessageW(tree.get(), WM_SETREDRAW, TRUE, 0);
    });
    return figures;
}

void BenchTreeList(Report& report, BenchWindow& window, ScriptedLayout& layout, Seconds walkAlone) {
    CTreeListView& treeList = window.TreeList();
    const HWND tree = test::InnerTree(treeList.hwnd());
    const double thousands = static_cast<double>(layout.regions) / 1000;

    RowPlanRecorder recorder;
    layout.system.callsLeft = 1 << 30;  // a target that never ends
    BuildMemoryMap(layout.system, recorder);
    // What the tree-list gives its tree-view: the top-level rows.
    std::vector<PlannedRow> topLevel;
    std::copy_if(recorder.plan.begin(), recorder.plan.end(), std::back_inserter(topLevel),
                 [](const PlannedRow& row) { return row.parent == PlannedRow::kNoParent; });
    ShowWindow(treeList.hwnd(), SW_HIDE);  // out of the bare tree's way
    const BareTreeFigures allRows = TimeBareTree(window, recorder.plan);
    const BareTreeFigures bare = TimeBareTree(window, topLevel);
    ShowWindow(treeList.hwnd(), SW_SHOW);
    PumpMessages();

    // The scripted target records every read: emptied, it keeps the room the walks before
    // needed, so that the fill's reads add nothing to the heap weighed as the record's.
    layout.system.reads.clear();
    const std::size_t heapEmpty = LiveHeapBytes();
    layout.system.callsLeft = 1 << 30;  // a target that never ends
    const Seconds fill = TimeOnce([&] { BuildMemoryMap(layout.system, treeList); });
    const std::size_t storeBytes = LiveHeapBytes() - heapEmpty;
    const std::size_t rows = recorder.plan.size();
    const auto shown = static_cast<std::size_t>(SendMessageW(tree, TVM_GETCOUNT, 0, 0));
    report.Add({"BuildMemoryMap of the same into the real tree-list (" + std::to_string(rows) + " rows, " +
                    std::to_string(shown) + " of them in its tree-view)",
                SecondsText(fill) + " (" + Millis(fill / thousands) + " per 1,000 regions)",
                "walk alone " + Millis(walkAlone) + "; bare tree-view, TVM_INSERTITEMW hidden with redrawing off: " +
                    SecondsText(bare.insert) + " for the " + std::to_string(topLevel.size()) + " top-level rows, " +
                    SecondsText(allRows.insert) + " for all rows",
                "<= 1 s", Verdict(fill <= 1.0)});
    report.Add({"... of which the tree-list's own share (the above minus the bare tree-view's top-level rows)",
                Millis(fill - bare.insert), "", "<= 0.1 s", Verdict(fill - bare.insert <= 0.1)});
    const double perRow = static_cast<double>(storeBytes) / static_cast<double>(rows);
    report.Add({"Record memory per row, beyond the tree-view's", Fixed(perRow, 0) + " bytes",
                std::to_string(storeBytes / 1024) + " KB for " + std::to_string(rows) + " rows, heap headers included",
                "<= 250 bytes", Verdict(perRow <= 250)});

    const RepaintFigure repaint = TimeRepaint(tree);
    report.Add({"Full repaint of a screen of rows (" + std::to_string(repaint.rows) + " rows, 7 columns)",
                Millis(repaint.each), "bare tree-view of all rows, no custom drawing: " + Millis(allRows.repaint), "<= 5 ms",
                Verdict(repaint.each <= 5e-3)});

    // From the first row: every row is visited before the match in the last one.
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Next(tree, nullptr, TVGN_ROOT)));
    std::wstring lastText;
    for (int i = 0; i < 16; ++i) lastText += L"0123456789ABCDEF"[(layout.lastRegion >> (60 - 4 * i)) & 0xF];
    const Seconds find =
        TimeOnce([&] { FindNext(window.Parent(), treeList, lastText, [&](HTREEITEM row) { treeList.SelectRow(row); }); });
    const HTREEITEM found = Next(tree, nullptr, TVGN_CARET);
    // The selection alone, from the first row again onto the found one in its closed allocation.
    treeList.SelectRow(Next(tree, nullptr, TVGN_ROOT));
    SendMessageW(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(Next(tree, found, TVGN_PARENT)));
    const Seconds select = TimeOnce([&] { treeList.SelectRow(found); });
    const bool foundLast = found && CellText(treeList, found, 0) == lastText && !Next(tree, found, TVGN_NEXT);
    report.Add({"FindNext from the first row to a match in the last row", Millis(find) + (foundLast ? "" : ", NOT FOUND"),
                "bare tree-view of all rows, the same walk with TVM_GETITEMW + TVM_GETNEXTITEM alone: " + Millis(allRows.visit) +
                    "; the search runs over the tree-list's own record of its rows, and selecting the row found takes " +
                    Millis(select), "<= 100 ms",
                Verdict(foundLast && find <= 0.1)});

    const std::size_t heapFilled = LiveHeapBytes();
    const Seconds remove = TimeOnce([&] { treeList.DeleteAllRows(); });
    const bool storeEmptied = heapFilled - LiveHeapBytes() >= storeBytes;
    report.Add({"DeleteAllRows of the same", SecondsText(remove) + (storeEmptied ? "" : ", STORE NOT FREED"),
                "bare tree-view of the top-level rows, TVM_DELETEITEM of the root, hidden with redrawing off: " + SecondsText(bare.remove), "<= 0.3 s",
                Verdict(storeEmptied && remove <= 0.3)});
    PumpMessages();
}

}  // namespace quarry::bench
