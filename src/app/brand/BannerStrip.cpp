#include "brand/BannerStrip.h"

#include <QImageReader>
#include <QMovie>
#include <QResizeEvent>

#include "brand/WebLinks.h"
#include "widgets/QtText.h"

namespace wordlark {

BannerStrip::BannerStrip(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("panBanner"));
  setFixedHeight(65);
  still_ = new ClickableLabel(this);
  still_->setObjectName(QStringLiteral("imgBanner"));
  animated_ = new ClickableLabel(this);
  animated_->setObjectName(QStringLiteral("gifBanner"));
  still_->resize(468, 60);
}

void BannerStrip::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  CentreViews();
}

void BannerStrip::CentreViews() {
  for (QLabel* view : {still_, animated_}) {
    view->move(width() / 2 - view->width() / 2, height() / 2 - view->height() / 2);
  }
}

void BannerStrip::ShowBanner(const std::filesystem::path& programFolder,
                             const BrandSettings& brand) {
  const Qt::CursorShape cursor = BannerHasLink(brand) ? Qt::PointingHandCursor : Qt::ArrowCursor;
  still_->setCursor(cursor);
  animated_->setCursor(cursor);
  bool shown = false;
  if (const auto image = LocateBannerImage(programFolder, brand)) {
    const QString file = PathText(image->file);
    shown = image->animated ? ShowAnimated(file)
                            : ShowStill(file, QByteArray::fromStdString(image->format));
  }
  setVisible(shown);
}

bool BannerStrip::ShowAnimated(const QString& file) {
  auto* movie = new QMovie(file, "gif", animated_);
  if (!movie->isValid() || !movie->jumpToFrame(0)) {
    delete movie;
    return false;
  }
  animated_->setMovie(movie);
  animated_->resize(movie->currentPixmap().size());
  movie->start();
  still_->hide();
  animated_->show();
  setFixedHeight(animated_->height() + 10);
  return true;
}

bool BannerStrip::ShowStill(const QString& file, const QByteArray& format) {
  QImageReader reader(file, format);
  reader.setDecideFormatFromContent(true);
  const QImage picture = reader.read();
  if (picture.isNull()) {
    return false;
  }
  still_->setPixmap(QPixmap::fromImage(picture));
  still_->resize(picture.size());
  animated_->hide();
  still_->show();
  setFixedHeight(still_->height() + 10);
  return true;
}

}  // namespace wordlark
