// The news service client: levels, requests and their form fields, reply
// parsers and messages, the balloon rule, the stored LastNewsId and the
// download into a file.
#include "online/news.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fake_http_client.h"
#include "online/last_news_id.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::FakeHttpClient;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

NewsLevel Level(std::string base = "http://news.example/p") {
  return NewsLevel{"BP", "pub-p", std::move(base)};
}

std::set<std::string> FolderNames(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::string PlainOf(const fs::path& dat) {
  std::string plain;
  EXPECT_EQ(DecipherBytes(ReadBytes(dat), plain), CipherResult::Ok);
  return plain;
}

TEST(ActiveNewsLevel, NeedsAnExactLevelWithAPublisherId) {
  BrandSettings s;
  s.MasterPublID = "pm";
  s.MasterNewsBaseURL = "http://m/";
  s.PlatinumPublID = "pp";
  s.PlatinumNewsBaseURL = "http://p/";
  s.GoldPublID = "";
  s.GoldNewsBaseURL = "http://g/";
  struct Case {
    std::string type;
    std::optional<std::string> code;
    std::string base;
  };
  const Case cases[] = {{"Master", "BM", "http://m/"}, {"Platinum", "BP", "http://p/"},
                        {"Gold", std::nullopt, ""},    {"Free", std::nullopt, ""},
                        {"master", std::nullopt, ""},  {"", std::nullopt, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    s.BranderType = c.type;
    const std::optional<NewsLevel> level = ActiveNewsLevel(s);
    ASSERT_EQ(level.has_value(), c.code.has_value());
    if (level) {
      EXPECT_EQ(level->LevelCode, *c.code);
      EXPECT_EQ(level->NewsBaseURL, c.base);
    }
  }
  s.BranderType = "Master";
  EXPECT_EQ(ActiveNewsLevel(s)->PublID, "pm");
  // The base URL is not looked at when the level is chosen.
  s.MasterNewsBaseURL.clear();
  ASSERT_TRUE(ActiveNewsLevel(s).has_value());
  EXPECT_EQ(ActiveNewsLevel(s)->NewsBaseURL, "");
}

TEST(NewsScriptURL, JoinsWithExactlyOneSlash) {
  EXPECT_EQ(NewsScriptURL("http://n.example/news", kNewsListScript),
            "http://n.example/news/getlastnews.php");
  EXPECT_EQ(NewsScriptURL("http://n.example/news/", kNewsListScript),
            "http://n.example/news/getlastnews.php");
  EXPECT_EQ(NewsScriptURL("http://n.example/news", kNewsDetailsScript),
            "http://n.example/news/getnewsdetails.php");
  EXPECT_EQ(NewsScriptURL("", kNewsListScript), "/getlastnews.php");
}

TEST(NewsRequests, SendTheSixFieldsInOrder) {
  FakeHttpClient client;
  client.ReplyWith("OK");
  client.ReplyWith("OK");
  client.ReplyWith("\xAFOK");
  FetchNewsList(client, Level(), "RS-1");
  FetchLatestNews(client, Level("http://news.example/p/"), "RS-1", true);
  // Field values leave as windows-1252 bytes.
  FetchNewsDetails(client, Level(), "Caf\u00e9", "42");
  ASSERT_EQ(client.posts.size(), 3u);

  const auto fields = [](std::string code, std::string fourth_name, std::string fourth) {
    return std::vector<FormField>{{"memusername", "pub-p"}, {"prodcode", code},
                                  {"prodtype", "BP"},       {fourth_name, fourth},
                                  {"newstarget", "UA"},     {"something", ""}};
  };
  EXPECT_EQ(client.posts[0].url, "http://news.example/p/getlastnews.php");
  EXPECT_EQ(client.posts[0].fields, fields("RS-1", "conttype", "all"));
  EXPECT_EQ(client.posts[1].url, "http://news.example/p/getlastnews.php");
  EXPECT_EQ(client.posts[1].fields, fields("RS-1", "conttype", "lastcode"));
  EXPECT_EQ(client.posts[2].url, "http://news.example/p/getnewsdetails.php");
  EXPECT_EQ(client.posts[2].fields, fields("Caf\xE9", "newsid", "42"));
  // Lists and the latest news are short; a news text may be longer.
  EXPECT_EQ(client.posts[0].max_reply_bytes, kMaxNewsListBytes);
  EXPECT_EQ(client.posts[1].max_reply_bytes, kMaxNewsListBytes);
  EXPECT_EQ(client.posts[2].max_reply_bytes, kMaxNewsDetailsBytes);
  EXPECT_EQ(client.disconnects, 0);
}

TEST(FetchNewsList, RepliesAndTheirMessages) {
  struct Case {
    std::string reply;
    bool ok;
    NewsList items;
    std::string_view message;
  };
  const Case cases[] = {
      {" \r\nOK\r\n ", true, {}, ""},
      {"1^A^Mon\xAF\xAF"
       "2^B^Tue\xAFOK",
       true,
       {{"1", "A", "Mon"}, {"2", "B", "Tue"}},
       ""},
      // Short entries give empty cells; a piece of "OK" is no entry.
      {"7^Only title\xAF"
       "8\xAFOK\xAF",
       true,
       {{"7", "Only title", ""}, {"8", "", ""}},
       ""},
      {"3^Caf\xE9^\xAFOK", true, {{"3", "Caf\u00e9", ""}}, ""},
      {"BOOK", true, {{"BOOK", "", ""}}, ""},  // "OK" anywhere is a success
      {"", false, {}, kNewsSiteTroubleMessage},
      {"CONNECTIONFAIL", false, {}, kNewsSettingsTroubleMessage},
      {"INVALIDUSER\r\n", false, {}, kNewsPublisherTroubleMessage},
      {"INVALIDPRODUCT", false, {}, kNewsProductTroubleMessage},
      {"invaliduser", false, {}, ""},
      {"INVALIDNEWS", false, {}, ""},  // only the details request has this message
      // A reply beyond the bound is a broken one, however good its end looks.
      {std::string(kMaxNewsListBytes - 3, '1') + "\xAFOK",
       true,
       {{std::string(kMaxNewsListBytes - 3, '1'), "", ""}},
       ""},
      {std::string(kMaxNewsListBytes - 2, '1') + "\xAFOK", false, {}, kNewsSiteTroubleMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply.substr(0, 40));
    FakeHttpClient client;
    client.ReplyWith(c.reply);
    const NewsListResult result = FetchNewsList(client, Level(), "RS-1");
    EXPECT_EQ(result.ok, c.ok);
    EXPECT_EQ(result.items, c.items);
    EXPECT_EQ(result.message, c.message);
  }
}

TEST(FetchNewsList, FailedRequestsReadAsTheEmptyReply) {
  for (const HttpErrorKind kind : {HttpErrorKind::ConnectionRefused, HttpErrorKind::HostNotFound,
                                   HttpErrorKind::HttpStatus, HttpErrorKind::Other}) {
    FakeHttpClient client;
    client.FailWith(kind, kind == HttpErrorKind::HttpStatus ? 500 : 0);
    const NewsListResult result = FetchNewsList(client, Level(), "RS-1");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, kNewsSiteTroubleMessage);
  }
  // No base URL: nothing is sent, and the request fails the same way.
  FakeHttpClient client;
  const NewsListResult result = FetchNewsList(client, Level(""), "RS-1");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, kNewsSiteTroubleMessage);
  EXPECT_TRUE(client.posts.empty());
  // A field that windows-1252 cannot carry is not sent either.
  const NewsListResult unsendable = FetchNewsList(client, Level(), "\u4e2d");
  EXPECT_EQ(unsendable.message, kNewsSiteTroubleMessage);
  EXPECT_TRUE(client.posts.empty());
}

