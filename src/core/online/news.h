#pragma once

// The news service client: which level's news data is used, the three requests
// (news list, latest news, news details) over the abstract HTTP client, the
// parsers of their replies and the messages of failed replies, and the rule of
// the start-up balloon. Replies are windows-1252 bytes on the wire; the results
// are UTF-8.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brand/brand_settings.h"
#include "online/http_client.h"

namespace wordlark {

inline constexpr std::string_view kNewsListScript = "getlastnews.php";
inline constexpr std::string_view kNewsDetailsScript = "getnewsdetails.php";

// The byte that separates list entries and stands before the closing "OK".
inline constexpr char kNewsSeparator = '\xAF';

// The longest replies read from the news service: a list or the latest news,
// and a news text. A longer reply fails like a broken one.
inline constexpr std::size_t kMaxNewsListBytes = 1024 * 1024;
inline constexpr std::size_t kMaxNewsDetailsBytes = 8 * 1024 * 1024;

// Messages of the news flow (warnings, but the last, which is information).
inline constexpr std::string_view kNewsSiteTroubleMessage =
    "There is a trouble accessing the news site. Contact your provider.";
inline constexpr std::string_view kNewsSettingsTroubleMessage =
    "There is a trouble in the settings file on the news site.";
inline constexpr std::string_view kNewsPublisherTroubleMessage =
    "There is a trouble with the Publisher Id. Contact your provider.";
inline constexpr std::string_view kNewsProductTroubleMessage =
    "There is a trouble with the product validation. Contact your provider.";
inline constexpr std::string_view kNewsItemTroubleMessage =
    "There is a trouble with this news. Contact your provider.";
inline constexpr std::string_view kNoNewsMessage = "There's no news for this application!";

// The first line of the start-up balloon.
inline constexpr std::string_view kNewsBalloonHeading = "You've Got A Message!";

// The news data of the reseller's level.
struct NewsLevel {
  std::string LevelCode;    // "BM", "BP" or "BG"
  std::string PublID;       // the publisher ID, never empty
  std::string NewsBaseURL;  // may be empty; a request to it then fails
};

// The level whose news data is used: "Master", "Platinum" or "Gold" in exact
// letter case, with a non-empty publisher ID. "Free" and any other BranderType
// have none, so no request is ever sent for them.
std::optional<NewsLevel> ActiveNewsLevel(const BrandSettings& settings);

// The base URL joined with a script name by exactly one "/" at the join: the
// name is appended with a leading "/" unless the base ends in one.
std::string NewsScriptURL(std::string_view base_url, std::string_view script);

enum class NewsRequestKind { List, Latest, Details };

// The six form fields of a request, in their order: memusername, prodcode,
// prodtype, conttype ("all" / "lastcode") or newsid, newstarget ("UA"),
// something (empty). Values as UTF-8 text.
std::vector<FormField> NewsFormFields(NewsRequestKind kind, std::string_view publisher_id,
                                      std::string_view brander_code, std::string_view level_code,
                                      std::string_view news_id = {});

// Removes leading and trailing bytes of code 32 or below.
std::string_view TrimNewsReply(std::string_view reply);

// A trimmed reply is a success when it holds "OK" anywhere (exact case).
bool IsNewsSuccess(std::string_view trimmed_reply);

// The message for a failed (trimmed) reply; empty when there is none to show.
// "INVALIDNEWS" has a message only for the details request.
std::string NewsFailureMessage(NewsRequestKind kind, std::string_view trimmed_reply);

// One news entry: news id, title and publication date, joined by "^" on the
// wire. Missing fields are empty.
struct NewsItem {
  std::string NewsId;
  std::string Title;
  std::string Published;

  bool operator==(const NewsItem&) const = default;
};

using NewsList = std::vector<NewsItem>;

// A joined entry (UTF-8) taken apart at "^"; fields past the third are ignored.
NewsItem ParseNewsItem(std::string_view joined);

// Parsers of successful (trimmed) replies, from wire bytes to UTF-8.
// List: the pieces between 0xAF bytes, but empty ones and "OK", in order.
NewsList ParseNewsListReply(std::string_view trimmed_reply);

struct LatestNews {
  std::string NewsId;  // both empty when the service has no news
  std::string Title;
};
// Latest: every 0xAF "OK" removed; a rest of "OK" or nothing means no news; a
// rest without "^" is the news id with an empty title.
LatestNews ParseLatestNewsReply(std::string_view trimmed_reply);

// Details: every 0xAF "OK" removed, then the dollar escapes decoded on the
// bytes. Nothing when a bad escape spoils a non-empty text.
std::optional<std::string> ParseNewsDetailsReply(std::string_view trimmed_reply);

// Results of the requests. `ok` is the success flag; `message` is the warning
// to show before anything else (empty when there is none, and always empty for
// a quiet request).
struct NewsListResult {
  bool ok = false;
  NewsList items;
  std::string message;
};

struct LatestNewsResult {
  bool ok = false;
  LatestNews news;
  std::string message;
};

// A details reply whose escapes are broken is a success with an empty text
// and the news trouble message beside it.
struct NewsDetailsResult {
  bool ok = false;
  std::string html;  // UTF-8
  std::string message;
};

// The requests. A request whose URL cannot be built, whose fields cannot be
// sent in windows-1252 or that fails in the client reads as the empty reply
// (the "news site" message); the client is not disconnected.
NewsListResult FetchNewsList(HttpClient& client, const NewsLevel& level,
                             std::string_view brander_code);
LatestNewsResult FetchLatestNews(HttpClient& client, const NewsLevel& level,
                                 std::string_view brander_code, bool quiet);
NewsDetailsResult FetchNewsDetails(HttpClient& client, const NewsLevel& level,
                                   std::string_view brander_code, std::string_view news_id);

// A news id read as a 32-bit signed decimal integer; 0 when it is not one.
std::int32_t NewsIdNumber(std::string_view news_id);

// The balloon shows when the latest id is greater than the stored one.
bool ShouldShowNewsBalloon(std::string_view stored_news_id, std::string_view latest_news_id);

// "You've Got A Message!", CR LF, the title.
std::string NewsBalloonText(std::string_view title);

// The start-up news check: a quiet latest-news request of the active level,
// compared with the LastNewsId stored in the program folder's settings file.
// Returns the balloon text, or nothing when there is no level, the request
// failed or the news was already read. A settings file that cannot be read
// counts as one without a stored id. Never shows a message.
std::optional<std::string> StartupNewsBalloon(HttpClient& client, const BrandSettings& settings,
                                              const std::filesystem::path& program_folder);

}  // namespace wordlark
