// ats-sim serving a device it did not create (--device): here the slave side of a pty
// pair, with this test in the configurator's place on the master side.
#include "E2eSupport.h"

#include "comm/Frame.h"
#include "platform/Pty.h"

namespace kovrin::e2e {
namespace {

TEST(SimDevice, AnswersOnAGivenDeviceAndSkipsPaddingBetweenFrames)
{
    PtyPair pair;
    ASSERT_TRUE(pair.ok());
    auto sim = StartSim({"--fast", "--device", pair.slavePath(), "--word", "7=0xABCD"});
    ASSERT_TRUE(sim);
    EXPECT_EQ(sim->path(), pair.slavePath());

    // A USB adapter pads each packet with zeros up to four bytes: two requests so padded.
    Frame stream = BuildRequestGM(7);
    const Frame gi = BuildRequestGI();
    stream.insert(stream.end(), {0, 0, 0, 0});
    stream.insert(stream.end(), gi.begin(), gi.end());
    stream.insert(stream.end(), {0, 0, 0, 0});
    ASSERT_TRUE(pair.writeMaster(stream));

    const std::vector<std::uint8_t> got = pair.readMaster(16 + 68, Millis(3000));
    ASSERT_EQ(got.size(), 16u + 68u);
    EXPECT_TRUE(AcceptAnswer(got.data(), 16, kAnswerGM.expected, kAnswerGM.alternative));
    EXPECT_EQ(DecodeWordAnswer(got.data()).value(), 0xABCD);
    EXPECT_TRUE(AcceptAnswer(got.data() + 16, 68, kAnswerGI.expected, kAnswerGI.alternative));
    EXPECT_EQ(sim->stop().code, 0);
}

} // namespace
} // namespace kovrin::e2e
