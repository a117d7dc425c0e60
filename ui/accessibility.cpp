#include "ui/accessibility.h"

#include "base/handles.h"
#include "ui/app_state.h"

// The GUIDs of the annotation service are defined here, where they are used: linking the library that holds
// them would load it at every start.
#include <initguid.h>

#include <oleacc.h>

namespace {

// UI Automation's LiveSetting property, which makes a control a live region for screen readers.
DEFINE_GUID(kLiveSettingProperty, 0xc12bcd8e, 0x2a8e, 0x4950, 0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb);
constexpr LONG kPolite = 1;

} // namespace

// The label before a control in the z-order names it for Active Accessibility; the hotkey box is named as
// well, since not every reader takes the label for that class, and the hold's box follows the corner's
// drop-down, not a label.
void AnnotateForScreenReaders() {
    static bool annotated = false;
    BOOL reader = FALSE;
    if (annotated || !SystemParametersInfoW(SPI_GETSCREENREADER, 0, &reader, 0) || !reader) return;
    IAccPropServices* created = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&created))))
        return;
    const ComPtr<IAccPropServices> services(created);
    annotated = true;
    const std::pair<int, const wchar_t*> names[] = {{IDC_HOTKEY, L"快捷键"},
                                                    {IDC_CORNER_MS, L"屏幕角停留毫秒数"}};
    for (const auto& [id, name] : names) {
        if (HWND control = ControlHandle(id))
            services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                     name);
    }
    if (HWND status = ControlHandle(IDC_STATUS)) {
        VARIANT live = {};
        live.vt = VT_I4;
        live.lVal = kPolite;
        services->SetHwndProp(status, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty,
                              live);
    }
}

void AnnounceStatus(HWND status) {
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, status, OBJID_CLIENT, CHILDID_SELF);
}
