// wordlark-render run as a process: pages, pictures, templates and the
// failures that must leave no output behind.
#include <gtest/gtest.h>

#include "letter/config_file.h"
#include "test_support.h"
#include "util/text.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;
using test::WriteBytes;

const fs::path kData = WORDLARK_TEST_DATA;
const fs::path kSource = WORDLARK_SOURCE_DIR;
const std::string kTool = ShellQuote((fs::path(WORDLARK_BIN_DIR) / "wordlark-render").string());

struct ToolRun {
  int status;
  std::string out;
  std::string err;
};

ToolRun Render(const std::string& args, const fs::path& cwd = {}) {
  ToolRun run;
  std::string command = kTool + " " + args;
  if (!cwd.empty()) {
    command = "cd " + ShellQuote(cwd.string()) + " && " + command;
  }
  run.status = RunCommand(command, &run.out, &run.err);
  return run;
}

std::string Q(const fs::path& path) {
  return ShellQuote(path.string());
}

TEST(RenderTool, HelpDescribesTheCommandLine) {
  const ToolRun run = Render("--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("wordlark-render [--templates DIR] [--template NAME] LETTER.set"),
            std::string::npos);
  EXPECT_NE(Render("only-one.set").status, 0);
  EXPECT_NE(Render("--bogus a.set b.html").status, 0);
}

TEST(RenderTool, RendersTheGoldenLetter) {
  TempDir dir;
  const ToolRun run = Render("--templates " + Q(kData / "render") + " --template Golden " +
                             Q(kData / "render/golden.set") + " " + Q(dir / "page.html"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadBytes(dir / "page.html"), ReadBytes(kData / "render/golden.expected.html"));
}

TEST(RenderTool, RendersTheSampleLetterWithTheShippedTemplate) {
  TempDir dir;
  const fs::path sample = kSource / "examples/sample-letter";
  const ToolRun run = Render(Q(sample / "letter.set") + " site/index.html", dir.path());
  // The output folder does not exist yet: nothing is written.
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(fs::exists(dir / "site"));

  fs::create_directory(dir / "site");
  const ToolRun ok = Render(Q(sample / "letter.set") + " site/index.html", dir.path());
  ASSERT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.err, "");
  const std::string page = ReadBytes(dir / "site/index.html");
  EXPECT_EQ(page.find("%%"), std::string::npos);
  EXPECT_NE(page.find("charset=windows-1252"), std::string::npos);
  LetterConfiguration letter;
  ASSERT_TRUE(LoadConfiguration(sample / "letter.set", letter));
  for (const std::string& picture :
       {letter.edtHeaderPicture, letter.edtCoverPicture, letter.edtFooterPicture}) {
    const fs::path name = fs::path(picture).filename();
    EXPECT_EQ(ReadBytes(dir / "site" / name), ReadBytes(sample / picture)) << picture;
    EXPECT_NE(page.find("src=" + name.string() + ">"), std::string::npos) << picture;
  }
}

TEST(RenderTool, PicturesComeFromTheLettersFolder) {
  TempDir dir;
  fs::create_directories(dir / "letter/pics");
  fs::create_directories(dir / "templates");
  fs::create_directories(dir / "work/out/foot.png");  // a folder where a picture should go
  WriteBytes(dir / "letter/pics/head.png", "HEAD");
  WriteBytes(dir / "letter/pics/foot.png", "FOOT");
  WriteBytes(dir / "templates/b.tem", "B %%HEADERPICTURE%%%%FOOTERPICTURE%%");
  WriteBytes(dir / "templates/a.tem", "A %%HEADERPICTURE%%%%FOOTERPICTURE%%");
  LetterConfiguration letter;
  letter.edtHeaderPicture = "pics/head.png";
  letter.edtFooterPicture = "pics/foot.png";
  SaveConfiguration(dir / "letter/letter.set", letter);

  const ToolRun run =
      Render("--templates ../templates ../letter/letter.set out/page.html", dir / "work");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("warning: "), std::string::npos);
  EXPECT_NE(run.err.find((dir / "letter/pics/foot.png").string()), std::string::npos) << run.err;
  EXPECT_EQ(ReadBytes(dir / "work/out/head.png"), "HEAD");
  EXPECT_EQ(ReadBytes(dir / "work/out/page.html"),
            "A <img border=0 src=head.png><br><br><img border=0 src=foot.png>\r\n");

  EXPECT_EQ(
      Render("--templates ../templates --template b ../letter/letter.set out/b.html", dir / "work")
          .status,
      0);
  EXPECT_TRUE(ReadBytes(dir / "work/out/b.html").starts_with("B "));
}

