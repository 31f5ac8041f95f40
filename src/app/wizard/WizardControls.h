#pragma once

#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace wordlark {

class ColorBox;
class EntryListPage;
class FormatToolbar;
class HtmlEditor;
class PagePreview;

// The controls of the eight wizard steps, named as the window's layout names
// them. The main window holds them, so that its handlers, the letter binding
// and the tests find them there; each step's page fills in the ones it makes.
struct WizardControls {
  // Step 1.
  QLineEdit* edtPageTitle = nullptr;
  QLineEdit* edtFullName = nullptr;
  QLineEdit* edtCurrentDate = nullptr;
  QLineEdit* edtHeaderPicture = nullptr;
  QLineEdit* edtCoverPicture = nullptr;
  QLineEdit* edtFooterPicture = nullptr;
  QPushButton* bsSkinButton1 = nullptr;
  QPushButton* bsSkinButton2 = nullptr;
  QPushButton* bsSkinButton4 = nullptr;
  ColorBox* cbxMainBgColor = nullptr;
  // Steps 2, 3 and 6.
  HtmlEditor* prfEditor1 = nullptr;
  QLineEdit* edtAttention = nullptr;
  HtmlEditor* prfEditor2 = nullptr;
  HtmlEditor* prfEditor3 = nullptr;
  HtmlEditor* prfEditor10 = nullptr;
  HtmlEditor* prfEditor11 = nullptr;
  std::vector<FormatToolbar*> toolbars;  // the toolbars of the five editors, in step order
  // Step 4.
  QLineEdit* edtFeatureTitle = nullptr;
  QPlainTextEdit* memFeatureBody = nullptr;
  QPushButton* btnCreateFeat = nullptr;
  QPushButton* btnDeleteFeat = nullptr;
  QListWidget* lbxFeatures = nullptr;
  QPlainTextEdit* memFeatureDetails = nullptr;
  EntryListPage* featuresPage = nullptr;
  ColorBox* cbxFBgColor = nullptr;
  ColorBox* cbxFColor = nullptr;
  QComboBox* cbxFName = nullptr;
  QSpinBox* cbxFSize = nullptr;
  QCheckBox* chkFBold = nullptr;
  QCheckBox* chkFUnderline = nullptr;
  QCheckBox* chkFItalic = nullptr;
  // Step 5.
  QLineEdit* edtTestName = nullptr;
  QLineEdit* edtTestWebsite = nullptr;
  QPlainTextEdit* memTest = nullptr;
  QPushButton* btnCreateTest = nullptr;
  QPushButton* btnDeleteTest = nullptr;
  QListWidget* lbxTestimonials = nullptr;
  QPlainTextEdit* memTestDetails = nullptr;
  EntryListPage* testimonialsPage = nullptr;
  ColorBox* cbxTBgColor = nullptr;
  ColorBox* cbxTColor = nullptr;
  QComboBox* cbxTName = nullptr;
  QSpinBox* cbxTSize = nullptr;
  QCheckBox* chkTBold = nullptr;
  QCheckBox* chkTUnderline = nullptr;
  QCheckBox* chkTItalic = nullptr;
  // Step 7.
  QLineEdit* edtDirectLink = nullptr;
  QLineEdit* edtClickBankName = nullptr;
  QLineEdit* edtProductName = nullptr;
  QLineEdit* edtDescription = nullptr;
  QPlainTextEdit* memPaypalCode = nullptr;
  QLineEdit* edtPaypalEmail = nullptr;
  ColorBox* cbxOBgColor = nullptr;
  ColorBox* cbxOColor = nullptr;
  QComboBox* cbxOName = nullptr;
  QSpinBox* cbxOSize = nullptr;
  QCheckBox* chkOBold = nullptr;
  QCheckBox* chkOUnderline = nullptr;
  QCheckBox* chkOItalic = nullptr;
  // Step 8.
  QComboBox* cbxTemplates = nullptr;
  QGroupBox* grpPreview = nullptr;
  PagePreview* pagePreview = nullptr;
  QListWidget* lstPreflight = nullptr;
  QLabel* lblPreflightOk = nullptr;
  QLineEdit* edtFilename = nullptr;
  QPushButton* bsSkinButton3 = nullptr;
  QPushButton* btnFinish = nullptr;
};

}  // namespace wordlark
