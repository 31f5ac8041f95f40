// LetterConfiguration: every value of the eight wizard steps in one plain
// record. The desktop wizard copies its controls into it and back; the
// configuration files and the renderer work on it alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "letter/editor_document.h"
#include "util/text.h"

namespace wordlark {

// Colours as the colour boxes name them (0x00BBGGRR).
inline constexpr ColorValue kColorWhite = 0x00FFFFFF;       // #FFFFFF
inline constexpr ColorValue kColorBlack = 0x00000000;       // #000000
inline constexpr ColorValue kColorLightCream = 0x00D9FFFF;  // #FFFFD9, the lists' custom colour
inline constexpr ColorValue kColorMoneyGreen = 0x00C0DCC0;  // #C0DCC0

inline constexpr const char* kDefaultFontName = "Arial";
inline constexpr std::int32_t kDefaultFontSize = 13;

// Fields are named after the wizard controls that hold them. Text is UTF-8.
// Font names are kept as text: which entry a font box shows for a name that
// is not installed is the desktop's business. The two lists hold encoded
// entries (see letter/list_items.h).
struct LetterConfiguration {
  // Step 1: general settings.
  std::string edtPageTitle;
  std::string edtFullName;
  std::string edtCurrentDate;
  std::string edtHeaderPicture;
  std::string edtCoverPicture;
  std::string edtFooterPicture;
  ColorValue cbxMainBgColor = kColorWhite;

  // Steps 2 and 3: headline, sub-headline, introduction, product introduction.
  EditorDocument prfEditor1;
  std::string edtAttention;
  EditorDocument prfEditor2;
  EditorDocument prfEditor3;

  // Step 4: features.
  std::vector<std::string> FeatureList;
  ColorValue cbxFBgColor = kColorLightCream;
  ColorValue cbxFColor = kColorBlack;
  std::string cbxFName = kDefaultFontName;
  std::int32_t cbxFSize = kDefaultFontSize;
  bool chkFBold = false;
  bool chkFUnderline = false;
  bool chkFItalic = false;

  // Step 5: testimonials.
  std::vector<std::string> TestimonialList;
  ColorValue cbxTBgColor = kColorLightCream;
  ColorValue cbxTColor = kColorBlack;
  std::string cbxTName = kDefaultFontName;
  std::int32_t cbxTSize = kDefaultFontSize;
  bool chkTBold = false;
  bool chkTUnderline = false;
  bool chkTItalic = false;

  // Step 6: closing statement and P.S.
  EditorDocument prfEditor10;
  EditorDocument prfEditor11;

  // Step 7: order options.
  std::string edtDirectLink;
  std::string edtClickBankName;
  std::string edtProductName;
  std::string edtDescription;
  std::string memPaypalCode;
  std::string edtPaypalEmail;
  // The order link's format: never shown and never rendered, only carried
  // through the configuration files.
  ColorValue cbxOBgColor = kColorMoneyGreen;
  ColorValue cbxOColor = kColorBlack;
  std::string cbxOName = kDefaultFontName;
  std::int32_t cbxOSize = kDefaultFontSize;
  bool chkOBold = false;
  bool chkOUnderline = false;
  bool chkOItalic = false;

  friend bool operator==(const LetterConfiguration&, const LetterConfiguration&) = default;
};

}  // namespace wordlark
