#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"
#include "util/cipher/aes_lib.h"

namespace wordlark {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunCommand;
using test::ShellQuote;
using test::TempDir;
using test::WriteBytes;

std::string Unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  }
  return out;
}

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(size, '\0');
  for (char& c : out) {
    c = static_cast<char>(gen() & 0xff);
  }
  return out;
}

// Test-side source and sink over memory.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Read(char* data, std::size_t size) override {
    const std::size_t n = std::min(size, bytes_.size());
    std::copy_n(bytes_.data(), n, data);
    bytes_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view bytes_;
};

class StringSink : public ByteSink {
 public:
  void Write(std::string_view bytes) override { text += bytes; }
  std::string text;
};

std::string EncipherWithSalt(std::string_view plain, std::string_view pass_phrase,
                             std::string_view salt, std::size_t buffer_size = kCipherBufferSize) {
  TEncryption crypt(pass_phrase, buffer_size);
  crypt.SetFixedSalt(std::string(salt));
  StringSource source(plain);
  StringSink sink;
  crypt.EncryptStream(source, sink);
  return sink.text;
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// RFC 6070 test vectors for PBKDF2-HMAC-SHA1, through the cipher's own derivation.
TEST(CipherKeyDerivation, MatchesPublishedVectors) {
  struct Case {
    std::string pass;
    std::string salt;
    int iterations;
    std::size_t length;
    const char* hex;
  };
  const Case cases[] = {
      {"password", "salt", 1, 20, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, 20, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 4096, 20, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
      {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, 16,
       "56fa6aa75548099dcc37d7f03425e0c3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pass + " / " + std::to_string(c.iterations));
    EXPECT_EQ(Hex(DeriveKeyPbkdf2Sha1(c.pass, c.salt, c.iterations, c.length)), c.hex);
  }
}

// Expected files computed independently by tests/data/cipher/make_known_answers.py.
TEST(CipherFormat, KnownAnswers) {
  struct Case {
    const char* pass;
    const char* salt;
    const char* plain;
    const char* enciphered;
  };
  const Case cases[] = {
      {"zenqovilrd", "0011223344556677",
       "3c25254170704e616d6525253e576f72646c61726b2050726f3c25252f4170704e616d6525253e0d0a",
       "00112233445566772943f5fe4a6e19241970edb6dfba975f236bd36d1ca276fb10793ec9147184e8255e6767"
       "805d3ee36eb14ae16504f4de6cd80f00c5"},
      {"zenqovilrd", "a0a1a2a3a4a5a6a7", "", "a0a1a2a3a4a5a6a7e46fd759515d9b33f1d00431"},
      {"a pass phrase of forty bytes, strength 2", "0102030405060708090a0b0c",
       "7468697274792d7468726565206279746573206f6620706c61696e207465787421",
       "0102030405060708090a0b0c9b104b2670716e3ab4ac16c1141eb0c8ec7f1408bc42b9234b7ad224f1a4cc2e"
       "46b581e736eaa50a9873e09e17"},
      {"a pass phrase of sixty-four bytes gives the strongest key, AES-2",
       "000102030405060708090a0b0c0d0e0f", "736576656e7465656e2062797465732e2e",
       "000102030405060708090a0b0c0d0e0fd23f4a6bb8c90ec70b00d4dba8684bbef794ca4eb2ca7fed3adeb9db"
       "5e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pass);
    const std::string plain = Unhex(c.plain);
    EXPECT_EQ(Hex(EncipherWithSalt(plain, c.pass, Unhex(c.salt))), c.enciphered);
    std::string back = "stale";
    EXPECT_EQ(DecipherBytes(Unhex(c.enciphered), back, c.pass), CipherResult::Ok);
    EXPECT_EQ(back, plain);
  }
}

TEST(CipherFormat, StrengthAndSaltFollowPassPhraseLength) {
  struct Case {
    std::size_t length;
    int strength;
    std::size_t salt;
  };
  const Case cases[] = {{0, 1, 8},   {10, 1, 8},  {31, 1, 8},  {32, 2, 12},
                        {47, 2, 12}, {48, 3, 16}, {128, 3, 16}};
  const std::string plain = "<%%HelpLink%%>https://example.com/help<%%/HelpLink%%>";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string pass(c.length, 'p');
    EXPECT_EQ(TEncryption(pass).strength(), c.strength);
    EXPECT_EQ(EncipherBytes("", pass).size(), c.salt + 12);
    const std::string enciphered = EncipherBytes(plain, pass);
    ASSERT_EQ(enciphered.size(), plain.size() + c.salt + 12);
    std::string back;
    EXPECT_EQ(DecipherBytes(enciphered, back, pass), CipherResult::Ok);
    EXPECT_EQ(back, plain);
  }
}

TEST(CipherFormat, RefusesPassPhraseOver128Bytes) {
  TempDir dir;
  const std::string pass(129, 'p');
  WriteBytes(dir / "plain.txt", "text");
  EXPECT_THROW(TEncryption{pass}, CipherError);
  EXPECT_THROW(EncipherBytes("text", pass), CipherError);
  std::string plain;
  EXPECT_THROW(DecipherBytes(EncipherBytes("text"), plain, pass), CipherError);
  EXPECT_THROW(EncipherFile(dir / "plain.txt", dir / "out.dat", pass), CipherError);
  EXPECT_FALSE(fs::exists(dir / "out.dat"));
  try {
    CipherStrength(129);
    FAIL() << "no error";
  } catch (const CipherError& e) {
    EXPECT_NE(std::string(e.what()).find("129"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("128"), std::string::npos) << e.what();
  }
}

// Any piece size gives the bytes of enciphering everything in one run: the
// keystream position and the authentication carry over from piece to piece.
TEST(CipherStreams, PieceSizeDoesNotChangeTheResult) {
  const std::string plain = RandomBytes(kCipherBufferSize + 1, 7);
  const std::string salt = Unhex("1122334455667788");
  const std::string one_run = EncipherWithSalt(plain, SettingsPassPhrase, salt, 1 << 20);
  ASSERT_EQ(one_run.size(), plain.size() + 20);
  for (std::size_t buffer : {std::size_t{1}, std::size_t{15}, std::size_t{16}, std::size_t{17},
                             std::size_t{16385}, kCipherBufferSize}) {
    SCOPED_TRACE(buffer);
    EXPECT_TRUE(EncipherWithSalt(plain, SettingsPassPhrase, salt, buffer) == one_run);
    TEncryption crypt(SettingsPassPhrase, buffer);
    StringSource source(one_run);
    StringSink sink;
    EXPECT_EQ(crypt.DecryptStream(source, sink, one_run.size()), CipherResult::Ok);
    EXPECT_TRUE(sink.text == plain);
  }
}

TEST(CipherFiles, RoundTripsAndSizes) {
  TempDir dir;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, kCipherBufferSize, kCipherBufferSize + 1,
                           3 * kCipherBufferSize + 5}) {
    SCOPED_TRACE(size);
    const std::string plain = RandomBytes(size, static_cast<unsigned>(size));
    WriteBytes(dir / "plain.txt", plain);
    // An older, longer file at the targets is replaced as a whole.
    WriteBytes(dir / "settings.dat", std::string(4 * kCipherBufferSize, 'x'));
    WriteBytes(dir / "back.txt", std::string(4 * kCipherBufferSize, 'y'));
    EncipherFile(dir / "plain.txt", dir / "settings.dat");
    EXPECT_EQ(fs::file_size(dir / "settings.dat"), size + 20);
    EXPECT_EQ(DecipherFile(dir / "settings.dat", dir / "back.txt"), CipherResult::Ok);
    EXPECT_TRUE(ReadBytes(dir / "back.txt") == plain);
    EXPECT_EQ(FolderEntries(dir.path()),
              (std::vector<std::string>{"back.txt", "plain.txt", "settings.dat"}));
  }
}

TEST(CipherFiles, SameTextEnciphersDifferentlyEachTime) {
  TempDir dir;
  const std::string plain = "<%%AppName%%>Seller Pro<%%/AppName%%>\r\n";
  WriteBytes(dir / "plain.txt", plain);
  EncipherFile(dir / "plain.txt", dir / "a.dat");
  EncipherFile(dir / "plain.txt", dir / "b.dat");
  const std::string a = ReadBytes(dir / "a.dat");
  const std::string b = ReadBytes(dir / "b.dat");
  EXPECT_NE(a.substr(0, 8), b.substr(0, 8));
  EXPECT_NE(a, b);
  for (const char* name : {"a.dat", "b.dat"}) {
    EXPECT_EQ(DecipherFile(dir / name, dir / "back.txt"), CipherResult::Ok);
    EXPECT_EQ(ReadBytes(dir / "back.txt"), plain);
  }
}

// A file that fails to decipher never puts plain text on disk: an existing
// target keeps its bytes, a missing one is not created, nothing is left over.
TEST(CipherFiles, FailuresLeaveTheTargetAlone) {
  const std::string plain = RandomBytes(kCipherBufferSize + 100, 3);
  const std::string good = EncipherBytes(plain);
  const std::size_t trailer = good.size() - 10;
  auto flip = [&](std::size_t at) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x01);
    return bad;
  };
  struct Case {
    const char* name;
    std::string file;
    CipherResult expected;
  };
  const Case cases[] = {
      {"other pass phrase", EncipherBytes(plain, "another pass phrase"),
       CipherResult::WrongPassPhrase},
      {"empty file", "", CipherResult::WrongPassPhrase},
      {"shorter than salt, verifier and code", good.substr(0, 19), CipherResult::WrongPassPhrase},
      {"flipped verifier", flip(8), CipherResult::WrongPassPhrase},
      {"flipped first body byte", flip(10), CipherResult::Damaged},
      {"flipped last body byte", flip(trailer - 1), CipherResult::Damaged},
      {"flipped trailer byte", flip(trailer + 4), CipherResult::Damaged},
      {"cut in the body", good.substr(0, 1000), CipherResult::Damaged},
      {"trailer missing", good.substr(0, trailer), CipherResult::Damaged},
      {"bytes appended", good + "x", CipherResult::Damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir / "settings.dat", c.file);
    WriteBytes(dir / "existing.txt", "earlier plain text");
    EXPECT_EQ(DecipherFile(dir / "settings.dat", dir / "existing.txt"), c.expected);
    EXPECT_EQ(DecipherFile(dir / "settings.dat", dir / "new.txt"), c.expected);
    EXPECT_EQ(ReadBytes(dir / "existing.txt"), "earlier plain text");
    EXPECT_EQ(FolderEntries(dir.path()),
              (std::vector<std::string>{"existing.txt", "settings.dat"}));

    std::string memory = "earlier";
    EXPECT_EQ(DecipherBytes(c.file, memory), c.expected);
    EXPECT_EQ(memory, "");
  }
}

