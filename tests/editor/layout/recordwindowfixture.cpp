#include "recordwindowfixture.h"

#include "../record/recordtestdb.h"
#include "editor/frmrecord.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMouseEvent>

RecordWindowFixture::RecordWindowFixture()
{
    QDir().mkpath(root.path() + QStringLiteral("/Database"));
    main.reset(RecordTestDb::newMainWindow());
    RecordTestDb::create(DatabaseFolder + QStringLiteral("C++.mdb"),
                         {{QStringLiteral("Basics"),
                           {{QStringLiteral("First question"), QStringLiteral("Use it. Then")},
                            {QStringLiteral("Second question"), QStringLiteral("Answer 2")}},
                           {},
                           {}}});
    RecordTestDb::pressDatabaseButton(main.get(), QStringLiteral("C++"));
    RecordTestDb::chooseTopic(main.get(), QStringLiteral("Basics"));
    main->ListRecords->setCurrentRow(0);
}

RecordWindowFixture::~RecordWindowFixture() = default;

FrmRecord *RecordWindowFixture::form() const
{
    return qobject_cast<FrmRecord *>(main->RecordForms[5].data());
}

QMdiSubWindow *RecordWindowFixture::subWindow() const
{
    return qobject_cast<QMdiSubWindow *>(form()->parentWidget());
}

void RecordWindowFixture::resizeWindow(int width, int height)
{
    QMdiSubWindow *window = subWindow();
    window->showNormal();
    window->move(0, 0);
    window->resize(width, height);
    QApplication::sendPostedEvents();
}

namespace SendMouse {

void press(QWidget *widget, Qt::MouseButton button, QPoint at)
{
    QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void move(QWidget *widget, QPoint at)
{
    QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void release(QWidget *widget, Qt::MouseButton button, QPoint at)
{
    QMouseEvent event(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace SendMouse
