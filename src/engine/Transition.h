#pragma once
// The state of a take's transition as the views, the renderer and the audio
// see it: the style (cut or fade), the program fade level (1 = full picture
// and sound, 0 = black and silent) and the share of program player B in the
// A/B picture. FadeLevel and PlayerMix keep their value twice: under a lock
// for other threads, and as a property for the views on the main thread.
#include <QObject>
#include <QString>

#include <array>
#include <mutex>
#include <optional>

namespace tessarin {

enum class TransitionStyle { cut, fade };

namespace transition {
// Every style in the order of the operator's picker.
constexpr std::array<TransitionStyle, 2> allCases { TransitionStyle::cut, TransitionStyle::fade };
// "cut" or "fade".
QString rawValue(TransitionStyle style);
// Exactly "cut" or "fade" (case-sensitive); nothing for any other text.
std::optional<TransitionStyle> fromRawValue(const QString& raw);
// The label of the picker: the localised text of the key "Cut" or "Fade".
QString title(TransitionStyle style);
// Same as rawValue: the style's identity.
inline QString id(TransitionStyle style) { return rawValue(style); }
} // namespace transition

// A value in 0 ... 1 shared between the main thread and the render thread.
// set() is for the main thread; current() for any thread.
class LockedUnitValue : public QObject {
    Q_OBJECT
public:
    explicit LockedUnitValue(double initial, QObject* parent = nullptr);

    // Main thread: clamps to 0 ... 1 (negative and NaN give 0), stores it
    // under the lock, and announces a change only when the published value
    // differs.
    void set(double value);
    // Any thread: the value under the lock.
    double current() const;

signals:
    // The published value changed (the subclasses' levelChanged / bChanged).
    void publishedChanged();
    // The object's change announcement, after every published change.
    void changed();

protected:
    double published_;

private:
    mutable std::mutex lock_;
    double current_;
};

class FadeLevel final : public LockedUnitValue {
    Q_OBJECT
public:
    explicit FadeLevel(double initial = 1.0, QObject* parent = nullptr)
        : LockedUnitValue(initial, parent)
    {
        connect(this, &LockedUnitValue::publishedChanged, this, &FadeLevel::levelChanged);
    }
    // Main thread: the value for the views.
    double level() const { return published_; }

signals:
    void levelChanged();
};

class PlayerMix final : public LockedUnitValue {
    Q_OBJECT
public:
    explicit PlayerMix(double initial = 0.0, QObject* parent = nullptr)
        : LockedUnitValue(initial, parent)
    {
        connect(this, &LockedUnitValue::publishedChanged, this, &PlayerMix::bChanged);
    }
    // Main thread: the share of player B for the views.
    double b() const { return published_; }

signals:
    void bChanged();
};

} // namespace tessarin
