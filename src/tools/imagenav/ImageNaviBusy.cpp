#include "tools/imagenav/ImageNaviBusy.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

ImageNaviBusy::ImageNaviBusy(QWidget *parent)
    : QDialog(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
{
    setWindowTitle(QStringLiteral("Thumb Nail Building process ......."));
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    Label3D1 = new QLabel(QStringLiteral("Scanning now, please wait"), this);
    Label3D1->setAlignment(Qt::AlignCenter);
    QFont font = Label3D1->font();
    font.setPointSize(12);
    font.setBold(true);
    Label3D1->setFont(font);
    layout->addWidget(Label3D1);
    PBI = new QProgressBar(this);
    layout->addWidget(PBI);
}

ImageNaviBusy::~ImageNaviBusy()
{
    finish();
}

void ImageNaviBusy::begin(int maximum)
{
    PBI->setRange(0, std::max(1, maximum));
    PBI->setValue(0);
    if (!m_busy) {
        m_busy = true;
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    show();
}

void ImageNaviBusy::step()
{
    PBI->setValue(std::min(PBI->maximum(), PBI->value() + 1));
}

void ImageNaviBusy::finish()
{
    if (!m_busy)
        return;
    m_busy = false;
    PBI->setValue(PBI->maximum());
    hide();
    QApplication::restoreOverrideCursor();
}
