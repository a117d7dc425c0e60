// The recovery state file on disk: its exact bytes, the reader against hostile and damaged files, and a write
// that cannot finish leaving the previous file whole.
#include "engine/engine.h"
#include "engine/state_file.h"
#include "tests/win/engine_fixture.h"
#include "tests/win/support.h"
#include "ui/app_state.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

namespace {

constexpr LONG_PTR kToolWindow = WS_EX_TOOLWINDOW;

bool LooksHidden(HWND hwnd) {
    const WindowState state = StateOf(hwnd);
    return !state.visible && (state.exStyle & kToolWindow);
}

class StateFile : public FreshEngine {
  protected:
    std::wstring Path() const { return StatePath(); }

    // Writes the file, reads it back through the product and checks what every read that opened a file must
    // leave: no file, and the hidden set of this process untouched.
    int RestoreFrom(const std::string& content) {
        WriteFileBytes(Path(), content);
        const int restored = RestoreFromStateFile();
        EXPECT_FALSE(FileExists(Path())) << "the file is deleted after every read that opened it";
        EXPECT_FALSE(engine.windowsHidden);
        EXPECT_TRUE(engine.hiddenSet.empty());
        return restored;
    }
};

// Handles that name no window: records for windows that had closed when the file was written.
HWND Gone(std::uint64_t value) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
}

} // namespace

TEST_F(StateFile, IsWrittenExactlyAsTheGoldenFileForAKnownSet) {
    const HWND first = Gone(0x1F4);
    const HWND second = Gone(0x7FFE00ABCDEF);
    const HWND third = Gone(0x10);
    for (HWND hwnd : {first, second, third})
        ASSERT_FALSE(IsWindow(hwnd)) << "the golden set needs handles that name no window";
    engine.hiddenSet = {{first, 0x100, false},
                        {second, static_cast<LONG_PTR>(0x40100), true},
                        {third, static_cast<LONG_PTR>(0xFFFFFFFF80000188ULL), false}};
    WriteStateFile();
    // A window that no longer exists is written with process id 0, and so can never be restored.
    EXPECT_EQ(ReadFileBytes(Path()), "VLT1\r\n"
                                     "3\r\n"
                                     "1F4|0|100|0\r\n"
                                     "7FFE00ABCDEF|0|40100|1\r\n"
                                     "10|0|FFFFFFFF80000188|0\r\n");
    EXPECT_FALSE(FileExists(Path() + L".tmp"));
    engine.hiddenSet.clear();
    EXPECT_EQ(RestoreFromStateFile(), 0);
    EXPECT_FALSE(FileExists(Path()));
}

TEST_F(StateFile, AnEmptySetDeletesTheFile) {
    WriteFileBytes(Path(), "VLT1\r\n1\r\n1F4|788|100|0\r\n");
    WriteStateFile();
    EXPECT_FALSE(FileExists(Path()));
    EXPECT_FALSE(FileExists(Path() + L".tmp"));
}

TEST_F(StateFile, RestoresEachListedWindowWithItsStyleShowStateAndTaskbarButton) {
    Helper helper({L"--window", L"Back normal", L"--window", L"Back iconic", L"--minimized", L"--window",
                   L"Back tool", L"--window", L"Back odd flag", L"--minimized"});
    ASSERT_EQ(helper.windows.size(), 4u);
    const DWORD pid = helper.ProcessId();
    const LONG_PTR normal = HideByHand(helper.windows[0]);
    const LONG_PTR iconic = HideByHand(helper.windows[1]);
    HideByHand(helper.windows[2]);
    const LONG_PTR odd = HideByHand(helper.windows[3]);
    // The tool window's record carries a style with the tool bit: it is written back, and no button is added.
    const LONG_PTR toolStyle = normal | kToolWindow;
    const int restored = RestoreFrom("VLT1\r\n4\r\n" + StateRecordLine(helper.windows[0], pid, normal, 0) +
                                     StateRecordLine(helper.windows[1], pid, iconic, 1) +
                                     StateRecordLine(helper.windows[2], pid, toolStyle, 0) +
                                     StateRecordLine(helper.windows[3], pid, odd, 7));
    EXPECT_EQ(restored, 4);
    const WindowState states[] = {StateOf(helper.windows[0]), StateOf(helper.windows[1]),
                                  StateOf(helper.windows[2]), StateOf(helper.windows[3])};
    for (const WindowState& state : states)
        EXPECT_TRUE(state.visible);
    EXPECT_EQ(states[0].exStyle, normal);
    EXPECT_FALSE(states[0].iconic);
    EXPECT_EQ(states[1].exStyle, iconic);
    EXPECT_TRUE(states[1].iconic);
    EXPECT_EQ(states[2].exStyle, toolStyle);
    EXPECT_TRUE(states[3].iconic) << "any non-zero flag means minimised";
    // Records are applied in file order.
    EXPECT_EQ(taskbar.Calls("add"),
              (std::vector<HWND>{helper.windows[0], helper.windows[1], helper.windows[3]}));
}

