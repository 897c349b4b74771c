// The Qt message box and open-file dialog, shown for real and answered from their own event
// loops: presets, icons, choice, cancel, and the current directory left as it was.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_translation.h"
#include "tests/app/modal_window.h"

namespace sorbel {
namespace {

TEST(QtMessageBoxTest, ShowsTextIconCaptionAndOnlyOk) {
  const std::pair<MsgBoxIcon, QMessageBox::Icon> icons[] = {{kIconNone, QMessageBox::NoIcon},
                                                            {kIconCritical, QMessageBox::Critical},
                                                            {kIconWarning, QMessageBox::Warning}};
  for (const auto& [icon, qt_icon] : icons) {
    bool seen = false;
    test::OnNextModal([&, qt_icon = qt_icon](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      seen = true;
      EXPECT_EQ(box->text().toStdString(), "CSVファイルに指定したパスは<無効>です。");
      EXPECT_EQ(box->textFormat(), Qt::PlainText);
      EXPECT_EQ(box->windowTitle().toStdString(), "Sorbel");
      EXPECT_EQ(box->icon(), qt_icon);
      ASSERT_EQ(box->buttons().size(), 1);
      EXPECT_EQ(box->standardButton(box->buttons()[0]), QMessageBox::Ok);
      box->buttons()[0]->click();
    });
    QtMessageBox().Show("CSVファイルに指定したパスは<無効>です。", icon, "Sorbel");
    EXPECT_TRUE(seen);
  }
}

class QtFileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    for (const char* name : {"article.csv", "商品.csv", "notes.txt"}) {
      QFile file(folder_.filePath(QString::fromUtf8(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    options_.title = "商品データCSVファイルを指定してください。";
    options_.folder = folder_.path().toStdString();
    options_.file_name = "article.csv";
    options_.filter_name = "CSV ファイル";
    options_.filter_pattern = "*.csv";
    options_.must_exist = true;
    options_.keep_current_directory = true;
  }

  QTemporaryDir folder_;
  OpenFileOptions options_;
};

TEST_F(QtFileDialogTest, OpensPresetAndReturnsTheChosenFile) {
  const QString current = QDir::currentPath();
  test::OnNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle().toStdString(), options_.title);
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder_.path()).canonicalPath());
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("CSV ファイル (*.csv)")});
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    ASSERT_EQ(dialog->selectedFiles().size(), 1);
    EXPECT_TRUE(dialog->selectedFiles()[0].endsWith(QStringLiteral("/article.csv")));
    dialog->selectFile(folder_.filePath(QStringLiteral("商品.csv")));
    static_cast<QDialog*>(dialog)->accept();
  });
  const auto chosen = QtFileDialog().ShowOpen(options_);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, folder_.filePath(QStringLiteral("商品.csv")).toStdString());
  EXPECT_EQ(QDir::currentPath(), current);
}

TEST_F(QtFileDialogTest, CancelGivesNothing) {
  test::OnNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  EXPECT_EQ(QtFileDialog().ShowOpen(options_), std::nullopt);
}

TEST_F(QtFileDialogTest, ANameThatDoesNotExistIsNotAccepted) {
  test::OnNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    dialog->selectFile(folder_.filePath(QStringLiteral("missing.csv")));
    // The widget dialog answers a missing file with a warning of its own and stays open.
    bool warned = false;
    test::OnNextModal([&](QWidget* warning) {
      warned = warning != dialog;
      qobject_cast<QDialog*>(warning)->done(0);
    });
    static_cast<QDialog*>(dialog)->accept();
    EXPECT_TRUE(warned);
    EXPECT_TRUE(dialog->isVisible());
    dialog->reject();
  });
  EXPECT_EQ(QtFileDialog().ShowOpen(options_), std::nullopt);
}

// With Qt's Japanese texts installed, as the program does at start, the dialog's own buttons
// are Japanese; its type list shows the type's name alone.
TEST_F(QtFileDialogTest, QtsOwnTextsAreJapanese) {
  ASSERT_TRUE(InstallJapaneseQtTexts(*QCoreApplication::instance()));
  QStringList buttons;
  QString type;
  test::OnNextModal([&](QWidget* modal) {
    for (auto* button : modal->findChildren<QDialogButtonBox*>()) {
      for (auto* b : button->buttons()) buttons << b->text();
    }
    auto* types = modal->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (types != nullptr) type = types->currentText();
    qobject_cast<QDialog*>(modal)->reject();
  });
  EXPECT_EQ(QtFileDialog().ShowOpen(options_), std::nullopt);
  for (auto* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
  EXPECT_TRUE(buttons.join(' ').contains(QStringLiteral("開く")))
      << buttons.join(' ').toStdString();
  EXPECT_TRUE(buttons.join(' ').contains(QStringLiteral("キャンセル")))
      << buttons.join(' ').toStdString();
  EXPECT_EQ(type.toStdString(), "CSV ファイル");
}

}  // namespace
}  // namespace sorbel
