#pragma once
// Painted pieces of an item row, each redrawn on its own: the select area
// (thumbnail or live tile, name and subtitle, the ON AIR / PAUSA / CUE mark;
// the row's drag source), the gain read-out and the play button that shows a
// progress mark while a still image's clip is being made. None of them asks
// its parents for a new layout when its text changes. Main thread.
#include "ui/kit/Buttons.h"
#include "ui/kit/ShapedLine.h"
#include "ui/playlist/PlaylistDrag.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace tessarin {

class Stepper;

class RowSelectArea : public QWidget {
    Q_OBJECT
public:
    struct Look {
        QString name;
        QFont nameFont;
        QColor nameColor;
        // Subtitle in up to two runs (the live line and its status words);
        // unused while a widget (the still image's stepper) stands there.
        QString subtitle;
        QFont subtitleFont;
        QColor subtitleColor;
        QString status;
        QColor statusColor;
        bool operator==(const Look&) const = default;
    };

    // The capsule at the area's trailing edge: what is on air ("ON AIR",
    // "PAUSA" while paused) or cued ("CUE"). The name gives way to it.
    enum class Mark { none, onAir, paused, cue };

    RowSelectArea(const QString& selectHelp, const QString& subtitleHelp, QWidget* parent);
    void setLook(const Look& look);
    void setMark(Mark mark);
    Mark mark() const { return mark_; }
    // Where the mark is drawn (empty without one).
    QRect markRect() const;
    const Look& look() const { return look_; }
    // The live tile (symbol on a live-coloured tile) or the thumbnail with a
    // placeholder symbol for when there is no picture. The thumbnail is drawn
    // here, scaled once, rather than by a child widget of its own.
    void setLiveTile(const QString& symbol);
    void setThumbnail(const QImage& image, const QString& placeholder);
    // A widget shown in the subtitle's place (reparented here).
    void setSubtitleWidget(QWidget* widget);
    // The width the row gives from this area to a mark beside it (a failed
    // file's warning): counted as the area's for the tile, so that the tile
    // stays as wide as its kind's and the name starts where the others do.
    void setLentWidth(int width);
    // The texts as drawn at the present width, cut where they do not fit.
    QString shownName() const;
    QString shownSubtitle() const;
    QString shownStatus() const;
    // Where the name and the lines under it start, from the area's left.
    int textLeft() const { return metricsFor(width()).textX; }

    std::function<void()> onSelect;
    std::function<void()> onDragStart;

    // The status words stand under the live line (the row is one line taller).
    bool isStatusBelow() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Where things stand at a width: the tile's width, the text's left edge
    // and width, and whether the status words go under the live line.
    struct Metrics {
        int tile = 0;
        int textX = 0;
        int textWidth = 0;
        bool statusBelow = false;
    };
    Metrics metricsFor(int width) const;
    // The name's, the subtitle's and the status words' widths, for the look.
    struct Measured {
        bool valid = false;
        int name = 0;
        int subtitle = 0;
        int status = 0;
    };
    const Measured& measured() const;
    // The texts as cut for a width (-1: not worked out yet).
    struct Shown {
        int width = -1;
        ShapedLine name;
        ShapedLine subtitle;
        ShapedLine status;
    };
    const Shown& shown() const;
    QPixmap roundedThumbnail(int tile) const;
    QSize markSize() const;
    // The mark's width and the gap before it (0 without one).
    int markRoom() const;
    // The same for the widest mark: what the size hints keep whatever the mark.
    static int widestMarkRoom();
    int textHeight(const Metrics& m) const;
    // The subtitle's part that is never cut: the length, the live line or
    // the stepper's narrowest.
    int essentialWidth() const;
    void followLines();
    int nameHeight() const;
    int subtitleHeight() const;
    QRect subtitleRect() const;
    // Where the status words start, from the text's leading edge (once the
    // subtitle is cut).
    int statusOffset() const;

    Look look_;
    QString selectHelp_;
    QString subtitleHelp_;
    bool liveTile_ = false;
    int lent_ = 0;
    QString symbol_;
    QPixmap thumbnail_;
    QWidget* subtitleWidget_ = nullptr;
    PlaylistDrag::PendingPress press_;
    bool statusBelow_ = false;
    Mark mark_ = Mark::none;
    mutable Measured measured_;
    mutable Shown shown_;
    mutable QPixmap rounded_;
    mutable int roundedWidth_ = -1;
};

// A one-line text of fixed size that only repaints when it changes.
class ReadoutLabel : public QWidget {
    Q_OBJECT
public:
    ReadoutLabel(const QSize& size, const QFont& font, QWidget* parent);
    void setText(const QString& text, const QColor& color);
    const QString& text() const { return text_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    QColor color_;
    ShapedLine line_; // a read-out repaints with its row: shaped once per text
};

// An icon button that can show a progress mark in place of its symbol.
class BusyIconButton : public IconButton {
    Q_OBJECT
public:
    using IconButton::IconButton;
    void setBusy(bool busy);
    bool isBusy() const { return busy_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool busy_ = false;
};

} // namespace tessarin
