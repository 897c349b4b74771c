// The main window driven offscreen: its state at start, texts and lists, tab order and the
// keys (Enter, Esc, F5, access keys), the panel's centring and colours, and the commands.
#include "app/frm_main.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <memory>

#include "about/frm_about.h"
#include "tests/front/fake_services.h"
#include "tests/app/modal_window.h"

namespace sorbel {
namespace {

using test::FakeFileDialog;

// The inputs in the order Tab visits them.
const char* const kTabOrder[] = {"txtCsvPath",  "cmdView",        "txtShohinmei", "cboCategory",
                                 "txtTag",      "txtKakakuStart", "txtKakakuEnd", "cboDoukon",
                                 "chkKessan#0", "chkKessan#1",    "chkSouryou",   "cmdExec",
                                 "cmdEnd"};

class FrmMainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<frmMain>(frmMainServices{.file_dialog = dialog_,
                                                        .desktop = desktop_,
                                                        .browser = browser_,
                                                        .messages = messages_,
                                                        .spreadsheet = nullptr,
                                                        .run = [this](FilterHost& host) {
                                                          runs_.push_back(host.Conditions());
                                                          if (on_run_) on_run_(host);
                                                        }});
  }

  void TearDown() override { QApplication::restoreOverrideCursor(); }

  void Show() {
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }

  // A control by name; "chkKessan#1" is item 1 of the check box pair.
  QWidget* Find(const std::string& name) const {
    const auto hash = name.find('#');
    if (hash == std::string::npos) {
      return window_->findChild<QWidget*>(QString::fromStdString(name));
    }
    for (QCheckBox* box :
         window_->findChildren<QCheckBox*>(QString::fromStdString(name.substr(0, hash)))) {
      if (box->property("index").toInt() == std::stoi(name.substr(hash + 1))) return box;
    }
    return nullptr;
  }
  template <typename W>
  W* Get(const std::string& name) const {
    W* widget = qobject_cast<W*>(Find(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  std::string FocusName() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return "(none)";
    std::string name = focus->objectName().toStdString();
    QVariant index = focus->property("index");
    return index.isValid() ? name + "#" + std::to_string(index.toInt()) : name;
  }

  FakeFileDialog dialog_;
  test::FakeDesktopFolder desktop_;
  test::FakeBrowserLauncher browser_;
  test::FakeMessageBox messages_;
  std::vector<FilterConditions> runs_;
  std::function<void(FilterHost&)> on_run_;
  std::unique_ptr<frmMain> window_;
};

TEST_F(FrmMainTest, StartsMaximisedAndEmptyWithTheFocusInThePathBox) {
  Show();
  EXPECT_EQ(window_->windowTitle().toStdString(), "Sorbel Ver. 2.0.0");
  EXPECT_TRUE(window_->isMaximized());
  EXPECT_EQ(FocusName(), "txtCsvPath");
  for (const char* name :
       {"txtCsvPath", "txtShohinmei", "txtTag", "txtKakakuStart", "txtKakakuEnd"}) {
    EXPECT_EQ(Get<QLineEdit>(name)->text().toStdString(), "") << name;
  }
  for (const char* name : {"chkKessan#0", "chkKessan#1", "chkSouryou"}) {
    EXPECT_EQ(Get<QCheckBox>(name)->checkState(), Qt::Unchecked) << name;
  }
  EXPECT_EQ(window_->statusBar()->currentMessage().toStdString(), "");
  EXPECT_EQ(window_->OutFileName(), "");
  EXPECT_EQ(window_->Conditions().CategoryIndex, 0);
  EXPECT_EQ(window_->Conditions().BundlingIndex, 0);
}

TEST_F(FrmMainTest, ListsHoldTheirEntriesWithTheDuplicates) {
  auto entries = [](QComboBox* list) {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(list->itemText(i).toStdString());
    return items;
  };
  auto* category = Get<QComboBox>("cboCategory");
  EXPECT_EQ(entries(category),
            (std::vector<std::string>{"（指定なし）", "ファッション", "家電", "ダイエット・健康",
                                      "ホビー・エトセトラ", "生活雑貨", "AV・デジモノ",
                                      "ホビー・エトセトラ", "スポーツ・レジャー", "生活雑貨",
                                      "ホビー・エトセトラ"}));
  EXPECT_EQ(category->currentIndex(), 0);
  EXPECT_FALSE(category->isEditable());
  auto* bundling = Get<QComboBox>("cboDoukon");
  EXPECT_EQ(entries(bundling), (std::vector<std::string>{"（指定なし）", "○", "×"}));
  EXPECT_EQ(bundling->currentIndex(), 0);
  EXPECT_FALSE(bundling->isEditable());
}

TEST_F(FrmMainTest, ControlsAndMenusShowTheirTexts) {
  const std::pair<const char*, const char*> texts[] = {{"Label1", "ＣＳＶファイル"},
                                                       {"lblShohinmei", "商品名"},
                                                       {"lblCategory", "カテゴリー名"},
                                                       {"lblTag", "タグ"},
                                                       {"lblKakaku", "最低販売価格"},
                                                       {"lblKakaku2", "～"},
                                                       {"lblDoukon", "同梱可能"},
                                                       {"lblKessan", "決算方法"},
                                                       {"lblSouryou", "送料無料"},
                                                       {"cmdView", "参照"},
                                                       {"chkKessan#0", "クレジットカード可能"},
                                                       {"chkKessan#1", "代金引換可能"},
                                                       {"chkSouryou", "送料無料のみ"},
                                                       {"cmdExec", "絞り込み"},
                                                       {"cmdEnd", "終了"}};
  for (const auto& [name, text] : texts) {
    QWidget* widget = Find(name);
    ASSERT_NE(widget, nullptr) << name;
    const QString shown = qobject_cast<QLabel*>(widget)
                              ? qobject_cast<QLabel*>(widget)->text()
                              : qobject_cast<QAbstractButton*>(widget)->text();
    EXPECT_EQ(shown.toStdString(), text) << name;
  }
  for (const char* name : {"fraMain", "Image1", "fraButton", "StatusBar1"}) {
    EXPECT_NE(Find(name), nullptr) << name;
  }
  EXPECT_FALSE(Get<QLabel>("Image1")->pixmap().isNull());

  const QList<QAction*> menus = window_->menuBar()->actions();
  ASSERT_EQ(menus.size(), 2);
  EXPECT_EQ(menus[0]->text().toStdString(), "ファイル(&F)");
  EXPECT_EQ(menus[1]->text().toStdString(), "ヘルプ(&H)");
  std::vector<std::string> file_items;
  for (QAction* item : menus[0]->menu()->actions()) {
    file_items.push_back(item->objectName().toStdString() + " " + item->text().toStdString() +
                         (item->isSeparator() ? " -" : ""));
  }
  EXPECT_EQ(file_items, (std::vector<std::string>{"mnuFileExec 絞り込み", "mnuFileBar  -",
                                                  "mnuFileEnd 終了(&X)"}));
  ASSERT_EQ(menus[1]->menu()->actions().size(), 1);
  EXPECT_EQ(menus[1]->menu()->actions()[0]->objectName().toStdString(), "mnuHelpVersion");
  EXPECT_EQ(menus[1]->menu()->actions()[0]->text().toStdString(), "バージョン情報(&V)");
}

TEST_F(FrmMainTest, TabAndEnterVisitTheInputsInOrderAndWrapAround) {
  Show();
  const size_t n = std::size(kTabOrder);
  for (size_t i = 1; i <= n; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(FocusName(), kTabOrder[i % n]);
  }
  // Enter does what Tab does, once the key has been dealt with; in the price boxes too.
  for (size_t i = 1; i <= n; ++i) {
    QTest::keyClick(QApplication::focusWidget(), i % 2 ? Qt::Key_Return : Qt::Key_Enter);
    QCoreApplication::processEvents();
    EXPECT_EQ(FocusName(), kTabOrder[i % n]);
  }
  EXPECT_EQ(Get<QLineEdit>("txtKakakuStart")->text().toStdString(), "");
  EXPECT_TRUE(runs_.empty());  // Enter on the run button moved on, it did not run
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(FrmMainTest, TabOrderFollowsTheLayoutAndInputsDoNotOverlap) {
  Show();
  QWidget* panel = Find("fraMain");
  QWidget* divider = Find("Line6");
  ASSERT_NE(divider, nullptr);
  std::vector<QRect> placed;
  for (const char* name : kTabOrder) {
    QWidget* input = Find(name);
    ASSERT_NE(input, nullptr) << name;
    const QRect r(input->mapTo(panel, QPoint(0, 0)), input->size());
    EXPECT_TRUE(panel->rect().contains(r)) << name;
    const bool is_button = std::string(name) == "cmdExec" || std::string(name) == "cmdEnd";
    if (!is_button) {
      EXPECT_GT(r.left(), divider->geometry().right()) << name;
    }
    for (const QRect& earlier : placed) {
      EXPECT_FALSE(earlier.intersects(r)) << name;
      // Each input comes after the earlier ones in reading order: lower down, or on the same
      // row further right.
      EXPECT_TRUE(r.top() > earlier.bottom() ||
                  (r.top() < earlier.bottom() && r.left() > earlier.right()))
          << name;
    }
    placed.push_back(r);
  }
}

TEST_F(FrmMainTest, ThePanelStaysCentredWhateverTheWidth) {
  Show();
  QWidget* panel = Find("fraMain");
  QWidget* client = window_->centralWidget();
  auto expect_centred = [&] {
    EXPECT_LE(std::abs(2 * panel->x() + panel->width() - client->width()), 1)
        << "client " << client->width() << " panel at " << panel->x();
    EXPECT_EQ(panel->y(), 0);
  };
  expect_centred();
  window_->showNormal();
  for (int width : {1200, 797, 741, 500}) {
    window_->resize(width, window_->height());
    QCoreApplication::processEvents();
    expect_centred();
  }
  EXPECT_LT(panel->x(), 0);  // narrower than the panel: cut off on both sides
}

TEST_F(FrmMainTest, ColoursAsPainted) {
  Show();
  const QImage shot = window_->grab().toImage();
  auto colour_at = [&](QWidget* widget, QPoint offset) {
    return QColor(shot.pixel(widget->mapTo(window_.get(), offset))).rgb();
  };
  QWidget* panel = Find("fraMain");
  ASSERT_GT(panel->x(), 3);
  EXPECT_EQ(colour_at(window_->centralWidget(), QPoint(2, 300)), QColor(170, 170, 255).rgb());
  EXPECT_EQ(colour_at(panel, QPoint(4, 300)), QColor(Qt::white).rgb());
  EXPECT_EQ(colour_at(Find("lblTag"), QPoint(6, 6)), QColor(170, 170, 255).rgb());
  // Check boxes are white all across, beyond the end of their text.
  QWidget* payment = Find("chkKessan#1");
  EXPECT_EQ(colour_at(payment, QPoint(payment->width() - 3, payment->height() / 2)),
            QColor(Qt::white).rgb());
  QWidget* divider = Find("Line6");
  EXPECT_EQ(colour_at(divider, QPoint(0, 40)), QColor(204, 204, 255).rgb());
  // The label text is white on the blue cell.
  const QRect cell(Find("lblCategory")->mapTo(window_.get(), QPoint(0, 0)),
                   Find("lblCategory")->size());
  int white = 0;
  for (int y = cell.top(); y <= cell.bottom(); ++y) {
    for (int x = cell.left(); x <= cell.right(); ++x)
      white += shot.pixel(x, y) == qRgb(255, 255, 255);
  }
  EXPECT_GT(white, 20);
}

TEST_F(FrmMainTest, EveryTextHasItsGlyphsInAJapaneseGothicFace) {
  const QFontInfo face(window_->font());
  EXPECT_TRUE(face.family().contains(QStringLiteral("Gothic")) ||
              face.family().contains(QStringLiteral("CJK")))
      << face.family().toStdString();
  EXPECT_NEAR(window_->font().pointSizeF(), 12.0, 0.01);
  std::vector<std::pair<QFont, QString>> texts;
  for (QLabel* label : window_->findChildren<QLabel*>())
    texts.emplace_back(label->font(), label->text());
  for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
    texts.emplace_back(button->font(), button->text());
  }
  for (QComboBox* list : window_->findChildren<QComboBox*>()) {
    for (int i = 0; i < list->count(); ++i) texts.emplace_back(list->font(), list->itemText(i));
  }
  for (const auto& [font, text] : texts) {
    const QFontMetrics metrics(font);
    for (char32_t c : text.toUcs4()) {
      EXPECT_TRUE(metrics.inFontUcs4(c))
          << text.toStdString() << " U+" << std::hex << static_cast<uint32_t>(c);
    }
  }
}

TEST_F(FrmMainTest, F5AnywhereTheRunButtonAndTheMenuRunTheFilter) {
  Show();
  for (const char* name : {"txtCsvPath", "cboCategory", "txtKakakuStart", "chkSouryou", "cmdEnd"}) {
    QWidget* widget = Find(name);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_F5);
  }
  EXPECT_EQ(runs_.size(), 5u);
  QTest::mouseClick(Get<QPushButton>("cmdExec"), Qt::LeftButton);
  window_->findChild<QAction*>(QStringLiteral("mnuFileExec"))->trigger();
  EXPECT_EQ(runs_.size(), 7u);
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(FrmMainTest, EscQuitsFromAnyControl) {
  for (const char* name : {"txtKakakuEnd", "cboDoukon", "cmdExec"}) {
    Show();
    Get<QLineEdit>("txtShohinmei")->setText(QStringLiteral("入力"));
    QWidget* widget = Find(name);
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_Escape);
    EXPECT_FALSE(window_->isVisible()) << name;
  }
  EXPECT_TRUE(messages_.shown.empty());  // no confirmation
}

TEST_F(FrmMainTest, TheCloseBoxAndTheMenuQuitWithoutConfirmation) {
  Show();
  EXPECT_TRUE(window_->close());
  EXPECT_FALSE(window_->isVisible());
  // Alt+F opens the file menu and X chooses 終了(&X).
  Show();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::AltModifier);
  QWidget* menu = QApplication::activePopupWidget();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName().toStdString(), "mnuFile");
  QTest::keyClick(menu, Qt::Key_X);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(runs_.empty());
}

