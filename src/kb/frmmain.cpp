#include "kb/frmmain.h"

#include "kb/kbglobals.h"
#include "kb/lazyicon.h"
#include "kb/tooldock.h"
#include "platform/base/afterfirstpaint.h"
#include "platform/base/apperror.h"
#include "platform/base/apppaths.h"
#include "platform/base/colors.h"
#include "platform/controls/controlhost.h"
#include "platform/db/dbengine.h"
#include "platform/prompt/fixeddialog.h"
#include "platform/prompt/prompter.h"
#include "shell/frmabout.h"
#include "shell/frmcd.h"
#include "shell/frmsystray.h"
#include "shell/mainfunctions.h"
#include "shell/shellglobals.h"
#include "shell/shellspeech.h"
#include "shell/singleinstance.h"
#include "winsvc/bg.h"
#include "winsvc/captionstyle.h"
#include "winsvc/childarranger.h"
#include "winsvc/closeguard.h"
#include "winsvc/clstooltip.h"
#include "winsvc/flat.h"
#include "winsvc/listboxtipbox.h"
#include "winsvc/mcoolmenu.h"
#include "winsvc/setcombowidth.h"
#include "winsvc/splitter.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr quint32 PanelTopBackColor = 0xFFC0C0;
constexpr quint32 ActiveCaptionColor = 0xFFC0C0;

QString joinLines(std::initializer_list<const char *> lines)
{
    QStringList parts;
    for (const char *line : lines)
        parts.append(QString::fromUtf8(line));
    return parts.join(QStringLiteral("\r\n"));
}

// A small picture for each database button: a coloured tile with the key's initials.
QPixmap drawDatabaseIcon(const QString &key, int index)
{
    static const QColor colours[] = {{0xA0, 0x30, 0x30}, {0xC0, 0x70, 0x10}, {0x20, 0x80, 0x80},
                                     {0x30, 0x50, 0xA0}, {0x20, 0x30, 0x80}, {0x60, 0x60, 0x60},
                                     {0x60, 0x30, 0x90}, {0x90, 0x10, 0x50}, {0x30, 0x30, 0x30},
                                     {0x30, 0x80, 0x30}};
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colours[index % 10]);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    QString initials;
    for (const QString &word : key.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        initials += word.left(word == QLatin1String("C++") ? 3 : 1);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(initials.size() > 2 ? 11 : 14);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, initials.left(3));
    return pixmap;
}

QIcon databaseIcon(const QString &key, int index)
{
    return LazyIconEngine::icon(QSize(32, 32),
                                [key, index] { return drawDatabaseIcon(key, index); });
}

QString loginName()
{
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? int(size) : 16384, '\0');
    passwd entry{};
    passwd *result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), size_t(buffer.size()), &result) == 0 && result)
        return QString::fromLocal8Bit(result->pw_name);
    return qEnvironmentVariable("USER");
}

// The forms' panels and 3D labels come from the control libraries; when a library cannot
// be loaded (the start-up said so) a plain stand-in keeps the window usable.
QWidget *hostedControl(const QString &progId, const QVariantMap &bag)
{
    if (QWidget *control = ControlHost::instance().create(progId, bag))
        return control;
    if (progId.endsWith(QLatin1String("Label3D")))
        return new QLabel(bag.value(QStringLiteral("Caption")).toString());
    auto *frame = new QFrame;
    if (bag.contains(QStringLiteral("BackColor"))) {
        frame->setAutoFillBackground(true);
        QPalette palette = frame->palette();
        palette.setColor(QPalette::Window,
                         Colors::fromBgr(bag.value(QStringLiteral("BackColor")).toUInt()));
        frame->setPalette(palette);
    }
    return frame;
}

const QString PanelProgId = QStringLiteral("BrennPanel.Panel");

// The band above the work area only holds the top panel. The style would shade it with a
// gradient, which on a band this tall is a good part of the window's first paint.
class PlainBand : public QToolBar
{
public:
    using QToolBar::QToolBar;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter(this).fillRect(event->rect(), palette().window());
    }
};

// The left panel's edge is its splitter bar: the frame keeps no resizing separator of its own
// beside it.
class FrameStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        return metric == PM_DockWidgetSeparatorExtent
                   ? 0
                   : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

