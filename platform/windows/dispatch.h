// Between the Windows files of the port: late-bound automation, an object's members looked up by
// name at call time (GetIDsOfNames, then Invoke), its failures as Error.
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace sorbel {

// A VARIANT that owns what it holds and clears it when it goes.
class Variant {
 public:
  Variant();  // VT_EMPTY
  explicit Variant(bool value);
  explicit Variant(int value);
  explicit Variant(std::string_view utf8);                                 // a BSTR
  explicit Variant(const char* utf8) : Variant(std::string_view(utf8)) {}  // not a bool
  static Variant Adopt(const VARIANT& value);  // takes over what `value` holds
  Variant(const Variant& other);
  Variant& operator=(const Variant& other);
  ~Variant();

  const VARIANT& get() const { return value_; }
  VARIANT* out();  // cleared first, for a result to be written into

  // The value as text (UTF-8) and as a whole number, converted as automation converts; Error
  // when it cannot be.
  std::string Text() const;
  long Long() const;

 private:
  VARIANT value_;
};

// An argument passed by its name.
struct NamedArgument {
  std::string name;
  Variant value;
};

// One reference to an automation object; copies add one, dropping one releases it. A failing
// call throws Error(kErrSpreadsheet) with the object's own description of the failure (its
// EXCEPINFO) or else the system's text for the HRESULT.
class Dispatch {
 public:
  Dispatch() = default;
  explicit Dispatch(IDispatch* adopted) : object_(adopted) {}  // takes the caller's reference
  explicit Dispatch(const Variant& object);  // the object a result holds; Error if none
  Dispatch(const Dispatch& other);
  Dispatch& operator=(Dispatch other);
  ~Dispatch();

  explicit operator bool() const { return object_ != nullptr; }

  // The property `name` (DISPATCH_PROPERTYGET), indexed by `args` when it takes any.
  Variant Get(std::string_view name, const std::vector<Variant>& args = {}) const;
  // Get, for a property that is an object.
  Dispatch Object(std::string_view name, const std::vector<Variant>& args = {}) const;
  // Sets the property `name` (DISPATCH_PROPERTYPUT, the value named DISPID_PROPERTYPUT).
  void Put(std::string_view name, const Variant& value) const;
  // Calls the method `name` with `args` by position, then `named` by name.
  Variant Call(std::string_view name, const std::vector<Variant>& args = {},
               const std::vector<NamedArgument>& named = {}) const;

 private:
  Variant Invoke(std::string_view name, WORD kind, const std::vector<Variant>& args,
                 const std::vector<NamedArgument>& named) const;

  IDispatch* object_ = nullptr;
};

}  // namespace sorbel
