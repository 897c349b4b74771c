// The entry of the module libsorbel-calc.so: the program loads it at its first display, so
// that nothing of LibreOffice has to be installed for it to start and filter.
#include "platform/libreoffice/libreoffice_host.h"

extern "C" __attribute__((visibility("default"))) sorbel::SpreadsheetHost* SorbelNewCalcHost(
    const sorbel::LibreOfficeOptions* options) {
  try {
    return new sorbel::LibreOfficeHost(*options);
  } catch (...) {
    return nullptr;
  }
}
