// The main window's command surface: the menu tree, the three command toolbars and the
// dispatch of their commands, either to the main window's own procedures or, for the
// record verbs, to the active child window.

#include "kb/frmmain.h"
#include "kb/lazyicon.h"
#include "kb/recordverbs.h"
#include "kb/tooldock.h"
#include "platform/prompt/prompter.h"
#include "winsvc/childarranger.h"
#include "winsvc/mcoolmenu.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// The raw caption, owner-drawn marks and separator decorations included, for the menu
// service that draws the items.
const char *const CaptionProperty = "menuCaption";

enum MenuState : unsigned { Hidden = 1, Disabled = 2, Marked = 4 };

// The text a caption shows: without its mark character ("-", "#", "*") and help part.
QString menuDisplayText(const QString &caption)
{
    QString text = caption;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('#')) ||
        text.startsWith(QLatin1Char('*')))
        text.remove(0, 1);
    const qsizetype first = text.indexOf(QLatin1Char('|'));
    if (first >= 0) {
        const qsizetype second = text.indexOf(QLatin1Char('|'), first + 1);
        if (second >= 0)
            text = text.mid(second + 1);
    }
    return text;
}

// ---- Button pictures, drawn at run time ----

void drawPage(QPainter &p, const QRectF &r)
{
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - 6, r.top());
    page.lineTo(r.right(), r.top() + 6);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(r.right() - 6, r.top()), QPointF(r.right() - 6, r.top() + 6));
    p.drawLine(QPointF(r.right() - 6, r.top() + 6), QPointF(r.right(), r.top() + 6));
}

void drawArrow(QPainter &p, QPointF from, QPointF to)
{
    p.drawLine(from, to);
    const QLineF shaft(to, from);
    for (const qreal turn : {30.0, -30.0}) {
        QLineF head = shaft;
        head.setLength(7);
        head.setAngle(shaft.angle() + turn);
        p.drawLine(head);
    }
}

void drawLetter(QPainter &p, const QString &letter, bool bold, bool italic, bool underline)
{
    QFont font(QStringLiteral("Serif"));
    font.setPixelSize(24);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, letter);
}

void drawLines(QPainter &p, Qt::Alignment alignment)
{
    const int widths[] = {24, 16, 24, 12};
    for (int i = 0; i < 4; ++i) {
        const qreal y = 7 + i * 6;
        qreal x = 4;
        if (alignment == Qt::AlignRight)
            x = 28 - widths[i];
        else if (alignment == Qt::AlignHCenter)
            x = 16 - widths[i] / 2.0;
        p.drawLine(QPointF(x, y), QPointF(x + widths[i], y));
    }
}

void drawSpeaker(QPainter &p, int waves)
{
    QPolygonF speaker;
    speaker << QPointF(4, 12) << QPointF(10, 12) << QPointF(17, 5) << QPointF(17, 27)
            << QPointF(10, 20) << QPointF(4, 20);
    p.setBrush(QColor(0x40, 0x40, 0x90));
    p.drawPolygon(speaker);
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < waves; ++i) {
        const qreal size = 8 + i * 8;
        p.drawArc(QRectF(17 - size / 2, 16 - size, size, size * 2), -50 * 16, 100 * 16);
    }
}

