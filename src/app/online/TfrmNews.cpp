#include "online/TfrmNews.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>
#include <functional>
#include <utility>

#include "HtmlEditor.h"
#include "online/last_news_id.h"
#include "seams/Desktop.h"
#include "seams/MessageBox.h"
#include "widgets/QtText.h"

namespace wordlark {
namespace {

// Where a list item keeps its news id (it has no column of its own).
constexpr int kNewsIdRole = Qt::UserRole + 1;

// The list's selection, which asks before every change and stays as it is
// when refused.
class GuardedSelectionModel : public QItemSelectionModel {
 public:
  GuardedSelectionModel(QAbstractItemModel* model, std::function<bool()> allowed, QObject* parent)
      : QItemSelectionModel(model, parent), allowed_(std::move(allowed)) {}

  void select(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
    if (allowed_()) {
      QItemSelectionModel::select(index, command);
    }
  }
  void select(const QItemSelection& selection,
              QItemSelectionModel::SelectionFlags command) override {
    if (allowed_()) {
      QItemSelectionModel::select(selection, command);
    }
  }

 private:
  std::function<bool()> allowed_;
};

}  // namespace

TfrmNews::TfrmNews(NewsList news, BrandSettings settings, std::filesystem::path programFolder,
                   HttpClient& client, QWidget* parent)
    : QDialog(parent),
      news_(std::move(news)),
      settings_(std::move(settings)),
      programFolder_(std::move(programFolder)),
      client_(client) {
  BuildWindow();
}

TfrmNews::~TfrmNews() = default;

void TfrmNews::BuildWindow() {
  setObjectName(QStringLiteral("frmNews"));
  setWindowTitle(tr("News"));
  resize(640, 480);

  pnlItems = new QWidget;
  pnlItems->setObjectName(QStringLiteral("pnlItems"));
  pnlItems->setMinimumHeight(10);
  auto* itemsLayout = new QVBoxLayout(pnlItems);
  itemsLayout->setContentsMargins(0, 0, 0, 0);

  lvwItems = new QTreeWidget;
  lvwItems->setObjectName(QStringLiteral("lvwItems"));
  lvwItems->setColumnCount(2);
  lvwItems->setHeaderLabels({tr("News Title"), tr("Published")});
  lvwItems->setRootIsDecorated(false);
  lvwItems->setItemsExpandable(false);
  lvwItems->setUniformRowHeights(true);
  lvwItems->setSelectionMode(QAbstractItemView::SingleSelection);
  lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvwItems->setMinimumHeight(0);
  QHeaderView* header = lvwItems->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  header->setSectionResizeMode(1, QHeaderView::Fixed);
  header->resizeSection(1, 160);
  // The selection stays visible when the list loses the focus.
  QPalette palette = lvwItems->palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  lvwItems->setPalette(palette);
  QItemSelectionModel* plain = lvwItems->selectionModel();
  lvwItems->setSelectionModel(new GuardedSelectionModel(
      lvwItems->model(), [this] { return lvwItemsChanging(); }, this));
  delete plain;
  itemsLayout->addWidget(lvwItems);

  prfEditorNews = new HtmlEditor;
  prfEditorNews->setObjectName(QStringLiteral("prfEditorNews"));
  prfEditorNews->SetBrowseMode(true);
  prfEditorNews->SetUseDivOnCarriageReturn(false);
  // A link in a news text goes out as every other address of the program.
  prfEditorNews->SetLinkOpener([](const QUrl& url) { OpenUrlInBrowser(url.toString()); });

  splNews = new QSplitter(Qt::Vertical);
  splNews->setObjectName(QStringLiteral("splNews"));
  splNews->setChildrenCollapsible(false);
  splNews->addWidget(pnlItems);
  splNews->addWidget(prfEditorNews);
  splNews->setStretchFactor(0, 1);
  splNews->setStretchFactor(1, 2);

  pnlBottom = new QWidget;
  pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
  auto* bottomLayout = new QHBoxLayout(pnlBottom);
  btnExit = new QPushButton(tr("Close"));
  btnExit->setObjectName(QStringLiteral("btnExit"));
  btnExit->setAutoDefault(false);
  bottomLayout->addStretch(1);
  bottomLayout->addWidget(btnExit);
  bottomLayout->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splNews, 1);
  layout->addWidget(pnlBottom);

  connect(lvwItems->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TfrmNews::lvwItemsChange);
  connect(btnExit, &QPushButton::clicked, this, &TfrmNews::btnExitClick);
}

void TfrmNews::showEvent(QShowEvent* event) {
  if (!placed_) {
    placed_ = true;
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : this->screen();
    if (screen != nullptr) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  QDialog::showEvent(event);
  if (!event->spontaneous()) {
    FormShow();
  }
}

void TfrmNews::FormShow() {
  lvwItems->clear();
  for (const NewsItem& news : news_) {
    auto* item = new QTreeWidgetItem(lvwItems);
    item->setText(0, Q(news.Title));
    item->setText(1, Q(news.Published));
    item->setData(0, kNewsIdRole, Q(news.NewsId));
  }
  lvwItems->clearSelection();
}

bool TfrmNews::FetchNewsDetails(const std::string& newsId, std::string& html) {
  const std::optional<NewsLevel> level = ActiveNewsLevel(settings_);
  if (!level) {
    return false;
  }
  const std::string branderCode = settings_.BranderCode;
  const QPointer<TfrmNews> self(this);
  NewsDetailsResult result = wordlark::FetchNewsDetails(client_, *level, branderCode, newsId);
  if (!self) {
    return false;  // the window went while the request waited
  }
  if (!result.message.empty()) {
    MessageBox::Warning(this, Q(result.message));
  }
  if (!result.ok) {
    return false;
  }
  html = std::move(result.html);
  return true;
}

void TfrmNews::lvwItemsChange() {
  if (busy_) {
    return;
  }
  const QList<QTreeWidgetItem*> selected = lvwItems->selectedItems();
  if (selected.isEmpty()) {
    return;
  }
  const std::string newsId = selected.front()->data(0, kNewsIdRole).toString().toStdString();

  const QPointer<TfrmNews> self(this);
  SetBusy(true);
  QString failure;
  try {
    std::string html;
    if (FetchNewsDetails(newsId, html) && self) {
      prfEditorNews->SetHtml(Q(html));
      StoreLastNewsId(programFolder_, newsId);
    }
  } catch (const std::exception& e) {
    failure = QString::fromUtf8(e.what());
  }
  if (!self) {
    return;
  }
  SetBusy(false);
  if (!failure.isEmpty()) {
    MessageBox::Error(this, failure);
  }
  if (pendingResult_) {
    const int result = *std::exchange(pendingResult_, std::nullopt);
    QDialog::done(result);
  }
}

void TfrmNews::btnExitClick() {
  accept();
}

void TfrmNews::done(int result) {
  if (busy_) {
    pendingResult_ = result;
    return;
  }
  QDialog::done(result);
}

void TfrmNews::SetBusy(bool busy) {
  busy_ = busy;
  for (QWidget* widget : {static_cast<QWidget*>(lvwItems), static_cast<QWidget*>(prfEditorNews),
                          static_cast<QWidget*>(this)}) {
    if (busy) {
      widget->setCursor(Qt::WaitCursor);
    } else {
      widget->unsetCursor();
    }
  }
}

}  // namespace wordlark
