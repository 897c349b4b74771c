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
#include "platform/app.h"
#include "platform/qt/twips.h"
#include "platform/qt/ui_font.h"

namespace sorbel {

namespace {

const QColor kLightBlue(170, 170, 255);
const QColor kRuleColour(204, 204, 255);

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
  Colour(label, kLightBlue, Qt::white);
  return label;
}

// One of the table's rules: a bar of `width` pixels (at 96 dpi) centred on the line from
// (x1, y1) to (x2, y2), which is either horizontal or vertical.
void MakeRule(QWidget* parent, const TwipsScale& s, const char* name, int width, int x1, int y1,
              int x2, int y2) {
  auto* rule = Make<QWidget>(parent, name);
  Colour(rule, kRuleColour);
  const int t = std::max(1, s.X(width * 15));
  const int left = s.X(x1) - t / 2;
  const int top = s.Y(y1) - t / 2;
  rule->setGeometry(left, top, s.X(x2) - s.X(x1) + t, s.Y(y2) - s.Y(y1) + t);
}

}  // namespace

frmMainControls BuildMainControls(QMainWindow& window) {
  frmMainControls c;
  const TwipsScale s(window);
  window.setFont(UiFont(12));

  // Menus.
  QMenuBar* bar = window.menuBar();
  QMenu* file = bar->addMenu(QStringLiteral("ファイル(&F)"));
  file->setObjectName(QStringLiteral("mnuFile"));
  c.mnuFileExec = file->addAction(QStringLiteral("絞り込み"));
  c.mnuFileExec->setObjectName(QStringLiteral("mnuFileExec"));
  c.mnuFileExec->setShortcut(QKeySequence(Qt::Key_F5));
  c.mnuFileExec->setShortcutContext(Qt::WindowShortcut);
  window.addAction(c.mnuFileExec);  // F5 works wherever the focus is in the window
  file->addSeparator()->setObjectName(QStringLiteral("mnuFileBar"));
  c.mnuFileEnd = file->addAction(QStringLiteral("終了(&X)"));
  c.mnuFileEnd->setObjectName(QStringLiteral("mnuFileEnd"));
  QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  c.mnuHelpVersion = help->addAction(QStringLiteral("バージョン情報(&V)"));
  c.mnuHelpVersion->setObjectName(QStringLiteral("mnuHelpVersion"));

  // The client area and the status bar along its bottom edge.
  c.central = Make<QWidget>(&window, "frmMainClient");
  Colour(c.central, kLightBlue);
  window.setCentralWidget(c.central);
  c.StatusBar1 = Make<QStatusBar>(&window, "StatusBar1");
  c.StatusBar1->setSizeGripEnabled(false);
  c.StatusBar1->setFixedHeight(s.Y(435));
  window.setStatusBar(c.StatusBar1);

  c.fraMain = Make<QWidget>(c.central, "fraMain");
  Colour(c.fraMain, Qt::white);
  c.fraMain->setGeometry(s.Rect(420, 0, 11115, 9075));

  c.Image1 = Make<QLabel>(c.fraMain, "Image1");
  c.Image1->setGeometry(s.Rect(300, 120, 10500, 1500));
  c.Image1->setPixmap(
      DrawBanner(QString::fromUtf8(kAppTitle), c.Image1->size(), window.devicePixelRatioF()));

  // Label cells first, so that the rules drawn next lie over their edges.
  MakeCell(c.fraMain, "Label1", "ＣＳＶファイル")->setGeometry(s.Rect(285, 2100, 2250, 720));
  struct Cell {
    const char* name;
    const char* caption;
    int top;
  };
  for (const Cell& cell :
       {Cell{"lblShohinmei", "商品名", 2820}, Cell{"lblCategory", "カテゴリー名", 3540},
        Cell{"lblTag", "タグ", 4260}, Cell{"lblKakaku", "最低販売価格", 4980},
        Cell{"lblDoukon", "同梱可能", 5700}, Cell{"lblKessan", "決算方法", 6420},
        Cell{"lblSouryou", "送料無料", 7140}}) {
    MakeCell(c.fraMain, cell.name, cell.caption)->setGeometry(s.Rect(300, cell.top, 2235, 735));
  }

  MakeRule(c.fraMain, s, "Line1", 3, 300, 2100, 10800, 2100);
  MakeRule(c.fraMain, s, "Line2", 3, 300, 7860, 10800, 7860);
  MakeRule(c.fraMain, s, "Line3", 3, 300, 2100, 300, 7860);
  MakeRule(c.fraMain, s, "Line4", 3, 10800, 2100, 10800, 7860);
  MakeRule(c.fraMain, s, "Line6", 2, 2520, 2100, 2520, 7860);
  const char* row_rules[] = {"Line5", "Line7", "Line8", "Line9", "Line10", "Line11", "Line12"};
  for (int i = 0; i < 7; ++i)
    MakeRule(c.fraMain, s, row_rules[i], 2, 300, 2820 + i * 720, 10800, 2820 + i * 720);

  // The inputs, in tab order.
  c.txtCsvPath = MakeTextBox(c.fraMain, "txtCsvPath");
  c.txtCsvPath->setGeometry(s.Rect(2820, 2280, 6675, 405));
  c.cmdView = Make<QPushButton>(c.fraMain, "cmdView");
  c.cmdView->setText(QStringLiteral("参照"));
  c.cmdView->setGeometry(s.Rect(9540, 2280, 975, 375));
  c.txtShohinmei = MakeTextBox(c.fraMain, "txtShohinmei");
  c.txtShohinmei->setGeometry(s.Rect(2820, 3000, 3975, 405));
  c.cboCategory = Make<QComboBox>(c.fraMain, "cboCategory");
  c.cboCategory->setGeometry(s.Rect(2820, 3720, 2295, 360));
  c.txtTag = MakeTextBox(c.fraMain, "txtTag");
  c.txtTag->setGeometry(s.Rect(2820, 4440, 3975, 405));
  c.txtKakakuStart = MakeTextBox(c.fraMain, "txtKakakuStart");
  c.txtKakakuStart->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  c.txtKakakuStart->setGeometry(s.Rect(2820, 5160, 1455, 405));
  auto* tilde = Make<QLabel>(c.fraMain, "lblKakaku2");
  tilde->setText(QStringLiteral("～"));
  tilde->setFont(UiFont(9.75));
  tilde->setAlignment(Qt::AlignCenter);
  Colour(tilde, Qt::white);
  tilde->setGeometry(s.Rect(4380, 5280, 375, 135));
  c.txtKakakuEnd = MakeTextBox(c.fraMain, "txtKakakuEnd");
  c.txtKakakuEnd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  c.txtKakakuEnd->setGeometry(s.Rect(4860, 5160, 1455, 405));
  c.cboDoukon = Make<QComboBox>(c.fraMain, "cboDoukon");
  c.cboDoukon->setGeometry(s.Rect(2820, 5880, 1575, 360));
  // The two payment boxes form one group; both carry its name and tell apart by "index".
  const char* payments[] = {"クレジットカード可能", "代金引換可能"};
  for (int i = 0; i < 2; ++i) {
    c.chkKessan[i] = Make<QCheckBox>(c.fraMain, "chkKessan");
    c.chkKessan[i]->setProperty("index", i);
    c.chkKessan[i]->setText(QString::fromUtf8(payments[i]));
    Colour(c.chkKessan[i], Qt::white);
    c.chkKessan[i]->setGeometry(s.Rect(i == 0 ? 2820 : 5880, 6660, 2655, 255));
  }
  c.chkSouryou = Make<QCheckBox>(c.fraMain, "chkSouryou");
  c.chkSouryou->setText(QStringLiteral("送料無料のみ"));
  Colour(c.chkSouryou, Qt::white);
  c.chkSouryou->setGeometry(s.Rect(2820, 7380, 2655, 255));

  auto* buttons = Make<QWidget>(c.fraMain, "fraButton");
  Colour(buttons, Qt::white);
  buttons->setGeometry(s.Rect(300, 8160, 3135, 615));
  c.cmdExec = Make<QPushButton>(buttons, "cmdExec");
  c.cmdExec->setText(QStringLiteral("絞り込み"));
  c.cmdExec->setGeometry(s.Rect(0, 0, 1515, 615));
  c.cmdEnd = Make<QPushButton>(buttons, "cmdEnd");
  c.cmdEnd->setText(QStringLiteral("終了"));
  c.cmdEnd->setGeometry(s.Rect(1620, 0, 1515, 615));

  QWidget* order[] = {c.txtCsvPath,   c.cmdView,        c.txtShohinmei, c.cboCategory,
                      c.txtTag,       c.txtKakakuStart, c.txtKakakuEnd, c.cboDoukon,
                      c.chkKessan[0], c.chkKessan[1],   c.chkSouryou,   c.cmdExec,
                      c.cmdEnd};
  for (size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);

  // Client area 11955 x 9825 twips with the status bar; the menu bar lies above it.
  window.resize(s.X(11955), bar->sizeHint().height() + s.Y(9825));
  return c;
}

}  // namespace sorbel