TEST(CipherFiles, FileErrorsNameTheFile) {
  TempDir dir;
  WriteBytes(dir / "plain.txt", "text");
  EncipherFile(dir / "plain.txt", dir / "settings.dat");
  fs::create_directory(dir / "folder");
  const fs::path missing_folder = dir / "no-such-folder" / "out.txt";

  auto expect_file_error = [](auto call, const fs::path& named) {
    try {
      call();
      ADD_FAILURE() << "no error for " << named;
    } catch (const FileError& e) {
      EXPECT_NE(std::string(e.what()).find(named.string()), std::string::npos) << e.what();
    }
  };
  expect_file_error([&] { EncipherFile(dir / "missing.txt", dir / "out.dat"); },
                    dir / "missing.txt");
  expect_file_error([&] { DecipherFile(dir / "missing.dat", dir / "out.txt"); },
                    dir / "missing.dat");
  expect_file_error([&] { DecipherFile(dir / "folder", dir / "out.txt"); }, dir / "folder");
  expect_file_error([&] { EncipherFile(dir / "plain.txt", missing_folder); }, missing_folder);
  expect_file_error([&] { DecipherFile(dir / "settings.dat", missing_folder); }, missing_folder);
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::vector<std::string>{"folder", "plain.txt", "settings.dat"}));
}

