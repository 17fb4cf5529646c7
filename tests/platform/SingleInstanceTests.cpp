#include "platform/SingleInstance.h"

#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QUuid>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tessarin;

TEST(SingleInstance, ALaterStartFindsTheNameTakenAndBringsTheRunningOneForwardWithTheShowItWasGiven)
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
        QStringList opened;
        QObject::connect(&running, &SingleInstance::activationRequested, [&] { ++activations; });
        QObject::connect(&running, &SingleInstance::openRequested, [&](const QString& path) { opened << path; });

        SingleInstance later(connect("later"), service);
        EXPECT_FALSE(later.claim());
        // The later start asks from its own thread, for the window, then with
        // a show; the running one answers from its event loop.
        const QString show = QStringLiteral("/shows/Sera d'estate.vellumcast");
        for (const QString& path : { QString(), show }) {
            std::atomic<int> answered { -1 };
            std::thread asking([&] {
                answered = (path.isEmpty() ? SingleInstance::activateRunning(connect("later"), service)
                                           : SingleInstance::openInRunning(connect("later"), path, service))
                    ? 1
                    : 0;
            });
            EXPECT_TRUE(test::waitUntil([&] { return answered >= 0; }, 20.0));
            asking.join();
            EXPECT_EQ(answered, 1);
        }
        EXPECT_TRUE(test::waitUntil([&] { return !opened.isEmpty(); }, 5.0));
        EXPECT_EQ(activations, 2);
        EXPECT_EQ(opened, QStringList { show });
    }
    // The name is free again once the running one has gone.
    SingleInstance next(connect("next"), service);
    EXPECT_TRUE(next.claim());
    for (const char* name : { "running", "later", "next" })
        QDBusConnection::disconnectFromBus(name);
}
