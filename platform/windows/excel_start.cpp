// The system's spreadsheet on Windows: Excel, created by its programmatic name as a program of its
// own (a local server) and driven through IDispatch alone, so that any installed version serves.
#include "platform/spreadsheet_host.h"

#include <windows.h>

#include <objbase.h>

#include "platform/windows/excel_host.h"

namespace sorbel {
namespace {

HRESULT StartExcel(IDispatch** root) {
  CLSID clsid;
  const HRESULT hr = ::CLSIDFromProgID(L"Excel.Application", &clsid);
  if (FAILED(hr)) return hr;
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                            reinterpret_cast<void**>(root));
}

}  // namespace

std::unique_ptr<SpreadsheetHost> SystemSpreadsheetHost() { return NewExcelHost(StartExcel); }

}  // namespace sorbel
