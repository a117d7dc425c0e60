"""Faults while windows are hidden: the main process killed (by Wine and by Linux), an unhandled exception, the
watchdog killed, both killed, and the end of the Windows session. Nothing may stay lost; every scenario whose
timing matters runs VELTRANO_E2E_RUNS times and reports how long the windows stayed away."""
import os
import subprocess
import time
import unittest

from veltrano_e2e import (HELPER, RUNS, WM_ENDSESSION, E2ETestCase, HiddenScene, kill_linux, own_wine_processes,
                          report, settings_text, summary, wait_for)


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

    def test_when_the_main_process_and_the_watchdog_die_together_the_next_start_restores(self):
        scene = self.scene("Both")
        for run, how in enumerate(("Linux", "Wine")):
            with self.subTest(how=how):
                scene.start().hide()
                if how == "Linux":
                    for pid in own_wine_processes("vlt-guard") + [scene.program.process.pid]:
                        kill_linux(pid)
                else:
                    for pid in scene.watchdog_pids() + [scene.program.pid]:
                        self.assertEqual(scene.probe.ask(f"terminate {pid}"), "terminated 1")
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

    def test_a_program_folder_that_cannot_be_written_still_keeps_the_windows_safe(self):
        scene = self.scene("Sealed")
        program = self.veltrano(settings_text(scene.names, scene.target))
        # As a program folder the user may not write to: immutable for root, read-only for anyone else.
        sealed = subprocess.run(["chattr", "+i", program.folder], capture_output=True).returncode == 0
        if not sealed:
            os.chmod(program.folder, 0o555)
        try:
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

    def test_the_end_of_the_windows_session_restores_the_hidden_windows(self):
        scene = self.scene("Session").start().hide()
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


def end_watchdogs_of_ended_runs():
    """A watchdog whose main process died finishes by itself; this only makes sure none is left over."""
    wait_for(lambda: not own_wine_processes("vlt-guard"), 10)
    for pid in own_wine_processes("vlt-guard"):
        kill_linux(pid)


if __name__ == "__main__":
    unittest.main()