// --- Cross-checks with 7z, an independent implementation of the same
// --- published scheme (AES encryption of zip entries, AE-2).

std::uint32_t Le(std::string_view bytes, std::size_t at, int width) {
  std::uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) {
    v = (v << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
  }
  return v;
}

void PutLe(std::string& out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) {
    out += static_cast<char>((value >> (8 * i)) & 0xff);
  }
}

// The data of the only entry of a zip archive, found through its central directory.
std::string OnlyZipEntryData(std::string_view zip, std::string* aes_extra) {
  const std::size_t end = zip.rfind(std::string_view("PK\x05\x06", 4));
  EXPECT_NE(end, std::string_view::npos);
  EXPECT_EQ(Le(zip, end + 10, 2), 1u) << "entries";
  const std::size_t central = Le(zip, end + 16, 4);
  EXPECT_EQ(Le(zip, central, 4), 0x02014b50u);
  EXPECT_EQ(Le(zip, central + 10, 2), 99u) << "method";
  const std::uint32_t packed = Le(zip, central + 20, 4);
  const std::size_t local = Le(zip, central + 42, 4);
  EXPECT_EQ(Le(zip, local, 4), 0x04034b50u);
  const std::size_t name_length = Le(zip, local + 26, 2);
  const std::size_t extra_length = Le(zip, local + 28, 2);
  std::string_view extra = zip.substr(local + 30 + name_length, extra_length);
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const std::size_t id = Le(extra, at, 2);
    const std::size_t size = Le(extra, at + 2, 2);
    if (id == 0x9901) {
      *aes_extra = std::string(extra.substr(at + 4, size));
    }
    at += 4 + size;
  }
  return std::string(zip.substr(local + 30 + name_length + extra_length, packed));
}

