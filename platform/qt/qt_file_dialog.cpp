// Presets a QFileDialog from the options, shows it modally and returns the chosen path.
// The current directory is put back afterwards when asked, whatever the platform dialog did.
#include "platform/qt/qt_file_dialog.h"

#include <QDir>
#include <QFileDialog>

#include "platform/qt/dialog_parent.h"

namespace sorbel {

std::optional<std::string> QtFileDialog::ShowOpen(const OpenFileOptions& options) {
  const QString current = QDir::currentPath();
  QFileDialog dialog(DialogParent(), QString::fromStdString(options.title),
                     QString::fromStdString(options.folder));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(options.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setNameFilter(
      QString::fromStdString(options.filter_name + " (" + options.filter_pattern + ")"));
  // The type list shows the name alone ("CSV ファイル"); the pattern still filters.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.selectFile(QString::fromStdString(options.file_name));
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  if (options.keep_current_directory && QDir::currentPath() != current) {
    QDir::setCurrent(current);
  }
  if (!chosen) return std::nullopt;
  return QDir::toNativeSeparators(dialog.selectedFiles().first()).toStdString();
}

}  // namespace sorbel
