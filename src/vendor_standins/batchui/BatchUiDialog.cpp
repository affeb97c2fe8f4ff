// The "Batch Convert" dialog: built in memory (the library carries no resources that could clash
// with its host's), run modally, converting inside the Start command while it keeps the dialog
// responsive, so Stop and Esc work.
#include "batchui.h"
#include "BatchUiInternal.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <set>
#include <string>
#include <vector>
#include "imgio.h"
#include "win/Handles.h"

namespace batchui {
namespace {

HINSTANCE Module()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Module), &module);
    return module;
}

// ---- The template ---------------------------------------------------------------------------

class TemplateWriter {
public:
    TemplateWriter(DWORD style, short cx, short cy, const char* title)
    {
        Dword(style | DS_SETFONT);
        Dword(0);
        words_.push_back(0); // item count, patched as items are added
        for (short v : {short(0), short(0), cx, cy})
            words_.push_back(WORD(v));
        words_.push_back(0); // no menu
        words_.push_back(0); // the standard dialog class
        Text(title);
        words_.push_back(8);
        Text("MS Shell Dlg");
    }
    // classAtom: 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box; 0 takes className.
    void Item(WORD classAtom, const char* className, const char* text, DWORD style, short x, short y, short cx,
              short cy, WORD id)
    {
        if (words_.size() % 2)
            words_.push_back(0); // items start on a DWORD boundary
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        for (short v : {x, y, cx, cy})
            words_.push_back(WORD(v));
        words_.push_back(id);
        if (classAtom) {
            words_.push_back(0xFFFF);
            words_.push_back(classAtom);
        } else {
            Text(className);
        }
        Text(text);
        words_.push_back(0); // no creation data
        ++words_[4];
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Dword(DWORD v)
    {
        words_.push_back(LOWORD(v));
        words_.push_back(HIWORD(v));
    }
    void Text(const char* s) // the template's texts are plain ASCII
    {
        while (*s)
            words_.push_back(static_cast<unsigned char>(*s++));
        words_.push_back(0);
    }
    std::vector<WORD> words_;
};

const WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kCombo = 0x85;

void BuildTemplate(TemplateWriter& t)
{
    t.Item(kStatic, nullptr, "", SS_LEFT, 7, 7, 226, 8, kIntro);
    t.Item(kButton, nullptr, "Copies", BS_GROUPBOX, 7, 19, 226, 46, 0xFFFF);
    t.Item(kStatic, nullptr, "&Folder:", SS_LEFT, 14, 33, 30, 8, 0xFFFF);
    t.Item(kEdit, nullptr, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 46, 31, 128, 12, kFolder);
    t.Item(kButton, nullptr, "&Browse...", BS_PUSHBUTTON | WS_TABSTOP, 178, 30, 48, 14, kBrowse);
    t.Item(kStatic, nullptr, "F&ormat:", SS_LEFT, 14, 49, 30, 8, 0xFFFF);
    t.Item(kCombo, nullptr, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 46, 47, 128, 60, kFormat);
    t.Item(kButton, nullptr, "Changes", BS_GROUPBOX, 7, 69, 226, 42, 0xFFFF);
    t.Item(kButton, nullptr, "&Reduce so that the longest side is at most", BS_AUTOCHECKBOX | WS_TABSTOP, 14, 82, 152, 10,
           kResize);
    t.Item(kEdit, nullptr, "", ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 168, 81, 32, 12, kMaxSide);
    t.Item(kStatic, nullptr, "pixels", SS_LEFT, 203, 83, 26, 8, 0xFFFF);
    t.Item(kButton, nullptr, "Convert to &gray levels", BS_AUTOCHECKBOX | WS_TABSTOP, 14, 96, 152, 10, kGray);
    t.Item(kButton, nullptr, "Re&place the original bitmap files instead (cannot be undone)",
           BS_AUTOCHECKBOX | WS_TABSTOP, 7, 116, 226, 10, kReplace);
    t.Item(0, PROGRESS_CLASSA, "", WS_BORDER, 7, 132, 226, 10, kProgress);
    t.Item(kStatic, nullptr, "", SS_LEFT | SS_ENDELLIPSIS, 7, 146, 226, 8, kStatus);
    t.Item(kButton, nullptr, "&Start", BS_DEFPUSHBUTTON | WS_TABSTOP, 128, 160, 50, 14, IDOK);
    t.Item(kButton, nullptr, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 183, 160, 50, 14, IDCANCEL);
}

// ---- State ----------------------------------------------------------------------------------

// What the user chose last time, offered again (never "replace").
struct Remembered {
    char folder[MAX_PATH] = "";
    bool resize = true;
    int maxSide = 800;
    bool gray = false;
} g_last;

struct Session {
    std::vector<std::string> sources; // distinct, usable paths
    int unusable = 0;                 // slots without a terminated, non-empty path
    bool running = false;
    bool stop = false;
};

enum Outcome { kWritten, kReplaced, kUnchanged, kNotBitmap, kUnreadable, kNoName, kNotWritten, kOutcomes };

Outcome ConvertOne(const std::string& source, const Changes& changes, bool replace, const char* folder)
{
    if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES)
        return kUnreadable;
    if (replace && !IsBitmapFile(source.c_str()))
        return kNotBitmap; // only a format this library writes can go back into its own file
    win::GlobalBlock image(ImgIoReadFile(source.c_str(), 0, nullptr));
    if (!image)
        return kUnreadable;
    if (replace && !ChangesImage(image.get(), changes))
        return kUnchanged;
    win::GlobalBlock converted(ConvertImage(image.get(), changes));
    if (!converted)
        return kNotWritten;
    char path[MAX_PATH];
    if (replace)
        win::CopyText(path, sizeof path, source.c_str());
    else if (!CopyPath(folder, source.c_str(), path, sizeof path))
        return kNoName;
    // The image library writes beside the target and swaps it in: a failure leaves the old file.
    if (ImgIoWriteFile(converted.get(), path, IMGIO_FORMAT_BMP, 0) != IMGIO_WRITE_OK)
        return kNotWritten;
    return replace ? kReplaced : kWritten;
}