void drawMagnifier(QPainter &p)
{
    p.setBrush(QColor(0xD0, 0xE8, 0xFF));
    p.drawEllipse(QRectF(5, 5, 15, 15));
    p.setPen(QPen(QColor(0x60, 0x40, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 18), QPointF(27, 27));
}

QPixmap drawCommandIcon(const QString &name)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x20, 0x20, 0x40), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QColor blue(0x30, 0x60, 0xC0);
    const QColor green(0x20, 0x90, 0x30);
    const QColor red(0xC0, 0x20, 0x20);
    const QColor yellow(0xF0, 0xC8, 0x40);

    if (name == QLatin1String("New")) {
        drawPage(p, QRectF(7, 3, 18, 26));
    } else if (name == QLatin1String("Open")) {
        QPolygonF folder;
        folder << QPointF(3, 8) << QPointF(12, 8) << QPointF(15, 11) << QPointF(29, 11)
               << QPointF(29, 26) << QPointF(3, 26);
        p.setBrush(yellow);
        p.drawPolygon(folder);
    } else if (name == QLatin1String("Print")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(0xA0, 0xA0, 0xA0));
        p.drawRoundedRect(QRectF(3, 13, 26, 11), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 20, 14, 9));
    } else if (name == QLatin1String("Search") || name == QLatin1String("Find")) {
        drawMagnifier(p);
    } else if (name == QLatin1String("Scale Up") || name == QLatin1String("Scale Down")) {
        drawMagnifier(p);
        p.setPen(QPen(blue, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 12.5), QPointF(16, 12.5));
        if (name == QLatin1String("Scale Up"))
            p.drawLine(QPointF(12.5, 9), QPointF(12.5, 16));
    } else if (name == QLatin1String("Previous") || name == QLatin1String("Next")) {
        drawPage(p, QRectF(8, 3, 18, 26));
        p.setPen(QPen(green, 3, Qt::SolidLine, Qt::RoundCap));
        if (name == QLatin1String("Next"))
            drawArrow(p, QPointF(4, 16), QPointF(22, 16));
        else
            drawArrow(p, QPointF(28, 16), QPointF(10, 16));
    } else if (name == QLatin1String("Import") || name == QLatin1String("Export")) {
        p.drawPolyline(QPolygonF()
                       << QPointF(4, 18) << QPointF(4, 28) << QPointF(28, 28) << QPointF(28, 18));
        p.setPen(
            QPen(name == QLatin1String("Import") ? green : blue, 3, Qt::SolidLine, Qt::RoundCap));
        if (name == QLatin1String("Import"))
            drawArrow(p, QPointF(16, 3), QPointF(16, 22));
        else
            drawArrow(p, QPointF(16, 22), QPointF(16, 3));
    } else if (name == QLatin1String("Word")) {
        drawPage(p, QRectF(5, 3, 22, 26));
        p.setPen(blue);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(14);
        p.setFont(font);
        p.drawText(QRectF(5, 8, 22, 20), Qt::AlignCenter, QStringLiteral("W"));
    } else if (name == QLatin1String("Compact")) {
        p.setBrush(QColor(0xB0, 0xC8, 0xE8));
        p.drawRect(QRectF(9, 8, 14, 18));
        p.drawEllipse(QRectF(9, 4, 14, 7));
        p.setPen(QPen(red, 2.5, Qt::SolidLine, Qt::RoundCap));
        drawArrow(p, QPointF(1, 17), QPointF(8, 17));
        drawArrow(p, QPointF(31, 17), QPointF(24, 17));
    } else if (name == QLatin1String("Listen")) {
        drawSpeaker(p, 1);
    } else if (name == QLatin1String("ListenLoud")) {
        drawSpeaker(p, 2);
    } else if (name == QLatin1String("ListenQuiet")) {
        drawSpeaker(p, 0);
    } else if (name == QLatin1String("Add New")) {
        p.setPen(QPen(green, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 5), QPointF(16, 27));
        p.drawLine(QPointF(5, 16), QPointF(27, 16));
    } else if (name == QLatin1String("Edit")) {
        p.translate(16, 16);
        p.rotate(45);
        p.setBrush(yellow);
        p.drawRect(QRectF(-4, -13, 8, 20));
        QPolygonF tip;
        tip << QPointF(-4, 7) << QPointF(4, 7) << QPointF(0, 14);
        p.setBrush(QColor(0x40, 0x30, 0x20));
        p.drawPolygon(tip);
    } else if (name == QLatin1String("Delete")) {
        p.setPen(QPen(red, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7, 7), QPointF(25, 25));
        p.drawLine(QPointF(25, 7), QPointF(7, 25));
    } else if (name == QLatin1String("Save Record")) {
        p.setBrush(blue);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.setBrush(QColor(0xD0, 0xD0, 0xD0));
        p.drawRect(QRectF(8, 18, 16, 10));
    } else if (name == QLatin1String("Discard")) {
        p.setPen(QPen(red, 3.5));
        p.drawEllipse(QRectF(5, 5, 22, 22));
        p.drawLine(QPointF(9, 23), QPointF(23, 9));
    } else if (name == QLatin1String("Help")) {
        p.setBrush(blue);
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(20);
        p.setFont(font);
        p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
    } else if (name == QLatin1String("Undo") || name == QLatin1String("Redo")) {
        if (name == QLatin1String("Redo")) {
            p.translate(32, 0);
            p.scale(-1, 1);
        }
        p.setPen(QPen(blue, 3, Qt::SolidLine, Qt::RoundCap));
        QPainterPath curve;
        curve.moveTo(8, 12);
        curve.cubicTo(22, 6, 32, 16, 20, 26);
        p.drawPath(curve);
        drawArrow(p, QPointF(13, 10), QPointF(7, 12.5));
    } else if (name == QLatin1String("Cut")) {
        p.drawLine(QPointF(10, 4), QPointF(20, 21));
        p.drawLine(QPointF(22, 4), QPointF(12, 21));
        p.drawEllipse(QRectF(5, 20, 8, 8));
        p.drawEllipse(QRectF(19, 20, 8, 8));
    } else if (name == QLatin1String("Copy")) {
        drawPage(p, QRectF(4, 3, 15, 20));
        drawPage(p, QRectF(13, 9, 15, 20));
    } else if (name == QLatin1String("Paste")) {
        p.setBrush(QColor(0xC0, 0x90, 0x50));
        p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
        p.setBrush(QColor(0x80, 0x80, 0x80));
        p.drawRect(QRectF(11, 2, 8, 5));
        drawPage(p, QRectF(14, 12, 14, 17));
    } else if (name == QLatin1String("Bold")) {
        drawLetter(p, QStringLiteral("B"), true, false, false);
    } else if (name == QLatin1String("Italic")) {
        drawLetter(p, QStringLiteral("I"), false, true, false);
    } else if (name == QLatin1String("Underline")) {
        drawLetter(p, QStringLiteral("U"), false, false, true);
    } else if (name == QLatin1String("Align Left")) {
        drawLines(p, Qt::AlignLeft);
    } else if (name == QLatin1String("Align Right")) {
        drawLines(p, Qt::AlignRight);
    } else if (name == QLatin1String("Center")) {
        drawLines(p, Qt::AlignHCenter);
    } else if (name == QLatin1String("Internet")) {
        p.setBrush(QColor(0xA0, 0xD0, 0xF0));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(QPointF(3, 16), QPointF(29, 16));
        p.drawLine(QPointF(6, 9), QPointF(26, 9));
        p.drawLine(QPointF(6, 23), QPointF(26, 23));
    } else if (name == QLatin1String("E-Mail")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3, 8, 26, 17));
        p.drawPolyline(QPolygonF() << QPointF(3, 8) << QPointF(16, 18) << QPointF(29, 8));
    } else if (name == QLatin1String("Telnet")) {
        p.setBrush(QColor(0x20, 0x20, 0x20));
        p.drawRoundedRect(QRectF(3, 4, 26, 20), 2, 2);
        p.drawLine(QPointF(11, 28), QPointF(21, 28));
        p.setPen(QPen(QColor(0x40, 0xF0, 0x40), 2));
        p.drawPolyline(QPolygonF() << QPointF(7, 9) << QPointF(12, 13) << QPointF(7, 17));
        p.drawLine(QPointF(14, 18), QPointF(22, 18));
    } else if (name == QLatin1String("FTP")) {
        p.setPen(QPen(green, 3, Qt::SolidLine, Qt::RoundCap));
        drawArrow(p, QPointF(10, 28), QPointF(10, 4));
        p.setPen(QPen(blue, 3, Qt::SolidLine, Qt::RoundCap));
        drawArrow(p, QPointF(22, 4), QPointF(22, 28));
    } else if (name == QLatin1String("Calendar")) {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 5, 24, 23));
        p.setBrush(red);
        p.drawRect(QRectF(4, 5, 24, 6));
        for (int i = 1; i < 3; ++i) {
            p.drawLine(QPointF(4 + i * 8, 11), QPointF(4 + i * 8, 28));
            p.drawLine(QPointF(4, 11 + i * 6), QPointF(28, 11 + i * 6));
        }
    } else if (name == QLatin1String("ZIP")) {
        p.setBrush(yellow);
        p.drawRect(QRectF(5, 6, 22, 22));
        for (int y = 7; y < 26; y += 4) {
            p.drawLine(QPointF(14, y), QPointF(18, y + 2));
        }
    } else if (name == QLatin1String("Image Navigator")) {
        p.setBrush(QColor(0xC8, 0xE8, 0xFF));
        p.drawRect(QRectF(3, 5, 26, 22));
        p.setBrush(green);
        p.drawPolygon(QPolygonF() << QPointF(4, 26) << QPointF(13, 14) << QPointF(19, 21)
                                  << QPointF(22, 18) << QPointF(28, 26));
        p.setBrush(yellow);
        p.drawEllipse(QRectF(20, 8, 6, 6));
    }
    return pixmap;
}

