#include "media/AddressSecrets.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringView>

#include <algorithm>
#include <vector>

namespace tessarin::AddressSecrets {
namespace {

const QString& mask()
{
    static const QString value = QString::fromUtf16(kMask);
    return value;
}

const QRegularExpression& parameterPattern()
{
    static const QRegularExpression value(QStringLiteral("\\b(passphrase|streamid)=([^&\\s]+)"),
                                          QRegularExpression::CaseInsensitiveOption);
    return value;
}

// Characters that close an address in a message rather than belong to it:
// ffmpeg writes "<address>: <reason>", and quotes or brackets may wrap it.
bool closesAddress(QChar c)
{
    return QStringLiteral(":'\",;)]}>").contains(c);
}

struct Span {
    qsizetype start;
    qsizetype length;
};

// Where the secrets of an address stand: the user name and password, an
// RTMP address's stream key (everything after the application), and the
// values of the passphrase and streamid parameters.
std::vector<Span> secretSpans(const QString& address)
{
    std::vector<Span> spans;
    const qsizetype schemeEnd = address.indexOf(QStringLiteral("://"));
    if (schemeEnd < 0)
        return spans;
    const QString scheme = address.left(schemeEnd).toLower();
    const qsizetype authorityStart = schemeEnd + 3;
    qsizetype authorityEnd = authorityStart;
    while (authorityEnd < address.size() && !QStringLiteral("/?#").contains(address.at(authorityEnd)))
        ++authorityEnd;
    const qsizetype at = address.lastIndexOf(u'@', authorityEnd - 1);
    if (at >= authorityStart)
        spans.push_back({ authorityStart, at - authorityStart });

    // rtmp://host/app/<key>, rtmp://host//<key> (no application),
    // rtmp://host/app?<key>: everything after the application is the secret.
    if (scheme.startsWith(QStringLiteral("rtmp")) && authorityEnd < address.size()) {
        qsizetype appEnd = authorityEnd;
        if (address.at(authorityEnd) == u'/') {
            ++appEnd;
            while (appEnd < address.size() && !QStringLiteral("/?#").contains(address.at(appEnd)))
                ++appEnd;
        }
        if (appEnd + 1 < address.size())
            spans.push_back({ appEnd + 1, address.size() - appEnd - 1 });
    }
    auto parameters = parameterPattern().globalMatch(address);
    while (parameters.hasNext()) {
        const QRegularExpressionMatch match = parameters.next();
        spans.push_back({ match.capturedStart(2), match.capturedLength(2) });
    }
    return spans;
}

// text with each run of hidden characters replaced by one mask.
QString masked(const QString& text, const std::vector<bool>& hidden)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!hidden[i])
            out += text.at(i);
        else if (i == 0 || !hidden[i - 1])
            out += mask();
    }
    return out;
}

QString redactAddress(const QString& address)
{
    std::vector<bool> hidden(address.size(), false);
    for (const Span& span : secretSpans(address))
        std::fill_n(hidden.begin() + span.start, span.length, true);
    return masked(address, hidden);
}

} // namespace

QString redacted(const QString& text)
{
    static const QRegularExpression addressPattern(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://\\S+"));
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
    auto parameters = parameterPattern().globalMatch(out);
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

QString redacted(const QString& text, const QString& address, bool cutAtStart)
{
    const qsizetype n = text.size();
    std::vector<bool> hidden(n, false);
    const std::vector<Span> spans = secretSpans(address);
    std::vector<bool> secretAt(address.size(), false);
    for (const Span& span : spans)
        std::fill_n(secretAt.begin() + span.start, span.length, true);
    // Hides text[from, from + count) where it lies over address[offset...].
    auto hideOver = [&](qsizetype from, qsizetype count, qsizetype offset) {
        for (qsizetype i = 0; i < count; ++i)
            if (secretAt[offset + i])
                hidden[from + i] = true;
    };

    for (const Span& span : spans) {
        const QStringView secret = QStringView(address).mid(span.start, span.length);
        if (secret.size() < kPieceLength) {
            for (qsizetype at = text.indexOf(secret); at >= 0; at = text.indexOf(secret, at + 1))
                std::fill_n(hidden.begin() + at, secret.size(), true);
        } else {
            // A run made of the secret's pieces may join pieces from apart,
            // which hides a little more than the secret: never less.
            QSet<QStringView> pieces;
            for (qsizetype i = 0; i + kPieceLength <= secret.size(); ++i)
                pieces.insert(secret.mid(i, kPieceLength));
            for (qsizetype i = 0; i + kPieceLength <= n; ++i)
                if (pieces.contains(QStringView(text).mid(i, kPieceLength)))
                    std::fill_n(hidden.begin() + i, kPieceLength, true);
        }
        if (cutAtStart) {
            for (qsizetype k = std::min(n, secret.size()); k > 0; --k)
                if (QStringView(text).startsWith(secret.right(k))) {
                    std::fill_n(hidden.begin(), k, true);
                    break;
                }
        }
    }
    // The address cut off at the text's end (its head is no secret, so
    // only a copy reaching into a secret hides anything).
    for (qsizetype from = std::max<qsizetype>(0, n - address.size()); from < n; ++from)
        if (address.startsWith(QStringView(text).mid(from))) {
            hideOver(from, n - from, 0);
            break;
        }
    if (cutAtStart) {
        for (qsizetype k = std::min(n, address.size()); k > 0; --k)
            if (text.startsWith(QStringView(address).right(k))) {
                hideOver(0, k, address.size() - k);
                break;
            }
    }
    return redacted(masked(text, hidden));
}

} // namespace tessarin::AddressSecrets
