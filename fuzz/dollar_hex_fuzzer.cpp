// DecodeDollarHex on arbitrary text, and on the escapes of arbitrary bytes.
#include <string>

#include "fuzz_support.h"
#include "util/text.h"

using wordlark::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = wordlark::fuzz::AsText(data, size);

  // Every escape takes at least two bytes for the one it gives.
  const std::string decoded = wordlark::DecodeDollarHex(input);
  Require(decoded.size() <= input.size());
  if (input.find('$') == std::string_view::npos) {
    Require(decoded == input);
  }

  // Escaping every byte as "$" and two digits decodes back to the bytes.
  static constexpr char kHex[] = "0123456789abcdef";
  std::string escaped;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const auto b = static_cast<unsigned char>(input[i]);
    escaped += '$';
    escaped += kHex[b >> 4];
    escaped += kHex[b & 0x0F];
  }
  Require(wordlark::DecodeDollarHex(escaped) == input);
  return 0;
}
