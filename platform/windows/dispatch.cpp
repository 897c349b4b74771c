// Late-bound calls: the member's and the named arguments' DISPIDs asked for at every call, the
// arguments laid out as Invoke takes them (last first, the named ones ahead of the rest).
#include "platform/windows/dispatch.h"

#include <windows.h>

#include <oleauto.h>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32_error.h"

namespace sorbel {
namespace {

Error DispatchError(HRESULT hr, EXCEPINFO* info) {
  std::string text;
  if (hr == DISP_E_EXCEPTION && info != nullptr) {
    if (info->pfnDeferredFillIn != nullptr) info->pfnDeferredFillIn(info);
    if (info->bstrDescription != nullptr) text = Utf8(info->bstrDescription);
    if (FAILED(info->scode)) hr = info->scode;
  }
  if (info != nullptr) {
    ::SysFreeString(info->bstrSource);
    ::SysFreeString(info->bstrDescription);
    ::SysFreeString(info->bstrHelpFile);
  }
  if (text.empty()) text = Win32Error(static_cast<unsigned long>(hr)).Description();
  return Error(kErrSpreadsheet, text);
}

void Check(HRESULT hr) {
  if (FAILED(hr)) throw DispatchError(hr, nullptr);
}

}  // namespace

Variant::Variant() { ::VariantInit(&value_); }

Variant::Variant(bool value) : Variant() {
  value_.vt = VT_BOOL;
  value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Variant::Variant(int value) : Variant() {
  value_.vt = VT_I4;
  value_.lVal = value;
}

Variant::Variant(std::string_view utf8) : Variant() {
  const std::wstring wide = Wide(utf8);
  value_.bstrVal = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (value_.bstrVal == nullptr) throw std::bad_alloc();
  value_.vt = VT_BSTR;
}

Variant Variant::Adopt(const VARIANT& value) {
  Variant out;
  out.value_ = value;
  return out;
}

Variant::Variant(const Variant& other) : Variant() {
  Check(::VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)));
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) Check(::VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)));
  return *this;
}

Variant::~Variant() { ::VariantClear(&value_); }

VARIANT* Variant::out() {
  ::VariantClear(&value_);
  return &value_;
}

std::string Variant::Text() const {
  Variant text;
  Check(::VariantChangeType(text.out(), const_cast<VARIANT*>(&value_), 0, VT_BSTR));
  return Utf8(std::wstring_view(text.value_.bstrVal, ::SysStringLen(text.value_.bstrVal)));
}

long Variant::Long() const {
  Variant number;
  Check(::VariantChangeType(number.out(), const_cast<VARIANT*>(&value_), 0, VT_I4));
  return number.value_.lVal;
}

Dispatch::Dispatch(const Variant& object) {
  Variant as_object;
  Check(::VariantChangeType(as_object.out(), const_cast<VARIANT*>(&object.get()), 0, VT_DISPATCH));
  if (as_object.get().pdispVal == nullptr) Check(E_POINTER);
  object_ = as_object.get().pdispVal;
  object_->AddRef();
}

Dispatch::Dispatch(const Dispatch& other) : object_(other.object_) {
  if (object_ != nullptr) object_->AddRef();
}

Dispatch& Dispatch::operator=(Dispatch other) {
  std::swap(object_, other.object_);
  return *this;
}

Dispatch::~Dispatch() {
  if (object_ != nullptr) object_->Release();
}

Variant Dispatch::Get(std::string_view name, const std::vector<Variant>& args) const {
  return Invoke(name, DISPATCH_PROPERTYGET, args, {});
}

Dispatch Dispatch::Object(std::string_view name, const std::vector<Variant>& args) const {
  return Dispatch(Get(name, args));
}

void Dispatch::Put(std::string_view name, const Variant& value) const {
  Invoke(name, DISPATCH_PROPERTYPUT, {value}, {});
}

Variant Dispatch::Call(std::string_view name, const std::vector<Variant>& args,
                       const std::vector<NamedArgument>& named) const {
  return Invoke(name, DISPATCH_METHOD, args, named);
}

Variant Dispatch::Invoke(std::string_view name, WORD kind, const std::vector<Variant>& args,
                         const std::vector<NamedArgument>& named) const {
  if (object_ == nullptr) Check(E_POINTER);
  // The member first, then its named arguments: one DISPID each.
  std::vector<std::wstring> names{Wide(name)};
  for (const NamedArgument& argument : named) names.push_back(Wide(argument.name));
  std::vector<LPOLESTR> name_pointers;
  for (std::wstring& n : names) name_pointers.push_back(n.data());
  std::vector<DISPID> ids(names.size());
  Check(object_->GetIDsOfNames(IID_NULL, name_pointers.data(),
                               static_cast<UINT>(name_pointers.size()), LOCALE_USER_DEFAULT,
                               ids.data()));

  // Invoke reads the named arguments first, in the order of their DISPIDs, then the positional
  // ones from the last to the first. A property's new value is the one named DISPID_PROPERTYPUT.
  std::vector<VARIANT> values;
  std::vector<DISPID> named_ids;
  if (kind == DISPATCH_PROPERTYPUT) {
    named_ids.push_back(DISPID_PROPERTYPUT);
  } else {
    for (size_t i = 0; i < named.size(); ++i) {
      values.push_back(named[i].value.get());
      named_ids.push_back(ids[i + 1]);
    }
  }
  for (auto it = args.rbegin(); it != args.rend(); ++it) values.push_back(it->get());
  DISPPARAMS params{values.data(), named_ids.data(), static_cast<UINT>(values.size()),
                    static_cast<UINT>(named_ids.size())};
  Variant result;
  EXCEPINFO info{};
  UINT bad_argument = 0;
  const HRESULT hr =
      object_->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, kind, &params,
                      kind == DISPATCH_PROPERTYPUT ? nullptr : result.out(), &info, &bad_argument);
  if (FAILED(hr)) throw DispatchError(hr, &info);
  return result;
}

}  // namespace sorbel
