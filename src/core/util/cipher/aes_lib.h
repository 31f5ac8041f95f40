#pragma once

// The settings file cipher: a whole stream enciphered and authenticated under a
// pass phrase.
//
// Layout of an enciphered file (S = salt length, L = plain length):
//   [0, S)          salt, random for every file
//   [S, S+2)        pass-phrase verifier (last two bytes of the derived key material)
//   [S+2, S+2+L)    the plain data in counter mode, exactly L bytes
//   [S+2+L, +10)    first 10 bytes of HMAC-SHA1 over the enciphered data
//
// The key strength is stored nowhere; it follows from the pass phrase length:
//   0-31 bytes: AES-128, 8-byte salt; 32-47: AES-192, 12-byte salt; 48-128: AES-256,
//   16-byte salt. Longer pass phrases are refused.
// Key material (2K + 2 bytes) comes from PBKDF2-HMAC-SHA1 with 1000 iterations:
//   AES key, HMAC-SHA1 key, 2 verifier bytes.
// The counter block holds a 64-bit counter in bytes 0-7, least significant byte
// first; bytes 8-15 are zero. The first keystream block is AES(01 00 ... 00).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/error.h"

namespace wordlark {

// The pass phrase of the settings file shipped beside the executable.
inline constexpr std::string_view SettingsPassPhrase = "zenqovilrd";

// The piece size for files: memory use does not grow with the file.
inline constexpr std::size_t kCipherBufferSize = 262144;
inline constexpr std::size_t kMaxPassPhraseLength = 128;
inline constexpr int kKeyDerivationIterations = 1000;
inline constexpr std::size_t kVerifierLength = 2;
inline constexpr std::size_t kAuthCodeLength = 10;

// A pass phrase outside the scheme, or a failure inside the crypto library.
class CipherError : public Error {
 public:
  using Error::Error;
};

// How deciphering ended.
enum class CipherResult {
  Ok,               // verifier and authentication code match
  WrongPassPhrase,  // verifier mismatch, or too short to hold salt, verifier and code
  Damaged,          // the authentication code does not match the data
};

// PBKDF2 with HMAC-SHA1: `length` bytes derived from pass phrase and salt. The
// cipher derives its key material through this function.
std::string DeriveKeyPbkdf2Sha1(std::string_view pass_phrase, std::string_view salt, int iterations,
                                std::size_t length);

// Strength 1, 2 or 3 for a pass phrase of this many bytes; throws CipherError
// above kMaxPassPhraseLength.
int CipherStrength(std::size_t pass_phrase_length);
std::size_t SaltLength(int strength);
std::size_t AesKeyLength(int strength);

// Where the stream operations read from. Read returns fewer bytes than asked
// only at the end of the data; errors are thrown (FileError).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::size_t Read(char* data, std::size_t size) = 0;
};

// Where the stream operations write to; errors are thrown (FileError).
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

// Reads bytes held in memory (which must outlive it).
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Read(char* data, std::size_t size) override;

 private:
  std::string_view bytes_;
};

class CipherContext;

// Pass phrase, strength, a piece buffer and the cipher context of one stream
// operation.
class TCrypt {
 public:
  // Throws CipherError for a pass phrase longer than kMaxPassPhraseLength.
  TCrypt(std::string_view pass_phrase, std::size_t buffer_size);
  virtual ~TCrypt();
  TCrypt(const TCrypt&) = delete;
  TCrypt& operator=(const TCrypt&) = delete;

  int strength() const { return strength_; }
  std::size_t salt_length() const { return SaltLength(strength_); }
  std::size_t buffer_size() const { return buffer_.size(); }

 protected:
  // Derives the keys from pass phrase and salt and resets the counter; returns
  // the verifier.
  std::string SetUpContext(std::string_view salt);
  // Counter-mode transform plus authentication, continuing seamlessly from the
  // previous run.
  void EncipherRun(char* data, std::size_t size);
  void DecipherRun(char* data, std::size_t size);
  // The first kAuthCodeLength bytes of the finished HMAC.
  std::string FinishAuthCode();

  std::vector<char>& buffer() { return buffer_; }

 private:
  std::string pass_phrase_;
  int strength_;
  std::vector<char> buffer_;
  std::unique_ptr<CipherContext> context_;
};

// Enciphers and deciphers whole streams.
class TEncryption : public TCrypt {
 public:
  TEncryption(std::string_view pass_phrase, std::size_t buffer_size = kCipherBufferSize);
  ~TEncryption() override;

  // Writes salt, verifier, the enciphered rest of the source and the
  // authentication code to the target. Read and write errors are thrown.
  void EncryptStream(ByteSource& source, ByteSink& target);

  // Deciphers `size` bytes of enciphered data (header and trailer included) from
  // the source into the target. The target receives plain text before the
  // authentication code is checked, so a caller must drop what was written
  // unless the result is Ok. Nothing is written when the verifier fails. A
  // source that ends before `size` bytes gives Damaged.
  CipherResult DecryptStream(ByteSource& source, ByteSink& target, std::uint64_t size);

  // Uses this salt instead of random bytes for every following EncryptStream
  // (known-answer tests); its length must be salt_length().
  void SetFixedSalt(std::string salt);

 private:
  std::string DrawSalt();

  std::string fixed_salt_;
};

// Enciphers a file into another; the target is written atomically and is left
// as it was on any failure. Throws FileError (source cannot be opened or read,
// target cannot be written) or CipherError.
void EncipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                  std::string_view pass_phrase = SettingsPassPhrase);

// Deciphers a file into another. The target is written only when the result is
// Ok; otherwise it is left as it was, and no plain text reaches the disk.
// Throws FileError (source cannot be opened or read, target cannot be written).
CipherResult DecipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                          std::string_view pass_phrase = SettingsPassPhrase);

// The same in memory. DecipherBytes leaves `plain` empty unless the result is Ok.
std::string EncipherBytes(std::string_view plain,
                          std::string_view pass_phrase = SettingsPassPhrase);
CipherResult DecipherBytes(std::string_view enciphered, std::string& plain,
                           std::string_view pass_phrase = SettingsPassPhrase);

// A short English sentence for a result other than Ok, about the named file.
std::string CipherResultMessage(CipherResult result, const std::filesystem::path& file);

}  // namespace wordlark
