#include "ui/kit/SectionTitle.h"

#include "platform/Icons.h"
#include "ui/kit/Theme.h"

#include <QPainter>

namespace tessarin {
namespace {
constexpr int kFont = 11;
constexpr int kSpacing = 6;

QFont titleFont()
{
    QFont f = Theme::font(kFont, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    return f;
}
} // namespace

SectionTitle::SectionTitle(const QString& text, const QString& icon, QWidget* parent)
    : QWidget(parent)
    , text_(text.toUpper())
    , icon_(icon)
{
    setFont(titleFont());
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SectionTitle::sizeHint() const
{
    const QFontMetrics fm(font());
    const int iconWidth = icon_.isEmpty() ? 0 : kFont + kSpacing;
    return { iconWidth + fm.horizontalAdvance(text_) + 2, fm.height() };
}

void SectionTitle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    int x = 0;
    if (!icon_.isEmpty()) {
        const QPixmap pm = Icons::pixmap(icon_, Theme::textSecondary(), kFont, devicePixelRatioF());
        p.drawPixmap(QRect(0, (height() - kFont) / 2, kFont, kFont), pm);
        x = kFont + kSpacing;
    }
    p.setPen(Theme::textSecondary());
    p.setFont(font());
    p.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text_);
}

} // namespace tessarin
