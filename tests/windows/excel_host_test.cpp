// The display driving Excel's automation objects, against a stand-in that answers IDispatch as
// they do and records every call: the members in order, their arguments, every reference given
// back. Excel itself is not run here.
#include "platform/windows/excel_host.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <oleauto.h>
// windows.h makes MessageBox a macro for MessageBoxW; the port's class keeps its own name.
#undef MessageBox

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "display/spreadsheet_display.h"
#include "platform/error.h"
#include "platform/windows/wide_text.h"
#include "tests/new_folder.h"

namespace sorbel {
namespace {

// What the stand-in objects share.
struct Excel {
  std::vector<std::string>
      calls;  // "Range.Value2 put [3x2]", "Workbook.Close call SaveChanges:=False"
  std::vector<std::string> ids{""};  // member and argument names by DISPID
  std::vector<std::string> sheets{"Sheet1", "Sheet2"};
  std::vector<std::vector<std::string>> values;  // each Value2 put, row after row
  std::string fail;                              // "Kind.Member" that fails with a description
  int alive = 0;
};

std::string Show(Excel& excel, const VARIANT& v) {
  if (v.vt == VT_BOOL) return v.boolVal ? "True" : "False";
  if (v.vt == VT_I4) return std::to_string(v.lVal);
  if (v.vt == VT_R8) return std::to_string(static_cast<int>(v.dblVal));
  if (v.vt == VT_BSTR) return Utf8(v.bstrVal);
  if (v.vt == (VT_ARRAY | VT_VARIANT)) {
    // Read back by index, not by the layout the array was written in.
    long rows = 0, columns = 0;
    SafeArrayGetUBound(v.parray, 1, &rows);
    SafeArrayGetUBound(v.parray, 2, &columns);
    std::vector<std::string>& cells = excel.values.emplace_back();
    for (long r = 1; r <= rows; ++r) {
      for (long c = 1; c <= columns; ++c) {
        long at[2] = {r, c};
        VARIANT cell;
        VariantInit(&cell);
        SafeArrayGetElement(v.parray, at, &cell);
        cells.push_back(cell.vt == VT_BSTR ? Utf8(cell.bstrVal) : "?");
        VariantClear(&cell);
      }
    }
    return "[" + std::to_string(rows) + "x" + std::to_string(columns) + "]";
  }
  return "?";
}

class Fake final : public IDispatch {
 public:
  Fake(Excel& excel, std::string kind, std::string name = "")
      : excel_(excel), kind_(std::move(kind)), name_(std::move(name)) {
    ++excel_.alive;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_IDispatch) return *out = nullptr, E_NOINTERFACE;
    AddRef();
    return *out = this, S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (--refs_ > 0) return refs_;
    --excel_.alive;
    delete this;
    return 0;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return *n = 0, S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID,
                                          DISPID* ids) override {
    for (UINT i = 0; i < n; ++i) {
      auto& all = excel_.ids;
      auto it = std::find(all.begin(), all.end(), Utf8(names[i]));
      ids[i] = static_cast<DISPID>(it - all.begin());
      if (it == all.end()) all.push_back(Utf8(names[i]));
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    // Written as in a program: the positional arguments (Invoke has them last first), then the
    // named ones; a property's new value counts as positional.
    const std::string member = kind_ + "." + excel_.ids[id];
    std::string call = member + (flags & DISPATCH_PROPERTYPUT   ? " put"
                                 : flags & DISPATCH_PROPERTYGET ? " get"
                                                                : " call");
    std::vector<std::string> args;
    for (UINT i = p->cArgs; i-- > 0;) {
      const bool named = i < p->cNamedArgs && p->rgdispidNamedArgs[i] != DISPID_PROPERTYPUT;
      args.push_back((named ? excel_.ids[p->rgdispidNamedArgs[i]] + ":=" : "") +
                     Show(excel_, p->rgvarg[i]));
      call += " " + args.back();
    }
    excel_.calls.push_back(call);
    if (member == excel_.fail) {
      info->bstrDescription = SysAllocString(L"範囲が大きすぎます。");
      info->scode = 0x800A03EC;
      return DISP_E_EXCEPTION;
    }
    const std::string arg = args.empty() ? "" : args[0];
    auto& sheets = excel_.sheets;
    static const std::map<std::string, std::string> kChildren{
        {"Application.Workbooks", "Workbooks"},
        {"Workbooks.Add", "Workbook"},
        {"Workbook.Worksheets", "Worksheets"},
        {"Workbook.Windows", "Windows"},
        {"Windows.Item", "Window"},
        {"Worksheet.Range", "Range"}};
    if (kChildren.count(member) != 0) return Give(result, kChildren.at(member));
    if (member == "Worksheets.Item") return Give(result, "Worksheet", sheets[std::stoi(arg) - 1]);
    if (member == "Worksheets.Add") {
      sheets.insert(sheets.begin(), "Sheet3");
      return Give(result, "Worksheet", "Sheet3");
    }
    if (member == "Worksheets.Count") result->vt = VT_I4, result->lVal = sheets.size();
    if (member == "Worksheet.StandardHeight") result->vt = VT_R8, result->dblVal = 18.75;
    if (member == "Worksheet.Name" && flags & DISPATCH_PROPERTYGET) {
      result->vt = VT_BSTR, result->bstrVal = SysAllocString(Wide(name_).c_str());
    }
    if (member == "Worksheet.Name" && flags & DISPATCH_PROPERTYPUT) {
      *std::find(sheets.begin(), sheets.end(), name_) = arg;
      name_ = arg;
    }
    if (member == "Worksheet.Delete") sheets.erase(std::find(sheets.begin(), sheets.end(), name_));
    return S_OK;
  }

 private:
  HRESULT Give(VARIANT* result, const std::string& kind, const std::string& name = "") {
    result->vt = VT_DISPATCH;
    result->pdispVal = new Fake(excel_, kind, name);
    return S_OK;
  }

  Excel& excel_;
  std::string kind_;
  std::string name_;
  ULONG refs_ = 1;
};

std::string Joined(const std::vector<std::string>& calls) {
  std::string out;
  for (const std::string& call : calls) out += (out.empty() ? "" : " | ") + call;
  return out;
}

class RecordingBox : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon icon, const std::string&) override {
    shown.emplace_back(text, icon);
  }
  std::vector<std::pair<std::string, MsgBoxIcon>> shown;
};

class ExcelHostTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = sorbel::testing::NewTempFolder("sorbel-excel"); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  bool Show(const std::string& csv, HRESULT start = S_OK) {
    const std::string path = dir_ + "/20261208101500_articles.csv";
    std::ofstream(path, std::ios::binary) << csv;
    auto host = NewExcelHost([&](IDispatch** root) {
      if (SUCCEEDED(start)) *root = new Fake(excel_, "Application");
      return start;
    });
    return ShowExcel(*host, box_, path, "UTF-8", "家電・送料無料");
  }

  std::string dir_;
  Excel excel_;
  RecordingBox box_;
};

TEST_F(ExcelHostTest, HiddenOneSheetFilledAsTextThenShownAndEveryReferenceGiven) {
  // More rows than a batch: two Value2 puts, each within its bounds.
  std::string csv = "品番,商品名\r\n";
  for (int i = 1; i < 2000; ++i) csv += std::to_string(i) + ",x\r\n";
  EXPECT_TRUE(Show(csv + "00123,=1+1\r\n'x,\"二行\r\nの説明\"\r\n"));
  EXPECT_TRUE(box_.shown.empty());
  EXPECT_EQ(
      Joined(excel_.calls),
      "Application.DisplayAlerts put False | Application.Visible put False | "
      "Application.Workbooks get | Workbooks.Add call | Workbook.Worksheets get | "
      "Worksheets.Add call | Worksheet.Name get | Workbook.Worksheets get | "
      "Worksheets.Count get | Worksheets.Item get 1 | Worksheets.Item get 2 | "
      "Worksheets.Item get 3 | Worksheet.Name get | Worksheet.Name get | "
      "Worksheet.Delete call | Worksheet.Name get | Worksheet.Delete call | "
      "Workbook.Windows get | Windows.Item get 1 | "
      "Window.Caption put 20261208101500_articles.csv | Worksheet.Name put 家電・送料無料 | "
      "Worksheet.Range get A:B | Range.NumberFormat put @ | Worksheet.Range get A1:B2000 | "
      "Range.Value2 put [2000x2] | Worksheet.Range get A2001:B2002 | Range.Value2 put [2x2] | "
      "Worksheet.Range get A1:B2002 | Range.WrapText put False | "
      "Worksheet.StandardHeight get | Range.RowHeight put 18 | Range.AutoFilter call | "
      "Worksheet.Range get A:A | Range.ColumnWidth put 5 | Worksheet.Range get B:B | "
      "Range.ColumnWidth put 7 | Worksheet.Activate call | Workbook.Windows get | "
      "Windows.Item get 1 | Window.SplitColumn put 0 | Window.SplitRow put 1 | "
      "Window.FreezePanes put True | Application.Visible put True");
  EXPECT_EQ(excel_.sheets, std::vector<std::string>{"家電・送料無料"});
  ASSERT_EQ(excel_.values.size(), 2u);
  EXPECT_EQ(excel_.values[0][3998], "1999");
  EXPECT_EQ(excel_.values[1], (std::vector<std::string>{"00123", "=1+1", "''x", "二行\nの説明"}));
  EXPECT_EQ(excel_.alive, 0);
}

TEST_F(ExcelHostTest, FailuresAreToldAndNoHiddenExcelStays) {
  // Not installed: said without an icon, nothing made.
  EXPECT_FALSE(Show("a\r\n", CO_E_CLASSSTRING));
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].second, kIconNone);
  EXPECT_NE(box_.shown[0].first.find("Excel がインストールされていない"), std::string::npos);
  EXPECT_TRUE(excel_.calls.empty());

  // Excel's own description of a refused batch, with the critical icon; the sheet still shown.
  box_.shown.clear();
  excel_.fail = "Range.Value2";
  EXPECT_FALSE(Show("a\r\n1\r\n"));
  ASSERT_EQ(box_.shown.size(), 1u);
  EXPECT_EQ(box_.shown[0].first, "Excel のシートに結果を書き込めません: 範囲が大きすぎます。");
  EXPECT_EQ(box_.shown[0].second, kIconCritical);
  EXPECT_EQ(excel_.calls.back(), "Application.Visible put True");
  EXPECT_EQ(excel_.alive, 0);

  // A failure while preparing passes up; the hidden workbook is closed unsaved and Excel quits.
  excel_ = Excel();
  excel_.fail = "Worksheets.Add";
  EXPECT_THROW(Show("a\r\n"), Error);
  EXPECT_EQ(std::vector<std::string>(excel_.calls.end() - 2, excel_.calls.end()),
            (std::vector<std::string>{"Workbook.Close call SaveChanges:=False",
                                      "Application.Quit call"}));
  EXPECT_EQ(excel_.alive, 0);
}

TEST(SystemExcelHost, WithoutExcelSaysItIsNotInstalled) {
  try {
    SystemSpreadsheetHost()->CreateApplication();
    FAIL() << "an application without Excel";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), kErrSpreadsheet);
    EXPECT_NE(e.Description().find("Excel がインストールされていない"), std::string::npos)
        << e.Description();
  }
}

}  // namespace
}  // namespace sorbel
