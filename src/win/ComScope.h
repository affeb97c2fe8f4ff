// COM for the calling thread for the lifetime of a scope.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace win {

// A thread that already runs in a multithreaded apartment keeps it (and nothing is undone at the
// end). Held around a run of many image reads, it keeps the platform's imaging component loaded
// between them instead of loading and unloading it for every file.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope()
    {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

} // namespace win
