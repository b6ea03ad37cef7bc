// SIGINT and SIGTERM: recorded by the handlers, turned into one close request by the offline
// platform's event poll, caught once each, and left alone when the program started ignoring them.
#include "platform/termination_signals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include "platform/offline_platform.h"

namespace qx::test {
namespace {

using os::terminationState;

void (*Disposition(int signalNumber))(int) {
#ifdef _WIN32
    // Read by putting the handler back at once (no signal arrives in between); Windows' C
    // runtime has no sigaction, and its signal() keeps the reset-when-run behaviour.
    const auto current = signal(signalNumber, SIG_IGN);
    signal(signalNumber, current);
    return current;
#else
    struct sigaction current = {};
    sigaction(signalNumber, nullptr, &current);
    return current.sa_handler;
#endif
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
    os::InstallTerminationHandlers();
    InputEvent event;
    EXPECT_FALSE(platform.PollEvent(event));
    raise(SIGTERM);
    EXPECT_EQ(os::TerminationSignal(), SIGTERM);
    ASSERT_TRUE(platform.PollEvent(event));
    EXPECT_EQ(event.kind, InputEvent::Kind::CloseRequest);
    EXPECT_FALSE(platform.PollEvent(event));         // once: the poll loop of the pass ends
    EXPECT_EQ(os::TerminationSignal(), SIGTERM);  // still known for the exit code
}

TEST_F(TerminationSignalsTest, FirstSignalCountsAndEachIsCaughtOnlyOnce) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "emscripten's raise() keeps a handler installed with SA_RESETHAND";
#endif
    os::InstallTerminationHandlers();
    EXPECT_NE(Disposition(SIGINT), SIG_DFL);
    raise(SIGINT);
    EXPECT_EQ(Disposition(SIGINT), SIG_DFL);  // a second Ctrl+C ends the program at once
    EXPECT_NE(Disposition(SIGTERM), SIG_DFL);
    raise(SIGTERM);
    EXPECT_EQ(os::TerminationSignal(), SIGINT);
}

TEST_F(TerminationSignalsTest, SignalIgnoredAtStartStaysIgnored) {
    signal(SIGINT, SIG_IGN);
    os::InstallTerminationHandlers();
    EXPECT_EQ(Disposition(SIGINT), SIG_IGN);
    raise(SIGINT);
    EXPECT_EQ(os::TerminationSignal(), 0);
    EXPECT_FALSE(os::TakeTerminationRequest());
}

}  // namespace
}  // namespace qx::test
