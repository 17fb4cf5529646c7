#pragma once
// The interface language the operator chose (Italian, English or the
// system's), stored under "Vellumcast.language" and applied at the next
// start, and the relaunch that brings the choice into effect. The relaunch
// asks to quit through the application's quit rule; only when the quit is
// accepted does it arrange the new start, which the program makes at the very
// end of its shutdown and which waits for this process to be gone. Main thread.
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tessarin {

class Settings;

class AppLanguage {
public:
    enum Value { system, italian, english };
    static constexpr const char* kKey = "Vellumcast.language";

    static QString rawValue(Value value);
    // The value whose raw value is exactly raw.
    static std::optional<Value> fromRaw(const QString& raw);
    static QList<Value> allCases() { return { system, italian, english }; }

    // "en" gives english, "it" italian, anything else (also nothing) system.
    static Value chosen(const Settings& settings);
    // Stores the raw value; the running interface does not change.
    static void setChosen(Settings& settings, Value value);
    // The language the running interface uses: italian or english.
    static Value current();
    // What system means on this machine: italian or english.
    static Value systemChoice();
    // The language a start would use for what is stored.
    static Value effective(const Settings& settings);

    // Asks to quit; when the quit is accepted, a new start is arranged for
    // the end of the shutdown. A refused quit changes nothing.
    static void relaunch();
    // The application's quit request: true when the quit goes ahead. Until
    // one is installed the request is a plain application quit.
    static void setQuitRequest(std::function<bool()> request);
    static bool relaunchPending();
    static void cancelRelaunch();
    // At the end of shutdown: starts executable again once the process with
    // pid has ended. False when nothing was pending or the start failed.
    static bool startPendingRelaunch(const QString& executable, qint64 pid);
    // The command that waits for pid to end, then runs executable.
    static QStringList relaunchCommand(const QString& executable, qint64 pid);
};

} // namespace tessarin
