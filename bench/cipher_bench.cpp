// Settings file cipher: throughput of the stream and file operations beside the
// bound of the primitives (AES-128-ECB plus HMAC-SHA1 over the same bytes,
// measured in this process), the cost of the same file reads and atomic writes
// without any ciphering, and the peak memory of wordlark-brand on a large file.
// All files live in a temporary folder that is removed at exit.
//
// Counters: of_bound = bound time / own time; for the file operations also
// of_bound_plus_io = (bound time + time of the plain file I/O) / own time.

#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "util/cipher/aes_lib.h"
#include "util/file_io.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kFileSize = 64 * kMiB;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Starts wordlark-brand for the memory figures. A child's peak resident set
// includes the pages its parent had when it was forked, so the tool is started
// by a helper forked at program start, while this process is still small,
// rather than by the benchmark process holding its 64 MiB buffers.
class Launcher {
 public:
  Launcher() {
    if (pipe(requests_) != 0 || pipe(replies_) != 0) {
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(requests_[1]);
      close(replies_[0]);
      Serve(requests_[0], replies_[1]);
      _exit(0);
    }
    close(requests_[0]);
    close(replies_[1]);
  }
  ~Launcher() {
    if (pid_ > 0) {
      close(requests_[1]);
      close(replies_[0]);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Runs the tool with these arguments; returns its peak resident set in KiB,
  // or -1 when it could not run or failed.
  long Run(const std::vector<std::string>& arguments) {
    std::string request;
    for (const std::string& a : arguments) {
      request += a;
      request += '\0';
    }
    const std::uint32_t size = static_cast<std::uint32_t>(request.size());
    long peak = -1;
    if (pid_ <= 0 || !WriteAll(requests_[1], &size, sizeof size) ||
        !WriteAll(requests_[1], request.data(), request.size()) ||
        !ReadAll(replies_[0], &peak, sizeof peak)) {
      return -1;
    }
    return peak;
  }

 private:
  static bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = write(fd, p, size);
      if (n <= 0) {
        return false;
      }
      p += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  static bool ReadAll(int fd, void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
      const ssize_t n = read(fd, p, size);
      if (n <= 0) {
        return false;
      }
      p += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  static void Serve(int in, int out) {
    const std::string program = std::string(WORDLARK_BIN_DIR) + "/wordlark-brand";
    std::uint32_t size = 0;
    while (ReadAll(in, &size, sizeof size)) {
      std::string request(size, '\0');
      if (!ReadAll(in, request.data(), size)) {
        return;
      }
      std::vector<char*> argv = {const_cast<char*>(program.c_str())};
      for (std::size_t at = 0; at < request.size(); at += std::strlen(request.data() + at) + 1) {
        argv.push_back(request.data() + at);
      }
      argv.push_back(nullptr);
      long peak = -1;
      const pid_t child = fork();
      if (child == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
      }
      int status = 0;
      rusage usage{};
      if (child > 0 && wait4(child, &status, 0, &usage) == child && WIFEXITED(status) &&
          WEXITSTATUS(status) == 0) {
        peak = usage.ru_maxrss;  // KiB
      }
      if (!WriteAll(out, &peak, sizeof peak)) {
        return;
      }
    }
  }

  int requests_[2] = {-1, -1};
  int replies_[2] = {-1, -1};
  pid_t pid_ = -1;
};

Launcher launcher;

std::string PseudoRandom(std::size_t size, std::uint64_t seed) {
  std::string out(size, '\0');
  std::uint64_t x = seed | 1;
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    std::memcpy(out.data() + i, &x, 8);
  }
  return out;
}

// The temporary folder with a 64 MiB plain file and its enciphered form.
class Files {
 public:
  static Files& Get() {
    static Files files;
    return files;
  }
  ~Files() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  const fs::path& folder() const { return folder_; }
  fs::path operator/(const char* name) const { return folder_ / name; }
  const std::string& plain() const { return plain_; }
  const std::string& enciphered() const { return enciphered_; }

 private:
  Files() {
    std::string pattern = (fs::temp_directory_path() / "wordlark-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary folder");
    }
    folder_ = pattern;
    plain_ = PseudoRandom(kFileSize, 42);
    wordlark::WriteFileAtomic(folder_ / "plain.bin", plain_);
    wordlark::EncipherFile(folder_ / "plain.bin", folder_ / "settings.dat");
    enciphered_ = wordlark::EncipherBytes(plain_);
  }

  fs::path folder_;
  std::string plain_;
  std::string enciphered_;
};

// AES-128-ECB over the bytes (in pieces of the cipher's buffer size) plus
// HMAC-SHA1 over the same bytes: what the cipher cannot beat.
void RunBound(const std::string& data) {
  static const unsigned char key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  static std::vector<unsigned char> out(wordlark::kCipherBufferSize);
  EVP_CIPHER_CTX* aes = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(aes, EVP_aes_128_ecb(), nullptr, key, nullptr);
  EVP_CIPHER_CTX_set_padding(aes, 0);
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  for (std::size_t at = 0; at < data.size(); at += out.size()) {
    int n = 0;
    EVP_EncryptUpdate(aes, out.data(), &n, bytes + at,
                      static_cast<int>(std::min(out.size(), data.size() - at)));
    benchmark::DoNotOptimize(out.data());
  }
  EVP_CIPHER_CTX_free(aes);

  EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac);
  char digest[] = "SHA1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                               OSSL_PARAM_construct_end()};
  EVP_MAC_init(ctx, key, sizeof key, params);
  EVP_MAC_update(ctx, bytes, data.size());
  unsigned char code[EVP_MAX_MD_SIZE];
  std::size_t length = 0;
  EVP_MAC_final(ctx, code, &length, sizeof code);
  benchmark::DoNotOptimize(code);
  EVP_MAC_CTX_free(ctx);
  EVP_MAC_free(mac);
}

