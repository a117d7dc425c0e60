#include "app/command_line.h"

#include "catalogue/window_types.h"

namespace {

std::wstring_view Trimmed(std::wstring_view text) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

BeforeConsent CommandBeforeConsent(StartCommand command) {
    switch (command) {
    case StartCommand::Toggle:
    case StartCommand::Show: return BeforeConsent::KeepForAfter;
    case StartCommand::Exit: return BeforeConsent::RefuseNotice;
    default: return BeforeConsent::Nothing;
    }
}

StartCommand ParseStartCommand(std::wstring_view arguments) {
    const std::wstring_view given = Trimmed(arguments);
    if (given.empty()) return StartCommand::Normal;
    const struct {
        std::wstring_view text;
        StartCommand command;
    } switches[] = {{L"--tray", StartCommand::Tray},
                    {L"--toggle", StartCommand::Toggle},
                    {L"--show", StartCommand::Show},
                    {L"--exit", StartCommand::Exit}};
    for (const auto& known : switches) {
        if (EqualsIgnoringAsciiCase(given, known.text)) return known.command;
    }
    return StartCommand::Unknown;
}

std::wstring UnknownSwitchText(std::wstring_view arguments) {
    return L"不认识的参数：" + std::wstring(Trimmed(arguments)) +
           L"\n\n可用的参数（一次一个）：\n"
           L"--tray    启动到托盘，不显示主窗口\n"
           L"--toggle    隐藏 / 恢复，如同按快捷键（Veltrano 未运行时先启动到托盘）\n"
           L"--show    打开设置\n"
           L"--exit    退出正在运行的 Veltrano";
}

bool AboveMediumIntegrity(const ProcessRights& ours) {
    return ours.known && ours.integrity > kMediumIntegrity;
}

std::wstring CommandPipeName(std::uint32_t session) {
    return L"\\\\.\\pipe\\veltrano-command-" + std::to_wstring(session);
}

std::wstring CommandPipeSecurity(std::wstring_view userSid) {
    // FILE_GENERIC_READ and FILE_WRITE_DATA: a client reads the answer and writes its command, and may not
    // make a pipe instance of its own (FILE_GENERIC_WRITE would let it).
    return L"D:P(A;;0x12008b;;;" + std::wstring(userSid) + L")S:(ML;;NWNR;;;ME)";
}

bool AcceptsCommandFrom(const ProcessRights& ours, const ProcessRights& sender) {
    return ours.known && sender.known && !ours.user.empty() && sender.user == ours.user &&
           sender.integrity >= kMediumIntegrity;
}
