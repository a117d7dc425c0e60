// "开机时启动": the shortcut "Veltrano.lnk" in the user's Startup folder, which starts this exe in the tray
// at sign-in. The shortcut itself is the setting: no registry key, no administrator rights, nothing in the
// settings file.
#pragma once

// Whether the shortcut exists and starts this very exe (not one in a folder the user has since moved).
bool StartsWithWindows();
// Writes the shortcut for this exe, or removes it; whether that was done.
bool SetStartWithWindows(bool start);
