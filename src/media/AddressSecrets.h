#pragma once
// Keeps the secret parts of network addresses off the screen: ffmpeg names
// the address in its error lines ("Error closing file rtmp://host/live/<key>:
// Broken pipe"), and such a line is shown to the operator as a failure.
// Any thread.
#include <QString>

namespace tessarin::AddressSecrets {

// What stands in for a secret.
inline constexpr char16_t kMask[] = u"\u2022\u2022\u2022";

// text with, in every address in it, the user name and password, and on
// RTMP addresses everything after the application name (the stream key),
// replaced by kMask; the values of SRT's passphrase and streamid parameters
// are replaced wherever they appear. The rest stays as it was.
QString redacted(const QString& text);

} // namespace tessarin::AddressSecrets
