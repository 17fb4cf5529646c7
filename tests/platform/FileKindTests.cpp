#include "platform/FileKind.h"

#include <gtest/gtest.h>

using namespace tessarin;

TEST(FileKind, JudgesByTheNameAlone)
{
    EXPECT_EQ(fileKind("/x/a.png"), FileKind::image);
    EXPECT_EQ(fileKind("/x/a.JPG"), FileKind::image);
    EXPECT_EQ(fileKind("/x/a.mp3"), FileKind::audio);
    EXPECT_EQ(fileKind("/x/a.wav"), FileKind::audio);
    EXPECT_EQ(fileKind("/x/a.m4a"), FileKind::audio);
    EXPECT_EQ(fileKind("/x/a.mp4"), FileKind::other);
    EXPECT_EQ(fileKind("/x/a.mov"), FileKind::other);
    EXPECT_EQ(fileKind("/x/no-extension"), FileKind::other);
    // The last extension of the name, whatever its folders are called.
    EXPECT_EQ(fileKind("/x/b.tar.WAV"), FileKind::audio);
    EXPECT_EQ(fileKind("/x.png/clip"), FileKind::other);
    EXPECT_EQ(fileKind("/x/.png"), FileKind::other);
}
