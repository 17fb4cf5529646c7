#pragma once
// One file in the browser's media list: thumbnail, name and duration, on a
// striped background, or tinted with a bar at the leading edge when
// selected. It follows its own item only, so a thumbnail or duration that
// arrives redraws this row alone; the list may move it to another item as
// rows scroll out of view and others into it. A click and the start of a
// drag are reported to the column, which owns the selection. Main thread.
#include <QPoint>
#include <QPixmap>
#include <QWidget>

#include <memory>

namespace tessarin {

class ElidedLabel;
class MediaFile;
class ThumbnailView;

class BrowserRow : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("accessibleRole", "listItem")
public:
    BrowserRow(std::shared_ptr<MediaFile> file, QWidget* parent = nullptr);

    const std::shared_ptr<MediaFile>& file() const { return file_; }
    // Shows and follows another item; a press on the former one is over.
    void setFile(std::shared_ptr<MediaFile> file);
    int index() const { return index_; }
    void setIndex(int index);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);

    // The live source's name, else the file name without its extension.
    static QString displayName(const MediaFile& file);
    QString durationText() const;
    const ThumbnailView* thumbnail() const { return thumbnail_; }
    // The picture a drag of count files shows.
    QPixmap dragPreview(int count) const;

signals:
    void clicked(Qt::KeyboardModifiers modifiers);
    void dragStarted(const QPoint& hotSpot);
    void contextMenuRequested(const QPoint& globalPos);
    // Up or Down on the focused row: the focus goes that many rows on.
    void stepRequested(int rows);
    void focused();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The context-menu key and Shift+F10 open the row's menu under it.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void follow();
    void showThumbnail();
    void showDuration();

    std::shared_ptr<MediaFile> file_;
    int index_ = 0;
    bool selected_ = false;
    ThumbnailView* thumbnail_;
    ElidedLabel* name_;
    ElidedLabel* duration_;
    QPoint pressPos_;
    bool pressed_ = false;
};

} // namespace tessarin
