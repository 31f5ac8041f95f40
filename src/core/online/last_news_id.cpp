// Reading and rewriting the LastNewsId entry of the settings file.
#include "online/last_news_id.h"

#include <optional>
#include <system_error>

#include "brand/brand_settings.h"
#include "util/cipher/aes_lib.h"
#include "util/codepage.h"
#include "util/file_io.h"
#include "util/tagged_text.h"
#include "util/text.h"

namespace wordlark {
namespace {

constexpr std::string_view kEntryName = "LastNewsId";

bool SettingsFileExists(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::exists(file, ec);
}

}  // namespace

std::string ReadLastNewsId(const std::filesystem::path& program_folder) {
  const std::filesystem::path file = program_folder / kSettingsFileName;
  if (!SettingsFileExists(file)) {
    return {};
  }
  std::string plain;
  if (DecipherBytes(ReadFileBytes(file, kMaxSettingsFileSize), plain) != CipherResult::Ok) {
    return {};
  }
  std::string text = TaggedTextFromBytes(plain);
  return ReadTaggedValue(text, kEntryName);
}

std::string SetLastNewsIdEntry(std::string_view plain, std::string_view id_bytes) {
  const std::string entry = FormatTaggedEntry(kEntryName, id_bytes);
  const std::string open_tag = AsciiUpper("<%%" + std::string(kEntryName) + "%%>");
  const std::string close_tag = AsciiUpper("<%%/" + std::string(kEntryName) + "%%>");
  // Tags match in any ASCII letter case, as the reader finds them.
  const std::string folded = AsciiUpper(plain);
  std::string out;
  const std::size_t open = folded.find(open_tag);
  if (open == std::string::npos) {
    out.assign(plain);
    if (!out.empty() && out.back() != '\r' && out.back() != '\n') {
      out += "\r\n";
    }
    out += entry;
    out += "\r\n";
    return out;
  }
  const std::size_t value_at = open + open_tag.size();
  std::size_t line_end = plain.find_first_of("\r\n", value_at);
  if (line_end == std::string_view::npos) {
    line_end = plain.size();
  }
  const std::size_t close = folded.find(close_tag, value_at);
  const std::size_t end = (close != std::string::npos && close + close_tag.size() <= line_end)
                              ? close + close_tag.size()
                              : line_end;
  out.reserve(plain.size() + entry.size());
  out.append(plain.substr(0, open));
  out.append(entry);
  out.append(plain.substr(end));
  return out;
}

StoreLastNewsIdResult StoreLastNewsId(const std::filesystem::path& program_folder,
                                      std::string_view news_id) {
  if (news_id.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos ||
      news_id.find("<%%") != std::string_view::npos) {
    return StoreLastNewsIdResult::BadId;
  }
  const std::filesystem::path file = program_folder / kSettingsFileName;
  if (!SettingsFileExists(file)) {
    return StoreLastNewsIdResult::NoSettingsFile;
  }
  std::string plain;
  if (DecipherBytes(ReadFileBytes(file, kMaxSettingsFileSize), plain) != CipherResult::Ok) {
    return StoreLastNewsIdResult::NotAuthentic;
  }
  // The id goes into the file in the file's own encoding.
  std::string id_bytes;
  if (plain.starts_with(kUtf8Bom)) {
    id_bytes = news_id;
  } else {
    std::optional<std::string> bytes = Utf8ToCp1252(news_id);
    if (!bytes) {
      return StoreLastNewsIdResult::BadId;
    }
    id_bytes = std::move(*bytes);
  }
  WriteFileAtomic(file, EncipherBytes(SetLastNewsIdEntry(plain, id_bytes)));
  return StoreLastNewsIdResult::Stored;
}

}  // namespace wordlark
