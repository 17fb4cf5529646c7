#include "ui/settings/AboutPanel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tessarin {
namespace {

// Texts of this file, looked up as AboutPanel's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(AboutPanel)
};

} // namespace

QString AboutPanel::credits(const QUrl& notices)
{
    QString line = Texts::tr("Tessarin usa anche FFmpeg, libsrt e OpenSSL. ").toHtmlEscaped();
    if (!notices.isEmpty())
        line += QStringLiteral("<a href=\"%1\">%2</a>")
                    .arg(QString::fromUtf8(notices.toEncoded()).toHtmlEscaped(),
                         Texts::tr("Licenze dei componenti di terzi").toHtmlEscaped());
    return QStringLiteral("<p style=\"font-size:11px; margin-bottom:4px\" align=\"center\">%1</p>").arg(line);
}

QUrl AboutPanel::noticesUrl(const QString& applicationDir)
{
    const QString path = QDir(applicationDir).filePath(QStringLiteral("../share/tessarin/ThirdPartyNotices.txt"));
    const QFileInfo info(path);
    return info.isFile() ? QUrl::fromLocalFile(info.canonicalFilePath()) : QUrl();
}

QUrl AboutPanel::noticesUrl()
{
    return noticesUrl(QCoreApplication::applicationDirPath());
}

} // namespace tessarin
