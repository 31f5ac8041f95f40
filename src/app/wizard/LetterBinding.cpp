#include "wizard/LetterBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <array>
#include <limits>

#include "HtmlEditor.h"
#include "widgets/ColorBox.h"
#include "widgets/FontLists.h"
#include "widgets/QtText.h"
#include "wizard/EntryListPage.h"
#include "wizard/WizardControls.h"

namespace wordlark {

LetterBinding::LetterBinding(const WizardControls& c)
    : rows_{
          Text(&L::edtPageTitle, c.edtPageTitle),
          Text(&L::edtFullName, c.edtFullName),
          Text(&L::edtCurrentDate, c.edtCurrentDate),
          Text(&L::edtHeaderPicture, c.edtHeaderPicture),
          Text(&L::edtCoverPicture, c.edtCoverPicture),
          Text(&L::edtFooterPicture, c.edtFooterPicture),
          Color(&L::cbxMainBgColor, c.cbxMainBgColor),
          Editor(&L::prfEditor1, c.prfEditor1),
          Text(&L::edtAttention, c.edtAttention),
          Editor(&L::prfEditor2, c.prfEditor2),
          Editor(&L::prfEditor3, c.prfEditor3),
          List(&L::FeatureList, c.featuresPage),
          Color(&L::cbxFBgColor, c.cbxFBgColor),
          Color(&L::cbxFColor, c.cbxFColor),
          Font(&L::cbxFName, c.cbxFName),
          Size(&L::cbxFSize, c.cbxFSize),
          Check(&L::chkFBold, c.chkFBold),
          Check(&L::chkFUnderline, c.chkFUnderline),
          Check(&L::chkFItalic, c.chkFItalic),
          List(&L::TestimonialList, c.testimonialsPage),
          Color(&L::cbxTBgColor, c.cbxTBgColor),
          Color(&L::cbxTColor, c.cbxTColor),
          Font(&L::cbxTName, c.cbxTName),
          Size(&L::cbxTSize, c.cbxTSize),
          Check(&L::chkTBold, c.chkTBold),
          Check(&L::chkTUnderline, c.chkTUnderline),
          Check(&L::chkTItalic, c.chkTItalic),
          Editor(&L::prfEditor10, c.prfEditor10),
          Editor(&L::prfEditor11, c.prfEditor11),
          Text(&L::edtDirectLink, c.edtDirectLink),
          Text(&L::edtClickBankName, c.edtClickBankName),
          Text(&L::edtProductName, c.edtProductName),
          Text(&L::edtDescription, c.edtDescription),
          Memo(&L::memPaypalCode, c.memPaypalCode),
          Text(&L::edtPaypalEmail, c.edtPaypalEmail),
          Color(&L::cbxOBgColor, c.cbxOBgColor),
          Color(&L::cbxOColor, c.cbxOColor),
          Font(&L::cbxOName, c.cbxOName),
          Size(&L::cbxOSize, c.cbxOSize),
          Check(&L::chkOBold, c.chkOBold),
          Check(&L::chkOUnderline, c.chkOUnderline),
          Check(&L::chkOItalic, c.chkOItalic),
      } {
  // A text box holds any length: a value the letter carries is never cut.
  for (const Row& row : rows_) {
    if (row.kind == Kind::kText) {
      static_cast<QLineEdit*>(row.control)->setMaxLength(std::numeric_limits<int>::max());
    }
  }
}

LetterBinding::Row LetterBinding::Text(std::string L::*field, QLineEdit* box) {
  return {field, box, Kind::kText};
}
LetterBinding::Row LetterBinding::Memo(std::string L::*field, QPlainTextEdit* memo) {
  return {field, memo, Kind::kMemo};
}
LetterBinding::Row LetterBinding::Editor(EditorDocument L::*field, HtmlEditor* editor) {
  return {field, editor, Kind::kEditor};
}
LetterBinding::Row LetterBinding::Color(ColorValue L::*field, ColorBox* box) {
  return {field, box, Kind::kColor};
}
LetterBinding::Row LetterBinding::Font(std::string L::*field, QComboBox* box) {
  return {field, box, Kind::kFont};
}
LetterBinding::Row LetterBinding::Size(std::int32_t L::*field, QSpinBox* box) {
  return {field, box, Kind::kSize};
}
LetterBinding::Row LetterBinding::Check(bool L::*field, QCheckBox* box) {
  return {field, box, Kind::kCheck};
}
LetterBinding::Row LetterBinding::List(std::vector<std::string> L::*field, EntryListPage* page) {
  return {field, page, Kind::kList};
}

// The factories above pair each kind with its control and its field's type,
// so the casts below always hold.
LetterConfiguration LetterBinding::Collect() const {
  L l;
  for (const Row& row : rows_) {
    QWidget* c = row.control;
    switch (row.kind) {
      case Kind::kText:
        l.*std::get<std::string L::*>(row.field) = S(static_cast<QLineEdit*>(c)->text());
        break;
      case Kind::kMemo:
        l.*std::get<std::string L::*>(row.field) = MemoText(static_cast<QPlainTextEdit*>(c));
        break;
      case Kind::kEditor:
        (l.*std::get<EditorDocument L::*>(row.field))
            .SetHtml(S(HtmlEditor::BodyContentOf(static_cast<HtmlEditor*>(c)->GetHtml())));
        break;
      case Kind::kColor:
        l.*std::get<ColorValue L::*>(row.field) = static_cast<ColorBox*>(c)->Value();
        break;
      case Kind::kFont:
        l.*std::get<std::string L::*>(row.field) = S(FontBoxText(static_cast<QComboBox*>(c)));
        break;
      case Kind::kSize:
        l.*std::get<std::int32_t L::*>(row.field) = static_cast<QSpinBox*>(c)->value();
        break;
      case Kind::kCheck:
        l.*std::get<bool L::*>(row.field) = static_cast<QCheckBox*>(c)->isChecked();
        break;
      case Kind::kList:
        l.*std::get<std::vector<std::string> L::*>(row.field) =
            static_cast<EntryListPage*>(c)->Entries();
        break;
    }
  }
  return l;
}

void LetterBinding::Apply(const LetterConfiguration& l) const {
  for (const Row& row : rows_) {
    QWidget* c = row.control;
    switch (row.kind) {
      case Kind::kText:
        static_cast<QLineEdit*>(c)->setText(Q(l.*std::get<std::string L::*>(row.field)));
        break;
      case Kind::kMemo:
        SetMemoText(static_cast<QPlainTextEdit*>(c), l.*std::get<std::string L::*>(row.field));
        break;
      case Kind::kEditor:
        static_cast<HtmlEditor*>(c)->SetHtml(
            Q((l.*std::get<EditorDocument L::*>(row.field)).body()));
        break;
      case Kind::kColor:
        static_cast<ColorBox*>(c)->SetValue(l.*std::get<ColorValue L::*>(row.field));
        break;
      case Kind::kFont:
        SetFontBoxText(static_cast<QComboBox*>(c), Q(l.*std::get<std::string L::*>(row.field)));
        break;
      case Kind::kSize:
        static_cast<QSpinBox*>(c)->setValue(l.*std::get<std::int32_t L::*>(row.field));
        break;
      case Kind::kCheck:
        static_cast<QCheckBox*>(c)->setChecked(l.*std::get<bool L::*>(row.field));
        break;
      case Kind::kList:
        static_cast<EntryListPage*>(c)->Assign(l.*
                                               std::get<std::vector<std::string> L::*>(row.field));
        break;
    }
  }
}

QMetaMethod LetterBinding::Row::ChangeSignal() const {
  // In the order of Kind.
  static const std::array<QMetaMethod, 8> kSignals = {
      QMetaMethod::fromSignal(&QLineEdit::textChanged),
      QMetaMethod::fromSignal(&QPlainTextEdit::textChanged),
      QMetaMethod::fromSignal(&HtmlEditor::contentChanged),
      QMetaMethod::fromSignal(&ColorBox::valueChanged),
      QMetaMethod::fromSignal(&QComboBox::currentTextChanged),
      QMetaMethod::fromSignal(&QSpinBox::valueChanged),
      QMetaMethod::fromSignal(&QCheckBox::toggled),
      QMetaMethod::fromSignal(&EntryListPage::entriesChanged),
  };
  return kSignals[static_cast<std::size_t>(kind)];
}

}  // namespace wordlark
