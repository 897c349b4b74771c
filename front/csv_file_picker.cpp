// Every use sets all the dialog's presets again: title, desktop folder, "article.csv", the one
// "*.csv" filter, existing files only, current directory kept, no read-only box.
#include "front/csv_file_picker.h"

#include "platform/error.h"

namespace sorbel {

std::optional<std::string> PickCsvFile(FileDialog& dialog, const DesktopFolder& desktop) {
  OpenFileOptions options;
  options.title = "商品データCSVファイルを指定してください。";
  try {
    options.folder = desktop.Path();
  } catch (const Error&) {
    options.folder.clear();  // the dialog picks its own start folder
  }
  options.file_name = "article.csv";
  options.filter_name = "CSV ファイル";
  options.filter_pattern = "*.csv";
  options.must_exist = true;
  options.keep_current_directory = true;
  options.read_only_box = false;
  return dialog.ShowOpen(options);
}

}  // namespace sorbel
