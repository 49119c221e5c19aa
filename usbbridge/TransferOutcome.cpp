#include "TransferOutcome.h"

namespace ubrix {

Outcome judgeTransfer(WaitEnd waited, Completion completion) {
    if (waited == WaitEnd::Signalled) return completion.ok ? Outcome::Done : Outcome::ResultFailed;
    // The transfer was cancelled: what it moved before the cancel took hold still counts.
    if (!completion.ended) return Outcome::Abandoned;
    if (completion.ok && completion.moved > 0) return Outcome::Done;
    return waited == WaitEnd::TimedOut ? Outcome::TimedOut : Outcome::WaitFailed;
}

} // namespace ubrix
