#include "richtextbox.h"

#include "platform/base/checkedwrite.h"
#ifdef MARLUX_OWN_TEXT_LAYOUT
#include "richtextlayout.h"
#endif
#include "rtfreader.h"
#include "rtfwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPointer>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace {

bool isBreak(QChar c)
{
    const char16_t u = c.unicode();
    return u == QChar::ParagraphSeparator || u == QChar::LineSeparator || u == 0xFDD0 ||
           u == 0xFDD1;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

QString toDocumentText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(true);
    useOwnLayout(document());
    connect(document(), &QTextDocument::contentsChange, this, &RichTextBox::onContentsChange);
    ensureCache();
}

void RichTextBox::ensureCache() const
{
    if (m_cache.valid)
        return;
    m_cache.raw = document()->toRawText();
    m_cache.breaks.clear();
    const QString &raw = m_cache.raw;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (isBreak(raw[i]))
            m_cache.breaks.push_back(int(i));
    }
    m_cache.textValid = false;
    m_cache.valid = true;
}

void RichTextBox::ensureText() const
{
    ensureCache();
    if (m_cache.textValid)
        return;
    const QString &raw = m_cache.raw;
    QString text;
    text.reserve(raw.size() + qsizetype(m_cache.breaks.size()));
    qsizetype from = 0;
    for (const int at : m_cache.breaks) {
        text.append(QStringView(raw).sliced(from, at - from));
        text.append(QLatin1String("\r\n"));
        from = at + 1;
    }
    text.append(QStringView(raw).sliced(from));
    m_cache.text = text;
    m_cache.textValid = true;
}

void RichTextBox::onContentsChange(int position, int removed, int added)
{
    m_touched = true;
    if (!m_cache.valid) {
        emit changed();
        return;
    }
    // The characters are patched in where they changed, so a key in a huge answer costs the
    // key and not the whole text. The lengths come from the document itself: the reported
    // ones may count the final paragraph end.
    const int oldLength = int(m_cache.raw.size());
    const int newLength = document()->characterCount() - 1;
    position = std::clamp(position, 0, oldLength);
    removed = std::clamp(removed, 0, oldLength - position);
    added = newLength - (oldLength - removed);
    if (added < 0) {
        m_cache.valid = false;
        ensureCache();
        emit changed();
        return;
    }
    QTextCursor cursor(document());
    cursor.setPosition(position);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    const QString now = cursor.selectedText();
    const QStringView before = QStringView(m_cache.raw).mid(position, removed);
    if (removed == added) {
        // format changes (and the keyword overlay) keep the characters
        bool same = true;
        for (qsizetype i = 0; same && i < now.size(); ++i) {
            const QChar a = now[i], b = before[i];
            same = a == b || (isBreak(a) && isBreak(b));
        }
        if (same)
            return;
    }
    auto &breaks = m_cache.breaks;
    const auto first = std::lower_bound(breaks.begin(), breaks.end(), position);
    const auto last = std::lower_bound(first, breaks.end(), position + removed);
    const int shift = added - removed;
    for (auto it = last; it != breaks.end(); ++it)
        *it += shift;
    std::vector<int> inserted;
    for (qsizetype i = 0; i < now.size(); ++i)
        if (isBreak(now[i]))
            inserted.push_back(position + int(i));
    breaks.insert(breaks.erase(first, last), inserted.begin(), inserted.end());
    m_cache.raw.replace(position, removed, now);
    m_cache.textValid = false;
    emit changed();
}

QString RichTextBox::text() const
{
    ensureText();
    return m_cache.text;
}

int RichTextBox::textLength() const
{
    ensureCache();
    return int(m_cache.raw.size() + qsizetype(m_cache.breaks.size()));
}

void RichTextBox::setText(const QString &text)
{
    forget();
    document()->setPlainText(toDocumentText(text));
    setTextCursor(QTextCursor(document()));
    watchLayout();
}

int RichTextBox::toOffset(int position) const
{
    ensureCache();
    const auto before = std::lower_bound(m_cache.breaks.begin(), m_cache.breaks.end(), position);
    return position + int(before - m_cache.breaks.begin());
}

