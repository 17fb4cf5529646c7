#pragma once
// The user's settings: an INI file in the user's config folder (organisation
// and application "Vellumcast"), keys exactly as the owners name them.
// INI keeps no types, so each typed read parses the stored text and answers
// "absent" (std::nullopt) when the key is missing or does not parse as asked.
// Main thread only.
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace tessarin {

class Settings : public QObject {
    Q_OBJECT
public:
    // The user's own settings file.
    Settings();
    // A private file (tests, tools).
    explicit Settings(const QString& iniPath);
    // The user's own settings file, only to be read: a missing file is not
    // made (answering --help leaves nothing behind).
    struct ReadOnly {};
    explicit Settings(ReadOnly);
    ~Settings() override;

    bool contains(const QString& key) const;
    std::optional<QString> stringValue(const QString& key) const;
    std::optional<bool> boolValue(const QString& key) const;
    std::optional<double> doubleValue(const QString& key) const;
    std::optional<qint64> intValue(const QString& key) const;

    void setString(const QString& key, const QString& value);
    void setBool(const QString& key, bool value);
    void setDouble(const QString& key, double value);
    void setInt(const QString& key, qint64 value);
    void remove(const QString& key);

    // Writes pending changes to disk.
    void sync();
    QString fileName() const;

signals:
    // After every write or removal of key through this object.
    void changed(const QString& key);

private:
    void write(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> store_;
};

} // namespace tessarin
