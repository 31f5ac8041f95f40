// wordlark-brand: prepares the files a reseller ships beside the program.
//
//   wordlark-brand encipher PLAIN DAT
//   wordlark-brand decipher DAT PLAIN
//   wordlark-brand show DAT
//   wordlark-brand pack-skin STYLE.qss SKIN
//
// Exit status 0 on success; 1 with a one-line message on standard error
// otherwise. A failed command leaves its target as it was.

#include <exception>
#include <filesystem>
#include <iostream>
#include <span>
#include <string>
#include <string_view>

#include "brand/brand_report.h"
#include "brand/brand_settings.h"
#include "brand/skin.h"
#include "util/cipher/aes_lib.h"
#include "util/codepage.h"
#include "util/error.h"
#include "util/file_io.h"
#include "util/tagged_text.h"

namespace {

using wordlark::CipherResult;

constexpr std::string_view kProgram = "wordlark-brand";

struct Command {
  std::string_view name;
  std::string_view arguments;  // as shown in the help, one word per argument
  std::size_t argument_count;
  std::string_view help;
  int (*run)(std::span<char* const> arguments);
};

// The plain text is read as the program reads the settings: windows-1252, or
// UTF-8 behind a byte-order mark. A text saved as UTF-8 without a mark or as
// UTF-16 is recognised and converted to one of those two (windows-1252 when
// every character has a byte there), and the conversion is reported.
int Encipher(std::span<char* const> arguments) {
  const std::filesystem::path plain = arguments[0];
  const std::string bytes = wordlark::ReadFileBytes(plain, wordlark::kMaxSettingsFileSize);
  const wordlark::RecognisedText text = wordlark::RecogniseTextFile(bytes);
  if (text.form == wordlark::TextFileForm::kSingleByte) {
    wordlark::WriteFileAtomic(arguments[1], wordlark::EncipherBytes(bytes));
    return 0;
  }
  const std::string stored = wordlark::EncodeTextFile(text.utf8);
  wordlark::WriteFileAtomic(arguments[1], wordlark::EncipherBytes(stored));
  std::cout << kProgram << ": " << plain.string() << " was read as "
            << wordlark::TextFileFormName(text.form) << " and stored as "
            << (stored.starts_with(wordlark::kUtf8Bom) ? "UTF-8 with a byte-order mark"
                                                       : "windows-1252")
            << ".\n";
  return 0;
}

int Decipher(std::span<char* const> arguments) {
  const std::filesystem::path dat = arguments[0];
  const CipherResult result = wordlark::DecipherFile(dat, arguments[1]);
  if (result != CipherResult::Ok) {
    std::cerr << kProgram << ": " << wordlark::CipherResultMessage(result, dat) << "\n";
    return 1;
  }
  return 0;
}

int Show(std::span<char* const> arguments) {
  const std::filesystem::path dat = arguments[0];
  std::string plain;
  const CipherResult result =
      wordlark::DecipherBytes(wordlark::ReadFileBytes(dat, wordlark::kMaxSettingsFileSize), plain);
  if (result != CipherResult::Ok) {
    std::cerr << kProgram << ": " << wordlark::CipherResultMessage(result, dat) << "\n";
    return 1;
  }
  std::cout << wordlark::FormatBrandReport(
      wordlark::ParseBrandSettings(wordlark::TaggedTextFromBytes(plain)));
  return 0;
}

int PackSkin(std::span<char* const> arguments) {
  const std::string sheet = wordlark::ReadFileBytes(arguments[0], wordlark::kMaxSkinFileSize);
  wordlark::WriteFileAtomic(arguments[1], wordlark::PackSkin(sheet));
  return 0;
}

constexpr Command kCommands[] = {
    {"encipher", "PLAIN DAT", 2,
     "Enciphers the plain settings text PLAIN into the settings file DAT\n"
     "      (for example dbsettings.dat), under the program's settings pass phrase.\n"
     "      PLAIN may be windows-1252, UTF-8 (with or without a byte-order mark)\n"
     "      or UTF-16 (with a byte-order mark, or known by its zero bytes). UTF-8\n"
     "      and UTF-16 are recognised and converted, and a line says so: DAT then\n"
     "      holds windows-1252 when every character has a byte there, otherwise\n"
     "      UTF-8 with a byte-order mark. A text that is not valid UTF-8 or UTF-16\n"
     "      is taken as windows-1252.",
     Encipher},
    {"decipher", "DAT PLAIN", 2,
     "Deciphers the settings file DAT into the plain text file PLAIN. PLAIN is\n"
     "      written only when the pass phrase and the authentication code match.",
     Decipher},
    {"show", "DAT", 1,
     "Prints the brand fields of the settings file DAT as the program reads\n"
     "      them, with the welcome pages, banners and links, and the entries that\n"
     "      a gap in the numbering (or a number above 16) hides from the program.",
     Show},
    {"pack-skin", "STYLE.qss SKIN", 2,
     "Compresses the style sheet STYLE.qss into the skin file SKIN (mainskin.dat\n"
     "      in the program folder replaces the program's built-in look).",
     PackSkin},
};

void PrintHelp() {
  std::cout << "Usage: " << kProgram << " COMMAND ARGUMENTS...\n"
            << "Prepares the files a reseller ships beside the program.\n\nCommands:\n";
  for (const Command& command : kCommands) {
    std::cout << "  " << command.name << " " << command.arguments << "\n      " << command.help
              << "\n";
  }
  std::cout << "\nOptions:\n  -h, --help\n      Shows this help.\n"
            << "  --version\n      Prints the version.\n\n"
            << "Exit status is 0 on success and 1 on any error; the error is reported on\n"
            << "standard error and the target file is left as it was.\n";
}

int UsageError(const std::string& text) {
  std::cerr << kProgram << ": " << text << " Try \"" << kProgram << " --help\".\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::span<char* const> args(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
  if (args.empty()) {
    return UsageError("No command given.");
  }
  const std::string_view name = args[0];
  if (name == "-h" || name == "--help") {
    PrintHelp();
    return 0;
  }
  if (name == "--version") {
    std::cout << wordlark::ApplicationVersion << "\n";
    return 0;
  }
  for (const Command& command : kCommands) {
    if (command.name != name) {
      continue;
    }
    const auto rest = args.subspan(1);
    if (rest.size() != command.argument_count) {
      std::string text = "\"";
      text.append(name).append("\" takes ").append(command.arguments).append(".");
      return UsageError(text);
    }
    try {
      return command.run(rest);
    } catch (const std::exception& e) {
      std::cerr << kProgram << ": " << e.what() << "\n";
      return 1;
    }
  }
  std::string text = "Unknown command \"";
  text.append(name).append("\".");
  return UsageError(text);
}
