#pragma once

#include <QWidget>

class QProgressBar;

// The busy window: a small window above all others with a progress bar and a 3D label,
// shown while a long operation works. It never takes the input: its users keep the
// event loop running (chunks on timers, work on a thread) and report progress here.
// While a busy window is loaded the pointer is the hourglass; unloading it restores the
// default pointer.
class Dialog : public QWidget
{
    Q_OBJECT

public:
    // A window of a user's own; the shared one comes from instance().
    explicit Dialog(QWidget *parent = nullptr);
    ~Dialog() override;

    // The shared busy window, created on first use with its texts as designed.
    static Dialog *instance();
    // True while the shared window exists.
    static bool isLoaded();

    QProgressBar *PBI = nullptr;
    QWidget *Label3D1 = nullptr;

    QString labelCaption() const;
    void setLabelCaption(const QString &caption);

    // Shows the window without blocking and returns at once.
    void Show();
    // Hides and destroys the window, back to the default pointer.
    void Unload();

public slots:
    void setMaximum(int maximum);
    // A value past either end of the range is held at that end.
    void setValue(int value);
    void step();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void unloadState();

    bool m_unloaded = false;
};
