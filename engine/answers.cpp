// Other programs' answers reach the engine here, whatever it is doing: the hide or the undo they finish is
// finished now, unless a wait is under way that acts on them itself.
#include "engine/hidden_set.h"

void AnswerArrived(unsigned question) {
    for (std::vector<HiddenWindowRecord>* records :
         {&engine.hiddenSet, &engine.puttingBack, &engine.pendingUndo}) {
        bool found = false;
        for (HiddenWindowRecord& record : *records) {
            if (record.question != question) continue;
            record.answered = true;
            found = true;
        }
        if (!found) continue;
        if (engine.busy) return;
        if (records == &engine.hiddenSet) {
            FinishAnsweredHides();
            ShowHideOutcome();
        } else if (records == &engine.pendingUndo) {
            CompletePendingUndos();
        }
        return;
    }
}
