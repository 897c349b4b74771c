// frmMain's behaviour: start-up, centring of the panel, the keys seen before any control
// (Enter as Tab, Esc), the commands, and the FilterHost side the run talks to.
#include "app/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <array>
#include <exception>

#include "about/frm_about.h"
#include "app/frm_main_controls.h"
#include "app/number_text.h"
#include "filter/program_files.h"
#include "front/csv_file_picker.h"
#include "front/main_form.h"
#include "front/window_run.h"
#include "platform/app.h"
#include "platform/error.h"

namespace sorbel {

struct frmMain::Controls : frmMainControls {
  explicit Controls(frmMainControls built) : frmMainControls(built) {}
  std::array<numberText*, 2> number_fields{};  // 0 serves txtKakakuStart, 1 txtKakakuEnd
};

namespace {

std::string Text(const QLineEdit* box) { return box->text().toStdString(); }

bool IsEnter(const QKeyEvent* key) {
  return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
         !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// Swallows keys, clicks and wheel turns while installed on the application.
class InputDropper : public QObject {
 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        return true;
      default:
        return false;
    }
  }
};

// The run holds the event loop, so what the user typed or clicked meanwhile waits in the queue;
// acted on now it would change conditions or start a second run nobody asked for.
void DropQueuedInput() {
  InputDropper dropper;
  QCoreApplication::instance()->installEventFilter(&dropper);
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(&dropper);
}

}  // namespace

frmMain::frmMain(frmMainServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      ui_(std::make_unique<Controls>(BuildMainControls(*this))) {
  setObjectName(QStringLiteral("frmMain"));
  connect(ui_->mnuFileExec, &QAction::triggered, this, [this] { RunFilter(); });
  connect(ui_->cmdExec, &QPushButton::clicked, this, [this] { RunFilter(); });
  connect(ui_->mnuFileEnd, &QAction::triggered, this, [this] { Quit(); });
  connect(ui_->cmdEnd, &QPushButton::clicked, this, [this] { Quit(); });
  connect(ui_->mnuHelpVersion, &QAction::triggered, this, [this] { ShowVersion(); });
  connect(ui_->cmdView, &QPushButton::clicked, this, [this] { BrowseCsv(); });
  // Keys are looked at before the focused control sees them, the way a form with key preview
  // does; the centring follows every resize of the client area.
  qApp->installEventFilter(this);
  InitForm();
}

frmMain::~frmMain() {
  qApp->removeEventFilter(this);
  SetMousePointer(kPointerDefault);
}

void frmMain::InitForm() {
  setWindowTitle(QString::fromStdString(AppCaption()));
  for (const char* entry : kCategoryEntries) ui_->cboCategory->addItem(QString::fromUtf8(entry));
  ui_->cboCategory->setCurrentIndex(0);
  for (const char* entry : kBundlingEntries) ui_->cboDoukon->addItem(QString::fromUtf8(entry));
  ui_->cboDoukon->setCurrentIndex(0);
  QLineEdit* prices[] = {ui_->txtKakakuStart, ui_->txtKakakuEnd};
  for (int i = 0; i < 2; ++i) {
    if (!ui_->number_fields[i]) ui_->number_fields[i] = new numberText(this);
    ui_->number_fields[i]->SetBox(prices[i]);
  }
  ui_->txtCsvPath->setFocus();
  setWindowState(windowState() | Qt::WindowMaximized);
  CentreMainPanel();
}

void frmMain::CentreMainPanel() {
  QWidget* panel = ui_->fraMain;
  // A client area narrower than the panel gives a negative left edge: both sides are cut.
  panel->move(CentredLeft(ui_->central->width(), panel->width()), panel->y());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watched == ui_->central) {
    CentreMainPanel();
    return false;
  }
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  // Only the window's own controls; the menu bar, menus and list pop-ups keep their keys.
  if (widget != this && !ui_->central->isAncestorOf(widget)) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (IsEnter(key)) {
    // Queued, so the focus moves after this key has been dealt with, as a typed Tab would.
    QCoreApplication::postEvent(widget,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
    return true;
  }
  if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
    ui_->cmdEnd->click();  // the window's cancel button
    return true;
  }
  return false;
}

void frmMain::RunFilter() {
  if (running_) return;
  running_ = true;
  RunFromWindow(*this, services_.run);
  DropQueuedInput();
  running_ = false;
}

void frmMain::BrowseCsv() {
  try {
    if (auto path = PickCsvFile(services_.file_dialog, services_.desktop)) {
      ui_->txtCsvPath->setText(QString::fromStdString(*path));
    }
  } catch (const Error& e) {
    Messages().Show(e.Report(), kIconCritical, kAppTitle);
  }
}

void frmMain::ShowVersion() {
  frmAbout about(services_.browser, Messages(), this);
  about.exec();
}

void frmMain::Quit() { close(); }

void frmMain::SetCsvPath(const std::string& path) {
  ui_->txtCsvPath->setText(QString::fromStdString(path));
}

std::string frmMain::CsvPath() const { return Text(ui_->txtCsvPath); }

FilterConditions frmMain::Conditions() const {
  FilterConditions c;
  c.ProductNameWords = Text(ui_->txtShohinmei);
  c.CategoryIndex = ui_->cboCategory->currentIndex();
  c.CategoryText = ui_->cboCategory->currentText().toStdString();
  c.TagWords = Text(ui_->txtTag);
  c.PriceFrom = Text(ui_->txtKakakuStart);
  c.PriceTo = Text(ui_->txtKakakuEnd);
  c.BundlingIndex = ui_->cboDoukon->currentIndex();
  c.BundlingText = ui_->cboDoukon->currentText().toStdString();
  // Only a ticked box counts; a greyed one does not.
  c.CreditCard = ui_->chkKessan[0]->checkState() == Qt::Checked;
  c.CashOnDelivery = ui_->chkKessan[1]->checkState() == Qt::Checked;
  c.FreeShippingOnly = ui_->chkSouryou->checkState() == Qt::Checked;
  return c;
}

void frmMain::SetStatusText(const std::string& text) {
  if (text.empty()) {
    ui_->StatusBar1->clearMessage();
  } else {
    ui_->StatusBar1->showMessage(QString::fromStdString(text));
  }
  // The run holds the event loop, so the text is painted now or not at all.
  ui_->StatusBar1->repaint();
}

void frmMain::SetMousePointer(MousePointer pointer) {
  // Only the hourglass this window put up is taken down again, and only once.
  if (pointer == kPointerHourglass && !busy_pointer_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_pointer_ = true;
  } else if (pointer == kPointerDefault && busy_pointer_) {
    QApplication::restoreOverrideCursor();
    busy_pointer_ = false;
  }
}

MessageBox& frmMain::Messages() { return services_.messages; }

const std::string& frmMain::OutFileName() const { return out_file_name_; }

void frmMain::SetOutFileName(const std::string& name) { out_file_name_ = name; }

std::string frmMain::AppFolder() const { return sorbel::AppFolder(kDataSourceName); }

const Clock& frmMain::Time() const { return clock_; }

SpreadsheetHost* frmMain::Spreadsheet() { return services_.spreadsheet; }

}  // namespace sorbel
