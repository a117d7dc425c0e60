#include "app/notice_text.h"
#include "engine/hide_outcome.h"
#include "settings/settings_file_rules.h"
#include "ui/help_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& separator) {
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::wstring::npos;
         start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace

TEST(HelpText, IsTheEightParagraphsWordForWordTheLastNamingTheSettingsFile) {
    const std::vector<std::wstring> paragraphs = {
        L"1. 在「要隐藏的窗口」里勾选窗口（可多选），再在下方选一个「藏起后切到」的窗口。",
        L"2. 按快捷键（默认 Ctrl+Alt+Space）隐藏这些窗口并把焦点切到目标窗口，再按一次全部恢复。",
        L"3. 隐藏期间这些窗口不会出现在任务栏和 Alt+Tab 里；托盘图标右键也能隐藏 / 恢复。",
        L"4. 点击快捷键方框后按下新组合键即可修改，建议点「保存设置」；清空会自动回退到默认组合。",
        L"5. 程序退出（包括崩溃或被强制结束）时都会把隐藏的窗口放出来；万一没来得及，下次启动会自动恢复。",
        L"6. 命令行参数：--tray 启动到托盘，--toggle 隐藏 / 恢复，--show 打开设置，--exit "
        L"退出；托盘菜单「开机时启动」"
        L"让它登录后在托盘中启动。",
        L"7. 键盘：Tab / Shift+Tab 在各项之间移动，空格勾选或取消所在行，Enter "
        L"按下所在的按钮（在别处为「隐藏 / "
        L"恢复」），F5 刷新列表，Ctrl+S 保存设置，F1 打开帮助，Esc 最小化到托盘（在快捷键框里 Esc "
        L"仍是取消）；托盘图标用 "
        L"Win+B 选中后，Enter 打开设置，菜单键或 Shift+F10 打开菜单。",
        L"8. 设置保存在 C:\\Users\\u\\AppData\\Local\\Veltrano\\veltrano.ini。",
    };
    const std::wstring text = HelpText(L"C:\\Users\\u\\AppData\\Local\\Veltrano\\veltrano.ini");
    EXPECT_EQ(Split(text, L"\n\n"), paragraphs);
}

TEST(HelpText, UsesBareLineFeedsOnlyBetweenParagraphs) {
    const std::wstring text = HelpText(L"D:\\veltrano.ini");
    EXPECT_EQ(text.find(L'\r'), std::wstring::npos);
    EXPECT_NE(text.front(), L'\n');
    EXPECT_NE(text.back(), L'\n');
    EXPECT_EQ(Split(text, L"\n").size(), 15u);
}

TEST(SettingsText, SaysWhyNothingWasSavedInPlainWordsWhereThereAreAny) {
    const auto said = [](SaveTrouble trouble) { return SettingsNotSavedText({trouble, 5}, L"拒绝访问。"); };
    EXPECT_EQ(said(SaveTrouble::InUse),
              L"设置未能保存：veltrano.ini 正被其他程序占用（如杀毒或同步软件），请稍后再试");
    EXPECT_EQ(said(SaveTrouble::ReadOnlyFile), L"设置未能保存：veltrano.ini 是只读文件");
    EXPECT_EQ(said(SaveTrouble::FolderNotWritable), L"设置未能保存：没有在其所在文件夹中写入的权限");
    EXPECT_EQ(said(SaveTrouble::DiskFull), L"设置未能保存：磁盘已满");
    EXPECT_EQ(said(SaveTrouble::Other), L"设置未能保存：拒绝访问。");
    EXPECT_EQ(SettingsElsewhereNote(L"C:\\Users\\u\\AppData\\Local\\Veltrano"),
              L"程序所在的文件夹不能写入，设置保存在 C:\\Users\\u\\AppData\\Local\\Veltrano");
}

