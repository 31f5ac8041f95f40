// UnpackSkin on arbitrary bytes, and PackSkin followed by UnpackSkin on the
// input as a style sheet.
#include <string>

#include "brand/skin.h"
#include "fuzz_support.h"

using wordlark::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = wordlark::fuzz::AsText(data, size);

  // A small cap keeps a run short; a stream that unpacks to more is refused.
  constexpr std::size_t kCap = 1 << 20;
  const std::optional<std::string> sheet = wordlark::UnpackSkin(input, kCap);
  if (sheet) {
    Require(sheet->size() <= kCap);
    // A whole stream unpacks the same again after packing its result.
    Require(wordlark::UnpackSkin(wordlark::PackSkin(*sheet), kCap) == sheet);
  }

  Require(wordlark::UnpackSkin(wordlark::PackSkin(input)) == input);
  if (!input.empty()) {
    // A cut stream is never taken for a whole one.
    const std::string packed = wordlark::PackSkin(input);
    Require(!wordlark::UnpackSkin(std::string_view(packed).substr(0, packed.size() - 1)));
  }
  return 0;
}
