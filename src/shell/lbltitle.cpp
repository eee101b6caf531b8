#include "shell/lbltitle.h"

#include "platform/base/colors.h"

#include <QLabel>

LblTitle::LblTitle(QWidget *parent)
    : QWidget(parent), m_back(new QLabel(this)), m_front(new QLabel(this))
{
    for (QLabel *label : {m_back, m_front}) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setTextFormat(Qt::PlainText);
        label->setAutoFillBackground(false);
    }
    m_front->raise();
    setAutoFillBackground(true);
}

QString LblTitle::caption() const
{
    return m_back->text();
}

void LblTitle::setCaption(const QString &caption)
{
    m_back->setText(caption);
    m_front->setText(caption);
    emit captionChanged();
}

void LblTitle::setForeColor1(quint32 bgr)
{
    setTextColor(m_back, bgr);
}

void LblTitle::setForeColor2(quint32 bgr)
{
    setTextColor(m_front, bgr);
}

void LblTitle::setBackColor(quint32 bgr)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Colors::fromBgr(bgr, palette));
    setPalette(palette);
}

void LblTitle::setCaptionFont(const QFont &font)
{
    m_back->setFont(font);
    m_front->setFont(font);
}

void LblTitle::setAlignment(Qt::Alignment alignment)
{
    m_back->setAlignment(alignment);
    m_front->setAlignment(alignment);
}

void LblTitle::setBorder(bool single)
{
    m_front->setFrameStyle(single ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
}

void LblTitle::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Both copies are as large as the control; the shifted one is clipped at the edge.
    m_back->setGeometry(1, 1, width(), height());
    m_front->setGeometry(0, 0, width(), height());
}

void LblTitle::setTextColor(QLabel *label, quint32 bgr)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Colors::fromBgr(bgr, palette));
    label->setPalette(palette);
}
