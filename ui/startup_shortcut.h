// "开机时启动": the shortcut "Veltrano.lnk" in the user's Startup folder, which starts this exe in the tray
// at sign-in. The shortcut itself is the setting: no administrator rights, nothing in the settings file. Only
// Task Manager's mark, when the user disabled the shortcut there, is read and, on choosing it again, cleared.
#pragma once

// Whether the shortcut exists, starts this very exe (not one in a folder the user has since moved) and is not
// disabled in Task Manager.
bool StartsWithWindows();
// Writes the shortcut for this exe and enables it in Task Manager, or removes it; whether that was done.
bool SetStartWithWindows(bool start);
