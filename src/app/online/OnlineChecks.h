#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>

#include "brand/brand_settings.h"
#include "online/news.h"

class QTimer;
class QToolButton;
class QWidget;
class QtHttpClient;

namespace wordlark {

// The main window's dealings with the news and live-update services: the one
// HTTP client, the news button's list, the start-up checks the timer runs,
// and the update check with its hand-over to the updater.
//
// One request runs at a time: while one waits, the news and update buttons
// rest, and a start-up check waits for the next tick. Once the window closes,
// the request in flight ends and no sequence goes on after it.
class OnlineChecks : public QObject {
  Q_OBJECT

 public:
  // `brand` and the controls belong to `window`, which outlives the checks;
  // `timer` starts the start-up checks.
  OnlineChecks(QWidget* window, const BrandSettings& brand, std::filesystem::path programFolder,
               QToolButton* newsButton, QToolButton* updateButton, QTimer* timer);

  QtHttpClient* Client() const { return client_; }
  const NewsList& News() const { return news_; }
  // Where the live update looks (tests point it at their own server).
  void SetUpdateBaseUrl(std::string url) { updateBaseUrl_ = std::move(url); }

  // The news button: fetches the list and shows it in the news window, or
  // says that there is none.
  void ShowNews();
  // The timer's checks: unread news announced by the balloon, then a quiet
  // update check.
  void RunStartupChecks();
  // The update button: an update check that also says when there is nothing new.
  void CheckOnRequest();
  void CheckForUpdate(bool quiet);
  // The balloon at the news button. While the button is not on screen (the
  // welcome page shows, the window is not shown yet) the balloon waits, and
  // opens once the button shows, laid out where the user sees it.
  void ShowBalloon(const QString& text);

  // The window closes.
  void Close();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  const BrandSettings& brand_;
  std::filesystem::path programFolder_;
  QToolButton* newsButton_;
  QTimer* timer_;
  QtHttpClient* client_ = nullptr;
  NewsList news_;
  std::optional<QString> heldBalloon_;
  std::string updateBaseUrl_;
  bool closing_ = false;
};

}  // namespace wordlark
