// The letter and the wizard's controls: every value goes into its own control
// and comes back as it was, and every control says when its value changes.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <set>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "document/LetterSession.h"
#include "gui_test_main.h"
#include "letter/config_file.h"
#include "test_support.h"
#include "widgets/ColorBox.h"
#include "widgets/QtText.h"
#include "window_fixture.h"
#include "wizard/EntryListPage.h"
#include "wizard/LetterBinding.h"

using wordlark::ColorBox;
using wordlark::EntryListPage;
using wordlark::HtmlEditor;
using wordlark::LetterBinding;
using wordlark::LetterConfiguration;
using wordlark::Q;
using wordlark::TfrmMain;
using wordlark::test::FullLetter;
using wordlark::test::WindowFixture;

namespace {

// Changes the value a control shows, as a user would.
void ChangeValue(const LetterBinding::Row& row) {
  using Kind = LetterBinding::Kind;
  QWidget* c = row.control;
  switch (row.kind) {
    case Kind::kText:
      static_cast<QLineEdit*>(c)->setText(QStringLiteral("typed"));
      break;
    case Kind::kMemo:
      static_cast<QPlainTextEdit*>(c)->setPlainText(QStringLiteral("typed"));
      break;
    case Kind::kEditor:
      wordlark::test::Eval(*static_cast<HtmlEditor*>(c),
                           QStringLiteral("document.body.append('typed')"));
      break;
    case Kind::kColor:
      static_cast<ColorBox*>(c)->SetValue(0x00123456);
      break;
    case Kind::kFont: {
      auto* box = static_cast<QComboBox*>(c);
      box->setCurrentIndex(box->currentIndex() == 0 ? 1 : 0);
      break;
    }
    case Kind::kSize:
      static_cast<QSpinBox*>(c)->setValue(99);
      break;
    case Kind::kCheck:
      static_cast<QCheckBox*>(c)->toggle();
      break;
    case Kind::kList:
      static_cast<EntryListPage*>(c)->Assign({"^typed^entry^"});
      break;
  }
}

}  // namespace

class LetterBindingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    QVERIFY(fixture_->ShowWindow());
    QVERIFY(WindowFixture::WaitForEditors(fixture_->Window()));
  }

  void cleanup() { fixture_.reset(); }

  // Every one of the 42 values differs from its default, so a value without
  // its row comes back as the default and the records differ.
  void aLetterAppliedComesBackWhole() {
    TfrmMain& w = fixture_->Window();
    const LetterConfiguration full = FullLetter();
    QVERIFY(!(full == LetterConfiguration{}));
    w.ApplyConfiguration(full);
    QVERIFY(WindowFixture::WaitForEditors(w));
    const LetterConfiguration collected = w.CollectConfiguration();
    // Entry by entry first, which names the value that did not come back.
    const auto entries = [](const LetterConfiguration& l) {
      return Q(wordlark::FormatConfiguration(l)).split(QStringLiteral("\r\n"));
    };
    QCOMPARE(entries(collected), entries(full));
    QVERIFY(collected == full);

    // Collecting changes nothing: the same letter comes back again.
    QVERIFY(w.CollectConfiguration() == full);
  }

  void eachValueHasAControlOfItsOwn() {
    const auto& rows = fixture_->Window().Binding().Rows();
    QCOMPARE(rows.size(), std::size_t{42});
    std::set<QWidget*> controls;
    for (const auto& row : rows) {
      QVERIFY(row.control != nullptr);
      controls.insert(row.control);
    }
    QCOMPARE(controls.size(), rows.size());
  }

  void everyControlSaysWhenItsValueChanges() {
    for (const auto& row : fixture_->Window().Binding().Rows()) {
      const QMetaMethod signal = row.ChangeSignal();
      QVERIFY2(signal.isValid(), qPrintable(row.control->objectName()));
      QSignalSpy changed(row.control, signal);
      ChangeValue(row);
      QVERIFY2(changed.count() > 0 || changed.wait(wordlark::test::kPageTimeoutMs),
               qPrintable(row.control->objectName()));
    }
  }

  // Any change the user makes marks the letter modified, and the title with
  // it; saving and loading leave it unmodified, and so does the program
  // putting a letter into the controls, editors settled included.
  void everyChangeMarksTheLetterModified() {
    TfrmMain& w = fixture_->Window();
    wordlark::LetterSession& session = w.Session();
    const QString file = wordlark::PathText(fixture_->Folder() / "letter.set");
    for (const auto& row : w.Binding().Rows()) {
      const char* name = qPrintable(row.control->objectName());
      w.SaveConfiguration(file);
      QVERIFY2(!session.IsModified() && !w.isWindowModified(), name);
      ChangeValue(row);
      QVERIFY2(QTest::qWaitFor([&] { return session.IsModified(); }), name);
      QVERIFY2(w.isWindowModified(), name);
    }
    QCOMPARE(w.windowTitle(), QStringLiteral("letter.set[*] \u2014 Wordlark"));
    QCOMPARE(w.windowFilePath(), file);

    w.LoadConfiguration(file);
    QVERIFY(!session.IsModified());
    w.ApplyConfiguration(FullLetter());
    QVERIFY(WindowFixture::WaitForEditors(w));
    QTest::qWait(200);  // time for a late report from an editor
    QVERIFY(!session.IsModified());
    QVERIFY(!w.isWindowModified());
  }

 private:
  std::unique_ptr<WindowFixture> fixture_;
};

WORDLARK_GUI_TEST_MAIN(LetterBindingTest)
#include "letter_binding_test.moc"
