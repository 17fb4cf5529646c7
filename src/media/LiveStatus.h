#pragma once
// The state a live input reports: idle, connecting, live, or failed with
// the message shown to the operator. A plain value, safe to copy across threads.
#include <QMetaType>
#include <QString>

namespace tessarin {

class LiveStatus {
public:
    enum class Case { failed, idle, connecting, live };

    LiveStatus() = default; // idle

    static LiveStatus failed(QString message) { return LiveStatus(Case::failed, std::move(message)); }
    static LiveStatus idle() { return LiveStatus(Case::idle, {}); }
    static LiveStatus connecting() { return LiveStatus(Case::connecting, {}); }
    static LiveStatus live() { return LiveStatus(Case::live, {}); }

    Case kind() const { return case_; }
    bool isFailed() const { return case_ == Case::failed; }
    // The operator's message of a failed status; empty for the others.
    const QString& message() const { return message_; }

    // Same case, and for failed the same message.
    friend bool operator==(const LiveStatus&, const LiveStatus&) = default;

private:
    LiveStatus(Case c, QString message) : case_(c), message_(std::move(message)) {}

    Case case_ = Case::idle;
    QString message_;
};

} // namespace tessarin

Q_DECLARE_METATYPE(tessarin::LiveStatus)