const QStringList &FrmMain::databaseKeys()
{
    static const QStringList keys = {QStringLiteral("Access"),       QStringLiteral("Java"),
                                     QStringLiteral("Net Working"),  QStringLiteral("C"),
                                     QStringLiteral("C++"),          QStringLiteral("Security"),
                                     QStringLiteral("Visual Basic"), QStringLiteral("Virus"),
                                     QStringLiteral("Linux"),        QStringLiteral("User Own")};
    return keys;
}

const QStringList &FrmMain::databaseTips()
{
    static const QStringList tips = {QStringLiteral("Microsoft Access"),
                                     QStringLiteral("Java Language"),
                                     QStringLiteral("Net Working"),
                                     QStringLiteral("C Language"),
                                     QStringLiteral("C++ Language"),
                                     QStringLiteral("Security"),
                                     QStringLiteral("Microsoft Visual Basic"),
                                     QStringLiteral("Virus"),
                                     QStringLiteral("Linux"),
                                     QStringLiteral("My Own Database")};
    return tips;
}

FrmMain::FrmMain(QWidget *parent) : QMainWindow(parent)
{
    MainForm = this;
    setObjectName(QStringLiteral("FrmMain"));
    auto *frameStyle = new FrameStyle;
    frameStyle->setParent(this);
    setStyle(frameStyle);
    // No window that waits for an answer can hide the program (file, font and print dialogs
    // included).
    FixedDialog::installRestoreGuard();
    // Reading the first picture file looks through every image plugin: not before the window
    // is on screen. The tray shows no icon without a picture, so it gets it then too.
    AfterFirstPaint(this, [this] {
        setWindowIcon(QIcon(QStringLiteral(":/icons/marlux.png")));
        SetTrayIcon();
    });
    createControls();
    connectDatabaseControls();
    connectLeftPanel();
    // After the record windows' own activation handling, which sets the panel for an edit.
    m_toolDock = new ToolDock(this);
}

FrmMain::~FrmMain()
{
    // The child windows go while the main window is whole: a tool takes its pieces home.
    const QList<QMdiSubWindow *> children = m_mdiArea->subWindowList();
    for (QMdiSubWindow *child : children)
        delete child;
    if (MainForm == this)
        MainForm = nullptr;
}

void FrmMain::createControls()
{
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("MDIClient"));
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    m_arranger = new ChildArranger(m_mdiArea);
    m_mdiArea->viewport()->installEventFilter(this);
    // The child windows draw their captions in the caption colour (SetCaptionColor).
    m_captionStyle = new CaptionStyle;
    m_captionStyle->setParent(this);

    auto *topBar = new PlainBand(QStringLiteral("Top"), this);
    topBar->setObjectName(QStringLiteral("TopBand"));
    topBar->setMovable(false);
    topBar->setFloatable(false);
    topBar->addWidget(createTopPanel());
    addToolBar(Qt::TopToolBarArea, topBar);

    PanelLeftDock = new QDockWidget(this);
    PanelLeftDock->setObjectName(QStringLiteral("PanelLeftDock"));
    PanelLeftDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    PanelLeftDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    PanelLeftDock->setWidget(createLeftPanel());
    connectSearchControls();
    PanelLeftDock->setTitleBarWidget(PicTitleBar);
    addDockWidget(Qt::LeftDockWidgetArea, PanelLeftDock);

    MainStBar = new QStatusBar(this);
    MainStBar->setObjectName(QStringLiteral("MainStBar"));
    StatusPanel1 = new QLabel(MainStBar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    MainStBar->addWidget(StatusPanel1, 1);
    setStatusBar(MainStBar);

    createMenus();
    connectToolControls();
    connectFontCombos();
    // Nothing is edited before a record window says so.
    TBEdit->hide();
    for (const QString &key : {QStringLiteral("Save Record"), QStringLiteral("Discard")})
        if (QAction *button = toolbarButton(key))
            button->setVisible(false);
}

