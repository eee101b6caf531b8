#pragma once

#include "tools/ftp/CFtpFile.h"

#include <QList>
#include <QString>

// An ordered listing without keys: entries with equal names are all kept.
class CFtpFiles
{
public:
    CFtpFile &add(const CFtpFile &entry, const QString &name = QString());
    // Positions are 1-based; one outside 1 to count() throws error 9 (AppException).
    const CFtpFile &item(int position) const;
    void remove(int position);
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    QList<CFtpFile>::const_iterator begin() const { return m_entries.cbegin(); }
    QList<CFtpFile>::const_iterator end() const { return m_entries.cend(); }

private:
    void checkPosition(int position, const char *step) const;

    QList<CFtpFile> m_entries;
};
