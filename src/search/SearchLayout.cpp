// The Find dialog's layout: the criteria part above, the results album with its description and
// information lines below; collapsed until a search shows results, and sized in whole cells of
// the results grid.
#include "search/SearchDlg.h"

#include <math.h>
#include "control/AlbumCtrlLayout.h"

using namespace finddlg;

namespace {

const int kColumn = 88; // width of a results column
const int kRow = 107;   // height of a results row

// Measured once the dialog is set up; the dialog is modal, so one set serves.
struct Measures {
    bool ready = false;
    int baseColumns = 0;
    int minWidth = 0;
    int collapsedHeight = 0;
    int expandedHeight = 0;
    int resultsTop = 0;
} g_layout;

int Round(double v) { return static_cast<int>(lround(v)); }

SIZE WindowSize(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE ClientSize(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    return {r.right, r.bottom};
}

void Place(HWND dlg, int id, int x, int y, int width, int height)
{
    if (HWND w = GetDlgItem(dlg, id))
        MoveWindow(w, x, y, width < 0 ? 0 : width, height < 0 ? 0 : height, FALSE);
}

// The results grid with its lines below it: the description and the information line.
void PlaceResults(HWND dlg, int columns, int rows, int lineWidth)
{
    const int top = g_layout.resultsTop;
    const int below = top + kRow * rows;
    Place(dlg, kResults, 4, top, kColumn * columns + 16, kRow * rows);
    Place(dlg, kResultDescLabel, 4, below + 4, 70, 20);
    Place(dlg, kResultDesc, 78, below + 4, lineWidth, 20);
    Place(dlg, kInfoLabel, 4, below + 28, 70, 20);
    Place(dlg, kInfo, 78, below + 28, lineWidth, 20);
}

// A control's width follows the dialog's; its height stays (for a combo box, with its list).
void Widen(HWND dlg, int id, int width)
{
    HWND w = GetDlgItem(dlg, id);
    if (!w)
        return;
    RECT r;
    GetWindowRect(w, &r);
    int height = r.bottom - r.top;
    RECT dropped;
    if (SendMessageA(w, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)) && dropped.bottom > dropped.top)
        height = dropped.bottom - dropped.top;
    SetWindowPos(w, nullptr, 0, 0, width < 0 ? 0 : width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

} // namespace

void InitSearchLayout(CSearchDlg& s)
{
    HWND dlg = s.m_hDlg;
    g_layout = Measures();
    const int frameX = GetSystemMetrics(SM_CXFRAME);
    int baseColumns = (ClientSize(dlg).cx - 22) / kColumn;
    const SIZE window = WindowSize(dlg);
    SetWindowPos(dlg, nullptr, 0, 0, 2 * frameX + kColumn * baseColumns + 36, window.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE client = ClientSize(dlg);
    g_layout.baseColumns = (client.cx - 22) / kColumn;
    g_layout.minWidth = client.cx + 2 * GetSystemMetrics(SM_CXDLGFRAME);
    const int chrome = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYDLGFRAME);
    g_layout.collapsedHeight = client.cy + chrome;
    RECT results = {};
    if (HWND control = GetDlgItem(dlg, kResults)) {
        GetWindowRect(control, &results);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&results), 2);
    }
    g_layout.resultsTop = results.top;

    int columns = 1, rows = 1;
    if (CAlbum* album = s.Results()) {
        columns = album->m_aci.nCols;
        rows = album->m_aci.nRows;
    }
    PlaceResults(dlg, columns, rows, 382);
    // The expanded dialog shows one row of results and the two lines below it.
    g_layout.expandedHeight = g_layout.resultsTop + 135 + 20 + 4 + chrome;
    g_layout.ready = true;
    SetWindowPos(dlg, nullptr, 0, 0, g_layout.minWidth, g_layout.collapsedHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ExpandSearchDialog(CSearchDlg& s)
{
    if (!g_layout.ready)
        return;
    const SIZE window = WindowSize(s.m_hDlg);
    SetWindowPos(s.m_hDlg, nullptr, 0, 0, window.cx, g_layout.expandedHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnSearchSizing(CSearchDlg& s, RECT& r, WPARAM edge)
{
    if (!g_layout.ready)
        return;
    RECT current;
    GetWindowRect(s.m_hDlg, &current);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (current.left < 0 || current.top < 0 || current.right > screenW || current.bottom > screenH) {
        r = current; // partly off the screen: no resizing until it is back
        return;
    }
    int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width < g_layout.minWidth)
        width = g_layout.minWidth;
    int extraColumns = Round(double(width - g_layout.minWidth - 6) / kColumn);
    if (extraColumns < 0)
        extraColumns = 0;
    int newWidth, newHeight;
    if (IsWindowEnabled(GetDlgItem(s.m_hDlg, kSave))) {
        int extraRows = Round(double(height - g_layout.expandedHeight - 6) / kRow);
        if (extraRows < 0)
            extraRows = 0;
        newWidth = g_layout.minWidth + kColumn * extraColumns + 6;
        newHeight = g_layout.expandedHeight + kRow * extraRows + 6;
    } else {
        newWidth = g_layout.minWidth + kColumn * extraColumns;
        newHeight = g_layout.collapsedHeight;
    }
    ctrllayout::ApplyFromEdge(edge, r, newWidth, newHeight);
    if (r.right > screenW)
        r.right -= kColumn;
    if (r.bottom > screenH)
        r.bottom -= kRow;
}

void OnSearchSize(CSearchDlg& s)
{
    if (!g_layout.ready)
        return;
    HWND dlg = s.m_hDlg;
    const SIZE window = WindowSize(dlg), client = ClientSize(dlg);
    const int extraColumns = Round(double(window.cx - g_layout.minWidth - 6) / kColumn);
    const int extraRows = Round(double(window.cy - g_layout.expandedHeight - 6) / kRow);
    const int columns = g_layout.baseColumns + extraColumns;
    const int rows = extraRows + 1 < 1 ? 1 : extraRows + 1;
    PlaceResults(dlg, columns, rows, columns * kColumn - 58);

    for (int i = 0; i < 3; ++i) {
        const int id = i == 0 ? kFind : i == 1 ? kSave : kExit;
        Place(dlg, id, client.cx - 95, 30 + 33 * i, 85, 25);
    }
    if (HWND tabs = GetDlgItem(dlg, kTabs)) {
        RECT r;
        GetWindowRect(tabs, &r);
        SetWindowPos(tabs, nullptr, 0, 0, client.cx - 115, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    RECT frame;
    GetWindowRect(dlg, &frame);
    for (int id : {kName, kDescription, kFolder, kAlbum, kType}) {
        RECT r;
        if (HWND w = GetDlgItem(dlg, id); w && GetWindowRect(w, &r))
            Widen(dlg, id, client.cx - 123 - (r.left - frame.left));
    }
    if (HWND browse = GetDlgItem(dlg, kBrowse)) {
        RECT r;
        GetWindowRect(browse, &r);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        MoveWindow(browse, client.cx - 123 - (r.right - r.left), r.top, r.right - r.left, r.bottom - r.top, FALSE);
    }
    InvalidateRect(dlg, nullptr, TRUE);
}
