// The folder browser: a thread's COM is as the browser found it, whether it had started COM itself.
#include <gtest/gtest.h>
#include <objbase.h>
#include <thread>
#include "support/DialogScript.h"
#include "win/FolderBrowser.h"

TEST(FolderBrowser, LeavesTheThreadsComAsItWas)
{
    for (bool started : {false, true})
        std::thread([started] {
            if (started)
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            testsupport::DialogScript script;
            script.On("Browse for Folder", [](HWND browser) { testsupport::DialogScript::Press(browser, IDCANCEL); });
            char out[MAX_PATH];
            EXPECT_FALSE(win::BrowseForFolder(nullptr, out));
            EXPECT_EQ(script.Pending(), 0u) << "the browser came up";
            const HRESULT again = CoInitializeEx(nullptr, started ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
            EXPECT_EQ(again, started ? RPC_E_CHANGED_MODE : S_OK) << started;
            if (started || SUCCEEDED(again))
                CoUninitialize();
        }).join();
}
