// Calc documents and sheets over UNO. Everything made for one display shares a session; the last
// object to go lets go of the office and, unless the user was shown the work, closes it first.
#include "platform/libreoffice/calc_application.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <set>
#include <vector>

#include "platform/libreoffice/csv_link.h"
#include "platform/libreoffice/uno_text.h"

namespace sorbel {
namespace {

namespace awt = com::sun::star::awt;
namespace beans = com::sun::star::beans;
namespace container = com::sun::star::container;
namespace frame = com::sun::star::frame;
namespace sheet = com::sun::star::sheet;
namespace util = com::sun::star::util;

constexpr char kPrepare[] = "LibreOffice Calc の文書を用意できません";

// What the application, its documents and its sheets share.
class Session {
 public:
  Session(std::unique_ptr<OfficeConnection> connection, uno::Reference<frame::XDesktop2> desktop)
      : connection_(std::move(connection)), desktop_(std::move(desktop)) {}

  // A document never shown is closed, and the office with it when it holds nothing else: no
  // invisible office is left behind. Then the bridge goes; a shown office runs on.
  ~Session() {
    if (!visible_) {
      try {
        for (const auto& document : documents_) {
          uno::Reference<util::XCloseable> closeable(document, uno::UNO_QUERY);
          if (closeable.is()) closeable->close(true);
        }
        uno::Reference<container::XIndexAccess> frames(desktop_->getFrames(), uno::UNO_QUERY);
        if (frames.is() && frames->getCount() == 0) desktop_->terminate();
      } catch (const uno::Exception&) {
        // An office that will not close or has gone already: nothing more can be done.
      }
    }
    documents_.clear();
    desktop_.clear();
  }

  uno::Reference<sheet::XSpreadsheetDocument> AddDocument() {
    beans::PropertyValue hidden;
    hidden.Name = "Hidden";
    hidden.Value <<= !visible_;
    uno::Sequence<beans::PropertyValue> arguments(&hidden, 1);
    uno::Reference<frame::XComponentLoader> loader(desktop_, uno::UNO_QUERY_THROW);
    uno::Reference<frame::XModel> model(
        loader->loadComponentFromURL("private:factory/scalc", "_blank", 0, arguments),
        uno::UNO_QUERY_THROW);
    documents_.push_back(model);
    return uno::Reference<sheet::XSpreadsheetDocument>(model, uno::UNO_QUERY_THROW);
  }

  void SetVisible(bool visible) {
    for (const auto& document : documents_) {
      uno::Reference<frame::XFrame> frame = document->getCurrentController()->getFrame();
      uno::Reference<awt::XWindow> window = frame->getContainerWindow();
      window->setVisible(visible);
      if (!visible) continue;
      frame->activate();
      uno::Reference<awt::XTopWindow> top(window, uno::UNO_QUERY);
      if (top.is()) top->toFront();
    }
    visible_ = visible;
  }

 private:
  std::unique_ptr<OfficeConnection> connection_;  // first, so that it goes last
  uno::Reference<frame::XDesktop2> desktop_;
  std::vector<uno::Reference<frame::XModel>> documents_;
  bool visible_ = false;
};

class CalcSheet : public SpreadsheetSheet {
 public:
  CalcSheet(std::shared_ptr<Session> session, uno::Reference<sheet::XSpreadsheets> sheets,
            uno::Reference<sheet::XSpreadsheet> sheet)
      : session_(std::move(session)), sheets_(std::move(sheets)), sheet_(std::move(sheet)) {}

  std::string Name() const override {
    try {
      return FromOUString(uno::Reference<container::XNamed>(sheet_, uno::UNO_QUERY_THROW)->getName());
    } catch (const uno::Exception& e) {
      throw OfficeError(kPrepare, e);
    }
  }

  void Delete() override {
    std::string name = Name();
    try {
      sheets_->removeByName(ToOUString(name));
    } catch (const uno::Exception& e) {
      throw OfficeError(kPrepare, e);
    }
  }

  void ImportCsv(const CsvImportSettings& settings) override { LinkCsv(sheet_, settings); }

 private:
  std::shared_ptr<Session> session_;  // first, so that it goes last
  uno::Reference<sheet::XSpreadsheets> sheets_;
  uno::Reference<sheet::XSpreadsheet> sheet_;
};

class CalcDocument : public SpreadsheetDocument {
 public:
  CalcDocument(std::shared_ptr<Session> session, uno::Reference<sheet::XSpreadsheets> sheets)
      : session_(std::move(session)), sheets_(std::move(sheets)) {}

  // "Sheet" and the first number no sheet goes by yet, placed last.
  std::unique_ptr<SpreadsheetSheet> AddSheet() override {
    try {
      uno::Sequence<rtl::OUString> names = sheets_->getElementNames();
      std::set<rtl::OUString> taken(names.begin(), names.end());
      rtl::OUString name;
      for (int n = 1; name.isEmpty() || taken.count(name) != 0; ++n) {
        name = "Sheet" + rtl::OUString::number(n);
      }
      sheets_->insertNewByName(name, static_cast<sal_Int16>(names.getLength()));
      return Wrap(name);
    } catch (const uno::Exception& e) {
      throw OfficeError(kPrepare, e);
    }
  }

  std::vector<std::unique_ptr<SpreadsheetSheet>> Sheets() override {
    try {
      std::vector<std::unique_ptr<SpreadsheetSheet>> out;
      for (const rtl::OUString& name : sheets_->getElementNames()) out.push_back(Wrap(name));
      return out;
    } catch (const uno::Exception& e) {
      throw OfficeError(kPrepare, e);
    }
  }

 private:
  std::unique_ptr<SpreadsheetSheet> Wrap(const rtl::OUString& name) {
    uno::Reference<sheet::XSpreadsheet> sheet(sheets_->getByName(name), uno::UNO_QUERY_THROW);
    return std::make_unique<CalcSheet>(session_, sheets_, sheet);
  }

  std::shared_ptr<Session> session_;  // first, so that it goes last
  uno::Reference<sheet::XSpreadsheets> sheets_;
};

class CalcApplication : public SpreadsheetApplication {
 public:
  explicit CalcApplication(std::shared_ptr<Session> session) : session_(std::move(session)) {}

  void SetVisible(bool visible) override {
    try {
      session_->SetVisible(visible);
    } catch (const uno::Exception& e) {
      throw OfficeError("LibreOffice Calc のウィンドウを表示できません", e);
    }
  }

  std::unique_ptr<SpreadsheetDocument> AddDocument() override {
    try {
      return std::make_unique<CalcDocument>(session_, session_->AddDocument()->getSheets());
    } catch (const uno::Exception& e) {
      throw OfficeError(kPrepare, e);
    }
  }

 private:
  std::shared_ptr<Session> session_;
};

}  // namespace

std::unique_ptr<SpreadsheetApplication> NewCalcApplication(
    std::unique_ptr<OfficeConnection> connection) {
  uno::Reference<frame::XDesktop2> desktop;
  try {
    desktop = frame::Desktop::create(connection->Remote());
  } catch (const uno::Exception& e) {
    throw OfficeError("LibreOffice Calc を起動できません", e);
  }
  return std::make_unique<CalcApplication>(
      std::make_shared<Session>(std::move(connection), std::move(desktop)));
}

}  // namespace sorbel
