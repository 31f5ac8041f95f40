#pragma once

#include <QMetaMethod>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "letter/letter_configuration.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QWidget;

namespace wordlark {

class ColorBox;
class EntryListPage;
class HtmlEditor;
struct WizardControls;

// The letter and the wizard's controls that hold it: one row a value, naming
// the letter's field, the control and the kind of control. Collecting the
// letter and applying one are two loops over the rows, as the configuration
// file's entries are for the file.
class LetterBinding {
 public:
  enum class Kind {
    kText,    // a text box
    kMemo,    // a memo: CR LF in the letter, LF in the box
    kEditor,  // a rich-text editor: the body of its document
    kColor,   // a colour box
    kFont,    // a font box: the family it stands for
    kSize,    // a size box
    kCheck,   // a check box
    kList,    // a list page: its encoded entries
  };

  using L = LetterConfiguration;
  using Field = std::variant<std::string L::*, ColorValue L::*, EditorDocument L::*,
                             std::vector<std::string> L::*, std::int32_t L::*, bool L::*>;

  struct Row {
    Field field;
    QWidget* control;
    Kind kind;

    // The signal the control sends when its value changes. Text, memo, colour,
    // font, size and check boxes send it for every change, Apply included; an
    // editor only for the user's changes (typing, a command), not for Apply;
    // a list page whenever its entries change.
    QMetaMethod ChangeSignal() const;
  };

  // The rows of the window's controls, in the order of the letter's fields.
  explicit LetterBinding(const WizardControls& controls);

  const std::vector<Row>& Rows() const { return rows_; }

  // The letter as the controls hold it; reading changes nothing.
  LetterConfiguration Collect() const;
  // Puts every value of `letter` into its control.
  void Apply(const LetterConfiguration& letter) const;

 private:
  static Row Text(std::string L::*field, QLineEdit* box);
  static Row Memo(std::string L::*field, QPlainTextEdit* memo);
  static Row Editor(EditorDocument L::*field, HtmlEditor* editor);
  static Row Color(ColorValue L::*field, ColorBox* box);
  static Row Font(std::string L::*field, QComboBox* box);
  static Row Size(std::int32_t L::*field, QSpinBox* box);
  static Row Check(bool L::*field, QCheckBox* box);
  static Row List(std::vector<std::string> L::*field, EntryListPage* page);

  std::vector<Row> rows_;
};

}  // namespace wordlark
