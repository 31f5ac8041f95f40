// Small helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

namespace wordlark::fuzz {

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Splits the input at the first `separator`: the part before it and the part
// after it. Without a separator the whole input is the first part.
inline std::pair<std::string_view, std::string_view> SplitOnce(std::string_view input,
                                                               std::string_view separator) {
  const std::size_t at = input.find(separator);
  if (at == std::string_view::npos) {
    return {input, {}};
  }
  return {input.substr(0, at), input.substr(at + separator.size())};
}

// Stops the run with a crash the fuzzer records, when a property does not hold.
inline void Require(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

}  // namespace wordlark::fuzz