int RichTextBox::toPosition(int offset, bool roundUp) const
{
    ensureCache();
    const auto &breaks = m_cache.breaks;
    offset = std::clamp(offset, 0, textLength());
    // breaks wholly before offset: break i spans offsets [b_i + i, b_i + i + 2)
    int low = 0, high = int(breaks.size());
    while (low < high) {
        const int mid = (low + high) / 2;
        if (breaks[mid] + mid + 2 <= offset)
            low = mid + 1;
        else
            high = mid;
    }
    const int whole = low;
    if (whole < int(breaks.size()) && breaks[whole] + whole + 1 == offset)
        return roundUp ? breaks[whole] + 1 : breaks[whole]; // between CR and LF
    return offset - whole;
}

void RichTextBox::forget()
{
    m_hasSource = false;
    m_source.clear();
    m_sourceBytes.clear();
    m_sourceWritten.clear();
}

void RichTextBox::remember(const QString &source, bool fromFile, const QByteArray &fileBytes)
{
    m_hasSource = true;
    m_source = source;
    m_sourceBytes.clear();
    if (fromFile && RtfReader::isRtf(fileBytes))
        m_sourceBytes = fileBytes;
    else if (!fromFile && RtfReader::isRtf(QStringView(source)) &&
             std::all_of(source.begin(), source.end(), [](QChar c) { return c.unicode() < 0x80; }))
        m_sourceBytes = source.toLatin1();
    m_sourceWritten = RtfWriter::write(document());
    m_touched = false;
}

template <typename Fill> void RichTextBox::replaceDocument(Fill fill)
{
    const QPointer<QTextDocument> old = document();
    auto *doc = new QTextDocument(this);
    doc->setDefaultFont(old->defaultFont());
    doc->setDefaultTextOption(old->defaultTextOption());
    doc->setDefaultStyleSheet(old->defaultStyleSheet());
    doc->setDocumentMargin(old->documentMargin());
    doc->setIndentWidth(old->indentWidth());
    doc->setUseDesignMetrics(old->useDesignMetrics());
    doc->setUndoRedoEnabled(old->isUndoRedoEnabled());
    fill(doc);
    useOwnLayout(doc);
    // a shown document lays out again on every paragraph added: minutes for a huge answer
    setDocument(doc);
    // The edit carries the old caret's format over to a new document; typing starts in the
    // new document's own format.
    setTextCursor(QTextCursor(doc));
    connect(doc, &QTextDocument::contentsChange, this, &RichTextBox::onContentsChange);
    if (old && old->parent() == this)
        delete old;
    m_touched = true;
    m_cache.valid = false;
    ensureCache();
    emit documentReplaced(doc);
    emit changed();
    watchLayout();
}

void RichTextBox::useOwnLayout(QTextDocument *document)
{
#ifdef MARLUX_OWN_TEXT_LAYOUT
    auto *layout = new RichTextLayout(document);
    document->setDocumentLayout(layout);
    connect(layout, &RichTextLayout::layoutRestarted, this, &RichTextBox::watchLayout);
#else
    Q_UNUSED(document);
#endif
}

bool RichTextBox::isLaidOut() const
{
#ifdef MARLUX_OWN_TEXT_LAYOUT
    const auto *layout = qobject_cast<const RichTextLayout *>(document()->documentLayout());
    return !layout || layout->layoutStatus() == 100;
#else
    return true; // Qt's public layout tells no progress
#endif
}

void RichTextBox::watchLayout()
{
    disconnect(m_layoutWatch);
    if (isLaidOut()) {
        emit laidOut();
        return;
    }
    emit layingOut();
    // the layout reports its size as it goes, and once more when it is done
    m_layoutWatch = connect(document()->documentLayout(),
                            &QAbstractTextDocumentLayout::documentSizeChanged, this, [this] {
                                if (!isLaidOut())
                                    return;
                                disconnect(m_layoutWatch);
                                emit laidOut();
                            });
}

void RichTextBox::setTextRtf(const QString &rtf)
{
    replaceDocument([&](QTextDocument *doc) { RtfReader::read(rtf, doc); });
    remember(rtf, false, {});
}

QString RichTextBox::textRtf() const
{
    if (m_hasSource && !m_touched)
        return m_source;
    const QByteArray written = RtfWriter::write(document());
    if (m_hasSource && written == m_sourceWritten)
        return m_source;
    return QString::fromLatin1(written);
}

bool RichTextBox::isModified() const
{
    return !m_hasSource || (m_touched && RtfWriter::write(document()) != m_sourceWritten);
}

int RichTextBox::selStart() const
{
    return toOffset(textCursor().selectionStart());
}

void RichTextBox::setSelStart(int offset)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(toPosition(offset));
    setTextCursor(cursor);
}

int RichTextBox::selLength() const
{
    const QTextCursor cursor = textCursor();
    return toOffset(cursor.selectionEnd()) - toOffset(cursor.selectionStart());
}