QIcon commandIcon(const QString &name)
{
    return LazyIconEngine::icon(QSize(32, 32), [name] { return drawCommandIcon(name); });
}

struct ToolbarEntry
{
    const char *key; // nullptr for a separator
    const char *tip;
    bool hidden;
};

} // namespace

QIcon FrmMain::CommandIcon(const QString &key)
{
    return commandIcon(key);
}

QList<MenuImage> FrmMain::ImageList()
{
    // clang-format off
    static const char *const tagged[][2] = {
        {"&Open", "Open"}, {"&Save", "Save Record"}, {"Export", "Export"},
        {"Import", "Import"}, {"Microsoft Word", "Word"}, {"Print Pre", "Find"},
        {"&Print", "Print"}, {"Undo", "Undo"}, {"Redo", "Redo"}, {"Cu&t", "Cut"},
        {"&Copy", "Copy"}, {"&Paste", "Paste"}, {"&Find", "Find"}, {"Record", "Add New"},
        {"Edit Current Record", "Edit"}, {"Current Record", "Delete"}, {"Compact", "Compact"},
        {"Image Navigator", "Image Navigator"}, {"Ver Ivod-U", "Internet"},
        {"Vareri-R", "Telnet"}, {"RAR-O", "FTP"}, {"&About", "Help"},
    };
    // clang-format on
    QList<MenuImage> images;
    for (const auto &entry : tagged)
        images.append({QString::fromLatin1(entry[0]), commandIcon(QString::fromLatin1(entry[1]))});
    return images;
}

