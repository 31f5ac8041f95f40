// wordlark-render: renders a saved letter (*.set) into a web page from the
// command line, exactly as the wizard's Finish step does.
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "brand/brand_settings.h"
#include "letter/config_file.h"
#include "render/catalogue.h"
#include "render/output.h"
#include "util/error.h"

namespace {

namespace fs = std::filesystem;
using namespace wordlark;

constexpr std::string_view kUsage =
    "Usage: wordlark-render [--templates DIR] [--template NAME] LETTER.set OUTPUT.html\n"
    "\n"
    "Renders the letter saved in LETTER.set into the page OUTPUT.html and copies\n"
    "the letter's local pictures beside it. Picture paths in the letter that are\n"
    "relative are taken from the folder of LETTER.set.\n"
    "\n"
    "  --templates DIR  the folder of page templates (*.tem); by default the\n"
    "                   Templates folder beside this program\n"
    "  --template NAME  the template as the catalogue names it (\"Modern\" for\n"
    "                   Modern.tem); by default the catalogue's first\n"
    "  --help           shows this text\n"
    "  --version        prints the version\n";

int UsageError(std::string_view problem) {
  std::cerr << "wordlark-render: " << problem << "\n\n" << kUsage;
  return 2;
}

int Fail(std::string_view message) {
  std::cerr << message << '\n';
  return 1;
}

fs::path FromCurrentFolder(const std::string& typed) {
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(typed), ec);
  return ec ? fs::path(typed) : absolute.lexically_normal();
}

}  // namespace

int main(int argc, char** argv) {
  std::string templates_dir;
  std::string template_name;
  std::vector<std::string> operands;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options_done || arg.empty() || arg[0] != '-' || arg == "-") {
      operands.push_back(arg);
    } else if (arg == "--") {
      options_done = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--version") {
      std::cout << ApplicationVersion << '\n';
      return 0;
    } else if (arg == "--templates" || arg == "--template") {
      if (i + 1 >= argc) {
        return UsageError(arg + " needs a value");
      }
      (arg == "--templates" ? templates_dir : template_name) = argv[++i];
    } else if (arg.starts_with("--templates=")) {
      templates_dir = arg.substr(12);
    } else if (arg.starts_with("--template=")) {
      template_name = arg.substr(11);
    } else {
      return UsageError("unknown option " + arg);
    }
  }
  if (operands.size() != 2) {
    return UsageError("expected LETTER.set and OUTPUT.html");
  }

  // Every message after this names the letter, as a compiler names its input.
  const std::string& letter_name = operands[0];
  const auto fail = [&letter_name](std::string_view message) {
    return Fail(letter_name + ": " + std::string(message));
  };
  try {
    const fs::path letter_file = FromCurrentFolder(operands[0]);
    std::error_code ec;
    if (!fs::exists(letter_file, ec)) {
      return fail("Cannot open file \"" + letter_file.string() + "\". No such file or directory");
    }
    LetterConfiguration letter;
    try {
      LoadConfiguration(letter_file, letter);
    } catch (const EntryError& e) {
      return fail("entry " + e.entry() + ": " + e.what());
    }

    const fs::path folder =
        templates_dir.empty() ? DefaultTemplatesFolder() : FromCurrentFolder(templates_dir);
    const std::vector<TemplateEntry> catalogue = ScanTemplates(folder);
    if (catalogue.empty()) {
      return fail("There is no template (*.tem) in \"" + folder.string() + "\".");
    }
    const TemplateEntry* chosen = &catalogue.front();
    if (!template_name.empty()) {
      chosen = FindTemplate(catalogue, template_name);
      if (chosen == nullptr) {
        return fail("There is no template called \"" + template_name + "\" in \"" +
                    folder.string() + "\".");
      }
    }

    const std::string output = operands[1].empty() ? "" : FromCurrentFolder(operands[1]).string();
    const FinishOutcome outcome =
        FinishLetter(letter, chosen->file, output, letter_file.parent_path(), letter_file);
    for (const PictureProblem& problem : outcome.failed_pictures) {
      std::cerr << letter_name << ": warning: " << problem.Message() << '\n';
    }
    switch (outcome.status) {
      case FinishStatus::kSaved:
        std::cout << outcome.message << '\n';
        return 0;
      case FinishStatus::kNoOutputName:
      case FinishStatus::kEmptyTemplate:
      case FinishStatus::kRefused:
        return fail(outcome.message);
      case FinishStatus::kNoTemplate:
      case FinishStatus::kWriteFailed:
        return fail(outcome.detail.empty() ? outcome.message
                                           : outcome.message + "\n" + outcome.detail);
    }
    return 1;
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
