#include "shell/label3dhost.h"

#include "platform/controls/controlhost.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

class FallbackLabel3D : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ text WRITE setText)

public:
    using QLabel::QLabel;
};

} // namespace

QWidget *CreateLabel3D(const QVariantMap &bag, QWidget *parent)
{
    if (QWidget *control =
            ControlHost::instance().create(QStringLiteral("BrennD.Label3D"), bag, parent))
        return control;
    auto *label = new FallbackLabel3D(parent);
    label->setObjectName(QStringLiteral("Label3DFallback"));
    label->setText(bag.value(QStringLiteral("Caption")).toString());
    if (bag.value(QStringLiteral("Alignment")).toInt() == 2)
        label->setAlignment(Qt::AlignCenter);
    if (bag.contains(QStringLiteral("Font")))
        label->setFont(bag.value(QStringLiteral("Font")).value<QFont>());
    return label;
}

void FitLabel3DToCaption(QWidget *label)
{
    const QVariant font = label->property("Font");
    const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : label->font());
    const QString caption = label->property("Caption").toString();
    // The back copy sits one pixel (15 twips) off the front one.
    label->setMinimumSize(metrics.horizontalAdvance(caption) + 4, metrics.height() + 2);
}

#include "label3dhost.moc"
