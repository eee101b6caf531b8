#pragma once

#include <QWidget>

class QLabel;

// The message box's title: the caption drawn twice, a back copy one pixel down and
// right of the front copy, so it looks raised.
class LblTitle : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption NOTIFY captionChanged)

public:
    explicit LblTitle(QWidget *parent = nullptr);

    QString caption() const;
    void setCaption(const QString &caption);
    // Colours as stored on forms (&HBBGGRR).
    void setForeColor1(quint32 bgr); // the back copy
    void setForeColor2(quint32 bgr); // the front copy
    void setBackColor(quint32 bgr);
    void setCaptionFont(const QFont &font);
    void setAlignment(Qt::Alignment alignment);
    void setBorder(bool single);

signals:
    void captionChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    static void setTextColor(QLabel *label, quint32 bgr);

    QLabel *m_back;
    QLabel *m_front;
};
