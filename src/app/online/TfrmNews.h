#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>

#include "brand/brand_settings.h"
#include "online/news.h"

class QPushButton;
class QSplitter;
class QTreeWidget;
class QWidget;

namespace wordlark {

class HtmlEditor;
class HttpClient;

// The news window: the list of news fetched by the news button, and the text
// of the entry the user selects, fetched on selection and shown read-only.
// Created for one showing (modal) and destroyed after it closes. Showing a
// text records its news id as the last news read in the settings file of the
// program folder.
//
// While a text is being fetched the window is Busy: the list refuses every
// change of selection, and Close takes effect once the fetch has ended.
class TfrmNews : public QDialog {
  Q_OBJECT

 public:
  // `news` is the list to show, in order; `client` must outlive the window.
  TfrmNews(NewsList news, BrandSettings settings, std::filesystem::path programFolder,
           HttpClient& client, QWidget* parent = nullptr);
  ~TfrmNews() override;

  bool Busy() const { return busy_; }

  // Handlers.
  void FormShow();
  void lvwItemsChange();
  // Whether the list may change its selection now.
  bool lvwItemsChanging() const { return !busy_; }
  void btnExitClick();

  // Fetches the text of one news through the client; shows the service's
  // message when it fails. True with the text (UTF-8 HTML) on success.
  bool FetchNewsDetails(const std::string& newsId, std::string& html);

  // Closing while Busy waits for the fetch to end.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildWindow();
  void SetBusy(bool busy);

  NewsList news_;
  BrandSettings settings_;
  std::filesystem::path programFolder_;
  HttpClient& client_;

  QWidget* pnlItems = nullptr;
  QTreeWidget* lvwItems = nullptr;
  QSplitter* splNews = nullptr;
  HtmlEditor* prfEditorNews = nullptr;
  QWidget* pnlBottom = nullptr;
  QPushButton* btnExit = nullptr;

  bool busy_ = false;
  bool placed_ = false;
  std::optional<int> pendingResult_;  // a close asked for while Busy
};

}  // namespace wordlark
