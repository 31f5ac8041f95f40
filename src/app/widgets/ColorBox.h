#pragma once

#include <QColor>
#include <QComboBox>

#include "util/text.h"

namespace wordlark {

// A drop-down of colours: "Custom..." holding one freely chosen colour, the 16
// standard colours, 4 extended ones and the desktop's named interface colours,
// each with a swatch. Its value is always a plain red-green-blue colour; an
// interface colour yields its current value from the palette.
class ColorBox : public QComboBox {
  Q_OBJECT

 public:
  explicit ColorBox(QWidget* parent = nullptr);

  ColorValue Value() const;
  // Selects the first listed colour equal to `value`, or holds it as the
  // custom colour when none is.
  void SetValue(ColorValue value);

  ColorValue CustomColor() const { return custom_; }

  static ColorValue ToColorValue(const QColor& color);
  static QColor ToQColor(ColorValue value);

 signals:
  void valueChanged();

 private:
  void OnActivated(int index);
  void SetCustom(ColorValue value);

  ColorValue custom_ = 0;
};

}  // namespace wordlark
