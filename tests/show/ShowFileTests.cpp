// Saving never damages the previous file: an unwritable folder, a read-only
// file system, a full file system and a file-size limit each leave it
// byte-identical, with nothing left beside it.
#include "show/ShowFile.h"

#include "ShowTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace tessarin;
using test::FilePermissionsEnforced;
using test::reason;

namespace {

const QByteArray kOldShow = "{\n  \"version\" : 1\n}";

QByteArray bigShow(int bytes)
{
    QByteArray text = "{\"browser\":[";
    while (text.size() < bytes)
        text += "{\"path\":\"\\/media\\/clip.mov\"},";
    text.chop(1);
    return text + "],\"version\":1}";
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A small tmpfs of its own, where the machine lets the tests mount one.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& where, const char* options)
        : where_(where.toLocal8Bit())
    {
        mounted_ = geteuid() == 0 && ::mount("tessarin-test", where_.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options) == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(where_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly()
    {
        return ::mount("tessarin-test", where_.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                       nullptr) == 0;
    }

private:
    QByteArray where_;
    bool mounted_ = false;
};

class ShowFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        folder = dir.filePath("Shows");
        ASSERT_TRUE(QDir().mkpath(folder));
        target = folder + "/Show.vellumcast";
    }
    void writeOldShow()
    {
        ASSERT_EQ(ShowFile::write(target, kOldShow), std::nullopt);
        ASSERT_EQ(contents(target), kOldShow);
    }
    void expectOldShowIntact()
    {
        EXPECT_EQ(contents(target), kOldShow);
        EXPECT_EQ(entries(folder), QStringList {"Show.vellumcast"});
    }

    QTemporaryDir dir;
    QString folder;
    QString target;
};

} // namespace

TEST_F(ShowFileTest, ASaveReplacesTheFileWholeAndLeavesNothingBeside)
{
    writeOldShow();
    const QByteArray next = bigShow(300 * 1024);
    EXPECT_EQ(ShowFile::write(target, next), std::nullopt);
    EXPECT_EQ(contents(target), next);
    EXPECT_EQ(entries(folder), QStringList {"Show.vellumcast"});
}

TEST_F(ShowFileTest, AReadOnlyFolderKeepsTheOldFile)
{
    writeOldShow();
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                                  | QFileDevice::ExeGroup));
    std::optional<QString> error;
    {
        FilePermissionsEnforced enforced;
        if (!enforced.enforced())
            GTEST_SKIP() << "file permissions cannot be enforced for this user";
        error = ShowFile::write(target, bigShow(4096));
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, reason(EACCES));
    expectOldShowIntact();
}

TEST_F(ShowFileTest, AMissingFolderIsAFailureWithAReason)
{
    const auto error = ShowFile::write(folder + "/gone/Show.vellumcast", kOldShow);
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
}

TEST_F(ShowFileTest, AFileSizeLimitMidWriteKeepsTheOldFile)
{
    writeOldShow();
    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto error = ShowFile::write(target, bigShow(512 * 1024));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedSignal);

    ASSERT_TRUE(error);
    EXPECT_EQ(*error, reason(EFBIG));
    expectOldShowIntact();
}

TEST_F(ShowFileTest, AFullFileSystemKeepsTheOldFile)
{
    SmallFileSystem small(folder, "size=64k,mode=0755");
    if (!small.mounted())
        GTEST_SKIP() << "no tmpfs can be mounted here; the file-size limit case covers a full disk";
    writeOldShow();
    const auto error = ShowFile::write(target, bigShow(512 * 1024));
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, reason(ENOSPC));
    expectOldShowIntact();
}

TEST_F(ShowFileTest, AReadOnlyFileSystemKeepsTheOldFile)
{
    SmallFileSystem small(folder, "size=64k,mode=0755");
    if (!small.mounted())
        GTEST_SKIP() << "no tmpfs can be mounted here";
    writeOldShow();
    ASSERT_TRUE(small.makeReadOnly());
    const auto error = ShowFile::write(target, bigShow(4096));
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
    expectOldShowIntact();
}

// A path that cannot be read says why: nothing there, no permission, links
// that lead back to themselves, a name longer than the file system allows.
TEST_F(ShowFileTest, AnUnreadablePathGivesItsReason)
{
    writeOldShow();
    const QString loop = folder + "/loop.vellumcast";
    ASSERT_EQ(::symlink(loop.toLocal8Bit().constData(), loop.toLocal8Bit().constData()), 0);
    const struct {
        QString path;
        ShowFile::Refusal why;
    } cases[] = {
        { folder + "/none.vellumcast", ShowFile::Refusal::notFound },
        { target + "/below.vellumcast", ShowFile::Refusal::notFound },
        { loop, ShowFile::Refusal::linkLoop },
        { folder, ShowFile::Refusal::notAFile },
        { folder + "/" + QString(300, u'n') + ".vellumcast", ShowFile::Refusal::nameTooLong },
        { folder + QStringLiteral("/x").repeated(2100), ShowFile::Refusal::nameTooLong },
    };
    for (const auto& c : cases) {
        ShowFile::Refusal why = ShowFile::Refusal::unreadable;
        EXPECT_EQ(ShowFile::read(c.path, &why), std::nullopt) << c.path.toStdString();
        EXPECT_EQ(why, c.why) << c.path.toStdString();
    }
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::Permissions()));
    FilePermissionsEnforced enforced;
    if (!enforced.enforced())
        GTEST_SKIP() << "file permissions cannot be enforced for this user";
    ShowFile::Refusal why = ShowFile::Refusal::unreadable;
    EXPECT_EQ(ShowFile::read(target, &why), std::nullopt);
    EXPECT_EQ(why, ShowFile::Refusal::noPermission);
}
