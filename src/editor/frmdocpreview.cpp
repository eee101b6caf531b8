#include "editor/frmdocpreview.h"
#include "editor/richtextpages.h"
#include "kb/frmmain.h"
#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"
#include "platform/richtext/richtextbox.h"
#include "winsvc/flat.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>

int MarginLeft = 1;
int MarginRight = 1;
int MarginTop = 1;
int MarginBottom = 1;

namespace {

// "150", "100", "75", "50", "25" by scale index 1 to 5.
const int ScalePercent[] = {150, 100, 75, 50, 25};

// The page is the printer's printable area; the margins lie inside it.
QSizeF printableInches(const QPrinter &printer)
{
    return printer.pageLayout().paintRectPoints().size() / 72.0;
}

// "150" is one and a half times the area of the "100" page, so each side grows by its root.
double scaleFactor(int scaleIndex)
{
    return scaleIndex == 1 ? std::sqrt(1.5) : ScalePercent[scaleIndex - 1] / 100.0;
}

QMarginsF marginInches()
{
    return QMarginsF(MarginLeft, MarginTop, MarginRight, MarginBottom);
}

} // namespace

frmDocPreview::frmDocPreview(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmDocPreview"));
    setWindowTitle(QStringLiteral("Print Preview"));
    FixedDialog::apply(this);

    RTBPrint = new RichTextBox(this);
    RTBPrint->setObjectName(QStringLiteral("RTBPrint"));
    RTBPrint->hide();

    TB = new QToolBar(this);
    TB->setObjectName(QStringLiteral("TB"));
    auto addButton = [this](const char *key, const char *picture, const char *tip) {
        QAction *action = TB->addAction(FrmMain::CommandIcon(QString::fromLatin1(picture)),
                                        QString::fromLatin1(key));
        action->setObjectName(QString::fromLatin1(key));
        action->setToolTip(QString::fromLatin1(tip));
        const QString name = QString::fromLatin1(key);
        connect(action, &QAction::triggered, this, [this, name] { TB_ButtonClick(name); });
    };
    addButton("Print", "Print", "Print this document.");
    TB->addSeparator();
    addButton("Up", "Scale Up", "Scale Up.");
    addButton("Down", "Scale Down", "Scale Down.");
    TB->addSeparator();
    addButton("Previous", "Previous", "Previous page.");
    addButton("Next", "Next", "Next page.");
    TB->addSeparator();

    txtTotalPages = new QLineEdit(TB);
    txtTotalPages->setObjectName(QStringLiteral("txtTotalPages"));
    txtTotalPages->setReadOnly(true);
    txtTotalPages->setMaximumWidth(130);
    TB->addWidget(txtTotalPages);
    cboPageNo = new QComboBox(TB);
    cboPageNo->setObjectName(QStringLiteral("cboPageNo"));
    TB->addWidget(cboPageNo);
    cboScale = new QComboBox(TB);
    cboScale->setObjectName(QStringLiteral("cboScale"));
    TB->addWidget(cboScale);
    auto *spacer = new QWidget(TB);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    TB->addWidget(spacer);
    cmdClose = new QPushButton(QStringLiteral("Close"), TB);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    TB->addWidget(cmdClose);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    // The canvas scrolls up and down only: a page wider than the window stays centred, both
    // of its sides cut.
    PicZ = new QScrollArea(this);
    PicZ->setObjectName(QStringLiteral("PicZ"));
    PicZ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    PicZ->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QScrollBar *sideways = PicZ->horizontalScrollBar();
    const auto centre = [sideways] {
        sideways->setValue((sideways->minimum() + sideways->maximum()) / 2);
    };
    connect(sideways, &QScrollBar::rangeChanged, this, centre);
    // A sideways wheel or key still moves the hidden bar.
    connect(sideways, &QScrollBar::valueChanged, this, [sideways, centre](int value) {
        if (value != (sideways->minimum() + sideways->maximum()) / 2)
            centre();
    });
    PicZ->setStyleSheet(QStringLiteral("QScrollArea { background: #C0C0FF; }"));
    m_page = new QLabel;
    m_page->setObjectName(QStringLiteral("PicPage"));
    PicZ->setWidget(m_page);
    PicZ->setWidgetResizable(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TB);
    layout->addWidget(PicZ, 1);
}

frmDocPreview::~frmDocPreview() = default;

void frmDocPreview::Preview(QWidget *owner, const QString &rtfPath, bool directPrint)
{
    frmDocPreview window(owner);
    if (!window.Form_Load(rtfPath, directPrint))
        return;
    window.setWindowState(Qt::WindowMaximized);
    window.exec();
}

void frmDocPreview::AttachFlatControls()
{
    m_flatControls.clear();
    m_flatControls.attach({cmdClose, txtTotalPages, cboPageNo, cboScale});
}

void frmDocPreview::InitMargins()
{
    MarginLeft = MarginRight = MarginTop = MarginBottom = 1;
}

