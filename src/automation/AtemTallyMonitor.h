#pragma once
// The settings of the take driven by an ATEM vision mixer: whether the link
// is on, the mixer's address as typed and the input that carries this
// program. It opens no network connection: connect() only reports whether an
// address is there, isConnected stays false and nothing calls onProgramCut.
// Main thread only.
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace tessarin {

class Settings;

class AtemTallyMonitor : public QObject {
    Q_OBJECT
public:
    explicit AtemTallyMonitor(Settings& settings, QObject* parent = nullptr);

    bool isEnabled() const { return isEnabled_; }
    // Stores, saves all three settings, then connects (on) or clears the
    // link state (off).
    void setEnabled(bool enabled);

    const QString& host() const { return host_; }
    // Stored and saved as typed (untrimmed, not validated).
    void setHost(const QString& host);

    int playoutInputNumber() const { return playoutInputNumber_; }
    // Stored and saved unchanged (the settings page offers 1...40).
    void setPlayoutInputNumber(int number);

    bool isConnected() const { return isConnected_; }
    void setConnected(bool connected);

    const std::optional<QString>& statusMessage() const { return statusMessage_; }
    void setStatusMessage(const std::optional<QString>& message);

    // Called when the playout input goes to program on the mixer.
    std::function<void()> onProgramCut;

    // With the link on: a status text that says whether an address is
    // there; never connects.
    void connect();

signals:
    void isEnabledChanged();
    void hostChanged();
    void playoutInputNumberChanged();
    void isConnectedChanged();
    void statusMessageChanged();
    void changed();

private:
    struct Stored {
        bool enabled = false;
        QString host;
        int inputNumber = 1;
    };
    static Stored load(const Settings& settings);
    void save();

    Settings& settings_;
    bool isEnabled_ = false;
    QString host_;
    int playoutInputNumber_ = 1;
    bool isConnected_ = false;
    std::optional<QString> statusMessage_;
};

} // namespace tessarin
