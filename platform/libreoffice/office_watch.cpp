// Watching the office: its frames counted over a bridge of our own; a frame whose controller has
// no model is a Start Center. Other bridges mean a display is at work, so the office must stay.
#include "platform/libreoffice/office_watch.h"

#include <dlfcn.h>
#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XFrames.hpp>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/libreoffice/office_connection.h"
#include "platform/libreoffice/office_process.h"

namespace sorbel {
namespace {

namespace frame = com::sun::star::frame;

constexpr auto kLookEvery = std::chrono::milliseconds(250);

// Documents open in the office's frames; a Start Center holds none.
int Documents(const uno::Reference<frame::XDesktop2>& desktop) {
  uno::Reference<com::sun::star::container::XIndexAccess> frames(desktop->getFrames(),
                                                                 uno::UNO_QUERY_THROW);
  int documents = 0;
  for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
    uno::Reference<frame::XFrame> f(frames->getByIndex(i), uno::UNO_QUERY);
    uno::Reference<frame::XController> controller = f.is() ? f->getController() : nullptr;
    if (controller.is() && controller->getModel().is()) ++documents;
  }
  return documents;
}

}  // namespace

std::string DefaultWatchProgram() {
  Dl_info info;
  if (::dladdr(reinterpret_cast<void*>(&DefaultWatchProgram), &info) == 0 ||
      info.dli_fname == nullptr) {
    return "";
  }
  return (std::filesystem::path(info.dli_fname).parent_path() / "sorbel-calc-watch").string();
}

void StartOfficeWatch(const std::string& program, const std::string& pipe) {
  // The watch finds the UNO runtime through its environment: an installed program may carry
  // no search path to another package's folder.
  OfficeProcess::Start(program, {pipe},
                       {std::string("LD_LIBRARY_PATH=") + SORBEL_LIBREOFFICE_PROGRAM});
}

void WatchOffice(const std::string& pipe) {
  uno::Reference<uno::XComponentContext> local = BootstrapLocalContext();
  {
    std::unique_ptr<OfficeConnection> connection = OfficeConnection::TryConnect(local, pipe);
    if (!connection) return;
    try {
      uno::Reference<frame::XDesktop2> desktop = frame::Desktop::create(connection->Remote());
      auto bridges = com::sun::star::bridge::BridgeFactory::create(connection->Remote());
      for (;;) {
        std::this_thread::sleep_for(kLookEvery);
        // Ours is one bridge; any other is a display (or the user's script) at work.
        if (Documents(desktop) == 0 && bridges->getExistingBridges().getLength() <= 1 &&
            desktop->terminate()) {
          break;
        }
      }
    } catch (const uno::Exception&) {
      // The office has gone (quit by the user, or ended as we asked): nothing left to watch.
    }
  }
  DisposeLocalContext(local);
}

}  // namespace sorbel
