#include "show/ShowPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace tessarin;

TEST(ShowPaths, RelativePathOnlyForFilesBelowTheShowFolder)
{
    struct Case {
        const char* file;
        std::optional<QString> base;
        std::optional<QString> relative;
    };
    const Case cases[] = {
        {"/Shows/A/clip.mov", std::nullopt, std::nullopt},                 // snapshots: never relative
        {"/Shows/A/clip.mov", QStringLiteral("/Shows/A"), QStringLiteral("clip.mov")},
        {"/Shows/A/media/clip.mov", QStringLiteral("/Shows/A"), QStringLiteral("media/clip.mov")},
        {"/Shows/A/a/b/clip.mov", QStringLiteral("/Shows/A"), QStringLiteral("a/b/clip.mov")},
        {"/Shows/AB/clip.mov", QStringLiteral("/Shows/A"), std::nullopt},  // sibling sharing a prefix
        {"/Shows/A", QStringLiteral("/Shows/A"), std::nullopt},            // the folder itself
        {"/clip.mov", QStringLiteral("/"), std::nullopt},                  // root: the prefix is "//"
        {"/shows/a/clip.mov", QStringLiteral("/Shows/A"), std::nullopt},   // case is not folded
        {"/Shows/A/../B/clip.mov", QStringLiteral("/Shows/A"), QStringLiteral("../B/clip.mov")}, // text only
        {"/Shows/Ä/ü.mov", QStringLiteral("/Shows/Ä"), QStringLiteral("ü.mov")},
    };
    for (const Case& c : cases) {
        const auto ref = ShowPaths::reference(QString::fromUtf8(c.file), c.base);
        EXPECT_EQ(ref.path, QString::fromUtf8(c.file));
        EXPECT_EQ(ref.relative, c.relative) << c.file << " in " << c.base.value_or("(none)").toStdString();
    }
}

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

TEST(ShowPaths, TheAbsolutePathWinsAndTheShowFolderIsTheFallback)
{
    QTemporaryDir root;
    const QString moved = root.filePath("Moved/A");          // the show folder now
    const QString old = root.filePath("Shows/A");            // where it was saved
    touch(moved + "/media/clip.mov");
    touch(root.filePath("Elsewhere/clip.mov"));
    QDir().mkpath(moved + "/media/folder.mov");

    // The folder moved with its media: the old absolute path is gone.
    EXPECT_EQ(ShowPaths::locate(old + "/media/clip.mov", QStringLiteral("media/clip.mov"), moved),
              moved + "/media/clip.mov");
    // An existing absolute path is used even when the relative one exists too.
    EXPECT_EQ(ShowPaths::locate(root.filePath("Elsewhere/clip.mov"), QStringLiteral("media/clip.mov"), moved),
              root.filePath("Elsewhere/clip.mov"));
    // Only a relative path.
    EXPECT_EQ(ShowPaths::locate(std::nullopt, QStringLiteral("media/clip.mov"), moved), moved + "/media/clip.mov");
    // A relative path that begins with "/" is still looked for below the folder.
    EXPECT_EQ(ShowPaths::locate(std::nullopt, QStringLiteral("/media/clip.mov"), moved), moved + "/media/clip.mov");
    // Not found anywhere, a folder in the file's place, or nothing stored.
    EXPECT_FALSE(ShowPaths::locate(old + "/media/clip.mov", std::nullopt, moved));
    EXPECT_FALSE(ShowPaths::locate(old + "/gone.mov", QStringLiteral("gone.mov"), moved));
    EXPECT_FALSE(ShowPaths::locate(moved + "/media/folder.mov", QStringLiteral("media/folder.mov"), moved));
    EXPECT_FALSE(ShowPaths::locate(std::nullopt, std::nullopt, moved));
    EXPECT_FALSE(ShowPaths::locate(QString(), QString(), moved));
}

TEST(ShowPaths, AMissingReferenceIsNamedByItsFileName)
{
    EXPECT_EQ(ShowPaths::missingName(QStringLiteral("/Shows/A/media/clip.mov")), QStringLiteral("clip.mov"));
    EXPECT_EQ(ShowPaths::missingName(QStringLiteral("clip.mov")), QStringLiteral("clip.mov"));
    EXPECT_EQ(ShowPaths::missingName(QStringLiteral("/Shows/A/")), QStringLiteral("A"));
    EXPECT_EQ(ShowPaths::missingName(std::nullopt), QStringLiteral("?"));
}

TEST(ShowPaths, SomethingOtherThanAFileIsNamedForWhatItIs)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pipe = dir.filePath("clip.mov");
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(ShowPaths::unfoundName(pipe), QStringLiteral("clip.mov (è una pipe, non un file)"));
    EXPECT_EQ(ShowPaths::unfoundName(QStringLiteral("/dev/null")), QStringLiteral("null (è un dispositivo, non un file)"));
    EXPECT_EQ(ShowPaths::unfoundName(dir.path()), ShowPaths::missingName(dir.path()) + " (è una cartella, non un file)");
    EXPECT_EQ(ShowPaths::unfoundName(dir.filePath("gone.mov")), QStringLiteral("gone.mov"));
    EXPECT_EQ(ShowPaths::unfoundName(std::nullopt), QStringLiteral("?"));
}
