"""Faults while windows are hidden: the main process killed (by Wine and by Linux), an unhandled exception, the
watchdog killed, both killed, and the end of the Windows session. Nothing may stay lost; every scenario whose
timing matters runs VELTRANO_E2E_RUNS times and reports how long the windows stayed away."""
import os
import shutil
import subprocess
import time
import unittest

from veltrano_e2e import (HELPER, IDC_EXIT, READY_TEXT, RUNS, WM_ENDSESSION, WM_LBUTTONDBLCLK, WM_QUERYENDSESSION,
                          WM_TRAYICON, WS_EX_TOOLWINDOW, E2ETestCase, HiddenScene, Screen, X, center, kill_linux,
                          own_wine_processes, read_state_file, report, settings_text, summary, user_settings_folder,
                          wait_for, windows_path)


class Faults(E2ETestCase):

    def scene(self, tag):
        names = [f"{tag} Notes", f"{tag} Mail"]
        target = f"{tag} Chat"
        arguments = []
        for title in names + [target]:
            arguments += ["--window", title]
        return HiddenScene(self, self.helper(*arguments), names, target)

    def assert_state_file_goes(self, scene):
        self.assertTrue(wait_for(lambda: not scene.program.state_file_exists(), 10),
                        "the state file is left after the windows came back")

    def repeat_kill(self, tag, kill):
        scene = self.scene(tag)
        times = []
        for run in range(RUNS):
            with self.subTest(run=run):
                scene.start().hide()
                started = time.monotonic()
                kill(scene)
                seconds = scene.wait_restored(started)
                self.assertIsNotNone(seconds, "the watchdog did not bring the windows back")
                times.append(seconds)
                scene.assert_restored_as_before()
                self.assert_state_file_goes(scene)
                self.assertIsNotNone(scene.program.wait_exit(10), "the killed process still runs")
                end_watchdogs_of_ended_runs()
        report(summary(f"recovery after {tag}", times))

    def test_the_watchdog_restores_every_window_when_wine_terminates_the_main_process(self):
        self.repeat_kill("TerminateProcess",
                         lambda scene: self.assertEqual(scene.probe.ask(f"terminate {scene.program.pid}"),
                                                        "terminated 1"))

    def test_the_watchdog_restores_every_window_when_linux_kills_the_main_process(self):
        self.repeat_kill("SIGKILL", lambda scene: scene.program.process.kill())

    def test_an_unhandled_exception_restores_the_windows_and_ends_the_process_without_a_dialog(self):
        scene = self.scene("Crash")
        times = []
        for run in range(RUNS):
            with self.subTest(run=run):
                scene.start().hide()
                crasher = subprocess.Popen(["wine", HELPER, "--crash-remote", str(scene.program.pid)],
                                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
                answer = crasher.stdout.readline().strip()
                crashed_at = time.monotonic()
                crasher.wait(30)
                crasher.stdout.close()
                self.assertEqual(answer, "crashed 1", "the fault could not be injected")
                seconds = scene.wait_restored(crashed_at)
                self.assertIsNotNone(seconds, "the exception filter did not bring the windows back")
                times.append(seconds)
                scene.assert_restored_as_before()
                self.assert_state_file_goes(scene)
                self.assertIsNotNone(scene.program.wait_exit(10), "the process did not end after the exception")
                # The system's error dialog would come from a debugger process with a window of its own.
                self.assertFalse(wait_for(lambda: own_wine_processes("winedbg"), 2),
                                 "a crash dialog (winedbg) appeared")
                self.assertEqual(scene.probe.find("#32770"), 0, "an error dialog appeared")
                end_watchdogs_of_ended_runs()
        report(summary("recovery after an unhandled exception (from the injection)", times))

    def test_a_killed_watchdog_is_replaced_within_five_seconds_and_the_new_one_does_its_job(self):
        scene = self.scene("Watchdog").start()
        times = []
        for run in range(RUNS):
            with self.subTest(run=run):
                old = scene.watchdog_pids()
                self.assertEqual(len(old), 1, f"expected one watchdog, found {old}")
                started = time.monotonic()
                if run % 2 == 0:
                    self.assertEqual(scene.probe.ask(f"terminate {old[0]}"), "terminated 1")
                else:
                    for pid in own_wine_processes("vlt-guard"):
                        kill_linux(pid)
                fresh = wait_for(lambda: [p for p in scene.watchdog_pids() if p not in old], 15, 0.05)
                self.assertTrue(fresh, "no new watchdog after the old one was killed")
                times.append(time.monotonic() - started)
                self.assertTrue(wait_for(lambda: scene.watchdog_pids() == fresh, 5), scene.watchdog_pids())
        report(summary("new watchdog after the old one was killed", times))
        scene.hide()
        started = time.monotonic()
        scene.program.process.kill()
        seconds = scene.wait_restored(started)
        self.assertIsNotNone(seconds, "the replacement watchdog did not bring the windows back")
        report(f"recovery by the replacement watchdog: {seconds:.3f} s")
        scene.assert_restored_as_before()
        self.assert_state_file_goes(scene)

    def test_the_watchdog_outlives_the_end_of_veltranos_process_tree_and_of_its_launchers_job(self):
        scene = self.scene("Tree")
        for how in ("process tree", "job"):
            with self.subTest(how=how):
                program = self.veltrano(settings_text(scene.names, scene.target))
                if how == "job":  # started by a launcher that lets its processes leave its job
                    program.start = lambda: scene.probe.ask(f'spawn-in-job "{windows_path(program.exe)}"')
                scene.start(program).hide()
                started = time.monotonic()
                report(scene.probe.ask(f"kill-tree {program.pid}" if how == "process tree" else "end-job"))
                seconds = scene.wait_restored(started)
                self.assertIsNotNone(seconds, f"the end of the {how} took the watchdog with it")
                report(f"recovery after the end of Veltrano's {how}: {seconds:.3f} s")
                scene.assert_restored_as_before()
                self.assert_state_file_goes(scene)
                end_watchdogs_of_ended_runs()

    def test_when_the_main_process_and_the_watchdog_die_together_the_next_start_restores(self):
        scene = self.scene("Both")
        for run, how in enumerate(("Linux", "Wine")):
            with self.subTest(how=how):
                scene.start().hide()
                if how == "Linux":
                    for pid in own_wine_processes("vlt-guard") + [scene.program.process.pid]:
                        kill_linux(pid)
                else:  # in one command: a program that outlived its watchdog for a moment would start another
                    pids = [scene.program.pid] + scene.watchdog_pids()
                    self.assertEqual(scene.probe.ask("terminate " + " ".join(map(str, pids))),
                                     f"terminated {len(pids)}")
                self.assertIsNotNone(scene.program.wait_exit(10))
                self.assertTrue(wait_for(lambda: not scene.watchdog_pids(), 10))
                time.sleep(1)
                self.assertEqual(scene.visible_count(), 1, "something restored the windows with nobody left")
                self.assertTrue(scene.program.state_file_exists(), "the state file is gone with nobody left")

                started = time.monotonic()
                scene.start(scene.program)
                seconds = scene.wait_restored(started)
                self.assertIsNotNone(seconds, "the next start did not restore from the state file")
                report(f"next start restored the windows ({how} kill): {seconds:.3f} s after the start")
                scene.assert_restored_as_before()
                self.assertFalse(scene.program.state_file_exists())
                rows = [title for _, title in scene.probe.rows(scene.program.main)]
                for name in scene.names:
                    self.assertIn(name, rows, "a restored window is missing from the list")
                scene.program.kill()
                end_watchdogs_of_ended_runs()

    def test_a_program_folder_that_cannot_be_written_keeps_the_settings_and_the_windows_safe(self):
        scene = self.scene("Sealed")
        # Shipped beside the exe: one window ticked, the notice not yet accepted.
        program = self.veltrano(settings_text(scene.names[:1], scene.target, notice=False))
        with open(program.settings_path, "rb") as f:
            shipped = f.read()
        shutil.rmtree(user_settings_folder(), ignore_errors=True)
        # As a program folder the user may not write to: immutable for root, read-only for anyone else.
        sealed = subprocess.run(["chattr", "+i", program.folder], capture_output=True).returncode == 0
        if not sealed:
            os.chmod(program.folder, 0o555)
        try:
            # The settings go to the user's own folder: the notice is accepted once, a tick survives the exit.
            screen = Screen(scene.probe, program.start())
            notice = scene.probe.wait_notice()
            self.assertTrue(notice, "no usage notice appeared")
            screen.focus_window("使用须知", notice)
            X.key("Return")
            program.wait_main(scene.probe)
            self.assertTrue(screen.status().startswith(f"{READY_TEXT} · 程序所在的文件夹不能写入，设置保存在 "), screen.status())
            self.assertTrue(screen.status().endswith("\\Veltrano"), screen.status())
            screen.tick_with_mouse(scene.names[1])
            screen.click_control(IDC_EXIT)
            self.assertEqual(program.wait_exit(20), 0)
            with open(os.path.join(user_settings_folder(), "veltrano.ini"), "rb") as f:
                own = f.read().decode("utf-16")
            for line in ("noticeShown=1", "hideCount=2", f"focus={scene.target}|vlt-test-windows.exe"):
                self.assertIn(line, own)
            with open(program.settings_path, "rb") as f:
                self.assertEqual(f.read(), shipped, "the file beside the exe changed")
            for how in ("watchdog", "next start"):
                with self.subTest(how=how):
                    program.kill()
                    scene.start(program).hide(beside_the_exe=False)
                    started = time.monotonic()
                    if how == "watchdog":
                        program.process.kill()
                    else:
                        for pid in own_wine_processes("vlt-guard") + [program.process.pid]:
                            kill_linux(pid)
                        self.assertIsNotNone(program.wait_exit(10))
                        self.assertTrue(wait_for(lambda: not scene.watchdog_pids(), 10))
                        self.assertEqual(scene.visible_count(), 1, "nobody was left to restore, yet")
                        started = time.monotonic()
                        scene.start(program)
                    seconds = scene.wait_restored(started)
                    self.assertIsNotNone(seconds, f"the {how} did not bring the windows back")
                    report(f"read-only program folder, restored by the {how}: {seconds:.3f} s")
                    scene.assert_restored_as_before()
                    program.kill()
                    end_watchdogs_of_ended_runs()
        finally:
            if sealed:
                subprocess.run(["chattr", "-i", program.folder], check=True)
            os.chmod(program.folder, 0o755)
            shutil.rmtree(user_settings_folder(), ignore_errors=True)

    def test_the_end_of_the_windows_session_restores_the_hidden_windows_before_programs_ask_to_save(self):
        probe = self.helper("--window", "Session Notes", "--window", "Session Draft", "--ask-save", "--window",
                            "Session Chat")
        scene = HiddenScene(self, probe, ["Session Notes", "Session Draft"], "Session Chat").start().hide()
        self.assertTrue(scene.probe.post(scene.program.main, WM_ENDSESSION, 0, 0))
        time.sleep(1)
        self.assertEqual(scene.visible_count(), 1, "a cancelled end of session restored the windows")
        self.assertTrue(scene.program.state_file_exists())
        started = time.monotonic()
        self.assertTrue(scene.probe.post(scene.program.main, WM_ENDSESSION, 1, 0))
        seconds = scene.wait_restored(started)
        self.assertIsNotNone(seconds, "WM_ENDSESSION did not bring the windows back")
        report(f"recovery at the end of the session: {seconds:.3f} s")
        scene.assert_restored_as_before()
        self.assert_state_file_goes(scene)
        # Asked first, as its shutdown level has it, Veltrano puts every window back before the program with
        # unsaved work asks to save; that program keeps the session going, and its question stays on the screen.
        scene.hide()
        self.assertEqual(probe.ask(f"end-session {scene.program.pid} {probe.pid_of(probe.windows[0])}"), "cancelled")
        self.assertTrue(wait_for(lambda: scene.visible_count() == 4, 5), "a window or the question is not shown")
        time.sleep(1)
        self.assertEqual(scene.visible_count(), 4, "the question to save was hidden again")
        scene.assert_restored_as_before()
        self.assertEqual(scene.status(), "因关机或重启，已恢复全部窗口")
        # A tick made after the last save is on disk once the session ends.
        later = self.helper("--window", "Session Later")
        screen = Screen(probe, scene.program)
        self.assertTrue(wait_for(lambda: screen.ticked("Session Later") is False, 10), "the list did not follow")
        screen.tick_with_mouse("Session Later")
        self.assertTrue(scene.probe.post(scene.program.main, WM_QUERYENDSESSION, 0, 0))
        self.assertTrue(scene.probe.post(scene.program.main, WM_ENDSESSION, 1, 0))
        self.assertTrue(wait_for(lambda: "Session Later|vlt-test-windows.exe" in scene.program.read_settings(), 5),
                        "the end of the session did not save the tick")
        later.close()


def end_watchdogs_of_ended_runs():
    """A watchdog whose main process died finishes by itself; this only makes sure none is left over."""
    wait_for(lambda: not own_wine_processes("vlt-guard"), 10)
    for pid in own_wine_processes("vlt-guard"):
        kill_linux(pid)


class Uncooperative(E2ETestCase):
    """Programs that do not answer, refuse to be hidden, show themselves or open windows while hidden: Veltrano
    never waits for them, tells the truth about them and puts every window back exactly as it was."""

    def scene(self, tag, *others):
        """The helper's windows of a fault scene, and a second program with the windows `others` describe,
        all ticked."""
        names = [f"{tag} Notes", f"{tag} Mail"]
        scene = HiddenScene(self, self.helper("--window", names[0], "--window", names[1], "--window",
                                              f"{tag} Chat"), names, f"{tag} Chat")
        other = self.helper(*others)
        titles = [others[i + 1] for i, word in enumerate(others) if word == "--window"]
        scene.start(self.veltrano(settings_text(names + titles, scene.target)))
        return scene, other, [scene.probe.state(hwnd) for hwnd in other.windows]

    def assert_as_before(self, scene, windows, before):
        for hwnd, state in zip(windows, before):
            self.assertTrue(wait_for(lambda: scene.probe.state(hwnd) == state, 10),
                            f"{scene.probe.text(hwnd)!r} is {scene.probe.state(hwnd)}, not {state} as before")

    def test_a_hung_program_holds_up_nothing_and_its_window_ends_as_it_was_whenever_it_wakes(self):
        scene, hung, before = self.scene("Hung", "--window", "Hung Draft")
        draft = hung.windows[0]
        watcher = self.helper()
        for wakes in ("after the restore", "before the restore"):
            with self.subTest(wakes=wakes):
                hung.ask("hang 9000" if wakes == "after the restore" else "hang 5000")
                watcher.process.stdin.write(f"answers {scene.program.main:X} 2500\n".encode())
                watcher.process.stdin.flush()
                scene.hide()
                self.assertTrue(wait_for(lambda: scene.status() == "已隐藏 3 个窗口，1 个未隐藏：“Hung Draft”无响应", 5),
                                scene.status())
                if wakes == "after the restore":  # the settings opened from the tray still say so
                    scene.probe.post(scene.program.main, WM_TRAYICON, 1, WM_LBUTTONDBLCLK)
                    self.assertTrue(wait_for(lambda: scene.probe.visible(scene.program.main), 5))
                    self.assertEqual(scene.status(), "已隐藏 3 个窗口，1 个未隐藏：“Hung Draft”无响应")
                slowest, answers = (int(v) for v in watcher.read_line().split())
                self.assertGreater(answers, 0)
                self.assertLess(slowest, 200, "the main window did not answer while the hide waited")
                if wakes == "before the restore":
                    self.assertTrue(wait_for(lambda: scene.status() == "已隐藏 4 个窗口", 10), scene.status())
                    self.assertFalse(scene.probe.visible(draft))
                    self.assertTrue(scene.probe.state(draft)[2] & WS_EX_TOOLWINDOW)
                scene.restore()
                self.assertTrue(wait_for(lambda: scene.status() == "已恢复全部窗口", 5), scene.status())
                self.assertEqual(hung.ask("query 0", 15).split()[0], "1", "the woken program's window is hidden")
                self.assert_as_before(scene, hung.windows, before)
                scene.assert_restored_as_before()

    def test_a_hung_program_holds_up_neither_the_watchdog_nor_the_next_start(self):
        scene, hung, before = self.scene("Frozen", "--window", "Frozen Draft")
        for how in ("watchdog", "next start"):
            with self.subTest(how=how):
                scene.hide()
                self.assertTrue(wait_for(lambda: not scene.probe.visible(hung.windows[0]), 5))
                hung.ask("hang 8000")
                if how == "watchdog":
                    scene.program.process.kill()
                else:
                    for pid in own_wine_processes("vlt-guard") + [scene.program.process.pid]:
                        kill_linux(pid)
                    self.assertIsNotNone(scene.program.wait_exit(10))
                    self.assertTrue(wait_for(lambda: not scene.watchdog_pids(), 10))
                    scene.start(scene.program)
                started = time.monotonic()
                self.assertIsNotNone(scene.wait_restored(started, 5), f"the {how} waited for the hung program")
                self.assertFalse(scene.probe.visible(hung.windows[0]), "the hung program answered too soon")
                scene.assert_restored_as_before()
                self.assertEqual(hung.ask("query 0", 20).split()[0], "1")
                self.assert_as_before(scene, hung.windows, before)
                scene.program.kill()
                end_watchdogs_of_ended_runs()
                if how == "watchdog":
                    scene.start(scene.program)

    def test_what_refuses_shows_itself_or_opens_owned_windows_while_hidden_is_told_or_hidden_again(self):
        scene, odd, before = self.scene("Odd", "--window", "Odd Stubborn", "--refuse-hide", "--window",
                                        "Odd Chatty", "--reshow", "400", "--window", "Odd Front", "--front", "600")
        # Where no window opens: Wine counts a window that appears under the pointer as input.
        X.move_to(600, 700)
        scene.hide()
        expected = "已隐藏 5 个窗口，1 个未隐藏：“Odd Stubborn”拒绝隐藏"
        self.assertTrue(wait_for(lambda: scene.status() == expected, 5), scene.status())
        self.assertEqual(scene.probe.state(odd.windows[0]), before[0], "a refused window was changed")
        self.assertEqual(scene.probe.ask("open-owned 0 300"), "ok")
        # A ticked program started anew while hidden (minimised: Wine would give a shown window the front, which
        # Windows' foreground lock keeps for the user's own starts).
        newcomer = self.helper("--window", "Odd Notes", "--minimized")
        newcomer_before = newcomer.state(newcomer.windows[0])
        self.assertTrue(wait_for(lambda: not newcomer.visible(newcomer.windows[0]), 2), "the newcomer stays shown")
        # A ticked program's new window that takes its title a second after it shows, as a browser's does.
        late = self.helper("--window", "Odd Loading", "--title-after", "1000", "Odd Mail")
        late_before = late.state(late.windows[0])
        # The spans each window was on the screen, in ms: Chatty's and Front's first end with the hide, their
        # second when Veltrano hides them again (Front brought itself to the front with nobody at the keyboard
        # or the mouse); the reminder, opened while hidden, has one, and so has the late window, which goes
        # within half a second of taking its title.
        for probe, index, spans, limit in ((odd, 1, 2, 500), (odd, 2, 2, 500), (scene.probe, 3, 1, 500),
                                           (late, 0, 1, 1500)):
            shown = wait_for(lambda: [int(v) for v in probe.ask(f"shown-for {index}").split() if v != "-"]
                             if len(probe.ask(f"shown-for {index}").split()) >= spans else None, 5)
            self.assertTrue(shown, f"window {index} was not shown and hidden again")
            self.assertLess(shown[-1], limit, f"window {index} stayed on the screen while hidden")
        # Brought to the front after the user's own input (a click on its tray icon, once the keys of the press
        # were let go), Front is his again: own style, out of the state file.
        time.sleep(1)
        X.move_to(*center(scene.probe.rect(scene.handles[scene.target])))
        odd.ask("show 2")
        odd.ask("activate 2")
        self.assertTrue(wait_for(lambda: scene.probe.state(odd.windows[2]) == before[2], 3), "Front is not back whole")
        self.assertTrue(wait_for(lambda: odd.windows[2] not in [record[0] for record in
                                                                 read_state_file(scene.program.state_path)], 3))
        scene.restore(total=4)
        self.assertTrue(wait_for(lambda: scene.status() == "已恢复全部窗口", 5), scene.status())
        self.assert_as_before(scene, odd.windows, before)
        scene.assert_restored_as_before()
        visible, _, style, _ = scene.probe.ask("query 3").split()
        self.assertEqual(visible, "1", "the reminder did not come back")
        self.assertFalse(int(style, 16) & WS_EX_TOOLWINDOW, "the reminder came back as a tool window")
        self.assertTrue(wait_for(lambda: newcomer.state(newcomer.windows[0]) == newcomer_before, 5),
                        "the newcomer did not come back as it was")
        self.assertTrue(wait_for(lambda: late.state(late.windows[0]) == late_before, 5),
                        "the late-titled window did not come back as it was")


if __name__ == "__main__":
    unittest.main()
