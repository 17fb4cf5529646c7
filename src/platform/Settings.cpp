#include "platform/Settings.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessarin {
namespace {

// The file may hold a stream address (when no keyring takes it), so only its
// owner may read it. It is made here with that mode when missing; each save
// replaces it with a new file that keeps the mode of the one it replaces.
void restrictToOwner(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
}

} // namespace

Settings::Settings()
    : store_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Vellumcast", "Vellumcast"))
{
    restrictToOwner(store_->fileName());
}

Settings::Settings(ReadOnly)
    : store_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Vellumcast", "Vellumcast"))
{
}

Settings::Settings(const QString& iniPath)
    : store_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
    restrictToOwner(store_->fileName());
}

Settings::~Settings() = default;

bool Settings::contains(const QString& key) const
{
    return store_->contains(key);
}

std::optional<QString> Settings::stringValue(const QString& key) const
{
    const QVariant value = store_->value(key);
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(',')); // an unquoted comma in a hand-edited file
    if (value.canConvert<QString>())
        return value.toString();
    return std::nullopt;
}

std::optional<bool> Settings::boolValue(const QString& key) const
{
    const auto text = stringValue(key);
    if (!text)
        return std::nullopt;
    const QString t = text->trimmed().toLower();
    if (t == "true" || t == "1")
        return true;
    if (t == "false" || t == "0")
        return false;
    return std::nullopt;
}

std::optional<double> Settings::doubleValue(const QString& key) const
{
    const auto text = stringValue(key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const double value = text->trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<qint64> Settings::intValue(const QString& key) const
{
    const auto text = stringValue(key);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text->trimmed().toLongLong(&ok);
    if (ok)
        return value;
    // A whole number written as a double ("3.0") still counts.
    const double d = text->trimmed().toDouble(&ok);
    if (ok && std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15)
        return static_cast<qint64>(d);
    return std::nullopt;
}

void Settings::setString(const QString& key, const QString& value) { write(key, value); }
void Settings::setBool(const QString& key, bool value) { write(key, value ? QStringLiteral("true") : QStringLiteral("false")); }
void Settings::setInt(const QString& key, qint64 value) { write(key, QString::number(value)); }

void Settings::setDouble(const QString& key, double value)
{
    // Shortest text that reads back as the same double.
    write(key, QString::number(value, 'g', 17));
}

void Settings::remove(const QString& key)
{
    store_->remove(key);
    emit changed(key);
}

void Settings::sync() { store_->sync(); }
QString Settings::fileName() const { return store_->fileName(); }

void Settings::write(const QString& key, const QVariant& value)
{
    store_->setValue(key, value);
    emit changed(key);
}

} // namespace tessarin
