#pragma once

#include "tooltipwindow.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

class QWidget;

// Rich tips for controls: balloon or rectangular, own colours, a title with an icon, margins,
// a wrapping width and a show animation. Every instance shares one tip window.
class clsTooltip : public QObject
{
    Q_OBJECT

public:
    // Colours are &HBBGGRR values or &H800000nn system colours.
    struct Tool
    {
        std::optional<QString> text; // none: asked for through NeedText each time
        std::optional<quint32> foreColor;
        std::optional<quint32> backColor;
        bool balloon = false;
        QString title;
        int icon = 0;
        int showMode = 0; // non-zero animates a rectangular tip as it appears
        int margin = 0;
        bool centered = false;
        bool transparent = false;
        int alignment = 0;
        int width = 0;
    };

    // The values UpdateTool changes; those left empty stay as they are.
    struct ToolUpdate
    {
        std::optional<QString> text;
        std::optional<quint32> foreColor;
        std::optional<quint32> backColor;
        std::optional<bool> balloon;
        std::optional<QString> title;
        std::optional<int> icon;
        std::optional<int> showMode;
        std::optional<int> margin;
        std::optional<bool> centered;
        std::optional<int> alignment;
        std::optional<int> width;
    };

    explicit clsTooltip(QObject *parent = nullptr);
    ~clsTooltip() override;

    bool AddTool(QWidget *tool, const Tool &options);
    void UpdateTool(QWidget *tool, const ToolUpdate &update);
    void RemoveTool(QWidget *tool);
    // With no value given the system's delays come back.
    void SetDelayTimes(std::optional<int> show = {}, std::optional<int> autoHide = {},
                       std::optional<int> reShow = {});

    // Every tool added, removed ones included.
    int toolCount() const { return int(m_tools.size()); }
    bool hasTool(const QWidget *tool) const;
    // The text and look the tool's tip would show now (NeedText is asked for callback tools).
    QString toolText(QWidget *tool);
    TooltipWindow::Look toolLook(const QWidget *tool) const;
    int showDelay() const { return m_showDelay; }
    int autoHideDelay() const { return m_autoHideDelay; }
    int reShowDelay() const { return m_reShowDelay; }

    // Shows the tool's tip as if the pointer rested on it at a global position.
    bool showTip(QWidget *tool, const QPoint &globalPos);
    void hideTip();
    // True when the last tip shown was animated.
    bool lastShowAnimated() const { return m_lastAnimated; }

    // The shared tip window; nullptr while no instance lives.
    static TooltipWindow *tipWindow();

signals:
    void NeedText(QWidget *tool, QString &text);
    void Show();
    void Hide();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Record
    {
        QPointer<QWidget> tool;
        Tool options;
        QColor background;
        QColor text;
        bool removed = false; // by RemoveTool; a removed tool's record is kept
    };

    Record *recordOf(const QWidget *widget);
    const Record *recordOf(const QWidget *widget) const;
    QWidget *toolOf(QObject *watched) const;
    void watch(QWidget *tool, bool on);

    QList<Record> m_tools;
    QPointer<QWidget> m_shownTool;
    QPointer<QWidget> m_pendingTool;
    QPoint m_pendingPos;
    QTimer m_showTimer;
    QTimer m_hideTimer;
    QElapsedTimer m_entered;
    int m_showDelay = 0;
    int m_autoHideDelay = 0;
    int m_reShowDelay = 0;
    bool m_lastAnimated = false;
};
