#include "platform/TerminationSignals.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

using namespace tessarin;

TEST(TerminationSignals, TermIntAndHupReachTheMainThreadInsteadOfEndingTheProcess)
{
    std::vector<int> arrived;
    TerminationSignals::install([&](int number) { arrived.push_back(number); });
    ::raise(SIGTERM);
    ::raise(SIGINT);
    ::raise(SIGHUP);
    EXPECT_TRUE(test::waitUntil([&] { return arrived.size() == 3; }));
    EXPECT_EQ(arrived, (std::vector<int> { SIGTERM, SIGINT, SIGHUP }));

    TerminationSignals::install({});
}

TEST(TerminationSignals, ASignalBeforeTheAnswerIsKeptUntilThereIsOne)
{
    TerminationSignals::catchEarly();
    ::raise(SIGTERM); // the process goes on: no answer yet, the signal is kept
    EXPECT_TRUE(TerminationSignals::arrived());
    std::vector<int> arrived;
    TerminationSignals::install([&](int number) { arrived.push_back(number); });
    EXPECT_TRUE(test::waitUntil([&] { return !arrived.empty(); }));
    EXPECT_EQ(arrived, (std::vector<int> { SIGTERM }));

    TerminationSignals::install({});
}
