#pragma once

// The HTTP client the online services talk through, as an interface: the app
// implements it on its network library, tests implement it in memory. Also the
// plain download of a URL into a file, which the update check uses.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/error.h"

namespace wordlark {

enum class HttpErrorKind {
  ConnectionRefused,  // the host answered but refused the connection
  HostNotFound,       // the host name could not be looked up
  HttpStatus,         // the server answered with a status of 400 or above
  Other,              // time-out, lost connection, TLS failure, bad URL, ...
};

// A request that failed. what() is a short English description.
class HttpError : public Error {
 public:
  HttpError(HttpErrorKind kind, const std::string& text, int status = 0)
      : Error(text), kind_(kind), status_(status) {}
  HttpErrorKind kind() const { return kind_; }
  // The HTTP status code for HttpStatus, 0 otherwise.
  int status() const { return status_; }

 private:
  HttpErrorKind kind_;
  int status_;
};

// One text field of a multipart form, its value as the bytes to send.
struct FormField {
  std::string name;
  std::string value;

  bool operator==(const FormField&) const = default;
};

// Receives the body of a GET piece by piece, in order.
using BodyWriter = std::function<void(std::string_view bytes)>;

// What every implementation guarantees:
// - Requests are synchronous: a call returns when the reply has arrived or the
//   request has failed. One request at a time; the caller never overlaps them.
//   While a call waits, the implementation keeps the user interface responsive
//   (repaints and input are processed).
// - Every request sends the headers Accept: "text/html, */*" and User-Agent:
//   "Mozilla/3.0 (compatible; Indy Library)".
// - Redirects are followed, each hop sent once, at most 10 in a row, never
//   from https to http. Cookies the servers set are kept in memory and sent
//   back for the rest of the run.
// - Connecting gives up after 2 minutes (HttpError Other); once connected there
//   is no read time-out.
// - Failures are thrown as HttpError: ConnectionRefused, HostNotFound,
//   HttpStatus (any status of 400 or above, with the code) or Other. A reply with
//   an error status is never handed back as a body.
class HttpClient {
 public:
  virtual ~HttpClient() = default;

  // POSTs a multipart/form-data body (RFC 2388) to the URL: one part per field,
  // in the given order, each with Content-Disposition: form-data; name="NAME"
  // and the value's bytes exactly as given (no re-encoding). The boundary is the
  // implementation's and is announced in the Content-Type header as
  // "multipart/form-data; boundary=" + boundary. Returns the response body bytes
  // unchanged. A body longer than `max_reply_bytes` is not read further: the
  // request is aborted and fails with HttpError Other.
  virtual std::string PostForm(const std::string& url, const std::vector<FormField>& fields,
                               std::size_t max_reply_bytes) = 0;

  // GETs the URL and hands the response body to `write` as it arrives. Throws
  // HttpError as above; an exception thrown by `write` aborts the request and
  // propagates out of Get unchanged.
  virtual void Get(const std::string& url, const BodyWriter& write) = 0;

  // Closes the connection, if any. Never throws.
  virtual void Disconnect() = 0;
};

// The failure of a reply longer than its request allows.
HttpError ReplyTooLarge(std::size_t max_reply_bytes);

// Downloads the URL into the file at `path`: a file already there is deleted
// first; the body goes to a temporary file beside it that takes the name only
// when the download is complete. Returns true on success. On any failure of the
// request or of writing (an error status such as 404 included, and a body
// longer than `max_bytes`, which is not read beyond that) the client is
// disconnected, no file is left at `path`, and false is returned; no message.
// Throws FileError only when the file cannot be created at all. The client is
// disconnected after every download.
bool DownloadToFile(HttpClient& client, const std::string& url, const std::filesystem::path& path,
                    std::size_t max_bytes);

}  // namespace wordlark
