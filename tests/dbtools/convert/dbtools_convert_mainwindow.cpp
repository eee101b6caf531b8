// What the main window's conversion command hands the conversion window.

#include "dbtools/frmconvert.h"
#include "kb/frmmain.h"
#include "platform/db/dbdatacontrol.h"
#include "platform/richtext/richtextbox.h"
#include "scriptedprompter.h"

#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

namespace {

// A child shaped like a record window: its boxes and data control found by name.
QWidget *recordLikeChild(const QString &name)
{
    auto *form = new QWidget;
    form->setObjectName(name);
    auto *question = new QPlainTextEdit(form);
    question->setObjectName(QStringLiteral("RTBQuestion"));
    question->setPlainText(QStringLiteral("What & why?"));
    auto *answer = new RichTextBox(form);
    answer->setObjectName(QStringLiteral("RTBAnswer"));
    answer->setTextRtf(QStringLiteral("{\\rtf1\\ansi {\\b Because} it is.\\par Done}"));
    auto *data = new db::DataControl(form);
    data->setObjectName(QStringLiteral("DataNavi"));
    data->setDatabaseName(QStringLiteral("/data/C++.mdb"));
    return form;
}

void addChild(FrmMain &main, QWidget *child)
{
    QMdiSubWindow *window = main.mdiArea()->addSubWindow(child);
    window->show();
    main.mdiArea()->setActiveSubWindow(window);
}

} // namespace

class ConvertMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void commandRunsOnlyWithAnActiveChild()
    {
        ScriptedPrompter prompter;
        FrmMain main;
        QStringList targets;
        FrmMain::setConvertWindowFactory(
            [&targets](FrmMain *, const QString &target) { targets << target; });
        main.DBConvert(QStringLiteral("Microsoft Word"));
        QVERIFY(targets.isEmpty());
        addChild(main, recordLikeChild(QStringLiteral("FrmRecord")));
        QVERIFY(main.menuItem(QStringLiteral("mnuConvertExcel"))->isEnabled());
        main.menuItem(QStringLiteral("mnuConvertExcel"))->trigger();
        main.ToolBarMain_ButtonMenuClick(QStringLiteral("EMW"));
        QCOMPARE(targets, QStringList({QStringLiteral("Microsoft Excel"),
                                       QStringLiteral("Microsoft Word")}));
        FrmMain::setConvertWindowFactory({});
    }

    void windowGetsTheActiveRecord()
    {
        ScriptedPrompter prompter;
        FrmMain main;
        main.ComboTable->addItem(QStringLiteral("Pointers"));
        main.ComboTable->setCurrentIndex(0);
        {
            FrmConvert window;
            QVERIFY(!FrmConvert::prepareFor(&main, QStringLiteral("Microsoft Word"), window));
        }
        addChild(main, recordLikeChild(QStringLiteral("FrmRecord")));
        FrmConvert word;
        QVERIFY(FrmConvert::prepareFor(&main, QStringLiteral("Microsoft Word"), word));
        QVERIFY(word.ToWord);
        QCOMPARE(word.windowTitle(), QStringLiteral("Convert Database to Microsoft Word"));
        QCOMPARE(word.OptConvAll->text(),
                 QStringLiteral("Convert all the records of current topic: Pointers"));
        QCOMPARE(word.DatabaseName, QStringLiteral("/data/C++.mdb"));
        QCOMPARE(word.TopicName, QStringLiteral("Pointers"));
        QCOMPARE(word.QuestionText, QStringLiteral("What & why?"));
        QCOMPARE(word.AnswerText, QStringLiteral("Because it is.\r\nDone"));

        FrmConvert excel;
        QVERIFY(FrmConvert::prepareFor(&main, QStringLiteral("Microsoft Excel"), excel));
        QVERIFY(!excel.ToWord);

        // The Data View hands over no record.
        addChild(main, recordLikeChild(QStringLiteral("FrmAdvance")));
        FrmConvert dataView;
        QVERIFY(FrmConvert::prepareFor(&main, QStringLiteral("Microsoft Excel"), dataView));
        QVERIFY(dataView.QuestionText.isEmpty());
        QVERIFY(dataView.AnswerText.isEmpty());
        QCOMPARE(dataView.DatabaseName, QStringLiteral("/data/C++.mdb"));
    }
};

QTEST_MAIN(ConvertMainWindow)
#include "dbtools_convert_mainwindow.moc"
