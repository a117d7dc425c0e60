#include "engine/hide_outcome.h"

namespace {

std::wstring Quoted(const std::wstring& title) {
    if (title.size() <= kOutcomeTitleUnits) return L"“" + title + L"”";
    return L"“" + title.substr(0, kOutcomeTitleUnits) + L"…”";
}

// "“Chat”无响应", "“Chat”等 2 个无响应，另有 1 个拒绝隐藏".
std::wstring Shortfall(const OutcomeTally& tally, const wchar_t* notAnswering, const wchar_t* refused) {
    const std::size_t firstKind = tally.firstRefused ? tally.refused : tally.notAnswering;
    const std::size_t otherKind = tally.firstRefused ? tally.notAnswering : tally.refused;
    std::wstring text = Quoted(tally.firstTitle);
    if (firstKind > 1) text += L"等 " + std::to_wstring(firstKind) + L" 个";
    text += tally.firstRefused ? refused : notAnswering;
    if (otherKind > 0)
        text +=
            L"，另有 " + std::to_wstring(otherKind) + L" 个" + (tally.firstRefused ? notAnswering : refused);
    return text;
}

std::size_t Missing(const OutcomeTally& tally) {
    return tally.notAnswering + tally.refused;
}

} // namespace

void AddShortfall(OutcomeTally& tally, bool refused, std::wstring_view title) {
    if (Missing(tally) == 0) {
        tally.firstTitle = title;
        tally.firstRefused = refused;
    }
    ++(refused ? tally.refused : tally.notAnswering);
}

std::wstring HideOutcomeText(const OutcomeTally& tally) {
    std::wstring text = L"已隐藏 " + std::to_wstring(tally.done) + L" 个窗口";
    if (Missing(tally) == 0) return text;
    return text + L"，" + std::to_wstring(Missing(tally)) + L" 个未隐藏：" +
           Shortfall(tally, L"无响应", L"拒绝隐藏");
}

std::wstring RestoreOutcomeText(const OutcomeTally& tally) {
    if (Missing(tally) == 0) return L"已恢复全部窗口";
    return L"已恢复 " + std::to_wstring(tally.done) + L" 个窗口，" + std::to_wstring(Missing(tally)) +
           L" 个未恢复：" + Shortfall(tally, L"无响应，待其响应后恢复", L"拒绝显示");
}
