#include "worksheet/worksheet.hpp"

#include "prefs/preferences.hpp"

namespace tq {

Worksheet::Worksheet() {
  for (const auto& info : field_catalogue()) (*this)[info.field] = std::string(info.initial);
}

void clearform(Worksheet& ws, const Preferences& prefs) {
  using F = Field;
  ws[F::msrp] = "0";
  ws[F::sellingprice] = "0";
  ws[F::optionpackage] = "0";
  ws[F::addons] = "0";
  ws[F::rate] = prefs.drate;
  ws[F::residual] = "0";
  ws[F::term] = prefs.dterm;
  ws[F::rebates] = "0";
  ws[F::downpayment] = "0";
  ws[F::milesyear] = prefs.dmilesyear;
  ws[F::mileagecharge] = prefs.dmileagecharge;
  ws[F::docfee] = prefs.ddocfee;
  ws[F::acqfee] = prefs.dacqfee;
  ws[F::taxrate] = prefs.dtaxrate;
  ws[F::platecharge] = prefs.dplatecharge;
  ws[F::totalcod] = "0";
  ws[F::tradeallowance] = "0";
  ws[F::tradepayoff] = "0";
  ws[F::basepayment] = "0";
  ws[F::taxes] = "0";
  ws[F::monthlypayment] = "0";
  ws[F::txtstartups] = "0";
  ws[F::totaldue] = "0";
  ws[F::deficency] = "0";
  ws[F::desiredpayment] = "0";
  ws.rolloption = 0;
  ws[F::buyrate] = "0";
  ws[F::totalreserve] = "0.00";
  ws[F::ctotalcapcost] = "0";
  ws[F::ctotaldown] = "0";
  ws[F::csinglepay] = "0";
  ws[F::cresidual] = "0";
  ws[F::ctradeequity] = "0";
  ws[F::financerebate] = "0";
  ws[F::financeterm] = prefs.dfinterm;
  ws[F::financerate] = prefs.dfinrate;
  // The finance results are left as they are: they keep the last comparison.
}

}  // namespace tq