TEST(NoticeText, IsTheThreeParagraphsWordForWord) {
    const std::vector<std::wstring> paragraphs = {
        L"请勿用它隐藏违法违规、违反单位纪律或用来掩盖不当行为的窗口。",
        L"它只改变窗口的显示状态，不会改变任何进程、网络或操作记录；试图借此规避监管或推卸责任，后果由使用者"
        L"自负。",
        L"点击「同意并继续」表示你已知悉，此提示不再显示。",
    };
    EXPECT_EQ(Split(NoticeBodyText(), L"\r\n\r\n"), paragraphs);
    EXPECT_EQ(NoticeBodyText(), paragraphs[0] + L"\r\n\r\n" + paragraphs[1] + L"\r\n\r\n" + paragraphs[2]);
}

TEST(NoticeText, HasLineBreaksOnlyBetweenParagraphs) {
    const std::wstring text = NoticeBodyText();
    EXPECT_NE(text.front(), L'\r');
    EXPECT_NE(text.back(), L'\n');
    EXPECT_EQ(Split(text, L"\r\n").size(), 5u);
    EXPECT_EQ(Split(text, L"\n").size(), 5u);
    EXPECT_EQ(Split(text, L"\r").size(), 5u);
}

TEST(NoticeText, CaptionHeadingAndButtonsAreWordForWord) {
    EXPECT_EQ(std::wstring(kNoticeCaption), L"使用须知");
    EXPECT_EQ(std::wstring(kNoticeHeading), L"本工具只能用来整理自己的窗口");
    EXPECT_EQ(std::wstring(kNoticeAgree), L"同意并继续");
    EXPECT_EQ(std::wstring(kNoticeRefuse), L"拒绝并退出");
}

TEST(OutcomeText, CountsWhatWentAndNamesTheFirstWindowThatDidNotAndWhy) {
    OutcomeTally tally{.done = 3};
    EXPECT_EQ(HideOutcomeText(tally), L"已隐藏 3 个窗口");
    EXPECT_EQ(RestoreOutcomeText(tally), L"已恢复全部窗口");
    AddShortfall(tally, Shortfall::NotAnswering, L"Chat");
    EXPECT_EQ(HideOutcomeText(tally), L"已隐藏 3 个窗口，1 个未隐藏：“Chat”无响应");
    AddShortfall(tally, Shortfall::Refused, L"Notes");
    AddShortfall(tally, Shortfall::NotAnswering, L"Mail");
    EXPECT_EQ(HideOutcomeText(tally), L"已隐藏 3 个窗口，3 个未隐藏：“Chat”等 2 个无响应，另有 1 个拒绝隐藏");
    EXPECT_EQ(RestoreOutcomeText(tally),
              L"已恢复 3 个窗口，3 个未恢复：“Chat”等 2 个无响应，待其响应后恢复，另有 1 个拒绝显示");
    AddShortfall(tally, Shortfall::NeedsRights, L"Task Manager");
    EXPECT_EQ(HideOutcomeText(tally),
              L"已隐藏 3 个窗口，4 个未隐藏：“Chat”等 2 个无响应，另有 1 个拒绝隐藏、1 个需要管理员权限");
    EXPECT_EQ(RestoreOutcomeText(OutcomeTally{.done = 2}, ReasonOfSessionEnd(0x80000000)),
              L"因注销，已恢复全部窗口");
    EXPECT_EQ(RestoreOutcomeText(OutcomeTally{.done = 2}, ReasonOfSessionEnd(0)),
              L"因关机或重启，已恢复全部窗口");
    EXPECT_EQ(RestoreOutcomeText(OutcomeTally{.done = 2}, ReasonOfSessionEnd(0x80000001)),
              L"因程序更新需要关闭 Veltrano，已恢复全部窗口");
    OutcomeTally outranked;
    AddShortfall(outranked, Shortfall::NeedsRights, L"Task Manager");
    EXPECT_EQ(HideOutcomeText(outranked), L"已隐藏 0 个窗口，1 个未隐藏：“Task Manager”需要管理员权限");
    OutcomeTally refused;
    AddShortfall(refused, Shortfall::Refused, std::wstring(30, L'长'));
    EXPECT_EQ(HideOutcomeText(refused),
              L"已隐藏 0 个窗口，1 个未隐藏：“" + std::wstring(24, L'长') + L"…”拒绝隐藏");
}