void FrmMain::createMenus()
{
    struct MenuEntry
    {
        int level; // 0 the menu bar, 1 a menu's item, 2 a submenu's item
        const char *name;
        const char *caption;
        const char *shortcut;
        unsigned state;
        void (*handler)(FrmMain *);
    };
    using F = FrmMain;
    static const MenuEntry entries[] = {
        {0, "mnuFile", "&File", nullptr, 0, nullptr},
        {1, "mnuFileNew", "&New Database", nullptr, Hidden, nullptr},
        {1, "mnuFileOpen", "&Open Database", nullptr, 0, [](F *f) { f->mnuFileOpen_Click(); }},
        {1, "mnuFileSave", "&Save", "Ctrl+S", 0, [](F *f) { f->mnuFileSave_Click(); }},
        {1, "mnuFileBar0", "-(='-'=)", nullptr, 0, nullptr},
        {1, "mnuConvert", "Export Database to", nullptr, 0, nullptr},
        {2, "mnuConvertWord", "Microsoft Word", nullptr, 0,
         [](F *f) { f->mnuConvertWord_Click(); }},
        {2, "mnuConvertExcel", "Microsoft Excel", nullptr, 0,
         [](F *f) { f->mnuConvertExcel_Click(); }},
        {2, "mnuExportToTxtFile", "Text File", nullptr, 0,
         [](F *f) { f->mnuExportToTxtFile_Click(); }},
        {2, "mnuExportHTML", "HTML File", nullptr, Hidden, nullptr},
        {1, "mnuImport", "Import Database From", nullptr, 0, nullptr},
        {2, "mnuImportExcel", "Microsoft Excel", nullptr, Hidden,
         [](F *f) { f->mnuImportExcel_Click(); }},
        {2, "mnuImportWord", "Microsoft Word", nullptr, Hidden, nullptr},
        {2, "mnuImportText", "Text File", nullptr, 0, [](F *f) { f->mnuImportText_Click(); }},
        {2, "mnuImportHTML", "HTML File", nullptr, Hidden, nullptr},
        {1, "mnuFileSep", "-* 0 *", nullptr, 0, nullptr},
        {1, "mnuFilePrintPreview", "Print Pre&view", nullptr, 0,
         [](F *f) { f->mnuFilePrintPreview_Click(); }},
        {1, "mnuFilePrint", "&Print...", nullptr, 0, [](F *f) { f->mnuFilePrint_Click(); }},
        {1, "mnuFileBar3", "-^__^", nullptr, 0, nullptr},
        {1, "mnuFileClose", "&Close", nullptr, 0, [](F *f) { f->mnuFileClose_Click(); }},
        {1, "mnuCloseAll", "Cl&ose All", "Ctrl+O", 0, [](F *f) { f->mnuCloseAll_Click(); }},
        {1, "mnuFileBar5", "-<='.'=>", nullptr, 0, nullptr},
        {1, "mnuFileExit", "E&xit", nullptr, 0, [](F *f) { f->mnuFileExit_Click(); }},

        {0, "mnuEdit", "&Edit", nullptr, 0, nullptr},
        {1, "mnuEditUndo", "Undo", nullptr, Disabled, [](F *f) { f->mnuEditUndo_Click(); }},
        {1, "mnuEditRedo", "Redo", nullptr, Disabled, [](F *f) { f->mnuEditRedo_Click(); }},
        {1, "mnuEditBar0", "-*__*", nullptr, 0, nullptr},
        {1, "mnuEditCut", "Cu&t", "Ctrl+X", 0, [](F *f) { f->mnuEditCut_Click(); }},
        {1, "mnuEditCopy", "&Copy", "Ctrl+C", 0, [](F *f) { f->mnuEditCopy_Click(); }},
        {1, "mnuEditPaste", "&Paste", "Ctrl+V", 0, [](F *f) { f->mnuEditPaste_Click(); }},
        {1, "mnuSelectAll", "Select &All", "Ctrl+A", 0, [](F *f) { f->mnuSelectAll_Click(); }},
        {1, "mnuEditBar1", "-@__@", nullptr, 0, nullptr},
        {1, "mnuEditDataTree", "Query", nullptr, Hidden, nullptr},
        {2, "mnuSelectQuery", "Select query", nullptr, 0, [](F *f) { f->mnuSelectQuery_Click(); }},
        {2, "mnuUpdateQuery", "Update query", nullptr, 0, [](F *f) { f->mnuUpdateQuery_Click(); }},
        {2, "mnuInsertQuery", "Insert query", nullptr, 0, [](F *f) { f->mnuInsertQuery_Click(); }},
        {2, "mnuDeleteQuery", "Delete Query", nullptr, 0, [](F *f) { f->mnuDeleteQuery_Click(); }},
        {1, "mnuC", "Criteria", nullptr, Hidden, nullptr},
        {2, "mnuAnd", "AND", nullptr, 0, [](F *f) { f->mnuAnd_Click(); }},
        {2, "mnuOR", "OR", nullptr, 0, [](F *f) { f->mnuOR_Click(); }},
        {2, "mnuNot", "NOT", nullptr, 0, [](F *f) { f->mnuNot_Click(); }},
        {1, "mnuEditAddMore", "Add New...", nullptr, 0, nullptr},
        {2, "mnuAddNewRec", "Record", nullptr, 0, [](F *f) { f->mnuAddNewRec_Click(); }},
        {2, "mnuAddTopic", "Topics Under Current Database", nullptr, 0,
         [](F *f) { f->mnuAddTopic_Click(); }},
        {2, "mnuAddDB", "Database", nullptr, Hidden, nullptr},
        {1, "mnuEditCurRec", "Edit Current Record", nullptr, 0,
         [](F *f) { f->mnuEditCurRec_Click(); }},
        {1, "mnuEditDelete", "Delete", nullptr, 0, nullptr},
        {2, "mnuDelCurRec", "Current Record", nullptr, 0, [](F *f) { f->mnuDelCurRec_Click(); }},
        {2, "mnuDelTopic", "Current Topic", nullptr, 0, [](F *f) { f->mnuDelTopic_Click(); }},
        {2, "mnuDeleteDB", "Current Database", nullptr, Hidden,
         [](F *f) { f->mnuDeleteDB_Click(); }},
        {1, "mnuEditBar2", "-(\"0\")", nullptr, 0, nullptr},
        {1, "mnuFindWord", "&Find", "Ctrl+F", 0, [](F *f) { f->mnuFindWord_Click(); }},
        {1, "mnuReplace", "&Replace", "Ctrl+R", Disabled, [](F *f) { f->mnuReplace_Click(); }},
        {1, "mnuTransfer", "Transfer Records to Another Topic", nullptr, 0,
         [](F *f) { f->mnuTransfer_Click(); }},

        {0, "mnuView", "&View", nullptr, 0, nullptr},
        {1, "mnuViewToolbar", "#|D|&Toolbar", nullptr, Marked, nullptr},
        {1, "mnuViewStatusBar", "#|D|Status &Bar", nullptr, Marked, nullptr},
        {1, "mnuViewDBToolbar", "#|D|Topic &Selector Bar", nullptr, Marked, nullptr},
        {1, "mnuDbViewer", "#|D|Database &Viewer", nullptr, Marked, nullptr},

        {0, "mnuTools", "&Tools", nullptr, 0, nullptr},
        {1, "mnuCompatDB", "Compact and  Repair Database", nullptr, 0,
         [](F *f) { f->mnuCompatDB_Click(); }},
        {1, "mnuImageNavi", "Image Navigator", nullptr, 0, [](F *f) { f->mnuImageNavi_Click(); }},
        {1, "mnuWebSurf", "Ver Ivod-U", nullptr, 0, [](F *f) { f->mnuWebSurf_Click(); }},
        {1, "mnuTelnet", "Vareri-R", nullptr, 0, [](F *f) { f->mnuTelnet_Click(); }},
        {1, "mnuFTP", "RAR-O", nullptr, 0, [](F *f) { f->mnuFTP_Click(); }},

        {0, "mnuWindow", "&Window", nullptr, 0, nullptr},
        {1, "mnuWindowCascade", "&Cascade", nullptr, 0, [](F *f) { f->Arrange(0); }},
        {1, "mnuWindowTileHorizontal", "Tile &Horizontal", nullptr, 0, [](F *f) { f->Arrange(1); }},
        {1, "mnuWindowTileVertical", "Tile &Vertical", nullptr, 0, [](F *f) { f->Arrange(2); }},
        {1, "mnuWindowArrangeIcons", "&Arrange Icon", nullptr, 0, [](F *f) { f->Arrange(3); }},

        {0, "mnuAbout", "&Help", nullptr, 0, nullptr},
        {1, "mnuHelpAbout", "&About", nullptr, 0, [](F *f) { f->mnuHelpAbout_Click(); }},
    };

    const int count = int(std::size(entries));
    QMenu *menus[3] = {};
    for (int i = 0; i < count; ++i) {
        const MenuEntry &entry = entries[i];
        const QString name = QString::fromLatin1(entry.name);
        const QString caption = QString::fromUtf8(entry.caption);
        const bool opensMenu = i + 1 < count && entries[i + 1].level > entry.level;
        QAction *action = nullptr;
        if (opensMenu) {
            auto *menu = new QMenu(menuDisplayText(caption), this);
            menu->setObjectName(name);
            if (entry.level == 0)
                menuBar()->addMenu(menu);
            else
                menus[entry.level - 1]->addMenu(menu);
            menus[entry.level] = menu;
            m_subMenus.insert(name, menu);
            action = menu->menuAction();
        } else if (caption.startsWith(QLatin1Char('-'))) {
            // A plain separator until the owner-drawn menus draw the decoration it carries.
            action = menus[entry.level - 1]->addSeparator();
        } else {
            action = menus[entry.level - 1]->addAction(menuDisplayText(caption));
        }
        action->setObjectName(name);
        action->setProperty(CaptionProperty, caption);
        if (entry.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
        if (caption.startsWith(QLatin1Char('#')) || caption.startsWith(QLatin1Char('*'))) {
            action->setCheckable(true);
            action->setChecked(entry.state & Marked);
        }
        action->setVisible(!(entry.state & Hidden));
        action->setEnabled(!(entry.state & Disabled));
        if (entry.handler) {
            const auto handler = entry.handler;
            connect(action, &QAction::triggered, this, [this, handler] { handler(this); });
        }
        m_menuItems.insert(name, action);
    }

    // The View items show and hide their bars as their marks change.
    connect(menuItem(QStringLiteral("mnuViewToolbar")), &QAction::toggled, SSTabTop,
            &QWidget::setVisible);
    connect(menuItem(QStringLiteral("mnuViewStatusBar")), &QAction::toggled, MainStBar,
            &QWidget::setVisible);
    connect(menuItem(QStringLiteral("mnuViewDBToolbar")), &QAction::toggled, DBToolbar,
            &QWidget::setVisible);
    connect(menuItem(QStringLiteral("mnuDbViewer")), &QAction::toggled, this,
            &FrmMain::setPanelLeftVisible);

    createToolBarMain();
    createTBEdit();
    createTBTool();
}

QAction *FrmMain::addToolbarButton(QToolBar *toolbar, QList<QAction *> &buttons, const QString &key,
                                   const QString &tip)
{
    QAction *action = nullptr;
    if (key.isEmpty()) {
        action = new QAction(toolbar);
        action->setSeparator(true);
    } else {
        action = new QAction(commandIcon(key), key, toolbar);
        action->setObjectName(key);
        action->setToolTip(tip);
        m_toolbarKeys.insert(key, action);
    }
    toolbar->addAction(action);
    buttons.append(action);
    return action;
}

void FrmMain::createToolBarMain()
{
    static const ToolbarEntry entries[] = {
        {"New", "Create New Database.", true},
        {"Open", "Open Existed Database File.", false},
        {nullptr, nullptr, false},
        {"Print", "Print The Document From Current Record.", false},
        {nullptr, nullptr, false},
        {"Search", "Search Records From Database.", false},
        {"Import", "Import Records From External Data Source.", false},
        {"Export", "Export Records To External File.", false},
        {nullptr, nullptr, false},
        {"Word", "Read Current Record With Microsoft Word.", false},
        {"Compact", "Repair And Compact Our Database Files.", false},
        {"Listen", "Let Me Read The Record For You.", false},
        {nullptr, nullptr, false},
        {"Add New", "Add New Record Into Current Database.", false},
        {"Edit", "Edit Current Record.", false},
        {"Delete", "Delete Current Record.", false},
        {"Save Record", "Save The Current Record Which You Have Edited.", false},
        {"Discard", "Discard The Changes I Made To Current Record.", false},
        {nullptr, nullptr, false},
        {"Help", "I Have Problems To Use This Software.", false},
    };
    for (const ToolbarEntry &entry : entries) {
        const QString key = QString::fromLatin1(entry.key);
        QAction *button = addToolbarButton(ToolBarMain, m_toolBarMainButtons, key,
                                           QString::fromLatin1(entry.tip));
        button->setVisible(!entry.hidden);
        if (!key.isEmpty())
            connect(button, &QAction::triggered, this,
                    [this, key] { ToolBarMain_ButtonClick(key); });
    }

    struct DropEntry
    {
        const char *text;
        const char *key; // nullptr for the title entry
        bool hidden;
    };
    static const DropEntry importEntries[] = {{"    [ IMPORT]", nullptr, false},
                                              {"Microsoft Word", "IMW", true},
                                              {"Microsoft Excel", "IME", true},
                                              {"HTML File", "IHF", true},
                                              {"Text Document", "ITD", false}};
    static const DropEntry exportEntries[] = {{"   [ EXPORT]", nullptr, false},
                                              {"Microsoft Word", "EMW", false},
                                              {"Microsoft Excel", "EME", false},
                                              {"HTML File", "EHF", true},
                                              {"Text Document", "ETD", false}};
    const auto addDropDown = [this](const QString &buttonKey, const DropEntry *dropEntries,
                                    int count) {
        QAction *button = toolbarButton(buttonKey);
        auto *menu = new QMenu(ToolBarMain);
        menu->setObjectName(buttonKey + QStringLiteral("Menu"));
        for (int i = 0; i < count; ++i) {
            QAction *item = menu->addAction(QString::fromLatin1(dropEntries[i].text));
            if (!dropEntries[i].key) {
                item->setEnabled(false);
                continue;
            }
            const QString key = QString::fromLatin1(dropEntries[i].key);
            item->setObjectName(key);
            item->setVisible(!dropEntries[i].hidden);
            m_toolbarKeys.insert(key, item);
            connect(item, &QAction::triggered, this,
                    [this, key] { ToolBarMain_ButtonMenuClick(key); });
        }
        button->setMenu(menu);
        // The button's own click does nothing, so any click on it opens the menu.
        if (auto *tool = qobject_cast<QToolButton *>(ToolBarMain->widgetForAction(button)))
            tool->setPopupMode(QToolButton::InstantPopup);
    };
    addDropDown(QStringLiteral("Import"), importEntries, int(std::size(importEntries)));
    addDropDown(QStringLiteral("Export"), exportEntries, int(std::size(exportEntries)));
}

void FrmMain::createTBEdit()
{
    // Buttons 1 to 9 stand before the font combo boxes; the eleven blank buttons after them
    // only reserve the room the combo boxes take, so they are not shown.
    QAction *firstCombo = nullptr;
    for (QAction *action : TBEdit->actions()) {
        if (TBEdit->widgetForAction(action) == ComboFont) {
            firstCombo = action;
            break;
        }
    }
    auto *alignment = new QActionGroup(TBEdit);
    alignment->setExclusive(true);
    for (int index = 1; index <= 25; ++index) {
        QString key;
        QString tip;
        static const char *const keys[] = {"Undo", "Redo", "Cut",    "Copy",     "Paste",
                                           "",     "Bold", "Italic", "Underline"};
        static const char *const tail[] = {"", "Align Left", "Align Right", "Center", "Find"};
        if (index <= 9)
            key = QString::fromLatin1(keys[index - 1]);
        else if (index >= 21)
            key = QString::fromLatin1(tail[index - 21]);
        tip = key == QLatin1String("Undo")   ? QStringLiteral("Undo Change")
              : key == QLatin1String("Redo") ? QStringLiteral("Redo Change")
                                             : key;
        QAction *button = nullptr;
        const bool blank = index >= 10 && index <= 20;
        if (blank) {
            button = new QAction(TBEdit);
            button->setVisible(false);
            button->setEnabled(false);
        } else if (key.isEmpty()) {
            button = new QAction(TBEdit);
            button->setSeparator(true);
        } else {
            button = new QAction(commandIcon(key), key, TBEdit);
            button->setObjectName(key);
            button->setToolTip(tip);
            m_toolbarKeys.insert(key, button);
            connect(button, &QAction::triggered, this, [this, key] { TBEdit_ButtonClick(key); });
        }
        if (index <= 9 && firstCombo)
            TBEdit->insertAction(firstCombo, button);
        else
            TBEdit->addAction(button);
        m_tbEditButtons.append(button);
    }
    for (const char *key : {"Bold", "Italic", "Underline"})
        toolbarButton(QString::fromLatin1(key))->setCheckable(true);
    for (const char *key : {"Align Left", "Align Right", "Center"}) {
        QAction *button = toolbarButton(QString::fromLatin1(key));
        button->setCheckable(true);
        alignment->addAction(button);
    }
    // Undo and Redo follow the record window's history, which is empty at first.
    TBEditButton(1)->setEnabled(false);
    TBEditButton(2)->setEnabled(false);
}

void FrmMain::createTBTool()
{
    static const ToolbarEntry entries[] = {
        {"Internet", "Use This Tool To Surf The Internet.", false},
        {"E-Mail", "A Simple E-Mail Sender.", true},
        {"Telnet", "Use This Tool To Do Some Telnet Job.", false},
        {"FTP", "A Simple FTP Client Tool.", false},
        {"Calendar", "Hope This Simple Calendar Can Help You Sometime.", true},
        {"ZIP", "A ZIP Tool Which Can Help You Keep Your File Smaller", true},
        {"Image Navigator", "View Images", false},
    };
    for (const ToolbarEntry &entry : entries) {
        const QString key = QString::fromLatin1(entry.key);
        QAction *button =
            addToolbarButton(TBTool, m_tbToolButtons, key, QString::fromLatin1(entry.tip));
        button->setVisible(!entry.hidden);
        connect(button, &QAction::triggered, this, [this, key] { TBTool_ButtonClick(key); });
    }
}

QAction *FrmMain::menuItem(const QString &name) const
{
    return m_menuItems.value(name);
}

QMenu *FrmMain::subMenu(const QString &name) const
{
    return m_subMenus.value(name);
}

QAction *FrmMain::ToolBarMainButton(int index) const
{
    return index >= 1 && index <= m_toolBarMainButtons.size() ? m_toolBarMainButtons.at(index - 1)
                                                              : nullptr;
}

QAction *FrmMain::TBEditButton(int index) const
{
    return index >= 1 && index <= m_tbEditButtons.size() ? m_tbEditButtons.at(index - 1) : nullptr;
}

QAction *FrmMain::TBToolButton(int index) const
{
    return index >= 1 && index <= m_tbToolButtons.size() ? m_tbToolButtons.at(index - 1) : nullptr;
}

QAction *FrmMain::toolbarButton(const QString &key) const
{
    return m_toolbarKeys.value(key);
}

QIcon FrmMain::imlMainToolbarImage(int index)
{
    switch (index) {
    case 12:
        return commandIcon(QStringLiteral("Listen"));
    case 23:
        return commandIcon(QStringLiteral("ListenLoud"));
    case 24:
        return commandIcon(QStringLiteral("ListenQuiet"));
    default:
        return QIcon();
    }
}

void FrmMain::setUndoRedoEnabled(bool canUndo, bool canRedo)
{
    TBEditButton(1)->setEnabled(canUndo);
    TBEditButton(2)->setEnabled(canRedo);
    menuItem(QStringLiteral("mnuEditUndo"))->setEnabled(canUndo);
    menuItem(QStringLiteral("mnuEditRedo"))->setEnabled(canRedo);
}

void FrmMain::sendVerb(void (RecordVerbs::*verb)())
{
    // A child without the verbs (a tool window, say) ignores them.
    if (RecordVerbs *verbs = activeRecordVerbs(m_mdiArea))
        (verbs->*verb)();
}

void FrmMain::ToolBarMain_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Open")) {
        mnuFileOpen_Click();
    } else if (key == QLatin1String("Print")) {
        mnuFilePrintPreview_Click();
    } else if (key == QLatin1String("Compact")) {
        mnuCompatDB_Click();
    } else if (key == QLatin1String("Help")) {
        Prompter::instance().messageBox(
            QStringLiteral("Sorry then, I did not implement the help file for this version, I "
                           "have tried to make this version as simple as possible, hope you "
                           "enjoy it!"),
            102, 4, QStringLiteral("HELP"));
    }

    if (!m_mdiArea->currentSubWindow())
        return;
    if (key == QLatin1String("Add New")) {
        sendVerb(&RecordVerbs::AddRec);
    } else if (key == QLatin1String("Delete")) {
        sendVerb(&RecordVerbs::DeleteRec);
    } else if (key == QLatin1String("Word")) {
        sendVerb(&RecordVerbs::PrintWithWord);
    } else if (key == QLatin1String("Edit")) {
        sendVerb(&RecordVerbs::EditRec);
    } else if (key == QLatin1String("Search")) {
        ShowFindAndReplace();
    } else if (key == QLatin1String("Save Record")) {
        sendVerb(&RecordVerbs::SaveChange);
    } else if (key == QLatin1String("Discard")) {
        sendVerb(&RecordVerbs::CancelChange);
    } else if (key == QLatin1String("Listen")) {
        // Only a window that reads aloud makes the button a speaking one.
        if (RecordVerbs *verbs = activeRecordVerbs(m_mdiArea)) {
            verbs->Listen();
            toolbarButton(key)->setProperty("Tag", QStringLiteral("OnSaying"));
        }
    }
}

