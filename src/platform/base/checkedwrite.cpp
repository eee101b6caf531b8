#include "platform/base/checkedwrite.h"

CheckedFileWriter::CheckedFileWriter(const QString &path) : m_file(path) {}

CheckedFileWriter::~CheckedFileWriter()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
}

bool CheckedFileWriter::fail()
{
    if (m_error.isEmpty())
        m_error = m_file.errorString();
    if (m_error.isEmpty() || m_error == QLatin1String("Unknown error"))
        m_error = QStringLiteral("Disk full or file not writable");
    m_failed = true;
    if (m_file.isOpen())
        m_file.cancelWriting();
    return false;
}

bool CheckedFileWriter::open()
{
    m_failed = false;
    m_error.clear();
    if (!m_file.open(QIODevice::WriteOnly))
        return fail();
    return true;
}

bool CheckedFileWriter::write(const QByteArray &bytes)
{
    if (m_failed || !m_file.isOpen())
        return false;
    if (m_file.write(bytes) != bytes.size())
        return fail();
    return true;
}

bool CheckedFileWriter::commit()
{
    if (m_failed || !m_file.isOpen())
        return false;
    // commit() closes without reporting a failed final flush, so flush first.
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError)
        return fail();
    if (!m_file.commit()) {
        m_failed = true;
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

void CheckedFileWriter::cancel()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
    m_failed = true;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    CheckedFileWriter writer(path);
    if (writer.open() && writer.write(bytes) && writer.commit())
        return true;
    if (error)
        *error = writer.errorString();
    return false;
}
