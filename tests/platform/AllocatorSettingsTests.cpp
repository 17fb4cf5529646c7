// The allocator settings in a process of their own: the probe program
// applies them and prints each start of its main, then what it sees.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

namespace {

QStringList probeOutput(const QString& tunables, const QStringList& arguments)
{
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GLIBC_TUNABLES"), tunables);
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(TESSARIN_ALLOCATOR_PROBE), arguments);
    EXPECT_TRUE(probe.waitForFinished(10000));
    EXPECT_EQ(probe.exitCode(), 0);
    return QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(AllocatorSettings, AProcessWithoutHugePagesStartsAgainOnceWithThemKeepingItsArgumentsAndTunables)
{
    const QStringList out = probeOutput(QStringLiteral("glibc.malloc.tcache_count=7"),
                                        { QStringLiteral("a show.vellumcast"), QString(), QStringLiteral("-x") });
    ASSERT_EQ(out.size(), 6) << out.join(QLatin1Char('\n')).toStdString();
    // Started twice, as the same process.
    EXPECT_TRUE(out[0].startsWith(QLatin1String("start ")));
    EXPECT_EQ(out[1], out[0]);
    EXPECT_EQ(out[2], QStringLiteral("tunables glibc.malloc.tcache_count=7:glibc.malloc.hugetlb=1"));
    EXPECT_EQ(out[3], QStringLiteral("argument [a show.vellumcast]"));
    EXPECT_EQ(out[4], QStringLiteral("argument []"));
    EXPECT_EQ(out[5], QStringLiteral("argument [-x]"));

    // Whatever the environment says of huge pages stands, and the process
    // starts once.
    const QStringList kept = probeOutput(QStringLiteral("glibc.malloc.hugetlb=0"), {});
    ASSERT_EQ(kept.size(), 2) << kept.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(kept[1], QStringLiteral("tunables glibc.malloc.hugetlb=0"));
}
