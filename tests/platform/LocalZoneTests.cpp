// The process's zone in every form TZ takes, against the C library's
// localtime_r at every instant (through 2100, after zone files' last
// transitions, with fat and slim files); a TZ that names no zone is said
// once, never taken silently for another zone.
#include "platform/LocalZone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include <unistd.h>

using namespace tessarin;

namespace {

using std::chrono::seconds;

constexpr std::int64_t from1901 = -2177452800;
constexpr std::int64_t to2101 = 4133980800;

// The C library's offset at a Unix time under the process's TZ.
long cOffset(std::int64_t at)
{
    const std::time_t time = static_cast<std::time_t>(at);
    std::tm fields{};
    localtime_r(&time, &fields);
    return fields.tm_gmtoff;
}

long offset(const LocalZone& zone, std::int64_t at)
{
    const date::sys_seconds instant{seconds{at}};
    return static_cast<long>((zone.toLocal(instant).time_since_epoch() - instant.time_since_epoch()).count());
}

// Compares the zone with the C library under TZ every few days from 1901 to
// 2100 and at each change the C library makes, to the second; returns the
// number of changes seen.
int expectAgreement(const std::optional<std::string>& tz)
{
    const test::ScopedTimeZone scoped(tz);
    tzset();
    const LocalZone zone = LocalZone::forTz(tz);
    constexpr std::int64_t step = 3 * 86400 + 3607;
    int changes = 0;
    int faults = 0;
    for (std::int64_t at = from1901; at < to2101 && faults < 5; at += step) {
        if (cOffset(at) != cOffset(at + step)) {
            // The change to the second, then both sides of it.
            std::int64_t low = at, high = at + step;
            while (high - low > 1)
                (cOffset(low + (high - low) / 2) == cOffset(at) ? low : high) = low + (high - low) / 2;
            ++changes;
            for (const std::int64_t near : {low, high}) {
                if (offset(zone, near) != cOffset(near)) {
                    ++faults;
                    ADD_FAILURE() << "at " << near << ": " << offset(zone, near) << " against " << cOffset(near);
                }
            }
        }
        if (offset(zone, at) != cOffset(at)) {
            ++faults;
            ADD_FAILURE() << "at " << at << ": " << offset(zone, at) << " against " << cOffset(at);
        }
    }
    return changes;
}

// The instant of a UTC calendar time.
std::int64_t utc(int year, unsigned month, unsigned day, int hour = 12)
{
    const date::sys_seconds noon = date::sys_days{date::year{year} / date::month{month} / date::day{day}}
        + std::chrono::hours{hour};
    return noon.time_since_epoch().count();
}

// Forms TZ takes, and whether each names a zone (one that does not is read
// as the C library reads it, and said once).
const struct Form {
    std::optional<std::string> tz;
    bool known = true;
} forms[] = {
    {"Europe/Rome"}, {"America/New_York"}, {"Australia/Sydney"}, {"Pacific/Apia"}, {"Europe/Dublin"},
    {"America/Sao_Paulo"}, {"Asia/Tehran"}, {"Africa/Casablanca"}, {":Europe/Rome"},
    {"/usr/share/zoneinfo/Europe/Rome"}, {"CET-1CEST,M3.5.0,M10.5.0/3"}, {"NZST-12NZDT,M9.5.0,M4.1.0/3"},
    {"<+0330>-3:30<+0430>,J79/24,J263/24"}, {"EST5EDT"}, {"<-03>3<-02>,M3.5.0/-2,M10.5.0/-1"}, {"<+14>-14"},
    {"EST5"}, {""}, {":"}, {std::nullopt}, {":CET-1CEST"}, {"XYZ", false}, {"Mars/Olympus", false},
    {"/no/such/zone", false}, {":Mars", false}, {"EST5EDT,garbage", false}, {"CET-1x", false},
};

} // namespace

TEST(LocalZoneTest, EveryFormOfTzAgreesWithTheCLibraryThrough2100)
{
    for (const Form& form : forms) {
        SCOPED_TRACE(form.tz.value_or("(unset)"));
        expectAgreement(form.tz);
    }
    // Facts the oracle itself could get wrong.
    const LocalZone rome = *LocalZone::named("Europe/Rome");
    EXPECT_EQ(offset(rome, utc(2040, 7, 1)), 7200);
    EXPECT_EQ(offset(rome, utc(2100, 1, 1)), 3600);
    EXPECT_EQ(offset(*LocalZone::named("Australia/Sydney"), utc(2100, 1, 1)), 11 * 3600);
}

TEST(LocalZoneTest, ADaylightTimeWithoutChangesIsReadAsTheCLibraryReadsIt)
{
    // The C library takes posixrules' transitions and, after them, its
    // footer as it is; it keeps state of such a rule between TZ values, so
    // each is compared in a process of its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char* tz : {"CET-1CEST", "AAA5BBB3", "<-02>2<-01>,"}) {
        SCOPED_TRACE(tz);
        EXPECT_EXIT(
            {
                expectAgreement(std::string(tz));
                std::exit(testing::Test::HasFailure() ? 1 : 0);
            },
            testing::ExitedWithCode(0), "");
    }
}

