#pragma once

#include <QImage>
#include <QMarginsF>
#include <QSizeF>

#include <memory>

class QPainter;
class QTextDocument;

// Lays a rich-text document out on pages once, for both the preview and the printer, so the
// page breaks on screen are the page breaks on paper. Sizes are in inches; the layout itself
// runs at a fixed 96 dots per inch, independent of the screen and of the printer.
class RichTextPages
{
public:
    static constexpr double LayoutDpi = 96.0;

    RichTextPages(const QTextDocument &source, QSizeF pageInches, QMarginsF marginInches);
    ~RichTextPages();

    // At least 1: an empty text still fills one (blank) page.
    int pageCount() const;
    QSizeF pageInches() const { return m_pageInches; }

    // Draws page `page` (from 1) with the painter's origin at the paper's top-left corner and
    // `dotsPerInch` device dots to the inch.
    void drawPage(QPainter &painter, int page, double dotsPerInch) const;
    // The page as a white picture at a resolution (pixels to the inch).
    QImage pageImage(int page, double dotsPerInch) const;

private:
    std::unique_ptr<QTextDocument> m_document;
    QImage m_layoutDevice;
    QSizeF m_pageInches;
};
