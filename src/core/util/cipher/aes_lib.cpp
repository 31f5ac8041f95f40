#include "util/cipher/aes_lib.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "util/file_io.h"

namespace wordlark {

namespace {

constexpr std::size_t kBlock = 16;
constexpr std::size_t kSha1Length = 20;
// Counter blocks enciphered per library call: large enough that the call costs
// nothing, small enough to stay in the first-level cache.
constexpr std::size_t kKeystreamBlocks = 1024;

// Joins pieces by appending (kinder to the optimiser than chains of operator+).
std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view piece : pieces) {
    out += piece;
  }
  return out;
}

std::string Quoted(const std::filesystem::path& path) {
  return Join({"\"", path.string(), "\""});
}

[[noreturn]] void ThrowCrypto(const char* what) {
  throw CipherError(std::string("The crypto library failed: ") + what + ".");
}

void XorBytes(char* data, const unsigned char* keystream, std::size_t size) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t d;
    std::uint64_t k;
    std::memcpy(&d, data + i, 8);
    std::memcpy(&k, keystream + i, 8);
    d ^= k;
    std::memcpy(data + i, &d, 8);
  }
  for (; i < size; ++i) {
    data[i] = static_cast<char>(static_cast<unsigned char>(data[i]) ^ keystream[i]);
  }
}

void StoreLittleEndian(std::uint64_t value, unsigned char* out) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &value, 8);
  } else {
    for (int b = 0; b < 8; ++b) {
      out[b] = static_cast<unsigned char>(value & 0xff);
      value >>= 8;
    }
  }
}

struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); }
};
struct MacCtxFree {
  void operator()(EVP_MAC_CTX* p) const { EVP_MAC_CTX_free(p); }
};
struct MacFree {
  void operator()(EVP_MAC* p) const { EVP_MAC_free(p); }
};

// Reads a whole file in pieces, straight from its descriptor.
// A regular file, never more than kDefaultReadLimit bytes of it.
class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::filesystem::path& path) : file_(path, kDefaultReadLimit) {}

  std::uint64_t size() const { return file_.size(); }

  std::size_t Read(char* data, std::size_t size) override { return file_.Read(data, size); }

 private:
  InputFile file_;
};

class AtomicFileSink : public ByteSink {
 public:
  explicit AtomicFileSink(AtomicFile& file) : file_(file) {}
  void Write(std::string_view bytes) override { file_.Write(bytes); }

 private:
  AtomicFile& file_;
};

class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void Write(std::string_view bytes) override { out_.append(bytes); }

 private:
  std::string& out_;
};

}  // namespace

std::size_t MemorySource::Read(char* data, std::size_t size) {
  const std::size_t n = std::min(size, bytes_.size());
  std::memcpy(data, bytes_.data(), n);
  bytes_.remove_prefix(n);
  return n;
}

// Counter mode over AES (enciphering direction only) plus HMAC-SHA1 over the
// enciphered bytes.
class CipherContext {
 public:
  CipherContext() : cipher_(EVP_CIPHER_CTX_new()) {
    if (!cipher_) {
      ThrowCrypto("no cipher context");
    }
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (mac == nullptr) {
      ThrowCrypto("no HMAC");
    }
    std::unique_ptr<EVP_MAC, MacFree> owner(mac);
    mac_.reset(EVP_MAC_CTX_new(mac));
    if (!mac_) {
      ThrowCrypto("no HMAC context");
    }
    counters_.fill(0);
  }

  ~CipherContext() {
    OPENSSL_cleanse(keystream_.data(), keystream_.size());
    OPENSSL_cleanse(block_.data(), block_.size());
  }

  // Sets up keys, counter and HMAC from the key material (2K + 2 bytes).
  void SetUp(const std::string& material, std::size_t key_length) {
    const EVP_CIPHER* aes = key_length == 16   ? EVP_aes_128_ecb()
                            : key_length == 24 ? EVP_aes_192_ecb()
                                               : EVP_aes_256_ecb();
    const auto* key = reinterpret_cast<const unsigned char*>(material.data());
    if (EVP_EncryptInit_ex(cipher_.get(), aes, nullptr, key, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(cipher_.get(), 0) != 1) {
      ThrowCrypto("AES key set-up");
    }
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_end(),
    };
    if (EVP_MAC_init(mac_.get(), key + key_length, key_length, params) != 1) {
      ThrowCrypto("HMAC key set-up");
    }
    counter_ = 0;
    position_ = kBlock;
  }