TEST_F(FrmMainTest, TheRunReadsTheConditionsFromTheControls) {
  Show();
  Get<QLineEdit>("txtCsvPath")->setText(QStringLiteral("/tmp/商品.csv"));
  Get<QLineEdit>("txtShohinmei")->setText(QStringLiteral("バッグ"));
  Get<QComboBox>("cboCategory")->setCurrentIndex(7);  // the second "ホビー・エトセトラ"
  Get<QLineEdit>("txtTag")->setText(QStringLiteral("新作"));
  QTest::keyClicks(Get<QLineEdit>("txtKakakuStart"), QStringLiteral("01000"));
  QTest::keyClicks(Get<QLineEdit>("txtKakakuEnd"), QStringLiteral("5000-"));
  Get<QComboBox>("cboDoukon")->setCurrentIndex(2);
  Get<QCheckBox>("chkKessan#0")->setCheckState(Qt::Checked);
  Get<QCheckBox>("chkKessan#1")->setCheckState(Qt::PartiallyChecked);
  Get<QCheckBox>("chkSouryou")->setCheckState(Qt::Checked);
  std::string path;
  on_run_ = [&](FilterHost& host) { path = host.CsvPath(); };
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
  ASSERT_EQ(runs_.size(), 1u);
  const FilterConditions& c = runs_[0];
  EXPECT_EQ(path, "/tmp/商品.csv");
  EXPECT_EQ(c.ProductNameWords, "バッグ");
  EXPECT_EQ(c.CategoryIndex, 7);
  EXPECT_EQ(c.CategoryText, "ホビー・エトセトラ");
  EXPECT_EQ(c.TagWords, "新作");
  EXPECT_EQ(c.PriceFrom, "1000");
  EXPECT_EQ(c.PriceTo, "-5000");
  EXPECT_EQ(c.BundlingIndex, 2);
  EXPECT_EQ(c.BundlingText, "×");
  EXPECT_TRUE(c.CreditCard);
  EXPECT_FALSE(c.CashOnDelivery);  // greyed is not ticked
  EXPECT_TRUE(c.FreeShippingOnly);
}

