// The caches of what was made from files keep it while an item uses the
// file, and of the files no longer used only the latest few.
#include "media/FileCache.h"
#include "media/FileUses.h"

#include <gtest/gtest.h>

using namespace tessarin;

namespace {

QUrl file(const char* name)
{
    return QUrl::fromLocalFile(QStringLiteral("/cache-test/") + QLatin1String(name));
}

} // namespace

TEST(FileCache, KeepsWhatFilesInUseGaveAndOnlyTheLatestOfTheOthers)
{
    // Lives as long as the process, as the program's caches do.
    static auto* cache = new FileCache<int>(2);
    const QUrl a = file("a.mov"), b = file("b.mov"), c = file("c.mov"), d = file("d.mov");
    for (const QUrl& url : {a, b, c})
        FileUses::use(url);
    FileUses::use(a); // listed twice: in the browser and in a block
    cache->insert(a, 1);
    cache->insert(b, 2);
    cache->insert(c, 3);
    cache->insert(d, 4); // its item went before the result came
    EXPECT_EQ(cache->value(d), 4) << "one spare of two";

    FileUses::release(a);
    EXPECT_EQ(cache->value(a), 1) << "still used once";
    FileUses::release(a);
    FileUses::release(b);
    EXPECT_EQ(cache->size(), 3u) << "the oldest spare went";
    EXPECT_EQ(cache->value(d), 0);
    EXPECT_EQ(cache->value(a), 1);

    FileUses::use(a); // an item made again for a spare file keeps it
    FileUses::release(c);
    EXPECT_EQ(cache->value(a), 1);
    EXPECT_EQ(cache->value(c), 3);
    EXPECT_EQ(cache->value(b), 2) << "b and c are the two spares";

    // A show closed: every file given back but the latest spares.
    FileUses::release(a);
    EXPECT_EQ(cache->size(), 2u);
    EXPECT_EQ(cache->value(b), 0);
    EXPECT_FALSE(FileUses::isUsed(a));
}
