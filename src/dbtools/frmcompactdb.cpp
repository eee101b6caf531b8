#include "dbtools/frmcompactdb.h"

#include "dbtools/frmtrans.h"
#include "kb/frmmain.h"
#include "kb/kbglobals.h"
#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/base/colors.h"
#include "platform/db/dbengine.h"
#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"
#include "shell/label3dhost.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

FrmCompactDB::FrmCompactDB(const QString &folder, QWidget *parent)
    : QDialog(parent), m_folder(folder)
{
    setWindowTitle(QStringLiteral("Compact and Repair Databse for Best Performance."));
    FixedDialog::apply(this);
    // Copies left by an interrupted run are never the only copy: the source is replaced last.
    // Only copies that prove to be such go; a user's file of a like name stays.
    db::DBEngine::removeCompactLeftovers(m_folder);
    LayoutChecks();
}

FrmCompactDB::~FrmCompactDB()
{
    if (m_worker) {
        m_worker->wait();
        delete m_worker;
    }
}

void FrmCompactDB::LayoutChecks()
{
    auto *layout = new QVBoxLayout(this);
    auto *boxes = new QGridLayout;
    QDir dir(m_folder);
    const QStringList files =
        dir.entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &file : files) {
        // Another run's copy in progress is not a database to offer; a user's file of a like
        // name is.
        if (db::DBEngine::isCompactCopy(dir.filePath(file)))
            continue;
        const int k = int(Check.size());
        auto *box = new QCheckBox(file.left(file.size() - 4));
        // Rows of five.
        boxes->addWidget(box, k / 5, k % 5);
        Check.append(box);
        m_done.append(false);
        connect(box, &QCheckBox::toggled, this, [this, k] { Check_Click(k); });
    }
    layout->addLayout(boxes);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(12);
    font.setBold(true);
    Label1 = CreateLabel3D(
        {{QStringLiteral("Font"), font},
         {QStringLiteral("Alignment"), 2},
         {QStringLiteral("BackStyle"), 1},
         {QStringLiteral("ForeColor1"), 0x8000000Eu},
         {QStringLiteral("ForeColor2"), 0x80000012u},
         {QStringLiteral("Caption"),
          QStringLiteral("Introduction: \r\n\r\n      Running this utility can help you to "
                         "optimise the performance of your database file, and also remove some "
                         "unused information in the database file.")}},
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    // The introduction is a paragraph: wrap it to the window, both copies alike.
    for (QLabel *copy : Label1->findChildren<QLabel *>())
        copy->setWordWrap(true);
    if (auto *plain = qobject_cast<QLabel *>(Label1))
        plain->setWordWrap(true);
    Label1->setMinimumSize(Twips::toPixels(5 * 1950), 150);
    layout->addWidget(Label1);
    FrameSelect = new QGroupBox(QStringLiteral("Totally 0 databas(e)."));
    auto *frame = new QHBoxLayout(FrameSelect);
    CheckAll = new QCheckBox(QStringLiteral("&Select ALL"));
    CmdGo = new QPushButton(QStringLiteral("&GO"));
    CmdExit = new QPushButton(QStringLiteral("&Cancel"));
    frame->addWidget(CheckAll);
    frame->addStretch();
    frame->addWidget(CmdGo);
    frame->addWidget(CmdExit);
    layout->addWidget(FrameSelect);
    PB = new QProgressBar;
    PB->setVisible(false);
    layout->addWidget(PB);
    // A fixed dialog: the window manager then offers no resizing (and draws no grip for it).
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(CheckAll, &QCheckBox::clicked, this, [this] { CheckAll_Click(); });
    connect(CmdGo, &QPushButton::clicked, this, [this] { CmdGo_Click(); });
    connect(CmdExit, &QPushButton::clicked, this, [this] { CmdExit_Click(); });
    QWidget *previous = nullptr;
    for (QWidget *next : std::as_const(Check)) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
}

void FrmCompactDB::setSelectedCount(int count)
{
    m_selectedCount = count;
    const QString word = count < 2 ? QStringLiteral("Database") : QStringLiteral("Databases");
    FrameSelect->setTitle(QStringLiteral("Totally ") + QString::number(count) + word +
                          QLatin1Char('.'));
}

void FrmCompactDB::setRunning(bool running)
{
    // Nothing may change the selection while files are replaced; compacted boxes stay
    // disabled for good.
    CmdExit->setEnabled(!running);
    CmdGo->setEnabled(!running);
    CheckAll->setEnabled(!running);
    for (int i = 0; i < Check.size(); ++i)
        Check.at(i)->setEnabled(!running && !m_done.at(i));
}

