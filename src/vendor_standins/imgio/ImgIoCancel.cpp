// The calling thread's check for stopping reads in progress.
#include "ImgIoInternal.h"

namespace imgio {
namespace {
thread_local IMGIOCANCELCHECK t_check = nullptr;
}

bool ReadCancelled() { return t_check && t_check(); }

} // namespace imgio

extern "C" IMGIO_API IMGIOCANCELCHECK WINAPI ImgIoSetCancelCheck(IMGIOCANCELCHECK check)
{
    const IMGIOCANCELCHECK old = imgio::t_check;
    imgio::t_check = check;
    return old;
}
