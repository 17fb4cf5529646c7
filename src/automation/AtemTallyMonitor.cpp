#include "automation/AtemTallyMonitor.h"

#include "platform/Settings.h"

#include <limits>

namespace tessarin {

namespace {

const QString enabledKey = QStringLiteral("Vellumcast.atem.v1.enabled");
const QString hostKey = QStringLiteral("Vellumcast.atem.v1.host");
const QString inputKey = QStringLiteral("Vellumcast.atem.v1.input");

// Spaces, tabs and the other Unicode space separators; line breaks stay.
bool isBlank(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

QString trimmedOfBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

AtemTallyMonitor::AtemTallyMonitor(Settings& settings, QObject* parent)
    : QObject(parent)
    , settings_(settings)
{
    const Stored stored = load(settings_);
    isEnabled_ = stored.enabled;
    host_ = stored.host;
    playoutInputNumber_ = stored.inputNumber;
}

AtemTallyMonitor::Stored AtemTallyMonitor::load(const Settings& settings)
{
    Stored stored;
    stored.enabled = settings.boolValue(enabledKey).value_or(false);
    stored.host = settings.stringValue(hostKey).value_or(QString());
    // A number that does not fit an int is not a usable input number.
    const auto input = settings.intValue(inputKey);
    if (input && *input >= std::numeric_limits<int>::min() && *input <= std::numeric_limits<int>::max())
        stored.inputNumber = static_cast<int>(*input);
    return stored;
}

void AtemTallyMonitor::save()
{
    settings_.setBool(enabledKey, isEnabled_);
    settings_.setString(hostKey, host_);
    settings_.setInt(inputKey, playoutInputNumber_);
}

void AtemTallyMonitor::setEnabled(bool enabled)
{
    isEnabled_ = enabled;
    emit isEnabledChanged();
    emit changed();
    save();
    if (isEnabled_) {
        connect();
    } else {
        setConnected(false);
        setStatusMessage(std::nullopt);
    }
}

void AtemTallyMonitor::setHost(const QString& host)
{
    host_ = host;
    emit hostChanged();
    emit changed();
    save();
}

void AtemTallyMonitor::setPlayoutInputNumber(int number)
{
    playoutInputNumber_ = number;
    emit playoutInputNumberChanged();
    emit changed();
    save();
}

void AtemTallyMonitor::setConnected(bool connected)
{
    isConnected_ = connected;
    emit isConnectedChanged();
    emit changed();
}

void AtemTallyMonitor::setStatusMessage(const std::optional<QString>& message)
{
    statusMessage_ = message;
    emit statusMessageChanged();
    emit changed();
}

void AtemTallyMonitor::connect()
{
    if (!isEnabled_)
        return;
    if (trimmedOfBlanks(host_).isEmpty())
        setStatusMessage(tr("Inserisci l'indirizzo IP della regia"));
    else
        setStatusMessage(tr("Integrazione ATEM non ancora collegata"));
    setConnected(false);
}

} // namespace tessarin
