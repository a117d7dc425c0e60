// A fresh engine for every test that drives it in this process, whatever the test before left: its state file
// in a folder of its own, its taskbar calls recorded, and what it says readable on the status line of an
// invisible window of this process (whose windows are never candidates, and an invisible one is never
// hidden).
#pragma once
#include "engine/engine.h"
#include "engine/hidden_set.h"
#include "tests/win/support.h"
#include "ui/app_state.h"

#include <gtest/gtest.h>

class FreshEngine : public testing::Test {
  protected:
    TempFolder folder;
    RecordingTaskbar taskbar;
    HWND statusHost = nullptr;

    void SetUp() override {
        engine = Engine{};
        engine.stateFileOverride = folder.File(L"veltrano.hidden");
        engine.taskbarList.reset(&taskbar);
        statusHost =
            CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 20, nullptr, nullptr, nullptr, nullptr);
        app.controls[IDC_STATUS - kFirstControlId] = CreateWindowExW(
            0, L"Static", L"", WS_CHILD, 0, 0, 400, 20, statusHost, nullptr, nullptr, nullptr);
        engine.host = {nullptr, SetStatusText, nullptr};
    }

    void TearDown() override {
        if (engine.windowsHidden) RestoreAllWindows();
        static_cast<void>(engine.taskbarList.release());
        DestroyWindow(statusHost);
        app.controls = {};
        engine = Engine{};
    }

    std::wstring StatePath() const { return engine.stateFileOverride; }
    std::wstring Status() const { return TitleOf(ControlHandle(IDC_STATUS)); }
};