// The file work of the cipher without the cipher: read the source in pieces of
// the buffer size, write them to an atomic target and commit.
void RunPlainIo(const fs::path& source, const fs::path& target) {
  std::ifstream in(source, std::ios::binary);
  wordlark::AtomicFile out(target);
  std::vector<char> buffer(wordlark::kCipherBufferSize);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    out.Write(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
  }
  out.Commit();
}

template <typename Body>
double BestOf(int runs, Body body) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    body();
    best = std::min(best, Seconds(start));
  }
  return best;
}

// Seconds for one pass of the bound over the 64 MiB, best of five.
double BoundSeconds() {
  static const double seconds = BestOf(5, [] { RunBound(Files::Get().plain()); });
  return seconds;
}

double PlainIoSeconds() {
  static const double seconds =
      BestOf(3, [] { RunPlainIo(Files::Get() / "plain.bin", Files::Get() / "io.bin"); });
  return seconds;
}

// Runs the body in the benchmark loop; reports bytes/second and the shares of
// the bound reached.
template <typename Body>
void Measure(benchmark::State& state, bool with_io, Body body) {
  const double bound = BoundSeconds();
  const double io = with_io ? PlainIoSeconds() : 0.0;
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    body();
    total += Seconds(start);
  }
  const double own = total / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
  state.counters["of_bound"] = bound / own;
  if (with_io) {
    state.counters["of_bound_plus_io"] = (bound + io) / own;
  }
}

void BM_Bound_AesEcbPlusHmacSha1(benchmark::State& state) {
  const std::string& plain = Files::Get().plain();
  for (auto _ : state) {
    RunBound(plain);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_Bound_AesEcbPlusHmacSha1)->Unit(benchmark::kMillisecond);

// The stream operations alone: from memory, to a sink that drops the bytes.
using wordlark::MemorySource;

class DropSink : public wordlark::ByteSink {
 public:
  void Write(std::string_view bytes) override { benchmark::DoNotOptimize(bytes.data()); }
};

void BM_EncryptStream(benchmark::State& state) {
  const std::string& plain = Files::Get().plain();
  Measure(state, false, [&] {
    wordlark::TEncryption crypt(wordlark::SettingsPassPhrase);
    MemorySource source(plain);
    DropSink sink;
    crypt.EncryptStream(source, sink);
  });
}
BENCHMARK(BM_EncryptStream)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecryptStream(benchmark::State& state) {
  const std::string& enciphered = Files::Get().enciphered();
  Measure(state, false, [&] {
    wordlark::TEncryption crypt(wordlark::SettingsPassPhrase);
    MemorySource source(enciphered);
    DropSink sink;
    if (crypt.DecryptStream(source, sink, enciphered.size()) != wordlark::CipherResult::Ok) {
      state.SkipWithError("deciphering failed");
    }
  });
}
BENCHMARK(BM_DecryptStream)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainFileIo(benchmark::State& state) {
  Files& files = Files::Get();
  for (auto _ : state) {
    RunPlainIo(files / "plain.bin", files / "io.bin");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_PlainFileIo)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncipherFile(benchmark::State& state) {
  Files& files = Files::Get();
  Measure(state, true, [&] { wordlark::EncipherFile(files / "plain.bin", files / "out.dat"); });
}
BENCHMARK(BM_EncipherFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecipherFile(benchmark::State& state) {
  Files& files = Files::Get();
  Measure(state, true, [&] {
    if (wordlark::DecipherFile(files / "settings.dat", files / "out.bin") !=
        wordlark::CipherResult::Ok) {
      state.SkipWithError("deciphering failed");
    }
  });
}
BENCHMARK(BM_DecipherFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak memory of wordlark-brand for a plain file of state.range(0) MiB.
void BM_BrandToolPeakRss(benchmark::State& state) {
  const fs::path folder = Files::Get().folder();
  const std::size_t size = static_cast<std::size_t>(state.range(0)) * kMiB;
  {
    std::ofstream out(folder / "large.bin", std::ios::binary);
    const std::string piece = PseudoRandom(kMiB, 7);
    for (std::size_t at = 0; at < size; at += piece.size()) {
      out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    }
  }
  const std::string plain = (folder / "large.bin").string();
  const std::string dat = (folder / "large.dat").string();
  const std::string back = (folder / "large-back.bin").string();
  long encipher = -1;
  long decipher = -1;
  for (auto _ : state) {
    encipher = launcher.Run({"encipher", plain, dat});
    decipher = launcher.Run({"decipher", dat, back});
  }
  if (encipher < 0 || decipher < 0 || fs::file_size(back) != size) {
    state.SkipWithError("wordlark-brand failed");
  }
  for (const std::string& p : {plain, dat, back}) {
    fs::remove(p);
  }
  state.counters["encipher_peak_MiB"] = static_cast<double>(encipher) / 1024.0;
  state.counters["decipher_peak_MiB"] = static_cast<double>(decipher) / 1024.0;
  state.SetBytesProcessed(static_cast<std::int64_t>(2 * size * state.iterations()));
}
BENCHMARK(BM_BrandToolPeakRss)
    ->Arg(1)
    ->Arg(256)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
