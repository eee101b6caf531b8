#include "editor/frmdocpreview.h"
#include "editor/richtextpages.h"
#include "platform/richtext/richtextbox.h"
#include "scriptedprompter.h"
#include "winsvc/msubclass.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <cmath>

namespace {

// Answers the print dialog by printing to a PDF file over a page range.
class PdfPrompter : public ScriptedPrompter
{
public:
    QString pdf;
    int from = 0;
    int to = 0;
    int dialogs = 0;

    bool printSetup(QPrinter *printer, const QString &title) override
    {
        ++dialogs;
        if (!ScriptedPrompter::printSetup(printer, title))
            return false;
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        printer->setPageSize(QPageSize(QPageSize::A4));
        printer->setFromTo(from, to);
        return true;
    }
};

QString longAnswerRtf(int paragraphs)
{
    QString rtf = QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ");
    for (int i = 1; i <= paragraphs; ++i)
        rtf += QStringLiteral("Paragraph %1 of the long answer about pointers.\\par ").arg(i);
    return rtf + QLatin1Char('}');
}

QString writeRtf(const QTemporaryDir &dir, const QString &rtf)
{
    const QString path = dir.filePath(QStringLiteral("PrinTemp.rtf"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(rtf.toLatin1());
    return path;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPages(const QString &pdf)
{
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    for (const QString &line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The rows and columns of a page picture that hold ink.
QRect inkBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 200)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void pagesOfALongAnswerKeepTheMargins()
    {
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        frmDocPreview preview;
        QVERIFY(preview.Form_Load(writeRtf(dir, longAnswerRtf(150)), false));
        QVERIFY(preview.TotalPages() > 2);
        QCOMPARE(preview.txtTotalPages->text(),
                 QStringLiteral("Total %1 pages").arg(preview.TotalPages()));
        QCOMPARE(preview.cboPageNo->count(), preview.TotalPages());
        QCOMPARE(preview.cboScale->currentText(), QStringLiteral("25"));

        // At 100 % one inch is 96 pixels: no ink inside the margins of any page.
        preview.cboScale->setCurrentIndex(1);
        preview.cboScale_Click();
        for (int page : {1, 2}) {
            preview.cboPageNo->setCurrentIndex(page - 1);
            preview.cboPageNo_Click();
            const QImage image = preview.shownPage();
            const QRect ink = inkBounds(image);
            QVERIFY(!ink.isEmpty());
            QVERIFY2(ink.left() >= 96 && ink.top() >= 96, qPrintable(QString::number(ink.top())));
            QVERIFY(ink.right() < image.width() - 96);
            QVERIFY(ink.bottom() < image.height() - 96);
            if (page == 1)
                QVERIFY(ink.bottom() > image.height() - 96 - 40); // the page is full
        }
        // the margins are the shared ones
        QCOMPARE(MarginLeft + MarginRight + MarginTop + MarginBottom, 4);
        // The page is the printer's printable area, not the whole sheet.
        const QSizeF printable = QPrinter().pageLayout().paintRectPoints().size() / 72.0 * 96.0;
        QCOMPARE(preview.shownPage().size(),
                 QSize(qRound(printable.width()), qRound(printable.height())));

        // The toolbar's text and combo boxes and its button have the flat look.
        for (QWidget *control :
             {static_cast<QWidget *>(preview.cmdClose),
              static_cast<QWidget *>(preview.txtTotalPages),
              static_cast<QWidget *>(preview.cboPageNo), static_cast<QWidget *>(preview.cboScale)})
            QVERIFY2(MSubClass::IsWatched(control), qPrintable(control->objectName()));

        // Its five buttons show pictures, each its own, not their keys as text.
        QList<QImage> pictures;
        for (const char *key : {"Print", "Up", "Down", "Previous", "Next"}) {
            QAction *button = preview.button(QString::fromLatin1(key));
            auto *tool = qobject_cast<QToolButton *>(preview.TB->widgetForAction(button));
            QVERIFY2(tool, key);
            const QImage picture = tool->icon().pixmap(tool->iconSize()).toImage();
            QVERIFY2(!picture.isNull() && !inkBounds(picture).isEmpty(), key);
            QVERIFY2(!pictures.contains(picture), key);
            pictures.append(picture);
        }
    }

    void pageAndScaleButtonsFollowTheView()
    {
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        frmDocPreview preview;
        QVERIFY(preview.Form_Load(writeRtf(dir, longAnswerRtf(150)), false));
        QAction *previous = preview.button(QStringLiteral("Previous"));
        QAction *next = preview.button(QStringLiteral("Next"));
        QAction *up = preview.button(QStringLiteral("Up"));
        QAction *down = preview.button(QStringLiteral("Down"));
        QVERIFY(!previous->isEnabled() && next->isEnabled());

        const QImage first = preview.shownPage();
        next->trigger();
        QCOMPARE(preview.CurrentPage(), 2);
        QVERIFY(previous->isEnabled());
        QVERIFY(preview.shownPage() != first);

        // Stepping the scale: Up stops at 150, Down at 25; the page stays.
        const QSize small = preview.shownPage().size();
        for (int i = 0; i < 6; ++i)
            up->trigger();
        QCOMPARE(preview.ScaleIndex(), 1);
        QCOMPARE(preview.cboScale->currentText(), QStringLiteral("150"));
        QVERIFY(!up->isEnabled() && down->isEnabled());
        // "150" is one and a half times the area of "100": each side by the root of 1.5.
        const QSize large = preview.shownPage().size();
        // Wider than the window: centred, both sides cut, no sideways scrolling.
        preview.resize(large.width() / 2, 400);
        preview.show();
        QScrollBar *sideways = preview.PicZ->horizontalScrollBar();
        QTRY_VERIFY(sideways->maximum() > 0);
        sideways->setValue(0);
        QVERIFY(!sideways->isVisible() && sideways->value() == sideways->maximum() / 2);
        down->trigger();
        const QSize normal = preview.shownPage().size();
        QVERIFY(qAbs(large.width() - normal.width() * std::sqrt(1.5)) <= 1.0);
        QVERIFY(qAbs(large.height() - normal.height() * std::sqrt(1.5)) <= 1.0);
        QVERIFY(qAbs(double(large.width()) * large.height() / (normal.width() * normal.height()) -
                     1.5) < 0.01);
        QVERIFY(up->isEnabled() && down->isEnabled());
        for (int i = 0; i < 6; ++i)
            down->trigger();
        QCOMPARE(preview.ScaleIndex(), 5);
        QVERIFY(up->isEnabled() && !down->isEnabled());
        QCOMPARE(preview.shownPage().size(), small);
        QCOMPARE(preview.CurrentPage(), 2);

        preview.cboPageNo->setCurrentIndex(preview.TotalPages() - 1);
        preview.cboPageNo_Click();
        QVERIFY(!next->isEnabled());
        preview.NextPage();
        QCOMPARE(preview.CurrentPage(), preview.TotalPages());
    }

    void emptyOrUnreadableAnswers()
    {
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        {
            frmDocPreview preview;
            QVERIFY(preview.Form_Load(writeRtf(dir, QStringLiteral("{\\rtf1 }")), false));
            QCOMPARE(preview.txtTotalPages->text(), QStringLiteral("Total 1 pages"));
            QVERIFY(!preview.button(QStringLiteral("Previous"))->isEnabled());
            QVERIFY(!preview.button(QStringLiteral("Next"))->isEnabled());
        }
        frmDocPreview preview;
        QVERIFY(!preview.Form_Load(dir.filePath(QStringLiteral("none.rtf")), false));
        QCOMPARE(prompter.prompts(),
                 QStringList{
                     QStringLiteral("Print preview can not start initialize! Please try again.")});
    }

    void directPrintWritesTheAnswerToPdf()
    {
        QTemporaryDir dir;
        PdfPrompter prompter;
        prompter.pdf = dir.filePath(QStringLiteral("out.pdf"));
        prompter.answer(QStringLiteral("print"));
        frmDocPreview preview;
        const QString rtf = QStringLiteral(
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Dangling \\b pointers\\b0  point "
            "nowhere.\\par}");
        QVERIFY(!preview.Form_Load(writeRtf(dir, rtf), true));
        QCOMPARE(prompter.dialogs, 1);
        QCOMPARE(pdfPages(prompter.pdf), 1);
        const QString text = run(QStringLiteral("pdftotext"), {prompter.pdf, QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("Dangling pointers point nowhere.")),
                 qPrintable(text));
    }

    void printedRangesMatchThePreview()
    {
        QTemporaryDir dir;
        PdfPrompter prompter;
        const QString path = writeRtf(dir, longAnswerRtf(150));
        frmDocPreview preview;
        QVERIFY(preview.Form_Load(path, false));
        const int total = preview.TotalPages();
        QVERIFY(total >= 3);

        struct Case
        {
            int from, to, pages;
        };
        // "All" comes as 0..0; an end of 0 or past the text runs to the end.
        const Case cases[] = {{0, 0, total},      {1, 0, total}, {3, 3, 1},
                              {2, 99, total - 1}, {2, 2, 1},     {total + 1, total + 1, 0}};
        int round = 0;
        for (const Case &c : cases) {
            prompter.pdf = dir.filePath(QStringLiteral("range%1.pdf").arg(++round));
            prompter.from = c.from;
            prompter.to = c.to;
            prompter.answer(QStringLiteral("print"));
            preview.PrintDoc();
            if (c.pages == 0) {
                QVERIFY(!QFile::exists(prompter.pdf));
                continue;
            }
            QVERIFY2(pdfPages(prompter.pdf) == c.pages,
                     qPrintable(QStringLiteral("%1..%2 of %3: %4 pages")
                                    .arg(c.from)
                                    .arg(c.to)
                                    .arg(total)
                                    .arg(pdfPages(prompter.pdf))));
        }
        // Page 3 alone is page 3 of the whole document: one layout, however much is printed.
        const QString third =
            run(QStringLiteral("pdftotext"),
                {dir.filePath(QStringLiteral("range3.pdf")), QStringLiteral("-")});
        const QString inWhole = run(
            QStringLiteral("pdftotext"),
            {QStringLiteral("-f"), QStringLiteral("3"), QStringLiteral("-l"), QStringLiteral("3"),
             dir.filePath(QStringLiteral("range1.pdf")), QStringLiteral("-")});
        QVERIFY(third.trimmed().startsWith(QStringLiteral("Paragraph")));
        QCOMPARE(third, inWhole);

        // A cancelled dialog prints nothing; an empty text starts no job.
        prompter.pdf = dir.filePath(QStringLiteral("cancelled.pdf"));
        prompter.cancel();
        preview.PrintDoc();
        QVERIFY(!QFile::exists(prompter.pdf));
        frmDocPreview empty;
        prompter.pdf = dir.filePath(QStringLiteral("empty.pdf"));
        prompter.answer(QStringLiteral("print"));
        QVERIFY(!empty.Form_Load(writeRtf(dir, QStringLiteral("{\\rtf1 }")), true));
        QVERIFY(!QFile::exists(prompter.pdf));
    }

    void layoutIsTheSameOnEveryDevice()
    {
        RichTextBox box;
        box.setTextRtf(longAnswerRtf(150));
        const RichTextPages pages(*box.document(), QSizeF(8.27, 11.69), QMarginsF(1, 1, 1, 1));
        QPrinter printer(QPrinter::HighResolution);
        QTemporaryDir dir;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("all.pdf")));
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setFullPage(true);
        QPainter painter(&printer);
        for (int page = 1; page <= pages.pageCount(); ++page) {
            if (page > 1)
                printer.newPage();
            pages.drawPage(painter, page, printer.resolution());
        }
        painter.end();
        QCOMPARE(pdfPages(printer.outputFileName()), pages.pageCount());
        const QString text =
            run(QStringLiteral("pdftotext"), {printer.outputFileName(), QStringLiteral("-")});
        QVERIFY(text.contains(QStringLiteral("Paragraph 150 of")));
        QVERIFY(text.contains(QStringLiteral("Paragraph 1 of")));
    }
};

QTEST_MAIN(TestPreview)
#include "editor_preview.moc"
