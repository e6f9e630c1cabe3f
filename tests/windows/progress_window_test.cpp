// Modal dialogs of the real backend, and the removal progress window opening from both
// resource libraries' template.
#include "program_driver.h"
#include "remove_progress_dlg.h"

#include <zel/platform/dialog.h>
#include <zel/platform/library.h>

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using zel::test::besideThisProgram;

// Swallows Enter; posts Enter first, then Escape, which the dialog's own handling turns
// into Cancel.
class SwallowsEnter final : public zel::platform::DialogHandler {
public:
    bool onMessage(zel::platform::Window dialog, std::uint32_t message, std::uintptr_t, std::intptr_t,
                   std::intptr_t& result) override {
        HWND hwnd = reinterpret_cast<HWND>(dialog);
        if (message == WM_INITDIALOG) {
            PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageA(hwnd, WM_APP, 0, 0);
            result = TRUE;
            return true;
        }
        if (message == WM_APP) {
            PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
            return true;
        }
        return false;
    }
    bool preTranslate(std::uint32_t message, std::uintptr_t key) override {
        const bool swallow = message == WM_KEYDOWN && key == VK_RETURN;
        swallowed += swallow ? 1 : 0;
        return swallow;
    }
    int swallowed = 0;
};

TEST(ModalDialogs, KeysPassTheFilterBeforeTheDialogSeesThem) {
    const auto library = zel::platform::Library::load(besideThisProgram("ZelSATAResUS.dll").c_str());
    ASSERT_TRUE(library);
    SwallowsEnter handler;
    EXPECT_EQ(zel::platform::runModalDialog(handler, library, 108, 0), IDCANCEL);
    EXPECT_EQ(handler.swallowed, 1);
    EXPECT_EQ(zel::platform::runModalDialog(handler, library, 999, 0), -1) << "no such template";
}

TEST(ProgressWindow, OpensFromTheTemplateAndClosesWhenTheWorkerFails) {
    for (const char* file : {"ZelSATAResUS.dll", "ZelSATARes.dll"}) {
        SCOPED_TRACE(file);
        const auto library = zel::platform::Library::load(besideThisProgram(file).c_str());
        ASSERT_TRUE(library);
        // No application runs here: the worker finds no entry and reports a failure.
        zel::app::CRemoveProgressDlg progress;
        progress.SetEntryIndex(0);
        const DWORD started = GetTickCount();
        EXPECT_EQ(progress.DoModal(library, 0), IDCANCEL);
        EXPECT_GE(GetTickCount() - started, 100u) << "open until the first poll";
        EXPECT_EQ(progress.Result().load(), zel::app::kRemovalFailed);
    }
}

} // namespace
