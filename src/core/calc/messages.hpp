#pragma once
// The messages the worksheet shows, and the abort that undoes a whole command.

#include <stdexcept>
#include <string>

namespace tq {

inline constexpr const char* kMsgBuyRate = "Buy Rate is not Lower than Rate";
inline constexpr const char* kMsgInvalidFinance = "Invalid Finance Numbers";
inline constexpr const char* kMsgInvalidLease = "Invalid Lease Numbers";
inline constexpr const char* kMsgPaymentUnreachable = "Desired Payment cannot be reached";
inline constexpr const char* kMsgCodUnreachable = "Total COD cannot be reached";
inline constexpr const char* kMsgFiguresNotCurrent =
    "The figures shown are not this deal's: calculate it first.";

// Thrown when a command cannot finish; the command's runner restores the worksheet to what it
// was before the command began and shows what().
struct CommandAbort : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace tq
