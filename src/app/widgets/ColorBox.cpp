#include "widgets/ColorBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include "seams/Dialogs.h"

namespace wordlark {
namespace {

constexpr int kCustomIndex = 0;

struct NamedColor {
  const char* name;
  ColorValue value;  // 0x00BBGGRR
};

constexpr NamedColor kListed[] = {
    {"Black", 0x000000}, {"Maroon", 0x000080},      {"Green", 0x008000},
    {"Olive", 0x008080}, {"Navy", 0x800000},        {"Purple", 0x800080},
    {"Teal", 0x808000},  {"Gray", 0x808080},        {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},   {"Lime", 0x00FF00},        {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF},     {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF}, {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},
    {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
};

struct SystemColor {
  const char* name;
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

constexpr SystemColor kSystem[] = {
    {"Window", QPalette::Active, QPalette::Window},
    {"Window Text", QPalette::Active, QPalette::WindowText},
    {"Base", QPalette::Active, QPalette::Base},
    {"Alternate Base", QPalette::Active, QPalette::AlternateBase},
    {"Text", QPalette::Active, QPalette::Text},
    {"Button Face", QPalette::Active, QPalette::Button},
    {"Button Text", QPalette::Active, QPalette::ButtonText},
    {"Highlight", QPalette::Active, QPalette::Highlight},
    {"Highlight Text", QPalette::Active, QPalette::HighlightedText},
    {"Gray Text", QPalette::Disabled, QPalette::Text},
    {"Info Background", QPalette::Active, QPalette::ToolTipBase},
    {"Info Text", QPalette::Active, QPalette::ToolTipText},
    {"Hot Light", QPalette::Active, QPalette::Link},
    {"Light", QPalette::Active, QPalette::Light},
    {"Midlight", QPalette::Active, QPalette::Midlight},
    {"Button Shadow", QPalette::Active, QPalette::Mid},
    {"Dark Shadow", QPalette::Active, QPalette::Shadow},
};

constexpr int kSystemStart = 1 + static_cast<int>(std::size(kListed));

QIcon Swatch(const QColor& color) {
  QPixmap pixmap(16, 12);
  pixmap.fill(color);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

}  // namespace

ColorValue ColorBox::ToColorValue(const QColor& color) {
  return static_cast<ColorValue>(color.red()) | (static_cast<ColorValue>(color.green()) << 8) |
         (static_cast<ColorValue>(color.blue()) << 16);
}

QColor ColorBox::ToQColor(ColorValue value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
  addItem(Swatch(ToQColor(custom_)), tr("Custom..."));
  for (const auto& c : kListed) {
    addItem(Swatch(ToQColor(c.value)), tr(c.name));
  }
  const QPalette palette = QApplication::palette();
  for (const auto& s : kSystem) {
    addItem(Swatch(palette.color(s.group, s.role)), tr(s.name));
  }
  setMaxVisibleItems(16);
  connect(this, &QComboBox::activated, this, &ColorBox::OnActivated);
  connect(this, &QComboBox::currentIndexChanged, this, &ColorBox::valueChanged);
  setCurrentIndex(1);  // black
}

ColorValue ColorBox::Value() const {
  const int index = currentIndex();
  if (index <= kCustomIndex) {
    return custom_;
  }
  if (index < kSystemStart) {
    return kListed[index - 1].value;
  }
  const auto& s = kSystem[index - kSystemStart];
  return ToColorValue(QApplication::palette().color(s.group, s.role));
}

void ColorBox::SetValue(ColorValue value) {
  value &= 0x00FFFFFF;
  for (int i = 0; i < static_cast<int>(std::size(kListed)); ++i) {
    if (kListed[i].value == value) {
      setCurrentIndex(i + 1);
      return;
    }
  }
  SetCustom(value);
  if (currentIndex() == kCustomIndex) {
    emit valueChanged();
  } else {
    setCurrentIndex(kCustomIndex);
  }
}

void ColorBox::SetCustom(ColorValue value) {
  custom_ = value;
  setItemIcon(kCustomIndex, Swatch(ToQColor(value)));
}

void ColorBox::showPopup() {
  beforePopup_ = currentIndex();
  QComboBox::showPopup();
}

void ColorBox::keyPressEvent(QKeyEvent* event) {
  stepping_ = true;
  QComboBox::keyPressEvent(event);
  stepping_ = false;
}

void ColorBox::wheelEvent(QWheelEvent* event) {
  stepping_ = true;
  QComboBox::wheelEvent(event);
  stepping_ = false;
}

// Runs when the user chooses an entry: in the list, or by stepping to it
// with a key or the wheel on the closed box.
void ColorBox::OnActivated(int index) {
  if (index != kCustomIndex || stepping_) {
    return;
  }
  const int before = beforePopup_;
  beforePopup_ = -1;
  const auto picked = ColorPicker::GetColor(this, ToQColor(custom_), tr("Color"));
  if (picked) {
    SetCustom(ToColorValue(*picked));
    emit valueChanged();
  } else if (before >= 0 && before != kCustomIndex) {
    setCurrentIndex(before);
  }
}

}  // namespace wordlark
