#include "richtextlayout.h"

#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <cmath>
#include <vector>

namespace {

// Layout positions are kept in 1/64 of a pixel.
bool near(qreal a, qreal b)
{
    return std::abs(a - b) < 1.0 / 32;
}

} // namespace

RichTextLayout::RichTextLayout(QTextDocument *document) : QTextDocumentLayout(document)
{
    connect(document, &QTextDocument::contentsChange, this,
            [this](int position, int, int) { rememberLines(position); });
}

void RichTextLayout::rememberLines(int position)
{
    m_lines.clear();
    m_linesOf = -1;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid() || layoutStatus() != 100)
        return;
    const QTextLayout *layout = block.layout();
    m_lines.reserve(size_t(layout->lineCount()));
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        m_lines.push_back({line.position(), line.width(), line.height(),
                           std::ceil(line.ascent() + line.descent() + line.leading())});
    }
    m_linesOf = block.position();
}

void RichTextLayout::documentChanged(int from, int oldLength, int length)
{
    if (relayoutInPlace(from, oldLength, length)) {
        ++m_own;
        return;
    }
    ++m_full;
    if (m_staleFrom >= 0 && m_staleFrom < from) {
        QTextDocument *doc = document();
        if (doc->findBlock(m_staleFrom) == doc->findBlock(from)) {
            // The same paragraph: one layout from the earlier edit covers both.
            const int extra = from - m_staleFrom;
            from = m_staleFrom;
            oldLength += extra;
            length += extra;
        } else {
            QTextDocumentLayout::documentChanged(m_staleFrom, 0, 0);
        }
    }
    m_staleFrom = -1;
    const bool wasLaidOut = layoutStatus() == 100;
    QTextDocumentLayout::documentChanged(from, oldLength, length);
    m_blockCount = document()->blockCount();
    if (wasLaidOut && layoutStatus() != 100)
        emit layoutRestarted();
}

bool RichTextLayout::optionStillFits(const QTextBlock &block) const
{
    // The options Qt's layout gives a paragraph; a paragraph whose format changed needs it.
    const QTextDocument *doc = document();
    const QTextBlockFormat format = block.blockFormat();
    const Qt::LayoutDirection direction = block.textDirection();
    QTextOption expected = doc->defaultTextOption();
    expected.setTextDirection(direction);
    expected.setTabs(format.tabPositions());
    Qt::Alignment alignment = expected.alignment();
    if (format.hasProperty(QTextFormat::BlockAlignment))
        alignment = format.alignment();
    expected.setAlignment(QStyle::visualAlignment(direction, alignment));
    if (format.nonBreakableLines())
        expected.setWrapMode(QTextOption::ManualWrap);
    const QTextOption &now = block.layout()->textOption();
    return now.textDirection() == expected.textDirection() &&
           now.alignment() == expected.alignment() && now.wrapMode() == expected.wrapMode() &&
           now.flags() == expected.flags() && now.tabs() == expected.tabs();
}

bool RichTextLayout::relayoutInPlace(int from, int oldLength, int length)
{
    QTextDocument *doc = document();
    // A change of formats alone reports equal lengths; paragraphs added or joined change the
    // count; pages, a layout in progress and unwrapped text need the whole layout.
    if (oldLength == length || layoutStatus() != 100 || doc->blockCount() != m_blockCount ||
        doc->pageSize().width() <= 0 || doc->pageSize().height() > 0)
        return false;
    const QTextBlock block = doc->findBlock(from);
    if (!block.isValid() || !block.isVisible() || block.textList() ||
        from + length > block.position() + block.length() ||
        doc->frameAt(from) != doc->rootFrame() || block.textDirection() != Qt::LeftToRight ||
        !optionStillFits(block))
        return false;
    std::vector<Line> lines;
    lines.swap(m_lines);
    const int count = int(lines.size());
    if (m_linesOf != block.position() || count == 0)
        return false;
    QTextLayout *layout = block.layout();

    // The lines keep their places and widths when the paragraph keeps its margins.
    const QTextBlockFormat format = block.blockFormat();
    const qreal indent = format.indent() * doc->indentWidth();
    const qreal left = format.leftMargin() + indent;
    const qreal width =
        doc->pageSize().width() - 2 * doc->documentMargin() - left - format.rightMargin();
    for (int i = 0; i < count; ++i) {
        const qreal textIndent = i == 0 ? format.textIndent() : 0;
        if (!near(lines[size_t(i)].position.x(), left + textIndent) ||
            !near(lines[size_t(i)].width, width - textIndent))
            return false;
    }

    layout->beginLayout();
    bool same = true;
    for (int i = 0; i < count && same; ++i) {
        QTextLine line = layout->createLine();
        if (!line.isValid()) {
            same = false;
            break;
        }
        line.setLeadingIncluded(true);
        line.setLineWidth(lines[size_t(i)].width);
        line.setPosition(lines[size_t(i)].position);
        same = line.height() == lines[size_t(i)].height &&
               std::ceil(line.ascent() + line.descent() + line.leading()) ==
                   lines[size_t(i)].rawHeight;
    }
    if (same && layout->createLine().isValid())
        same = false; // the text needs another line
    layout->endLayout();
    if (!same)
        return false; // Qt's layout lays the paragraph out again, whatever was done here

    if (m_staleFrom < 0 || from < m_staleFrom)
        m_staleFrom = from;
    const QRectF shown = blockBoundingRect(block);
    emit update(QRectF(0, shown.top(), doc->pageSize().width(), shown.height()));
    return true;
}