TEST_F(FrmMainTest, TheRunsFeedbackReachesTheUser) {
  Show();
  std::string status_while_running;
  Qt::CursorShape cursor_while_running = Qt::ArrowCursor;
  on_run_ = [&](FilterHost& host) {
    host.SetMousePointer(kPointerHourglass);
    host.SetMousePointer(kPointerHourglass);
    host.SetStatusText("データを読み込んでいます...");
    status_while_running = window_->statusBar()->currentMessage().toStdString();
    cursor_while_running = QApplication::overrideCursor()->shape();
    host.SetOutFileName("20240102030405_articles.csv");
    host.SetMousePointer(kPointerDefault);
    host.SetStatusText("");
  };
  QApplication::setOverrideCursor(Qt::CrossCursor);  // someone else's
  window_->findChild<QAction*>(QStringLiteral("mnuFileExec"))->trigger();
  EXPECT_EQ(status_while_running, "データを読み込んでいます...");
  EXPECT_EQ(cursor_while_running, Qt::WaitCursor);
  EXPECT_EQ(window_->statusBar()->currentMessage().toStdString(), "");
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);  // left alone
  window_->SetMousePointer(kPointerDefault);
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(window_->OutFileName(), "20240102030405_articles.csv");  // kept between runs
  EXPECT_EQ(window_->Spreadsheet(), nullptr);
  EXPECT_EQ(&window_->Messages(), &messages_);
}

