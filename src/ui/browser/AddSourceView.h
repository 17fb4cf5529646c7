#pragma once
// The small form that adds a manual live source (RTMP or SRT): an optional
// name, the address ffmpeg receives from and, for RTMP, whether to listen
// for an encoder. It only collects the three values: "Aggiungi" hands them
// as typed to onAdd and asks to be dismissed; "Annulla" and Escape only ask
// to be dismissed. "Aggiungi" stays disabled while the address is blank.
// Shown in a popover by the sources tab and by the schedule's event editor,
// usually through presentAddSource(). Main thread.
#include "media/LiveSource.h"

#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QCheckBox;
class QLineEdit;

namespace tessarin {

class Popover;
class SourceLibrary;

class AddSourceView : public QWidget {
    Q_OBJECT
public:
    using OnAdd = std::function<void(const QString& name, const QString& address, bool listen)>;

    AddSourceView(LiveSourceKind kind, OnAdd onAdd, QWidget* parent = nullptr);

    LiveSourceKind kind() const { return kind_; }
    // The explanation under the address field.
    static QString hint(LiveSourceKind kind);

    QLineEdit* nameField() const { return name_; }
    QLineEdit* addressField() const { return address_; }
    // Null in the SRT form.
    QCheckBox* listenToggle() const { return listen_; }
    QAbstractButton* addButton() const { return add_; }
    QAbstractButton* cancelButton() const { return cancel_; }

signals:
    // After "Aggiungi" (onAdd has run), "Annulla" or Escape.
    void dismissRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void submit();
    void updateEnabled();

    const LiveSourceKind kind_;
    OnAdd onAdd_;
    QLineEdit* name_;
    QLineEdit* address_;
    QCheckBox* listen_ = nullptr;
    QAbstractButton* cancel_;
    QAbstractButton* add_;
};

// Shows the form for kind in a popover pointing at anchor. "Aggiungi" adds
// the typed source to library. done runs once, after the popover has closed,
// with the source added, or nullopt when nothing was added ("Annulla",
// Escape, a click outside, an address that is blank once trimmed). The
// popover deletes itself after closing; the pointer returned is only for
// following it (QPointer).
Popover* presentAddSource(QWidget* anchor, LiveSourceKind kind, SourceLibrary& library,
                          std::function<void(std::optional<LiveSource>)> done = {});

} // namespace tessarin
