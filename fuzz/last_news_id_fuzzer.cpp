// Setting the LastNewsId entry in arbitrary plain settings text. The first
// line of the input is the id, the rest the plain text; the reader must find
// the id that was set.
#include <string>

#include "fuzz_support.h"
#include "online/last_news_id.h"
#include "util/codepage.h"
#include "util/tagged_text.h"

using wordlark::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [id, plain] = wordlark::fuzz::SplitOnce(wordlark::fuzz::AsText(data, size), "\n");
  // Ids the store accepts, in plain ASCII so that both file encodings hold
  // them as they are; the reader stops at a NUL, so such texts are left out.
  if (id.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos ||
      id.find("<%%") != std::string_view::npos || plain.find('\0') != std::string_view::npos) {
    return 0;
  }
  for (char c : id) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      return 0;
    }
  }

  const std::string updated = wordlark::SetLastNewsIdEntry(plain, id);
  std::string text = wordlark::TaggedTextFromBytes(updated);
  Require(wordlark::ReadTaggedValue(text, "LastNewsId") == id);
  // Setting it again changes nothing more.
  Require(wordlark::SetLastNewsIdEntry(updated, id) == updated);
  return 0;
}
