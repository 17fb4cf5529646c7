#include "show/ShowMissingMedia.h"
#include "show/ShowController.h"

#include "platform/Localization.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace tessarin;

namespace {
const QString kTrailer = QStringLiteral("\n\nSono stati tolti dallo show; se lo salvi ora, non ci saranno più.");
}

TEST(ShowMissingMedia, OneNameUsedManyTimesIsOneMissingFile)
{
    const auto alert = ShowMissingMedia::alertFor({"clip.mov", "clip.mov", "clip.mov"});
    EXPECT_EQ(alert.message, QStringLiteral("Un file non è stato trovato"));
    EXPECT_EQ(alert.informativeText, "clip.mov" + kTrailer);
}

TEST(ShowMissingMedia, AtMostEightNamesInPlainOrderThenAnEllipsis)
{
    const QStringList missing {"b.mov", "?", "a.mov", "B.mov", "z.mov", "é.mov", "c.mov", "a.mov",
                               "d.mov", "e.mov", "f.mov"};
    const auto alert = ShowMissingMedia::alertFor(missing);
    EXPECT_EQ(alert.message, QStringLiteral("10 file non sono stati trovati"));
    EXPECT_EQ(alert.informativeText,
              QStringLiteral("?\nB.mov\na.mov\nb.mov\nc.mov\nd.mov\ne.mov\nf.mov\n\u2026") + kTrailer);

    const auto eight = ShowMissingMedia::alertFor({"1", "2", "3", "4", "5", "6", "7", "8"});
    EXPECT_EQ(eight.informativeText, QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8") + kTrailer);
}

TEST(ShowMissingMedia, ALongNameIsShortenedInTheMiddle)
{
    const QString huge = "a" + QString(1 << 20, QLatin1Char('x')) + "z.mov";
    const auto alert = ShowMissingMedia::alertFor({huge});
    const QString shown = alert.informativeText.left(alert.informativeText.indexOf('\n'));
    EXPECT_EQ(shown.size(), ShowMissingMedia::kNameChars);
    EXPECT_TRUE(shown.startsWith("axx"));
    EXPECT_TRUE(shown.endsWith("xz.mov"));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    // A pair of surrogates is never split.
    const QString faces = QString(100, QLatin1Char('-')) + QString::fromUtf8("\U0001F600").repeated(40);
    const QString cut = ShowMissingMedia::shortened(faces, 122);
    EXPECT_FALSE(cut.at(cut.indexOf(QChar(0x2026)) + 1).isLowSurrogate());
    EXPECT_EQ(ShowMissingMedia::shortened("short.mov"), QStringLiteral("short.mov"));
}

TEST(ShowTexts, TheShowAlertsHaveTheirEnglish)
{
    ASSERT_TRUE(Localization::apply("en"));
    const auto alert = ShowMissingMedia::alertFor({"a.mov", "b.mov"});
    EXPECT_EQ(alert.message, QStringLiteral("2 files were not found"));
    EXPECT_EQ(alert.informativeText,
              QStringLiteral("a.mov\nb.mov\n\nThey have been removed from the show; if you save it now, they will be gone."));
    EXPECT_EQ(ShowController::tr("Le modifiche a \u201C%1\u201D andranno perse se non le salvi."),
              QStringLiteral("Your changes to \u201C%1\u201D will be lost if you don\u2019t save them."));
    EXPECT_EQ(ShowMissingMedia::alertFor({"a.mov"}).message, QStringLiteral("One file was not found"));
    ASSERT_TRUE(Localization::apply("it"));
}
