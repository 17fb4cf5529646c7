#pragma once
// Helpers shared by the test suites.
#include <QString>

class QFileDialog;
class QWidget;

#include <functional>
#include <optional>
#include <string>

namespace tessarin::test {

// A file of the media made for the tests (see make_test_media.sh).
QString mediaPath(const QString& name);

// Runs the main thread's events until pred holds or timeoutSeconds pass;
// returns pred's last answer. For waiting on real background work only;
// time-driven behaviour is driven with ManualClock instead.
bool waitUntil(const std::function<bool()>& pred, double timeoutSeconds = 10.0);

// Runs the events already queued on the main thread.
void drainMainQueue();

// The file dialog of parent once it is shown (waited for up to ten seconds
// of real time: a real dialog opens on its own), or null.
QFileDialog* shownFileDialog(QWidget& parent);

// The sanitizer this build runs under (address stands for AddressSanitizer
// with UBSan and LSan).
enum class Sanitizer { none, address, thread };
Sanitizer buildSanitizer();

// Skips a test that cannot hold its timing under the given sanitizer, with
// the reason; the sanitizer-free build and the other sanitizer keep it.
#define TESSARIN_SKIP_UNDER_SANITIZER(kind, reason)                                                              \
    if (::tessarin::test::buildSanitizer() == ::tessarin::test::Sanitizer::kind)                                 \
    GTEST_SKIP() << "under the " #kind " sanitizer: " << (reason)

// Sets TZ (unset for none) for its lifetime and puts the old value back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const std::optional<std::string>& tz);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> old_;
};

// Test processes run analyses at their own priority (see TestMain.cpp); a
// test of the lowering itself turns it on for its own length.
class LoweringOn {
public:
    LoweringOn();
    ~LoweringOn();
    LoweringOn(const LoweringOn&) = delete;
    LoweringOn& operator=(const LoweringOn&) = delete;

private:
    bool was_;
};

} // namespace tessarin::test
