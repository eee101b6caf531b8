// The main window's open-database command, which shows a file in the Data View.

#include "kb/frmmain.h"
#include "platform/prompt/prompter.h"
#include "shell/frmcd.h"

#include <QTabWidget>

namespace {

FrmMain::DataViewOpener &dataViewOpener()
{
    static FrmMain::DataViewOpener opener;
    return opener;
}

} // namespace

void FrmMain::setDataViewOpener(DataViewOpener opener)
{
    dataViewOpener() = std::move(opener);
}

void FrmMain::mnuFileOpen_Click()
{
    if (SSTabTop)
        SSTabTop->setCurrentIndex(0);
    CommonDialogOptions options;
    options.DialogTitle = QStringLiteral("Choose Database File:");
    options.Filter = QStringLiteral("Microsoft Access (*.mdb)|*.mdb");
    const std::optional<QString> chosen = FrmCD::CD().ShowOpen(options);
    if (!chosen || chosen->isEmpty() || !dataViewOpener())
        return;
    dataViewOpener()(this, *chosen);
}
