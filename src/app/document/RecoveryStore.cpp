#include "document/RecoveryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <system_error>

#include "letter/config_file.h"
#include "util/error.h"
#include "util/tagged_text.h"
#include "widgets/QtText.h"

namespace wordlark {
namespace {

// The most a recovery's description may hold; it names a few files.
constexpr std::uint64_t kMaxInfoSize = 64 * 1024;

// Unique among the windows of this user: the process, a count within it and
// the time.
QString NewId() {
  static std::atomic<int> count{0};
  return QStringLiteral("%1-%2-%3")
      .arg(QCoreApplication::applicationPid())
      .arg(++count)
      .arg(QDateTime::currentMSecsSinceEpoch());
}

void RemoveFile(const QString& path) {
  std::error_code ignored;
  std::filesystem::remove(PathOf(path), ignored);
}

}  // namespace

RecoveryStore::RecoveryStore(QString folder) : folder_(std::move(folder)), id_(NewId()) {
  writer_.setMaxThreadCount(1);
  writer_.setExpiryTimeout(-1);
}

RecoveryStore::~RecoveryStore() {
  Flush();
}

QString RecoveryStore::PathOf(const QString& id, const char* suffix) const {
  return folder_ + QLatin1Char('/') + id + QLatin1String(suffix);
}

void RecoveryStore::Write(RecoverySnapshot snapshot) {
  if (lock_ == nullptr) {
    // The lock says the files are a running window's before they exist.
    QDir().mkpath(folder_);
    QFile::setPermissions(folder_,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    lock_ = std::make_unique<QLockFile>(PathOf(id_, ".lock"));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
      lock_.reset();
      return;  // no recovery without a folder of our own; the work is still in the window
    }
  }
  wrote_ = true;
  const QString letterFile = PathOf(id_, ".set");
  const QString infoFile = PathOf(id_, ".info");
  writer_.start([snapshot = std::move(snapshot), letterFile, infoFile] {
    try {
      SaveConfiguration(wordlark::PathOf(letterFile), snapshot.letter);
      TaggedTextWriter info;
      info.Add("FileName", S(snapshot.filePath));
      info.Add("Step", std::to_string(snapshot.step));
      info.Add("OutputName", S(snapshot.outputName));
      info.Add("Template", S(snapshot.templateName));
      SaveTaggedText(wordlark::PathOf(infoFile), info.Text());
    } catch (const std::exception&) {
      // A value that a letter file cannot hold, or a full disk: the previous
      // recovery stays, and the window still holds the work.
    }
  });
}

void RecoveryStore::Clear() {
  if (!wrote_) {
    return;
  }
  wrote_ = false;
  writer_.start([letterFile = PathOf(id_, ".set"), infoFile = PathOf(id_, ".info")] {
    RemoveFile(letterFile);
    RemoveFile(infoFile);
  });
}

void RecoveryStore::Flush() {
  writer_.waitForDone();
}

void RecoveryStore::Close() {
  Clear();
  Flush();
  lock_.reset();
}

std::vector<RecoveryStore::Orphan> RecoveryStore::TakeOrphans() {
  std::vector<Orphan> found;
  const QFileInfoList letters =
      QDir(folder_).entryInfoList({QStringLiteral("*.set")}, QDir::Files | QDir::Hidden);
  for (const QFileInfo& letter : letters) {
    const QString id = letter.completeBaseName();
    if (id == id_ || orphanLocks_.count(id) != 0) {
      continue;
    }
    // A lock whose program has ended is stale at once; the lock of a window
    // still running never grows stale with age.
    auto lock = std::make_unique<QLockFile>(PathOf(id, ".lock"));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
      continue;  // another window is running and keeps it up to date
    }
    found.push_back({id, letter.lastModified()});
    orphanLocks_[id] = std::move(lock);
  }
  std::sort(found.begin(), found.end(),
            [](const Orphan& a, const Orphan& b) { return a.saved > b.saved; });
  return found;
}

RecoverySnapshot RecoveryStore::ReadOrphan(const QString& id) const {
  RecoverySnapshot snapshot;
  LoadConfiguration(wordlark::PathOf(PathOf(id, ".set")), snapshot.letter);
  std::string info;
  try {
    info = LoadTaggedText(wordlark::PathOf(PathOf(id, ".info")), kMaxInfoSize);
  } catch (const FileError&) {
    return snapshot;  // the letter came through; where the user was did not
  }
  snapshot.filePath = Q(ReadTaggedValue(info, "FileName"));
  snapshot.step = Q(ReadTaggedValue(info, "Step")).toInt();
  snapshot.outputName = Q(ReadTaggedValue(info, "OutputName"));
  snapshot.templateName = Q(ReadTaggedValue(info, "Template"));
  return snapshot;
}

void RecoveryStore::RemoveOrphan(const QString& id) {
  RemoveFile(PathOf(id, ".set"));
  RemoveFile(PathOf(id, ".info"));
  ReleaseOrphan(id);  // removes the lock file
}

void RecoveryStore::ReleaseOrphan(const QString& id) {
  orphanLocks_.erase(id);
}

}  // namespace wordlark
