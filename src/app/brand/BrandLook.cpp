#include "brand/BrandLook.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QWidget>

#include "brand/brand_settings.h"
#include "brand/skin.h"
#include "util/file_io.h"
#include "widgets/QtText.h"

namespace wordlark {

void ApplyBrandSkin(const std::filesystem::path& programFolder) {
  const std::filesystem::path skin = programFolder / kSkinFileName;
  if (std::filesystem::exists(skin)) {
    if (const auto sheet = UnpackSkin(ReadFileBytes(skin))) {
      qApp->setStyleSheet(Q(*sheet));
    }
  }
}

void ApplyBrandIcon(const std::filesystem::path& programFolder, QWidget* window) {
  const QString icon = PathText(programFolder / kIconFileName);
  if (QFileInfo::exists(icon)) {
    const QIcon windowIcon(icon);
    if (!windowIcon.availableSizes().isEmpty()) {
      QApplication::setWindowIcon(windowIcon);
      window->setWindowIcon(windowIcon);
    }
  }
}

}  // namespace wordlark