QWidget *FrmMain::createLeftPanel()
{
    PanelLeft = hostedControl(PanelProgId, {});
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    auto *layout = new QVBoxLayout(PanelLeft);
    layout->setContentsMargins(2, 2, 2, 2);

    PicTitleBar = new QWidget;
    PicTitleBar->setObjectName(QStringLiteral("PicTitleBar"));
    PicTitleBar->setAutoFillBackground(true);
    QPalette titlePalette = PicTitleBar->palette();
    titlePalette.setColor(QPalette::Window, Colors::fromBgr(0x800000));
    titlePalette.setColor(QPalette::WindowText, Qt::white);
    PicTitleBar->setPalette(titlePalette);
    auto *titleLayout = new QHBoxLayout(PicTitleBar);
    titleLayout->setContentsMargins(6, 2, 4, 2);
    m_panelCaption = new QLabel(QStringLiteral("Knowledge Base"), PicTitleBar);
    m_panelCaption->setObjectName(QStringLiteral("PanelCaption"));
    titleLayout->addWidget(m_panelCaption, 1);
    ImgCloseDBBar = new QLabel(QStringLiteral("\u2715"), PicTitleBar);
    ImgCloseDBBar->setObjectName(QStringLiteral("ImgCloseDBBar"));
    ImgCloseDBBar->setCursor(Qt::PointingHandCursor);
    ImgCloseDBBar->installEventFilter(this);
    titleLayout->addWidget(ImgCloseDBBar);
    PicTitleBar->installEventFilter(this);

    SSTabMain = new QTabWidget(PanelLeft);
    SSTabMain->setObjectName(QStringLiteral("SSTabMain"));
    layout->addWidget(SSTabMain, 1);

    // [Records]
    auto *records = new QWidget;
    auto *recordsLayout = new QVBoxLayout(records);
    recordsLayout->addWidget(new QLabel(QStringLiteral("Records")));
    recordsLayout->addWidget(new QLabel(QStringLiteral("Please select topic here:")));
    ComboTable = new QComboBox;
    ComboTable->setObjectName(QStringLiteral("ComboTable"));
    ComboTable->setEnabled(false);
    recordsLayout->addWidget(ComboTable);
    recordsLayout->addWidget(new QLabel(QStringLiteral("Quick locate record:")));
    TxtKeyWord = new QLineEdit;
    TxtKeyWord->setObjectName(QStringLiteral("TxtKeyWord"));
    recordsLayout->addWidget(TxtKeyWord);
    ListRecords = new QListWidget;
    ListRecords->setObjectName(QStringLiteral("ListRecords"));
    ListRecords->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    recordsLayout->addWidget(ListRecords, 1);
    SSTabMain->addTab(records, QStringLiteral("  [Records]   "));

    // [Search]
    auto *search = new QWidget;
    auto *searchLayout = new QGridLayout(search);
    searchLayout->addWidget(new QLabel(QStringLiteral("Search")), 0, 0, 1, 2);
    searchLayout->addWidget(new QLabel(QStringLiteral("Search from database:")), 1, 0, 1, 2);
    ComboSrhDBName = new QComboBox;
    ComboSrhDBName->setObjectName(QStringLiteral("ComboSrhDBName"));
    searchLayout->addWidget(ComboSrhDBName, 2, 0, 1, 2);
    searchLayout->addWidget(new QLabel(QStringLiteral("Please type the kyeword here:")), 3, 0, 1,
                            2);
    ComboKeyWord = new QComboBox;
    ComboKeyWord->setObjectName(QStringLiteral("ComboKeyWord"));
    // The window completes from the history itself (and never after a deleting key).
    SetComboEditable(ComboKeyWord);
    ComboKeyWord->setInsertPolicy(QComboBox::NoInsert);
    searchLayout->addWidget(ComboKeyWord, 4, 0);
    CmdSrh = new QPushButton(QStringLiteral("->"));
    CmdSrh->setObjectName(QStringLiteral("CmdSrh"));
    CmdSrh->setFixedWidth(36);
    searchLayout->addWidget(CmdSrh, 4, 1);
    CmdAndOrNot = new QPushButton(QStringLiteral("And/Or/Not"));
    CmdAndOrNot->setObjectName(QStringLiteral("CmdAndOrNot"));
    searchLayout->addWidget(CmdAndOrNot, 5, 0, 1, 2);
    CHKExact = new QCheckBox(QStringLiteral("Match Exactly"));
    CHKExact->setObjectName(QStringLiteral("CHKExact"));
    searchLayout->addWidget(CHKExact, 6, 0, 1, 2);
    ChkKeywordMap = new QCheckBox(QStringLiteral("Use Keyword Map"));
    ChkKeywordMap->setObjectName(QStringLiteral("ChkKeywordMap"));
    searchLayout->addWidget(ChkKeywordMap, 7, 0, 1, 2);
    ListResult = new QTreeWidget;
    ListResult->setObjectName(QStringLiteral("ListResult"));
    ListResult->setRootIsDecorated(false);
    ListResult->setHeaderLabels({QStringLiteral("Question"), QStringLiteral("From Topic")});
    // The question takes the room the topic leaves it, as the panel widens and narrows.
    ListResult->header()->setStretchLastSection(false);
    ListResult->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListResult->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    searchLayout->addWidget(ListResult, 8, 0, 1, 2);
    searchLayout->setRowStretch(8, 1);
    SSTabMain->addTab(search, QStringLiteral("   [Search]    "));

    // [Data View]
    auto *dataView = new QWidget;
    auto *dataLayout = new QVBoxLayout(dataView);
    dataLayout->addWidget(new QLabel(QStringLiteral("Data View")));
    DataTree = new QTreeWidget;
    DataTree->setObjectName(QStringLiteral("DataTree"));
    DataTree->setHeaderHidden(true);
    dataLayout->addWidget(DataTree, 1);
    SSTabMain->addTab(dataView, QStringLiteral("[Data View]"));

    // The splitter bar carries two hidden helpers other windows use.
    PicSlider = new QWidget(PanelLeft);
    PicSlider->setObjectName(QStringLiteral("PicSlider"));
    TablesName = new QListWidget(PicSlider);
    TablesName->setObjectName(QStringLiteral("TablesName"));
    TablesName->hide();
    TxtOpenDB = new QLineEdit(PicSlider);
    TxtOpenDB->setObjectName(QStringLiteral("TxtOpenDB"));
    TxtOpenDB->hide();
    return PanelLeft;
}

