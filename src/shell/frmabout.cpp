#include "shell/frmabout.h"

#include "platform/base/apppaths.h"
#include "platform/base/externalprogram.h"
#include "platform/base/settingsstore.h"
#include "platform/prompt/fixeddialog.h"
#include "shell/label3dhost.h"
#include "shell/maillink.h"
#include "shell/messagebox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QVersionNumber>

#ifndef MARLUX_VERSION
#define MARLUX_VERSION "1.0.0"
#endif

namespace {

QPointer<frmAbout> aboutBox;

// The desktops' system-information programs, looked for on PATH in this order.
QList<ExternalProgram::Candidate> sysInfoPrograms()
{
    return {{QStringLiteral("hardinfo2"), {}},
            {QStringLiteral("hardinfo"), {}},
            {QStringLiteral("kinfocenter"), {}},
            {QStringLiteral("gnome-control-center"),
             {QStringLiteral("info-overview")},
             {QStringLiteral("GNOME"), QStringLiteral("Unity")}},
            {QStringLiteral("xfce4-about"), {}}};
}

QWidget *line(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

frmAbout::frmAbout(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + AppPaths::applicationTitle());
    FixedDialog::apply(this);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/icons/marlux.png")));
    Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    QFont versionFont(QStringLiteral("MS Sans Serif"));
    versionFont.setPointSizeF(8.25);
    lblVersion = CreateLabel3D({{QStringLiteral("Font"), versionFont},
                                {QStringLiteral("ForeColor2"), 0xFFC0C0u},
                                {QStringLiteral("BackStyle"), 1},
                                {QStringLiteral("Caption"), QString()}},
                               this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setMinimumSize(260, 20);

    QFont descriptionFont(QStringLiteral("MS Sans Serif"));
    descriptionFont.setPointSizeF(9.75);
    lblDescription = CreateLabel3D({{QStringLiteral("Font"), descriptionFont},
                                    {QStringLiteral("ForeColor1"), 0xFFC0C0u},
                                    {QStringLiteral("ForeColor2"), 0u},
                                    {QStringLiteral("Alignment"), 2},
                                    {QStringLiteral("BackStyle"), 1},
                                    {QStringLiteral("Caption"), QString()}},
                                   this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setMinimumSize(380, 110);

    LblEmail = new QLabel(QStringLiteral("Send me e-mail for questions or bugs."), this);
    LblEmail->setObjectName(QStringLiteral("LblEmail"));
    LblEmail->setCursor(Qt::UpArrowCursor);
    LblEmail->installEventFilter(this);

    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    auto *texts = new QVBoxLayout;
    texts->addWidget(lblVersion);
    texts->addWidget(line(this));
    texts->addWidget(lblDescription, 1);
    texts->addWidget(line(this));
    texts->addWidget(LblEmail);
    auto *top = new QHBoxLayout;
    top->addWidget(Image1);
    top->addLayout(texts, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdOK);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    lblVersion->setProperty("Caption", versionText());
    lblDescription->setProperty("Caption", descriptionText());
    // The 3D label draws its caption as it is, so it gets the room the text needs.
    const QFontMetrics metrics(lblDescription->property("Font").value<QFont>());
    const QSize text = metrics.size(0, descriptionText());
    lblDescription->setMinimumSize(qMax(380, text.width() + 16), qMax(110, text.height() + 12));
}

frmAbout *frmAbout::ShowAbout(QWidget *owner)
{
    if (!aboutBox) {
        aboutBox = new frmAbout(owner);
        aboutBox->setAttribute(Qt::WA_DeleteOnClose);
    }
    aboutBox->setWindowModality(Qt::ApplicationModal);
    aboutBox->show();
    if (owner)
        aboutBox->move(owner->geometry().center() - aboutBox->rect().center());
    aboutBox->raise();
    aboutBox->activateWindow();
    return aboutBox;
}

QString frmAbout::versionText()
{
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QStringLiteral(MARLUX_VERSION);
    const QVersionNumber number = QVersionNumber::fromString(version);
    return QStringLiteral("Version %1.%2.%3")
        .arg(number.majorVersion())
        .arg(number.minorVersion())
        .arg(number.microVersion());
}

QString frmAbout::descriptionText()
{
    const QString title = AppPaths::applicationTitle();
    return title + QStringLiteral(" keeps your programming notes as questions and answers,\n"
                                  "grouped into topics, one database per subject.\n"
                                  "Browse, search, edit, print and export them, and keep\n"
                                  "an FTP client, a telnet terminal, a web browser and an\n"
                                  "image navigator at hand in the same window.");
}

QString frmAbout::contactAddress()
{
    return QStringLiteral("questions.and.bugs@marlux.example.org");
}

QString frmAbout::sysInfoSection()
{
    return QStringLiteral("Shared Tools");
}

QString frmAbout::sysInfoKey()
{
    return QStringLiteral("SystemInformation");
}

QUrl frmAbout::mailUrl(const QString &address, const QString &subject, const QString &body)
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), subject);
    query.addQueryItem(QStringLiteral("body"), body);
    // The texts go whole: a long address must not be cut and misdirect the mail.
    url.setQuery(query);
    return url;
}

void frmAbout::StartSysInfo()
{
    // The program the settings name comes first, then the desktops' own tools on PATH.
    const QString command = SettingsStore::instance()
                                .value(AppPaths::applicationTitle(), sysInfoSection(), sysInfoKey())
                                .toString();
    QList<ExternalProgram::Candidate> candidates{ExternalProgram::fromCommand(command)};
    candidates += sysInfoPrograms();
    if (ExternalProgram::startFirst(candidates))
        return;
    MsgBoxEx(QStringLiteral("System Information Is Unavailable At This Time"), 107, 4,
             QStringLiteral("FAILED"));
}

void frmAbout::LblEmail_Click()
{
    MailLink::open(mailUrl(contactAddress(),
                           QStringLiteral("Question or Bug for:") + AppPaths::applicationTitle(),
                           QStringLiteral("Please type here for your specification, thanks!")));
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LblEmail && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        LblEmail_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