void FrmMain::ToolBarMain_ButtonMenuClick(const QString &key)
{
    if (key == QLatin1String("IME"))
        ImportFromExcel();
    else if (key == QLatin1String("ITD"))
        mnuImportText_Click();
    else if (key == QLatin1String("EMW"))
        DBConvert(QStringLiteral("Microsoft Word"));
    else if (key == QLatin1String("EME"))
        DBConvert(QStringLiteral("Microsoft Excel"));
    else if (key == QLatin1String("ETD"))
        DBExportTextFile(QStringLiteral("Text File"));
}

void FrmMain::TBEdit_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Undo"))
        mnuEditUndo_Click();
    else if (key == QLatin1String("Redo"))
        mnuEditRedo_Click();
    else if (key == QLatin1String("Cut"))
        mnuEditCut_Click();
    else if (key == QLatin1String("Copy"))
        mnuEditCopy_Click();
    else if (key == QLatin1String("Paste"))
        mnuEditPaste_Click();
    else if (key == QLatin1String("Find"))
        mnuFindWord_Click();
    else if (key == QLatin1String("Bold") || key == QLatin1String("Italic") ||
             key == QLatin1String("Underline") || key == QLatin1String("Align Left") ||
             key == QLatin1String("Align Right") || key == QLatin1String("Center"))
        FormatActiveControl(key);
}

