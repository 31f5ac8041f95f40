#pragma once

#include <QDialog>

#include "brand/brand_settings.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace wordlark {

// The about window: the product under the reseller's name, its version, the
// copyright line and the reseller's text.
class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(const BrandSettings& brand, QWidget* parent = nullptr);

  QLabel* lblProductName = nullptr;
  QLabel* lblProductVersion = nullptr;
  QLabel* lblCopyright = nullptr;
  QPlainTextEdit* memAbout = nullptr;
  QPushButton* editAbout = nullptr;

 private:
  void FormCreate(const BrandSettings& brand);
};

}  // namespace wordlark
