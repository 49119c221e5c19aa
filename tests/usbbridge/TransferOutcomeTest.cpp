// How an overlapped transfer's ending is judged, the rare endings included.
#include "TransferOutcome.h"

#include <gtest/gtest.h>

namespace ubrix::test {
namespace {

TEST(TransferOutcome, EveryEnding) {
    struct Case {
        const char* name;
        WaitEnd waited;
        Completion completion;
        Outcome expected;
    };
    const Case cases[] = {
        {"in time", WaitEnd::Signalled, {true, true, 5}, Outcome::Done},
        {"in time, failed", WaitEnd::Signalled, {true, false, 0}, Outcome::ResultFailed},
        {"cancelled at the deadline", WaitEnd::TimedOut, {true, false, 0}, Outcome::TimedOut},
        {"completed as the deadline passed", WaitEnd::TimedOut, {true, true, 5}, Outcome::Done},
        {"wait failed, then completed", WaitEnd::Failed, {true, true, 9}, Outcome::Done},
        {"wait failed, cancelled", WaitEnd::Failed, {true, false, 0}, Outcome::WaitFailed},
        {"cancel never completes", WaitEnd::TimedOut, {false, false, 0}, Outcome::Abandoned},
    };
    for (const Case& c : cases) EXPECT_EQ(judgeTransfer(c.waited, c.completion), c.expected) << c.name;
}

} // namespace
} // namespace ubrix::test
