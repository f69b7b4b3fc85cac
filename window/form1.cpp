#include "window/form1.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <utility>
#include <vector>

#include "entries/type_codes.h"
#include "sector/sector_geometry.h"
#include "window/app_icon.h"
#include "window/conversions.h"
#include "window/texts.h"

namespace vorlix::window {

namespace {

// Positions are those of a 96 dpi screen; Qt scales them on denser ones.
template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                 int width, int height) {
    return Place(new QLabel(QLatin1String(caption), parent), name, left, top, width, height);
}

// A frame whose line runs through the middle of its caption, the caption in a gap of its own: the
// classic look, in which neither the caption nor the labels below it touch the line (the desktop
// style draws the caption above the line, right on top of the first label).
class CaptionFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetrics metrics = fontMetrics();
        painter.setPen(palette().color(QPalette::Window).darker(140));
        painter.drawRoundedRect(
            QRectF(rect().adjusted(0, metrics.height() / 2, -1, -1)).translated(0.5, 0.5), 2, 2);
        const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
        painter.fillRect(caption, palette().window());
        style()->drawItemText(&painter, caption, Qt::AlignCenter, palette(), isEnabled(), title(),
                              QPalette::WindowText);
    }
};

// The entry list draws a dotted focus frame inside its border while it has the keyboard focus, so
// that the user sees where the arrow keys go.
class EntryList : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void paintEvent(QPaintEvent* event) override {
        QListWidget::paintEvent(event);
        if (!hasFocus()) return;
        QPainter painter(viewport());
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
    }
    void focusInEvent(QFocusEvent* event) override {
        QListWidget::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QListWidget::focusOutEvent(event);
        viewport()->update();
    }
};

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption, int left, int top) {
    auto* button = Place(new QPushButton(QLatin1String(caption), parent), name, left, top, 81, 25);
    button->setEnabled(false);
    return button;
}

}  // namespace

Form1::Form1(std::unique_ptr<Dialogs> dialogs, std::filesystem::path blanks_dir,
             std::function<std::filesystem::path()> program_directory)
    : dialogs_(std::move(dialogs)),
      blanks_dir_(std::move(blanks_dir)),
      program_directory_(std::move(program_directory)) {
    if (!dialogs_) dialogs_ = std::make_unique<QtDialogs>(this);

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("PSX quillmar"));
    setWindowIcon(AppIcon());
    CreateControls();
    CreateMenu();
    FitFont();
    // The client area below the menu bar keeps its size; nothing moves at run time.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

Form1::~Form1() = default;

void Form1::CreateControls() {
    frmAll = new QWidget(this);
    frmAll->setObjectName(QStringLiteral("frmAll"));
    frmAll->setFixedSize(353, 369);
    setCentralWidget(frmAll);

    lstKLV = Place(new EntryList(frmAll), "lstKLV", 8, 8, 153, 355);
    lstKLV->setSelectionMode(QAbstractItemView::SingleSelection);
    // Entry lines are one text line each; this keeps filling and walking long lists fast.
    lstKLV->setUniformItemSizes(true);
    lstKLV->setEnabled(false);

    Frame1 = Place(new CaptionFrame(QStringLiteral("Info"), frmAll), "Frame1", 168, 8, 177, 89);
    Label1 = NewLabel(Frame1, "Label1", "Start Sector:", 8, 16, 65, 17);
    lblStart = NewLabel(Frame1, "lblStart", "", 72, 16, 49, 17);
    Label2 = NewLabel(Frame1, "Label2", "End Sector:", 8, 40, 65, 17);
    lblEnd = NewLabel(Frame1, "lblEnd", "", 72, 40, 49, 17);
    Label3 = NewLabel(Frame1, "Label3", "Length:", 8, 64, 41, 17);
    lblLength = NewLabel(Frame1, "lblLength", "", 56, 64, 41, 17);
    Label4 = NewLabel(Frame1, "Label4", "Type:", 104, 64, 33, 17);
    lblType = NewLabel(Frame1, "lblType", "", 144, 64, 25, 17);

    cmdReplace = NewButton(frmAll, "cmdReplace", "Replace File", 168, 112);
    cmdBackup = NewButton(frmAll, "cmdBackup", "Backup File", 264, 112);
    cmdRipAll = NewButton(frmAll, "cmdRipAll", "Rip All", 168, 144);
    cmdRestore = NewButton(frmAll, "cmdRestore", "Restore File", 264, 144);
    cmdChange = NewButton(frmAll, "cmdChange", "Change Type", 168, 176);

    txtChange = Place(new QLineEdit(frmAll), "txtChange", 248, 176, 25, 25);
    txtChange->setMaxLength(2);
    txtChange->setEnabled(false);
    // Two typed characters at most; a longer code shown by a selection stays whole, and typing
    // can only shorten it.
    connect(txtChange, &QLineEdit::textEdited, this, [this](const QString& text) {
        txtChange->setMaxLength(std::max<int>(2, static_cast<int>(text.size())));
    });

    lblStatus = NewLabel(frmAll, "lblStatus", "Idle", 176, 344, 169, 17);
    lblStatus->setAlignment(Qt::AlignCenter);

    setTabOrder(lstKLV, cmdReplace);
    setTabOrder(cmdReplace, cmdBackup);
    setTabOrder(cmdBackup, cmdRestore);
    setTabOrder(cmdRestore, cmdRipAll);
    setTabOrder(cmdRipAll, cmdChange);
    setTabOrder(cmdChange, txtChange);

    // A selection made by the user or from code shows the entry; so does a click, Space or Enter
    // on the entry already selected (after a type change, to see the new type).
    connect(lstKLV, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) lstKLV_Click();
    });
    connect(lstKLV, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (lstKLV->row(item) == row_at_press_) lstKLV_Click();
    });
    lstKLV->installEventFilter(this);
    lstKLV->viewport()->installEventFilter(this);
    connect(cmdReplace, &QPushButton::clicked, this, &Form1::cmdReplace_Click);
    connect(cmdBackup, &QPushButton::clicked, this, &Form1::cmdBackup_Click);
    connect(cmdRipAll, &QPushButton::clicked, this, &Form1::cmdRipAll_Click);
    connect(cmdRestore, &QPushButton::clicked, this, &Form1::cmdRestore_Click);
    connect(cmdChange, &QPushButton::clicked, this, &Form1::cmdChange_Click);
}

