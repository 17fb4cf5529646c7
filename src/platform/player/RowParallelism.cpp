#include "platform/player/RowParallelism.h"

extern "C" {
#include <libavcodec/codec_par.h>
}

#include <optional>
#include <vector>

namespace tessarin::pipeline {
namespace {

constexpr int kPictureParameterSet = 34;

// Reads bits from a NAL unit's payload with its emulation-prevention bytes
// already removed. Every read past the end fails instead.
class BitReader {
public:
    explicit BitReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    std::optional<std::uint32_t> bits(int count)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (position_ >= bytes_.size() * 8)
                return std::nullopt;
            const int bit = (bytes_[position_ / 8] >> (7 - position_ % 8)) & 1;
            value = (value << 1) | std::uint32_t(bit);
            ++position_;
        }
        return value;
    }

    bool skip(int count) { return bits(count).has_value(); }

    // Exp-Golomb code; values beyond 32 bits are refused.
    std::optional<std::uint32_t> ue()
    {
        int zeros = 0;
        for (;;) {
            const auto bit = bits(1);
            if (!bit)
                return std::nullopt;
            if (*bit)
                break;
            if (++zeros > 31)
                return std::nullopt;
        }
        const auto rest = bits(zeros);
        if (!rest)
            return std::nullopt;
        return std::uint32_t((std::uint64_t(1) << zeros) - 1 + *rest);
    }

    bool skipUe() { return ue().has_value(); }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t position_ = 0;
};

// The payload after the two-byte NAL header, without emulation-prevention
// bytes (the 03 in 00 00 03).
std::vector<std::uint8_t> payloadOf(std::span<const std::uint8_t> nal)
{
    std::vector<std::uint8_t> out;
    out.reserve(nal.size());
    int zeros = 0;
    for (std::size_t i = 2; i < nal.size(); ++i) {
        const std::uint8_t b = nal[i];
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        out.push_back(b);
    }
    return out;
}

// A picture parameter set's wavefront and tile flags; nullopt if it ends
// before them or holds values out of range.
std::optional<bool> ppsAllowsRows(std::span<const std::uint8_t> nal)
{
    const std::vector<std::uint8_t> payload = payloadOf(nal);
    BitReader r(payload);
    const auto ppsId = r.ue();
    const auto spsId = r.ue();
    if (!ppsId || *ppsId > 63 || !spsId || *spsId > 15)
        return std::nullopt;
    // dependent_slice_segments_enabled, output_flag_present,
    // num_extra_slice_header_bits (3), sign_data_hiding_enabled,
    // cabac_init_present.
    if (!r.skip(7))
        return std::nullopt;
    // num_ref_idx_l0/l1_default_active_minus1, init_qp_minus26.
    if (!r.skipUe() || !r.skipUe() || !r.skipUe())
        return std::nullopt;
    // constrained_intra_pred, transform_skip_enabled.
    if (!r.skip(2))
        return std::nullopt;
    const auto cuQpDelta = r.bits(1);
    if (!cuQpDelta || (*cuQpDelta && !r.skipUe()))
        return std::nullopt;
    // pps_cb_qp_offset, pps_cr_qp_offset.
    if (!r.skipUe() || !r.skipUe())
        return std::nullopt;
    // slice_chroma_qp_offsets_present, weighted_pred, weighted_bipred,
    // transquant_bypass_enabled.
    if (!r.skip(4))
        return std::nullopt;
    const auto tiles = r.bits(1);
    const auto wavefront = r.bits(1);
    if (!tiles || !wavefront)
        return std::nullopt;
    return *tiles || *wavefront;
}

int nalType(std::span<const std::uint8_t> nal)
{
    return nal.empty() ? -1 : (nal[0] >> 1) & 0x3f;
}

// Folds one picture parameter set into what the stream allows so far:
// rows only while every one seen allows them.
struct Fold {
    int seen = 0;
    bool unreadable = false;
    bool none = false;

    void add(std::span<const std::uint8_t> nal)
    {
        if (nalType(nal) != kPictureParameterSet)
            return;
        ++seen;
        const auto rows = ppsAllowsRows(nal);
        if (!rows)
            unreadable = true;
        else if (!*rows)
            none = true;
    }

    HevcParallelism result() const
    {
        if (seen == 0 || unreadable)
            return HevcParallelism::Unknown;
        return none ? HevcParallelism::None : HevcParallelism::Rows;
    }
};

bool startCodeAt(std::span<const std::uint8_t> d, std::size_t i)
{
    return i + 3 <= d.size() && d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1;
}

HevcParallelism fromAnnexB(std::span<const std::uint8_t> d)
{
    Fold fold;
    std::size_t i = 0;
    while (i < d.size() && !startCodeAt(d, i))
        ++i;
    while (i < d.size()) {
        const std::size_t begin = i + 3;
        std::size_t end = begin;
        while (end < d.size() && !startCodeAt(d, end))
            ++end;
        std::size_t last = end;
        // Zero bytes before the next start code (its leading zero of four)
        // belong to no NAL unit.
        while (last > begin && d[last - 1] == 0)
            --last;
        fold.add(d.subspan(begin, last - begin));
        i = end;
    }
    return fold.result();
}

HevcParallelism fromHvcc(std::span<const std::uint8_t> d)
{
    // 22 bytes of configuration, then the count of NAL unit arrays; each
    // array: a type byte, a 16-bit count, then 16-bit lengths and units.
    constexpr std::size_t kArrays = 22;
    if (d.size() <= kArrays)
        return HevcParallelism::Unknown;
    Fold fold;
    std::size_t at = kArrays;
    const int arrays = d[at++];
    for (int a = 0; a < arrays; ++a) {
        if (at + 3 > d.size())
            return HevcParallelism::Unknown;
        const int count = (d[at + 1] << 8) | d[at + 2];
        at += 3;
        for (int n = 0; n < count; ++n) {
            if (at + 2 > d.size())
                return HevcParallelism::Unknown;
            const std::size_t length = (std::size_t(d[at]) << 8) | d[at + 1];
            at += 2;
            if (length > d.size() - at)
                return HevcParallelism::Unknown;
            fold.add(d.subspan(at, length));
            at += length;
        }
    }
    return fold.result();
}

} // namespace

HevcParallelism hevcParallelism(std::span<const std::uint8_t> extradata)
{
    if (extradata.size() < 3)
        return HevcParallelism::Unknown;
    if (startCodeAt(extradata, 0) || (extradata.size() >= 4 && extradata[0] == 0 && startCodeAt(extradata, 1)))
        return fromAnnexB(extradata);
    // hvcC starts with its version, 1; a zero there is taken for Annex B by
    // decoders too, so anything else is read as hvcC and checked as it goes.
    if (extradata[0] == 0)
        return HevcParallelism::Unknown;
    return fromHvcc(extradata);
}

bool rowParallel(const AVCodecParameters& parameters)
{
    if (parameters.codec_id != AV_CODEC_ID_HEVC || !parameters.extradata || parameters.extradata_size <= 0)
        return false;
    const std::span<const std::uint8_t> extradata(parameters.extradata, std::size_t(parameters.extradata_size));
    return hevcParallelism(extradata) == HevcParallelism::Rows;
}

} // namespace tessarin::pipeline
