#include "ui/list_watch_rules.h"

#include "ui/ids.h"

bool ListLookDue(ListLookCause cause, std::uint64_t msSinceLook, bool eventsTrusted, bool eventsSinceLook) {
    // A list just filled or compared is as fresh as a look would make it, and the next tick comes within the
    // period anyway.
    if (cause == ListLookCause::Activation && msSinceLook < kListWatchPeriodMs) return false;
    if (!eventsTrusted || eventsSinceLook) return true;
    return msSinceLook >= kListSafetyLookMs;
}