TEST(FetchLatestNews, RepliesQuietAndAloud) {
  struct Case {
    std::string reply;
    bool ok;
    std::string id, title;
    std::string_view message;  // when not quiet
  };
  const Case cases[] = {
      {"12^Hello\xAFOK", true, "12", "Hello", ""},
      {"12^Hello^extra\xAFOK", true, "12", "Hello", ""},
      {"  OK\r\n", true, "", "", ""},
      {"\xAFOK", true, "", "", ""},
      {"15\xAFOK", true, "15", "", ""},
      {"9^Caf\xE9\xAFOK", true, "9", "Caf\u00e9", ""},
      {"", false, "", "", kNewsSiteTroubleMessage},
      {"INVALIDUSER", false, "", "", kNewsPublisherTroubleMessage},
      {"Maintenance", false, "", "", ""},
  };
  for (const Case& c : cases) {
    for (const bool quiet : {true, false}) {
      SCOPED_TRACE(c.reply + (quiet ? " quiet" : " aloud"));
      FakeHttpClient client;
      client.ReplyWith(c.reply);
      const LatestNewsResult result = FetchLatestNews(client, Level(), "RS-1", quiet);
      EXPECT_EQ(result.ok, c.ok);
      EXPECT_EQ(result.news.NewsId, c.id);
      EXPECT_EQ(result.news.Title, c.title);
      EXPECT_EQ(result.message, quiet ? "" : c.message);
    }
  }
}

