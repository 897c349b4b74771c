// Option parsing for sorbel-filter: "--name value" or "--name=value", flags without values.
// The conditions map onto the window's inputs one to one (a list given = its entry chosen).
#include "cli/command_line.h"

#include "platform/error.h"

namespace sorbel {

std::string UsageText() {
  return "Usage: sorbel-filter --csv PATH [conditions] [--show]\n"
         "Filters a product catalogue and writes the matches to a time-stamped CSV file\n"
         "in the program's folder (beside it, or ~/Documents/Sorbel when installed);\n"
         "prints that file's path.\n"
         "\n"
         "  --csv PATH           the product catalogue (CSV)\n"
         "  --name WORDS         product name contains WORDS (商品名)\n"
         "  --category TEXT      category is TEXT (カテゴリー名)\n"
         "  --tag WORDS          tags contain WORDS (タグ)\n"
         "  --price-from N       minimum selling price at least N (最低販売価格)\n"
         "  --price-to N         minimum selling price at most N\n"
         "  --bundling ○|×       shipping together allowed or not (同梱可否)\n"
         "  --credit-card        credit card payment offered (決済方法 C)\n"
         "  --cash-on-delivery   cash on delivery offered (決済方法 D)\n"
         "  --free-shipping      free shipping only (送料無料)\n"
         "  --show               open the result in the spreadsheet\n"
         "  --help, --version\n"
         "\n"
         "Exit status: 0 done, 1 the run reported a failure, 2 usage error.\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  bool have_csv = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool inline_value = false;
    if (size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      inline_value = true;
    }
    auto take_value = [&]() -> std::string {
      if (inline_value) return value;
      if (i + 1 >= args.size()) throw Error(kErrUsage, name + " needs a value");
      return args[++i];
    };
    auto no_value = [&]() {
      if (inline_value) throw Error(kErrUsage, name + " takes no value");
    };
    FilterConditions& c = cl.conditions;
    if (name == "--csv") {
      cl.csv_path = take_value();
      have_csv = true;
    } else if (name == "--name") {
      c.ProductNameWords = take_value();
    } else if (name == "--category") {
      c.CategoryText = take_value();
      c.CategoryIndex = 1;
    } else if (name == "--tag") {
      c.TagWords = take_value();
    } else if (name == "--price-from") {
      c.PriceFrom = take_value();
    } else if (name == "--price-to") {
      c.PriceTo = take_value();
    } else if (name == "--bundling") {
      c.BundlingText = take_value();
      if (c.BundlingText != "○" && c.BundlingText != "×") {
        throw Error(kErrUsage, "--bundling takes ○ or ×");
      }
      c.BundlingIndex = c.BundlingText == "○" ? 1 : 2;
    } else if (name == "--credit-card") {
      no_value();
      c.CreditCard = true;
    } else if (name == "--cash-on-delivery") {
      no_value();
      c.CashOnDelivery = true;
    } else if (name == "--free-shipping") {
      no_value();
      c.FreeShippingOnly = true;
    } else if (name == "--show") {
      no_value();
      cl.show = true;
    } else if (name == "--help" || name == "-h") {
      cl.help = true;
    } else if (name == "--version") {
      cl.version = true;
    } else {
      throw Error(kErrUsage, "unknown option: " + name);
    }
  }
  if (!have_csv && !cl.help && !cl.version) throw Error(kErrUsage, "--csv PATH is required");
  return cl;
}

}  // namespace sorbel
