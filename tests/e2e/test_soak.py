"""Many hide/restore cycles of twenty windows with the hotkey: no window may be lost, and the program's handles,
windows and working set must stay flat. VELTRANO_SOAK_CYCLES sets the number of cycles."""
import time
import unittest

from veltrano_e2e import CYCLES, E2ETestCase, Screen, X, report, settings_text, wait_for

WINDOWS = 20
# Allowed growth between the first and the last sample, far below one object per cycle of the long run.
HANDLE_SLACK = 16
WORKING_SET_SLACK = 16 * 1024 * 1024


class Soak(E2ETestCase):

    def test_many_hide_restore_cycles_lose_no_window_and_leak_nothing(self):
        names = [f"Soak {i:02}" for i in range(WINDOWS)]
        target = "Soak Target"
        arguments = []
        for title in names + [target]:
            arguments += ["--window", title]
        probe = self.helper(*arguments)
        handles = dict(zip(names + [target], probe.windows))
        before = {name: probe.state(hwnd) for name, hwnd in handles.items()}
        program = self.veltrano(settings_text(names, target)).start()
        main = program.wait_main(probe)
        screen = Screen(probe, program)

        def sample():
            handles_, gdi, user, working_set, table_handles, windows = probe.resources(program.pid)
            return {"handles": handles_ or table_handles, "gdi": gdi, "user": user or windows,
                    "working set": working_set}

        samples = []
        started = time.monotonic()
        for cycle in range(CYCLES):
            # Each press waits for the status line too: it is written last, once the program has finished the
            # toggle (focus switch included) and is ready for the next press.
            hidden = screen.press_hotkey_in(target, handles[target],
                                            lambda: probe.visible_count() == 1 and not probe.visible(main)
                                            and screen.status() == f"已隐藏 {WINDOWS + 1} 个窗口")
            self.assertTrue(hidden, f"cycle {cycle}: the windows were not hidden ({probe.visible_count()} visible)")
            back = screen.press_hotkey_in(target, handles[target],
                                          lambda: probe.visible_count() == WINDOWS + 1 and probe.visible(main)
                                          and screen.status() == "已恢复全部窗口")
            self.assertTrue(back, f"cycle {cycle}: only {probe.visible_count()} of {WINDOWS + 1} windows came back")
            if cycle in (min(5, CYCLES - 1), CYCLES - 1) or cycle % 100 == 99:
                samples.append((cycle + 1, sample()))
        elapsed = time.monotonic() - started

        for name, hwnd in handles.items():
            self.assertEqual(probe.state(hwnd), before[name], f"{name} did not come back as it was")
        self.assertTrue(wait_for(lambda: all(X.shown(name) for name in names), 20), "a window is not mapped")
        self.assertFalse(program.state_file_exists())
        report(f"soak: {CYCLES} cycles of {WINDOWS} windows in {elapsed:.1f} s "
               f"({elapsed / CYCLES:.3f} s per cycle), no window lost; "
               f"{Screen.missed_presses} presses had to be repeated")
        for cycle, values in samples:
            report(f"soak: after cycle {cycle}: " + ", ".join(f"{k} {v}" for k, v in values.items()))
        first, last = samples[0][1], samples[-1][1]
        self.assertLessEqual(last["handles"] - first["handles"], HANDLE_SLACK, "handles grow")
        self.assertLessEqual(last["gdi"] - first["gdi"], HANDLE_SLACK, "GDI objects grow")
        self.assertLessEqual(last["user"] - first["user"], HANDLE_SLACK, "USER objects grow")
        self.assertLessEqual(last["working set"] - first["working set"], WORKING_SET_SLACK, "the working set grows")


if __name__ == "__main__":
    unittest.main()
