// Connecting to the office: a pipe connector and a URP bridge over it, built from the local
// runtime; a missing listener is an ordinary answer here, the caller retries.
#include "platform/libreoffice/office_connection.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include "platform/libreoffice/uno_text.h"

namespace sorbel {

using com::sun::star::bridge::BridgeFactory;
using com::sun::star::bridge::XBridge;
using com::sun::star::connection::Connector;
using com::sun::star::connection::NoConnectException;
using com::sun::star::connection::XConnection;
using com::sun::star::lang::XComponent;

uno::Reference<uno::XComponentContext> BootstrapLocalContext() {
  try {
    // The runtime reads its registries through the office's fundamental settings; setting the
    // same value again is harmless.
    rtl::Bootstrap::set("URE_BOOTSTRAP", ToOUString(std::string("vnd.sun.star.pathname:") +
                                                    SORBEL_LIBREOFFICE_PROGRAM + "/fundamentalrc"));
    return cppu::defaultBootstrap_InitialComponentContext();
  } catch (const uno::Exception& e) {
    throw OfficeError("LibreOffice の実行環境を準備できません", e);
  }
}

void DisposeLocalContext(const uno::Reference<uno::XComponentContext>& local) {
  try {
    uno::Reference<XComponent> component(local, uno::UNO_QUERY);
    if (component.is()) component->dispose();
  } catch (const uno::Exception&) {
    // Nothing is left to tidy when disposing fails.
  }
}

std::string AcceptArgument(const std::string& pipe) {
  return "--accept=pipe,name=" + pipe + ";urp;StarOffice.ComponentContext";
}

std::unique_ptr<OfficeConnection> OfficeConnection::TryConnect(
    const uno::Reference<uno::XComponentContext>& local, const std::string& pipe) {
  uno::Reference<XConnection> connection;
  try {
    connection = Connector::create(local)->connect(ToOUString("pipe,name=" + pipe));
  } catch (const NoConnectException&) {
    return nullptr;
  } catch (const uno::Exception& e) {
    throw OfficeError("LibreOffice に接続できません", e);
  }
  try {
    uno::Reference<XBridge> bridge =
        BridgeFactory::create(local)->createBridge("", "urp", connection, nullptr);
    uno::Reference<uno::XComponentContext> remote(
        bridge->getInstance("StarOffice.ComponentContext"), uno::UNO_QUERY_THROW);
    return std::unique_ptr<OfficeConnection>(new OfficeConnection(bridge, remote));
  } catch (const uno::Exception& e) {
    throw OfficeError("LibreOffice に接続できません", e);
  }
}

OfficeConnection::~OfficeConnection() {
  remote_.clear();
  try {
    uno::Reference<XComponent> component(bridge_, uno::UNO_QUERY);
    if (component.is()) component->dispose();
  } catch (const uno::Exception&) {
    // The office may be gone already; then there is nothing to let go of.
  }
}

}  // namespace sorbel
