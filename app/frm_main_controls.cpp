// Builds the main window's controls from their positions in twips: the white panel with the
// banner, the ruled two-column table of labels and inputs, the buttons, menus and status bar.
#include "app/frm_main_controls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <limits>

#include "app/banner.h"
#include "front/main_form.h"
#include "platform/app.h"
#include "platform/qt/twips.h"
#include "platform/qt/ui_font.h"

namespace sorbel {

namespace {

QColor Colour(Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

// Sets the background and, when given, the text colour; the widget paints its background.
// Buttons and check boxes paint with other palette roles than labels and panels do.
void Colour(QWidget* widget, const QColor& background, const QColor& text = QColor()) {
  QPalette palette = widget->palette();
  palette.setColor(widget->backgroundRole(), background);
  if (text.isValid()) palette.setColor(widget->foregroundRole(), text);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

template <typename W>
W* Make(QWidget* parent, const char* name) {
  auto* widget = new W(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name) {
  auto* box = Make<QLineEdit>(parent, name);
  box->setMaxLength(std::numeric_limits<int>::max());  // no limit on what may be typed
  return box;
}

// A label cell of the table: light blue with white text, the word centred in the cell.
QLabel* MakeCell(QWidget* parent, const char* name, const char* caption) {
  auto* label = Make<QLabel>(parent, name);
  label->setText(QString::fromUtf8(caption));
  label->setAlignment(Qt::AlignCenter);
  Colour(label, Colour(kWindowColour), Qt::white);
  return label;
}

// One of the table's rules: a bar of `width` pixels (at 96 dpi) centred on the line from
// (x1, y1) to (x2, y2), which is either horizontal or vertical.
void MakeRule(QWidget* parent, const TwipsScale& s, const TableRule& r) {
  auto* rule = Make<QWidget>(parent, r.name);
  Colour(rule, Colour(kRuleColour));
  const int t = std::max(1, s.X(r.pixels * 15));
  const int left = s.X(r.x1) - t / 2;
  const int top = s.Y(r.y1) - t / 2;
  rule->setGeometry(left, top, s.X(r.x2) - s.X(r.x1) + t, s.Y(r.y2) - s.Y(r.y1) + t);
}

QRect Place(const TwipsScale& s, const TwipsRect& r) {
  return s.Rect(r.left, r.top, r.width, r.height);
}

}  // namespace

frmMainControls BuildMainControls(QMainWindow& window) {
  frmMainControls c;
  const TwipsScale s(window);
  window.setFont(UiFont(kFontPoints));

  // Menus.
  QMenuBar* bar = window.menuBar();
  QMenu* file = bar->addMenu(QString::fromUtf8(kMenuFile));
  file->setObjectName(QStringLiteral("mnuFile"));
  c.mnuFileExec = file->addAction(QString::fromUtf8(kMenuFileExec));
  c.mnuFileExec->setObjectName(QStringLiteral("mnuFileExec"));
  c.mnuFileExec->setShortcut(QKeySequence(Qt::Key_F5));
  c.mnuFileExec->setShortcutContext(Qt::WindowShortcut);
  window.addAction(c.mnuFileExec);  // F5 works wherever the focus is in the window
  file->addSeparator()->setObjectName(QStringLiteral("mnuFileBar"));
  c.mnuFileEnd = file->addAction(QString::fromUtf8(kMenuFileEnd));
  c.mnuFileEnd->setObjectName(QStringLiteral("mnuFileEnd"));
  QMenu* help = bar->addMenu(QString::fromUtf8(kMenuHelp));
  help->setObjectName(QStringLiteral("mnuHelp"));
  c.mnuHelpVersion = help->addAction(QString::fromUtf8(kMenuHelpVersion));
  c.mnuHelpVersion->setObjectName(QStringLiteral("mnuHelpVersion"));

  // The client area and the status bar along its bottom edge.
  c.central = Make<QWidget>(&window, "frmMainClient");
  Colour(c.central, Colour(kWindowColour));
  window.setCentralWidget(c.central);
  c.StatusBar1 = Make<QStatusBar>(&window, "StatusBar1");
  c.StatusBar1->setSizeGripEnabled(false);
  c.StatusBar1->setFixedHeight(s.Y(kStatusBarHeight));
  window.setStatusBar(c.StatusBar1);

  c.fraMain = Make<QWidget>(c.central, "fraMain");
  Colour(c.fraMain, Colour(kPanelColour));
  c.fraMain->setGeometry(Place(s, kFraMain));

  c.Image1 = Make<QLabel>(c.fraMain, "Image1");
  c.Image1->setGeometry(Place(s, kImage1));
  c.Image1->setPixmap(
      DrawBanner(QString::fromUtf8(kAppTitle), c.Image1->size(), window.devicePixelRatioF()));

  // Label cells first, so that the rules drawn next lie over their edges.
  for (const LabelCell& cell : kLabelCells) {
    MakeCell(c.fraMain, cell.name, cell.caption)->setGeometry(Place(s, cell.place));
  }
  for (const TableRule& rule : kTableRules) MakeRule(c.fraMain, s, rule);

  // The inputs, in tab order.
  c.txtCsvPath = MakeTextBox(c.fraMain, "txtCsvPath");
  c.txtCsvPath->setGeometry(Place(s, kTxtCsvPath));
  c.cmdView = Make<QPushButton>(c.fraMain, "cmdView");
  c.cmdView->setText(QString::fromUtf8(kCaptionView));
  c.cmdView->setGeometry(Place(s, kCmdView));
  c.txtShohinmei = MakeTextBox(c.fraMain, "txtShohinmei");
  c.txtShohinmei->setGeometry(Place(s, kTxtShohinmei));
  c.cboCategory = Make<QComboBox>(c.fraMain, "cboCategory");
  c.cboCategory->setGeometry(Place(s, kCboCategory));
  c.txtTag = MakeTextBox(c.fraMain, "txtTag");
  c.txtTag->setGeometry(Place(s, kTxtTag));
  c.txtKakakuStart = MakeTextBox(c.fraMain, "txtKakakuStart");
  c.txtKakakuStart->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  c.txtKakakuStart->setGeometry(Place(s, kTxtKakakuStart));
  auto* tilde = Make<QLabel>(c.fraMain, "lblKakaku2");
  tilde->setText(QString::fromUtf8(kCaptionKakaku2));
  tilde->setFont(UiFont(kKakaku2Points));
  tilde->setAlignment(Qt::AlignCenter);
  Colour(tilde, Colour(kPanelColour));
  tilde->setGeometry(Place(s, kLblKakaku2));
  c.txtKakakuEnd = MakeTextBox(c.fraMain, "txtKakakuEnd");
  c.txtKakakuEnd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  c.txtKakakuEnd->setGeometry(Place(s, kTxtKakakuEnd));
  c.cboDoukon = Make<QComboBox>(c.fraMain, "cboDoukon");
  c.cboDoukon->setGeometry(Place(s, kCboDoukon));
  // The two payment boxes form one group; both carry its name and tell apart by "index".
  for (int i = 0; i < 2; ++i) {
    c.chkKessan[i] = Make<QCheckBox>(c.fraMain, "chkKessan");
    c.chkKessan[i]->setProperty("index", i);
    c.chkKessan[i]->setText(QString::fromUtf8(kCaptionKessan[i]));
    Colour(c.chkKessan[i], Colour(kPanelColour));
    c.chkKessan[i]->setGeometry(Place(s, kChkKessan[i]));
  }
  c.chkSouryou = Make<QCheckBox>(c.fraMain, "chkSouryou");
  c.chkSouryou->setText(QString::fromUtf8(kCaptionSouryou));
  Colour(c.chkSouryou, Colour(kPanelColour));
  c.chkSouryou->setGeometry(Place(s, kChkSouryou));

  auto* buttons = Make<QWidget>(c.fraMain, "fraButton");
  Colour(buttons, Colour(kPanelColour));
  buttons->setGeometry(Place(s, kFraButton));
  c.cmdExec = Make<QPushButton>(buttons, "cmdExec");
  c.cmdExec->setText(QString::fromUtf8(kCaptionExec));
  c.cmdExec->setGeometry(Place(s, kCmdExec));
  c.cmdEnd = Make<QPushButton>(buttons, "cmdEnd");
  c.cmdEnd->setText(QString::fromUtf8(kCaptionEnd));
  c.cmdEnd->setGeometry(Place(s, kCmdEnd));

  QWidget* order[] = {c.txtCsvPath,   c.cmdView,        c.txtShohinmei, c.cboCategory,
                      c.txtTag,       c.txtKakakuStart, c.txtKakakuEnd, c.cboDoukon,
                      c.chkKessan[0], c.chkKessan[1],   c.chkSouryou,   c.cmdExec,
                      c.cmdEnd};
  for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);

  // Client area 11955 x 9825 twips with the status bar; the menu bar lies above it.
  window.resize(s.X(kClientWidth), bar->sizeHint().height() + s.Y(kClientHeight));
  return c;
}

}  // namespace sorbel
