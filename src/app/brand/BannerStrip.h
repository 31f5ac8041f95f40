#pragma once

#include <QFrame>
#include <filesystem>

#include "brand/brand_settings.h"

namespace wordlark {

class ClickableLabel;

// The banner strip across the top of the main page (`panBanner`): a still
// picture view (`imgBanner`) and an animated view (`gifBanner`) laid over it,
// both kept centred in the strip whenever its size changes. Designed 65
// pixels high and empty.
class BannerStrip : public QFrame {
  Q_OBJECT

 public:
  explicit BannerStrip(QWidget* parent = nullptr);

  ClickableLabel* StillView() const { return still_; }
  ClickableLabel* AnimatedView() const { return animated_; }

  // Shows the brand's banner picture from the program folder, still or
  // animated, with the strip 10 pixels higher than the picture, and the hand
  // cursor over it when the banner has a link. Without a picture that can be
  // read the strip is hidden.
  void ShowBanner(const std::filesystem::path& programFolder, const BrandSettings& brand);

  // Puts each view's centre on the strip's: its left at half the strip's
  // width minus half its own, its top likewise.
  void CentreViews();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool ShowAnimated(const QString& file);
  bool ShowStill(const QString& file, const QByteArray& format);

  ClickableLabel* still_ = nullptr;
  ClickableLabel* animated_ = nullptr;
};

}  // namespace wordlark
