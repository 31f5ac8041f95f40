#pragma once

#include <QColor>
#include <QComboBox>

#include "util/text.h"

namespace wordlark {

// A drop-down of colours: "Custom..." holding one freely chosen colour, the 16
// standard colours, 4 extended ones and the desktop's named interface colours,
// each with a swatch. Its value is always a plain red-green-blue colour; an
// interface colour yields its current value from the palette.
//
// The colour picker opens when the user chooses "Custom..." in the list (a
// click or Enter); arrow keys and the mouse wheel on the closed box only step
// through the entries. Cancelling the picker returns to the entry that was
// selected before.
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

 protected:
  void showPopup() override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void OnActivated(int index);
  void SetCustom(ColorValue value);

  ColorValue custom_ = 0;
  int beforePopup_ = -1;   // the entry selected when the list opened
  bool stepping_ = false;  // a key or the wheel is changing the entry
};

}  // namespace wordlark
