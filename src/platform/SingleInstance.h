#pragma once
// One running program per desktop session: the first start owns a name on
// the session bus; a later start asks the owner to bring its window to the
// front, or to open the show it was given, and ends. Without a session bus every start runs on its own.
// Main thread.
#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace tessarin {

class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vellumcast.Tessarin")
public:
    static constexpr const char* kService = "org.vellumcast.Tessarin";
    static constexpr const char* kPath = "/org/vellumcast/Tessarin";

    explicit SingleInstance(QDBusConnection connection = QDBusConnection::sessionBus(),
                            QString service = QLatin1String(kService), QObject* parent = nullptr);
    ~SingleInstance() override; // gives the name back

    // True when this is the program that runs: the name was free (it is
    // now this one's), or there is no session bus to ask.
    bool claim();

    // Any thread: asks the owner of service on connection's bus to come to
    // the front; true when it answered within timeoutSeconds. The owner
    // answers from its event loop, which runs once its window is made and
    // its show opened: a start that comes while the other still starts waits
    // for that, not just for a quick answer.
    static bool activateRunning(QDBusConnection connection, const QString& service = QLatin1String(kService),
                                double timeoutSeconds = 30.0);
    // The same, asking the owner to open the show file at path (absolute).
    static bool openInRunning(QDBusConnection connection, const QString& path,
                              const QString& service = QLatin1String(kService), double timeoutSeconds = 30.0);

public slots:
    // Called over the bus by a later start.
    Q_SCRIPTABLE void Activate();
    Q_SCRIPTABLE void Open(const QString& path);

signals:
    // A later start asked for the window.
    void activationRequested();
    // A later start was given a show file; the window was asked for too.
    // The call has been answered before the receiver asks any question.
    void openRequested(const QString& path);

private:
    QDBusConnection connection_;
    QString service_;
    bool owned_ = false;
};

} // namespace tessarin
