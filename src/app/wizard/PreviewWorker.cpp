#include "wizard/PreviewWorker.h"

#include <optional>

#include "render/output.h"
#include "widgets/QtText.h"

namespace wordlark {
namespace {

// The pre-flight items and, when asked for, the page; nothing when the
// request was cancelled on the way.
std::optional<PreviewResult> MakePreview(const PreviewRequest& request,
                                         const std::atomic<bool>& cancel) {
  PreviewResult result;
  result.page = request.page;
  try {
    result.preflight = PreflightCheck(request.letter, request.output_name, request.base_folder);
    if (!request.page) {
      return result;
    }
    RenderContext context{request.template_file, request.output_name, request.base_folder};
    context.copy_pictures = false;
    context.cancel = &cancel;
    RenderedLetter rendered = RenderLetter(request.letter, context);
    if (!rendered.template_found) {
      result.message = Q(kNoTemplateMessage);
      return result;
    }
    if (rendered.template_empty) {
      result.message = Q(EmptyTemplateMessage(context.template_file));
      return result;
    }
    const std::string bytes = PageFileBytes(rendered.page);
    rendered.page = std::string();
    if (cancel.load()) {
      return std::nullopt;
    }
    result.bytes = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    result.pictures = std::move(rendered.local_pictures);
  } catch (const RenderCancelled&) {
    return std::nullopt;
  } catch (const std::exception& e) {
    // A template that cannot be read, a page that would be too large, or no
    // memory for it: the preview says so.
    result.message = QString::fromUtf8(e.what());
  }
  return result;
}

}  // namespace

PreviewWorker::PreviewWorker(QObject* parent) : QObject(parent) {
  // One render at a time: a newer one waits until the older has stopped.
  pool_.setMaxThreadCount(1);
}

PreviewWorker::~PreviewWorker() {
  Cancel();
  pool_.clear();
  pool_.waitForDone();
}

void PreviewWorker::Request(PreviewRequest request) {
  if (cancel_ != nullptr) {
    cancel_->store(true);
  }
  pool_.clear();  // a request still waiting for its turn is superseded too
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  const quint64 id = ++latest_;
  busy_ = true;
  // The job reads only what it was given, and hands its result back to this
  // object's thread; the destructor waits for it, so `this` outlives it.
  pool_.start([this, id, cancel = cancel_, request = std::move(request)] {
    std::optional<PreviewResult> result = MakePreview(request, *cancel);
    if (!result || cancel->load()) {
      return;
    }
    QMetaObject::invokeMethod(
        this, [this, id, result = std::move(*result)] { Deliver(id, result); },
        Qt::QueuedConnection);
  });
}

void PreviewWorker::Cancel() {
  if (cancel_ != nullptr) {
    cancel_->store(true);
  }
  ++latest_;
  busy_ = false;
}

void PreviewWorker::Deliver(quint64 id, const PreviewResult& result) {
  if (id != latest_) {
    return;  // a newer request is on its way
  }
  busy_ = false;
  emit ready(result);
}

}  // namespace wordlark
