// Fuzz target: BuildSql on random conditions, run by the engine over a small catalogue.
// Each query must give exactly the rows a plain reference picks, or a clear, expected error.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filter/query_text.h"
#include "platform/database.h"
#include "platform/error.h"
#include "tests/fuzz/fuzz_input.h"

namespace sorbel::fuzz {
namespace {

// The catalogue. Names and tags hold ASCII and kana that folding leaves alone, so the
// reference below can fold by lowering ASCII letters.
struct Product {
  const char* code;
  const char* name;
  const char* category;  // "" is an empty field: Null
  const char* tags;
  std::optional<std::int64_t> price;  // nullopt: not a number (text or empty)
  const char* bundling;
  const char* payment;
  bool free_shipping;
  const char* line;  // the record as written
};

const Product kProducts[] = {
    {"A1", "Men's shirt", "ファッション", "summer sale", 1200, "○", "CD", true,
     "A1,Men's shirt,ファッション,summer sale,1200,○,CD,1"},
    {"A2", "kettle セット", "家電", "kitchen", 980, "×", "C", false,
     "A2,kettle セット,家電,kitchen,980,×,C,0"},
    {"A3", "plain, \"quoted\" name", "家電", "", 5000, "○", "D", true,
     "A3,\"plain, \"\"quoted\"\" name\",家電,,5000,○,D,1"},
    {"A4", "humidifier", "家電", "winter", 1200, "○", "D", true,
     "A4,humidifier,家電,winter,\"1,200\",○,D,1"},
    {"A5", "chair", "家具", "office 50%_off", -300, "×", "", false,
     "A5,chair,家具,office 50%_off,-300,×,,0"},
    {"A6", "DROP TABLE x; --", "' OR 1=1 --", "sql */ /*", 0, "○", "cd", true,
     "A6,DROP TABLE x; --,' OR 1=1 --,sql */ /*,0,○,cd,1"},
    {"A7", "null price", "家電", "", std::nullopt, "○", "C", false, "A7,null price,家電,,,○,C,0"},
    {"A8", "big", "家電", "]", INT64_MAX, "", "C", true, "A8,big,家電,],9223372036854775807,,C,1"},
};

std::string CatalogueText() {
  std::string text =
      "商品コード,商品名,カテゴリー名,タグ,最低販売価格,同梱可否,決済方法,送料無料\r\n";
  for (const Product& p : kProducts) text += std::string(p.line) + "\r\n";
  return text;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Code points of UTF-8 text (the catalogue is valid UTF-8).
std::vector<char32_t> CodePoints(std::string_view s) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
    for (int k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(cp);
    i += static_cast<size_t>(n);
  }
  return out;
}

// LIKE for an ASCII pattern over folded text: % any run, _ one character. matched[j] tells
// whether the pattern so far matches the value's first j characters.
bool Like(const std::vector<char32_t>& p, const std::vector<char32_t>& v) {
  std::vector<bool> matched(v.size() + 1, false);
  matched[0] = true;
  for (char32_t pc : p) {
    std::vector<bool> next(v.size() + 1, false);
    for (size_t j = 0; j <= v.size(); ++j) {
      if (pc == '%') {
        next[j] = matched[j] || (j > 0 && next[j - 1]);
      } else if (j > 0) {
        next[j] = matched[j - 1] && (pc == '_' || pc == v[j - 1]);
      }
    }
    matched.swap(next);
  }
  return matched[v.size()];
}

bool ContainsLike(std::string_view words, std::string_view value) {
  if (value.empty()) return false;  // Null
  return Like(CodePoints("%" + Lower(words) + "%"), CodePoints(Lower(value)));
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool HasNul(std::string_view s) { return s.find('\0') != std::string_view::npos; }

// The engine refuses LIKE patterns longer than this many bytes.
constexpr size_t kLikePatternLimit = 1000;

std::optional<std::int64_t> Bound(const std::string& text) {
  std::int64_t value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

FilterConditions ConditionsFrom(InputReader& input) {
  uint8_t which = input.Byte();
  uint8_t more = input.Byte();
  FilterConditions c;
  if (which & 1) c.ProductNameWords = input.Text();
  if (which & 2) {
    c.CategoryIndex = (more & 2) ? -1 : 1 + (more >> 4);
    c.CategoryText = input.Text();
  }
  if (which & 4) c.TagWords = input.Text();
  if (which & 8) c.PriceFrom = input.Text();
  if (which & 16) c.PriceTo = input.Text();
  if (which & 32) {
    c.BundlingIndex = (more & 4) ? -1 : 1;
    c.BundlingText = input.Text();
  }
  c.CreditCard = which & 64;
  c.CashOnDelivery = which & 128;
  c.FreeShippingOnly = more & 1;
  return c;
}

// A price box that is empty or shows 0 sets no bound.
bool NoBound(const std::string& text) { return text.empty() || text == "0" || text == "-0"; }

// The codes of the products the conditions select, in file order.
std::vector<std::string> Expected(const FilterConditions& c, std::int64_t from, std::int64_t to) {
  std::vector<std::string> codes;
  for (const Product& p : kProducts) {
    bool ok = true;
    if (!c.ProductNameWords.empty()) ok = ok && ContainsLike(c.ProductNameWords, p.name);
    if (c.CategoryIndex != 0) ok = ok && *p.category != '\0' && c.CategoryText == p.category;
    if (!c.TagWords.empty()) ok = ok && ContainsLike(c.TagWords, p.tags);
    if (!NoBound(c.PriceFrom) || !NoBound(c.PriceTo)) {
      ok = ok && p.price && *p.price >= from && *p.price <= to;
    }
    if (c.BundlingIndex != 0) ok = ok && *p.bundling != '\0' && c.BundlingText == p.bundling;
    if (c.CreditCard) ok = ok && ContainsLike("C", p.payment);
    if (c.CashOnDelivery) ok = ok && ContainsLike("D", p.payment);
    if (c.FreeShippingOnly) ok = ok && p.free_shipping;
    if (ok) codes.push_back(p.code);
  }
  return codes;
}

class Engine {
 public:
  Engine() {
    folder_.Write("articles.csv", CatalogueText());
    folder_.Write("datasource.dsn",
                  "[ODBC]\nDRIVER=Sorbel CSV\nDefaultDir=" + folder_.Dir() + "\n");
    connection_.ConnectionString = "FILEDSN=" + folder_.Dir() + "/datasource.dsn;";
    connection_.Open();
  }
  Connection& Get() { return connection_; }

 private:
  FuzzFolder folder_;
  Connection connection_;
};

}  // namespace
}  // namespace sorbel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorbel;
  using namespace sorbel::fuzz;
  static Engine engine;
  InputReader input(data, size);
  FilterConditions c = ConditionsFrom(input);

