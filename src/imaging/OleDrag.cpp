// OLE drag and drop of files: the data object for thumbnails dragged out of the editor, the drag
// loop around DoDragDrop, and the drop target of the album windows.
#include "imaging/OleDrag.h"

#include <shellapi.h>
#include <shlobj.h>
#include <string.h>
#include "win/AnsiNames.h"
#include "win/Handles.h"

namespace oledrag {

namespace {

// The data object being dragged out of this process, if any: our own drop targets refuse it.
IDataObject* g_outgoing = nullptr;

UINT PreferredEffectFormat()
{
    static const UINT format = RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT);
    return format;
}

HGLOBAL CopyBlock(HGLOBAL from)
{
    const SIZE_T size = from ? GlobalSize(from) : 0;
    if (!size)
        return nullptr;
    win::GlobalBlock to = win::GlobalBlock::Allocate(size, false);
    win::GlobalLockGuard in(from);
    if (!to || !in)
        return nullptr;
    {
        win::GlobalLockGuard out(to.get());
        if (!out)
            return nullptr;
        memcpy(out.data(), in.data(), size);
    }
    return to.release();
}

// The IUnknown of an object offering the one interface I, made with new: counted, deleted at its
// last Release.
template <class I, const IID* Id>
class HeapComObject : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == *Id) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~HeapComObject() = default;

private:
    LONG refs_ = 1;
};

