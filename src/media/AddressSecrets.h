#pragma once
// Keeps the secret parts of network addresses off the screen: ffmpeg names
// the address in its error lines ("Error closing file rtmp://host/live/<key>:
// Broken pipe"), and such a line is shown to the operator as a failure.
// Any thread.
#include <QString>

namespace tessarin::AddressSecrets {

// What stands in for a secret.
inline constexpr char16_t kMask[] = u"\u2022\u2022\u2022";

// The shortest piece of a known secret that is masked wherever it stands (a
// secret shorter than this is masked where it stands whole).
inline constexpr int kPieceLength = 4;

// text with, in every address in it, the user name and password, and on
// RTMP addresses everything after the application name (the stream key,
// after "/", after "?" or after an empty application: "rtmp://host//key"),
// replaced by kMask; the values of SRT's passphrase and streamid parameters
// are replaced wherever they appear. The rest stays as it was.
QString redacted(const QString& text);

// redacted(text), and no part of the secrets of the known address left in
// it, however the text was cut: every run of the text made of pieces of a
// secret (kPieceLength characters or more) is masked, and so is the secret
// part of a copy of the address cut off at the text's end. When the text is
// the tail of a longer one (cutAtStart), the secret part of a tail of the
// address or of a secret at its start is masked too, however short.
QString redacted(const QString& text, const QString& address, bool cutAtStart = false);

} // namespace tessarin::AddressSecrets
