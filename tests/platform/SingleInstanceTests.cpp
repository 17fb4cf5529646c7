#include "platform/SingleInstance.h"

#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QUuid>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tessarin;

TEST(SingleInstance, ALaterStartFindsTheNameTakenAndBringsTheRunningOneForward)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus: run inside tools/run-tests.sh";
    // Each start has a connection of its own, as separate processes would.
    auto connect = [](const char* name) { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name); };
    const QString service = "org.vellumcast.Test" + QUuid::createUuid().toString(QUuid::Id128);
    {
        SingleInstance running(connect("running"), service);
        ASSERT_TRUE(running.claim());
        int activations = 0;
        QObject::connect(&running, &SingleInstance::activationRequested, [&] { ++activations; });

        SingleInstance later(connect("later"), service);
        EXPECT_FALSE(later.claim());
        // The later start asks from its own thread; the running one answers
        // from its event loop.
        std::atomic<int> answered { -1 };
        std::thread asking([&] { answered = SingleInstance::activateRunning(connect("later"), service) ? 1 : 0; });
        EXPECT_TRUE(test::waitUntil([&] { return answered >= 0; }, 20.0));
        asking.join();
        EXPECT_EQ(answered, 1);
        EXPECT_EQ(activations, 1);
    }
    // The name is free again once the running one has gone.
    SingleInstance next(connect("next"), service);
    EXPECT_TRUE(next.claim());
    for (const char* name : { "running", "later", "next" })
        QDBusConnection::disconnectFromBus(name);
}
