// The conversion command: the window lives in a library the main window does not link.

#include "kb/frmmain.h"

#include <QMdiArea>

namespace {

FrmMain::ConvertWindowFactory &convertWindowFactory()
{
    static FrmMain::ConvertWindowFactory factory;
    return factory;
}

} // namespace

void FrmMain::setConvertWindowFactory(ConvertWindowFactory factory)
{
    convertWindowFactory() = std::move(factory);
}

void FrmMain::DBConvert(const QString &target)
{
    // Only for an open child window: it gives the database, the topic and the record.
    if (!m_mdiArea || !m_mdiArea->currentSubWindow() || !convertWindowFactory())
        return;
    convertWindowFactory()(this, target);
}
