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

#include "front/about_form.h"
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

QRect Place(const TwipsScale& s, const TwipsRect& r) {
  return s.Rect(r.left, r.top, r.width, r.height);
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
  setFont(UiFont(kAboutPoints));
  const TwipsScale s(*this);
  setFixedSize(s.X(kAboutWidth), s.Y(kAboutHeight));

  auto* buttons = Make<QWidget>(this, "fraButton");
  buttons->setGeometry(Place(s, kAboutFraButton));
  QPushButton* url = MakeButton(buttons, "cmdURL", QString::fromUtf8(kAboutUrlButton));
  url->setGeometry(Place(s, kAboutCmdUrl));
  QPushButton* ok = MakeButton(buttons, "cmdOK", QString::fromUtf8(kAboutOkButton));
  ok->setGeometry(Place(s, kAboutCmdOk));

  QLineEdit* version = MakeValue(this, "txtVersion", AppVersionText());
  version->setGeometry(Place(s, kAboutTxtVersion));
  QLineEdit* title = MakeValue(this, "txtSeihinmei", kAppTitle);
  title->setGeometry(Place(s, kAboutTxtSeihinmei));

  auto* version_label = Make<QLabel>(this, "Label1");
  version_label->setText(QString::fromUtf8(kAboutVersionLabel));
  version_label->setGeometry(Place(s, kAboutLabel1));

  auto* rule = Make<QWidget>(this, "lineGray");
  QPalette shadow = rule->palette();
  shadow.setColor(QPalette::Window, shadow.color(QPalette::Dark));  // the button-shadow tone
  rule->setPalette(shadow);
  rule->setAutoFillBackground(true);
  rule->setGeometry(0, s.Y(kAboutLineTop), s.X(kAboutLineRight) + 1, 1);

  auto* title_label = Make<QLabel>(this, "lblSeihinmei");
  title_label->setText(QString::fromUtf8(kAboutTitleLabel));
  title_label->setGeometry(Place(s, kAboutLblSeihinmei));

  auto* family = Make<QLabel>(this, "lblProject");
  family->setText(QString::fromUtf8(kAboutFamily));
  family->setGeometry(Place(s, kAboutLblProject));
  family->setFont(FittingFont(family->text(), kAboutFamilyPoints, family->width()));

  auto* icon = Make<QLabel>(this, "Image1");
  icon->setGeometry(Place(s, kAboutImage1));
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
  messages_.Show(SupportPageNotOpened(), kIconWarning, kAppTitle);
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