  void Transform(char* data, std::size_t size) {
    while (size > 0 && position_ < kBlock) {
      *data = static_cast<char>(static_cast<unsigned char>(*data) ^ block_[position_++]);
      ++data;
      --size;
    }
    while (size > 0) {
      const std::size_t blocks = std::min(kKeystreamBlocks, (size + kBlock - 1) / kBlock);
      for (std::size_t i = 0; i < blocks; ++i) {
        StoreLittleEndian(++counter_, counters_.data() + i * kBlock);
      }
      int produced = 0;
      const int length = static_cast<int>(blocks * kBlock);
      if (EVP_EncryptUpdate(cipher_.get(), keystream_.data(), &produced, counters_.data(),
                            length) != 1 ||
          produced != length) {
        ThrowCrypto("AES");
      }
      const std::size_t take = std::min(size, blocks * kBlock);
      XorBytes(data, keystream_.data(), take);
      data += take;
      size -= take;
      const std::size_t rest = take % kBlock;
      if (rest != 0) {
        // Only the last run ends inside a block; keep its unused keystream.
        std::memcpy(block_.data(), keystream_.data() + take - rest, kBlock);
        position_ = rest;
      } else {
        position_ = kBlock;
      }
    }
  }

  void Authenticate(const char* data, std::size_t size) {
    if (EVP_MAC_update(mac_.get(), reinterpret_cast<const unsigned char*>(data), size) != 1) {
      ThrowCrypto("HMAC");
    }
  }

  std::string FinishCode() {
    unsigned char code[EVP_MAX_MD_SIZE];
    std::size_t length = 0;
    if (EVP_MAC_final(mac_.get(), code, &length, sizeof code) != 1 || length != kSha1Length) {
      ThrowCrypto("HMAC");
    }
    return std::string(reinterpret_cast<const char*>(code), kAuthCodeLength);
  }

 private:
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> cipher_;
  std::unique_ptr<EVP_MAC_CTX, MacCtxFree> mac_;
  std::uint64_t counter_ = 0;
  std::size_t position_ = kBlock;
  std::array<unsigned char, kBlock> block_{};
  // Bytes 8-15 of every counter block stay zero.
  std::array<unsigned char, kKeystreamBlocks * kBlock> counters_{};
  std::array<unsigned char, kKeystreamBlocks * kBlock> keystream_{};
};

std::string DeriveKeyPbkdf2Sha1(std::string_view pass_phrase, std::string_view salt, int iterations,
                                std::size_t length) {
  std::string out(length, '\0');
  if (PKCS5_PBKDF2_HMAC_SHA1(pass_phrase.data(), static_cast<int>(pass_phrase.size()),
                             reinterpret_cast<const unsigned char*>(salt.data()),
                             static_cast<int>(salt.size()), iterations, static_cast<int>(length),
                             reinterpret_cast<unsigned char*>(out.data())) != 1) {
    ThrowCrypto("PBKDF2");
  }
  return out;
}

int CipherStrength(std::size_t pass_phrase_length) {
  if (pass_phrase_length > kMaxPassPhraseLength) {
    throw CipherError(
        Join({"The pass phrase is ", std::to_string(pass_phrase_length), " bytes long; at most ",
              std::to_string(kMaxPassPhraseLength), " bytes are allowed."}));
  }
  return pass_phrase_length < 32 ? 1 : pass_phrase_length < 48 ? 2 : 3;
}

std::size_t SaltLength(int strength) {
  return 4 + 4 * static_cast<std::size_t>(strength);
}

std::size_t AesKeyLength(int strength) {
  return 8 + 8 * static_cast<std::size_t>(strength);
}

TCrypt::TCrypt(std::string_view pass_phrase, std::size_t buffer_size)
    : pass_phrase_(pass_phrase),
      strength_(CipherStrength(pass_phrase.size())),
      buffer_(std::max<std::size_t>(buffer_size, 1)),
      context_(std::make_unique<CipherContext>()) {}

TCrypt::~TCrypt() {
  OPENSSL_cleanse(pass_phrase_.data(), pass_phrase_.size());
  OPENSSL_cleanse(buffer_.data(), buffer_.size());
}

std::string TCrypt::SetUpContext(std::string_view salt) {
  const std::size_t key_length = AesKeyLength(strength_);
  std::string material = DeriveKeyPbkdf2Sha1(pass_phrase_, salt, kKeyDerivationIterations,
                                             2 * key_length + kVerifierLength);
  context_->SetUp(material, key_length);
  std::string verifier = material.substr(2 * key_length);
  OPENSSL_cleanse(material.data(), material.size());
  return verifier;
}

void TCrypt::EncipherRun(char* data, std::size_t size) {
  context_->Transform(data, size);
  context_->Authenticate(data, size);
}

void TCrypt::DecipherRun(char* data, std::size_t size) {
  context_->Authenticate(data, size);
  context_->Transform(data, size);
}

std::string TCrypt::FinishAuthCode() {
  return context_->FinishCode();
}

TEncryption::TEncryption(std::string_view pass_phrase, std::size_t buffer_size)
    : TCrypt(pass_phrase, buffer_size) {}

TEncryption::~TEncryption() = default;

void TEncryption::SetFixedSalt(std::string salt) {
  if (salt.size() != salt_length()) {
    throw CipherError(Join({"The salt must be ", std::to_string(salt_length()), " bytes long."}));
  }
  fixed_salt_ = std::move(salt);
}

