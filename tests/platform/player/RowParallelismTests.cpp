// Whether a large picture may be decoded one at a time on slice threads:
// only when its HEVC picture parameter sets enable wavefront rows or tiles,
// read from the extradata of real files (hvcC and start codes).
#include "platform/player/PipelineTuning.h"
#include "platform/player/RowParallelism.h"

#include "support/TestSupport.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <vector>

namespace tessarin::test {
namespace {

using namespace pipeline;

struct Stream {
    int codec = AV_CODEC_ID_NONE;
    std::vector<std::uint8_t> extradata;
    bool rowParallel = false;
};

Stream videoStreamOf(const QString& name)
{
    Stream s;
    AVFormatContext* format = nullptr;
    const QByteArray path = mediaPath(name).toUtf8();
    if (avformat_open_input(&format, path.constData(), nullptr, nullptr) < 0)
        return s;
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (index >= 0) {
            const AVCodecParameters* par = format->streams[index]->codecpar;
            s.codec = par->codec_id;
            if (par->extradata && par->extradata_size > 0)
                s.extradata.assign(par->extradata, par->extradata + par->extradata_size);
            s.rowParallel = rowParallel(*par);
        }
    }
    avformat_close_input(&format);
    return s;
}

TEST(RowParallelism, HevcIsRowParallelOnlyWithWavefrontRowsOrTilesInEveryPictureParameterSet)
{
    // x265's default: wavefront rows, read from hvcC and from start codes.
    const Stream wppMp4 = videoStreamOf("hevc_wpp.mp4");
    ASSERT_EQ(wppMp4.codec, AV_CODEC_ID_HEVC);
    ASSERT_FALSE(wppMp4.extradata.empty());
    EXPECT_EQ(wppMp4.extradata[0], 1) << "hvcC";
    EXPECT_EQ(hevcParallelism(wppMp4.extradata), HevcParallelism::Rows);
    EXPECT_TRUE(wppMp4.rowParallel);
    const Stream wppTs = videoStreamOf("hevc_wpp.ts");
    ASSERT_FALSE(wppTs.extradata.empty());
    EXPECT_EQ(wppTs.extradata[0], 0) << "start codes";
    EXPECT_EQ(hevcParallelism(wppTs.extradata), HevcParallelism::Rows);
    EXPECT_TRUE(wppTs.rowParallel);

    // One slice after another, as many hardware encoders write it.
    const Stream noWpp = videoStreamOf("hevc_nowpp.mkv");
    ASSERT_EQ(noWpp.codec, AV_CODEC_ID_HEVC);
    EXPECT_EQ(hevcParallelism(noWpp.extradata), HevcParallelism::None);
    EXPECT_FALSE(noWpp.rowParallel);

    // H.264 with one slice per picture: not known to be row parallel.
    const Stream h264 = videoStreamOf("clip_30s.mp4");
    ASSERT_EQ(h264.codec, AV_CODEC_ID_H264);
    EXPECT_FALSE(h264.rowParallel);

    // Tiles without wavefront rows (a picture parameter set written by hand:
    // ids 0, flags and defaults 0, tiles_enabled_flag 1), after a start code
    // of four bytes and before another unit.
    const std::vector<std::uint8_t> tiles = {0, 0, 0, 1, 0x44, 0x01, 0xC0, 0x71, 0x85, 0, 0, 1, 0x4E, 0x01, 0x05};
    EXPECT_EQ(hevcParallelism(tiles), HevcParallelism::Rows);
    // The same with tiles_enabled_flag 0.
    const std::vector<std::uint8_t> plain = {0, 0, 1, 0x44, 0x01, 0xC0, 0x71, 0x81};
    EXPECT_EQ(hevcParallelism(plain), HevcParallelism::None);
    // Two picture parameter sets, only one of them with rows: a picture of
    // the other would be decoded on one thread.
    std::vector<std::uint8_t> mixed = plain;
    mixed.insert(mixed.end(), tiles.begin(), tiles.end());
    EXPECT_EQ(hevcParallelism(mixed), HevcParallelism::None);
}

TEST(RowParallelism, CutOrGarbageExtradataIsNeverTakenForRowParallel)
{
    const Stream wpp = videoStreamOf("hevc_wpp.mp4");
    ASSERT_EQ(hevcParallelism(wpp.extradata), HevcParallelism::Rows);
    // Every shorter head of a real hvcC falls short of its own counts.
    for (std::size_t size = 0; size < wpp.extradata.size(); ++size)
        EXPECT_EQ(hevcParallelism(std::span(wpp.extradata.data(), size)), HevcParallelism::Unknown) << size;
    // A picture parameter set cut before its flags, as start codes.
    const std::vector<std::uint8_t> cut = {0, 0, 1, 0x44, 0x01, 0xC0, 0x71};
    EXPECT_EQ(hevcParallelism(cut), HevcParallelism::Unknown);
    // Lengths and counts that point past the end, a code of endless zeros,
    // ids out of range, and no picture parameter set at all.
    EXPECT_EQ(hevcParallelism(std::vector<std::uint8_t>(64, 0xFF)), HevcParallelism::Unknown);
    EXPECT_EQ(hevcParallelism(std::vector<std::uint8_t>{0, 0, 1, 0x44, 0x01, 0, 0, 0, 0, 0, 0}), HevcParallelism::Unknown);
    EXPECT_EQ(hevcParallelism(std::vector<std::uint8_t>{0, 0, 1, 0x44, 0x01, 0x01, 0x71, 0x85}), HevcParallelism::Unknown);
    EXPECT_EQ(hevcParallelism(std::vector<std::uint8_t>{0, 0, 1, 0x40, 0x01, 0xC0, 0x71, 0x85}), HevcParallelism::Unknown);
    EXPECT_EQ(hevcParallelism({}), HevcParallelism::Unknown);
}

TEST(RowParallelism, ALargePictureDrawnSmallIsDecodedOnSliceThreadsOnlyWhenItsStreamIsRowParallel)
{
    const QSize uhd(3840, 2160);
    const QSize hd(1920, 1080);
    EXPECT_EQ(videoThreading(uhd, hd, true), VideoThreading::SlicesOnly);
    // Without rows to spread, slice threads would leave one thread decoding
    // each 4K picture: two frame threads instead.
    EXPECT_EQ(videoThreading(uhd, hd, false), VideoThreading::TwoFrames);
    EXPECT_EQ(videoThreading(uhd, QSize(1280, 720), false), VideoThreading::TwoFrames);
    EXPECT_EQ(videoThreading(hd, QSize(480, 270), false), VideoThreading::MediumFrames);
}

} // namespace
} // namespace tessarin::test