QWidget *FrmMain::createTopPanel()
{
    PanelTop = hostedControl(PanelProgId, {{QStringLiteral("BackColor"), PanelTopBackColor}});
    PanelTop->setObjectName(QStringLiteral("PanelTop"));
    auto *layout = new QVBoxLayout(PanelTop);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    SSTabTop = new QTabWidget(PanelTop);
    SSTabTop->setObjectName(QStringLiteral("SSTabTop"));
    SSTabTop->setDocumentMode(true);

    auto *databasePage = new QWidget;
    auto *databaseLayout = new QHBoxLayout(databasePage);
    databaseLayout->setContentsMargins(0, 0, 0, 0);
    DBToolbar = new QToolBar(QStringLiteral("Database"), databasePage);
    DBToolbar->setObjectName(QStringLiteral("DBToolbar"));
    DBToolbar->setIconSize(QSize(24, 24));
    DBToolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (int i = 0; i < databaseKeys().size(); ++i) {
        QAction *action =
            DBToolbar->addAction(databaseIcon(databaseKeys().at(i), i), databaseKeys().at(i));
        action->setObjectName(databaseKeys().at(i));
        action->setData(i + 1);
        action->setToolTip(databaseTips().at(i));
    }
    databaseLayout->addWidget(DBToolbar);
    databaseLayout->addStretch(1);
    SSTabTop->addTab(databasePage, QStringLiteral("Database"));

    auto *toolsPage = new QWidget;
    auto *toolsLayout = new QHBoxLayout(toolsPage);
    toolsLayout->setContentsMargins(0, 0, 0, 0);
    TBTool = new QToolBar(QStringLiteral("Tools"), toolsPage);
    TBTool->setObjectName(QStringLiteral("TBTool"));
    TBTool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolsLayout->addWidget(TBTool);
    PanelHolder = hostedControl(PanelProgId, {});
    PanelHolder->setObjectName(QStringLiteral("PanelHolder"));
    PanelHolder->setMinimumHeight(Twips::toPixels(585));
    new QHBoxLayout(PanelHolder);
    PanelHolder->layout()->setContentsMargins(0, 0, 0, 0);
    toolsLayout->addWidget(PanelHolder, 1);
    SSTabTop->addTab(toolsPage, QStringLiteral("Tools"));
    layout->addWidget(SSTabTop);

    LabelPicDesc = hostedControl(QStringLiteral("BrennD.Label3D"),
                                 {{QStringLiteral("Caption"), AppPaths::applicationTitle()},
                                  {QStringLiteral("Alignment"), 0},
                                  {QStringLiteral("BackStyle"), 0}});
    // Room for a picture's two-line description, kept while hidden so the band never jumps.
    const QVariant descFont = LabelPicDesc->property("Font");
    const QFontMetrics desc(descFont.isValid() ? descFont.value<QFont>() : LabelPicDesc->font());
    LabelPicDesc->setFixedHeight(2 * desc.lineSpacing() + 2);
    QSizePolicy descPolicy = LabelPicDesc->sizePolicy();
    descPolicy.setRetainSizeWhenHidden(true);
    LabelPicDesc->setSizePolicy(descPolicy);
    LabelPicDesc->setObjectName(QStringLiteral("LabelPicDesc"));
    layout->addWidget(LabelPicDesc);

    PanelMain2 = hostedControl(PanelProgId, {});
    PanelMain2->setObjectName(QStringLiteral("PanelMain2"));
    // A click on a toolbar must leave the keyboard where the user types, not on the panels
    // that hold the toolbars.
    for (QWidget *panel : {PanelTop, PanelHolder, PanelMain2})
        panel->setFocusPolicy(Qt::NoFocus);
    auto *mainLayout = new QHBoxLayout(PanelMain2);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    ToolBarMain = new QToolBar(QStringLiteral("Main"), PanelMain2);
    ToolBarMain->setObjectName(QStringLiteral("ToolBarMain"));
    mainLayout->addWidget(ToolBarMain);
    TBEdit = new QToolBar(QStringLiteral("Edit"), PanelMain2);
    TBEdit->setObjectName(QStringLiteral("TBEdit"));
    ComboFont = new QComboBox(TBEdit);
    ComboFont->setObjectName(QStringLiteral("ComboFont"));
    ComboFont->setToolTip(QStringLiteral("Font Name"));
    ComboFont->setMinimumContentsLength(14);
    TBEdit->addWidget(ComboFont);
    ComboFontSize = new QComboBox(TBEdit);
    ComboFontSize->setObjectName(QStringLiteral("ComboFontSize"));
    ComboFontSize->setToolTip(QStringLiteral("Font Size"));
    SetComboEditable(ComboFontSize);
    ComboFontSize->setInsertPolicy(QComboBox::NoInsert);
    TBEdit->addWidget(ComboFontSize);
    mainLayout->addWidget(TBEdit);
    mainLayout->addStretch(1);
    layout->addWidget(PanelMain2);
    return PanelTop;
}