TEST_F(StateFile, AMagicLineWithASuffixIsAcceptedAndBareLineFeedsToo) {
    Helper helper({L"--window", L"Suffix one", L"--window", L"Suffix two"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const LONG_PTR one = HideByHand(helper.windows[0]);
    const LONG_PTR two = HideByHand(helper.windows[1]);
    EXPECT_EQ(RestoreFrom("VLT1 extra\n2\n" +
                          StateRecordLine(helper.windows[0], helper.ProcessId(), one, 0, "\n") +
                          StateRecordLine(helper.windows[1], helper.ProcessId(), two, 0, "\n")),
              2);
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_EQ(StateOf(helper.windows[1]).exStyle, two);
}

TEST_F(StateFile, OnlyTheMagicLineAWrongMagicOrAnEmptyFileRestoreNothing) {
    Helper helper({L"--window", L"Stays hidden"});
    ASSERT_EQ(helper.windows.size(), 1u);
    const LONG_PTR style = HideByHand(helper.windows[0]);
    const std::string record = StateRecordLine(helper.windows[0], helper.ProcessId(), style);
    helper.Events();
    for (const std::string& content :
         {std::string("VLT1\r\n"), std::string("VLT1"), std::string("VLT2\r\n1\r\n") + record,
          std::string("vlt1\r\n1\r\n") + record, std::string("\r\nVLT1\r\n1\r\n") + record, std::string(),
          std::string("VLT1\r\n-3\r\n") + record, std::string("VLT1\r\n0\r\n") + record}) {
        EXPECT_EQ(RestoreFrom(content), 0) << content;
        EXPECT_TRUE(LooksHidden(helper.windows[0])) << content;
    }
    EXPECT_TRUE(WindowChanges(helper.Events()).empty());
    EXPECT_TRUE(taskbar.calls.empty());
}

TEST_F(StateFile, NoFileRestoresNothingAndCreatesNothing) {
    EXPECT_EQ(RestoreFromStateFile(), 0);
    EXPECT_FALSE(FileExists(Path()));
}

TEST_F(StateFile, AWindowThatNowBelongsToAnotherProcessIsNotTouched) {
    Helper first({L"--window", L"Owner's window"});
    Helper second({L"--window", L"Someone else's window"});
    ASSERT_EQ(first.windows.size(), 1u);
    ASSERT_EQ(second.windows.size(), 1u);
    const LONG_PTR mine = HideByHand(first.windows[0]);
    const LONG_PTR theirs = HideByHand(second.windows[0]);
    second.Events();
    // The second record carries a handle that another program's window holds now.
    EXPECT_EQ(RestoreFrom("VLT1\r\n2\r\n" + StateRecordLine(first.windows[0], first.ProcessId(), mine) +
                          StateRecordLine(second.windows[0], first.ProcessId(), theirs)),
              1);
    EXPECT_TRUE(IsWindowVisible(first.windows[0]));
    EXPECT_TRUE(LooksHidden(second.windows[0]));
    EXPECT_TRUE(WindowChanges(second.Events()).empty());
}

TEST_F(StateFile, OnlyTheFirst256RecordLinesAreRead) {
    Helper helper({L"--window", L"Line 256", L"--window", L"Line 257"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const LONG_PTR at256 = HideByHand(helper.windows[0]);
    const LONG_PTR at257 = HideByHand(helper.windows[1]);
    std::string content = "VLT1\r\n300\r\n";
    for (int i = 0; i < 255; ++i)
        content +=
            StateRecordLine(Gone(0x7FFE0000F000 + static_cast<unsigned>(i)), helper.ProcessId(), 0x100);
    content += StateRecordLine(helper.windows[0], helper.ProcessId(), at256);
    for (int i = 256; i < 300; ++i)
        content += StateRecordLine(helper.windows[1], helper.ProcessId(), at257);
    EXPECT_EQ(RestoreFrom(content), 1);
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(LooksHidden(helper.windows[1]));
}

TEST_F(StateFile, ACountSmallerThanTheRecordsStopsAtTheCount) {
    Helper helper({L"--window", L"Counted", L"--window", L"Beyond the count"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const LONG_PTR counted = HideByHand(helper.windows[0]);
    const LONG_PTR beyond = HideByHand(helper.windows[1]);
    EXPECT_EQ(RestoreFrom("VLT1\r\n1\r\n" + StateRecordLine(helper.windows[0], helper.ProcessId(), counted) +
                          StateRecordLine(helper.windows[1], helper.ProcessId(), beyond)),
              1);
    EXPECT_TRUE(IsWindowVisible(helper.windows[0]));
    EXPECT_TRUE(LooksHidden(helper.windows[1]));
}

TEST_F(StateFile, GarbageLinesAreSkippedAndTheGoodOnesStillRestore) {
    Helper helper({L"--window", L"Among garbage one", L"--window", L"Among garbage two"});
    ASSERT_EQ(helper.windows.size(), 2u);
    const DWORD pid = helper.ProcessId();
    const LONG_PTR one = HideByHand(helper.windows[0]);
    const LONG_PTR two = HideByHand(helper.windows[1]);
    const std::string garbage[] = {"garbage\r\n",
                                   "\r\n",
                                   "12|34\r\n",
                                   "ZZ|1|2|3\r\n",
                                   "|||\r\n",
                                   "0|" + std::to_string(pid) + "|100|0\r\n",
                                   std::string(1, '-').append(StateRecordLine(helper.windows[1], pid, two)),
                                   StateRecordLine(helper.windows[1], pid, two).substr(0, 6) + "|x|100|0\r\n",
                                   std::string(300, '7') + "\r\n"};
    std::string content;
    int lines = 0;
    for (const std::string& line : garbage) {
        content += line;
        lines += line.size() > 255 ? 2 : 1; // a line longer than the reader's buffer comes back as two
    }
    content += StateRecordLine(helper.windows[0], pid, one) + StateRecordLine(helper.windows[1], pid, two);
    lines += 2;
    EXPECT_EQ(RestoreFrom("VLT1\r\n" + std::to_string(lines) + "\r\n" + content), 2);
    EXPECT_EQ(StateOf(helper.windows[0]).exStyle, one);
    EXPECT_EQ(StateOf(helper.windows[1]).exStyle, two);
    EXPECT_TRUE(IsWindowVisible(helper.windows[1]));
}

TEST_F(StateFile, AMillionLinesAreReadBoundedlyAndTouchNothingWrongly) {
    Helper owner({L"--window", L"Not in the first lines"});
    Helper stranger({L"--window", L"Stranger"});
    ASSERT_EQ(owner.windows.size(), 1u);
    ASSERT_EQ(stranger.windows.size(), 1u);
    const LONG_PTR ownStyle = HideByHand(owner.windows[0]);
    const WindowState strangerBefore = StateOf(stranger.windows[0]);
    stranger.Events();
    // Every line among the first ones names the stranger's visible window with the wrong process; the
    // owner's own record comes far too late to be read.
    const std::string wrong = StateRecordLine(stranger.windows[0], owner.ProcessId(), kToolWindow, 1);
    std::string content = "VLT1\r\n1000000\r\n";
    content.reserve(content.size() + wrong.size() * 1000000 + 64);
    for (int i = 0; i < 999999; ++i)
        content += wrong;
    content += StateRecordLine(owner.windows[0], owner.ProcessId(), ownStyle);
    EXPECT_EQ(RestoreFrom(content), 0);
    EXPECT_TRUE(LooksHidden(owner.windows[0]));
    const WindowState strangerAfter = StateOf(stranger.windows[0]);
    EXPECT_TRUE(strangerAfter.visible);
    EXPECT_FALSE(strangerAfter.iconic);
    EXPECT_EQ(strangerAfter.exStyle, strangerBefore.exStyle);
    EXPECT_TRUE(WindowChanges(stranger.Events()).empty());

    // One endless line: the count overflows to the largest value, and the rest never parses.
    EXPECT_EQ(RestoreFrom("VLT1\r\n" + std::string(2000000, '9')), 0);
    EXPECT_TRUE(LooksHidden(owner.windows[0]));
}

TEST_F(StateFile, BinaryGarbageRestoresNothingAndIsDeleted) {
    Helper helper({L"--window", L"Binary hidden", L"--window", L"Binary visible"});
    ASSERT_EQ(helper.windows.size(), 2u);
    HideByHand(helper.windows[0]);
    const WindowState visibleBefore = StateOf(helper.windows[1]);
    helper.Events();
    std::mt19937 random(20240611);
    for (const std::string prefix : {"", "VLT1\r\n", "VLT1\r\n300\r\n"}) {
        for (int round = 0; round < 4; ++round) {
            std::string content = prefix;
            for (int i = 0; i < 70000; ++i)
                content.push_back(static_cast<char>(random() & 0xFF));
            EXPECT_EQ(RestoreFrom(content), 0);
        }
    }
    EXPECT_TRUE(LooksHidden(helper.windows[0]));
    EXPECT_EQ(StateOf(helper.windows[1]).exStyle, visibleBefore.exStyle);
    EXPECT_TRUE(WindowChanges(helper.Events()).empty());
}

TEST_F(StateFile, ALeftoverTemporaryFileFromAnInterruptedWriteIsReplaced) {
    WriteFileBytes(Path(), "VLT1\r\n1\r\n1F4|0|100|0\r\n");
    WriteFileBytes(Path() + L".tmp", "VLT1\r\n2\r\n1F");
    engine.hiddenSet = {{Gone(0x10), 0x100, true}};
    ASSERT_FALSE(IsWindow(Gone(0x10)));
    WriteStateFile();
    EXPECT_EQ(ReadFileBytes(Path()), "VLT1\r\n1\r\n10|0|100|1\r\n");
    EXPECT_FALSE(FileExists(Path() + L".tmp"));
    engine.hiddenSet.clear();
}

TEST_F(StateFile, AWriteThatCannotMakeItsTemporaryFileLeavesThePreviousFileWhole) {
    const std::string previous = "VLT1\r\n1\r\n1F4|788|100|0\r\n";
    WriteFileBytes(Path(), previous);
    HANDLE busy = CreateFileW((Path() + L".tmp").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    engine.hiddenSet = {{Gone(0x10), 0x100, false}, {Gone(0x20), 0x100, false}};
    WriteStateFile();
    CloseHandle(busy);
    EXPECT_EQ(ReadFileBytes(Path()), previous);
    engine.hiddenSet.clear();
}

TEST_F(StateFile, AWriteWhoseMoveFailsLeavesThePreviousFileWholeAndNoTemporaryFile) {
    const std::string previous = "VLT1\r\n1\r\n1F4|788|100|0\r\n";
    WriteFileBytes(Path(), previous);
    // A reader that holds the file open without letting it be deleted makes the replacing move fail.
    HANDLE reader = CreateFileW(Path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    engine.hiddenSet = {{Gone(0x10), 0x100, false}, {Gone(0x20), 0x100, false}};
    WriteStateFile();
    CloseHandle(reader);
    EXPECT_EQ(ReadFileBytes(Path()), previous);
    EXPECT_FALSE(FileExists(Path() + L".tmp"));
    engine.hiddenSet.clear();
}
