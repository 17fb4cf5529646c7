#include "platform/Icons.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cmath>

namespace tessarin {
namespace {

struct Source {
    bool glyph = false;
    QString name; // SVG resource path, or the glyph's text
};

const QHash<QString, Source>& symbolTable()
{
    static const QHash<QString, Source> table = [] {
        QHash<QString, Source> map;
        QFile file(QStringLiteral(":/icons/icons.txt"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return map;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (parts.size() != 2)
                continue;
            const QString& target = parts[1];
            if (target.startsWith(QLatin1String("bootstrap:"))) {
                map.insert(parts[0], { false, QStringLiteral(":/icons/bootstrap/%1.svg").arg(target.mid(10)) });
            } else if (target.startsWith(QLatin1String("material:"))) {
                bool ok = false;
                const uint codePoint = target.mid(9).toUInt(&ok, 16);
                if (ok)
                    map.insert(parts[0], { true, QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1) });
            }
        }
        return map;
    }();
    return table;
}

QString materialFamily()
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/icons/MaterialIcons-Regular.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

QPixmap drawSvg(const QString& resource, const QColor& color, int pixels)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // QSvgRenderer paints currentColor black: put the colour in its place.
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setOpacity(color.alphaF());
    renderer.render(&painter);
    return pixmap;
}

QPixmap drawGlyph(const QString& text, const QColor& color, int pixels)
{
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QFont font(materialFamily());
    font.setPixelSize(pixels);
    QPainter painter(&pixmap);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRect(0, 0, pixels, pixels), Qt::AlignCenter, text);
    return pixmap;
}

struct RenderedKey {
    QString name;
    QRgb rgba = 0;
    int pixels = 0;
    qreal ratio = 1.0;
    bool operator==(const RenderedKey&) const = default;
};

size_t qHash(const RenderedKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.name, key.rgba, key.pixels, key.ratio);
}

constexpr qsizetype kMaxRendered = 2048;

// Never destroyed: pixmaps must not outlive the application object.
QHash<RenderedKey, QPixmap>& rendered()
{
    static auto* cache = new QHash<RenderedKey, QPixmap>;
    return *cache;
}

} // namespace

bool Icons::has(const QString& symbolName)
{
    return symbolTable().contains(symbolName);
}

QPixmap Icons::pixmap(const QString& symbolName, const QColor& color, int size, qreal devicePixelRatio)
{
    const auto it = symbolTable().constFind(symbolName);
    if (it == symbolTable().constEnd() || size <= 0)
        return {};
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int pixels = static_cast<int>(std::lround(size * ratio));
    // Views paint their symbols on every repaint: parsing and rendering the
    // SVG each time cost far more than the rest of a row's painting, and
    // even a key spelt out as text at each paint showed.
    const RenderedKey key { symbolName, color.rgba(), pixels, ratio };
    QHash<RenderedKey, QPixmap>& cache = rendered();
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    QPixmap result = it->glyph ? drawGlyph(it->name, color, pixels) : drawSvg(it->name, color, pixels);
    result.setDevicePixelRatio(ratio);
    // The interface uses a few hundred symbol, colour and size combinations;
    // should colours ever vary without end, the cache starts over.
    if (cache.size() >= kMaxRendered)
        cache.clear();
    cache.insert(key, result);
    return result;
}

QIcon Icons::icon(const QString& symbolName, const QColor& color, int size)
{
    QIcon icon;
    for (qreal ratio : { 1.0, 2.0 }) {
        const QPixmap p = pixmap(symbolName, color, size, ratio);
        if (!p.isNull())
            icon.addPixmap(p);
    }
    return icon;
}

} // namespace tessarin
