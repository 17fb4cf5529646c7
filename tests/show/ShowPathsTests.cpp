#include "show/ShowPaths.h"

#include <gtest/gtest.h>

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
