#pragma once
// An enumeration's names as files and answers give them, looked up both ways in one table.

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace tq {

template <class E, std::size_t N>
std::string_view name_in(const std::array<std::pair<E, std::string_view>, N>& table, E e) {
  for (const auto& [value, name] : table) {
    if (value == e) return name;
  }
  return {};
}

template <class E, std::size_t N>
std::optional<E> value_in(const std::array<std::pair<E, std::string_view>, N>& table,
                          std::string_view name) {
  for (const auto& [value, n] : table) {
    if (n == name) return value;
  }
  return std::nullopt;
}

}  // namespace tq
