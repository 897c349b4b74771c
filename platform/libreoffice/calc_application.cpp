// Calc documents and sheets over UNO. Everything made for one display shares a session; the last
// object to go lets go of the office and, unless the user was shown the work, closes it first.
#include "platform/libreoffice/calc_application.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <set>
#include <utility>
#include <vector>

#include "platform/libreoffice/sheet_fill.h"
#include "platform/libreoffice/uno_text.h"

namespace sorbel {
namespace {

namespace awt = com::sun::star::awt;
namespace beans = com::sun::star::beans;
namespace container = com::sun::star::container;
namespace frame = com::sun::star::frame;
namespace sheet = com::sun::star::sheet;
namespace table = com::sun::star::table;
namespace util = com::sun::star::util;

constexpr char kPrepare[] = "LibreOffice Calc の文書を用意できません";

// "ja-JP" as the office's locale: language, then country.
com::sun::star::lang::Locale LocaleOf(const std::string& tag) {
  const size_t dash = tag.find('-');
  com::sun::star::lang::Locale locale;
  locale.Language = ToOUString(tag.substr(0, dash));
  if (dash != std::string::npos) locale.Country = ToOUString(tag.substr(dash + 1));
  return locale;
}

void Close(const uno::Reference<frame::XModel>& document) {
  uno::Reference<util::XCloseable> closeable(document, uno::UNO_QUERY);
  if (closeable.is()) closeable->close(true);
}

// Runs `step` and tells whether it went through; for tidying up, where a failure changes nothing.
bool Quietly(void (*step)(const uno::Reference<frame::XModel>&),
             const uno::Reference<frame::XModel>& document) {
  try {
    step(document);
    return true;
  } catch (const uno::Exception&) {
    return false;
  }
}

// What the application, its documents and its sheets share.
class Session {
 public:
  Session(std::unique_ptr<OfficeConnection> connection, uno::Reference<frame::XDesktop2> desktop,
          std::function<void()> on_shown)
      : connection_(std::move(connection)),
        desktop_(std::move(desktop)),
        on_shown_(std::move(on_shown)) {}

  // A document never shown is closed, and the office with it when it holds nothing else: no
  // invisible office is left behind. Then the bridge goes; a shown office runs on.
  ~Session() {
    if (!visible_) {
      for (const auto& document : documents_) Quietly(Close, document);
      try {
        uno::Reference<container::XIndexAccess> frames(desktop_->getFrames(), uno::UNO_QUERY);
        if (frames.is() && frames->getCount() == 0) desktop_->terminate();
      } catch (const uno::Exception&) {
        // An office that will not close or has gone already: nothing more can be done.
      }
    }
    documents_.clear();
    desktop_.clear();
  }

  bool Visible() const { return visible_; }

  uno::Reference<frame::XComponentLoader> Loader() const {
    return uno::Reference<frame::XComponentLoader>(desktop_, uno::UNO_QUERY_THROW);
  }

  uno::Reference<frame::XModel> AddDocument() {
    beans::PropertyValue hidden;
    hidden.Name = "Hidden";
    hidden.Value <<= !visible_;
    uno::Reference<frame::XModel> model(
        Loader()->loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                       uno::Sequence<beans::PropertyValue>(&hidden, 1)),
        uno::UNO_QUERY_THROW);
    documents_.push_back(model);
    return model;
  }

  void SetVisible(bool visible) {
    for (const auto& document : documents_) {
      // A document whose window is gone throws here rather than being passed over.
      uno::Reference<frame::XController> controller(document->getCurrentController(),
                                                    uno::UNO_SET_THROW);
      uno::Reference<frame::XFrame> frame(controller->getFrame(), uno::UNO_SET_THROW);
      uno::Reference<awt::XWindow> window(frame->getContainerWindow(), uno::UNO_SET_THROW);
      window->setVisible(visible);
      if (!visible) continue;
      uno::Reference<awt::XTopWindow> top(window, uno::UNO_QUERY);
      if (top.is()) top->toFront();
    }
    visible_ = visible;
    if (!visible) return;
    for (const auto& [document, sheet] : headings_) FreezeHeadings(document, sheet);
    headings_.clear();
    if (on_shown_) {
      try {
        on_shown_();
      } catch (const Error&) {
        // The office then stays after its last document, as any office does: nothing is lost.
      }
      on_shown_ = nullptr;
    }
  }

  // The sheet's first row stays in sight, from when the window is shown.
  void KeepHeadingsInSight(const uno::Reference<frame::XModel>& document,
                           const uno::Reference<sheet::XSpreadsheet>& sheet) {
    if (visible_) {
      FreezeHeadings(document, sheet);
    } else {
      headings_.emplace_back(document, sheet);
    }
  }

 private:
  std::unique_ptr<OfficeConnection> connection_;  // first, so that it goes last
  uno::Reference<frame::XDesktop2> desktop_;
  std::vector<uno::Reference<frame::XModel>> documents_;
  std::vector<std::pair<uno::Reference<frame::XModel>, uno::Reference<sheet::XSpreadsheet>>>
      headings_;  // to freeze when shown
  std::function<void()> on_shown_;
  bool visible_ = false;
};

// One document as its sheets see it.
struct Workbook {
  std::shared_ptr<Session> session;  // first, so that it goes last
  uno::Reference<frame::XModel> model;
  uno::Reference<sheet::XSpreadsheets> sheets;
};

class CalcSheet : public SpreadsheetSheet {
 public:
  CalcSheet(std::shared_ptr<Workbook> workbook, std::string name)
      : workbook_(std::move(workbook)), name_(std::move(name)) {}