TEST(LocalZoneTest, FatAndSlimZoneFilesAgreeWithTheCLibrary)
{
    // zic comes with the C library (libc-bin), in the administrator's folder.
    const std::string zic = "/usr/sbin/zic";
    if (access(zic.c_str(), X_OK) != 0)
        GTEST_SKIP() << "zic is not installed";
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    std::ofstream(root + "/test.zi") << R"(
Rule	EU	1981	max	-	Mar	lastSun	 1:00u	1:00	S
Rule	EU	1979	1995	-	Sep	lastSun	 1:00u	0	-
Rule	EU	1996	max	-	Oct	lastSun	 1:00u	0	-
Rule	Sam	2012	max	-	Apr	Sun>=1	4:00	0	-
Rule	Sam	2012	max	-	Sep	lastSun	3:00	1	-
Zone	Test/Rome	0:49:56 -	LMT	1866 Dec 12
			1:00	-	CET	1980
			1:00	EU	CE%sT
Zone	Test/South	-11:26:56 -	LMT	1892 Jul  5
			-11:00	-	-11	2011 Dec 30
			13:00	Sam	+13/+14
Zone	Test/Fixed	1:00	-	CET
)";
    for (const char* size : {"fat", "slim"}) {
        SCOPED_TRACE(size);
        const std::string into = root + "/" + size;
        const std::string command = zic + " -b " + size + " -d " + into + " " + root + "/test.zi";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        for (const char* name : {"Test/Rome", "Test/South", "Test/Fixed"}) {
            SCOPED_TRACE(name);
            EXPECT_GT(expectAgreement(into + "/" + name), std::string(name) == "Test/Fixed" ? -1 : 100);
            setenv("TZDIR", into.c_str(), 1);
            expectAgreement(std::string(name));
            unsetenv("TZDIR");
        }
        const LocalZone rome = LocalZone::forTz(into + "/Test/Rome");
        EXPECT_EQ(offset(rome, utc(2025, 1, 15)), 3600);
        EXPECT_EQ(offset(rome, utc(2040, 7, 1)), 7200);
    }
}

TEST(LocalZoneTest, LocalTimesTurnBackIntoTheirInstants)
{
    // A gap's local time is the instant that ends the gap; a repeated one the
    // earlier instant; any other its only instant, through 2100.
    for (const char* name : {"Europe/Rome", "Australia/Sydney", "Pacific/Apia"}) {
        SCOPED_TRACE(name);
        const LocalZone zone = *LocalZone::named(name);
        for (std::int64_t at = utc(2030, 1, 1); at < to2101; at += 86400 * 5 + 3599) {
            const date::sys_seconds instant{seconds{at}};
            const date::sys_seconds back = zone.fromLocal(zone.toLocal(instant));
            const date::sys_seconds hourEarlier = instant - std::chrono::hours{1};
            EXPECT_TRUE(back == instant || (back == hourEarlier && zone.toLocal(back) == zone.toLocal(instant)))
                << at;
        }
    }
    const LocalZone rome = *LocalZone::named("Europe/Rome");
    using namespace date;
    // 2040: spring forward on 25 March at 02:00, back on 28 October at 03:00.
    EXPECT_EQ(rome.fromLocal(local_days{2040_y / March / 25} + std::chrono::minutes{150}),
              sys_days{2040_y / March / 25} + std::chrono::hours{1});
    EXPECT_EQ(rome.fromLocal(local_days{2040_y / October / 28} + std::chrono::minutes{150}),
              sys_days{2040_y / October / 28} + std::chrono::minutes{30});
}

TEST(LocalZoneTest, ATzThatNamesNoZoneIsReportedOnceAndReadAsTheCLibraryReadsIt)
{
    const date::sys_seconds noon{std::chrono::seconds{1719835200}}; // 2024-07-01 12:00 UTC
    for (const Form& form : forms) {
        SCOPED_TRACE(form.tz.value_or("(unset)"));
        const test::ScopedTimeZone tz(form.tz);
        testing::internal::CaptureStderr();
        const LocalZone zone = LocalZone::process();
        EXPECT_EQ(LocalZone::process(), zone);
        const std::string said = testing::internal::GetCapturedStderr();
        if (form.known) {
            EXPECT_EQ(said, "");
        } else {
            EXPECT_NE(said.find(*form.tz), std::string::npos) << said;
            EXPECT_EQ(said.find('\n'), said.size() - 1) << said; // once
        }
    }
    const test::ScopedTimeZone tz("XYZ");
    EXPECT_EQ(LocalZone::process().toLocal(noon).time_since_epoch(), noon.time_since_epoch());
}

TEST(LocalZoneTest, TheProcessZoneFollowsAChangedZoneFile)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/zone";
    const auto copy = [&](const char* name) {
        std::ifstream from(std::string("/usr/share/zoneinfo/") + name, std::ios::binary);
        std::ofstream(path + ".new", std::ios::binary) << from.rdbuf();
        std::rename((path + ".new").c_str(), path.c_str());
    };
    copy("Europe/Rome");
    const test::ScopedTimeZone tz(path);
    const std::int64_t winter = utc(2030, 1, 1);
    EXPECT_EQ(offset(LocalZone::process(), winter), 3600);
    copy("America/New_York");
    EXPECT_EQ(offset(LocalZone::process(), winter), -5 * 3600);
}
