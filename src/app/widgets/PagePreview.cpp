#include "widgets/PagePreview.h"

#include <QBuffer>
#include <QFrame>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>

#include "EditorProfile.h"
#include "HtmlEditor.h"

namespace wordlark {
namespace {

// Every preview of the process by its host name in the preview scheme.
QHash<QString, QPointer<PagePreview>>& Previews() {
  static QHash<QString, QPointer<PagePreview>> previews;
  return previews;
}

class PreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
 public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    const QPointer<PagePreview> preview = Previews().value(job->requestUrl().host());
    if (preview.isNull() || job->requestMethod() != "GET") {
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
      return;
    }
    preview->Serve(job);
  }
};

// The profile's handler of the preview scheme, installed once per profile.
void InstallSchemeHandler(QWebEngineProfile* profile) {
  if (profile->urlSchemeHandler(kPreviewScheme) == nullptr) {
    profile->installUrlSchemeHandler(kPreviewScheme, new PreviewSchemeHandler(profile));
  }
}

}  // namespace

// The preview's page: it shows what it was given and goes nowhere else.
class PreviewPage : public QWebEnginePage {
 public:
  PreviewPage(QWebEngineProfile* profile, QString host, QObject* parent)
      : QWebEnginePage(profile, parent), host_(std::move(host)) {}

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
    return url.scheme() == QLatin1String(kPreviewScheme) && url.host() == host_;
  }
  QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

 private:
  QString host_;
};

PagePreview::PagePreview(QWidget* parent) : QWidget(parent) {
  static int previews = 0;
  host_ = QStringLiteral("preview%1").arg(++previews);
  Previews().insert(host_, this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* bar = new QHBoxLayout;
  const auto toggle = [this, bar](const QString& text, const char* name, Width width) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(button, &QToolButton::clicked, this, [this, width] { SetWidth(width); });
    bar->addWidget(button);
    return button;
  };
  desktopButton_ = toggle(tr("Desktop"), "btnPreviewDesktop", Width::kDesktop);
  phoneButton_ = toggle(tr("Phone"), "btnPreviewPhone", Width::kPhone);
  desktopButton_->setChecked(true);
  desktopButton_->setToolTip(tr("Show the page as a desktop browser lays it out"));
  phoneButton_->setToolTip(tr("Show the page as a phone lays it out (375 pixels wide)"));
  bar->addStretch(1);
  layout->addLayout(bar);

  stack_ = new QStackedWidget(this);
  message_ = new QLabel(stack_);
  message_->setObjectName(QStringLiteral("lblPreviewMessage"));
  message_->setAlignment(Qt::AlignCenter);
  message_->setWordWrap(true);
  stack_->addWidget(message_);
  frame_ = new QFrame(stack_);
  frame_->setObjectName(QStringLiteral("frmPreview"));
  frame_->setAutoFillBackground(true);
  frame_->setBackgroundRole(QPalette::Mid);
  stack_->addWidget(frame_);
  layout->addWidget(stack_, 1);
}

PagePreview::~PagePreview() {
  Previews().remove(host_);
  if (view_ != nullptr) {
    // The page must go before the profile it uses.
    delete view_;
    view_ = nullptr;
    page_ = nullptr;
    ReleaseWebProfile();
  }
}

void PagePreview::CreateView() {
  QWebEngineProfile* profile = AcquireWebProfile();
  InstallSchemeHandler(profile);
  view_ = new QWebEngineView(frame_);
  view_->setObjectName(QStringLiteral("webPreview"));
  view_->setContextMenuPolicy(Qt::NoContextMenu);
  page_ = new PreviewPage(profile, host_, view_);
  // Like a phone's, the preview's scroll bars take no room from the page.
  page_->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  view_->setPage(page_);
  auto* row = new QHBoxLayout(frame_);
  row->setContentsMargins(0, 0, 0, 0);
  row->addStretch(1);
  row->addWidget(view_);
  row->addStretch(1);
  connect(page_, &QWebEnginePage::loadFinished, this, [this] {
    // Only the last page counts; the zoom is re-applied to the new document.
    if (page_->url().path() == PageUrlPath()) {
      loading_ = false;
      ApplyWidth();
    }
  });
}

QString PagePreview::PageUrlPath() const {
  return QStringLiteral("/%1/").arg(generation_);
}

void PagePreview::ShowPage(const QByteArray& pageBytes, const std::vector<LocalPicture>& pictures) {
  if (view_ == nullptr) {
    CreateView();
  }
  pageBytes_ = pageBytes;
  pictures_ = pictures;
  ++generation_;
  loading_ = true;
  stack_->setCurrentWidget(frame_);
  ApplyWidth();
  QUrl url;
  url.setScheme(QString::fromLatin1(kPreviewScheme));
  url.setHost(host_);
  url.setPath(PageUrlPath());
  page_->load(url);
}

void PagePreview::ShowMessage(const QString& text) {
  pageBytes_.clear();
  pictures_.clear();
  ++generation_;
  loading_ = false;
  message_->setText(text);
  stack_->setCurrentWidget(message_);
}

void PagePreview::Serve(QWebEngineUrlRequestJob* job) const {
  const QString path = job->requestUrl().path(QUrl::FullyDecoded);
  const QString prefix = PageUrlPath();
  if (!path.startsWith(prefix)) {
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  const QString name = path.mid(prefix.size());
  if (name.isEmpty()) {
    auto* buffer = new QBuffer(job);
    buffer->setData(pageBytes_);
    job->reply("text/html;charset=windows-1252", buffer);
    return;
  }
  // Beside the page, the picture copied last under a name wins.
  const std::string wanted = name.toStdString();
  const auto picture = std::find_if(pictures_.rbegin(), pictures_.rend(),
                                    [&wanted](const LocalPicture& p) { return p.name == wanted; });
  if (picture == pictures_.rend()) {
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  ReplyWithPicture(job, QString::fromStdString(picture->source.string()));
}

void PagePreview::SetWidth(Width width) {
  width_ = width;
  (width == Width::kPhone ? phoneButton_ : desktopButton_)->setChecked(true);
  ApplyWidth();
}

void PagePreview::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ApplyWidth();
}

// The view is as wide as the chosen layout width, or scaled down to fit the
// room there is: a desktop page is laid out at 1280 CSS pixels at least, a
// phone page at exactly 375.
void PagePreview::ApplyWidth() {
  if (view_ == nullptr) {
    return;
  }
  const int room = std::max(1, frame_->contentsRect().width());
  const int layoutWidth = width_ == Width::kPhone ? kPhoneWidth : kDesktopWidth;
  const double zoom = std::clamp(static_cast<double>(room) / layoutWidth, 0.25, 1.0);
  const int viewWidth =
      width_ == Width::kPhone ? static_cast<int>(std::lround(kPhoneWidth * zoom)) : room;
  view_->setFixedWidth(viewWidth);
  page_->setZoomFactor(zoom);
}

}  // namespace wordlark
