#pragma once

#include <QByteArray>

namespace TestSupport {

// A zip holding one stored (uncompressed) entry of `payload` bytes of varied content, so
// the archive's size follows the payload's exactly.
QByteArray storedZip(qint64 payload);

} // namespace TestSupport
