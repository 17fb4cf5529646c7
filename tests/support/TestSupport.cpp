#include "support/TestSupport.h"

#include "platform/Workers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QThread>

#include <cstdlib>

namespace tessarin::test {

QString mediaPath(const QString& name)
{
    return QStringLiteral(TESSARIN_TEST_MEDIA_DIR "/") + name;
}

bool waitUntil(const std::function<bool()>& pred, double timeoutSeconds)
{
    QElapsedTimer timer;
    timer.start();
    const qint64 limit = static_cast<qint64>(timeoutSeconds * 1000.0);
    while (!pred()) {
        if (timer.elapsed() > limit)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QFileDialog* shownFileDialog(QWidget& parent)
{
    QFileDialog* found = nullptr;
    waitUntil([&] {
        found = parent.findChild<QFileDialog*>();
        return found && found->isVisible();
    });
    return found && found->isVisible() ? found : nullptr;
}

Sanitizer buildSanitizer()
{
#if defined(TESSARIN_TEST_SANITIZER_ADDRESS)
    return Sanitizer::address;
#elif defined(TESSARIN_TEST_SANITIZER_THREAD)
    return Sanitizer::thread;
#else
    return Sanitizer::none;
#endif
}

void drainMainQueue()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

namespace {

void setTimeZone(const std::optional<std::string>& tz)
{
    if (tz)
        setenv("TZ", tz->c_str(), 1);
    else
        unsetenv("TZ");
}

} // namespace

ScopedTimeZone::ScopedTimeZone(const std::optional<std::string>& tz)
{
    if (const char* old = std::getenv("TZ"))
        old_ = old;
    setTimeZone(tz);
}

ScopedTimeZone::~ScopedTimeZone()
{
    setTimeZone(old_);
}

LoweringOn::LoweringOn() : was_(Workers::isLoweringEnabled())
{
    Workers::setLoweringEnabled(true);
}

LoweringOn::~LoweringOn()
{
    Workers::setLoweringEnabled(was_);
}

} // namespace tessarin::test
