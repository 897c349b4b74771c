// Text between the program's UTF-8 strings and UNO's, and UNO failures as the program's Error.
// Every call into the office catches its exceptions and hands them on through OfficeError.
#pragma once

#include <com/sun/star/uno/Exception.hpp>
#include <rtl/ustring.hxx>

#include <string>

#include "platform/error.h"

namespace sorbel {

rtl::OUString ToOUString(const std::string& text);
std::string FromOUString(const rtl::OUString& text);

// Error(kErrSpreadsheet) saying what was being done and what the office answered.
Error OfficeError(const std::string& doing, const com::sun::star::uno::Exception& e);

// Runs `step`, one call or a few into the office, and hands its exceptions on as OfficeError.
template <typename Step>
auto OfficeStep(const std::string& doing, Step&& step) -> decltype(step()) {
  try {
    return step();
  } catch (const com::sun::star::uno::Exception& e) {
    throw OfficeError(doing, e);
  }
}

}  // namespace sorbel