void FrmMain::MDIForm_Load()
{
    KeyWordErased = false;
    BuildTrayMenu();
    FillFontCombo(ComboFont);
    FillFontSizeCombo(ComboFontSize);
    InstallWindowLook();
    setWindowTitle(AppPaths::applicationTitle());
    SaveCaptionColor();
    SetCaptionColor(ActiveCaptionColor);
    ShowWelcome();
    SetListHScroll(ListRecords);
    FillSearchDatabaseCombo();
    DatabaseFolder = GetAppPath() + QStringLiteral("Database/");
}

void FrmMain::BuildTrayMenu()
{
    // The tray object answers even where the desktop has no tray (offscreen): then only
    // the icon itself is missing.
    auto *tray = new FrmSysTray(this);
    const QString title = AppPaths::applicationTitle();
    tray->AddMenuItem(QStringLiteral("&Open ") + title, QStringLiteral("Open"), true);
    tray->AddMenuItem(QStringLiteral("&Start new search"), QStringLiteral("Search"), false);
    tray->AddMenuItem(QStringLiteral("-"), QString(), false);
    tray->AddMenuItem(QStringLiteral("&About ") + title, QStringLiteral("About"), false);
    tray->AddMenuItem(QStringLiteral("-"), QString(), false);
    tray->AddMenuItem(QStringLiteral("&Close"), QStringLiteral("Close"), false);
    m_frmSysTray = tray->systemTrayIcon();
    m_trayMenu = tray->menu();
    connect(tray, &FrmSysTray::MenuClick, this, [this](int, const QString &key) {
        if (key == QLatin1String("Open")) {
            RestoreMainWindow(this);
        } else if (key == QLatin1String("Search")) {
            // StartNewSearch: the [Search] tab of the knowledge base.
            RestoreMainWindow(this);
            SSTabTop->setCurrentIndex(0);
            SSTabMain->setCurrentIndex(1);
        } else if (key == QLatin1String("About")) {
            frmAbout::ShowAbout(this);
        } else if (key == QLatin1String("Close")) {
            close();
        }
    });
    connect(tray, &FrmSysTray::SysTrayDoubleClick, this, [this](int) { ToggleMainWindow(this); });
    connect(tray, &FrmSysTray::SysTrayMouseDown, tray, [tray](int button) {
        if (button == 2)
            tray->ShowMenu();
    });
    tray->setToolTip(title);
    SetTrayIcon();
}

