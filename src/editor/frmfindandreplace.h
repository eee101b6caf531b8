#pragma once

#include "kb/frmmain.h"
#include "winsvc/flatcontrols.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class FrmRecord;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QToolBar;
class RichTextBox;

// The small shaped window that finds and replaces text in the answer of whichever record window
// is active when a button is pressed. One per main window; Cancel hides it (history and options
// stay), the close picture closes it for good.
//
// Replacing changes only the answer box, and only while its record is being added or edited; the
// record is written by Save as any other edit is.
class FrmFindAndReplace : public QWidget
{
    Q_OBJECT

public:
    // The main window's window, created when asked for and not there yet.
    static FrmFindAndReplace *instance(FrmMain *main, bool create = true);
    // What the main window's Find, Search and Replace commands do (set up in main.cpp).
    static void open(FrmMain *main, FrmMain::FindCommand command);

    explicit FrmFindAndReplace(FrmMain *main);
    ~FrmFindAndReplace() override;

    // Text handed over by the Find command, taken into the find box as the window is shown.
    QString PresetText;

    // Takes the handed-over text and shows the newest search text.
    void Form_Activate();
    void cmdFind_Click();
    void cmdReplace_Click();
    void cmdReplaceAll_Click();
    void cmdCancel_Click();
    void CmdDef_Click();

    // The find option bits of the three check boxes.
    int FindOptions() const;

    // Small services of the window that none of its own buttons use.
    // Enter (13) presses Find.
    void FindOnEnter(int &key);
    void SelectFindText();
    void SelectReplaceText();
    // The replace buttons are on exactly when there is a replacement text.
    void EnableReplaceByText();
    // Finds search, without regard to case, in the active box of the active record window
    // between the one-based positions start and end (the hit's last character at or before
    // end); selects the hit and, when replacement is not empty and the box may change, replaces
    // it.
    bool FindString(const QString &search, const QString &replacement, int &start, int &end);
    // Searches the region the find box's list index names: 0 (or none) the whole text, 1 up to
    // the end of the selection, 2 after the selection. A hit hides the window.
    void FindInRegion();

    QLabel *lblFind = nullptr;
    QComboBox *cboFind = nullptr;
    QLabel *lblReplace = nullptr;
    QComboBox *cboReplace = nullptr;
    QPushButton *cmdFind = nullptr;
    QPushButton *cmdReplace = nullptr;
    QPushButton *cmdReplaceAll = nullptr;
    QPushButton *cmdCancel = nullptr;
    QCheckBox *chkNoHighlight = nullptr;
    QCheckBox *chkWholeWord = nullptr;
    QCheckBox *chkMatchCase = nullptr;
    QLabel *CmdDef = nullptr;
    QLabel *ImgHandle = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void AttachFlatLook();
    // The record window the buttons work on: the main window's active child, if it is one.
    FrmRecord *targetWindow() const;
    // The target's focused text box (the question or the answer).
    QWidget *activeTextBox() const;
    // Only a record being added or edited may be changed.
    static bool canReplace(const FrmRecord *form);
    // Gives the answer box the focus after a hit.
    static void showInAnswer(RichTextBox *answer);
    // The find and find-next states of the buttons; the replace buttons also follow whether the
    // target can be changed at all.
    void enterFindNext();
    void enterFind();
    void refreshReplaceButtons();
    void reportNotFound();

    FrmMain *m_main;
    FlatControls m_flatControls;
    QPointer<QToolBar> m_tbEdit;
    bool m_replaceOn = true;
    bool m_replaceAllOn = true;
    bool m_dragging = false;
    QPoint m_dragOffset;
};