TEST(FetchNewsDetails, DecodesEscapesOnTheWireBytes) {
  struct Case {
    std::string reply;
    bool ok;
    std::string html;
    std::string_view message;
  };
  const Case cases[] = {
      {"$3Cb$3EHi$3C/b$3E\xAFOK", true, "<b>Hi</b>", ""},
      {"$E9t$E9 $24 \xE9\xAFOK", true, "\u00e9t\u00e9 $ \u00e9", ""},
      {"\xAFOK", true, "", ""},
      // A spoilt text: an empty page and the warning, but read all the same.
      {"$3Cp$4G\xAFOK", true, "", kNewsItemTroubleMessage},
      {"INVALIDNEWS", false, "", kNewsItemTroubleMessage},
      {"INVALIDUSER", false, "", kNewsPublisherTroubleMessage},
      {"", false, "", kNewsSiteTroubleMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    FakeHttpClient client;
    client.ReplyWith(c.reply);
    const NewsDetailsResult result = FetchNewsDetails(client, Level(), "RS-1", "5");
    EXPECT_EQ(result.ok, c.ok);
    EXPECT_EQ(result.html, c.html);
    EXPECT_EQ(result.message, c.message);
  }
}

TEST(NewsBalloon, ShowsWhenTheLatestIdIsGreater) {
  struct Case {
    std::string stored, latest;
    bool show;
  };
  const Case cases[] = {
      {"7", "8", true},   {"8", "8", false},   {"", "1", true},           {"9", "8", false},
      {"abc", "1", true}, {"1", "abc", false}, {"", "2147483648", false},  // not a 32-bit number: 0
      {"-3", "0", true},  {"", "+5", true},    {"4", " 5", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored + " / " + c.latest);
    EXPECT_EQ(ShouldShowNewsBalloon(c.stored, c.latest), c.show);
  }
  EXPECT_EQ(NewsBalloonText("Big sale"), "You've Got A Message!\r\nBig sale");
}

TEST(StartupNewsBalloon, ComparesWithTheStoredId) {
  TempDir dir;
  BrandSettings s;
  s.BranderType = "Gold";
  s.BranderCode = "RS-9";
  s.GoldPublID = "pg";
  s.GoldNewsBaseURL = "http://news.example/g";
  WriteBytes(dir / "dbsettings.dat", EncipherBytes("<%%LastNewsId%%>7<%%/LastNewsId%%>\r\n"));
  {
    FakeHttpClient client;
    client.ReplyWith("8^Spring offer\xAFOK");
    EXPECT_EQ(StartupNewsBalloon(client, s, dir.path()), "You've Got A Message!\r\nSpring offer");
    ASSERT_EQ(client.posts.size(), 1u);
    EXPECT_EQ(client.posts[0].fields[3], (FormField{"conttype", "lastcode"}));
  }
  {
    FakeHttpClient client;
    client.ReplyWith("7^Old\xAFOK");
    EXPECT_EQ(StartupNewsBalloon(client, s, dir.path()), std::nullopt);
  }
  {
    FakeHttpClient client;
    client.ReplyWith("INVALIDUSER");
    EXPECT_EQ(StartupNewsBalloon(client, s, dir.path()), std::nullopt);
  }
  {
    FakeHttpClient client;
    s.BranderType = "Free";
    EXPECT_EQ(StartupNewsBalloon(client, s, dir.path()), std::nullopt);
    EXPECT_TRUE(client.posts.empty());
  }
}

TEST(LastNewsId, WithoutASettingsFileNothingIsReadOrCreated) {
  TempDir dir;
  EXPECT_EQ(ReadLastNewsId(dir.path()), "");
  EXPECT_EQ(StoreLastNewsId(dir.path(), "5"), StoreLastNewsIdResult::NoSettingsFile);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(StoreLastNewsId, ReplacesOrAppendsAndKeepsEveryOtherByte) {
  struct Case {
    std::string name, before, after;
  };
  const Case cases[] = {
      {"append after a final line break", "<%%AboutText%%>x<%%/AboutText%%>\r\n",
       "<%%AboutText%%>x<%%/AboutText%%>\r\n<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n"},
      {"append after an open last line", "<%%AboutText%%>x\ny<%%/AboutText%%>",
       "<%%AboutText%%>x\ny<%%/AboutText%%>\r\n<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n"},
      {"append to an empty text", "", "<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n"},
      {"replace the entry only", "A\rCaf\xE9\n<%%LastNewsId%%>3<%%/LastNewsId%%>\r\nTail\xA9",
       "A\rCaf\xE9\n<%%LastNewsId%%>12<%%/LastNewsId%%>\r\nTail\xA9"},
      {"text around the entry on its line stays",
       "x <%%LastNewsId%%>3<%%/LastNewsId%%> y\r\n<%%LastNewsId%%>4<%%/LastNewsId%%>\r\n",
       "x <%%LastNewsId%%>12<%%/LastNewsId%%> y\r\n<%%LastNewsId%%>4<%%/LastNewsId%%>\r\n"},
      {"tag in another letter case", "<%%lastnewsid%%>3<%%/LASTNEWSID%%>\r\n",
       "<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n"},
      {"no closing tag on the line", "<%%LastNewsId%%>3\r\n<%%/LastNewsId%%>\r\n",
       "<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n<%%/LastNewsId%%>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path dat = dir / "dbsettings.dat";
    WriteBytes(dat, EncipherBytes(c.before));
    struct stat old_stat {};
    ASSERT_EQ(stat(dat.c_str(), &old_stat), 0);

    EXPECT_EQ(StoreLastNewsId(dir.path(), "12"), StoreLastNewsIdResult::Stored);
    EXPECT_EQ(PlainOf(dat), c.after);
    EXPECT_EQ(ReadLastNewsId(dir.path()), "12");
    // Replaced by a rename, with no plain or temporary file left behind.
    struct stat new_stat {};
    ASSERT_EQ(stat(dat.c_str(), &new_stat), 0);
    EXPECT_NE(new_stat.st_ino, old_stat.st_ino);
    EXPECT_EQ(FolderNames(dir.path()), (std::set<std::string>{"dbsettings.dat"}));
  }
}

TEST(StoreLastNewsId, RefusesFilesThatDoNotAuthenticateAndUnstorableIds) {
  const std::string plain = "<%%ApplicationName%%>Lark<%%/ApplicationName%%>\r\n";
  std::string damaged = EncipherBytes(plain);
  damaged[12] = static_cast<char>(damaged[12] ^ 0x20);
  struct Case {
    std::string name, file, id;
    StoreLastNewsIdResult result;
  };
  const Case cases[] = {
      {"damaged body", damaged, "5", StoreLastNewsIdResult::NotAuthentic},
      {"wrong pass phrase", EncipherBytes(plain, "elsewhere"), "5",
       StoreLastNewsIdResult::NotAuthentic},
      {"line break in the id", EncipherBytes(plain), "5\r\n<%%X%%>", StoreLastNewsIdResult::BadId},
      {"tag in the id", EncipherBytes(plain), "5<%%/LastNewsId%%>", StoreLastNewsIdResult::BadId},
      {"no windows-1252 form", EncipherBytes(plain), "\u4e2d", StoreLastNewsIdResult::BadId},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "dbsettings.dat", c.file);
    EXPECT_EQ(StoreLastNewsId(dir.path(), c.id), c.result);
    EXPECT_EQ(ReadBytes(dir / "dbsettings.dat"), c.file);
    EXPECT_EQ(ReadLastNewsId(dir.path()), "");
    EXPECT_EQ(FolderNames(dir.path()), (std::set<std::string>{"dbsettings.dat"}));
  }
}

TEST(DownloadToFile, WritesTheWholeBodyOrNoFile) {
  TempDir dir;
  const fs::path target = dir / "mainappupdate.inf";
  {
    FakeHttpClient client;
    WriteBytes(target, "old content that is longer");
    client.ServeBody({"[APPLICATION]\r\n", "Version=2.1\r\n"});
    EXPECT_TRUE(DownloadToFile(client, "http://u.example/a.inf", target, 100));
    EXPECT_EQ(ReadBytes(target), "[APPLICATION]\r\nVersion=2.1\r\n");
    EXPECT_EQ(client.get_urls, (std::vector<std::string>{"http://u.example/a.inf"}));
    EXPECT_EQ(client.disconnects, 1);
  }
  for (const HttpErrorKind kind : {HttpErrorKind::HttpStatus, HttpErrorKind::Other}) {
    // A failure halfway leaves neither the part nor the old file.
    FakeHttpClient client;
    client.ServeBody({"partial"}, HttpError(kind, "failed", 404));
    EXPECT_FALSE(DownloadToFile(client, "http://u.example/a.inf", target, 100));
    EXPECT_EQ(client.disconnects, 1);
    EXPECT_TRUE(fs::is_empty(dir.path()));
    WriteBytes(target, "old");
  }
  {
    // A body beyond the bound: nothing after the bound is read, no file left.
    FakeHttpClient client;
    client.ServeBody({std::string(60, 'a'), std::string(40, 'b'), std::string(1, 'c')});
    EXPECT_FALSE(DownloadToFile(client, "http://u.example/a.inf", target, 100));
    EXPECT_TRUE(fs::is_empty(dir.path()));
    client.ServeBody({std::string(60, 'a'), std::string(40, 'b')});
    EXPECT_TRUE(DownloadToFile(client, "http://u.example/a.inf", target, 100));
    EXPECT_EQ(fs::file_size(target), 100u);
  }
  FakeHttpClient client;
  EXPECT_THROW(DownloadToFile(client, "http://u.example/a.inf", dir / "missing" / "a.inf", 100),
               FileError);
}

}  // namespace
}  // namespace wordlark