void FrmCompactDB::Check_Click(int index)
{
    setSelectedCount(m_selectedCount + (Check.at(index)->isChecked() ? 1 : -1));
}

void FrmCompactDB::CheckAll_Click()
{
    // Compacted boxes stay as they are: they are what the closing report lists.
    for (int i = 0; i < Check.size(); ++i)
        if (!m_done.at(i))
            Check.at(i)->setChecked(CheckAll->isChecked());
}

void FrmCompactDB::CmdGo_Click()
{
    if (isRunning())
        return;
    if (m_selectedCount < 1) {
        Prompter::instance().messageBox(
            QStringLiteral("Please choose the database file you want to compact and repair."), 107,
            4, QStringLiteral("TRY AGAIN!"));
        return;
    }
    setRunning(true);
    PB->setVisible(true);
    setWindowTitle(QStringLiteral("Proceeding now......, please wait."));
    // Only the boxes still to do count, so a rerun never steps past the end.
    PB->setMaximum(m_selectedCount);
    PB->setValue(0);
    m_next = 0;
    compactNext();
}

void FrmCompactDB::compactNext()
{
    while (m_next < Check.size() && !(Check.at(m_next)->isChecked() && !m_done.at(m_next)))
        ++m_next;
    if (m_next >= Check.size()) {
        PB->setVisible(false);
        setRunning(false);
        emit runFinished(true);
        accept();
        return;
    }
    const QString source = m_folder + Check.at(m_next)->text() + QStringLiteral(".mdb");
    const QString temporary = m_folder + QStringLiteral("Temp!.mdb");
    m_workerError.clear();
    // The copy and its checks run off the interface thread; the window stays responsive.
    m_worker = QThread::create([this, source, temporary] {
        try {
            db::DBEngine::compactInPlace(source, temporary);
        } catch (const AppException &error) {
            m_workerError = error.description();
            if (m_workerError.isEmpty())
                m_workerError = QStringLiteral("The database could not be compacted.");
        } catch (const std::exception &error) {
            m_workerError = QString::fromLocal8Bit(error.what());
        }
    });
    connect(m_worker, &QThread::finished, this, [this] {
        m_worker->deleteLater();
        m_worker = nullptr;
        QCheckBox *box = Check.at(m_next);
        if (!m_workerError.isEmpty()) {
            PB->setVisible(false);
            setWindowTitle(QStringLiteral("Failed, please check and run again."));
            setRunning(false);
            Prompter::instance().messageBox(box->text() + QStringLiteral(": ") + m_workerError, 103,
                                            4, QStringLiteral("ERROR"));
            emit runFinished(false);
            return;
        }
        PB->setValue(PB->value() + 1);
        // Disabled boxes are the compacted ones; the count keeps only those still to do.
        m_done[m_next] = true;
        setSelectedCount(m_selectedCount - 1);
        ++m_next;
        compactNext();
    });
    m_worker->start();
}

void FrmCompactDB::CmdExit_Click()
{
    if (isRunning())
        return;
    hide();
    reject();
}

void FrmCompactDB::closeEvent(QCloseEvent *event)
{
    // A file is being replaced: closing now would leave the run half done.
    if (isRunning()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FrmCompactDB::done(int result)
{
    if (isRunning())
        return;
    QDialog::done(result);
    if (m_unloaded)
        return;
    m_unloaded = true;
    ShowRepairedList();
    if (restoreForm)
        restoreForm();
}

QStringList FrmCompactDB::compactedNames() const
{
    QStringList names;
    for (int i = 0; i < Check.size(); ++i)
        if (Check.at(i)->isChecked() && m_done.at(i))
            names.append(Check.at(i)->text());
    return names;
}

void FrmCompactDB::ShowRepairedList()
{
    const QStringList names = compactedNames();
    if (names.isEmpty())
        return;
    QString text = QStringLiteral("Database which has been reparied during this action are:\r\n");
    for (const QString &name : names)
        text += name + QStringLiteral("\r\n");
    Prompter::instance().plainMessage(text, AppPaths::applicationTitle(),
                                      Prompter::PlainIcon::Information);
}

void FrmCompactDB::showFor(FrmMain *main)
{
    FrmCompactDB window(DatabaseFolder, main);
    window.restoreForm = [main] { main->RestoreForm(); };
    runDbMaintenanceModal(&window);
}
