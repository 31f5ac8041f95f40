#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <vector>

#include "render/renderer.h"

class QLabel;
class QStackedWidget;
class QToolButton;
class QWebEngineUrlRequestJob;
class QWebEngineView;
class QFrame;

namespace wordlark {

class PreviewPage;

// Shows a generated page as a browser would, before it is written: the page
// bytes exactly as Finish writes them, with the local pictures read from
// where they are (nothing is copied). The page's scripts never run and it
// cannot navigate anywhere. It is laid out at desktop width (1280 CSS pixels,
// scaled down to fit) or at phone width (375 CSS pixels).
class PagePreview : public QWidget {
  Q_OBJECT

 public:
  enum class Width { kDesktop, kPhone };
  static constexpr int kDesktopWidth = 1280;
  static constexpr int kPhoneWidth = 375;

  explicit PagePreview(QWidget* parent = nullptr);
  ~PagePreview() override;

  // Shows `pageBytes` (windows-1252 HTML); the page refers to each local
  // picture by its name.
  void ShowPage(const QByteArray& pageBytes, const std::vector<LocalPicture>& pictures);
  // Shows a text in place of a page.
  void ShowMessage(const QString& text);

  void SetWidth(Width width);
  Width CurrentWidth() const { return width_; }

  // The page shown last (empty while a message is shown), and its view; the
  // view exists from the first page on.
  QByteArray PageBytes() const { return pageBytes_; }
  QWebEngineView* View() const { return view_; }
  // True while the page shown last is still loading.
  bool Loading() const { return loading_; }

  // Answers a request of the preview scheme addressed to this preview: the
  // page, or one of its pictures; anything else is not found.
  void Serve(QWebEngineUrlRequestJob* job) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateView();
  void ApplyWidth();
  QString PageUrlPath() const;

  QStackedWidget* stack_ = nullptr;
  QLabel* message_ = nullptr;
  QFrame* frame_ = nullptr;
  QWebEngineView* view_ = nullptr;
  PreviewPage* page_ = nullptr;
  QToolButton* desktopButton_ = nullptr;
  QToolButton* phoneButton_ = nullptr;
  Width width_ = Width::kDesktop;
  QString host_;
  int generation_ = 0;
  bool loading_ = false;
  QByteArray pageBytes_;
  std::vector<LocalPicture> pictures_;
};

}  // namespace wordlark