class FileDataObject final : public HeapComObject<IDataObject, &IID_IDataObject> {
public:
    FileDataObject(std::vector<std::string> paths, HGLOBAL dib) : paths_(std::move(paths)), dib_(dib) {}


    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        if (!medium)
            return E_POINTER;
        const HRESULT offered = QueryGetData(format);
        if (offered != S_OK)
            return offered;
        HGLOBAL block = nullptr;
        if (format->cfFormat == CF_HDROP) {
            block = MakeFileDrop(paths_);
        } else if (format->cfFormat == CF_DIB) {
            block = CopyBlock(dib_.get());
        } else {
            win::GlobalBlock effect = win::GlobalBlock::Allocate(sizeof(DWORD), true);
            win::GlobalLockGuard lock(effect.get());
            if (lock)
                *static_cast<DWORD*>(lock.data()) = DROPEFFECT_COPY;
            block = lock ? effect.release() : nullptr;
        }
        if (!block)
            return E_OUTOFMEMORY;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        if (!format)
            return E_INVALIDARG;
        if (format->dwAspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        if (!(format->tymed & TYMED_HGLOBAL))
            return DV_E_TYMED;
        const bool offered = format->cfFormat == CF_HDROP || (format->cfFormat == CF_DIB && dib_) ||
                             format->cfFormat == PreferredEffectFormat();
        return offered ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out)
            out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        FORMATETC formats[3] = {
            {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
            {static_cast<CLIPFORMAT>(PreferredEffectFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
            {CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL},
        };
        return SHCreateStdEnumFmtEtc(dib_ ? 3 : 2, formats, out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~FileDataObject() override = default;
    std::vector<std::string> paths_;
    win::GlobalBlock dib_;
};

class DropSource final : public IDropSource {
public:
    explicit DropSource(bool (*backInside)()) : backInside_(backInside) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDropSource) {
            *out = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack of DragOut, which outlasts DoDragDrop.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        if (escape)
            return DRAGDROP_S_CANCEL;
        if (!(keys & MK_LBUTTON))
            return DRAGDROP_S_DROP;
        if (backInside_ && backInside_()) {
            cameBack = true;
            return DRAGDROP_S_CANCEL;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

    bool cameBack = false;

private:
    bool (*backInside_)();
};

class FileDropTarget final : public HeapComObject<IDropTarget, &IID_IDropTarget> {
public:
    FileDropTarget(std::unique_ptr<FileDropHandler> handler) : handler_(std::move(handler)) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL at, DWORD* effect) override
    {
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        files_ = data && data != g_outgoing && data->QueryGetData(&format) == S_OK;
        return DragOver(0, at, effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL at, DWORD* effect) override
    {
        if (!effect)
            return E_INVALIDARG;
        const DWORD allowed = *effect;
        const bool take = files_ && handler_ && handler_->Over(POINT{at.x, at.y});
        // Files are the user's: copied into the album's thumbnails, never moved.
        *effect = take && (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        if (handler_)
            handler_->Leave();
        files_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL at, DWORD* effect) override
    {
        if (!effect)
            return E_INVALIDARG;
        const bool allowed = (*effect & DROPEFFECT_COPY) != 0;
        *effect = DROPEFFECT_NONE;
        if (handler_)
            handler_->Leave();
        if (!files_ || !allowed || !handler_)
            return S_OK;
        files_ = false;
        FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium = {};
        if (FAILED(data->GetData(&format, &medium)))
            return S_OK;
        std::vector<std::string> paths;
        if (medium.tymed == TYMED_HGLOBAL)
            paths = PathsOfDrop(static_cast<HDROP>(medium.hGlobal));
        ReleaseStgMedium(&medium);
        if (paths.empty())
            return S_OK;
        *effect = DROPEFFECT_COPY;
        handler_->Drop(paths, POINT{at.x, at.y});
        return S_OK;
    }

private:
    ~FileDropTarget() override = default;
    bool files_ = false;
    std::unique_ptr<FileDropHandler> handler_;
};

const char kDropProperty[] = "AlbumFileDropTarget";

// What AttachFileDrop leaves on a window until DetachFileDrop.
struct Attached {
    OleScope ole;
    FileDropTarget* target = nullptr;
};

} // namespace

std::vector<std::string> ExistingFiles(const std::vector<std::string>& paths)
{
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            files.push_back(path);
    }
    return files;
}

HGLOBAL MakeFileDrop(const std::vector<std::string>& paths)
{
    std::vector<std::wstring> names;
    size_t chars = 1; // the empty name that ends the list
    for (const std::string& path : paths) {
        const int n = path.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
        if (n <= 1)
            continue;
        std::wstring name(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &name[0], n); // NUL included
        chars += name.size();
        names.push_back(std::move(name));
    }
    if (names.empty())
        return nullptr;
    win::GlobalBlock block = win::GlobalBlock::Allocate(sizeof(DROPFILES) + chars * sizeof(wchar_t), true);
    if (!block)
        return nullptr;
    {
        win::GlobalLockGuard lock(block.get());
        if (!lock)
            return nullptr;
        auto* header = static_cast<DROPFILES*>(lock.data());
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        wchar_t* out = reinterpret_cast<wchar_t*>(header + 1);
        for (const std::wstring& name : names) {
            memcpy(out, name.data(), name.size() * sizeof(wchar_t));
            out += name.size();
        }
    }
    return block.release();
}

std::vector<std::string> PathsOfDrop(HDROP drop)
{
    std::vector<std::string> paths;
    const UINT files = drop ? DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : 0;
    for (UINT i = 0; i < files; ++i) {
        WCHAR wide[MAX_PATH];
        char path[MAX_PATH];
        const UINT n = DragQueryFileW(drop, i, nullptr, 0);
        // A name in another script is taken by its short name, as the ANSI functions open it.
        if (n > 0 && n < MAX_PATH && DragQueryFileW(drop, i, wide, MAX_PATH) == n &&
            win::AnsiPathOf(wide, path, sizeof path) == win::kAnsiPathMade && path[0])
            paths.emplace_back(path);
    }
    return paths;
}

IDataObject* CreateFileDataObject(std::vector<std::string> paths, HGLOBAL dib)
{
    return new (std::nothrow) FileDataObject(std::move(paths), dib);
}

DragOutEnd DragOut(IDataObject* data, bool (*backInside)(), DWORD* effect)
{
    DWORD done = DROPEFFECT_NONE;
    if (effect)
        *effect = DROPEFFECT_NONE;
    OleScope ole;
    if (!data || !ole.Usable())
        return DragOutEnd::Failed;
    DropSource source(backInside);
    g_outgoing = data;
    const HRESULT hr = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &done);
    g_outgoing = nullptr;
    if (hr == DRAGDROP_S_DROP) {
        if (effect)
            *effect = done;
        return DragOutEnd::Dropped;
    }
    if (hr == DRAGDROP_S_CANCEL)
        return source.cameBack ? DragOutEnd::BackInside : DragOutEnd::Cancelled;
    return DragOutEnd::Failed;
}

bool AttachFileDrop(HWND window, std::unique_ptr<FileDropHandler> handler)
{
    if (!window || GetPropA(window, kDropProperty))
        return false;
    std::unique_ptr<Attached> attached(new (std::nothrow) Attached);
    if (!attached || !attached->ole.Usable())
        return false; // the multithreaded apartment: WM_DROPFILES only
    attached->target = new (std::nothrow) FileDropTarget(std::move(handler));
    if (!attached->target)
        return false;
    if (FAILED(RegisterDragDrop(window, attached->target))) {
        attached->target->Release();
        return false;
    }
    if (!SetPropA(window, kDropProperty, attached.get())) {
        RevokeDragDrop(window);
        attached->target->Release();
        return false;
    }
    attached.release();
    return true;
}

void DetachFileDrop(HWND window)
{
    std::unique_ptr<Attached> attached(static_cast<Attached*>(RemovePropA(window, kDropProperty)));
    if (!attached)
        return;
    RevokeDragDrop(window);
    attached->target->Release();
    // attached->ole undoes this window's OLE initialisation as it goes.
}

} // namespace oledrag
