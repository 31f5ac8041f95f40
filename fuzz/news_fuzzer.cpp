// The three news reply parsers on arbitrary reply bytes, directly and through
// the requests over a client that answers with the input.
#include <string>

#include "fuzz_support.h"
#include "online/http_client.h"
#include "online/news.h"
#include "util/codepage.h"

using wordlark::fuzz::Require;

namespace {

class ReplyingClient : public wordlark::HttpClient {
 public:
  explicit ReplyingClient(std::string_view reply) : reply_(reply) {}
  std::string PostForm(const std::string&, const std::vector<wordlark::FormField>&,
                       std::size_t max_reply_bytes) override {
    if (reply_.size() > max_reply_bytes) {
      throw wordlark::ReplyTooLarge(max_reply_bytes);
    }
    return std::string(reply_);
  }
  void Get(const std::string&, const wordlark::BodyWriter& write) override { write(reply_); }
  void Disconnect() override {}

 private:
  std::string_view reply_;
};

// Results are UTF-8 decoded from windows-1252 bytes, so they encode back.
void CheckWireText(const std::string& text) {
  Require(wordlark::Utf8ToCp1252(text).has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply = wordlark::fuzz::AsText(data, size);
  const std::string_view trimmed = wordlark::TrimNewsReply(reply);
  Require(reply.find(trimmed) != std::string_view::npos);

  const wordlark::NewsList list = wordlark::ParseNewsListReply(trimmed);
  for (const wordlark::NewsItem& item : list) {
    for (const std::string* field : {&item.NewsId, &item.Title, &item.Published}) {
      CheckWireText(*field);
      Require(field->find('^') == std::string::npos);
    }
  }

  const wordlark::LatestNews latest = wordlark::ParseLatestNewsReply(trimmed);
  CheckWireText(latest.NewsId);
  CheckWireText(latest.Title);
  Require(latest.NewsId.find('^') == std::string::npos);
  (void)wordlark::ShouldShowNewsBalloon(latest.NewsId, latest.Title);

  const std::optional<std::string> details = wordlark::ParseNewsDetailsReply(trimmed);
  if (details) {
    CheckWireText(*details);
  }

  // The same reply through the requests.
  ReplyingClient client(reply);
  const wordlark::NewsLevel level{"BM", "publisher", "http://news.invalid"};
  const wordlark::NewsListResult list_result = wordlark::FetchNewsList(client, level, "brand");
  Require(list_result.ok == wordlark::IsNewsSuccess(trimmed));
  if (list_result.ok) {
    Require(list_result.items == list);
  }
  const wordlark::LatestNewsResult latest_result =
      wordlark::FetchLatestNews(client, level, "brand", false);
  if (latest_result.ok) {
    Require(latest_result.news.NewsId == latest.NewsId && latest_result.news.Title == latest.Title);
  }
  const wordlark::NewsDetailsResult details_result =
      wordlark::FetchNewsDetails(client, level, "brand", "12");
  if (details_result.ok) {
    Require(details && details_result.html == *details);
  }
  return 0;
}