void FrmMain::SetTrayIcon()
{
    if (auto *tray = findChild<FrmSysTray *>(QString(), Qt::FindDirectChildrenOnly))
        tray->setIconHandle(windowIcon());
}

void FrmMain::FillFontCombo(QComboBox *combo)
{
    combo->clear();
    combo->addItems(QFontDatabase::families());
    AdjustComboDropWidth(combo);
}

void FrmMain::FillFontSizeCombo(QComboBox *combo)
{
    for (int size = 8; size <= 41; ++size)
        combo->addItem(QString::number(size));
    combo->setCurrentIndex(0);
    combo->setEditText(combo->itemText(0));
}

void FrmMain::InstallWindowLook()
{
    FlattenControls();
    InstallCoolMenus();
    ApplyTooltips();
    LoadBackground();
    InstallSplitter();
}

void FrmMain::FlattenControls()
{
    // Text boxes, combo boxes, buttons and sideways scroll bars look flat until the pointer
    // or the focus is on them. A combo's own text field is part of its combo.
    QList<QWidget *> controls;
    const auto widgets = findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (qobject_cast<QComboBox *>(widget) || qobject_cast<QPushButton *>(widget)) {
            controls.append(widget);
        } else if (qobject_cast<QLineEdit *>(widget) &&
                   !qobject_cast<QComboBox *>(widget->parentWidget())) {
            controls.append(widget);
        } else if (auto *bar = qobject_cast<QScrollBar *>(widget);
                   bar && bar->orientation() == Qt::Horizontal &&
                   !qobject_cast<QAbstractScrollArea *>(bar->parentWidget()) &&
                   bar->parentWidget() &&
                   !qobject_cast<QAbstractScrollArea *>(bar->parentWidget()->parentWidget())) {
            controls.append(widget);
        }
    }
    m_flatControls.attach(controls);
}

void FrmMain::InstallCoolMenus()
{
    InstallCoolMenu(this, nullptr, ImageList());
    // The size first: it takes effect with the name, so the menus are laid out for one font,
    // not for the name at the old size and then again.
    SetMenuFontSize(this, 9);
    SetMenuFontName(this, QStringLiteral("Arial Black"));
    SetMenuSelectColor(this, 0x8080FF);
    SetMenuForeColor(this, 0x40);
}

void FrmMain::ApplyTooltips()
{
    m_tooltip = std::make_unique<clsTooltip>();
    clsTooltip::Tool tool;
    tool.foreColor = 0x800000;
    tool.backColor = 0xFFC0FF;
    tool.balloon = true;
    tool.title = QStringLiteral("How to use?");
    tool.icon = 1;
    tool.showMode = 16;
    tool.margin = 6;
    tool.centered = true;
    tool.transparent = true;
    tool.alignment = 1;
    tool.width = 0;
    const auto add = [&](QWidget *control, const QString &text) {
        tool.text = text;
        // The balloon replaces the control's plain tip.
        control->setToolTip(QString());
        m_tooltip->AddTool(control, tool);
    };
    add(CHKExact, joinLines({"Enable this option will only show the records",
                             "which contain the keyword as a single world,",
                             "such as if the keyword is 'win', then records which has 'wins' "
                             "will not show."}));
    add(TxtKeyWord, joinLines({"Type the first word of the record to locate it quickly, ",
                               "such as 'wind' will show you the record which start as 'wind', ",
                               "for example 'window'."}));
    add(ListRecords, joinLines({"Here is all the records under the topic above,",
                                "select it to see the details."}));
}

