// SIGINT and SIGTERM: recorded by the handlers, turned into one close request by the offline
// platform's event poll, caught once each, and left alone when the program started ignoring them.
#include "platform/termination_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "platform/offline_platform.h"

namespace qx::test {
namespace {

using posix::terminationState;

void (*Disposition(int signalNumber))(int) {
    struct sigaction current = {};
    sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
}

class TerminationSignalsTest : public ::testing::Test {
protected:
    void SetUp() override { terminationState = {}; }
    void TearDown() override {
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        terminationState = {};
    }
};

TEST_F(TerminationSignalsTest, SignalBecomesOneCloseRequestAtTheNextPoll) {
    OfflinePlatform platform;
    posix::InstallTerminationHandlers();
    InputEvent event;
    EXPECT_FALSE(platform.PollEvent(event));
    raise(SIGTERM);
    EXPECT_EQ(posix::TerminationSignal(), SIGTERM);
    ASSERT_TRUE(platform.PollEvent(event));
    EXPECT_EQ(event.kind, InputEvent::Kind::CloseRequest);
    EXPECT_FALSE(platform.PollEvent(event));         // once: the poll loop of the pass ends
    EXPECT_EQ(posix::TerminationSignal(), SIGTERM);  // still known for the exit code
}

TEST_F(TerminationSignalsTest, FirstSignalCountsAndEachIsCaughtOnlyOnce) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "emscripten's raise() keeps a handler installed with SA_RESETHAND";
#endif
    posix::InstallTerminationHandlers();
    EXPECT_NE(Disposition(SIGINT), SIG_DFL);
    raise(SIGINT);
    EXPECT_EQ(Disposition(SIGINT), SIG_DFL);  // a second Ctrl+C ends the program at once
    EXPECT_NE(Disposition(SIGTERM), SIG_DFL);
    raise(SIGTERM);
    EXPECT_EQ(posix::TerminationSignal(), SIGINT);
}

TEST_F(TerminationSignalsTest, SignalIgnoredAtStartStaysIgnored) {
    signal(SIGINT, SIG_IGN);
    posix::InstallTerminationHandlers();
    EXPECT_EQ(Disposition(SIGINT), SIG_IGN);
    raise(SIGINT);
    EXPECT_EQ(posix::TerminationSignal(), 0);
    EXPECT_FALSE(posix::TakeTerminationRequest());
}

}  // namespace
}  // namespace qx::test
