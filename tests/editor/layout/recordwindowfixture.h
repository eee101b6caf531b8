#pragma once

#include "scriptedprompter.h"
#include "testsupport.h"

#include <QPoint>

#include <memory>

class FrmMain;
class FrmRecord;
class QMdiSubWindow;
class QWidget;

// A loaded main window with one record window open on a small knowledge base whose topic
// "Basics" is chosen and whose first record is shown.
struct RecordWindowFixture
{
    TestSupport::TempDataRoot root;
    ScriptedPrompter prompter;
    std::unique_ptr<FrmMain> main;

    RecordWindowFixture();
    ~RecordWindowFixture();

    FrmRecord *form() const;
    QMdiSubWindow *subWindow() const;
    // Shows the record window as a normal window of this outer size (pixels).
    void resizeWindow(int width, int height);
};

// Mouse events sent straight to a widget (its own coordinates).
namespace SendMouse {
void press(QWidget *widget, Qt::MouseButton button, QPoint at = QPoint(2, 2));
void move(QWidget *widget, QPoint at);
void release(QWidget *widget, Qt::MouseButton button, QPoint at);
} // namespace SendMouse
