#include "media/AddressSecrets.h"

#include <QRegularExpression>

namespace tessarin::AddressSecrets {
namespace {

const QString& mask()
{
    static const QString value = QString::fromUtf16(kMask);
    return value;
}

// Characters that close an address in a message rather than belong to it:
// ffmpeg writes "<address>: <reason>", and quotes or brackets may wrap it.
bool closesAddress(QChar c)
{
    return QStringLiteral(":'\",;)]}>").contains(c);
}

QString redactAddress(const QString& address)
{
    const qsizetype schemeEnd = address.indexOf(QStringLiteral("://"));
    const QString scheme = address.left(schemeEnd).toLower();
    const qsizetype authorityStart = schemeEnd + 3;
    qsizetype authorityEnd = authorityStart;
    while (authorityEnd < address.size() && !QStringLiteral("/?#").contains(address.at(authorityEnd)))
        ++authorityEnd;

    QString authority = address.mid(authorityStart, authorityEnd - authorityStart);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
        authority = mask() + authority.mid(at);
    QString rest = address.mid(authorityEnd);

    // rtmp://host/app/<key>: the key, and anything after it, is the secret.
    if (scheme.startsWith(QStringLiteral("rtmp")) && rest.startsWith(u'/')) {
        const qsizetype keyStart = rest.indexOf(u'/', 1);
        if (keyStart > 1 && keyStart + 1 < rest.size())
            rest = rest.left(keyStart + 1) + mask();
    }
    return address.left(authorityStart) + authority + rest;
}

} // namespace

QString redacted(const QString& text)
{
    static const QRegularExpression addressPattern(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://\\S+"));
    static const QRegularExpression parameterPattern(QStringLiteral("\\b(passphrase|streamid)=([^&\\s]+)"),
                                                     QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype done = 0;
    auto matches = addressPattern.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        qsizetype end = match.capturedEnd();
        while (end > match.capturedStart() && closesAddress(text.at(end - 1)))
            --end;
        out += text.mid(done, match.capturedStart() - done);
        out += redactAddress(text.mid(match.capturedStart(), end - match.capturedStart()));
        done = end;
    }
    out += text.mid(done);

    QString result;
    done = 0;
    auto parameters = parameterPattern.globalMatch(out);
    while (parameters.hasNext()) {
        const QRegularExpressionMatch match = parameters.next();
        qsizetype end = match.capturedEnd(2);
        while (end > match.capturedStart(2) && closesAddress(out.at(end - 1)))
            --end;
        if (end == match.capturedStart(2))
            continue;
        result += out.mid(done, match.capturedStart(2) - done);
        result += mask();
        done = end;
    }
    result += out.mid(done);
    return result;
}

} // namespace tessarin::AddressSecrets
