#pragma once

// The live update: where the update information is published, how its version
// is compared with this application's, the messages of the update flow, and
// the parameter line handed to the separate updater program.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "online/http_client.h"

namespace wordlark {

inline constexpr std::string_view kUpdateInfoFileName = "mainappupdate.inf";
inline constexpr std::string_view kUpdaterFileName = "Updater.exe";
// The longest update information file taken from the server; a longer one
// counts as no answer.
inline constexpr std::size_t kMaxUpdateInfoBytes = 64 * 1024;

// Messages of the update flow: the first is information, the two questions are
// information with OK and Cancel, the missing updater is a warning.
inline constexpr std::string_view kNoUpdatesMessage =
    "There's no new updates for this application!";
inline constexpr std::string_view kUpdaterMissingMessage =
    "The updater module is missing. Please reinstall again the current version!";
// The line break in it is LF followed by CR.
inline constexpr std::string_view kUpdateCloseQuestion =
    "To update your software the application will close to\n\rreplace some files. Do you want to "
    "update now?";

// The live-update folder: the update host (a build setting) followed by
// "/liveupdate/word_lark/"; always ends in "/".
std::string_view UpdateBaseURL();

// UpdateBaseURL() + "mainappupdate.inf".
std::string UpdateInfoURL();

// The question that offers an update, naming the version as the file writes it.
std::string UpdateQuestion(std::string_view version_text);

// The version text read as a 32-bit float whatever the locale ("." is the
// decimal point); 0 when the text is not a finite decimal number.
float ParseVersionNumber(std::string_view text);

// The offered version is newer when it is numerically greater than
// ApplicationVersion (both read with ParseVersionNumber).
bool IsNewerVersion(std::string_view offered_version_text);

// The offered version of a downloaded information file: "Version" in section
// "APPLICATION", matched in any letter case; empty when absent.
std::string ReadOfferedVersion(const std::filesystem::path& info_file);

// The result of the check.
struct UpdateCheck {
  bool available = false;
  std::string version_text;  // the offered "Version" as written, when available
};

// Downloads the information file to program folder / "mainappupdate.inf" and
// compares its version. A failed download, an unreadable file or a version that
// is not newer means no update. Throws FileError only when the information file
// cannot be created in the program folder.
UpdateCheck CheckForUpdateInfo(HttpClient& client, const std::filesystem::path& program_folder);
// The same against another update folder (which ends in "/").
UpdateCheck CheckForUpdateInfo(HttpClient& client, const std::filesystem::path& program_folder,
                               std::string_view base_url);

// Program folder / "Updater.exe".
std::filesystem::path UpdaterPath(const std::filesystem::path& program_folder);

// The updater's parameter line: UpdateBaseURL() + " " + ApplicationVersion + " A".
std::string UpdaterParameters();
std::string UpdaterParameters(std::string_view base_url);

}  // namespace wordlark
