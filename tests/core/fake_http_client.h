#pragma once

// An in-memory HttpClient for the online services' tests: it records every
// request and answers with scripted replies or failures.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "online/http_client.h"

namespace wordlark::test {

class FakeHttpClient : public HttpClient {
 public:
  struct Post {
    std::string url;
    std::vector<FormField> fields;
    std::size_t max_reply_bytes = 0;
  };

  // The next POST answers with this body.
  void ReplyWith(std::string body) { replies_.push_back(Reply{std::move(body), std::nullopt}); }
  // The next POST (or GET) fails with this error.
  void FailWith(HttpErrorKind kind, int status = 0) {
    replies_.push_back(Reply{{}, HttpError(kind, "request failed", status)});
  }
  // The next GET delivers these pieces, then fails when `error` is set.
  void ServeBody(std::vector<std::string> pieces, std::optional<HttpError> error = std::nullopt) {
    gets_.push_back(ScriptedGet{std::move(pieces), std::move(error)});
  }

  // A scripted body longer than the request allows fails as a real client's.
  std::string PostForm(const std::string& url, const std::vector<FormField>& fields,
                       std::size_t max_reply_bytes) override {
    posts.push_back({url, fields, max_reply_bytes});
    if (replies_.empty()) {
      throw HttpError(HttpErrorKind::Other, "no scripted reply");
    }
    Reply reply = std::move(replies_.front());
    replies_.pop_front();
    if (reply.error) {
      throw *reply.error;
    }
    if (reply.body.size() > max_reply_bytes) {
      throw ReplyTooLarge(max_reply_bytes);
    }
    return reply.body;
  }

  void Get(const std::string& url, const BodyWriter& write) override {
    get_urls.push_back(url);
    if (gets_.empty()) {
      throw HttpError(HttpErrorKind::ConnectionRefused, "connection refused");
    }
    ScriptedGet get = std::move(gets_.front());
    gets_.pop_front();
    for (const std::string& piece : get.pieces) {
      write(piece);
    }
    if (get.error) {
      throw *get.error;
    }
  }

  void Disconnect() override { ++disconnects; }

  std::vector<Post> posts;
  std::vector<std::string> get_urls;
  int disconnects = 0;

 private:
  struct Reply {
    std::string body;
    std::optional<HttpError> error;
  };
  struct ScriptedGet {
    std::vector<std::string> pieces;
    std::optional<HttpError> error;
  };
  std::deque<Reply> replies_;
  std::deque<ScriptedGet> gets_;
};

}  // namespace wordlark::test
