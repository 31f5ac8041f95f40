// Saves one kind of file again and again, alternating between two versions:
// it says "ready" on standard output when it starts and "saved" after every
// save. The crash-safety test kills it at random moments and checks what is
// left on disk.
//
//   crash_writer config|page|settings FOLDER
//
// Or writes one file once, as the file-safety tests need it done by another
// user: exit status 0, or 1 with the error on standard error.
//
//   crash_writer once FILE TEXT
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "letter/config_file.h"
#include "online/last_news_id.h"
#include "render/output.h"
#include "util/error.h"
#include "util/file_io.h"

namespace {

// Big enough that a save takes a while, different sizes so that a cut file
// can never pass for the other version.
std::string Filler(char c, std::size_t n) {
  return std::string(n, c);
}

void Say(std::string_view line) {
  if (write(STDOUT_FILENO, line.data(), line.size()) < 0) {
    _exit(3);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "once") == 0) {
    try {
      wordlark::WriteFileAtomic(argv[2], argv[3]);
      return 0;
    } catch (const wordlark::Error& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: crash_writer config|page|settings FOLDER\n");
    return 2;
  }
  Say("ready\n");
  const std::string kind = argv[1];
  const std::filesystem::path folder = argv[2];
  for (unsigned long i = 0;; ++i) {
    const bool second = i % 2 == 1;
    if (kind == "config") {
      wordlark::LetterConfiguration letter;
      letter.edtPageTitle = second ? Filler('b', 20000) : Filler('a', 40000);
      wordlark::SaveConfiguration(folder / "letter.set", letter);
    } else if (kind == "page") {
      wordlark::WritePage(folder / "page.html", second ? Filler('b', 20000) : Filler('a', 40000));
    } else if (kind == "settings") {
      if (wordlark::StoreLastNewsId(folder, second ? "200" : "100") !=
          wordlark::StoreLastNewsIdResult::Stored) {
        return 4;
      }
    } else {
      return 2;
    }
    Say("saved\n");
  }
}