void RichTextBox::setSelLength(int length)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = toPosition(toOffset(start) + std::max(length, 0), true);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextBox::selText() const
{
    QString selected = textCursor().selectedText();
    QString out;
    out.reserve(selected.size());
    for (const QChar c : selected) {
        if (isBreak(c))
            out.append(QLatin1String("\r\n"));
        else
            out.append(c);
    }
    return out;
}

void RichTextBox::setSelText(const QString &text)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(toDocumentText(text));
    setTextCursor(cursor);
}

template <typename Value, typename Get> std::optional<Value> RichTextBox::uniform(Get get) const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return get(cursor.charFormat());
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::optional<Value> value;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = fragment.position();
            if (from + fragment.length() <= start || from >= end)
                continue;
            const Value here = get(fragment.charFormat());
            if (!value)
                value = here;
            else if (!(*value == here))
                return std::nullopt;
        }
    }
    if (!value)
        return get(cursor.charFormat());
    return value;
}

void RichTextBox::mergeFormat(const QTextCharFormat &format)
{
    mergeCurrentCharFormat(format);
}

QColor RichTextBox::selColor() const
{
    const auto colour = uniform<QColor>([this](const QTextCharFormat &format) {
        const QBrush brush = format.foreground();
        return brush.style() == Qt::NoBrush ? palette().color(QPalette::Text) : brush.color();
    });
    return colour.value_or(QColor());
}

void RichTextBox::setSelColor(const QColor &colour)
{
    QTextCharFormat format;
    format.setForeground(colour);
    mergeFormat(format);
}

std::optional<bool> RichTextBox::selBold() const
{
    return uniform<bool>(
        [](const QTextCharFormat &format) { return format.fontWeight() > QFont::Medium; });
}

void RichTextBox::setSelBold(bool on)
{
    QTextCharFormat format;
    format.setFontWeight(on ? QFont::Bold : QFont::Normal);
    mergeFormat(format);
}

std::optional<bool> RichTextBox::selItalic() const
{
    return uniform<bool>([](const QTextCharFormat &format) { return format.fontItalic(); });
}

void RichTextBox::setSelItalic(bool on)
{
    QTextCharFormat format;
    format.setFontItalic(on);
    mergeFormat(format);
}

std::optional<bool> RichTextBox::selUnderline() const
{
    return uniform<bool>([](const QTextCharFormat &format) { return format.fontUnderline(); });
}

void RichTextBox::setSelUnderline(bool on)
{
    QTextCharFormat format;
    format.setFontUnderline(on);
    mergeFormat(format);
}

QString RichTextBox::selFontName() const
{
    const QString fallback = document()->defaultFont().family();
    return uniform<QString>([&](const QTextCharFormat &format) {
               const QString family = format.fontFamilies().toStringList().value(0);
               return family.isEmpty() ? fallback : family;
           })
        .value_or(QString());
}

void RichTextBox::setSelFontName(const QString &family)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    mergeFormat(format);
}

double RichTextBox::selFontSize() const
{
    const double fallback = document()->defaultFont().pointSizeF();
    return uniform<double>([&](const QTextCharFormat &format) {
               return format.fontPointSize() > 0 ? format.fontPointSize() : fallback;
           })
        .value_or(0.0);
}

void RichTextBox::setSelFontSize(double points)
{
    if (points <= 0)
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeFormat(format);
}

int RichTextBox::selAlignment() const
{
    auto alignmentOf = [](const QTextBlock &block) {
        const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignJustify)
            return int(AlignJustify);
        if (align & Qt::AlignHCenter)
            return int(AlignCentre);
        if (align & (Qt::AlignRight | Qt::AlignTrailing))
            return int(AlignRight);
        return int(AlignLeft);
    };
    const QTextCursor cursor = textCursor();
    QTextBlock block = document()->findBlock(cursor.selectionStart());
    const QTextBlock last = document()->findBlock(cursor.selectionEnd());
    const int first = alignmentOf(block);
    while (block.isValid() && block != last) {
        block = block.next();
        if (block.isValid() && alignmentOf(block) != first)
            return AlignMixed;
    }
    return first;
}

void RichTextBox::setSelAlignment(int alignment)
{
    static constexpr Qt::Alignment aligns[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter,
                                               Qt::AlignJustify};
    if (alignment < AlignLeft || alignment > AlignJustify)
        return;
    QTextBlockFormat format;
    format.setAlignment(aligns[alignment]);
    QTextCursor cursor = textCursor();
    cursor.mergeBlockFormat(format);
}

