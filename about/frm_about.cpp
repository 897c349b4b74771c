// Builds the version box from its positions in twips and wires its two buttons: the support
// page goes to the default browser (when none takes it, the user is told the address; the box
// stays), OK closes the box.
#include "about/frm_about.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "platform/app.h"
#include "platform/qt/twips.h"
#include "platform/qt/ui_font.h"

namespace sorbel {

namespace {

template <typename W>
W* Make(QWidget* parent, const char* name) {
  auto* widget = new W(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A read-only value field on the box's own background, without a frame.
QLineEdit* MakeValue(QWidget* parent, const char* name, const std::string& value) {
  auto* field = Make<QLineEdit>(parent, name);
  field->setText(QString::fromStdString(value));
  field->setReadOnly(true);
  field->setFrame(false);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  field->setPalette(palette);
  return field;
}

// The font at `point_size`, or as much smaller as it takes for `text` to fit `width` pixels:
// the Japanese faces at hand run wider than the one the caption was sized for.
QFont FittingFont(const QString& text, qreal point_size, int width) {
  QFont font = UiFont(point_size);
  while (font.pointSizeF() > 8 && QFontMetrics(font).horizontalAdvance(text) > width) {
    font.setPointSizeF(font.pointSizeF() - 0.25);
  }
  return font;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = Make<QPushButton>(parent, name);
  button->setText(caption);
  button->setAutoDefault(false);  // Enter does not press a button the focus is not on
  button->setDefault(false);
  return button;
}

}  // namespace

frmAbout::frmAbout(BrowserLauncher& browser, MessageBox& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint),
      browser_(browser),
      messages_(messages) {
  // No title bar or window buttons, a thin fixed border; as a dialog with an owner it stays
  // out of the task bar.
  setObjectName(QStringLiteral("frmAbout"));
  setModal(true);
  setFont(UiFont(9.75));
  const TwipsScale s(*this);
  setFixedSize(s.X(6255), s.Y(2895));

  auto* buttons = Make<QWidget>(this, "fraButton");
  buttons->setGeometry(s.Rect(240, 2280, 5775, 375));
  QPushButton* url = MakeButton(buttons, "cmdURL", QStringLiteral("サポートページ"));
  url->setGeometry(s.Rect(0, 0, 4335, 375));
  QPushButton* ok = MakeButton(buttons, "cmdOK", QStringLiteral("OK"));
  ok->setGeometry(s.Rect(4560, 0, 1215, 375));

  QLineEdit* version = MakeValue(this, "txtVersion", AppVersionText());
  version->setGeometry(s.Rect(1560, 1680, 4455, 285));
  QLineEdit* title = MakeValue(this, "txtSeihinmei", kAppTitle);
  title->setGeometry(s.Rect(1560, 1200, 4455, 285));

  auto* version_label = Make<QLabel>(this, "Label1");
  version_label->setText(QStringLiteral("バージョン："));
  version_label->setGeometry(s.Rect(240, 1680, 1095, 255));

  auto* rule = Make<QWidget>(this, "lineGray");
  QPalette shadow = rule->palette();
  shadow.setColor(QPalette::Window, shadow.color(QPalette::Dark));  // the button-shadow tone
  rule->setPalette(shadow);
  rule->setAutoFillBackground(true);
  rule->setGeometry(0, s.Y(960), s.X(6240) + 1, 1);

  auto* title_label = Make<QLabel>(this, "lblSeihinmei");
  title_label->setText(QStringLiteral("製品名："));
  title_label->setGeometry(s.Rect(240, 1200, 1095, 255));

  auto* family = Make<QLabel>(this, "lblProject");
  family->setText(QStringLiteral("ポルミナドロップシッピング　便利ツール"));
  family->setGeometry(s.Rect(1080, 360, 4815, 375));
  family->setFont(FittingFont(family->text(), 15.75, family->width()));

  auto* icon = Make<QLabel>(this, "Image1");
  icon->setGeometry(s.Rect(240, 240, 480, 480));
  const QIcon program_icon = parent ? parent->windowIcon() : QApplication::windowIcon();
  icon->setPixmap(program_icon.pixmap(icon->size()));

  setTabOrder(title, version);
  setTabOrder(version, url);
  setTabOrder(url, ok);

  connect(url, &QPushButton::clicked, this, &frmAbout::OpenSupportPage);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::OpenSupportPage() {
  if (browser_.Open(kSupportPageUrl)) return;
  messages_.Show(std::string("サポートページを開けませんでした。ブラウザーで次のアドレスを開いて"
                             "ください。\n") +
                     kSupportPageUrl,
                 kIconWarning, kAppTitle);
}

void frmAbout::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void frmAbout::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace sorbel
