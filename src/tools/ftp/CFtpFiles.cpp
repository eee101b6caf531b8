#include "tools/ftp/CFtpFiles.h"

CFtpFile &CFtpFiles::add(const CFtpFile &entry, const QString &name)
{
    Q_UNUSED(name); // entries carry no key
    m_entries.append(entry);
    return m_entries.last();
}

const CFtpFile &CFtpFiles::item(int position) const
{
    Q_ASSERT(position >= 1 && position <= count());
    return m_entries.at(position - 1);
}

void CFtpFiles::remove(int position)
{
    Q_ASSERT(position >= 1 && position <= count());
    m_entries.removeAt(position - 1);
}
