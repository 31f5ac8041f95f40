// The download of a URL into a file over the abstract client.
#include "online/http_client.h"

#include <exception>
#include <system_error>

#include "util/file_io.h"

namespace wordlark {

bool DownloadToFile(HttpClient& client, const std::string& url, const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  AtomicFile out(path);  // throws FileError when the file cannot be created
  try {
    client.Get(url, [&out](std::string_view bytes) { out.Write(bytes); });
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