  std::string Name() const override { return name_; }

  Size Capacity() const override {
    return OfficeStep(kPrepare, [&] {
      uno::Reference<table::XColumnRowRange> range(workbook_->sheets->getByName(ToOUString(name_)),
                                                   uno::UNO_QUERY_THROW);
      return Size{range->getRows()->getCount(), range->getColumns()->getCount()};
    });
  }

  void SetName(const std::string& name) override {
    OfficeStep(kPrepare, [&] {
      uno::Reference<container::XNamed>(workbook_->sheets->getByName(ToOUString(name_)),
                                        uno::UNO_QUERY_THROW)
          ->setName(ToOUString(name));
      name_ = name;
    });
  }

  void Delete() override {
    OfficeStep(kPrepare, [&] { workbook_->sheets->removeByName(ToOUString(name_)); });
  }

  void FillText(TextRowSource& source) override {
    uno::Reference<sheet::XSpreadsheet> target;
    OfficeStep(kPrepare, [&] {
      target.set(workbook_->sheets->getByName(ToOUString(name_)), uno::UNO_QUERY_THROW);
    });
    FillSheet(workbook_->model, target, source);
    OfficeStep(kPrepare,
               [&] { workbook_->session->KeepHeadingsInSight(workbook_->model, target); });
  }

 private:
  std::shared_ptr<Workbook> workbook_;
  std::string name_;
};

class CalcDocument : public SpreadsheetDocument {
 public:
  explicit CalcDocument(std::shared_ptr<Workbook> workbook) : workbook_(std::move(workbook)) {}

  // "Sheet" and the first number no sheet goes by yet, placed last.
  std::unique_ptr<SpreadsheetSheet> AddSheet() override {
    return OfficeStep(kPrepare, [&] {
      uno::Sequence<rtl::OUString> names = workbook_->sheets->getElementNames();
      std::set<rtl::OUString> taken(names.begin(), names.end());
      rtl::OUString name;
      for (int n = 1; name.isEmpty() || taken.count(name) != 0; ++n) {
        name = "Sheet" + rtl::OUString::number(n);
      }
      workbook_->sheets->insertNewByName(name, static_cast<sal_Int16>(names.getLength()));
      return std::make_unique<CalcSheet>(workbook_, FromOUString(name));
    });
  }

  void SetTitle(const std::string& title) override {
    OfficeStep(kPrepare, [&] {
      uno::Reference<frame::XTitle>(workbook_->model, uno::UNO_QUERY_THROW)
          ->setTitle(ToOUString(title));
    });
  }

  // Latin text as well as Japanese: brand names in Latin letters are then not checked as English.
  void SetLanguage(const std::string& tag) override {
    OfficeStep(kPrepare, [&] {
      uno::Reference<beans::XPropertySet> settings(workbook_->model, uno::UNO_QUERY_THROW);
      settings->setPropertyValue("CharLocale", uno::Any(LocaleOf(tag)));
      settings->setPropertyValue("CharLocaleAsian", uno::Any(LocaleOf(tag)));
    });
  }

  std::vector<std::unique_ptr<SpreadsheetSheet>> Sheets() override {
    return OfficeStep(kPrepare, [&] {
      std::vector<std::unique_ptr<SpreadsheetSheet>> out;
      for (const rtl::OUString& name : workbook_->sheets->getElementNames()) {
        out.push_back(std::make_unique<CalcSheet>(workbook_, FromOUString(name)));
      }
      return out;
    });
  }

 private:
  std::shared_ptr<Workbook> workbook_;
};

class CalcApplication : public SpreadsheetApplication {
 public:
  explicit CalcApplication(std::shared_ptr<Session> session) : session_(std::move(session)) {}

  void SetVisible(bool visible) override {
    OfficeStep("LibreOffice Calc のウィンドウを表示できません",
               [&] { session_->SetVisible(visible); });
  }

  std::unique_ptr<SpreadsheetDocument> AddDocument() override {
    return OfficeStep(kPrepare, [&] {
      auto workbook = std::make_shared<Workbook>();
      workbook->session = session_;
      workbook->model = session_->AddDocument();
      workbook->sheets =
          uno::Reference<sheet::XSpreadsheetDocument>(workbook->model, uno::UNO_QUERY_THROW)
              ->getSheets();
      return std::make_unique<CalcDocument>(std::move(workbook));
    });
  }

 private:
  std::shared_ptr<Session> session_;
};

}  // namespace

std::unique_ptr<SpreadsheetApplication> NewCalcApplication(
    std::unique_ptr<OfficeConnection> connection, std::function<void()> on_shown) {
  uno::Reference<frame::XDesktop2> desktop;
  OfficeStep("LibreOffice Calc を起動できません",
             [&] { desktop = frame::Desktop::create(connection->Remote()); });
  return std::make_unique<CalcApplication>(
      std::make_shared<Session>(std::move(connection), std::move(desktop), std::move(on_shown)));
}

}  // namespace sorbel
