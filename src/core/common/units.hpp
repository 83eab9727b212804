#pragma once
// The worksheet's fixed numbers, each named once.

namespace tq {

inline constexpr double kPercentPerMoneyFactor = 2400;  // an annual percent is the factor x 2400
inline constexpr double kIncludedMilesPerYear = 15000;  // what a lease includes; more are charged
inline constexpr double kMsdRounding = 50;              // an MSD is the payment rounded up to this
inline constexpr double kTwipsPerInch = 1440;           // window and printer positions

}  // namespace tq
