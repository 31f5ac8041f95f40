#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "letter/letter_configuration.h"
#include "render/preflight.h"
#include "render/renderer.h"

namespace wordlark {

// What step 8 shows for one state of the letter.
struct PreviewRequest {
  LetterConfiguration letter;
  std::filesystem::path template_file;
  std::string output_name;
  std::filesystem::path base_folder;
  // False when only the pre-flight list is wanted.
  bool page = true;
};

struct PreviewResult {
  std::vector<PreflightItem> preflight;
  // Whether the page was asked for; then either `bytes` (windows-1252, as
  // Finish would write them) with `pictures`, or a `message` to show instead.
  bool page = false;
  QByteArray bytes;
  std::vector<LocalPicture> pictures;
  QString message;
};

// Makes the preview of step 8 away from the user-interface thread, so that
// no letter, however large, keeps the window from answering. Each request
// gets the letter by value; the newest request wins: the one before it is
// told to stop, and a result that is no longer the newest is dropped. The
// result arrives on the thread the worker lives on.
class PreviewWorker : public QObject {
  Q_OBJECT

 public:
  explicit PreviewWorker(QObject* parent = nullptr);
  // Stops the render that runs and waits for it.
  ~PreviewWorker() override;

  void Request(PreviewRequest request);
  // Stops the render that runs; no result follows.
  void Cancel();
  // True from a request until its result has been delivered.
  bool Busy() const { return busy_; }

 signals:
  void ready(const wordlark::PreviewResult& result);

 private:
  void Deliver(quint64 id, const PreviewResult& result);

  QThreadPool pool_;
  std::shared_ptr<std::atomic<bool>> cancel_;
  quint64 latest_ = 0;
  bool busy_ = false;
};

}  // namespace wordlark
