#pragma once
// The calendar date the desk works on.

#include <string>

namespace tq {

// Today's date in the process's time zone, "YYYY-MM-DD": the window and the CLI agree on it.
std::string local_today();

}  // namespace tq
