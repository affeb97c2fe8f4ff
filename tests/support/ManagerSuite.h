// A test suite that opens album manager windows: the thread's album registry, the album control
// and command bar classes, and one host window for the whole suite (top-level windows are slow
// to make under Wine).
#pragma once

#include <gtest/gtest.h>
#include "album/AlbumCtrl.h"
#include "host/AlbumRegistry.h"
#include "support/MessageLog.h"
#include "vendor_standins/ctrlkit/ctrlkit.h"
#include "win/Module.h"

namespace testsupport {

struct ManagerSuite : ::testing::Test {
    static inline MessageLog* host = nullptr;
    static void SetUpTestSuite()
    {
        CreateAlbumRegistry();
        RegisterAlbumThread();
        CAlbumCtrl::Register(AlbumInstance());
        CtrlKitRegisterBarClass(AlbumInstance());
        host = new MessageLog(200, 100);
    }
    static void TearDownTestSuite()
    {
        delete host;
        host = nullptr;
        UnregisterAlbumThread();
        DestroyAlbumRegistry();
    }
};

} // namespace testsupport
