// The news service client over the abstract HTTP client.
#include "online/news.h"

#include <charconv>
#include <exception>

#include "online/last_news_id.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/text.h"

namespace wordlark {
namespace {

constexpr std::string_view kClosingOk = "\xAFOK";

std::string_view ScriptOf(NewsRequestKind kind) {
  return kind == NewsRequestKind::Details ? kNewsDetailsScript : kNewsListScript;
}

// Sends a request and returns the trimmed reply bytes; any failure on the way
// reads as the empty reply.
std::string PostNewsRequest(HttpClient& client, NewsRequestKind kind, const NewsLevel& level,
                            std::string_view brander_code, std::string_view news_id = {}) {
  if (level.NewsBaseURL.empty()) {
    return {};
  }
  std::vector<FormField> fields =
      NewsFormFields(kind, level.PublID, brander_code, level.LevelCode, news_id);
  for (FormField& field : fields) {
    std::optional<std::string> bytes = Utf8ToCp1252(field.value);
    if (!bytes) {
      return {};
    }
    field.value = std::move(*bytes);
  }
  try {
    const std::string reply = client.PostForm(
        NewsScriptURL(level.NewsBaseURL, ScriptOf(kind)), fields,
        kind == NewsRequestKind::Details ? kMaxNewsDetailsBytes : kMaxNewsListBytes);
    return std::string(TrimNewsReply(reply));
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

std::optional<NewsLevel> ActiveNewsLevel(const BrandSettings& s) {
  NewsLevel level;
  switch (s.Level()) {
    case BrandLevel::Master:
      level = {"BM", s.MasterPublID, s.MasterNewsBaseURL};
      break;
    case BrandLevel::Platinum:
      level = {"BP", s.PlatinumPublID, s.PlatinumNewsBaseURL};
      break;
    case BrandLevel::Gold:
      level = {"BG", s.GoldPublID, s.GoldNewsBaseURL};
      break;
    case BrandLevel::Free:
    case BrandLevel::None:
      return std::nullopt;
  }
  if (level.PublID.empty()) {
    return std::nullopt;
  }
  return level;
}

std::string NewsScriptURL(std::string_view base_url, std::string_view script) {
  std::string url(base_url);
  if (url.empty() || url.back() != '/') {
    url += '/';
  }
  url += script;
  return url;
}

std::vector<FormField> NewsFormFields(NewsRequestKind kind, std::string_view publisher_id,
                                      std::string_view brander_code, std::string_view level_code,
                                      std::string_view news_id) {
  std::vector<FormField> fields;
  fields.push_back({"memusername", std::string(publisher_id)});
  fields.push_back({"prodcode", std::string(brander_code)});
  fields.push_back({"prodtype", std::string(level_code)});
  switch (kind) {
    case NewsRequestKind::List:
      fields.push_back({"conttype", "all"});
      break;
    case NewsRequestKind::Latest:
      fields.push_back({"conttype", "lastcode"});
      break;
    case NewsRequestKind::Details:
      fields.push_back({"newsid", std::string(news_id)});
      break;
  }
  fields.push_back({"newstarget", "UA"});
  fields.push_back({"something", ""});
  return fields;
}

std::string_view TrimNewsReply(std::string_view reply) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!reply.empty() && blank(reply.front())) {
    reply.remove_prefix(1);
  }
  while (!reply.empty() && blank(reply.back())) {
    reply.remove_suffix(1);
  }
  return reply;
}

bool IsNewsSuccess(std::string_view trimmed_reply) {
  return trimmed_reply.find("OK") != std::string_view::npos;
}

std::string NewsFailureMessage(NewsRequestKind kind, std::string_view reply) {
  if (reply.empty()) {
    return std::string(kNewsSiteTroubleMessage);
  }
  if (reply == "CONNECTIONFAIL") {
    return std::string(kNewsSettingsTroubleMessage);
  }
  if (reply == "INVALIDUSER") {
    return std::string(kNewsPublisherTroubleMessage);
  }
  if (reply == "INVALIDPRODUCT") {
    return std::string(kNewsProductTroubleMessage);
  }
  if (reply == "INVALIDNEWS" && kind == NewsRequestKind::Details) {
    return std::string(kNewsItemTroubleMessage);
  }
  return {};
}

NewsItem ParseNewsItem(std::string_view joined) {
  const std::vector<std::string> parts = SplitAtChar('^', joined);
  NewsItem item;
  if (parts.size() > 0) {
    item.NewsId = parts[0];
  }
  if (parts.size() > 1) {
    item.Title = parts[1];
  }
  if (parts.size() > 2) {
    item.Published = parts[2];
  }
  return item;
}

NewsList ParseNewsListReply(std::string_view trimmed_reply) {
  NewsList list;
  for (const std::string& piece : SplitAtChar(kNewsSeparator, trimmed_reply)) {
    if (piece.empty() || piece == "OK") {
      continue;
    }
    list.push_back(ParseNewsItem(Cp1252ToUtf8(piece)));
  }
  return list;
}

LatestNews ParseLatestNewsReply(std::string_view trimmed_reply) {
  const std::string rest = ReplaceAll(trimmed_reply, kClosingOk, "");
  LatestNews news;
  if (rest.empty() || rest == "OK") {
    return news;
  }
  const std::vector<std::string> parts = SplitAtChar('^', rest);
  if (parts.size() > 0) {
    news.NewsId = Cp1252ToUtf8(parts[0]);
  }
  if (parts.size() > 1) {
    news.Title = Cp1252ToUtf8(parts[1]);
  }
  return news;
}

std::optional<std::string> ParseNewsDetailsReply(std::string_view trimmed_reply) {
  const std::string escaped = ReplaceAll(trimmed_reply, kClosingOk, "");
  const std::string bytes = DecodeDollarHex(escaped);
  if (bytes.empty() && !escaped.empty()) {
    return std::nullopt;
  }
  return Cp1252ToUtf8(bytes);
}

namespace {

// Sends a request; a reply that says success goes to `parse`, which fills in
// the result and says whether it is good, any other reply gives the request's
// failure message unless `quiet`.
template <typename Result, typename Parse>
Result FetchNews(HttpClient& client, NewsRequestKind kind, const NewsLevel& level,
                 std::string_view brander_code, std::string_view news_id, bool quiet, Parse parse) {
  const std::string reply = PostNewsRequest(client, kind, level, brander_code, news_id);
  Result result;
  if (!IsNewsSuccess(reply)) {
    if (!quiet) {
      result.message = NewsFailureMessage(kind, reply);
    }
    return result;
  }
  result.ok = parse(reply, result);
  return result;
}

}  // namespace

NewsListResult FetchNewsList(HttpClient& client, const NewsLevel& level,
                             std::string_view brander_code) {
  return FetchNews<NewsListResult>(client, NewsRequestKind::List, level, brander_code, {}, false,
                                   [](std::string_view reply, NewsListResult& result) {
                                     result.items = ParseNewsListReply(reply);
                                     return true;
                                   });
}

LatestNewsResult FetchLatestNews(HttpClient& client, const NewsLevel& level,
                                 std::string_view brander_code, bool quiet) {
  return FetchNews<LatestNewsResult>(client, NewsRequestKind::Latest, level, brander_code, {},
                                     quiet, [](std::string_view reply, LatestNewsResult& result) {
                                       result.news = ParseLatestNewsReply(reply);
                                       return true;
                                     });
}

NewsDetailsResult FetchNewsDetails(HttpClient& client, const NewsLevel& level,
                                   std::string_view brander_code, std::string_view news_id) {
  return FetchNews<NewsDetailsResult>(
      client, NewsRequestKind::Details, level, brander_code, news_id, false,
      [](std::string_view reply, NewsDetailsResult& result) {
        std::optional<std::string> html = ParseNewsDetailsReply(reply);
        if (!html) {
          // A text the escapes spoil shows as an empty page with a warning;
          // the news still counts as read, so it is not announced again.
          result.message = std::string(kNewsItemTroubleMessage);
          return true;
        }
        result.html = std::move(*html);
        return true;
      });
}

std::int32_t NewsIdNumber(std::string_view news_id) {
  std::string_view digits = news_id;
  if (digits.starts_with('+')) {
    digits.remove_prefix(1);
    if (digits.starts_with('-')) {
      return 0;
    }
  }
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
    return 0;
  }
  return value;
}

bool ShouldShowNewsBalloon(std::string_view stored_news_id, std::string_view latest_news_id) {
  return NewsIdNumber(latest_news_id) > NewsIdNumber(stored_news_id);
}

std::string NewsBalloonText(std::string_view title) {
  return std::string(kNewsBalloonHeading) + "\r\n" + std::string(title);
}

std::optional<std::string> StartupNewsBalloon(HttpClient& client, const BrandSettings& settings,
                                              const std::filesystem::path& program_folder) {
  const std::optional<NewsLevel> level = ActiveNewsLevel(settings);
  if (!level) {
    return std::nullopt;
  }
  const LatestNewsResult latest = FetchLatestNews(client, *level, settings.BranderCode, true);
  if (!latest.ok) {
    return std::nullopt;
  }
  std::string stored;
  try {
    stored = ReadLastNewsId(program_folder);
  } catch (const Error&) {
    stored.clear();
  }
  if (!ShouldShowNewsBalloon(stored, latest.news.NewsId)) {
    return std::nullopt;
  }
  return NewsBalloonText(latest.news.Title);
}

}  // namespace wordlark
