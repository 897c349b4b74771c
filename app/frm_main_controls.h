// The main window's controls: created, named, captioned, coloured and placed on the window.
// Behaviour (lists, numeric fields, commands, keys) is frmMain's; this only builds.
#pragma once

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QStatusBar;
class QWidget;

namespace sorbel {

struct frmMainControls {
  QWidget* central = nullptr;  // the light blue client area
  QWidget* fraMain = nullptr;  // the white panel, centred on every resize
  QLabel* Image1 = nullptr;
  QLineEdit* txtCsvPath = nullptr;
  QPushButton* cmdView = nullptr;
  QLineEdit* txtShohinmei = nullptr;
  QComboBox* cboCategory = nullptr;
  QLineEdit* txtTag = nullptr;
  QLineEdit* txtKakakuStart = nullptr;
  QLineEdit* txtKakakuEnd = nullptr;
  QComboBox* cboDoukon = nullptr;
  std::array<QCheckBox*, 2> chkKessan{};  // 0 credit card, 1 cash on delivery
  QCheckBox* chkSouryou = nullptr;
  QPushButton* cmdExec = nullptr;
  QPushButton* cmdEnd = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QAction* mnuFileExec = nullptr;
  QAction* mnuFileEnd = nullptr;
  QAction* mnuHelpVersion = nullptr;
};

// Builds every control on `window` at the window's logical dpi, sets the window's size, colour
// and font, and chains the tab order. The lists are left empty.
frmMainControls BuildMainControls(QMainWindow& window);

}  // namespace sorbel
