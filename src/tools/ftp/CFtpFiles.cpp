#include "tools/ftp/CFtpFiles.h"

#include "platform/base/apperror.h"

namespace {

// The collection's own error for a position that holds no entry.
constexpr int ErrSubscriptOutOfRange = 9;

} // namespace

CFtpFile &CFtpFiles::add(const CFtpFile &entry, const QString &name)
{
    Q_UNUSED(name); // entries carry no key
    m_entries.append(entry);
    return m_entries.last();
}

void CFtpFiles::checkPosition(int position, const char *step) const
{
    if (position < 1 || position > count())
        throw AppException(ErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"),
                           QStringLiteral("CFtpFiles.") + QLatin1String(step));
}

const CFtpFile &CFtpFiles::item(int position) const
{
    checkPosition(position, "Item");
    return m_entries.at(position - 1);
}

void CFtpFiles::remove(int position)
{
    checkPosition(position, "Remove");
    m_entries.removeAt(position - 1);
}
