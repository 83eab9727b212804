#pragma once
// Requests as the CLI reads them, on a deal whose every money field is "0" but those given.

#include "deal_helpers.hpp"
#include "exchange/request.hpp"

namespace tq::testing {

// Every money field "0" but those given, with a 60-month finance comparison at 6 %.
inline tq::Json zero_deal(const tq::Json& fields) {
  tq::Json all = Json::object();
  for (const char* f : {"msrp", "sellingprice", "optionpackage", "addons", "docfee", "acqfee",
                        "rebates", "downpayment", "platecharge", "tradeallowance", "tradepayoff",
                        "financerebate", "taxrate", "mileagecharge", "buyrate"}) {
    all[f] = "0";
  }
  all.update({{"rate", "0"},
              {"residual", "0.5"},
              {"term", "36"},
              {"milesyear", "12000"},
              {"financeterm", "60"},
              {"financerate", "6"}});
  if (fields.is_object()) all.update(fields);
  return all;
}

inline tq::Json ask(const tq::Json& request) {
  return tq::answer_request(request.dump(), TestDeal().prefs);
}

}  // namespace tq::testing