// A minimal archive holding one stored entry in AE-2 form, strength 1.
std::string WrapInZip(std::string_view name, std::string_view enciphered, std::size_t plain_size) {
  std::string extra;
  PutLe(extra, 0x9901, 2);
  PutLe(extra, 7, 2);
  PutLe(extra, 2, 2);  // AE-2: no CRC
  extra += "AE";
  extra += '\x01';     // strength 1, AES-128
  PutLe(extra, 0, 2);  // stored

  auto common = [&](std::string& out) {
    PutLe(out, 51, 2);    // version needed
    PutLe(out, 1, 2);     // flags: encrypted
    PutLe(out, 99, 2);    // method: AES
    PutLe(out, 0, 2);     // time
    PutLe(out, 0x21, 2);  // date 1980-01-01
    PutLe(out, 0, 4);     // CRC
    PutLe(out, static_cast<std::uint32_t>(enciphered.size()), 4);
    PutLe(out, static_cast<std::uint32_t>(plain_size), 4);
    PutLe(out, static_cast<std::uint32_t>(name.size()), 2);
    PutLe(out, static_cast<std::uint32_t>(extra.size()), 2);
  };
  std::string zip;
  PutLe(zip, 0x04034b50, 4);
  common(zip);
  zip += name;
  zip += extra;
  zip += enciphered;

  const std::size_t central = zip.size();
  PutLe(zip, 0x02014b50, 4);
  PutLe(zip, 51, 2);  // made by
  common(zip);
  PutLe(zip, 0, 2);  // comment
  PutLe(zip, 0, 2);  // disk
  PutLe(zip, 0, 2);  // internal attributes
  PutLe(zip, 0, 4);  // external attributes
  PutLe(zip, 0, 4);  // local header offset
  zip += name;
  zip += extra;
  const std::size_t central_size = zip.size() - central;

  PutLe(zip, 0x06054b50, 4);
  PutLe(zip, 0, 2);
  PutLe(zip, 0, 2);
  PutLe(zip, 1, 2);
  PutLe(zip, 1, 2);
  PutLe(zip, static_cast<std::uint32_t>(central_size), 4);
  PutLe(zip, static_cast<std::uint32_t>(central), 4);
  PutLe(zip, 0, 2);
  return zip;
}

class CipherCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RunCommand("command -v 7z"), 0) << "7z is missing: run make deps (p7zip-full)";
  }
  TempDir dir_;
  const std::string plain_ = RandomBytes(kCipherBufferSize + 1234, 11);
};

TEST_F(CipherCrossCheck, DeciphersWhat7zEnciphered) {
  WriteBytes(dir_ / "plain.bin", plain_);
  std::string out;
  std::string err;
  ASSERT_EQ(RunCommand("cd " + ShellQuote(dir_.path().string()) +
                           " && 7z a -tzip -mx=0 -mem=AES128 -pzenqovilrd out.zip plain.bin",
                       &out, &err),
            0)
      << out << err;
  std::string aes_extra;
  const std::string data = OnlyZipEntryData(ReadBytes(dir_ / "out.zip"), &aes_extra);
  ASSERT_EQ(aes_extra.size(), 7u);
  EXPECT_EQ(aes_extra.substr(2, 3), "AE\x01");  // vendor, strength 1
  ASSERT_EQ(data.size(), plain_.size() + 20);

  std::string back;
  EXPECT_EQ(DecipherBytes(data, back, "zenqovilrd"), CipherResult::Ok);
  EXPECT_TRUE(back == plain_);
  WriteBytes(dir_ / "entry.dat", data);
  EXPECT_EQ(DecipherFile(dir_ / "entry.dat", dir_ / "back.bin"), CipherResult::Ok);
  EXPECT_TRUE(ReadBytes(dir_ / "back.bin") == plain_);
}

TEST_F(CipherCrossCheck, SevenZipExtractsWhatWeEnciphered) {
  WriteBytes(dir_ / "plain.bin", plain_);
  EncipherFile(dir_ / "plain.bin", dir_ / "settings.dat");
  WriteBytes(dir_ / "ours.zip",
             WrapInZip("entry.bin", ReadBytes(dir_ / "settings.dat"), plain_.size()));
  std::string out;
  std::string err;
  ASSERT_EQ(RunCommand("cd " + ShellQuote(dir_.path().string()) +
                           " && 7z x -y -pzenqovilrd -oextracted ours.zip",
                       &out, &err),
            0)
      << out << err;
  EXPECT_TRUE(ReadBytes(dir_ / "extracted" / "entry.bin") == plain_);
}

}  // namespace
}  // namespace wordlark