void FrmMain::Arrange(int arrangement)
{
    // What the user arranged stays arranged while the work area changes.
    m_arranger->arrange(arrangement, ChildArranger::ArrangeAgain);
    // The active child's pieces stay with it, whichever child the arranging activated.
    m_toolDock->update();
}

void FrmMain::mnuFileClose_Click()
{
    if (QMdiSubWindow *child = m_mdiArea->currentSubWindow())
        child->close();
}

void FrmMain::mnuFileExit_Click()
{
    close();
}

void FrmMain::mnuConvertWord_Click()
{
    DBConvert(menuItem(QStringLiteral("mnuConvertWord"))->property(CaptionProperty).toString());
}

void FrmMain::mnuConvertExcel_Click()
{
    DBConvert(menuItem(QStringLiteral("mnuConvertExcel"))->property(CaptionProperty).toString());
}

void FrmMain::mnuExportToTxtFile_Click()
{
    DBExportTextFile(
        menuItem(QStringLiteral("mnuExportToTxtFile"))->property(CaptionProperty).toString());
}

void FrmMain::mnuImportExcel_Click()
{
    ImportFromExcel();
}

// Importing from a spreadsheet was never offered; the hidden entries lead here.
void FrmMain::ImportFromExcel() {}

void FrmMain::mnuEditUndo_Click()
{
    sendVerb(&RecordVerbs::Undo);
}

