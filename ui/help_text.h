// The help box's text. Pure, so the exact wording is tested without a window.
#pragma once
#include <string>
#include <string_view>

// `settingsPath`: where this run keeps its settings.
inline std::wstring HelpText(std::wstring_view settingsPath) {
    return L"1. 在「要隐藏的窗口」里勾选窗口（可多选），再在下方选一个「藏起后切到」的窗口。\n\n"
           L"2. 按快捷键（默认 Ctrl+Alt+Space）隐藏这些窗口并把焦点切到目标窗口，再按一次全部恢复。\n\n"
           L"3. 隐藏期间这些窗口不会出现在任务栏和 Alt+Tab 里；托盘图标右键也能隐藏 / 恢复。\n\n"
           L"4. 点击快捷键方框后按下新组合键即可修改，建议点「保存设置」；清空会自动回退到默认组合。\n\n"
           L"5. 程序退出（包括崩溃或被强制结束）时都会把隐藏的窗口放出来；万一没来得及，下次启动会自动恢复。"
           L"\n\n"
           L"6. 命令行参数：--tray 启动到托盘，--toggle 隐藏 / 恢复，--show 打开设置，--exit 退出；"
           L"托盘菜单「开机时启动」让它登录后在托盘中启动。\n\n"
           L"7. 键盘：Tab / Shift+Tab 在各项之间移动，空格勾选或取消所在行，Enter "
           L"按下所在的按钮（在别处为「隐藏 / 恢复」），"
           L"F5 刷新列表，Ctrl+S 保存设置，F1 打开帮助，Esc 最小化到托盘（在快捷键框里 Esc 仍是取消）；"
           L"托盘图标用 Win+B 选中后，Enter 打开设置，菜单键或 Shift+F10 打开菜单。\n\n"
           L"8. 设置保存在 " +
           std::wstring(settingsPath) + L"。";
}