TEST(RenderTool, PicturesInTheTextGoBesideThePage) {
  TempDir dir;
  fs::create_directories(dir / "letter/pics");
  fs::create_directories(dir / "letter/more pics");
  fs::create_directories(dir / "templates");
  fs::create_directories(dir / "out");
  WriteBytes(dir / "letter/pics/photo.jpg", "ONE");
  WriteBytes(dir / "letter/more pics/photo.jpg", "TWO");
  WriteBytes(dir / "templates/t.tem", "%%HEADERPICTURE%%|%%INTRODUCTION%%|%%PS%%");
  const std::string other = "file://" + ReplaceAll((dir / "letter/more pics").string(), " ", "%20");
  LetterConfiguration letter;
  letter.edtHeaderPicture = "pics/photo.jpg";
  letter.prfEditor3.SetHtml("<p><img src=\"pics/photo.jpg\" alt=\"One\"> and <IMG SRC='" + other +
                            "/photo.jpg'></p><img src=\"https://example.com/web.jpg\">");
  letter.prfEditor11.SetHtml("<img src=gone.jpg>");
  SaveConfiguration(dir / "letter/letter.set", letter);

  const ToolRun run = Render("--templates templates letter/letter.set out/page.html", dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadBytes(dir / "out/page.html"),
            "<img border=0 src=photo.jpg><br><br>|<p><img src=\"photo.jpg\" alt=\"One\"> and "
            "<IMG SRC='photo-2.jpg'></p><img src=\"https://example.com/web.jpg\">|"
            "<b>P.S.- </b><img src=gone.jpg>\r\n");
  EXPECT_EQ(ReadBytes(dir / "out/photo.jpg"), "ONE");
  EXPECT_EQ(ReadBytes(dir / "out/photo-2.jpg"), "TWO");
  // The missing picture is a warning; the page is written all the same.
  EXPECT_NE(run.err.find("letter.set: warning: The picture \"" +
                         (dir / "letter/gone.jpg").string() + "\" could not be copied"),
            std::string::npos)
      << run.err;
}

TEST(RenderTool, FailuresLeaveNoOutput) {
  TempDir dir;
  fs::create_directories(dir / "templates");
  fs::create_directories(dir / "empty");
  WriteBytes(dir / "templates/only.tem", "%%PAGETITLE%%");
  SaveConfiguration(dir / "good.set", LetterConfiguration{});
  WriteBytes(dir / "bad.set", "<%%FSize%%>abc<%%/FSize%%>");

  // Every message begins with the letter it is about.
  struct Case {
    const char* what;
    std::string args;
    std::string message;
  } cases[] = {
      {"malformed letter", "--templates templates bad.set out.html",
       "bad.set: entry FSize: 'abc' is not a valid integer value\n"},
      {"missing letter", "--templates templates none.set out.html", "none.set: Cannot open"},
      {"no template", "--templates empty good.set out.html", "good.set: There is no template"},
      {"missing templates folder", "--templates nowhere good.set out.html",
       "good.set: Cannot open the templates folder"},
      {"unknown template", "--templates templates --template Fancy good.set out.html",
       "good.set: There is no template called \"Fancy\""},
      {"output folder missing", "--templates templates good.set missing/out.html",
       "good.set: Please check the output filename!"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Render(c.args, dir.path());
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_TRUE(run.err.starts_with(c.message)) << c.what << ": " << run.err;
    EXPECT_FALSE(fs::exists(dir / "out.html")) << c.what;
  }
  // A bad value: the letter, the entry, and the text the window shows.
  EXPECT_EQ(Render("--templates templates bad.set out.html", dir.path()).err,
            "bad.set: entry FSize: 'abc' is not a valid integer value\n");
}

}  // namespace
}  // namespace wordlark
