"""What a new user meets: the first start, hiding and restoring with the hotkey, leaving while windows are
hidden, refusing the usage notice, and the downloaded zip."""
import os
import re
import subprocess
import time
import unittest
import zipfile

from veltrano_e2e import (IDC_EXIT, IDC_NOTICE_REFUSE, IDC_STATUS, IDC_TO_TRAY, IDC_WINDOW_LIST, MAIN_CLASS,
                          READY_TEXT, WM_TRAYICON, WS_EX_APPWINDOW, WS_EX_TOOLWINDOW, E2ETestCase, Screen, X,
                          center, own_wine_processes, read_state_file, settings_text, wait_for)

HELPER_EXE = "vlt-test-windows.exe"
NOTICE_TITLE = "使用须知"
WM_RBUTTONUP = 0x0205
# dist/veltrano-<version>-win64.zip, as script/package writes it.
PACKAGE = os.environ.get("VELTRANO_PACKAGE", "")


class Journeys(E2ETestCase):

    def user_windows(self, *titles):
        arguments = []
        for title in titles:
            arguments += ["--window", title]
        return self.helper(*arguments)

    def test_first_start_asks_for_the_notice_then_lists_the_users_windows_in_z_order(self):
        titles = ["Journey Notes", "Journey Mail", "Journey Chat"]
        probe = self.user_windows(*titles)
        program = self.veltrano(settings=None).start()

        notice = probe.wait_notice()
        self.assertTrue(notice, "no usage notice appeared")
        self.assertTrue(wait_for(lambda: X.shown(NOTICE_TITLE), 10), "the notice is not on the screen")
        main = probe.find(MAIN_CLASS)
        self.assertTrue(main, "the main window does not exist behind the notice")
        self.assertFalse(probe.visible(main), "the main window is shown before the notice was accepted")
        self.assertTrue(X.gone("Veltrano"), "the main window is on the screen before the notice was accepted")
        self.assertFalse(os.path.exists(program.settings_path))

        screen = Screen(probe, program)
        screen.focus_window(NOTICE_TITLE, notice)
        X.key("Return")
        program.wait_main(probe)
        self.assertFalse(probe.state(notice)[3], "the notice is still there after Enter")
        # Win32 shows the window before the X server maps it.
        self.assertTrue(wait_for(lambda: X.shown("Veltrano"), 10), "the main window is not on the screen")

        self.assertEqual(wait_for(lambda: screen.status() == READY_TEXT and READY_TEXT, 10), READY_TEXT,
                         screen.status())
        helper_pid = probe.pid_of(probe.windows[0])
        z_order = [probe.text(hwnd) for hwnd, visible, _ in probe.windows_of(helper_pid)
                   if visible and probe.text(hwnd) in titles]
        self.assertEqual(sorted(z_order), sorted(titles))
        listed = [title for ticked, title in probe.rows(program.main) if title in titles]
        self.assertEqual(listed, z_order, "the list does not show the user's windows in z-order")
        self.assertFalse(any(ticked for ticked, _ in probe.rows(program.main)), "a row is ticked on a first start")

        with open(program.settings_path, "rb") as f:
            raw = f.read()
        self.assertTrue(raw.startswith(b"\xff\xfe"), "the new settings file is not UTF-16LE with a byte-order mark")
        self.assertIn("[config]", program.read_settings())
        self.assertEqual(program.settings_value("noticeShown"), "1")

    def test_the_hotkey_hides_the_ticked_windows_and_the_main_window_and_brings_them_back(self):
        notes, mail, chat, editor = "Hotkey Notes", "Hotkey Mail", "Hotkey Chat", "Hotkey Editor"
        # Mail's title changes while it is hidden, as a mail program's unread count does.
        probe = self.helper("--window", notes, "--window", mail, "--retitle", "300", "--window", chat, "--window",
                            editor)
        windows = dict(zip((notes, mail, chat, editor), probe.windows))
        program = self.veltrano().start()
        main = program.wait_main(probe)
        screen = Screen(probe, program)

        screen.tick_with_mouse(notes)
        screen.tick_with_keyboard(mail)
        self.assertFalse(screen.ticked(chat))
        screen.choose_target(chat)
        before = {title: probe.state(hwnd) for title, hwnd in windows.items()}
        before["Veltrano"] = probe.state(main)

        # The user goes back to work in another window and presses the hotkey there.
        hidden = [notes, mail, "Veltrano"]
        handles = {**windows, "Veltrano": main}
        self.assertTrue(screen.press_hotkey_in(editor, windows[editor],
                                               lambda: not any(probe.visible(handles[t]) for t in hidden)),
                        "the ticked windows and the main window were not hidden")
        # Off the screen first; the style follows once each program has answered.
        self.assertTrue(wait_for(lambda: all(probe.state(handles[t])[2] & WS_EX_TOOLWINDOW for t in hidden), 5))
        for title in hidden:
            visible, _, style, exists = probe.state(handles[title])
            self.assertTrue(exists)
            self.assertFalse(visible, title)
            self.assertTrue(style & WS_EX_TOOLWINDOW, f"{title} is not a tool window while hidden")
            self.assertFalse(style & WS_EX_APPWINDOW)
            self.assertTrue(wait_for(lambda: X.gone(title), 10), f"{title} is still mapped on the X side")
        self.assertTrue(probe.visible(windows[chat]))
        self.assertTrue(X.shown(chat))
        self.assertTrue(wait_for(lambda: probe.foreground() == windows[chat], 10), "the target did not get focus")
        self.assertTrue(wait_for(lambda: probe.text(main, IDC_STATUS) == "已隐藏 3 个窗口", 5))

        records = read_state_file(program.state_path)
        self.assertEqual(sorted(hwnd for hwnd, _, _, _ in records),
                         sorted(handles[t] for t in hidden))
        for hwnd, pid, style, minimised in records:
            self.assertEqual(pid, probe.pid_of(hwnd))
            title = next(t for t in hidden if handles[t] == hwnd)
            self.assertEqual(style, before[title][2], f"{title}: the state file holds another style")
            self.assertEqual(minimised, 0)

        self.assertTrue(screen.press_hotkey_in(chat, windows[chat],
                                               lambda: all(probe.visible(handles[t]) for t in hidden)),
                        "the second press did not bring every window back")
        for title in hidden:
            self.assertEqual(probe.state(handles[title]), before[title], f"{title} came back changed")
            self.assertTrue(wait_for(lambda: X.shown(probe.text(handles[title])), 10), f"{title} is not mapped again")
        self.assertTrue(wait_for(lambda: probe.foreground() == windows[editor], 10),
                        "the focus did not return to the window that had it")
        self.assertFalse(program.state_file_exists(), "the state file is left after the restore")
        self.assertEqual(probe.text(main, IDC_STATUS), "已恢复全部窗口")
        self.assertTrue(wait_for(lambda: screen.ticked(mail + " *"), 5), "the retitled window lost its tick")
        self.assertTrue(screen.press_hotkey_in(editor, windows[editor], lambda: not probe.visible(windows[mail])),
                        "the next press left the retitled window on the screen")

    def test_leaving_with_the_exit_button_while_hidden_restores_saves_the_ticks_and_keeps_them(self):
        notes, mail, chat = "Leaving Notes", "Leaving Mail", "Leaving Chat"
        probe = self.helper("--window", notes, "--window", mail, "--window", chat, "--retitle", "300")
        windows = dict(zip((notes, mail, chat), probe.windows))
        program = self.veltrano().start()
        main = program.wait_main(probe)
        screen = Screen(probe, program)
        screen.tick_with_keyboard(mail)
        screen.tick_with_mouse(chat)
        before = {title: probe.state(hwnd) for title, hwnd in windows.items()}

        screen.click_control(IDC_TO_TRAY)
        self.assertTrue(wait_for(lambda: not probe.visible(main), 10))
        self.assertTrue(screen.press_hotkey_in(
            notes, windows[notes], lambda: not probe.visible(windows[mail]) and not probe.visible(windows[chat])))
        self.assertTrue(program.state_file_exists())

        X.click_tray_icon(count=2)
        self.assertTrue(wait_for(lambda: probe.visible(main), 10), "a double click on the tray icon did not open")
        self.assertFalse(probe.visible(windows[mail]), "opening the main window restored the hidden windows")
        self.assertTrue(wait_for(lambda: probe.text(windows[chat]) == chat + " *", 5))
        # A program the user ticks and then closes stays chosen: its row turns into a remembered one.
        later = self.helper("--window", "Leaving Later")
        self.assertTrue(wait_for(lambda: screen.ticked("Leaving Later") is False, 10), "the list did not follow")
        screen.tick_with_mouse("Leaving Later")
        later.close()
        # The helper runs on under other titles, so a press would take all its windows, and the row says so.
        remembered = "Leaving Later（标题已变：将隐藏该程序的全部窗口）"
        self.assertTrue(wait_for(lambda: screen.ticked(remembered), 10), "the closed program has no ticked row")
        screen.click_control(IDC_EXIT)
        self.assertEqual(program.wait_exit(20), 0, "the program did not end with 0 after the exit button")

        for title, hwnd in windows.items():
            self.assertEqual(probe.state(hwnd), before[title], f"{title} is not back as it was")
            self.assertTrue(wait_for(lambda: X.shown(probe.text(hwnd)), 10), f"{title} is not mapped again")
        self.assertFalse(program.state_file_exists())
        self.assertEqual(program.settings_value("hideCount"), "3")
        saved = {program.settings_value(f"hide{i}") for i in range(3)}
        # Chat's title changed while it was hidden: its tick followed it.
        self.assertEqual(saved, {f"{mail}|{HELPER_EXE}", f"{chat} *|{HELPER_EXE}", f"Leaving Later|{HELPER_EXE}"})
        self.assertEqual(program.settings_value("noticeShown"), "1")

        program.start()
        program.wait_main(probe)
        self.assertTrue(wait_for(lambda: screen.ticked(mail) and screen.ticked(chat + " *"), 10),
                        "the next start does not tick the saved rows")
        self.assertFalse(screen.ticked(notes))
        self.assertTrue(screen.ticked(remembered), "the remembered program has no ticked row")
        # Once its program opens again, the press hides it, and the list shows it once, as an open window.
        later = self.helper("--window", "Leaving Later")
        self.assertTrue(screen.press_hotkey_in(notes, windows[notes],
                                               lambda: not later.visible(later.windows[0])),
                        "the press left the remembered program's window on the screen")
        self.assertTrue(screen.press_hotkey_in(notes, windows[notes], lambda: later.visible(later.windows[0])))
        self.assertTrue(wait_for(lambda: screen.ticked("Leaving Later") and screen.ticked(remembered) is None, 10),
                        "the reopened program's row is not one open, ticked row")
        # Unticked, it is forgotten.
        left, top, _, bottom = screen.row_rect("Leaving Later")
        X.click(left + 8, (top + bottom) // 2)
        self.assertTrue(wait_for(lambda: screen.ticked("Leaving Later") is False, 5))
        screen.click_control(IDC_EXIT)
        self.assertEqual(program.wait_exit(20), 0)
        self.assertEqual(program.settings_value("hideCount"), "2")

    def test_a_quiet_start_and_the_command_line_drive_the_one_running_veltrano(self):
        notes, editor = "Command Notes", "Command Editor"
        probe = self.user_windows(notes, editor)
        windows = dict(zip((notes, editor), probe.windows))
        program = self.veltrano(settings_text([notes])).start("--tray")
        program.main = wait_for(lambda: probe.find(MAIN_CLASS), 30)
        self.assertTrue(wait_for(lambda: own_wine_processes("vlt-guard"), 30), "a quiet start started no watchdog")
        self.assertFalse(probe.visible(program.main), "a quiet start showed the main window")
        screen = Screen(probe, program)
        self.assertTrue(screen.press_hotkey_in(editor, windows[editor], lambda: not probe.visible(windows[notes])))
        self.assertTrue(screen.press_hotkey_in(editor, windows[editor], lambda: probe.visible(windows[notes])))

        def start_again(switch):  # hands the command to the running instance and ends at once with 0
            self.assertEqual(subprocess.run(["wine", program.exe, switch], cwd=program.folder, timeout=30,
                                            capture_output=True).returncode, 0, switch)
        start_again("--toggle")
        self.assertTrue(wait_for(lambda: not probe.visible(windows[notes]), 5), "--toggle did not hide")
        start_again("--toggle")
        self.assertTrue(wait_for(lambda: probe.visible(windows[notes]), 5), "--toggle did not restore")
        self.assertFalse(probe.visible(program.main), "the restore showed a main window that was not hidden")
        start_again("--show")
        self.assertTrue(wait_for(lambda: probe.visible(program.main), 5), "--show did not open the main window")
        # The tray menu's third item, from a folder named in Chinese: the second choice reads the tick back.
        for said in ("已设置开机时启动：登录后 Veltrano 在托盘中启动", "已取消开机时启动"):
            X.focus("Veltrano")
            probe.post(program.main, WM_TRAYICON, 1, WM_RBUTTONUP)
            self.assertTrue(wait_for(lambda: probe.visible(probe.find("#32768")), 5), "the tray menu did not open")
            X.key("Down", "Down", "Down", "Return")
            self.assertTrue(wait_for(lambda: screen.status() == said, 5), screen.status())
        start_again("--exit")
        self.assertEqual(program.wait_exit(20), 0, "--exit did not end the running instance")
        start_again("--exit")
        self.assertFalse(own_wine_processes("veltrano.exe"), "--exit with none running started one")
        program.start("--toggle")
        self.assertTrue(wait_for(lambda: not probe.visible(windows[notes]), 30), "--toggle alone did not hide")
        self.assertFalse(probe.visible(probe.find(MAIN_CLASS)), "--toggle alone showed the main window")
        start_again("--exit")
        self.assertEqual(program.wait_exit(20), 0)

        # Before the notice is accepted, a --toggle handed over waits for the user's consent, and --exit is a
        # refusal.
        for answer in ("Return", "--exit"):
            program.write_settings(settings_text([notes], notice=False))
            program.start()
            notice = probe.wait_notice()
            self.assertTrue(notice, "no usage notice appeared")
            start_again("--toggle")
            time.sleep(0.5)
            self.assertTrue(probe.visible(windows[notes]), "--toggle hid a window before the notice was accepted")
            if answer == "Return":
                screen.focus_window("使用须知", notice)
                X.key("Return")
                self.assertTrue(wait_for(lambda: not probe.visible(windows[notes]), 10),
                                "the --toggle given during the notice was not carried out after it")
                start_again("--exit")
            else:
                start_again("--exit")
                self.assertEqual(program.settings_value("noticeShown"), "0")
            self.assertEqual(program.wait_exit(20), 0)
            self.assertTrue(probe.visible(windows[notes]))

    def test_the_main_window_works_from_the_keyboard_alone(self):
        probe = self.user_windows("Keys Notes", "Keys Mail")
        program = self.veltrano().start()
        main = program.wait_main(probe)
        screen = Screen(probe, program)
        X.focus("Veltrano")
        control = {int(probe.ask(f"child {main:X} {id}"), 16): id for id in range(1001, 1031)}

        def focused():
            return control.get(int(probe.ask(f"input {main:X}").split()[-1], 16))
        self.assertTrue(wait_for(lambda: focused() == IDC_WINDOW_LIST, 5), "the list has no focus when it opens")
        # In the order they are seen: the drop-down, the buttons from left to right, help, then the hotkey box
        # and the settings beside it (the mouse button's modifiers and the corner's hold are off while those
        # are), and the list again.
        order = []
        for _ in range(12):
            X.key("Tab")
            order.append(wait_for(lambda: focused() != (order or [IDC_WINDOW_LIST])[-1] and focused(), 3))
        self.assertEqual(order, [1007, 1008, 1009, 1010, 1011, 1012, 1013, 1004, 1018, 1023, 1028, IDC_WINDOW_LIST])
        X.key("Home", *["Down"] * screen.row_of("Keys Mail"), "space")
        self.assertTrue(wait_for(lambda: screen.ticked("Keys Mail"), 5), "the space bar did not tick the row")
        X.key("ctrl+s")
        self.assertTrue(wait_for(lambda: program.settings_value("hide0") == "Keys Mail|vlt-test-windows.exe", 5),
                        "Ctrl+S did not save the tick")
        self.assertEqual(screen.status(), "设置已保存")
        X.key("Escape")
        self.assertTrue(wait_for(lambda: not probe.visible(main), 5), "Esc did not send the window to the tray")

    def test_a_mouse_button_a_screen_corner_and_an_absence_hide_as_the_hotkey_does(self):
        notes, editor = "Pointer Notes", "Pointer Editor"
        probe = self.helper("--window", notes, "--window", editor, "--window", "Pointer Corner", "--corner")
        windows = dict(zip((notes, editor), probe.windows))
        chat = self.helper("--window", "Away Chat")
        # Ctrl with the first side button, the top-left corner held 300 ms, a minute of absence.
        program = self.veltrano(settings_text([notes, "Away Chat"]) + "mouseVk=5\r\nmouseMods=2\r\nhotCorner=1\r\n"
                                "hotCornerMs=300\r\nautoHideMinutes=1\r\n").start()
        program.wait_main(probe)
        screen = Screen(probe, program)
        screen.click_control(IDC_TO_TRAY)
        self.assertTrue(wait_for(lambda: not probe.visible(program.main), 10))
        over_editor = center(probe.rect(windows[editor]))
        screen.focus_window(editor, windows[editor])
        probe.ask("events")

        def clicked(button, *held, expected=()):
            """The button events the window under the pointer received, once the expected ones came, or a
            second after the click when none are expected."""
            X.click(*over_editor, button=button, held=held)
            seen = set()

            def complete():
                seen.update(event for event in probe.ask("events").split()
                            if event.split(":")[0] in ("mdown", "mup", "xdown", "xup"))
                return expected and seen >= set(expected)
            wait_for(complete, 5 if expected else 1)
            return seen

        self.assertEqual(clicked(8, "ctrl"), set(), "the trigger's click reached the window under the pointer")
        self.assertTrue(wait_for(lambda: not probe.visible(windows[notes]), 5), "Ctrl and the side button did not hide")
        side, middle = ("xdown:1", "xup:1"), ("mdown:1", "mup:1")
        self.assertEqual(clicked(8, "ctrl", "shift", expected=side), set(side), "another modifier was not passed on")
        self.assertEqual(clicked(2, expected=middle), set(middle), "a middle click did not reach the window")
        self.assertFalse(probe.visible(windows[notes]), "a click that is not the trigger restored")
        self.assertEqual(clicked(8, "ctrl"), set(), "the trigger's click reached the window under the pointer")
        self.assertTrue(wait_for(lambda: probe.visible(windows[notes]), 5), "the second click did not restore")

        X.move_to(0, 0)
        self.assertTrue(wait_for(lambda: not probe.visible(windows[notes]), 5), "the corner did not hide")
        X.move_to(*over_editor)
        X.move_to(0, 0)
        self.assertTrue(wait_for(lambda: probe.visible(windows[notes]), 5), "the corner did not restore")

        # A minute without input: the ticked windows go, and a program that brings its window to the front on
        # its own, with nobody there, has it hidden again. The pointer rests where no window opens: Wine counts a
        # window that appears under it as input.
        X.move_to(600, 700)
        self.assertTrue(wait_for(lambda: not probe.visible(windows[notes]), 75), "a minute of absence did not hide")
        self.assertFalse(chat.visible(chat.windows[0]))
        said = re.compile(r"^离开 1 分钟（\d\d:\d\d 起无操作），已隐藏 2 个窗口$")
        self.assertTrue(wait_for(lambda: said.match(screen.status()), 5), screen.status())
        chat.ask("show 0")
        chat.ask("activate 0")
        self.assertTrue(wait_for(lambda: not chat.visible(chat.windows[0]), 3),
                        "the chat window came to the front with nobody there, and stayed")
        X.move_to(over_editor[0] + 20, over_editor[1])
        time.sleep(1.5)
        self.assertFalse(probe.visible(windows[notes]), "input alone restored the windows")
        X.click(*over_editor, button=8, held=("ctrl",))
        self.assertTrue(wait_for(lambda: probe.visible(windows[notes]) and chat.visible(chat.windows[0]), 5))

    def test_refusing_the_notice_ends_the_program_with_zero_and_writes_no_settings(self):
        probe = self.user_windows("Refusal Notes")
        for refuse in ("button", "Escape"):
            with self.subTest(refuse=refuse):
                program = self.veltrano(settings=None).start()
                try:
                    notice = probe.wait_notice()
                    self.assertTrue(notice)
                    # A click lands only once the window is on the screen; the Win32 window is shown before that.
                    self.assertTrue(wait_for(lambda: X.shown(NOTICE_TITLE), 10), "the notice is not on the screen")
                    if refuse == "button":
                        X.click(*center(probe.rect(notice, IDC_NOTICE_REFUSE)))
                    else:
                        Screen(probe, program).focus_window(NOTICE_TITLE, notice)
                        X.key("Escape")
                    self.assertEqual(program.wait_exit(20), 0)
                    self.assertFalse(os.path.exists(program.settings_path), "a refused notice wrote settings")
                    self.assertFalse(own_wine_processes("vlt-guard"), "a refused notice started a watchdog")
                    self.assertFalse(X.shown("Veltrano"), "the main window was shown after a refusal")
                finally:
                    program.kill()

    def test_the_exe_from_the_zip_starts_hides_restores_and_ends_in_a_folder_of_its_own(self):
        self.assertTrue(os.path.isfile(PACKAGE), f"no package at {PACKAGE!r}: script/package writes it")
        notes, editor = "Package Notes", "Package Editor"
        probe = self.user_windows(notes, editor)
        windows = dict(zip((notes, editor), probe.windows))
        program = self.veltrano(settings=None)
        os.remove(program.exe)
        with zipfile.ZipFile(PACKAGE) as package:
            self.assertEqual(sorted(package.namelist()), ["README.txt", "SHA256SUMS", "veltrano.exe"])
            self.assertIn(b"\r\n", package.read("README.txt"))
            package.extractall(program.folder)
        program.start()

        notice = probe.wait_notice()
        self.assertTrue(notice, "no usage notice appeared")
        self.assertTrue(wait_for(lambda: X.shown(NOTICE_TITLE), 10), "the notice is not on the screen")
        screen = Screen(probe, program)
        screen.focus_window(NOTICE_TITLE, notice)
        X.key("Return")
        program.wait_main(probe)
        screen.tick_with_mouse(notes)
        self.assertTrue(screen.press_hotkey_in(editor, windows[editor], lambda: not probe.visible(windows[notes])),
                        "the hotkey did not hide the ticked window")
        self.assertTrue(screen.press_hotkey_in(editor, windows[editor], lambda: probe.visible(windows[notes])),
                        "the second press did not bring it back")
        screen.click_control(IDC_EXIT)
        self.assertEqual(program.wait_exit(20), 0, "the program did not end with 0 after the exit button")
        self.assertEqual(program.settings_value("noticeShown"), "1")


if __name__ == "__main__":
    unittest.main()