int Message(HWND dlg, const std::string& text, UINT flags) { return MessageBoxA(dlg, text.c_str(), kTitle, flags); }

std::string Format(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

const char* NameOf(const std::string& path)
{
    const char* name = path.c_str();
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

void UpdateEnabling(HWND dlg, bool running)
{
    const bool replace = Checked(dlg, kReplace);
    EnableWindow(GetDlgItem(dlg, kFolder), !running && !replace);
    EnableWindow(GetDlgItem(dlg, kBrowse), !running && !replace);
    EnableWindow(GetDlgItem(dlg, kFormat), !running && !replace);
    EnableWindow(GetDlgItem(dlg, kResize), !running);
    EnableWindow(GetDlgItem(dlg, kMaxSide), !running && Checked(dlg, kResize));
    EnableWindow(GetDlgItem(dlg, kGray), !running);
    EnableWindow(GetDlgItem(dlg, kReplace), !running);
    EnableWindow(GetDlgItem(dlg, IDOK), !running);
    SetDlgItemTextA(dlg, IDCANCEL, running ? "Stop" : "Cancel");
}

// Lets the dialog (and Stop, and Esc through it) work between two images.
void Pump(HWND dlg, Session& s)
{
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(int(m.wParam));
            s.stop = true;
            return;
        }
        if (!IsDialogMessageA(dlg, &m)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

// Creates the output folder when missing. False (after telling the user) when it cannot be used.
bool ReadyFolder(HWND dlg, const char* folder)
{
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    if (attributes == INVALID_FILE_ATTRIBUTES && CreateDirectoryA(folder, nullptr))
        return true;
    Message(dlg, Format("The folder \"%s\" cannot be used for the copies.\n\nChoose an existing folder, or a new one "
                        "inside an existing folder.", folder),
            MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dlg, kFolder));
    return false;
}

std::string Summary(const int (&n)[kOutcomes], int total, bool stopped, bool replace, const char* folder)
{
    const char* were = total == 1 ? "image was" : "images were";
    std::string text = replace ? Format("%d of %d %s replaced.", n[kReplaced], total, were)
                               : Format("%d of %d %s converted into \"%s\".", n[kWritten], total, were, folder);
    int done = 0;
    for (int k = 0; k < kOutcomes; ++k)
        done += n[k];
    const struct {
        int count;
        const char* what;
    } lines[] = {
        {stopped ? total - done : 0, "Not looked at (the run was stopped)"},
        {n[kUnreadable], "Could not be read"},
        {n[kNotBitmap], "Not bitmap files, left as they were"},
        {n[kUnchanged], "Needing no change, left as they were"},
        {n[kNoName] + n[kNotWritten], "Could not be converted or written"},
    };
    bool first = true;
    for (const auto& line : lines) {
        if (line.count || (stopped && &line == &lines[0])) {
            text += Format("\n%s%s: %d", first ? "\n" : "", line.what, line.count);
            first = false;
        }
    }
    return text;
}

// The Start command. Returns true when a run took place (the dialog then ends).
bool Start(HWND dlg, Session& s, int& replacedCount)
{
    Changes changes;
    changes.gray = Checked(dlg, kGray);
    if (Checked(dlg, kResize)) {
        BOOL ok = FALSE;
        const UINT side = GetDlgItemInt(dlg, kMaxSide, &ok, FALSE);
        if (!ok || side < 1 || side > UINT(kLargestSide)) {
            Message(dlg, Format("Type a longest side from 1 to %d pixels.", kLargestSide), MB_OK | MB_ICONEXCLAMATION);
            SetFocus(GetDlgItem(dlg, kMaxSide));
            return false;
        }
        changes.maxSide = int(side);
    }
    const bool replace = Checked(dlg, kReplace);
    char folder[MAX_PATH] = "";
    if (replace) {
        if (!changes.gray && !changes.maxSide) {
            Message(dlg, "Choose a change to make to the originals: a smaller size, gray levels, or both.",
                    MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        const std::string warning = Format(
            "The original images will be overwritten with the converted ones. This cannot be undone.\n\n"
            "Of the %d images, the bitmap files that the changes apply to are replaced; the others are left "
            "as they are.\n\nReplace the original images?",
            int(s.sources.size()) + s.unusable);
        if (Message(dlg, warning, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            return false;
    } else {
        GetDlgItemTextA(dlg, kFolder, folder, sizeof folder);
        size_t length = strlen(folder);
        while (length && (folder[length - 1] == ' ' || folder[length - 1] == '\\' || folder[length - 1] == '/') &&
               !(length == 3 && folder[1] == ':'))
            folder[--length] = '\0';
        if (!length) {
            Message(dlg, "Type or choose the folder for the converted copies.", MB_OK | MB_ICONEXCLAMATION);
            SetFocus(GetDlgItem(dlg, kFolder));
            return false;
        }
        if (!ReadyFolder(dlg, folder))
            return false;
        win::CopyText(g_last.folder, sizeof g_last.folder, folder);
    }
    g_last.resize = changes.maxSide > 0;
    if (changes.maxSide)
        g_last.maxSide = changes.maxSide;
    g_last.gray = changes.gray;

    s.running = true;
    s.stop = false;
    UpdateEnabling(dlg, true);
    SetFocus(GetDlgItem(dlg, IDCANCEL));
    const int total = int(s.sources.size()) + s.unusable;
    HWND progress = GetDlgItem(dlg, kProgress);
    SendMessageA(progress, PBM_SETRANGE32, 0, total);
    SendMessageA(progress, PBM_SETPOS, WPARAM(s.unusable), 0);
    int n[kOutcomes] = {};
    n[kUnreadable] = s.unusable;
    AbortRequested(); // a key pressed before the run does not stop it
    bool stopped = false;
    for (size_t i = 0; i < s.sources.size(); ++i) {
        Pump(dlg, s);
        if (s.stop || AbortRequested()) {
            stopped = true;
            break;
        }
        SetDlgItemTextA(dlg, kStatus,
                        Format("Converting %d of %d: %s  (Esc stops)", int(i) + 1, int(s.sources.size()), NameOf(s.sources[i])).c_str());
        UpdateWindow(dlg);
        ++n[ConvertOne(s.sources[i], changes, replace, folder)];
        SendMessageA(progress, PBM_SETPOS, WPARAM(s.unusable + int(i) + 1), 0);
    }
    s.running = false;
    replacedCount = n[kReplaced];
    SetDlgItemTextA(dlg, kStatus, stopped ? "Stopped." : "Done.");
    const bool trouble = stopped || n[kUnreadable] || n[kNoName] || n[kNotWritten];
    Message(dlg, Summary(n, total, stopped, replace, folder), MB_OK | (trouble ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
    return true;
}

int CALLBACK BrowseCallback(HWND browser, UINT msg, LPARAM, LPARAM start)
{
    if (msg == BFFM_INITIALIZED && start && *reinterpret_cast<const char*>(start))
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}

void Browse(HWND dlg)
{
    char folder[MAX_PATH] = "";
    GetDlgItemTextA(dlg, kFolder, folder, sizeof folder);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    BROWSEINFOA bi = {};
    bi.hwndOwner = dlg;
    bi.lpszTitle = "Choose the folder for the converted copies:";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    bi.lpfn = BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(folder);
    if (LPITEMIDLIST chosen = SHBrowseForFolderA(&bi)) {
        char path[MAX_PATH];
        if (SHGetPathFromIDListA(chosen, path))
            SetDlgItemTextA(dlg, kFolder, path);
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
}

void Init(HWND dlg, Session& s)
{
    SetWindowTextA(dlg, kTitle);
    const int total = int(s.sources.size()) + s.unusable;
    SetDlgItemTextA(dlg, kIntro, Format("%d %s to convert. Choose the changes and where the results go.", total,
                                        total == 1 ? "image" : "images")
                                     .c_str());
    if (!g_last.folder[0] && !s.sources.empty()) {
        // Beside the first image, in a folder of its own.
        char folder[MAX_PATH];
        win::CopyText(folder, sizeof folder, s.sources[0].c_str());
        if (char* cut = strrchr(folder, '\\'))
            *cut = '\0';
        const int written = snprintf(g_last.folder, sizeof g_last.folder, "%s\\Converted", folder);
        if (written < 0 || size_t(written) >= sizeof g_last.folder)
            g_last.folder[0] = '\0';
    }
    SendDlgItemMessageA(dlg, kFolder, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SetDlgItemTextA(dlg, kFolder, g_last.folder);
    SendDlgItemMessageA(dlg, kFormat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Windows bitmap (*.bmp)"));
    SendDlgItemMessageA(dlg, kFormat, CB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(dlg, kMaxSide, EM_LIMITTEXT, 5, 0);
    SetDlgItemInt(dlg, kMaxSide, UINT(g_last.maxSide), FALSE);
    CheckDlgButton(dlg, kResize, g_last.resize ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, kGray, g_last.gray ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dlg, kStatus, "Press Start to convert. Esc stops a run after the current image.");
    UpdateEnabling(dlg, false);
}

// How the dialog ends (DialogBox itself answers -1 when it cannot show the dialog).
const INT_PTR kEndedCancelled = 0, kEndedRun = 1, kEndedFailed = -2;

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        if (msg == WM_INITDIALOG) {
            SetWindowLongPtrA(dlg, DWLP_USER, lParam);
            Init(dlg, *reinterpret_cast<Session*>(lParam));
            return TRUE;
        }
        auto* s = reinterpret_cast<Session*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (!s || msg != WM_COMMAND)
            return FALSE;
        switch (LOWORD(wParam)) {
        case kResize:
        case kReplace:
            if (HIWORD(wParam) == BN_CLICKED)
                UpdateEnabling(dlg, s->running);
            return TRUE;
        case kBrowse:
            if (!s->running)
                Browse(dlg);
            return TRUE;
        case IDOK: {
            int replaced = 0;
            if (!s->running && Start(dlg, *s, replaced))
                EndDialog(dlg, kEndedRun + replaced);
            return TRUE;
        }
        case IDCANCEL:
            if (s->running)
                s->stop = true; // the run ends after the current image
            else
                EndDialog(dlg, kEndedCancelled);
            return TRUE;
        default:
            return FALSE;
        }
    } catch (...) {
        // Out of memory in the middle of a command: the dialog gives up rather than let it escape.
        EndDialog(dlg, kEndedFailed);
        return TRUE;
    }
}

} // namespace
} // namespace batchui

int BatchUiOpenDialog(HWND owner, const char (*paths)[MAX_PATH], int count)
{
    using namespace batchui;
    if (!paths || count < 1)
        return BATCHUI_FAILED;
    try {
        Session session;
        std::set<std::string> seen;
        for (int i = 0; i < count; ++i) {
            const char* slot = paths[i];
            const size_t length = strnlen(slot, MAX_PATH);
            if (length == 0 || length == MAX_PATH) {
                ++session.unusable;
                continue;
            }
            std::string key(slot, length);
            CharLowerBuffA(&key[0], DWORD(key.size()));
            if (seen.insert(key).second)
                session.sources.emplace_back(slot, length);
        }
        INITCOMMONCONTROLSEX icc = {};
        icc.dwSize = sizeof icc;
        icc.dwICC = ICC_PROGRESS_CLASS;
        InitCommonControlsEx(&icc);
        TemplateWriter t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 240, 181, kTitle);
        BuildTemplate(t);
        const INT_PTR result = DialogBoxIndirectParamA(Module(), t.get(), owner && IsWindow(owner) ? owner : nullptr,
                                                       DialogProc, reinterpret_cast<LPARAM>(&session));
        return result >= kEndedRun ? int(result - kEndedRun) : result == kEndedCancelled ? BATCHUI_CANCELLED : BATCHUI_FAILED;
    } catch (...) {
        return BATCHUI_FAILED;
    }
}
