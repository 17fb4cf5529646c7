#pragma once
// Keeps the machine from idling into sleep while held: logind's
// Inhibit("idle:sleep") over the system bus. Without a system bus or logind
// it does nothing. Main thread.
#include <QObject>
#include <QString>

#include <memory>

namespace tessarin {

class PowerInhibitor {
public:
    // Asks logind for the inhibition without waiting for the answer.
    explicit PowerInhibitor(const QString& reason);
    ~PowerInhibitor(); // releases it
    PowerInhibitor(const PowerInhibitor&) = delete;
    PowerInhibitor& operator=(const PowerInhibitor&) = delete;

    // Whether logind has granted it (so far).
    bool isHeld() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace tessarin
