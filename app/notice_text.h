// The usage notice's wording. Pure, so the exact text is tested without a window.
#pragma once
#include <string>

inline constexpr const wchar_t* kNoticeCaption = L"使用须知";
inline constexpr const wchar_t* kNoticeHeading = L"本工具只能用来整理自己的窗口";
inline constexpr const wchar_t* kNoticeAgree = L"同意并继续";
inline constexpr const wchar_t* kNoticeRefuse = L"拒绝并退出";

inline std::wstring NoticeBodyText() {
    return L"请勿用它隐藏违法违规、违反单位纪律或用来掩盖不当行为的窗口。\r\n\r\n"
           L"它只改变窗口的显示状态，不会改变任何进程、网络或操作记录；试图借此规避监管或推卸责任，后果由使用"
           L"者自负。\r\n\r\n"
           L"点击「同意并继续」表示你已知悉，此提示不再显示。";
}