void FrmMain::LoadBackground()
{
    const QString folder = GetAppPath() + QStringLiteral("BackGround");
    if (!DirExists(folder) && !QDir().mkpath(folder))
        throw AppException(75, QStringLiteral("Path/File access error: %1").arg(folder));
    const QString file = folder + QStringLiteral("/Ombrel.bmp");
    // An existing file is the user's choice of picture and is never replaced.
    if (!FileExists(file))
        SaveResToFile(QStringLiteral("OMBREL"), QStringLiteral("BACKGROUND"), file);
    m_background = std::make_unique<BG>();
    m_background->Init(this);
    m_background->Tile().setFilename(file);
}

void FrmMain::InstallSplitter()
{
    // The panel starts wide enough for all three tabs (the splitter may narrow it further).
    const int tabs = SSTabMain->tabBar()->sizeHint().width() + 5;
    resizeDocks({PanelLeftDock}, {std::max(Twips::toPixels(3495), tabs)}, Qt::Horizontal);
    m_splitter = std::make_unique<Splitter>();
    m_splitter->setSplitObject(PicSlider);
    m_splitter->setOrientation(Splitter::Vertical);
    m_splitter->setBorder(1, 64);
    m_splitter->setBorder(3, 64);
    m_splitter->setBorder(2, (Twips::fromPixels(SSTabTop->height()) - 80) / Twips::PerPixel);
    m_splitter->setBorder(4, (Twips::fromPixels(MainStBar->height()) + 80) / Twips::PerPixel);
    // The left panel follows the bar to where it was dropped.
    connect(m_splitter.get(), &Splitter::splitterMoved, this, [this](int position) {
        LeftPanelDropped(PicSlider->parentWidget()->mapTo(this, QPoint(position, 0)).x());
    });
}

void FrmMain::SaveCaptionColor()
{
    m_savedCaptionColor = Colors::toBgr(m_captionStyle->captionColor());
}

void FrmMain::SetCaptionColor(quint32 bgr)
{
    // Only this program's child-window captions change; the desktop is left alone.
    m_captionStyle->setCaptionColor(Colors::fromBgr(bgr));
    for (QMdiSubWindow *child : m_mdiArea->subWindowList())
        child->update();
}

void FrmMain::RestoreCaptionColor()
{
    SetCaptionColor(m_savedCaptionColor);
}

void FrmMain::ShowWelcome()
{
    WindowsUserName = loginName();
    StatusPanel1->setText(QStringLiteral("Welcome : ") + WindowsUserName);
}

void FrmMain::FillSearchDatabaseCombo()
{
    const QList<QAction *> buttons = DBToolbar->actions();
    for (QAction *button : buttons)
        ComboSrhDBName->addItem(button->icon(), button->objectName().toUpper(),
                                button->objectName());
    // Nothing is chosen until the user picks a database.
    ComboSrhDBName->setCurrentIndex(-1);
}

void FrmMain::MDIForm_DragDrop(int x)
{
    if (x >= m_mdiArea->width() / 2) {
        addDockWidget(Qt::RightDockWidgetArea, PanelLeftDock);
        PicSlider->hide();
    } else {
        addDockWidget(Qt::LeftDockWidgetArea, PanelLeftDock);
        PicSlider->show();
    }
    setPanelLeftVisible(true);
}

