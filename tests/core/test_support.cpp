#include "test_support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "util/text.h"

namespace wordlark::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "wordlark-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write access to folders a test made read-only, so removal works.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path.string());
  }
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

std::string ShellQuote(std::string_view text) {
  std::string q = "'";
  for (char c : text) {
    if (c == '\'') {
      q += "'\\''";
    } else {
      q += c;
    }
  }
  return q + "'";
}

int RunCommand(const std::string& command, std::string* out, std::string* err) {
  TempDir dir;
  const auto out_file = dir / "stdout";
  const auto err_file = dir / "stderr";
  const std::string line = "(" + command + ") >" + ShellQuote(out_file.string()) + " 2>" +
                           ShellQuote(err_file.string()) + " </dev/null";
  const int status = std::system(line.c_str());
  if (out != nullptr) {
    *out = ReadBytes(out_file);
  }
  if (err != nullptr) {
    *err = ReadBytes(err_file);
  }
  if (status == -1 || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

long long PeakMemoryKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stoll(line.substr(6));
    }
  }
  return -1;
}

void ResetPeakMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

LetterConfiguration FullLetter() {
  LetterConfiguration l;
  l.edtPageTitle = "Title";
  l.edtFullName = "Ann Lee";
  l.edtCurrentDate = "May 1";
  l.edtHeaderPicture = "header.png";
  l.edtCoverPicture = "/pics/cover.jpg";
  l.edtFooterPicture = "http://example.com/footer.gif";
  l.cbxMainBgColor = HexToColor("#102030");
  l.prfEditor1.SetHtml("<b>Headline</b>");
  l.edtAttention = "Sub headline";
  l.prfEditor2.SetHtml("<div>Intro</div><div>more</div>");
  l.prfEditor3.SetHtml("<p>Product</p>");
  l.FeatureList = {"^Fast^Very$$quick^", "^Small^Fits$$anywhere^"};
  l.cbxFBgColor = HexToColor("#A1B2C3");
  l.cbxFColor = HexToColor("#0000FF");
  l.cbxFName = "Verdana";
  l.cbxFSize = 15;
  l.chkFBold = true;
  l.chkFUnderline = true;
  l.chkFItalic = true;
  l.TestimonialList = {"^Bob^http://bob.example^Great$$product^"};
  l.cbxTBgColor = HexToColor("#EEEEEE");
  l.cbxTColor = HexToColor("#333333");
  l.cbxTName = "Georgia";
  l.cbxTSize = -4;
  l.chkTBold = true;
  l.chkTUnderline = true;
  l.chkTItalic = true;
  l.prfEditor10.SetHtml("Thanks");
  l.prfEditor11.SetHtml("Act now");
  l.edtDirectLink = "http://shop.example/buy";
  l.edtClickBankName = "annlee";
  l.edtProductName = "widget";
  l.edtDescription = "A widget";
  l.memPaypalCode = "<form>\r\n<input type=hidden>\r\n</form>";
  l.edtPaypalEmail = "ann@example.com";
  l.cbxOBgColor = HexToColor("#010203");
  l.cbxOColor = HexToColor("#040506");
  l.cbxOName = "Courier New";
  l.cbxOSize = 2147483647;
  l.chkOBold = true;
  l.chkOUnderline = true;
  l.chkOItalic = true;
  return l;
}

}  // namespace wordlark::test
