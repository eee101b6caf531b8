#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

// The small topmost window that shows the thumbnails' progress while a folder is read.
class ImageNaviBusy : public QDialog
{
    Q_OBJECT

public:
    explicit ImageNaviBusy(QWidget *parent = nullptr);
    ~ImageNaviBusy() override;

    // Shows the window modeless with the busy pointer; finish() hides both again.
    void begin(int maximum);
    void step();
    void finish();
    bool isBusy() const { return m_busy; }

    QLabel *Label3D1;
    QProgressBar *PBI;

private:
    bool m_busy = false;
};