void FrmMain::mnuEditRedo_Click()
{
    sendVerb(&RecordVerbs::Redo);
}

void FrmMain::mnuSelectAll_Click()
{
    sendVerb(&RecordVerbs::SelectALL);
}

void FrmMain::mnuAddNewRec_Click()
{
    sendVerb(&RecordVerbs::AddRec);
}

void FrmMain::mnuEditCurRec_Click()
{
    sendVerb(&RecordVerbs::EditRec);
}

void FrmMain::mnuDelCurRec_Click()
{
    sendVerb(&RecordVerbs::DeleteRec);
}

void FrmMain::mnuSelectQuery_Click()
{
    FillQuerySkeleton(DataTree, 1);
}

void FrmMain::mnuDeleteQuery_Click()
{
    FillQuerySkeleton(DataTree, 2);
}

void FrmMain::mnuUpdateQuery_Click()
{
    FillQuerySkeleton(DataTree, 3);
}

void FrmMain::mnuInsertQuery_Click()
{
    FillQuerySkeleton(DataTree, 4);
}

void FrmMain::mnuViewToolbar_Click()
{
    menuItem(QStringLiteral("mnuViewToolbar"))->toggle();
}

void FrmMain::mnuViewStatusBar_Click()
{
    menuItem(QStringLiteral("mnuViewStatusBar"))->toggle();
}

