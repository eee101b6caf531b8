#include "zipfiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

namespace TestSupport {

QByteArray storedZip(qint64 payload)
{
    QByteArray content(payload, Qt::Uninitialized);
    for (qint64 i = 0; i < payload; ++i)
        content[i] = char((i * 131 + i / 7) & 0xFF);
    QTemporaryDir dir;
    const QByteArray path = dir.filePath(QStringLiteral("made.zip")).toLocal8Bit();
    int error = 0;
    zip_t *archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_source_t *source = zip_source_buffer(archive, content.constData(), content.size(), 0);
    const zip_int64_t index = zip_file_add(archive, "data.bin", source, ZIP_FL_OVERWRITE);
    zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
    zip_close(archive);
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestSupport
