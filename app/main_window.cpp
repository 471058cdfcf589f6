// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>

#include "appcore/help_files.h"
#include "appcore/key_names.h"
#include "appcore/keys_page.h"
#include "appcore/update_check.h"
#include "lang/commands.h"
#include "lang/format.h"
#include "lang/languages.h"
#include "lang/settings_language.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "player/player.h"
#include "player/wave_output.h"
#include "results/columns.h"
#include "results/export.h"
#include "settings/colors.h"
#include "settings/placement.h"
#include "settings/settings_backup.h"
#include "settings/settings_store.h"
#include "settings/font.h"
#include "ui/font_mapping.h"
#include "ui/key_codes.h"
#include "ui/qt_text.h"
#include "ui/result_model.h"
#include "ui/file_manager.h"
#include "ui/result_view.h"
#include "ui/similarity_dialog.h"
#include "ui/theme.h"

namespace tarnq::app {

using lang::CommandId;
using ui::HelpText;
using ui::MenuText;
using ui::Text;
using ui::ToQString;
using ui::ToU16;

namespace {

constexpr std::string_view kMain = settings::SettingsStore::kMainSection;

// Bits of the main options the window itself uses.
constexpr uint32_t kOptToolbarHidden = 0x1;
constexpr uint32_t kOptStatusBarHidden = 0x2;
constexpr uint32_t kOptNoIcons = results::list_option::kIconsHidden;  // the list's file icons
constexpr uint32_t kOptOnTop = 0x20;
constexpr uint32_t kOptFullRowSelect = 0x40;
constexpr uint32_t kOptGridLines = 0x80;
constexpr uint32_t kOptColumnLines = 0x10000;
constexpr uint32_t kOptNoHoverLight = 0x20000;
constexpr uint32_t kOptDark = 0x100;  // also: no icons in the menus

constexpr size_t kPresetHistory = 30;

QString Ellipsis(QString text) { return text.remove(QLatin1Char('&')); }

// "what: the system's message for the error".
QString ErrorText(const QString& what, uint32_t code) {
  const QString message = QString::fromStdString(platform::ErrorMessage(code));
  return what.isEmpty() ? message : what + QStringLiteral(": ") + message;
}

// An icon drawn by the program at the usual toolbar and menu sizes.
QIcon DrawnIcon(const std::function<void(QPainter&, qreal size)>& draw) {
  QIcon icon;
  for (const int size : {16, 24, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    icon.addPixmap(pixmap);
  }
  return icon;
}

// A magnifying glass for Find; the style has none.
QIcon SearchIcon(const QPalette& palette) {
  const QColor color = palette.color(QPalette::WindowText);
  return DrawnIcon([color](QPainter& p, qreal size) {
    QPen pen(color, size / 8.0);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const qreal r = size * 0.28;
    const QPointF c(size * 0.4, size * 0.4);
    p.drawEllipse(c, r, r);
    p.drawLine(QPointF(c.x() + r * 0.75, c.y() + r * 0.75), QPointF(size * 0.88, size * 0.88));
  });
}

// Play in the text colour: the style's black triangle vanishes on a dark toolbar.
QIcon PlayIcon(const QPalette& palette) {
  const QColor color = palette.color(QPalette::WindowText);
  return DrawnIcon([color](QPainter& p, qreal size) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const QPointF triangle[] = {{size * 0.3, size * 0.2}, {size * 0.8, size * 0.5}, {size * 0.3, size * 0.8}};
    p.drawPolygon(triangle, 3);
  });
}

QIcon StopIcon() {
  return DrawnIcon([](QPainter& p, qreal size) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd0, 0x3b, 0x3b));
    p.drawRoundedRect(QRectF(size * 0.2, size * 0.2, size * 0.6, size * 0.6), size * 0.1, size * 0.1);
  });
}

QIcon HelpIcon() {
  return DrawnIcon([](QPainter& p, qreal size) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x6f, 0xc9));
    p.drawEllipse(QRectF(size * 0.08, size * 0.08, size * 0.84, size * 0.84));
    QFont font;
    font.setBold(true);
    font.setPixelSize(static_cast<int>(size * 0.62));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
  });
}

QIcon IconOf(int id, QStyle* style, const QPalette& palette) {
  switch (id) {
    case 131: return SearchIcon(palette);
    case 132: return StopIcon();
    case 125: return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 121: return style->standardIcon(QStyle::SP_DialogApplyButton);
    case 106: return PlayIcon(palette);
    case 108: return style->standardIcon(QStyle::SP_FileIcon);
    case 109: return style->standardIcon(QStyle::SP_DirIcon);
    case 111: return style->standardIcon(QStyle::SP_TrashIcon);
    case 114: return style->standardIcon(QStyle::SP_DialogDiscardButton);
    case 118: return style->standardIcon(QStyle::SP_DialogSaveButton);
    case 119: return style->standardIcon(QStyle::SP_DialogOpenButton);
    case 113: return style->standardIcon(QStyle::SP_ArrowRight);
    case 201: return HelpIcon();
    case 206: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    default: return {};
  }
}

// The style's own disabled pictures are lightened, which on a dark toolbar looks enabled; a
// disabled button shows its picture faded instead, in either theme.
QIcon WithFadedDisabled(const QIcon& source) {
  if (source.isNull()) return source;
  QIcon icon;
  for (const int size : {16, 24, 32, 48}) {
    const QPixmap normal = source.pixmap(size, size);
    icon.addPixmap(normal, QIcon::Normal);
    QPixmap faded(normal.size());
    faded.setDevicePixelRatio(normal.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter p(&faded);
    p.setOpacity(0.3);
    p.drawPixmap(0, 0, normal);
    p.end();
    icon.addPixmap(faded, QIcon::Disabled);
  }
  return icon;
}

QString SkipReasonText(engine::SkipReason reason) { return Text(12005 + static_cast<int>(reason)); }

// Entries of the settings that the window passes over: shortcuts it cannot use and layout
// entries that name no column, as "Keys 112", "L 99,40".
QStringList IgnoredSettings(settings::SettingsStore& store) {
  QStringList out;
  store.EnumSection(appcore::kKeysSection, [&](std::string_view key, std::string_view value) {
    const QString k = QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
    bool number = false;
    const uint32_t code = k.trimmed().toUInt(&number);
    const QString v = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())).trimmed();
    const bool knownName = v.isEmpty() || v == QLatin1String("-") || lang::CommandOfName(ToU16(v)) != 0;
    if (!number || !appcore::IsAssignableShortcut(code) || !knownName) out << QStringLiteral("Keys %1").arg(k);
    return false;  // go on
  });
  const QString layout = ToQString(store.ReadText(kMain, "L")).trimmed();
  if (!layout.isEmpty()) {
    for (const QString& entry : layout.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      if (results::ParseLayout(ToU16(entry)).size() != 1) {
        out << QStringLiteral("L %1").arg(entry);
      }
    }
  }
  return out;
}

}  // namespace

MainWindow::MainWindow(appcore::AppCore& core, appcore::RestartRequest& restart, WindowOptions options,
                       QWidget* parent)
    : QMainWindow(parent), m_core(core), m_restart(restart), m_options(std::move(options)) {
  settings::SettingsStore& store = m_core.Settings();
  setWindowTitle(QStringLiteral("Twinsong"));
  setObjectName(QStringLiteral("TARNQ"));
  setAcceptDrops(true);
  openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  askSaveFile = [this](const QString& caption, const QString& folder, const QString& filters, QString* chosen) {
    return QFileDialog::getSaveFileName(this, caption, folder, filters, chosen);
  };
  askOpenFile = [this](const QString& caption, const QString& folder, const QString& filters) {
    return QFileDialog::getOpenFileName(this, caption, folder, filters);
  };

  // The language first: every text below comes from its catalogue.
  QStringList ignored;
  {
    lang::StoreLanguageSettings languageSettings(store);
    std::u16string code;
    const lang::LanguageOutcome outcome =
        lang::SelectLanguage(code, languageSettings, lang::LanguageEnvironment::OfProcess());
    if (outcome.fileError != 0 && outcome.fileError != 2) {
      ignored << QStringLiteral("TARNQ_%1.LNG (%2)")
                     .arg(ToQString(outcome.code), ErrorText({}, outcome.fileError));
    }
  }
  m_shortcuts.Load(store);
  ignored << IgnoredSettings(store);

  m_model = new ui::ResultModel(m_core.List(), this);
  m_model->SetLayout(results::ReadLayout(store));
  m_model->SetOptions(m_core.Options());
  m_model->SetFileIcon(QIcon::fromTheme(QStringLiteral("audio-x-generic"), style()->standardIcon(QStyle::SP_FileIcon)));
  m_model->SetColorScheme(settings::ReadColorScheme(store, "Color"));
  m_view = new ui::ResultView(this);
  m_view->setObjectName(QStringLiteral("ItemsView"));
  m_view->SetResultModel(m_model);
  const QPalette pal = palette();
  m_model->SetPaletteColors(pal.color(QPalette::Base), pal.color(QPalette::AlternateBase),
                            pal.color(QPalette::Disabled, QPalette::Text));
  m_view->onHeaderClick = [this](uint16_t column, bool rightHalf) { HeaderSort(column, rightHalf); };
  m_view->onActivate = [this] { RunCommand(ToInt(CommandId::kPlay)); };
  m_view->onDeleteKey = [this] { RunCommand(ToInt(CommandId::kFileDelete)); };
  SetUpShell();
  m_view->ShowSortOrder(m_core.List().SortKey(), m_core.List().Reversed());

  m_selectionTimer = new QTimer(this);
  m_selectionTimer->setSingleShot(true);
  m_selectionTimer->setInterval(52);
  connect(m_selectionTimer, &QTimer::timeout, this, [this] {
    RefreshStatus();
    ApplyCommandStates(false);
  });
  connect(m_model, &ui::ResultModel::listChanged, this, &MainWindow::ScheduleSelectionCount);
  connect(m_model, &QAbstractItemModel::layoutChanged, this, [this] {
    m_view->FollowFocusedRow();
    m_view->ShowSortOrder(m_core.List().SortKey(), m_core.List().Reversed());
  });

  BuildActions();
  BuildMenus();
  BuildToolBar();
  BuildPresetBar();
  BuildStatusBar();
  SetUpConfigCommands();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->setSpacing(4);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(7, 0, 7, 0);
  bar->addWidget(m_presetLabel);
  bar->addWidget(m_presetBox, 1);
  bar->addWidget(m_presetButton);
  layout->addLayout(bar);
  layout->addWidget(m_view, 1);
  setCentralWidget(central);

  // Placement: stored size and position, else 900 x 650 where the window system puts it.
  const settings::WindowPlacement placement = settings::ReadPlacement(store, kMain, 900, 650);
  resize(placement.width, placement.height);
  if (placement.x != settings::kSystemChoosesPosition) {
    const QRect wanted(placement.x, placement.y, placement.width, placement.height);
    bool visible = false;
    for (const QScreen* screen : QGuiApplication::screens()) visible |= screen->availableGeometry().intersects(wanted);
    if (visible) move(placement.x, placement.y);
    else ignored << QStringLiteral("Pos");
  }
  if (placement.showState == 3) setWindowState(windowState() | Qt::WindowMaximized);
  if (m_core.Options() & kOptOnTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);

  // The window font chosen with Options > Font, when one is stored (and the desktop is the same).
  if (settings::LogFont stored; settings::ReadFont(store, kMain, "Font", stored)) setFont(ui::FontFromLogFont(stored, font()));

  ApplyViewOptions();
  m_core.AddObserver(this);
  ApplyCommandStates(true);
  RefreshStatus();
  qApp->installEventFilter(this);
  if (!ignored.isEmpty()) {
    // Settings the window could not use: it opened with defaults in their place.
    const QString text = ToQString(lang::FormatText(lang::GetTextOrEnglish(12025), {ToU16(ignored.join(QStringLiteral(", ")))}));
    if (m_options.scripted) std::fprintf(stderr, "tarnq: %s\n", text.toUtf8().constData());
    // After the window is shown: a message given earlier would leave the panes visible under it.
    QTimer::singleShot(0, this, [this, text] { statusBar()->showMessage(text, 20000); });
  }

  // The start file: a results file is loaded, anything else is the preset.
  if (!m_options.startFile.isEmpty()) {
    if (m_options.startFile.endsWith(QStringLiteral(".tarnq"), Qt::CaseInsensitive)) {
      QTimer::singleShot(0, this, [this, path = m_options.startFile] { LoadResultsFile(path); });
    } else {
      m_presetBox->setEditText(m_options.startFile);
      if (m_presetBox->findText(m_options.startFile) < 0) m_presetBox->insertItem(0, m_options.startFile);
    }
  }
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  m_core.RemoveObserver(this);
  // The player window gives up the player before the player (and its thread) goes.
  delete m_playerWindow.data();
  m_player.reset();
  m_audioOutput.reset();
}


// --- Building -----------------------------------------------------------------------------------

QAction* MainWindow::ActionOf(int id) const {
  const auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void MainWindow::BuildActions() {
  auto make = [this](int id) {
    auto* action = new QAction(this);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    m_actions[id] = action;
    return action;
  };
  for (const lang::CommandName& command : lang::CommandTable()) make(ToInt(command.id));
  for (const int id : {122, 123, 124, 171, 172, 173, 188, 201, 141, 142, 143, 167}) {
    if (!ActionOf(id)) make(id);
  }
  for (const int id : {141, 142, 143, 167}) ActionOf(id)->setCheckable(true);
  auto* sortGroup = new QActionGroup(this);
  for (int id = 151; id <= 166; ++id) {
    if (QAction* a = ActionOf(id) ? ActionOf(id) : make(id)) {
      a->setCheckable(true);
      sortGroup->addAction(a);
    }
  }
  auto* darkGroup = new QActionGroup(this);
  for (const int id : {171, 172, 173}) {
    ActionOf(id)->setCheckable(true);
    darkGroup->addAction(ActionOf(id));
  }
  const QPalette pal = palette();
  for (auto& [id, action] : m_actions) action->setIcon(WithFadedDisabled(IconOf(id, style(), pal)));
  RetranslateActions();
}

void MainWindow::RetranslateActions() {
  for (auto& [id, action] : m_actions) {
    QString text = MenuText(id);
    const uint16_t code = m_shortcuts.FirstCodeOf(static_cast<CommandId>(id));
    if (code != 0) text += QLatin1Char('\t') + ToQString(appcore::KeyName(code));
    action->setText(text);
    action->setStatusTip(HelpText(id));
    action->setToolTip(Ellipsis(ui::ShortText(id)));
  }
}

QMenu* MainWindow::BuildMenu(const lang::MenuItem* items, QMenu* into) {
  for (const lang::MenuItem* item = items; item->id != 0; ++item) {
    if (item->id == lang::kSeparatorId) {
      into->addSeparator();
    } else if (item->subMenu != nullptr) {
      QMenu* sub = into->addMenu(MenuText(item->id));
      BuildMenu(item->subMenu, sub);
    } else if (QAction* action = ActionOf(item->id)) {
      into->addAction(action);
    }
  }
  return into;
}

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->clear();
  if (QWidget* old = bar->cornerWidget(Qt::TopRightCorner)) {
    bar->setCornerWidget(nullptr, Qt::TopRightCorner);
    old->deleteLater();
  }
  const lang::LanguageRecord* record = lang::InstalledLanguageRecord();
  if (record == nullptr || lang::FindMenuItemWithoutText() != 0) {
    // A catalogue without a menu text: the window has no menu.
    ShowMessage(ToQString(lang::kLoadingError), true);
    return;
  }
  auto* right = new QMenuBar(bar);
  for (const lang::MenuItem* item = record->mainMenu; item->id != 0; ++item) {
    QMenuBar* target = (item->flags & lang::kMenuRightJustify) ? right : bar;
    if (item->id == ToInt(CommandId::kSwitchList)) {
      m_switchMenu = target->addMenu(MenuText(item->id));
      connect(m_switchMenu, &QMenu::aboutToShow, this, &MainWindow::SwitchWindow);
    } else if (item->subMenu != nullptr) {
      QMenu* menu = target->addMenu(MenuText(item->id));
      BuildMenu(item->subMenu, menu);
      if (item->id == 140) connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateCheckMarks);
    }
  }
  bar->setCornerWidget(right, Qt::TopRightCorner);
  // Hovered items explain themselves in the status bar (their status tips; Qt shows them).
  UpdateCheckMarks();
}

void MainWindow::BuildToolBar() {
  m_toolBar = addToolBar(QStringLiteral("toolbar"));
  m_toolBar->setObjectName(QStringLiteral("toolbar"));
  m_toolBar->setMovable(false);
  m_toolBar->setIconSize(QSize(24, 24));
  FillToolBar();
}

void MainWindow::BuildPresetBar() {
  settings::SettingsStore& store = m_core.Settings();
  m_presetLabel = new QLabel(this);
  m_presetLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_presetBox = new QComboBox(this);
  m_presetBox->setObjectName(QStringLiteral("PresetBox"));
  m_presetBox->setEditable(true);
  m_presetBox->setInsertPolicy(QComboBox::NoInsert);
  m_presetBox->lineEdit()->setMaxLength(1023);
  m_presetBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_presetBox->setMinimumContentsLength(20);
  for (const settings::ListEntry& entry : store.ReadList("Preset")) m_presetBox->addItem(ToQString(entry.value));
  const QString current = ToQString(store.ReadPath(kMain, "Preset"));
  m_presetBox->setEditText(current);
  m_presetButton = new QPushButton(QStringLiteral("..."), this);
  m_presetButton->setObjectName(QStringLiteral("PresetButton"));
  m_presetButton->setFixedWidth(m_presetButton->fontMetrics().height() * 2 + 6);
  connect(m_presetButton, &QPushButton::clicked, this, [this] { RunCommand(ToInt(CommandId::kPresetButton)); });
  m_presetLabel->setText(Text(75) + QLatin1Char(':'));
  m_presetLabel->setBuddy(m_presetBox);
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  m_selectedPane = new QLabel(this);
  m_totalPane = new QLabel(this);
  m_infoPane = new QLabel(this);
  m_skippedPane = new QLabel(this);
  m_skippedPane->setTextFormat(Qt::RichText);
  m_skippedPane->hide();
  connect(m_skippedPane, &QLabel::linkActivated, this, [this](const QString&) { ShowSkipped(); });
  m_searchIcon = new QLabel(this);
  m_searchIcon->setPixmap(SearchIcon(palette()).pixmap(16, 16));
  m_searchIcon->hide();
  m_progress = new QProgressBar(this);
  m_progress->setMaximumWidth(160);
  m_progress->setMaximumHeight(fontMetrics().height());
  m_progress->setTextVisible(false);
  m_progress->hide();
  // Selected takes no room while nothing is selected (its text is empty then).
  bar->addWidget(m_selectedPane);
  bar->addWidget(m_totalPane, 2);
  bar->addWidget(m_infoPane, 2);
  bar->addPermanentWidget(m_skippedPane);
  bar->addPermanentWidget(m_searchIcon);
  bar->addPermanentWidget(m_progress);
}

void MainWindow::ApplyViewOptions() {
  const uint32_t options = m_core.Options();
  m_toolBar->setVisible((options & kOptToolbarHidden) == 0);
  statusBar()->setVisible((options & kOptStatusBarHidden) == 0);
  m_model->SetOptions(options);
  m_view->setShowGrid((options & kOptGridLines) != 0);
  m_view->SetRowStyle({(options & kOptFullRowSelect) != 0, (options & kOptColumnLines) != 0,
                       (options & kOptNoHoverLight) == 0});
  const bool menuIcons = (options & kOptDark) == 0;
  for (auto& [id, action] : m_actions) action->setIconVisibleInMenu(menuIcons);
  UpdateCheckMarks();
}

void MainWindow::UpdateCheckMarks() {
  const uint32_t options = m_core.Options();
  ActionOf(141)->setChecked((options & kOptToolbarHidden) == 0);
  ActionOf(142)->setChecked((options & kOptStatusBarHidden) == 0);
  ActionOf(143)->setChecked((options & kOptNoIcons) == 0);
  const int key = m_core.List().SortKey();
  if (QAction* a = ActionOf(ToInt(lang::SortCommandOfKey(key)))) a->setChecked(true);
  ActionOf(167)->setChecked(m_core.List().Reversed());
  const int dark = static_cast<int>(m_core.Settings().ReadInt(kMain, "DM", 0));
  if (QAction* a = ActionOf(171 + std::clamp(dark, 0, 2))) a->setChecked(true);
}

// --- Command states and status ------------------------------------------------------------------

bool MainWindow::IsCommandEnabled(int id) const { return m_core.IsAllowed(static_cast<CommandId>(id)); }

void MainWindow::ApplyCommandStates(bool force) {
  const std::vector<appcore::CommandStateChange> changes = m_core.UpdateCommandStates(force);
  for (const appcore::CommandStateChange& change : changes) {
    if (QAction* a = ActionOf(ToInt(change.id))) a->setEnabled(!change.disabled);
  }
  if (force) {
    for (auto& [id, action] : m_actions) action->setEnabled(IsCommandEnabled(id));
  }
  m_presetButton->setEnabled(IsCommandEnabled(ToInt(CommandId::kPresetButton)));
}

void MainWindow::ScheduleSelectionCount() {
  if (!m_selectionTimer->isActive()) m_selectionTimer->start();
}

void MainWindow::RefreshStatus() {
  if (m_core.Searching()) return;  // the search's own progress fills the panes meanwhile
  ShowCounts();
}

void MainWindow::ShowCounts() {
  m_selectedPane->setText(ToQString(m_core.SelectedText()));
  m_totalPane->setText(ToQString(m_core.StatusText()));
}

QString MainWindow::SelectedPaneText() const { return m_selectedPane->text(); }
QString MainWindow::TotalPaneText() const { return m_totalPane->text(); }
QString MainWindow::InfoPaneText() const { return m_infoPane->text(); }

void MainWindow::OnSearchProgress(const appcore::SearchProgressEvent& event) {
  const bool shortSizes = (m_core.Options() & results::list_option::kShortSizes) != 0;
  m_totalPane->setText(ToQString(engine::SearchStatusText(event.progress, shortSizes)));
  m_infoPane->setText(ToQString(event.folder));
}

void MainWindow::OnCommandStatesChanged() {
  ApplyCommandStates(false);
  const bool searching = m_core.Searching();
  m_searchIcon->setVisible(searching);
  m_progress->setVisible(searching || m_core.Deleting());
  m_progress->setRange(0, 0);  // a search cannot tell how far it is
}

void MainWindow::OnBringToFront() {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

void MainWindow::OnSearchFinished(const engine::SearchOutcome& outcome) {
  m_searchIcon->hide();
  m_progress->hide();
  m_infoPane->clear();
  ApplyCommandStates(false);
  ShowCounts();  // the core may still count itself as searching here
  const uint64_t skipped = outcome.skipped.Total();
  if (skipped > 0) {
    const QString text = ToQString(lang::FormatText(lang::MenuPart(lang::GetTextOrEnglish(12003)), {skipped}));
    m_skippedPane->setText(QStringLiteral("<a href=\"skipped\">%1</a>").arg(text.toHtmlEscaped()));
    m_skippedPane->setToolTip(HelpText(12003));
    m_skippedPane->show();
  } else {
    m_skippedPane->hide();
  }
  if (outcome.failed && !outcome.error.empty()) ShowMessage(ToQString(outcome.error), true);
  // Command 117: the list gets the focus.
  m_view->setFocus();
  m_view->FollowFocusedRow();
  m_view->ShowSortOrder(m_core.List().SortKey(), m_core.List().Reversed());
  if (m_scriptRunning) {
    // Later, from the event loop: this call runs while the search's worker waits for it, and
    // finishing may close the window, which waits for that worker.
    const bool ok = !outcome.canceled && !outcome.failed && !outcome.incomplete && !outcome.hostGone;
    QTimer::singleShot(0, this, [this, ok] { FinishScript(ok ? 0 : 1); });
  }
}

// --- Command dispatch ---------------------------------------------------------------------------

bool MainWindow::RunCommand(int id) {
  if (!IsCommandEnabled(id)) return false;
  if (RunPresetCommand(id) || RunFileCommand(id) || RunShellCommand(id) || RunConfigCommand(id) ||
      RunPlayerCommand(id)) {
    UpdateCheckMarks();
    return true;
  }
  const auto command = static_cast<CommandId>(id);
  switch (command) {
    case CommandId::kExit: close(); break;
    case CommandId::kFocusNext: FocusPane(true); break;
    case CommandId::kFocusPrevious: FocusPane(false); break;
    case CommandId::kEnter:
      if (m_view->hasFocus() && m_model->rowCount() > 0) RunCommand(ToInt(CommandId::kPlay));
      else RunCommand(ToInt(CommandId::kFind));
      break;
    case CommandId::kEscape:
      if (QWidget* active = QApplication::activeWindow(); active && active != this) active->close();
      else if (m_core.Busy()) m_core.Stop();
      break;
    case CommandId::kFind: Find(); break;
    case CommandId::kStop: m_core.Stop(); break;
    case CommandId::kSaveResults: SaveResults(); break;
    case CommandId::kLoadResults: LoadResults(); break;
    case CommandId::kExport: ExportList(); break;
    case CommandId::kRemoveFromList: m_core.RemoveSelectedFromList(); break;
    case CommandId::kSelectAll: m_core.SelectAll(); break;
    case CommandId::kDeselectAll: m_core.DeselectAll(); break;
    case CommandId::kInvertSelection: m_core.InvertSelection(); break;
    case CommandId::kCopyNames:
    case CommandId::kCopyPaths:
    case CommandId::kCopySelection:
    case CommandId::kCopySelectionWithHeader: CopyToClipboard(id); break;
    case CommandId::kToolbar:
      m_core.SetOptions(m_core.Options() ^ kOptToolbarHidden);
      ApplyViewOptions();
      break;
    case CommandId::kStatusBar:
      m_core.SetOptions(m_core.Options() ^ kOptStatusBarHidden);
      ApplyViewOptions();
      break;
    case CommandId::kIcons:
      m_core.SetOptions(m_core.Options() ^ kOptNoIcons);
      ApplyViewOptions();
      break;
    case CommandId::kDarkModeOff: SetDarkMode(ui::kDarkDisabled); break;
    case CommandId::kDarkModeAllow: SetDarkMode(ui::kDarkAllowed); break;
    case CommandId::kDarkModeForce: SetDarkMode(ui::kDarkForced); break;
    case CommandId::kBackupSettings: BackupSettings(); break;
    case CommandId::kRestoreSettings: RestoreSettings(); break;
    case CommandId::kResetSettings: ResetSettings(); break;
    case CommandId::kLanguage: ChooseLanguage(); break;
    case CommandId::kFont: ChooseFont(); break;
    case CommandId::kHelp: ShowHelp(); break;
    case CommandId::kTestSimilarity: ShowSimilarityDialog(); break;
    case CommandId::kGoTo: GoToFocusedFile(); break;
    case CommandId::kKeyboardShortcuts: ShowKeysPage(); break;
    case CommandId::kGoOnline: GoOnline(); break;
    case CommandId::kCheckUpdates: CheckForUpdates(); break;
    case CommandId::kAbout: ShowAbout(); break;
    case CommandId::kSearchFinished:
      m_view->setFocus();
      break;
    default:
      if (lang::SortKeyOfCommand(command) >= 0 || command == CommandId::kSortReversed) {
        Sort(id);
        break;
      }
      return false;
  }
  UpdateCheckMarks();
  return true;
}

void MainWindow::FocusPane(bool next) {
  std::vector<QWidget*> panes;
  for (QWidget* w : {static_cast<QWidget*>(m_presetBox), static_cast<QWidget*>(m_presetButton),
                     static_cast<QWidget*>(m_view)}) {
    if (w->isVisible() && w->isEnabled()) panes.push_back(w);
  }
  if (panes.empty()) return;
  size_t at = panes.size() - 1;
  for (size_t i = 0; i < panes.size(); ++i) {
    if (panes[i]->hasFocus() || panes[i]->isAncestorOf(QApplication::focusWidget())) at = i;
  }
  const size_t n = panes.size();
  panes[next ? (at + 1) % n : (at + n - 1) % n]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void MainWindow::Find() {
  if (m_core.Busy()) return;
  const QString presetText = m_presetBox->currentText().trimmed();
  m_skippedPane->hide();
  const appcore::FindStart start = m_core.FindWithPresetBox(ToU16(presetText));
  switch (start.result) {
    case appcore::FindResult::kStarted: {
      if (!presetText.isEmpty()) {
        const int at = m_presetBox->findText(presetText);
        if (at != 0) {
          if (at > 0) m_presetBox->removeItem(at);
          m_presetBox->insertItem(0, presetText);
          m_presetBox->setCurrentIndex(0);
        }
      }
      m_searchIcon->show();
      m_progress->setRange(0, 0);
      m_progress->show();
      m_infoPane->setText(Text(12022));
      ApplyCommandStates(false);
      return;
    }
    case appcore::FindResult::kBusy: return;
    case appcore::FindResult::kNoFolder:
      // The preset dialog asks for folders; OK with a folder starts the search.
      if (!m_scriptRunning) {
        OpenPresetDialog(m_core.Preset(), true);
        return;
      }
      ShowMessage(Text(12011), true);
      break;
    case appcore::FindResult::kPresetError:
      ShowMessage(ErrorText(presetText, start.code), true);
      break;
    case appcore::FindResult::kFailed:
      ShowMessage(ErrorText({}, start.code), true);
      break;
  }
  if (m_scriptRunning) FinishScript(1);
}

void MainWindow::Sort(int id) {
  m_core.SortCommand(static_cast<CommandId>(id));
  m_view->ShowSortOrder(m_core.List().SortKey(), m_core.List().Reversed());
}

void MainWindow::HeaderSort(uint16_t columnId, bool rightHalf) {
  // A header click is a sort command: refused while a deletion works on the rows.
  const std::optional<int> key = results::SortKeyForHeaderClick(columnId, rightHalf);
  if (!key || m_core.Busy() || m_model->rowCount() == 0) return;
  m_core.List().HeaderClick(columnId, rightHalf);
  m_view->ShowSortOrder(m_core.List().SortKey(), m_core.List().Reversed());
  UpdateCheckMarks();
}

QString MainWindow::StartFolder(const QString& stored) const {
  if (!stored.isEmpty() && QFileInfo(stored).isDir()) return stored;
  return QString();
}

void MainWindow::SaveResults() {
  if (m_model->rowCount() == 0) return;
  settings::SettingsStore& store = m_core.Settings();
  const QString folder = StartFolder(ToQString(store.ReadPath(kMain, "Save")));
  const QString filters = QStringLiteral("Twinsong (*.tarnq);;%1 (*)").arg(Text(12018));
  QString path = askSaveFile(Ellipsis(MenuText(118)), folder, filters, nullptr);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".tarnq");
  store.WritePath(kMain, "Save", ToU16(QFileInfo(path).absolutePath()));
  size_t written = 0, unstorable = 0;
  const uint32_t error = m_core.SaveResults(ToU16(path), &written, &unstorable);
  if (error != 0) {
    ShowMessage(ErrorText(path, error), true);
  } else if (unstorable > 0) {
    ShowMessage(ToQString(lang::FormatText(lang::GetTextOrEnglish(12016), {unstorable})), true);
  }
}

void MainWindow::LoadResults() {
  settings::SettingsStore& store = m_core.Settings();
  const QString folder = StartFolder(ToQString(store.ReadPath(kMain, "Save")));
  const QString filters = QStringLiteral("Twinsong (*.tarnq);;%1 (*)").arg(Text(12018));
  const QString path = askOpenFile(Ellipsis(MenuText(119)), folder, filters);
  if (!path.isEmpty()) LoadResultsFile(path);
}

void MainWindow::LoadResultsFile(const QString& path) {
  results::LoadReport report;
  const uint32_t error = m_core.LoadResults(ToU16(path), &report);
  if (error != 0) {
    ShowMessage(ToQString(lang::FormatText(lang::GetTextOrEnglish(12027),
                                           {ToU16(ErrorText(path, error))})),
                true);
    return;
  }
  m_skippedPane->hide();
  RefreshStatus();
  ApplyCommandStates(false);
  m_view->ShowSortOrder(m_core.List().SortKey(), m_core.List().Reversed());
  const size_t skipped = report.badPaths + report.overlongLines + report.rejectedRows;
  if (skipped > 0) ShowMessage(ToQString(lang::FormatText(lang::GetTextOrEnglish(12015), {skipped})), false);
}

void MainWindow::ExportList() {
  settings::SettingsStore& store = m_core.Settings();
  QStringList filters;
  for (int format = 1; format <= results::kExportFormatCount; ++format) {
    const results::ExportFormatInfo info = results::ExportFormatInfoOf(format);
    filters << QStringLiteral("%1 (%2)").arg(ToQString(info.filter), ToQString(info.pattern));
  }
  const int mode = results::ReadExportMode(store);
  QString chosen = filters.value(std::max(0, mode - 1));
  const QString folder = StartFolder(QFileInfo(ToQString(store.ReadPath(kMain, "ExpPath"))).absolutePath());
  QString path = askSaveFile(Ellipsis(MenuText(113)), folder, filters.join(QStringLiteral(";;")), &chosen);
  if (path.isEmpty()) return;
  const int format = std::max(1, static_cast<int>(filters.indexOf(chosen)) + 1);
  if (QFileInfo(path).suffix().isEmpty()) {
    path += ToQString(results::ExportFormatInfoOf(format).pattern).mid(1);
  }
  results::WriteExportMode(store, format);
  store.WritePath(kMain, "ExpPath", ToU16(path));
  const uint32_t error = m_core.Export(ToU16(path), static_cast<results::ExportFormat>(format));
  if (error != 0) ShowMessage(ErrorText(path, error), true);
}

void MainWindow::CopyToClipboard(int id) {
  const std::u16string text = m_core.ClipboardText(static_cast<CommandId>(id));
  if (!text.empty()) QApplication::clipboard()->setText(ToQString(text));
}

// --- Settings, language, theme ------------------------------------------------------------------

void MainWindow::SetDarkMode(int choice) {
  settings::SettingsStore& store = m_core.Settings();
  const bool wasDark = ui::IsDark(static_cast<int>(store.ReadInt(kMain, "DM", 0)));
  store.WriteInt(kMain, "DM", static_cast<uint32_t>(choice));
  store.Flush();
  const bool dark = ui::IsDark(choice);
  if (dark == wasDark) {
    update();
    return;
  }
  m_core.SetOptions(dark ? (m_core.Options() | kOptDark) : (m_core.Options() & ~kOptDark));
  store.WriteOption(kMain, m_core.Options());
  store.Flush();
  Restart();
}

void MainWindow::Restart() {
  // The closing window stores its layout and placement first; then the store is frozen so that
  // nothing written later in this run reaches the file, and the program builds its window again.
  StoreOnClose();
  m_core.Settings().Freeze();
  CloseForRestart();
}

void MainWindow::CloseForRestart() {
  m_restart.Request();
  m_closing = true;
  close();
}

void MainWindow::BackupSettings() {
  const QString filters = QStringLiteral("%1 (*.ini);;%2 (*)").arg(Text(12019), Text(12018));
  QString path = askSaveFile(Ellipsis(MenuText(186)), QDir::homePath(), filters, nullptr);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".ini");
  const settings::SettingsCommandResult result = settings::BackupSettings(m_core.Settings(), ToU16(path));
  if (result.error != 0) {
    ShowMessage(ErrorText(path, result.error), true);
  }
}

void MainWindow::RestoreSettings() {
  const QString filters = QStringLiteral("%1 (*.ini);;%2 (*)").arg(Text(12019), Text(12018));
  const QString path = askOpenFile(Ellipsis(MenuText(187)), QDir::homePath(), filters);
  if (path.isEmpty()) return;
  const settings::SettingsCommandResult result = settings::RestoreSettings(m_core.Settings(), ToU16(path));
  if (result.error != 0) {
    ShowMessage(ErrorText(path, result.error), true);
  } else if (result.restartRequested) {
    CloseForRestart();
  }
}

void MainWindow::ResetSettings() {
  if (!m_options.scripted &&
      QMessageBox::question(this, windowTitle(), Text(12024)) != QMessageBox::Yes) {
    return;
  }
  const settings::SettingsCommandResult result = settings::ResetSettings(m_core.Settings());
  if (result.error != 0) {
    ShowMessage(ErrorText({}, result.error), true);
  } else if (result.restartRequested) {
    CloseForRestart();
  }
}

void MainWindow::ChooseFont() {
  if (m_options.scripted) return;  // no modal window in the scripted mode
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, font(), this, Ellipsis(ui::ShortText(182)));
  if (ok) SetWindowFont(chosen);
}

void MainWindow::SetWindowFont(const QFont& chosen) {
  setFont(chosen);
  const settings::LogFont stored = ui::LogFontFromFont(chosen, logicalDpiY());
  settings::WriteFont(m_core.Settings(), kMain, "Font", &stored);
}

void MainWindow::ChooseLanguage() {
  const lang::LanguageEnvironment environment = lang::LanguageEnvironment::OfProcess();
  const std::vector<lang::LanguageChoice> choices =
      lang::ListLanguages(lang::InstalledLanguageRecord(), environment.programFolder);
  QStringList names;
  int current = 0;
  for (size_t i = 0; i < choices.size(); ++i) {
    names << ToQString(choices[i].displayName);
    if (choices[i].code == lang::ActiveLanguageCode()) current = static_cast<int>(i);
  }
  bool ok = false;
  const QString picked = QInputDialog::getItem(this, Ellipsis(ui::ShortText(185)), Text(12026) + QLatin1Char(':'),
                                               names, current, false, &ok);
  if (!ok) return;
  const qsizetype at = names.indexOf(picked);
  if (at < 0) return;
  lang::StoreLanguageSettings languageSettings(m_core.Settings());
  std::u16string code;
  lang::ChooseLanguage(choices[static_cast<size_t>(at)].code, code, languageSettings, environment);
  // Every text again from the new catalogue.
  m_shortcuts.Load(m_core.Settings());
  RetranslateActions();
  BuildMenus();
  m_presetLabel->setText(Text(75) + QLatin1Char(':'));
  if (m_playerWindow) m_playerWindow->Retranslate();
  m_model->SetLayout(m_view->CurrentLayout());
  m_view->ApplyLayoutWidths();
  RefreshStatus();
}

// --- Help and the web ---------------------------------------------------------------------------

bool MainWindow::OpenUrl(const QUrl& url) { return openUrl && openUrl(url); }

void MainWindow::ShowHelp(const QString& anchor) {
  const appcore::HelpFile help = appcore::FindHelpFile(platform::ProgramDataFolder(), lang::ActiveLanguageCode());
  if (help.kind != appcore::HelpKind::kHtm) {
    ShowMessage(Text(12017), true);
    return;
  }
  QUrl url = QUrl::fromLocalFile(ToQString(help.path));
  url.setFragment(anchor);
  OpenUrl(url);
}

void MainWindow::ShowKeysPage() {
  std::u16string path;
  const uint32_t error = appcore::WriteKeysPage(m_shortcuts, path);
  if (error != 0) {
    ShowMessage(ErrorText({}, error), true);
    return;
  }
  OpenUrl(QUrl::fromLocalFile(ToQString(path)));
}

void MainWindow::GoOnline() {
  const QString address = ToQString(m_core.Settings().ReadText(kMain, "HomeUrl")).trimmed();
  const QUrl url(address);
  if (address.isEmpty() || !url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
    ShowMessage(ToQString(lang::FormatText(lang::GetTextOrEnglish(12012), {std::u16string_view(u"HomeUrl")})), false);
    return;
  }
  OpenUrl(url);
}

void MainWindow::CheckForUpdates() {
  const QString address = ToQString(appcore::UpdateListAddress(m_core.Settings()));
  if (address.isEmpty()) {
    ShowMessage(ToQString(lang::FormatText(lang::GetTextOrEnglish(12012), {std::u16string_view(u"UpdateUrl")})), false);
    return;
  }
  // The download runs in Qt's network thread; the window stays responsive and hears the end.
  auto* network = new QNetworkAccessManager(this);
  QNetworkRequest request{QUrl(address)};
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setTransferTimeout(30000);
  QNetworkReply* reply = network->get(request);
  auto body = std::make_shared<QByteArray>();
  connect(reply, &QNetworkReply::readyRead, this, [reply, body] {
    const qint64 room = static_cast<qint64>(appcore::kMaxProductListBytes) - body->size();
    if (room > 0) body->append(reply->read(room));
    else reply->abort();
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply, body, network] {
    reply->deleteLater();
    network->deleteLater();
    if (reply->error() != QNetworkReply::NoError && reply->error() != QNetworkReply::OperationCanceledError) {
      ShowMessage(ToQString(lang::FormatText(lang::GetTextOrEnglish(12021), {ToU16(reply->errorString())})), true);
      return;
    }
    body->append(reply->readAll().left(static_cast<qsizetype>(appcore::kMaxProductListBytes) - body->size()));
    const std::optional<appcore::UpdateMessage> message =
        appcore::UpdateCheckMessage(std::string_view(body->constData(), static_cast<size_t>(body->size())));
    if (!message) return;
    if (m_options.scripted) {
      std::fprintf(stderr, "tarnq: %s\n", ToQString(message->text).toUtf8().constData());
      emit messageShown(ToQString(message->text));
      return;
    }
    QMessageBox box(QMessageBox::Information, ToQString(message->caption), ToQString(message->text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    emit messageShown(ToQString(message->text));
    box.exec();
  });
}

void MainWindow::ShowAbout() {
  const QString text = QStringLiteral("Twinsong\n%1 %2\n\n%3\n%4\n\n%5\n%6\n\nGPL-3.0-or-later")
                           .arg(Text(12020), ToQString(appcore::kProgramVersion), Text(12013),
                                QDir::toNativeSeparators(ToQString(platform::ProgramFolder())), Text(12014),
                                ToQString(m_core.Settings().GetPath()));
  if (m_options.scripted) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    emit messageShown(text);
    return;
  }
  QMessageBox box(QMessageBox::Information, Ellipsis(ui::ShortText(206)), text, QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  emit messageShown(text);
  box.exec();
}

void MainWindow::ShowSkipped() {
  const engine::SearchOutcome outcome = m_core.LastOutcome();
  QString text;
  for (const engine::SkippedFile& file : outcome.skipped.files) {
    text += ToQString(file.path) + QStringLiteral(" \u2014 ") + SkipReasonText(file.reason);
    if (file.error != 0) text += QStringLiteral(" (") + ErrorText({}, file.error) + QLatin1Char(')');
    text += QLatin1Char('\n');
  }
  if (m_options.scripted) {
    std::fputs(text.toUtf8().constData(), stderr);
    return;
  }
  QDialog dialog(this);
  dialog.setWindowTitle(Text(12004));
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QPlainTextEdit(&dialog);
  list->setReadOnly(true);
  list->setLineWrapMode(QPlainTextEdit::NoWrap);
  list->setPlainText(text);
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(700, 400);
  dialog.exec();
}

void MainWindow::SwitchWindow() {
  m_switchMenu->clear();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible() || window->windowTitle().isEmpty()) continue;
    QAction* a = m_switchMenu->addAction(window->windowTitle());
    QPointer<QWidget> target(window);
    connect(a, &QAction::triggered, this, [target] {
      if (!target) return;
      if (target->isMinimized()) target->showNormal();
      target->raise();
      target->activateWindow();
    });
  }
}

// --- Dialogs and the file manager ------------------------------------------------------------

void MainWindow::ShowSimilarityDialog() {
  if (m_similarityDialog) {
    m_similarityDialog->raise();
    m_similarityDialog->activateWindow();
    return;
  }
  auto* dialog = new ui::SimilarityDialog([this] { ShowHelp(QStringLiteral("similarity")); }, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  m_similarityDialog = dialog;
  // Window-modal without a nested event loop: the scripted mode and the tests go on running.
  dialog->open();
}

void MainWindow::GoToFocusedFile() {
  const results::ResultList& list = m_core.List();
  const int64_t focused = list.FocusedRow();
  if (focused < 0 || static_cast<size_t>(focused) >= list.RowCount()) return;
  const std::u16string path = list.FullPathAt(static_cast<size_t>(focused));
  // The file manager opens the folder with the file chosen; without one, the folder itself opens.
  const QString uri = ui::FileUri(path);
  if (uri.isEmpty()) {
    OpenFolderOf(path);
    return;
  }
  ui::ShowItemsInFileManager({uri}, this, [this, path](bool shown) {
    if (!shown) OpenFolderOf(path);
  });
}

void MainWindow::OpenFolderOf(const std::u16string& path) {
  const std::u16string folderPath = ui::ContainingFolder(path);
  const QUrl folder = ui::FileUrl(folderPath);
  if (folder.isValid() && !folder.isEmpty() && OpenUrl(folder)) return;
  const uint32_t error = platform::FolderExists(folderPath) ? platform::err::kNoAssociation : platform::err::kPathNotFound;
  ShowMessage(ErrorText(ToQString(folderPath), error), true);
}

// --- Messages, keys, drops, closing -----------------------------------------------------------

void MainWindow::ShowMessage(const QString& text, bool error) {
  emit messageShown(text);
  if (m_options.scripted) {
    std::fprintf(stderr, "tarnq: %s\n", text.toUtf8().constData());
    return;
  }
  QMessageBox box(error ? QMessageBox::Warning : QMessageBox::Information, windowTitle(), text, QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  if (const auto* key = static_cast<QKeyEvent*>(event);
      key->key() == Qt::Key_Meta && (key->modifiers() & Qt::AltModifier) && qobject_cast<QWidget*>(watched)) {
    // Alt with the Windows key, in any window of the program: put the windows back on the screen.
    QTimer::singleShot(0, this, &MainWindow::ResetWindowPositions);
    return true;
  }
  // The keyboard shortcuts act while this window is the active one, whichever of its widgets has
  // the focus; keys for other windows (dialogs, menus) pass.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this || QApplication::activePopupWidget() != nullptr) {
    return QMainWindow::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  const uint16_t code = ui::ShortcutCodeOf(*key);
  if (code == 0) return false;
  // The list handles Space and its navigation keys itself.
  if (code == 0x20 && widget == m_view) return false;
  // F1 is reserved for the help: no table can take it.
  const CommandId command = code == 0x70 ? CommandId::kHelp : m_shortcuts.CommandForKey(code);
  if (command == CommandId::kNone) return false;
  // Tab inside the preset box's list and Enter in an open drop-down stay with the box.
  if (m_presetBox->view()->isVisible()) return false;
  QTimer::singleShot(0, this, [this, command] { RunCommand(ToInt(command)); });
  return true;
}

void MainWindow::ResetWindowPositions() {
  if (!m_options.scripted &&
      QMessageBox::question(this, windowTitle(), ui::ShortText(500)) != QMessageBox::Yes) {
    return;
  }
  const QScreen* screen = windowHandle() && windowHandle()->screen() ? windowHandle()->screen()
                                                                     : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  // The other windows' stored places are forgotten (their sizes kept); nothing stores a place
  // for the rest of this run.
  settings::SettingsStore& store = m_core.Settings();
  for (const std::string_view section :
       {std::string_view("Player"), std::string_view("DlgSelFav"), std::string_view("DlgPreset")}) {
    if (store.ReadText(section, "Pos").empty()) continue;
    settings::WindowPlacement placement = settings::ReadPlacement(store, section, 0, 0);
    placement.x = settings::kSystemChoosesPosition;
    placement.y = settings::kSystemChoosesPosition;
    settings::WritePlacement(store, section, placement);
  }
  store.LockPlacement();
  store.Flush();
  emit messageShown(ui::ShortText(500));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  const QString path = urls.first().toLocalFile();
  event->acceptProposedAction();
  if (path.endsWith(QStringLiteral(".tarnq"), Qt::CaseInsensitive) && QFileInfo(path).isFile()) {
    if (!m_core.Busy()) LoadResultsFile(path);
    return;
  }
  if (!QFileInfo(path).isDir() || m_core.Busy()) return;
  // A dropped folder is searched with the current criteria.
  std::vector<std::u16string> folders;
  folders.push_back(u"+" + ToU16(QDir::toNativeSeparators(path)));
  engine::SearchPreset& preset = m_core.Preset();
  preset.SetFolderList(folders);
  const appcore::FindStart start = m_core.Find();
  if (start.result == appcore::FindResult::kStarted) {
    m_searchIcon->show();
    m_progress->setRange(0, 0);
    m_progress->show();
    ApplyCommandStates(false);
  }
}

void MainWindow::StoreOnClose() {
  settings::SettingsStore& store = m_core.Settings();
  results::WriteLayout(store, m_view->CurrentLayout());
  store.WritePath(kMain, "Preset", ToU16(m_presetBox->currentText().trimmed()));
  std::vector<std::u16string> history;
  for (int i = 0; i < m_presetBox->count() && history.size() < kPresetHistory; ++i) {
    history.push_back(ToU16(m_presetBox->itemText(i)));
  }
  store.WriteList("Preset", history, kPresetHistory);
  settings::WindowPlacement placement;
  const QRect frame = normalGeometry().isValid() ? normalGeometry() : geometry();
  placement.x = frame.x();
  placement.y = frame.y();
  placement.width = frame.width();
  placement.height = frame.height();
  placement.showState = isMaximized() ? 3 : 1;
  settings::WritePlacement(store, kMain, placement);
  store.WriteOption(kMain, m_core.Options());
  results::WriteSortOrder(store, m_core.List().GetSortOrder());
  store.Flush();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (m_core.Busy() && !m_closing) {
    // Closing waits for the search (or the deletion) to end; the status bar says why.
    statusBar()->showMessage(Text(12002), 5000);
    m_infoPane->setText(Text(12002));
    event->ignore();
    return;
  }
  // The player window first: it stores its placement and stops playing.
  ClosePlayer();
  if (!m_closing) StoreOnClose();
  m_closing = true;
  m_core.RemoveObserver(this);
  m_core.Shutdown();
  event->accept();
}

// --- Scripted mode ------------------------------------------------------------------------------

void MainWindow::StartScript() {
  if (!m_options.playPath.empty()) {
    m_scriptRunning = true;
    StartPlayScript();
    return;
  }
  if (!m_options.search) {
    QTimer::singleShot(0, this, [this] { FinishScript(0); });
    return;
  }
  m_scriptRunning = true;
  Find();
}

void MainWindow::FinishScript(int code) {
  if (!m_scriptRunning && (m_options.search || !m_options.playPath.empty())) return;
  m_scriptRunning = false;
  if (m_scriptClock != nullptr) m_scriptClock->stop();
  QApplication::processEvents();
  if (!m_options.saveResultsPath.isEmpty() && code == 0) {
    if (m_model->rowCount() == 0) {
      QSaveFile empty(m_options.saveResultsPath);
      if (!empty.open(QIODevice::WriteOnly) || !empty.commit()) {
        std::fprintf(stderr, "tarnq: %s: %s\n", m_options.saveResultsPath.toUtf8().constData(),
                     empty.errorString().toUtf8().constData());
        code = 1;
      }
    } else {
      size_t written = 0, unstorable = 0;
      const uint32_t error = m_core.SaveResults(ToU16(m_options.saveResultsPath), &written, &unstorable);
      if (error != 0) {
        std::fprintf(stderr, "tarnq: %s: %s\n", m_options.saveResultsPath.toUtf8().constData(),
                     platform::ErrorMessage(error).c_str());
        code = 1;
      } else if (unstorable > 0) {
        ShowMessage(ToQString(lang::FormatText(lang::GetTextOrEnglish(12016), {unstorable})), true);
        code = 1;
      }
    }
  }
  QWidget* pictured = this;
  if (!m_options.playPath.empty() && m_playerWindow) pictured = m_playerWindow;
  if (m_options.dialogCommand != 0) {
    // A file command's dialog works on a selection: the duplicates of the list found or loaded.
    if (m_core.List().RowCount() > 0) m_core.SelectDupes();
    RunCommand(m_options.dialogCommand);
    for (QDialog* dialog : findChildren<QDialog*>()) {
      if (dialog->isVisible()) pictured = dialog;
    }
  }
  if (!m_options.screenshotPath.isEmpty()) {
    const QPixmap picture = pictured->grab();
    if (picture.isNull() || !picture.save(m_options.screenshotPath, "PNG")) {
      std::fprintf(stderr, "tarnq: %s: the picture could not be written\n", m_options.screenshotPath.toUtf8().constData());
      code = 1;
    }
  }
  m_scriptExit = code;
  emit scriptFinished(code);
  if (m_options.quit) {
    m_closing = true;
    close();
    QApplication::exit(code);
  }
}

}  // namespace tarnq::app
