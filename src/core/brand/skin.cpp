#include "brand/skin.h"

#include <zlib.h>

#include <system_error>

#include "util/error.h"
#include "util/file_io.h"

namespace wordlark {

std::string PackSkin(std::string_view style_sheet) {
  uLongf size = compressBound(static_cast<uLong>(style_sheet.size()));
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                reinterpret_cast<const Bytef*>(style_sheet.data()),
                static_cast<uLong>(style_sheet.size()), Z_BEST_COMPRESSION) != Z_OK) {
    throw Error("The style sheet could not be compressed.");
  }
  packed.resize(size);
  return packed;
}

std::optional<std::string> UnpackSkin(std::string_view bytes, std::size_t max_size) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) {
    return std::nullopt;
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  std::string out;
  char chunk[16384];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END) {
      break;
    }
    out.append(chunk, sizeof chunk - stream.avail_out);
    if (out.size() > max_size) {
      status = Z_MEM_ERROR;
      break;
    }
    if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
      status = Z_DATA_ERROR;  // the stream ends before its end marker
    }
  }
  inflateEnd(&stream);
  if (status != Z_STREAM_END || stream.avail_in != 0) {
    return std::nullopt;
  }
  return out;
}

std::optional<std::string> ReadSkinFile(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    return std::nullopt;
  }
  return UnpackSkin(ReadFileBytes(file, kMaxSkinFileSize));
}

}  // namespace wordlark