void Form1::CreateMenu() {
    const auto named = [](QAction* action, const char* name) {
        action->setObjectName(QLatin1String(name));
        return action;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileKLV = named(mnuFile->addAction(QStringLiteral("Open &KLV/VLX data")), "mnuFileKLV");
    mnuFileBIN = named(mnuFile->addAction(QStringLiteral("Open &BIN File")), "mnuFileBIN");
    mnuFileScan =
        named(mnuFile->addAction(QStringLiteral("&Make VLX List from BIN\u2026")), "mnuFileScan");
    mnuFileRipNew =
        named(mnuFile->addAction(QStringLiteral("Rip All to &New Image\u2026")), "mnuFileRipNew");
    mnuFileRipNew->setEnabled(false);
    named(mnuFile->addSeparator(), "mnuFileDiv1");
    mnuFileClose = named(mnuFile->addAction(QStringLiteral("&Close All")), "mnuFileClose");
    named(mnuFile->addSeparator(), "mnuFileDiv2");
    mnuFileExit = named(mnuFile->addAction(QStringLiteral("E&xit")), "mnuFileExit");
    mnuFileExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));

    mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuOptionsXA =
        named(mnuOptions->addAction(QStringLiteral("Preserve &XA Headers")), "mnuOptionsXA");
    mnuOptionsXA->setCheckable(true);
    mnuOptionsXA->setChecked(true);
    mnuOptionsValid =
        named(mnuOptions->addAction(QStringLiteral("Write &Valid Sectors")), "mnuOptionsValid");
    mnuOptionsValid->setCheckable(true);
    mnuOptionsKeep =
        named(mnuOptions->addAction(QStringLiteral("&Keep Stream Structure")), "mnuOptionsKeep");
    mnuOptionsKeep->setCheckable(true);
    mnuOptionsSilence =
        named(mnuOptions->addAction(QStringLiteral("Silence &Audio Tracks")), "mnuOptionsSilence");
    mnuOptionsSilence->setCheckable(true);
    // Which rip to choose, in a line each.
    mnuOptions->setToolTipsVisible(true);
    mnuOptionsXA->setToolTip(
        QStringLiteral("XA entries get silent XA sectors after their first, not zero sectors"));
    mnuOptionsValid->setToolTip(QStringLiteral(
        "Every sector written gets its own address, sync and EDC: a drive's seek finds it"));
    mnuOptionsKeep->setToolTip(QStringLiteral(
        "Every frame and XA channel kept, black and silent: a game that counts them plays on"));
    mnuOptionsSilence->setToolTip(QStringLiteral(
        "Rip All on a cue also makes its audio tracks digital silence of the same length"));

    mnuAbout = named(menuBar()->addAction(QStringLiteral("&About")), "mnuAbout");

    connect(mnuFileKLV, &QAction::triggered, this, &Form1::mnuFileKLV_Click);
    connect(mnuFileBIN, &QAction::triggered, this, &Form1::mnuFileBIN_Click);
    connect(mnuFileScan, &QAction::triggered, this, &Form1::mnuFileScan_Click);
    connect(mnuFileRipNew, &QAction::triggered, this, &Form1::mnuFileRipNew_Click);
    connect(mnuFileClose, &QAction::triggered, this, &Form1::mnuFileClose_Click);
    connect(mnuFileExit, &QAction::triggered, this, &Form1::mnuFileExit_Click);
    connect(mnuOptionsXA, &QAction::triggered, this, &Form1::mnuOptionsXA_Click);
    connect(mnuOptionsValid, &QAction::triggered, this, &Form1::mnuOptionsValid_Click);
    connect(mnuOptionsKeep, &QAction::triggered, this, &Form1::mnuOptionsKeep_Click);
    connect(mnuOptionsSilence, &QAction::triggered, this, &Form1::mnuOptionsSilence_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

// The classic 8 point face of such windows is 11 pixels high at 96 dpi; a condensed sans keeps
// every caption inside its fixed box. Where that face is missing, the size shrinks until the
// captions fit.
void Form1::FitFont() {
    const int button_margins = 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin) +
                                    style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    struct Room {
        QStringList texts;
        int width;
    };
    std::vector<Room> rooms;
    for (QLabel* label : {Label1, Label2, Label3, Label4, lblStatus})
        rooms.push_back({{label->text()}, label->width()});
    // The widest values the details labels show for entries an image can hold.
    const QString last = QString::number(kLastAddressableSector);
    rooms.push_back({{last}, lblStart->width()});
    rooms.push_back({{last}, lblEnd->width()});
    rooms.push_back({{QString::number(kLastAddressableSector + 1)}, lblLength->width()});
    QStringList type_names{TextOf(kUnknownTypeName)};
    for (const EntryType& type : kEntryTypes) type_names.push_back(TextOf(type.name));
    rooms.push_back({type_names, lblType->width()});
    rooms.push_back(
        {{kBackupInProgress, kRestoreInProgress, kReplaceInProgress}, lblStatus->width()});
    for (QPushButton* button : {cmdReplace, cmdBackup, cmdRipAll, cmdRestore, cmdChange})
        rooms.push_back({{button->text()}, button->width() - button_margins});

    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setStyleHint(QFont::SansSerif);
    for (int pixels = 11; pixels >= 8; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        const bool fits = std::all_of(rooms.begin(), rooms.end(), [&](const Room& room) {
            return std::all_of(room.texts.begin(), room.texts.end(), [&](const QString& text) {
                return metrics.horizontalAdvance(text) <= room.width;
            });
        });
        if (fits && metrics.height() <= lblStatus->height()) break;
    }
    setFont(font);
    // Menus are windows of their own and do not inherit the window's font.
    mnuFile->setFont(font);
    mnuOptions->setFont(font);
}

void Form1::closeEvent(QCloseEvent* event) {
    // While an operation works, the window stays open: the operation still uses its state.
    if (!menuBar()->isEnabled()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstKLV->viewport() && event->type() == QEvent::MouseButtonPress)
        row_at_press_ = lstKLV->currentRow();
    if (watched == lstKLV && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
            lstKLV->currentItem() != nullptr) {
            lstKLV_Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace vorlix::window
