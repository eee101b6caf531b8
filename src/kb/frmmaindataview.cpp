// The main window's open-database command and the query skeletons it puts into the Data View.

#include "kb/datatree.h"
#include "kb/dataviewlink.h"
#include "kb/dbtype.h"
#include "kb/frmmain.h"
#include "platform/base/apperror.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/prompt/prompter.h"
#include "shell/frmcd.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

FrmMain::DataViewFactory &dataViewFactory()
{
    static FrmMain::DataViewFactory factory;
    return factory;
}

} // namespace

void FrmMain::setDataViewFactory(DataViewFactory factory)
{
    dataViewFactory() = std::move(factory);
}

QWidget *FrmMain::dataViewForm() const
{
    const auto windows = m_mdiArea->subWindowList();
    for (QMdiSubWindow *window : windows)
        if (dynamic_cast<DataViewLink *>(window->widget()))
            return window->widget();
    return nullptr;
}

DataViewLink *FrmMain::dataView() const
{
    return dynamic_cast<DataViewLink *>(dataViewForm());
}

void FrmMain::mnuFileOpen_Click()
{
    if (SSTabTop)
        SSTabTop->setCurrentIndex(0);
    CommonDialogOptions options;
    options.DialogTitle = QStringLiteral("Choose Database File:");
    options.InitDir = QDir::homePath();
    options.Filter = QStringLiteral("Microsoft Access (*.mdb)|*.mdb");
    CommonDialog &dialog = FrmCD::CD();
    const std::optional<QString> chosen = dialog.ShowOpen(options);
    if (!chosen) {
        const AppError error = dialog.lastError();
        if (error.isError() && error.number != CommonDialog::CancelError)
            Prompter::instance().messageBox(QString::number(error.number) + QStringLiteral(": ") +
                                                error.description,
                                            103, 4, QStringLiteral("ERROR"));
        return;
    }
    // The dialog has one filter, so its index is always 1, a native database.
    if (!chosen->isEmpty())
        OpenDataView(*chosen, 1);
}

void FrmMain::OpenDataView(const QString &path, int kind)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QPointer<QWidget> form = dataViewForm();
    try {
        if (!form) {
            if (dataViewFactory())
                form = dataViewFactory()(this);
            auto *view = dynamic_cast<DataViewLink *>(form.data());
            if (!view)
                throw AppException(
                    91, QStringLiteral("Object variable or With block variable not set"));
            // The connection is set before the window opens anything.
            DBType().ConnectionType(view, path, kind);
            if (view->FormLoadInit())
                view->showDataView();
        } else if (auto *view = dynamic_cast<DataViewLink *>(form.data());
                   view->dataControl()->DatabaseName() != path) {
            DBType().ConnectionType(view, path, kind);
            if (view->FormLoadInit())
                view->showDataView();
        } else {
            QApplication::restoreOverrideCursor();
            Prompter::instance().messageBox(QStringLiteral("Database ") + path +
                                                QStringLiteral(" has already been opened!"),
                                            105, 4, QStringLiteral("FAILED"));
            if (QMdiSubWindow *window = subWindowOf(form))
                window->lower();
            return;
        }
    } catch (const AppException &) {
        if (QMdiSubWindow *window = subWindowOf(form))
            window->close();
        else
            delete form.data();
    }
    QApplication::restoreOverrideCursor();
}

void FrmMain::FillQuerySkeleton(QTreeWidget *tree, int kind)
{
    DataViewLink *view = dataView();
    QTreeWidgetItem *node = tree ? tree->currentItem() : nullptr;
    // The skeletons are made for table nodes, the only ones the Query menu opens on.
    if (!view || !node || node->data(0, SchemaTagRole).toString() != QLatin1String("Table"))
        return;
    try {
        ::DataTree skeleton;
        view->setQueryText(skeleton.CreateQueryByNode(tree, kind));
    } catch (const AppException &) {
    }
}