  std::string sql;
  try {
    sql = BuildSql(c);
  } catch (const Error& e) {
    // Only a price that is not a whole number stops the query text.
    FUZZ_CHECK(e.Number() == kErrTypeMismatch);
    FUZZ_CHECK((!NoBound(c.PriceFrom) && !Bound(c.PriceFrom)) ||
               (!NoBound(c.PriceTo) && !Bound(c.PriceTo)));
    return 0;
  }
  std::int64_t from = NoBound(c.PriceFrom) ? INT64_MIN : *Bound(c.PriceFrom);
  std::int64_t to = NoBound(c.PriceTo) ? INT64_MAX : *Bound(c.PriceTo);

  std::vector<std::string> codes;
  try {
    std::unique_ptr<ResultRecords> records = engine.Get().Execute(sql);
    FUZZ_CHECK(records->FieldCount() == 8);
    for (; !records->Eof(); records->MoveNext()) {
      codes.emplace_back(std::get<std::string_view>(records->Value(0)));
    }
    records->Close();
  } catch (const Error& e) {
    // A refused query would mean a condition's text escaped its literal. The engine may turn
    // down a NUL in a text or a search pattern too long; nothing else.
    FUZZ_CHECK(e.Number() == kErrQuery);
    FUZZ_CHECK(e.Description().rfind("クエリを実行できません。", 0) == 0);
    FUZZ_CHECK(HasNul(c.ProductNameWords) || HasNul(c.TagWords) ||
               (c.CategoryIndex != 0 && HasNul(c.CategoryText)) ||
               (c.BundlingIndex != 0 && HasNul(c.BundlingText)) ||
               c.ProductNameWords.size() + 2 > kLikePatternLimit ||
               c.TagWords.size() + 2 > kLikePatternLimit);
    return 0;
  }
  // The reference folds ASCII letters only, so it judges LIKE words that are all ASCII.
  if (IsAscii(c.ProductNameWords) && IsAscii(c.TagWords) && !HasNul(c.ProductNameWords) &&
      !HasNul(c.TagWords) && !HasNul(c.CategoryText) && !HasNul(c.BundlingText)) {
    FUZZ_CHECK(codes == Expected(c, from, to));
  }
  return 0;
}
