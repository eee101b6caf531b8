#pragma once

#include <private/qtextdocumentlayout_p.h>

#include <vector>

class QTextBlock;

// The rich text box's document layout. Qt's own one walks every paragraph after an edit to
// move it, even when nothing moved: in an answer of 500,000 lines each key would wait for
// that walk. An edit that leaves its paragraph as high as it was is laid out here in that
// paragraph alone; every other change (a new or joined paragraph, a line that wraps anew, a
// format, a layout still in progress) goes to Qt's layout, which then first lays out again
// from the earliest edit made here, so its own records of where paragraphs start stay true.
// The lines of the edited paragraph are taken as the document announces the edit: whoever
// recolours the paragraph after that (the keyword colouring) drops them. So the layout must
// be given to the document before anyone else listens to its changes.
class RichTextLayout : public QTextDocumentLayout
{
    Q_OBJECT

public:
    explicit RichTextLayout(QTextDocument *document);

    // How many edits were laid out here and by Qt's layout (for tests and benchmarks).
    int ownLayouts() const { return m_own; }
    int fullLayouts() const { return m_full; }

signals:
    // A change (a new width, say) made the whole text to be laid out again, step by step.
    void layoutRestarted();

protected:
    void documentChanged(int from, int oldLength, int length) override;

private:
    struct Line
    {
        QPointF position;
        qreal width;
        qreal height;
        qreal rawHeight;
    };

    void rememberLines(int position);
    bool relayoutInPlace(int from, int oldLength, int length);
    bool optionStillFits(const QTextBlock &block) const;

    int m_linesOf = -1; // the paragraph (its position) whose lines are remembered
    std::vector<Line> m_lines;
    int m_staleFrom = -1; // earliest position edited here since Qt's layout last ran
    int m_blockCount = -1;
    int m_own = 0;
    int m_full = 0;
};