bool frmDocPreview::Form_Load(const QString &rtfPath, bool directPrint)
{
    AttachFlatControls();
    InitMargins();
    if (!RTBPrint->loadFile(rtfPath, RichTextBox::RtfFile)) {
        Prompter::instance().messageBox(
            QStringLiteral("Print preview can not start initialize! Please try again."), 103, 4,
            QStringLiteral("ERROR"));
        return false;
    }
    if (directPrint) {
        PrintDoc();
        return false;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    layoutPages();
    FillPageList();
    FillScaleList();
    m_scaleIndex = 5;
    UpdatePageButtons();
    ShowScalePicture();
    QGuiApplication::restoreOverrideCursor();
    return true;
}

void frmDocPreview::layoutPages()
{
    const QPrinter printer;
    m_pages = std::make_unique<RichTextPages>(*RTBPrint->document(), printableInches(printer),
                                              marginInches());
    m_totalPages = m_pages->pageCount();
}

void frmDocPreview::FillPageList()
{
    txtTotalPages->setText(QStringLiteral("Total ") + QString::number(m_totalPages) +
                           QStringLiteral(" pages"));
    const QSignalBlocker blocker(cboPageNo);
    cboPageNo->clear();
    for (int page = 1; page <= m_totalPages; ++page)
        cboPageNo->addItem(QString::number(page));
    cboPageNo->setCurrentIndex(0);
    connect(cboPageNo, &QComboBox::activated, this, &frmDocPreview::cboPageNo_Click,
            Qt::UniqueConnection);
}

void frmDocPreview::FillScaleList()
{
    const QSignalBlocker blocker(cboScale);
    cboScale->clear();
    for (int percent : ScalePercent)
        cboScale->addItem(QString::number(percent));
    cboScale->setCurrentIndex(4);
    connect(cboScale, &QComboBox::activated, this, &frmDocPreview::cboScale_Click,
            Qt::UniqueConnection);
}

int frmDocPreview::CurrentPage() const
{
    return cboPageNo->currentIndex() + 1;
}

QAction *frmDocPreview::button(const QString &key) const
{
    return TB->findChild<QAction *>(key);
}

QImage frmDocPreview::shownPage() const
{
    return m_page->pixmap().toImage();
}

void frmDocPreview::TB_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Print"))
        PrintAndClose();
    else if (key == QLatin1String("Up"))
        ScaleUp();
    else if (key == QLatin1String("Down"))
        ScaleDown();
    else if (key == QLatin1String("Previous"))
        PreviousPage();
    else if (key == QLatin1String("Next"))
        NextPage();
}

void frmDocPreview::UpdatePageButtons()
{
    const int page = CurrentPage();
    button(QStringLiteral("Previous"))->setEnabled(m_totalPages > 1 && page > 1);
    button(QStringLiteral("Next"))->setEnabled(m_totalPages > 1 && page < m_totalPages);
}

void frmDocPreview::UpdateScaleButtons()
{
    button(QStringLiteral("Up"))->setEnabled(m_scaleIndex > 1);
    button(QStringLiteral("Down"))->setEnabled(m_scaleIndex < 5);
}

void frmDocPreview::cboPageNo_Click()
{
    UpdatePageButtons();
    ShowScalePicture();
}

void frmDocPreview::PreviousPage()
{
    if (m_totalPages == 1 || CurrentPage() <= 1)
        return;
    cboPageNo->setCurrentIndex(cboPageNo->currentIndex() - 1);
    cboPageNo_Click();
}

void frmDocPreview::NextPage()
{
    if (m_totalPages == 1 || CurrentPage() >= m_totalPages)
        return;
    cboPageNo->setCurrentIndex(cboPageNo->currentIndex() + 1);
    cboPageNo_Click();
}

void frmDocPreview::cboScale_Click()
{
    const int percent = cboScale->currentText().toInt();
    for (int index = 1; index <= 5; ++index)
        if (ScalePercent[index - 1] == percent)
            m_scaleIndex = index;
    UpdateScaleButtons();
    ShowScalePicture();
}

void frmDocPreview::ScaleUp()
{
    if (m_scaleIndex <= 1)
        return;
    --m_scaleIndex;
    cboScale->setCurrentIndex(m_scaleIndex - 1);
    UpdateScaleButtons();
    ShowScalePicture();
}

void frmDocPreview::ScaleDown()
{
    if (m_scaleIndex >= 5)
        return;
    ++m_scaleIndex;
    cboScale->setCurrentIndex(m_scaleIndex - 1);
    UpdateScaleButtons();
    ShowScalePicture();
}

void frmDocPreview::ShowScalePicture()
{
    if (!m_pages || m_scaleIndex < 1 || m_scaleIndex > 5)
        return;
    // Only the page shown is drawn, at the scale shown: a page or scale change costs one page.
    const double dotsPerInch = RichTextPages::LayoutDpi * scaleFactor(m_scaleIndex);
    m_page->setPixmap(QPixmap::fromImage(m_pages->pageImage(CurrentPage(), dotsPerInch)));
    m_page->adjustSize();
}

void frmDocPreview::PrintAndClose()
{
    PrintDoc();
    accept();
}

void frmDocPreview::PrintDoc()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Print Preview"));
    if (!Prompter::instance().printSetup(&printer, QStringLiteral("Print")))
        return;
    // An empty text prints no page and starts no job.
    if (RTBPrint->textLength() == 0)
        return;
    const RichTextPages pages(*RTBPrint->document(), printableInches(printer), marginInches());
    const int last = pages.pageCount();
    // "All pages" comes back as 0 to 0; an end below the start or past the text means the end.
    int from = printer.fromPage();
    int to = printer.toPage();
    if (from < 1)
        from = 1;
    if (to < from || to > last)
        to = last;
    if (from > last)
        return;
    // The range is ours to apply; the printer must not filter the pages again. The painter's
    // origin stays at the printable area's corner, where the pages were laid out.
    printer.setPageRanges(QPageRanges());
    QPainter painter;
    if (!painter.begin(&printer)) {
        Prompter::instance().messageBox(QStringLiteral("Could not start printing on ") +
                                            printer.printerName() +
                                            QStringLiteral("! Please try again."),
                                        103, 4, QStringLiteral("ERROR"));
        return;
    }
    for (int page = from; page <= to; ++page) {
        if (page > from)
            printer.newPage();
        pages.drawPage(painter, page, printer.resolution());
    }
    painter.end();
}
