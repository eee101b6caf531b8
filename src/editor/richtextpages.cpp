#include "editor/richtextpages.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>
#include <QTextFrame>

#include <cmath>

RichTextPages::RichTextPages(const QTextDocument &source, QSizeF pageInches, QMarginsF marginInches)
    : m_document(source.clone()), m_layoutDevice(1, 1, QImage::Format_RGB32),
      m_pageInches(pageInches)
{
    // A device of its own keeps the font metrics the same for every target.
    const int dotsPerMeter = qRound(LayoutDpi / 0.0254);
    m_layoutDevice.setDotsPerMeterX(dotsPerMeter);
    m_layoutDevice.setDotsPerMeterY(dotsPerMeter);
    m_document->documentLayout()->setPaintDevice(&m_layoutDevice);

    // Margins wider than the page would leave no room at all; keep an inch of text at least.
    const double width = pageInches.width() * LayoutDpi;
    const double height = pageInches.height() * LayoutDpi;
    QMarginsF margins = marginInches * LayoutDpi;
    if (margins.left() + margins.right() > width - LayoutDpi)
        margins.setLeft(0), margins.setRight(0);
    if (margins.top() + margins.bottom() > height - LayoutDpi)
        margins.setTop(0), margins.setBottom(0);

    m_document->setDocumentMargin(0); // before the frame's own margins, which it would reset
    QTextFrameFormat frame = m_document->rootFrame()->frameFormat();
    frame.setLeftMargin(margins.left());
    frame.setRightMargin(margins.right());
    frame.setTopMargin(margins.top());
    frame.setBottomMargin(margins.bottom());
    frame.setPadding(0);
    frame.setBorder(0);
    m_document->rootFrame()->setFrameFormat(frame);
    m_document->setPageSize(QSizeF(width, height));
}

RichTextPages::~RichTextPages() = default;

int RichTextPages::pageCount() const
{
    return std::max(1, m_document->pageCount());
}

void RichTextPages::drawPage(QPainter &painter, int page, double dotsPerInch) const
{
    const QSizeF size = m_document->pageSize();
    const double scale = dotsPerInch / LayoutDpi;
    painter.save();
    painter.scale(scale, scale);
    const QRectF paper(0, 0, size.width(), size.height());
    painter.setClipRect(paper, Qt::IntersectClip);
    painter.translate(0, -(page - 1) * size.height());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = paper.translated(0, (page - 1) * size.height());
    context.palette.setColor(QPalette::Text, Qt::black);
    m_document->documentLayout()->draw(&painter, context);
    painter.restore();
}

QImage RichTextPages::pageImage(int page, double dotsPerInch) const
{
    const QSize pixels(std::max(1, int(std::lround(m_pageInches.width() * dotsPerInch))),
                       std::max(1, int(std::lround(m_pageInches.height() * dotsPerInch))));
    QImage image(pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawPage(painter, page, dotsPerInch);
    return image;
}
