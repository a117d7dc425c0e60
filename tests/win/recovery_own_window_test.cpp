// Recovery never puts back a window of the reading process itself: a state file can name one only when an
// earlier run's process id and window handle both came back, and applying it would, for one, show the main
// window before the usage notice was accepted.
#include "engine/state_file.h"
#include "tests/win/engine_fixture.h"

namespace {

using RecoveryOwnWindow = FreshEngine;

} // namespace

TEST_F(RecoveryOwnWindow, ARecordNamingAWindowOfTheReadingProcessIsLeftAloneAndTheFileDeleted) {
    HWND own = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"own hidden window", WS_OVERLAPPEDWINDOW, 0, 0,
                               200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(own);
    WriteFileBytes(engine.stateFileOverride,
                   "VLT1\r\n1\r\n" + StateRecordLine(own, GetCurrentProcessId(), 0x100));

    EXPECT_EQ(RestoreFromStateFile(), 0);
    EXPECT_FALSE(IsWindowVisible(own));
    EXPECT_EQ(GetWindowLongPtrW(own, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_FALSE(FileExists(engine.stateFileOverride));

    DestroyWindow(own);
}

TEST_F(RecoveryOwnWindow, TheSameRecordForAWindowOfAnotherProcessIsPutBack) {
    Helper helper({L"--window", L"Recovery Other", L"--tool"});
    ASSERT_EQ(helper.windows.size(), 1u);
    ASSERT_EQ(helper.Ask("hide 0"), "ok");
    WriteFileBytes(engine.stateFileOverride,
                   "VLT1\r\n1\r\n" + StateRecordLine(helper.windows[0], helper.ProcessId(), 0x100));

    EXPECT_EQ(RestoreFromStateFile(), 1);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(helper.windows[0]) != FALSE; }));
    EXPECT_EQ(GetWindowLongPtrW(helper.windows[0], GWL_EXSTYLE), 0x100);
    EXPECT_FALSE(FileExists(engine.stateFileOverride));
}
