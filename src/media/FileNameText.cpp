#include "media/FileNameText.h"

#include <QStringDecoder>

namespace tessarin {

bool hasUtf8FileName(const QUrl& url)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes); // decodes only when made a QString
    Q_UNUSED(decoded);
    return !decoder.hasError();
}

} // namespace tessarin