void FrmMain::mnuViewDBToolbar_Click()
{
    menuItem(QStringLiteral("mnuViewDBToolbar"))->toggle();
}

void FrmMain::mnuDbViewer_Click()
{
    menuItem(QStringLiteral("mnuDbViewer"))->toggle();
}

// ---- Commands wired by the windows and procedures that own them ----

void FrmMain::mnuImportText_Click()
{
    showDbMaintenanceWindow(QStringLiteral("FrmImportFromText"));
    // The imported records belong in the list of the topic on screen.
    RefreshShownTopic();
}
void FrmMain::mnuTransfer_Click()
{
    if (!m_mdiArea->activeSubWindow() && !m_mdiArea->currentSubWindow())
        return;
    // The record the copy is made from; only that one goes after a successful copy.
    BeginTransferRecord();
    showDbMaintenanceWindow(QStringLiteral("FrmTrans"));
}
void FrmMain::mnuCompatDB_Click()
{
    // Without the compact window there is nothing to close the databases for.
    if (!hasDbMaintenanceWindows())
        return;
    // No database file may stay open while it is replaced by its compacted copy.
    ReopenAfterCompact = m_mdiArea->activeSubWindow() || m_mdiArea->currentSubWindow();
    if (ReopenAfterCompact) {
        RemoveForm();
        CloseAllChildren();
    }
    showDbMaintenanceWindow(QStringLiteral("FrmCompactDB"));
}
void FrmMain::DBExportTextFile(const QString &)
{
    if (!m_mdiArea->activeSubWindow() && !m_mdiArea->currentSubWindow())
        return;
    showDbMaintenanceWindow(QStringLiteral("FrmExportDBTextFile"));
}

namespace {

FrmMain::DbMaintenanceFactory &dbMaintenanceFactory()
{
    static FrmMain::DbMaintenanceFactory factory;
    return factory;
}

} // namespace

void FrmMain::setDbMaintenanceFactory(DbMaintenanceFactory factory)
{
    dbMaintenanceFactory() = std::move(factory);
}

bool FrmMain::hasDbMaintenanceWindows()
{
    return bool(dbMaintenanceFactory());
}

void FrmMain::showDbMaintenanceWindow(const QString &window)
{
    if (dbMaintenanceFactory())
        dbMaintenanceFactory()(this, window);
}
