// The live-update rules.
#include "online/update.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "brand/brand_settings.h"
#include "online/ini_file.h"
#include "util/error.h"

#ifndef WORDLARK_UPDATE_HOST
#define WORDLARK_UPDATE_HOST "https://updates.wordlark.example"
#endif

namespace wordlark {
namespace {

constexpr std::string_view kUpdatePath = "/liveupdate/word_lark/";

std::string BuildUpdateBaseURL() {
  std::string host = WORDLARK_UPDATE_HOST;
  while (!host.empty() && host.back() == '/') {
    host.pop_back();
  }
  return host + std::string(kUpdatePath);
}

}  // namespace

std::string_view UpdateBaseURL() {
  static const std::string url = BuildUpdateBaseURL();
  return url;
}

std::string UpdateInfoURL() {
  return std::string(UpdateBaseURL()) + std::string(kUpdateInfoFileName);
}

std::string UpdateQuestion(std::string_view version_text) {
  return "There is a new update: (version " + std::string(version_text) +
         ") available for your application!. Do you want download this update now?";
}

float ParseVersionNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  if (text.starts_with('+')) {
    text.remove_prefix(1);
  }
  // Only decimal digits, a point, a sign and an exponent make a number here.
  if (text.empty() || text.find_first_not_of("0123456789.-eE+") != std::string_view::npos) {
    return 0.0f;
  }
  float value = 0.0f;
  const auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return 0.0f;
  }
  return value;
}

bool IsNewerVersion(std::string_view offered_version_text) {
  return ParseVersionNumber(offered_version_text) > ParseVersionNumber(ApplicationVersion);
}

std::string ReadOfferedVersion(const std::filesystem::path& info_file) {
  return ReadIniFileValue(info_file, "APPLICATION", "Version");
}

UpdateCheck CheckForUpdateInfo(HttpClient& client, const std::filesystem::path& program_folder) {
  return CheckForUpdateInfo(client, program_folder, UpdateBaseURL());
}

UpdateCheck CheckForUpdateInfo(HttpClient& client, const std::filesystem::path& program_folder,
                               std::string_view base_url) {
  const std::filesystem::path local = program_folder / kUpdateInfoFileName;
  UpdateCheck check;
  if (!DownloadToFile(client, std::string(base_url) + std::string(kUpdateInfoFileName), local,
                      kMaxUpdateInfoBytes)) {
    return check;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(local, ec)) {
    return check;
  }
  std::string version;
  try {
    version = ReadOfferedVersion(local);
  } catch (const FileError&) {
    return check;
  }
  if (IsNewerVersion(version)) {
    check.available = true;
    check.version_text = std::move(version);
  }
  return check;
}

std::filesystem::path UpdaterPath(const std::filesystem::path& program_folder) {
  return program_folder / kUpdaterFileName;
}

std::string UpdaterParameters() {
  return UpdaterParameters(UpdateBaseURL());
}

std::string UpdaterParameters(std::string_view base_url) {
  return std::string(base_url) + " " + std::string(ApplicationVersion) + " A";
}

}  // namespace wordlark