void FrmMain::MDIForm_DblClick()
{
    mnuFileOpen_Click();
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (m_mdiArea && watched == m_mdiArea->viewport() && event->type() == QEvent::ChildPolished) {
        auto *child = qobject_cast<QMdiSubWindow *>(static_cast<QChildEvent *>(event)->child());
        if (child && child->style() != m_captionStyle)
            child->setStyle(m_captionStyle);
    }
    // Only the empty background reaches the area's viewport; child windows take their own.
    if (m_mdiArea && watched == m_mdiArea->viewport() &&
        event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        MDIForm_DblClick();
        return true;
    }
    if (watched == ImgCloseDBBar && event->type() == QEvent::MouseButtonRelease) {
        ImgCloseDBBar_Click();
        return true;
    }
    if (watched == PicTitleBar) {
        // Dragging the panel by its title bar and dropping it docks it left or right.
        if (event->type() == QEvent::MouseButtonPress) {
            m_titleDragStart = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const QPoint end = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
            if ((end - m_titleDragStart).manhattanLength() > QApplication::startDragDistance())
                MDIForm_DragDrop(m_mdiArea->mapFromGlobal(end).x());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool FrmMain::AskQuit()
{
    return Prompter::instance().messageBox(QStringLiteral("Are you sure you want to quit?"), 106, 1,
                                           QStringLiteral("EXIT")) == QLatin1String("Yes");
}

bool FrmMain::MDIForm_QueryUnload()
{
    return AskQuit();
}

void FrmMain::ReleaseWindowObjects()
{
    UninstallCoolMenu(this);
    m_splitter.reset();
    m_background.reset();
    m_tooltip.reset();
    m_flatControls.clear();
}

bool FrmMain::MDIForm_Unload()
{
    // A child may refuse to close (or still be settling its work); the program then goes on
    // speaking as before.
    if (UnloadAllForms() != Unloading::Done)
        return false;
    ReleaseSpeech();
    delete m_frmSysTray;
    m_frmSysTray = nullptr;
    FrmCD::Unload();
    CloseAllDatabases();
    RestoreCaptionColor();
    return true;
}

void FrmMain::ReleaseSpeech()
{
    ::ReleaseSpeech();
}

FrmMain::Unloading FrmMain::UnloadAllForms()
{
    // A child that refuses to close (unsaved work the user keeps) stops the shutdown. One that
    // only puts its close off (a transfer it stops first) closes itself soon; the others go
    // meanwhile, so that no connection outlives the quit.
    bool waiting = false;
    m_settlingChildren.clear();
    const QList<QMdiSubWindow *> children = m_mdiArea->subWindowList();
    for (QMdiSubWindow *child : children) {
        if (child->close())
            continue;
        if (!CloseGuard::closeDeferred(child->widget()))
            return Unloading::Refused;
        waiting = true;
        m_settlingChildren.append(child);
    }
    if (waiting)
        return Unloading::Waiting;
    for (auto &form : RecordForms)
        form = nullptr;
    return Unloading::Done;
}

void FrmMain::quitWhenChildrenSettle()
{
    QTimer::singleShot(50, this, [this] {
        if (!m_quitPending)
            return;
        for (const QPointer<QMdiSubWindow> &child : std::as_const(m_settlingChildren)) {
            if (!child)
                continue;
            if (CloseGuard::closeDeferred(child->widget())) {
                quitWhenChildrenSettle();
                return;
            }
            // Settled and still on screen: it kept itself open after all.
            if (child->isVisible()) {
                m_settlingChildren.clear();
                m_quitPending = false;
                m_quitConfirmed = false;
                return;
            }
        }
        m_settlingChildren.clear();
        close();
    });
}

void FrmMain::CloseAllDatabases()
{
    db::DBEngine::closeAll();
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // A quit can still come (from the tray) while a modal window runs its work or asks its
    // question; unwinding that window's loop under it would pull its databases and its
    // window away mid-way. It has to be finished first.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != this) {
        event->ignore();
        m_quitConfirmed = false;
        m_quitPending = false;
        modal->raise();
        modal->activateWindow();
        Prompter::instance().messageBox(
            QStringLiteral("Please finish with the open window first, then quit."), 107, 4,
            QStringLiteral("EXIT"));
        return;
    }
    if (!m_quitConfirmed) {
        if (!AskQuit()) {
            event->ignore();
            return;
        }
        m_quitConfirmed = true;
    }
    if (m_searching) {
        // The search writes its results beside the window: stop it, and quit once it has
        // settled (the search's end comes back here).
        if (m_searchCancel)
            *m_searchCancel = true;
        m_quitPending = true;
        event->ignore();
        return;
    }
    m_quitPending = false;
    // The children go first: one that keeps its unsaved work (or still has its own question
    // open) stops the quit, and then the window must still be whole.
    switch (UnloadAllForms()) {
    case Unloading::Done:
        break;
    case Unloading::Waiting:
        // A child stops its work first (a transfer, as its Stop would): quit once it has gone.
        m_quitPending = true;
        event->ignore();
        quitWhenChildrenSettle();
        return;
    case Unloading::Refused:
        m_quitConfirmed = false;
        event->ignore();
        return;
    }
    if (!MDIForm_Unload()) {
        m_quitConfirmed = false;
        event->ignore();
        return;
    }
    // A child may still refuse inside MDIForm_Unload; only now is the shutdown certain.
    ReleaseWindowObjects();
    m_closing = true;
    event->accept();
    QApplication::quit();
}
