// DecipherBytes on arbitrary bytes under the settings pass phrase. Every call
// derives keys with 1000 rounds of PBKDF2, so this target is slow by nature.
#include <string>

#include "fuzz_support.h"
#include "util/cipher/aes_lib.h"

using wordlark::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = wordlark::fuzz::AsText(data, size);
  std::string plain = "left over";
  const wordlark::CipherResult result = wordlark::DecipherBytes(input, plain);
  if (result == wordlark::CipherResult::Ok) {
    // Salt (8 bytes for this pass phrase), verifier and code around the data.
    Require(plain.size() + 8 + wordlark::kVerifierLength + wordlark::kAuthCodeLength ==
            input.size());
  } else {
    Require(plain.empty());
  }
  return 0;
}
