// The spreadsheet on Windows, until Excel is driven: it cannot be started, and the run says so
// while the result file stays.
#include "platform/spreadsheet_host.h"

#include "platform/error.h"

namespace sorbel {
namespace {

class NoSpreadsheetHost : public SpreadsheetHost {
 public:
  std::unique_ptr<SpreadsheetApplication> CreateApplication() override {
    throw Error(kErrSpreadsheet,
                "この版の Sorbel は Excel に結果を表示できません。結果ファイルを Excel で開いて"
                "ください。");
  }
};

}  // namespace

std::unique_ptr<SpreadsheetHost> SystemSpreadsheetHost() {
  return std::make_unique<NoSpreadsheetHost>();
}

}  // namespace sorbel
