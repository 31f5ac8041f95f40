#include "online/OnlineChecks.h"

#include <QEvent>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include "online/NewsBalloon.h"
#include "online/QtHttpClient.h"
#include "online/TfrmNews.h"
#include "online/update.h"
#include "seams/Desktop.h"
#include "seams/MessageBox.h"
#include "util/error.h"
#include "widgets/QtText.h"

namespace wordlark {

OnlineChecks::OnlineChecks(QWidget* window, const BrandSettings& brand,
                           std::filesystem::path programFolder, QToolButton* newsButton,
                           QToolButton* updateButton, QTimer* timer)
    : QObject(window),
      window_(window),
      brand_(brand),
      programFolder_(std::move(programFolder)),
      newsButton_(newsButton),
      timer_(timer),
      updateBaseUrl_(UpdateBaseURL()) {
  client_ = new QtHttpClient(window);
  client_->setObjectName(QStringLiteral("IdHTTP1"));
  connect(client_, &QtHttpClient::busyChanged, this, [newsButton, updateButton](bool busy) {
    newsButton->setEnabled(!busy);
    updateButton->setEnabled(!busy);
  });
  newsButton_->installEventFilter(this);
}

void OnlineChecks::Close() {
  // A request in flight ends now; the sequence waiting for it sees closing_
  // and goes no further.
  closing_ = true;
  heldBalloon_.reset();
  timer_->stop();
  client_->Disconnect();
}

void OnlineChecks::ShowNews() {
  if (client_->Busy()) {
    return;
  }
  news_.clear();
  bool ok = false;
  if (const auto level = ActiveNewsLevel(brand_)) {
    NewsListResult result = FetchNewsList(*client_, *level, brand_.BranderCode);
    if (closing_) {
      return;
    }
    if (!result.message.empty()) {
      MessageBox::Warning(window_, Q(result.message));
    }
    ok = result.ok;
    news_ = std::move(result.items);
  }
  if (ok && !news_.empty()) {
    TfrmNews news(news_, brand_, programFolder_, *client_, window_);
    news.exec();
    return;
  }
  MessageBox::Information(window_, tr("There's no news for this application!"));
}

void OnlineChecks::ShowBalloon(const QString& text) {
  if (!newsButton_->isVisible()) {
    heldBalloon_ = text;
    return;
  }
  heldBalloon_.reset();
  ShowNewsBalloon(newsButton_, text);
}

bool OnlineChecks::eventFilter(QObject* watched, QEvent* event) {
  if (watched == newsButton_ && event->type() == QEvent::Show && heldBalloon_) {
    // The page that holds the button is being shown; its layout settles
    // before the queued call runs.
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (heldBalloon_ && !closing_ && newsButton_->isVisible()) {
            const QString text = *heldBalloon_;  // ShowBalloon lets go of the held one
            ShowBalloon(text);
          }
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

void OnlineChecks::RunStartupChecks() {
  timer_->stop();
  if (client_->Busy()) {
    timer_->start();  // never overlap a request the user started; try again shortly
    return;
  }
  const auto balloon = StartupNewsBalloon(*client_, brand_, programFolder_);
  if (closing_) {
    return;
  }
  if (balloon) {
    ShowBalloon(Q(*balloon));
  }
  CheckForUpdate(true);
}

void OnlineChecks::CheckOnRequest() {
  if (!client_->Busy()) {
    CheckForUpdate(false);
  }
}

void OnlineChecks::CheckForUpdate(bool quiet) {
  UpdateCheck check;
  try {
    check = CheckForUpdateInfo(*client_, programFolder_, updateBaseUrl_);
  } catch (const FileError&) {
    // A program folder that cannot take the information file: no update can
    // be checked. Only a check the user asked for says why.
    if (!quiet && !closing_) {
      throw;
    }
    return;
  }
  if (closing_) {
    return;
  }
  if (!check.available) {
    if (!quiet) {
      MessageBox::Information(window_, Q(kNoUpdatesMessage));
    }
    return;
  }
  if (MessageBox::Show(window_, MessageBox::Kind::Information,
                       Q(UpdateQuestion(check.version_text)), true) != MessageBox::Button::Ok) {
    return;
  }
  const std::filesystem::path updater = UpdaterPath(programFolder_);
  if (!std::filesystem::is_regular_file(updater)) {
    MessageBox::Warning(window_, Q(kUpdaterMissingMessage));
    return;
  }
  if (MessageBox::Show(window_, MessageBox::Kind::Information, Q(kUpdateCloseQuestion), true) !=
      MessageBox::Button::Ok) {
    return;
  }
  StartProgram(PathText(updater), Q(UpdaterParameters(updateBaseUrl_)).split(QLatin1Char(' ')));
  window_->close();
}

}  // namespace wordlark