std::string TEncryption::DrawSalt() {
  if (!fixed_salt_.empty()) {
    return fixed_salt_;
  }
  std::string salt(salt_length(), '\0');
  if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), static_cast<int>(salt.size())) !=
      1) {
    ThrowCrypto("no random bytes for the salt");
  }
  return salt;
}

void TEncryption::EncryptStream(ByteSource& source, ByteSink& target) {
  const std::string salt = DrawSalt();
  const std::string verifier = SetUpContext(salt);
  target.Write(salt);
  target.Write(verifier);
  std::vector<char>& buf = buffer();
  for (;;) {
    const std::size_t n = source.Read(buf.data(), buf.size());
    if (n > 0) {
      EncipherRun(buf.data(), n);
      target.Write(std::string_view(buf.data(), n));
    }
    if (n < buf.size()) {
      break;
    }
  }
  target.Write(FinishAuthCode());
}

CipherResult TEncryption::DecryptStream(ByteSource& source, ByteSink& target, std::uint64_t size) {
  const std::size_t salt_size = salt_length();
  if (size < salt_size + kVerifierLength + kAuthCodeLength) {
    return CipherResult::WrongPassPhrase;
  }
  std::string header(salt_size + kVerifierLength, '\0');
  if (source.Read(header.data(), header.size()) != header.size()) {
    return CipherResult::Damaged;
  }
  const std::string verifier = SetUpContext(std::string_view(header).substr(0, salt_size));
  if (CRYPTO_memcmp(verifier.data(), header.data() + salt_size, kVerifierLength) != 0) {
    return CipherResult::WrongPassPhrase;
  }
  std::uint64_t left = size - header.size() - kAuthCodeLength;
  std::vector<char>& buf = buffer();
  while (left > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buf.size()));
    const std::size_t n = source.Read(buf.data(), want);
    DecipherRun(buf.data(), n);
    target.Write(std::string_view(buf.data(), n));
    if (n < want) {
      return CipherResult::Damaged;
    }
    left -= n;
  }
  const std::string code = FinishAuthCode();
  char trailer[kAuthCodeLength];
  if (source.Read(trailer, kAuthCodeLength) != kAuthCodeLength ||
      CRYPTO_memcmp(code.data(), trailer, kAuthCodeLength) != 0) {
    return CipherResult::Damaged;
  }
  return CipherResult::Ok;
}

namespace {

// One file ciphered into the atomic replacement of another.
struct FileCipherRun {
  FileCipherRun(const std::filesystem::path& source, const std::filesystem::path& target,
                std::string_view pass_phrase)
      : crypt(pass_phrase, kCipherBufferSize), in(source), out(target), sink(out) {}

  TEncryption crypt;
  FileSource in;
  AtomicFile out;
  AtomicFileSink sink;
};

}  // namespace

void EncipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                  std::string_view pass_phrase) {
  FileCipherRun run(source, target, pass_phrase);
  run.crypt.EncryptStream(run.in, run.sink);
  run.out.Commit();
}

CipherResult DecipherFile(const std::filesystem::path& source, const std::filesystem::path& target,
                          std::string_view pass_phrase) {
  FileCipherRun run(source, target, pass_phrase);
  const CipherResult result = run.crypt.DecryptStream(run.in, run.sink, run.in.size());
  if (result == CipherResult::Ok) {
    run.out.Commit();
  } else {
    run.out.Discard();
  }
  return result;
}

std::string EncipherBytes(std::string_view plain, std::string_view pass_phrase) {
  TEncryption crypt(pass_phrase, kCipherBufferSize);
  std::string out;
  out.reserve(plain.size() + crypt.salt_length() + kVerifierLength + kAuthCodeLength);
  MemorySource in(plain);
  StringSink sink(out);
  crypt.EncryptStream(in, sink);
  return out;
}

CipherResult DecipherBytes(std::string_view enciphered, std::string& plain,
                           std::string_view pass_phrase) {
  plain.clear();
  TEncryption crypt(pass_phrase, kCipherBufferSize);
  std::string out;
  out.reserve(enciphered.size());
  MemorySource in(enciphered);
  StringSink sink(out);
  const CipherResult result = crypt.DecryptStream(in, sink, enciphered.size());
  if (result == CipherResult::Ok) {
    plain = std::move(out);
  } else {
    OPENSSL_cleanse(out.data(), out.size());
  }
  return result;
}

std::string CipherResultMessage(CipherResult result, const std::filesystem::path& file) {
  switch (result) {
    case CipherResult::Ok:
      return Join({"The file ", Quoted(file), " was deciphered."});
    case CipherResult::WrongPassPhrase:
      return Join({"The file ", Quoted(file),
                   " was not enciphered under this pass phrase, or is not an enciphered file."});
    case CipherResult::Damaged:
      return Join(
          {"The file ", Quoted(file), " is damaged: its authentication code does not match."});
  }
  return {};
}

}  // namespace wordlark
