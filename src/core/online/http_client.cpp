// The download of a URL into a file over the abstract client.
#include "online/http_client.h"

#include <exception>
#include <string>
#include <system_error>

#include "util/file_io.h"

namespace wordlark {

HttpError ReplyTooLarge(std::size_t max_reply_bytes) {
  return HttpError(HttpErrorKind::Other,
                   "The reply is larger than " + std::to_string(max_reply_bytes) + " bytes.");
}

bool DownloadToFile(HttpClient& client, const std::string& url, const std::filesystem::path& path,
                    std::size_t max_bytes) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  AtomicFile out(path);  // throws FileError when the file cannot be created
  try {
    std::size_t received = 0;
    client.Get(url, [&](std::string_view bytes) {
      received += bytes.size();
      if (received > max_bytes) {
        throw ReplyTooLarge(max_bytes);  // aborts the request: nothing more is read
      }
      out.Write(bytes);
    });
    out.Commit();
  } catch (const std::exception&) {
    out.Discard();
    client.Disconnect();
    std::filesystem::remove(path, ec);
    return false;
  }
  client.Disconnect();
  return true;
}

}  // namespace wordlark
