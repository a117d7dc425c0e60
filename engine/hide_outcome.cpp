#include "engine/hide_outcome.h"

#include <numeric>

namespace {

using KindTexts = std::array<const wchar_t*, 3>;

std::wstring Quoted(const std::wstring& title) {
    if (title.size() <= kOutcomeTitleUnits) return L"“" + title + L"”";
    return L"“" + title.substr(0, kOutcomeTitleUnits) + L"…”";
}

std::size_t Index(Shortfall kind) {
    return static_cast<std::size_t>(kind);
}

// "“Chat”无响应", "“Chat”等 2 个无响应，另有 1 个拒绝隐藏": the first window's kind, then the others in
// order.
std::wstring ShortfallText(const OutcomeTally& tally, const KindTexts& texts) {
    const std::size_t first = Index(tally.firstKind);
    std::wstring text = Quoted(tally.firstTitle);
    if (tally.missing[first] > 1) text += L"等 " + std::to_wstring(tally.missing[first]) + L" 个";
    text += texts[first];
    const wchar_t* joiner = L"，另有 ";
    for (std::size_t kind = 0; kind < texts.size(); ++kind) {
        if (kind == first || tally.missing[kind] == 0) continue;
        text += joiner + std::to_wstring(tally.missing[kind]) + L" 个" + texts[kind];
        joiner = L"、";
    }
    return text;
}

std::size_t Missing(const OutcomeTally& tally) {
    return std::accumulate(tally.missing.begin(), tally.missing.end(), std::size_t{0});
}

} // namespace

void AddShortfall(OutcomeTally& tally, Shortfall kind, std::wstring_view title) {
    if (Missing(tally) == 0) {
        tally.firstTitle = title;
        tally.firstKind = kind;
    }
    ++tally.missing[Index(kind)];
}

std::wstring HideOutcomeText(const OutcomeTally& tally) {
    std::wstring text = L"已隐藏 " + std::to_wstring(tally.done) + L" 个窗口";
    if (Missing(tally) == 0) return text;
    return text + L"，" + std::to_wstring(Missing(tally)) + L" 个未隐藏：" +
           ShortfallText(tally, {L"无响应", L"拒绝隐藏", L"需要管理员权限"});
}

RestoreReason ReasonOfSessionEnd(std::uint32_t flags) {
    constexpr std::uint32_t kCloseApp = 0x1;
    constexpr std::uint32_t kLogOff = 0x80000000;
    if (flags & kCloseApp) return RestoreReason::AppUpdate;
    return (flags & kLogOff) ? RestoreReason::SignOut : RestoreReason::Shutdown;
}

std::wstring RestoreOutcomeText(const OutcomeTally& tally, RestoreReason why) {
    const std::wstring reason = why == RestoreReason::SignOut     ? L"因注销，"
                                : why == RestoreReason::Shutdown  ? L"因关机或重启，"
                                : why == RestoreReason::AppUpdate ? L"因程序更新需要关闭 Veltrano，"
                                                                  : L"";
    if (Missing(tally) == 0) return reason + L"已恢复全部窗口";
    return reason + L"已恢复 " + std::to_wstring(tally.done) + L" 个窗口，" +
           std::to_wstring(Missing(tally)) + L" 个未恢复：" +
           ShortfallText(tally, {L"无响应，待其响应后恢复", L"拒绝显示", L"需要管理员权限"});
}
