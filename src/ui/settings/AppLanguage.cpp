#include "ui/settings/AppLanguage.h"

#include "platform/Localization.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QProcess>

namespace tessarin {
namespace {

std::function<bool()>& quitRequest()
{
    static std::function<bool()> request;
    return request;
}

bool pending = false;

} // namespace

QString AppLanguage::rawValue(Value value)
{
    switch (value) {
    case italian:
        return QStringLiteral("it");
    case english:
        return QStringLiteral("en");
    case system:
        break;
    }
    return QStringLiteral("system");
}

std::optional<AppLanguage::Value> AppLanguage::fromRaw(const QString& raw)
{
    for (Value v : allCases())
        if (rawValue(v) == raw)
            return v;
    return std::nullopt;
}

AppLanguage::Value AppLanguage::chosen(const Settings& settings)
{
    const QString raw = settings.stringValue(QLatin1String(kKey)).value_or(QString());
    if (raw == QLatin1String("en"))
        return english;
    if (raw == QLatin1String("it"))
        return italian;
    return system;
}

void AppLanguage::setChosen(Settings& settings, Value value)
{
    settings.setString(QLatin1String(kKey), rawValue(value));
}

AppLanguage::Value AppLanguage::current()
{
    return Localization::current().startsWith(QLatin1String("en")) ? english : italian;
}

AppLanguage::Value AppLanguage::systemChoice()
{
    return Localization::systemLanguage() == QLatin1String("en") ? english : italian;
}

AppLanguage::Value AppLanguage::effective(const Settings& settings)
{
    const Value value = chosen(settings);
    return value == system ? systemChoice() : value;
}

void AppLanguage::setQuitRequest(std::function<bool()> request)
{
    quitRequest() = std::move(request);
}

void AppLanguage::relaunch()
{
    // Armed before asking, so a quit that ends the event loop at once still
    // finds it; taken back when the quit is refused.
    pending = true;
    const bool quitting = quitRequest() ? quitRequest()() : (QCoreApplication::quit(), true);
    if (!quitting)
        pending = false;
}

bool AppLanguage::relaunchPending()
{
    return pending;
}

void AppLanguage::cancelRelaunch()
{
    pending = false;
}

QStringList AppLanguage::relaunchCommand(const QString& executable, qint64 pid)
{
    // The old process counts as gone once /proc no longer lists it or lists
    // it as a zombie that its parent has not reaped yet.
    const QString script = QStringLiteral(
        "while [ -e /proc/$1 ] && ! grep -q '^[0-9]* (.*) Z' /proc/$1/stat 2>/dev/null; do sleep 0.1; done; "
        "exec \"$0\"");
    return { QStringLiteral("-c"), script, executable, QString::number(pid) };
}

bool AppLanguage::startPendingRelaunch(const QString& executable, qint64 pid)
{
    if (!pending)
        return false;
    pending = false;
    return QProcess::startDetached(QStringLiteral("/bin/sh"), relaunchCommand(executable, pid));
}

} // namespace tessarin
