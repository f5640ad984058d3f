// The figures of the real tree-list window under the walk, painting and Find, each beside
// the bare tree-view doing the same rows without us.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "bench/bench_report.h"
#include "bench/counting_rows.h"
#include "bench/scripted_layout.h"
#include "treelist/tree_list_view.h"

namespace quarry::bench {

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// A top-level window holding the tree-list with the main window's seven columns, shown on
// the display, and room for a bare tree-view of the same size.
class BenchWindow {
public:
    BenchWindow();
    bool Ready() const { return treeList_.hwnd() != nullptr; }
    CTreeListView& TreeList() { return treeList_; }
    HWND Parent() const { return parent_.get(); }
    // A plain "SysTreeView32" with the inner tree's style, font and size, no custom drawing.
    UniqueWindow CreateBareTree() const;

private:
    UniqueWindow parent_;
    CTreeListView treeList_;
};

// What the bare tree-view costs for given rows: inserting them (their labels) while
// hidden and with redrawing off, the cheapest way it takes rows; repainting a screen of them;
// walking them in Find's order; deleting them all, hidden and with redrawing off.
struct BareTreeFigures {
    Seconds insert = 0;
    Seconds repaint = 0;
    Seconds visit = 0;
    Seconds remove = 0;
};
BareTreeFigures TimeBareTree(const BenchWindow& window, const std::vector<PlannedRow>& plan);

// The rows of a filled tree, in tree order, with their parents and labels.
std::vector<PlannedRow> PlanFromTree(HWND tree);

void BenchTreeList(Report& report, BenchWindow& window, ScriptedLayout& layout, Seconds walkAlone);

// Lets the window system deliver what is pending, between measurements.
void PumpMessages();

}  // namespace quarry::bench
