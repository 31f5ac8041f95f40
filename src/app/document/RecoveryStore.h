#pragma once

#include <QDateTime>
#include <QLockFile>
#include <QString>
#include <QThreadPool>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "letter/letter_configuration.h"

namespace wordlark {

// A letter with changes that are not saved, as the window last held it: the
// values and where the user was.
struct RecoverySnapshot {
  LetterConfiguration letter;
  QString filePath;  // the letter's own file; empty for a letter never saved
  int step = 0;
  QString outputName;
  QString templateName;
};

// The recovery files of the windows of this user, in one folder: for each
// window "ID.set" (the letter, as a letter file), "ID.info" (the rest of the
// snapshot) and "ID.lock", a lock file held while the window runs. Files whose
// lock no running program holds were left by a window that ended without
// saving or discarding its changes: a crash, a kill, a lost session.
//
// The window's own files are written on a thread of their own, one write at a
// time in the order asked, so typing never waits for the disk.
class RecoveryStore {
 public:
  // A recovery left by a window that no longer runs.
  struct Orphan {
    QString id;
    QDateTime saved;  // when it was written last
  };

  explicit RecoveryStore(QString folder);
  // Waits for the writes still queued; the files stay where they are.
  ~RecoveryStore();
  RecoveryStore(const RecoveryStore&) = delete;
  RecoveryStore& operator=(const RecoveryStore&) = delete;

  const QString& Folder() const { return folder_; }
  const QString& Id() const { return id_; }

  // Queues writing `snapshot` as this window's recovery (atomically, each
  // file whole or not at all). A write that fails keeps the previous one.
  void Write(RecoverySnapshot snapshot);
  // Queues removing this window's recovery, after the writes before it.
  void Clear();
  // Waits until everything queued is done.
  void Flush();
  // The window ends normally: its recovery goes, and its lock with it.
  void Close();
  // True while this window's recovery files exist or are being written.
  bool HasOwnFiles() const { return wrote_; }

  // The recoveries of windows that no longer run, newest first. Each one
  // found is locked for this window until it is removed or released.
  std::vector<Orphan> TakeOrphans();
  // Reads a taken orphan; throws Error or FileError for a damaged one.
  RecoverySnapshot ReadOrphan(const QString& id) const;
  // Removes a taken orphan's files, or lets it go for a later start.
  void RemoveOrphan(const QString& id);
  void ReleaseOrphan(const QString& id);

 private:
  QString PathOf(const QString& id, const char* suffix) const;

  QString folder_;
  QString id_;
  std::unique_ptr<QLockFile> lock_;
  std::map<QString, std::unique_ptr<QLockFile>> orphanLocks_;
  QThreadPool writer_;
  bool wrote_ = false;
};

}  // namespace wordlark
