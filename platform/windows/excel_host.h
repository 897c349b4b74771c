// Between the Windows files of the port: the spreadsheet port over Excel's automation objects,
// reached from a root object that a function makes, so that a test can stand in for Excel.
#pragma once

#include <oaidl.h>

#include <functional>
#include <memory>

#include "platform/spreadsheet_host.h"

namespace sorbel {

// Makes the application object (Excel.Application) into *root, or tells why not. Called on the
// displaying thread once COM is initialised there.
using MakeExcel = std::function<HRESULT(IDispatch** root)>;

// Applications from `make`. Each one initialises COM on the calling thread (apartment-threaded)
// and uninitialises it when the last of its objects is dropped.
std::unique_ptr<SpreadsheetHost> NewExcelHost(MakeExcel make);

}  // namespace sorbel
