// The calling thread's check for stopping reads in progress, and the test hook called between a
// file's checks and its decoding.
#include "ImgIoInternal.h"

namespace imgio {
namespace {
thread_local IMGIOCANCELCHECK t_check = nullptr;
BeforeDecodeHook g_beforeDecode = nullptr;
}

bool ReadCancelled() { return t_check && t_check(); }

void BeforeDecode(LPCSTR path)
{
    if (g_beforeDecode)
        g_beforeDecode(path);
}

BeforeDecodeHook SetBeforeDecodeHook(BeforeDecodeHook hook)
{
    BeforeDecodeHook old = g_beforeDecode;
    g_beforeDecode = hook;
    return old;
}

} // namespace imgio

extern "C" IMGIO_API IMGIOCANCELCHECK WINAPI ImgIoSetCancelCheck(IMGIOCANCELCHECK check)
{
    const IMGIOCANCELCHECK old = imgio::t_check;
    imgio::t_check = check;
    return old;
}
