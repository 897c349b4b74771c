// A URP bridge to an office that listens on a named pipe, and the local UNO runtime it needs.
// Dropping the connection disposes the bridge; the office itself runs on.
#pragma once

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <memory>
#include <string>

namespace sorbel {

namespace uno = com::sun::star::uno;

// The local runtime, bootstrapped from the installed office's type and service registries.
// Throws Error when the office's runtime files are missing.
uno::Reference<uno::XComponentContext> BootstrapLocalContext();

// Disposes a context made by BootstrapLocalContext; safe on an empty reference.
void DisposeLocalContext(const uno::Reference<uno::XComponentContext>& local);

// The argument that makes an office listen where TryConnect looks.
std::string AcceptArgument(const std::string& pipe);

class OfficeConnection {
 public:
  // The office listening on `pipe`, or nullptr when nothing listens there (yet). Throws Error
  // when something answers but is no office.
  static std::unique_ptr<OfficeConnection> TryConnect(
      const uno::Reference<uno::XComponentContext>& local, const std::string& pipe);
  ~OfficeConnection();
  OfficeConnection(const OfficeConnection&) = delete;
  OfficeConnection& operator=(const OfficeConnection&) = delete;

  // The office's own component context, for its desktop and services.
  const uno::Reference<uno::XComponentContext>& Remote() const { return remote_; }

 private:
  OfficeConnection(uno::Reference<com::sun::star::bridge::XBridge> bridge,
                   uno::Reference<uno::XComponentContext> remote)
      : bridge_(std::move(bridge)), remote_(std::move(remote)) {}

  uno::Reference<com::sun::star::bridge::XBridge> bridge_;
  uno::Reference<uno::XComponentContext> remote_;
};

}  // namespace sorbel