int RichTextBox::find(const QString &what, int start, int end, int options)
{
    if (what.isEmpty())
        return -1;
    ensureText();
    const QString &text = m_cache.text;
    const int length = int(text.size());
    if (end < 0 || end > length)
        end = length;
    start = std::max(start, 0);
    const Qt::CaseSensitivity cs = options & MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    int at = start;
    while (at <= end - what.size()) {
        const qsizetype hit = text.indexOf(what, at, cs);
        if (hit < 0 || hit + what.size() > end)
            return -1;
        const qsizetype after = hit + what.size();
        const bool whole =
            !(options & WholeWord) || ((hit == 0 || !isWordChar(text[hit - 1])) &&
                                       (after >= text.size() || !isWordChar(text[after])));
        if (whole) {
            setSelectionHidden(options & NoHighlight);
            setSelStart(int(hit));
            setSelLength(int(what.size()));
            return int(hit);
        }
        at = int(hit) + 1;
    }
    return -1;
}

void RichTextBox::span(const QString &set, bool forward, bool negate)
{
    ensureText();
    const QString &text = m_cache.text;
    int start = selStart();
    int end = start + selLength();
    auto spans = [&](QChar c) { return set.contains(c) != negate; };
    if (forward) {
        while (end < text.size() && spans(text[end]))
            ++end;
    } else {
        while (start > 0 && spans(text[start - 1]))
            --start;
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(toPosition(start));
    cursor.setPosition(toPosition(end, true), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

int RichTextBox::lineCount() const
{
    document()->pageCount(); // finishes the layout
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines += block.layout() ? std::max(block.layout()->lineCount(), 1) : 1;
    return lines;
}

QColor RichTextBox::backColor() const
{
    return palette().color(QPalette::Base);
}

void RichTextBox::setBackColor(const QColor &colour)
{
    QPalette look = palette();
    look.setColor(QPalette::Base, colour);
    setPalette(look);
}

void RichTextBox::setLocked(bool locked)
{
    setReadOnly(locked);
    if (locked)
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void RichTextBox::setSelectionHidden(bool hidden)
{
    if (hidden == m_selectionHidden)
        return;
    // only the two selection roles change, so other palette changes made meanwhile survive
    QPalette now = palette();
    for (int i = 0; i < 3; ++i) {
        const auto group = QPalette::ColorGroup(i);
        if (hidden) {
            m_shownSelection[i][0] = now.color(group, QPalette::Highlight);
            m_shownSelection[i][1] = now.color(group, QPalette::HighlightedText);
            now.setColor(group, QPalette::Highlight, now.color(group, QPalette::Base));
            now.setColor(group, QPalette::HighlightedText, now.color(group, QPalette::Text));
        } else {
            now.setColor(group, QPalette::Highlight, m_shownSelection[i][0]);
            now.setColor(group, QPalette::HighlightedText, m_shownSelection[i][1]);
        }
    }
    setPalette(now);
    m_selectionHidden = hidden;
}

void RichTextBox::keyPressEvent(QKeyEvent *event)
{
    setSelectionHidden(false);
    QTextEdit::keyPressEvent(event);
}

void RichTextBox::mousePressEvent(QMouseEvent *event)
{
    setSelectionHidden(false);
    QTextEdit::mousePressEvent(event);
}

bool RichTextBox::loadFile(const QString &path, FileType type, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (type == TextFile) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QString text = utf8(bytes);
        if (utf8.hasError())
            text = QString::fromLatin1(bytes);
        setText(text);
        return true;
    }
    replaceDocument([&](QTextDocument *doc) { RtfReader::read(bytes, doc); });
    // a file with raw 8-bit bytes cannot travel as a string unchanged: textRtf writes it anew
    if (isAscii(bytes)) {
        remember(QString::fromLatin1(bytes), true, bytes);
    } else {
        remember(QString::fromLatin1(RtfWriter::write(document())), true, bytes);
    }
    return true;
}

bool RichTextBox::saveFile(const QString &path, FileType type, QString *error) const
{
    QByteArray bytes;
    if (type == TextFile) {
        bytes = text().toUtf8();
    } else {
        const QByteArray written = RtfWriter::write(document());
        bytes = m_hasSource && !m_sourceBytes.isEmpty() && written == m_sourceWritten
                    ? m_sourceBytes
                    : written;
    }
    return writeWholeFile(path, bytes, error);
}
