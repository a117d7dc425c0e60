"""Bad input from the files beside the exe and on the watchdog's command line: the program never crashes, never
touches a window that is not its to restore, and always deletes a state file it has read."""
import os
import random
import subprocess
import time
import unittest

from veltrano_e2e import (IDC_EXIT, IDC_SAVE, READY_TEXT, E2ETestCase, Screen, X, report, settings_text,
                          state_file_text, wait_for, windows_path)

WM_COMMAND = 0x0111
HIDDEN_STYLE = 0x180  # what a hidden window wears: its own edge style plus the tool-window bit
OWN_STYLE = 0x100


class BadInput(E2ETestCase):

    def left_hidden(self, *titles):
        """Helper windows in the state an earlier run would leave them in: hidden, as tool windows."""
        arguments = []
        for title in titles:
            arguments += ["--window", title]
        probe = self.helper(*arguments)
        for index in range(len(titles)):
            self.assertEqual(probe.ask(f"hide {index}"), "ok")
            self.assertEqual(probe.ask(f"exstyle {index} {HIDDEN_STYLE:X}"), "ok")
        self.pid = probe.pid_of(probe.windows[0])
        return probe

    def untouched(self, probe, hwnd):
        return probe.state(hwnd) == (False, False, HIDDEN_STYLE, True)

    def restored(self, probe, hwnd):
        return probe.state(hwnd) == (True, False, OWN_STYLE, True)

    def start_with_state_file(self, probe, content):
        program = self.veltrano()
        with open(program.state_path, "wb") as f:
            f.write(content)
        started = time.monotonic()
        program.start()
        program.wait_main(probe, timeout=60)
        seconds = time.monotonic() - started
        self.assertEqual(wait_for(lambda: Screen(probe, program).status() == READY_TEXT, 10) and READY_TEXT,
                         READY_TEXT, "the program did not come up ready")
        self.assertFalse(program.state_file_exists(), "the state file was not deleted after reading")
        self.assertIsNone(program.process.poll(), "the program ended")
        return program, seconds

    # --- state files ---

    def test_a_torn_state_file_restores_the_whole_records_and_nothing_else(self):
        probe = self.left_hidden("Torn Notes", "Torn Mail")
        notes, mail = probe.windows
        whole = state_file_text([(notes, self.pid, OWN_STYLE, 0)], count=3)
        torn = whole + f"{mail:X}|{self.pid}|1".encode()
        self.start_with_state_file(probe, torn)
        self.assertTrue(wait_for(lambda: self.restored(probe, notes), 10), probe.state(notes))
        self.assertTrue(self.untouched(probe, mail), "a torn record was applied")

    def test_an_empty_state_file_is_deleted_and_touches_nothing(self):
        probe = self.left_hidden("Empty Notes")
        self.start_with_state_file(probe, b"")
        self.assertTrue(self.untouched(probe, probe.windows[0]))

    def test_a_state_file_of_a_million_lines_is_read_no_further_than_needed(self):
        probe = self.left_hidden("Million Notes", "Million Mail")
        notes, mail = probe.windows
        lines = [b"VLT1", b"1000000", f"{notes:X}|{self.pid}|{OWN_STYLE:X}|0".encode()]
        lines += [f"{0x10000 + i:X}|{i}|100|0".encode() for i in range(300)]
        lines += [f"{mail:X}|{self.pid}|{OWN_STYLE:X}|0".encode()] * 999_000
        program, seconds = self.start_with_state_file(probe, b"\r\n".join(lines) + b"\r\n")
        report(f"start with a state file of a million lines: main window after {seconds:.2f} s")
        self.assertTrue(wait_for(lambda: self.restored(probe, notes), 10))
        self.assertTrue(self.untouched(probe, mail), "a record past the first 256 lines was applied")

    def test_binary_garbage_in_the_state_file_touches_nothing(self):
        probe = self.left_hidden("Garbage Notes")
        rng = random.Random(6)
        for name, content in (("random", bytes(rng.randrange(256) for _ in range(65536))),
                              ("after the magic", b"VLT1\r\n5\r\n" + bytes(rng.randrange(256) for _ in range(4096))),
                              ("zero bytes", b"VLT1\x00\r\n2\r\n\x00\x00\x00|\x00\r\n")):
            with self.subTest(name=name):
                program, _ = self.start_with_state_file(probe, content)
                self.assertTrue(self.untouched(probe, probe.windows[0]))
                program.kill()

    def test_records_naming_windows_of_other_processes_are_not_applied(self):
        probe = self.left_hidden("Foreign Notes", "Foreign Mail")
        notes, mail = probe.windows
        other = self.helper("--window", "Foreign Other")
        live_pid = other.pid_of(other.windows[0])
        # The id of a process that has ended, as when a handle was reused by another program.
        gone = self.helper("--window", "Foreign Gone")
        gone_pid = gone.pid_of(gone.windows[0])
        gone.close()
        content = state_file_text([(notes, live_pid, OWN_STYLE, 0), (mail, gone_pid, OWN_STYLE, 0)])
        self.start_with_state_file(probe, content)
        time.sleep(0.5)
        self.assertTrue(self.untouched(probe, notes), "a window of another process was touched")
        self.assertTrue(self.untouched(probe, mail), "a reused handle was touched")

    def test_a_record_naming_a_window_of_the_program_itself_from_an_earlier_run_is_not_applied(self):
        probe = self.left_hidden("Own Notes")
        first = self.veltrano().start()
        first.wait_main(probe)
        own_main, own_pid = first.main, first.pid
        first.kill()
        content = state_file_text([(own_main, own_pid, OWN_STYLE, 0),
                                   (probe.windows[0], own_pid, OWN_STYLE, 0)])
        program, _ = self.start_with_state_file(probe, content)
        self.assertTrue(self.untouched(probe, probe.windows[0]))
        self.assertTrue(probe.visible(program.main))

    # --- settings files ---

    def test_a_huge_hide_count_still_starts_quickly(self):
        probe = self.helper("--window", "Count Notes")
        timings = {}
        for name, settings in (("usual", settings_text(["Count Notes"])),
                               ("hideCount=2147483647",
                                settings_text(["Count Notes"]).replace("hideCount=1", "hideCount=2147483647"))):
            program = self.veltrano(settings)
            started = time.monotonic()
            program.start()
            program.wait_main(probe, timeout=120)
            timings[name] = time.monotonic() - started
            self.assertTrue(wait_for(lambda: Screen(probe, program).ticked("Count Notes"), 10))
            program.kill()
        report("start-up to the main window: " + ", ".join(f"{k} {v:.2f} s" for k, v in timings.items()))

    def test_overlong_values_and_lone_surrogates_neither_crash_nor_spoil_the_file(self):
        long_title = "L" * 1100
        probe = self.helper("--window", long_title, "--window", "Plain Notes")
        raw = ("[config]\r\nnoticeShown=1\r\nhideCount=3\r\n"
               f"hide0={long_title}|vlt-test-windows.exe\r\n"
               f"hide1=Lone \ud800 high|vlt-test-windows.exe\r\n"
               f"hide2=Plain Notes|vlt-test-windows.exe\r\n"
               f"focus=\udc00{'F' * 3000}|x.exe\r\n"
               f"hotkeyMods={'9' * 2000}\r\nhotkeyVk=\udfff\r\n")
        program = self.veltrano(b"\xff\xfe" + raw.encode("utf-16-le", "surrogatepass"))
        program.start()
        program.wait_main(probe)
        screen = Screen(probe, program)
        self.assertTrue(wait_for(lambda: screen.ticked("Plain Notes"), 10), "the usable entry was lost")
        self.assertIsNone(program.process.poll())
        screen.click_control(IDC_EXIT)
        self.assertEqual(program.wait_exit(20), 0)
        self.assertEqual(program.settings_value("noticeShown"), "1")
        self.assertEqual(program.settings_value("hide0"), "Plain Notes|vlt-test-windows.exe")
        program.start()
        program.wait_main(probe)
        self.assertTrue(wait_for(lambda: screen.ticked("Plain Notes"), 10), "the saved file does not load back")

    def test_a_read_only_settings_file_is_used_and_left_as_it_was(self):
        probe = self.helper("--window", "Locked Notes")
        program = self.veltrano(settings_text(["Locked Notes"]))
        with open(program.settings_path, "rb") as f:
            original = f.read()
        os.chmod(program.settings_path, 0o444)
        immutable = subprocess.run(["chattr", "+i", program.settings_path], capture_output=True).returncode == 0
        try:
            program.start()
            program.wait_main(probe)
            screen = Screen(probe, program)
            self.assertTrue(wait_for(lambda: screen.ticked("Locked Notes"), 10))
            screen.click_control(IDC_SAVE)
            self.assertTrue(wait_for(lambda: screen.status() == "设置未能保存：veltrano.ini 是只读文件", 10),
                            screen.status())
            report(f"read-only settings file: the save button says {screen.status()!r}; the file is unchanged")
            screen.click_control(IDC_EXIT)
            self.assertEqual(program.wait_exit(20), 0)
            with open(program.settings_path, "rb") as f:
                self.assertEqual(f.read(), original)
        finally:
            if immutable:
                subprocess.run(["chattr", "-i", program.settings_path], check=True)
            os.chmod(program.settings_path, 0o644)

    def test_a_settings_file_another_process_holds_lets_the_program_run_and_is_saved_once_let_go(self):
        program = self.veltrano(settings_text([]))
        with open(program.settings_path, "rb") as f:
            original = f.read()
        locker = self.helper("--lock-file", windows_path(program.settings_path))
        self.assertEqual(locker.preamble, ["locked 1"])
        program.start()
        notice = locker.wait_notice()
        self.assertTrue(notice, "with its settings unreadable the program should ask for the notice again")
        report("settings file locked by another process: the usage notice is shown again")
        Screen(locker, program).focus_window("使用须知", notice)
        X.key("Return")
        program.wait_main(locker)
        # The acceptance cannot be written, and the status line says why in plain words.
        in_use = "设置未能保存：veltrano.ini 正被其他程序占用（如杀毒或同步软件），请稍后再试"
        self.assertTrue(wait_for(lambda: Screen(locker, program).status() == in_use, 10),
                        Screen(locker, program).status())
        Screen(locker, program).click_control(IDC_EXIT)
        self.assertEqual(program.wait_exit(20), 0)
        locker.close()
        with open(program.settings_path, "rb") as f:
            self.assertEqual(f.read(), original)
        # Held for a moment only, as a scanner or an indexer holds it, the file is saved by a later try.
        holder = self.helper()
        program.start()
        program.wait_main(holder)
        self.assertEqual(holder.ask(f"hold-file 400 {windows_path(program.settings_path)}"), "held 1")
        self.assertTrue(holder.post(program.main, WM_COMMAND, IDC_SAVE, 0))
        self.assertTrue(wait_for(lambda: Screen(holder, program).status() == "设置已保存", 10),
                        Screen(holder, program).status())
        self.assertEqual(program.settings_value("hotkeyMods"), "3")

    # --- the watchdog's command line ---

    def test_malformed_watchdog_command_lines_end_quietly_and_restore_only_what_they_should(self):
        probe = self.left_hidden("Args Notes")
        window = probe.windows[0]
        program = self.veltrano()
        exe = windows_path(program.exe)
        beside = program.state_path
        elsewhere = os.path.join(program.folder, "elsewhere")
        os.makedirs(elsewhere)
        other = os.path.join(elsewhere, "veltrano.hidden")
        record = state_file_text([(window, self.pid, OWN_STYLE, 0)])
        ended = probe.ask("spawn C:\\windows\\system32\\cmd.exe /c exit 0").split()[1]
        self.assertTrue(wait_for(lambda: probe.ask(f"exit-code {ended}") == "exit 0", 20))

        def run(arguments):
            for path in (beside, other):
                with open(path, "wb") as f:
                    f.write(record)
            probe.ask(f"exstyle 0 {HIDDEN_STYLE:X}")
            probe.ask("hide 0")
            answer = probe.ask(f'spawn "{exe}" {arguments}')
            pid = answer.split()[1]
            self.assertNotEqual(pid, "0", "the watchdog did not start")
            self.assertTrue(wait_for(lambda: probe.ask(f"exit-code {pid}") != "running", 30), "it did not end")
            return probe.ask(f"exit-code {pid}")

        cases = [
            ("missing id", "--watchdog ", "nothing"),
            ("zero id", f'--watchdog 0 "{windows_path(other)}"', "nothing"),
            ("id not a number", f'--watchdog abc "{windows_path(other)}"', "nothing"),
            ("id too large", f'--watchdog {"9" * 5000} "{windows_path(other)}"', "nothing"),
            ("quoted path", f'--watchdog {ended} "{windows_path(other)}"', "other"),
            ("unquoted path", f"--watchdog {ended} {windows_path(other)}", "beside"),
            ("unterminated path", f'--watchdog {ended} "{windows_path(other)}', "beside"),
            ("absurdly long path", f'--watchdog {ended} "C:\\{"a" * 32000}"', "nothing"),
            ("absurdly long tail", f'--watchdog {ended} "{windows_path(other)}" {"x " * 15000}', "other"),
        ]
        for name, arguments, reads in cases:
            with self.subTest(name=name):
                self.assertEqual(run(arguments), "exit 0")
                if reads == "nothing":
                    self.assertTrue(self.untouched(probe, window), "a window was touched")
                else:
                    self.assertTrue(wait_for(lambda: self.restored(probe, window), 10), probe.state(window))
                self.assertEqual(os.path.exists(beside), reads != "beside", "the file beside the exe")
                self.assertEqual(os.path.exists(other), reads != "other", "the file named on the command line")


if __name__ == "__main__":
    unittest.main()
