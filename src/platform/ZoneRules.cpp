#include "platform/ZoneRules.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace tessarin {

namespace {

// Zone files are a few kilobytes; anything far larger is not one.
constexpr std::streamsize largestFile = 1 << 20;
constexpr std::size_t headerSize = 44;

// A big-endian reader over the file's bytes that fails past their end.
class Bytes {
public:
    explicit Bytes(const std::string& data) : data_(data) {}

    bool has(std::size_t count) const { return count <= data_.size() - at_; }
    std::size_t at() const { return at_; }
    void skip(std::size_t count) { at_ += count; }
    std::int64_t number(int width)
    {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i)
            value = value << 8 | static_cast<unsigned char>(data_[at_++]);
        if (width == 4)
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return static_cast<std::int64_t>(value);
    }
    std::uint8_t byte() { return static_cast<std::uint8_t>(data_[at_++]); }

private:
    const std::string& data_;
    std::size_t at_ = 0;
};

struct Counts {
    std::size_t universal, standard, leaps, transitions, types, characters;

    std::size_t dataSize(std::size_t timeWidth) const
    {
        return transitions * (timeWidth + 1) + types * 6 + characters + leaps * (timeWidth + 4) + standard + universal;
    }
};

std::optional<Counts> header(Bytes& bytes, char& version)
{
    if (!bytes.has(headerSize))
        return std::nullopt;
    const std::size_t from = bytes.at();
    Bytes magic = bytes;
    if (magic.number(4) != 0x545A6966) // "TZif"
        return std::nullopt;
    version = static_cast<char>(magic.byte());
    bytes.skip(20);
    Counts counts{};
    for (std::size_t* count : {&counts.universal, &counts.standard, &counts.leaps, &counts.transitions,
                               &counts.types, &counts.characters})
        *count = static_cast<std::uint32_t>(bytes.number(4));
    if (bytes.at() != from + headerSize || counts.types == 0 || counts.types > 256
        || (counts.standard != 0 && counts.standard != counts.types)
        || (counts.universal != 0 && counts.universal != counts.types))
        return std::nullopt;
    return counts;
}

} // namespace

std::optional<ZoneRules> ZoneRules::readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    const std::streamsize size = file ? static_cast<std::streamsize>(file.tellg()) : -1;
    if (size <= 0 || size > largestFile)
        return std::nullopt;
    std::string data(static_cast<std::size_t>(size), '\0');
    if (!file.seekg(0) || !file.read(data.data(), size))
        return std::nullopt;

    Bytes bytes(data);
    char version = 0;
    auto counts = header(bytes, version);
    if (!counts)
        return std::nullopt;
    std::size_t timeWidth = 4;
    if (version >= '2') {
        // The 64-bit data after the version 1 data holds every transition.
        if (!bytes.has(counts->dataSize(4)))
            return std::nullopt;
        bytes.skip(counts->dataSize(4));
        counts = header(bytes, version);
        if (!counts)
            return std::nullopt;
        timeWidth = 8;
    }
    if (!bytes.has(counts->dataSize(timeWidth)))
        return std::nullopt;

    ZoneRules zone;
    for (std::size_t i = 0; i < counts->transitions; ++i)
        zone.transitions_.push_back(bytes.number(static_cast<int>(timeWidth)));
    for (std::size_t i = 0; i < counts->transitions; ++i) {
        zone.typeAfter_.push_back(bytes.byte());
        if (zone.typeAfter_.back() >= counts->types)
            return std::nullopt;
    }
    for (std::size_t i = 0; i < counts->types; ++i) {
        Type type;
        type.offset = static_cast<int>(bytes.number(4));
        const std::uint8_t daylight = bytes.byte();
        const std::uint8_t name = bytes.byte();
        if (daylight > 1 || name >= counts->characters)
            return std::nullopt;
        type.daylight = daylight == 1;
        zone.types_.push_back(type);
    }
    bytes.skip(counts->characters + counts->leaps * (timeWidth + 4));
    for (std::size_t i = 0; i < counts->standard; ++i)
        zone.types_[i].standardClock = bytes.byte() != 0;
    for (std::size_t i = 0; i < counts->universal; ++i)
        zone.types_[i].universalClock = bytes.byte() != 0;

    // The footer: "\n" rule "\n"; an empty one gives no rule.
    if (timeWidth == 8 && bytes.has(2) && data[bytes.at()] == '\n') {
        const std::size_t from = bytes.at() + 1;
        const std::size_t end = data.find('\n', from);
        if (end != std::string::npos && end > from)
            zone.rule_ = PosixTimeZone::parse(std::string_view(data).substr(from, end - from));
    }
    return zone;
}

ZoneRules ZoneRules::fromRule(const PosixTimeZone& rule)
{
    ZoneRules zone;
    zone.rule_ = rule;
    return zone;
}

int ZoneRules::offsetAt(std::int64_t unixTime) const
{
    if (types_.empty())
        return rule_ ? rule_->offsetAt(unixTime) : 0;
    if (transitions_.empty() || unixTime < transitions_.front()) {
        // Before the first transition: the first standard time there is.
        const auto standard = std::find_if(types_.begin(), types_.end(), [](const Type& type) { return !type.daylight; });
        return (standard != types_.end() ? *standard : types_.front()).offset;
    }
    if (unixTime >= transitions_.back() && rule_)
        return rule_->offsetAt(unixTime);
    const auto after = std::upper_bound(transitions_.begin(), transitions_.end(), unixTime);
    return types_[typeAfter_[static_cast<std::size_t>(std::distance(transitions_.begin(), after)) - 1]].offset;
}

std::optional<ZoneRules> ZoneRules::carrying(const PosixTimeZone& rule) const
{
    if (types_.size() < 2)
        return std::nullopt;
    // The C library moves a transition in wall-clock time from this zone's
    // standard offset (that of its latest transition into standard time) to
    // the rule's, and one made during daylight time by the rule's daylight
    // offset alone (as measured of glibc 2.36).
    int fromStandard = types_.front().offset;
    const auto latestStandard = std::find_if(typeAfter_.rbegin(), typeAfter_.rend(),
                                             [&](std::uint8_t type) { return !types_[type].daylight; });
    if (latestStandard != typeAfter_.rend())
        fromStandard = types_[*latestStandard].offset;
    else if (!transitions_.empty())
        fromStandard = 0;

    const int standard = rule.standardOffset();
    const int daylight = rule.daylightOffset();
    ZoneRules carried;
    carried.types_ = {Type{standard, false, false, false}, Type{daylight, true, false, false}};
    bool wasDaylight = false;
    for (std::size_t i = 0; i < transitions_.size(); ++i) {
        const Type& type = types_[typeAfter_[i]];
        std::int64_t at = transitions_[i];
        if (!type.universalClock)
            at += wasDaylight && !type.standardClock ? daylight : standard - fromStandard;
        carried.transitions_.push_back(at);
        carried.typeAfter_.push_back(type.daylight ? 1 : 0);
        wasDaylight = type.daylight;
    }
    // After the last transition the footer goes on as it is, offsets and all.
    carried.rule_ = rule_;
    return carried;
}

} // namespace tessarin