// The run holds the window: a key typed and a click on the run button meanwhile are dropped,
// not replayed once it ends.
TEST_F(FrmMainTest, KeysAndClicksDuringARunAreDropped) {
  Show();
  auto* name = Get<QLineEdit>("txtShohinmei");
  auto* exec = Get<QPushButton>("cmdExec");
  on_run_ = [&](FilterHost&) {
    QCoreApplication::postEvent(
        name, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a")));
    const QPointF centre = QRectF(exec->rect()).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QCoreApplication::postEvent(
          exec, new QMouseEvent(type, centre, exec->mapToGlobal(centre), Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
    }
  };
  QTest::mouseClick(exec, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(runs_.size(), 1u);
  EXPECT_EQ(name->text().toStdString(), "");
  // Input after the run is taken as usual.
  on_run_ = nullptr;
  QTest::keyClicks(name, "a");
  EXPECT_EQ(name->text().toStdString(), "a");
  QTest::mouseClick(exec, Qt::LeftButton);
  EXPECT_EQ(runs_.size(), 2u);
}

TEST_F(FrmMainTest, AnErrorEscapingTheRunIsShownAndTheWindowRecovers) {
  Show();
  on_run_ = [](FilterHost& host) {
    host.SetMousePointer(kPointerHourglass);
    host.SetStatusText("ファイルをコピーしています...");
    throw Error(3004, "構文エラー");
  };
  QTest::mouseClick(Get<QPushButton>("cmdExec"), Qt::LeftButton);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "3004:構文エラー");
  EXPECT_EQ(messages_.shown[0].icon, kIconCritical);
  EXPECT_EQ(messages_.shown[0].caption, "Sorbel");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(window_->statusBar()->currentMessage().toStdString(), "");
  on_run_ = nullptr;
  QTest::mouseClick(Get<QPushButton>("cmdExec"), Qt::LeftButton);
  EXPECT_EQ(runs_.size(), 2u);  // a later run starts as usual
}

TEST_F(FrmMainTest, BrowseWritesTheChosenPathAndKeepsTheTextOtherwise) {
  Show();
  auto* path = Get<QLineEdit>("txtCsvPath");
  auto* browse = Get<QPushButton>("cmdView");
  const QString current = QDir::currentPath();

  dialog_.answer = FakeFileDialog::Answer::kCancel;
  QTest::mouseClick(browse, Qt::LeftButton);
  EXPECT_EQ(path->text().toStdString(), "");
  dialog_.answer = FakeFileDialog::Answer::kChoose;
  dialog_.chosen = "/home/user/デスクトップ/商品 一覧.csv";
  QTest::mouseClick(browse, Qt::LeftButton);
  EXPECT_EQ(path->text().toStdString(), "/home/user/デスクトップ/商品 一覧.csv");
  dialog_.answer = FakeFileDialog::Answer::kCancel;
  QTest::mouseClick(browse, Qt::LeftButton);
  EXPECT_EQ(path->text().toStdString(), "/home/user/デスクトップ/商品 一覧.csv");
  EXPECT_TRUE(messages_.shown.empty());

  // A dialog that cannot be shown is reported, and the typed path stays.
  dialog_.answer = FakeFileDialog::Answer::kFail;
  QTest::mouseClick(browse, Qt::LeftButton);
  EXPECT_EQ(path->text().toStdString(), "/home/user/デスクトップ/商品 一覧.csv");
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, "1001:no dialog");
  EXPECT_EQ(messages_.shown[0].icon, kIconCritical);
  EXPECT_EQ(QDir::currentPath(), current);
  EXPECT_EQ(dialog_.shown.size(), 3u);
}

TEST_F(FrmMainTest, TheVersionMenuShowsTheAboutBoxModally) {
  Show();
  bool seen = false;
  test::OnNextModal([&](QWidget* modal) {
    auto* about = qobject_cast<frmAbout*>(modal);
    ASSERT_NE(about, nullptr);
    seen = true;
    EXPECT_EQ(about->parentWidget(), window_.get());
    EXPECT_TRUE(about->isModal());
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
  });
  window_->findChild<QAction*>(QStringLiteral("mnuHelpVersion"))->trigger();
  EXPECT_TRUE(seen);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(window_->isVisible());
}

}  // namespace
}  // namespace sorbel
