#include "engine/engine.h"

Engine engine;

void Say(const std::wstring& text) {
    if (engine.host.say) engine.host.say(text);
}

void TellHiddenChanged() {
    if (engine.host.hiddenChanged) engine.host.hiddenChanged();
}
