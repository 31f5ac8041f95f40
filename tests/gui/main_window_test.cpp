// The main window driven as a user would: the real widgets and editors,
// offscreen, with dialogs and message boxes answered through their seams.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QWheelEvent>

#include "FormatToolbar.h"
#include "LinkDialog.h"
#include "TfrmMain.h"
#include "document/LetterSession.h"
#include "gui_test_main.h"
#include "letter/config_file.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "seams/UserSettings.h"
#include "test_support.h"
#include "widgets/ColorBox.h"
#include "widgets/FontLists.h"
#include "widgets/PagePreview.h"
#include "widgets/QtText.h"
#include "window_fixture.h"
#include "wizard/EntryListPage.h"
#include "wizard/LetterBinding.h"

using wordlark::ColorBox;
using wordlark::ColorPicker;
using wordlark::FileDialog;
using wordlark::MessageBox;
using wordlark::PathText;
using wordlark::TfrmMain;
using wordlark::test::ListTexts;
using wordlark::test::ReadBytes;
using wordlark::test::TempDir;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;

namespace {

QStringList Messages() {
  return MessageBox::HistoryTexts();
}

// Opens the list of `box` and presses Enter on entry `row`, as a user
// choosing it would.
void ChooseInList(QComboBox* box, int row) {
  box->showPopup();
  QAbstractItemView* list = box->view();
  QTRY_VERIFY(list->isVisible());
  list->setCurrentIndex(box->model()->index(row, 0));
  QTest::keyClick(list, Qt::Key_Return);
  QTRY_VERIFY(!list->isVisible());
}

void Wheel(QWidget* widget, int steps) {
  const QPointF at = QRectF(widget->rect()).center();
  QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &wheel);
}

// The widget that has the focus lies inside `field` (an editor's focus sits
// in its web view).
bool FocusIn(QWidget* field) {
  QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && (focus == field || field->isAncestorOf(focus));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    WriteBytes(fixture_->Folder() / "Templates" / "plain.tem",
               "<html><title>%%PAGETITLE%%</title><body bgcolor=%%MAINBGCOLOR%%>\n"
               "%%HEADERPICTURE%%%%ORDERHEADLINE%%\n%%FEATURES%%\n</body></html>\n");
    QVERIFY(fixture_->ShowWindow());
  }

  void cleanup() { fixture_.reset(); }

  void nextAndBackWalkAllEightSteps() {
    TfrmMain& w = fixture_->Window();
    QCOMPARE(w.pgcMain->count(), 8);
    QCOMPARE(w.pgcMain->currentIndex(), 0);
    QVERIFY(!w.btnBack->isEnabled());
    QVERIFY(w.btnNext->isEnabled());
    for (int step = 1; step < 8; ++step) {
      QTest::mouseClick(w.btnNext, Qt::LeftButton);
      QCOMPARE(w.pgcMain->currentIndex(), step);
      QVERIFY(w.btnBack->isEnabled());
      QCOMPARE(w.btnNext->isEnabled(), step < 7);
    }
    QCOMPARE(w.pgcMain->currentWidget()->objectName(), QStringLiteral("bsSkinTabSheet12"));
    w.btnNextClick();  // nothing past the last step
    QCOMPARE(w.pgcMain->currentIndex(), 7);
    for (int step = 6; step >= 0; --step) {
      QTest::mouseClick(w.btnBack, Qt::LeftButton);
      QCOMPARE(w.pgcMain->currentIndex(), step);
      QCOMPARE(w.btnBack->isEnabled(), step > 0);
      QVERIFY(w.btnNext->isEnabled());
    }
  }

  void shortcutsWorkAlsoFromInsideAnEditor() {
    TfrmMain& w = fixture_->Window();
    w.btnNextClick();  // step 2, with its editors
    QVERIFY(QTest::qWaitFor([&] { return w.prfEditor2->IsReady(); }, 30000));
    QWidget* keys = wordlark::test::ViewOf(*w.prfEditor2)->focusProxy();
    QVERIFY(keys != nullptr);
    w.activateWindow();
    keys->setFocus();
    QTRY_VERIFY(keys->hasFocus());
    QTest::keyClick(keys, Qt::Key_Right, Qt::AltModifier);
    QTRY_COMPARE(w.pgcMain->currentIndex(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::AltModifier);
    QTRY_COMPARE(w.pgcMain->currentIndex(), 1);

    FileDialog::QueueAnswer(QString());  // the save dialog is cancelled
    QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
    QTRY_COMPARE(FileDialog::Requests().size(), 1);
    QCOMPARE(FileDialog::Requests().front().title, QStringLiteral("Save file"));
    FileDialog::QueueAnswer(QString());
    QTest::keyClick(w.edtAttention, Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE(FileDialog::Requests().size(), 2);
    QCOMPARE(FileDialog::Requests().back().title, QStringLiteral("Open file"));
  }

  void theWindowOpensCentredAndWithinTheScreen() {
    TfrmMain& w = fixture_->Window();
    const QRect area = w.screen()->availableGeometry();
    QVERIFY2(area.contains(w.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                              .arg(w.frameGeometry().x())
                                                              .arg(w.frameGeometry().y())
                                                              .arg(w.frameGeometry().width())
                                                              .arg(w.frameGeometry().height())));
    const QPoint offset = w.frameGeometry().center() - area.center();
    QVERIFY(offset.manhattanLength() <= 2);
  }

  void theColourPickerOpensOnlyWhenCustomIsChosen() {
    TfrmMain& w = fixture_->Window();
    ColorBox* box = w.cbxMainBgColor;
    QCOMPARE(box->Value(), wordlark::ColorValue{0xFFFFFF});
    // A picker opened by mistake is answered with a colour.
    for (int i = 0; i < 4; ++i) {
      ColorPicker::QueueAnswer(QColor(Qt::red));
    }

    // The arrow keys and the wheel on the closed box step onto "Custom..."
    // and on, without opening the picker.
    box->setCurrentIndex(1);
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->currentIndex(), 0);
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentIndex(), 1);
    Wheel(box, 1);
    QCOMPARE(box->currentIndex(), 0);
    Wheel(box, -1);
    QCOMPARE(box->currentIndex(), 1);
    QVERIFY(ColorPicker::OpenedWith().isEmpty());

    // Chosen in the list and cancelled: back to the entry before, white, not
    // the custom colour of a fresh start (black).
    ColorPicker::Reset();
    box->SetValue(0xFFFFFF);
    ColorPicker::QueueAnswer(std::nullopt);
    ChooseInList(box, 0);
    QCOMPARE(ColorPicker::OpenedWith(), QList<QColor>{QColor(Qt::black)});
    QCOMPARE(box->currentText(), QStringLiteral("White"));
    QCOMPARE(box->Value(), wordlark::ColorValue{0xFFFFFF});

    // Confirmed: the picked colour is the custom one and stays selected; a
    // later cancel keeps it.
    ColorPicker::QueueAnswer(QColor(0x12, 0x34, 0x56));
    ChooseInList(box, 0);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(box->Value(), wordlark::ColorValue{0x563412});
    ColorPicker::QueueAnswer(std::nullopt);
    ChooseInList(box, 0);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(box->Value(), wordlark::ColorValue{0x563412});
    QCOMPARE(ColorPicker::OpenedWith().size(), 3);
  }

  void fontListsOfferTheWebFamiliesFirst() {
    const QStringList web = {QStringLiteral("Arial"),      QStringLiteral("Verdana"),
                             QStringLiteral("Georgia"),    QStringLiteral("Times New Roman"),
                             QStringLiteral("Tahoma"),     QStringLiteral("Trebuchet MS"),
                             QStringLiteral("Courier New")};
    const struct {
      QStringList installed;
      QStringList local;  // what follows the separator
    } cases[] = {
        {{}, {}},
        {{QStringLiteral("Nimbus Sans [urw]"), QStringLiteral("DejaVu Sans"),
          QStringLiteral("Nimbus Sans [UKWN]"), QStringLiteral("nimbus sans"),
          QStringLiteral("Bitstream Charter")},
         {QStringLiteral("Bitstream Charter"), QStringLiteral("DejaVu Sans"),
          QStringLiteral("Nimbus Sans")}},
        {{QStringLiteral("arial"), QStringLiteral("Courier New [Monotype]"),
          QStringLiteral("Zapf Dingbats")},
         {QStringLiteral("Zapf Dingbats")}},
    };
    for (const auto& c : cases) {
      QStringList expected = web;
      if (!c.local.isEmpty()) {
        expected << QString() << c.local;
      }
      QCOMPARE(wordlark::LetterFontFamilies(c.installed), expected);
    }

    // The boxes: the web families, a separator, this computer's families.
    TfrmMain& w = fixture_->Window();
    for (QComboBox* box : {static_cast<QComboBox*>(w.cbxFName), w.toolbars.front()->fontName}) {
      for (int i = 0; i < web.size(); ++i) {
        QCOMPARE(box->itemText(i), web[i]);
      }
      if (box->count() > web.size()) {
        QCOMPARE(box->itemData(web.size(), Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("separator"));
        QVERIFY(!box->itemText(web.size() + 1).contains(QLatin1Char('[')));
      }
    }
    QCOMPARE(w.toolbars.front()->fontName->currentText(), QStringLiteral("Times New Roman"));

    // A letter's font names come back as they were; an empty one selects
    // no separator.
    wordlark::LetterConfiguration letter = w.CollectConfiguration();
    const QString installed = w.cbxFName->itemText(w.cbxFName->count() - 1);
    letter.cbxFName = installed.toStdString();
    letter.cbxTName = "georgia";
    w.ApplyConfiguration(letter);
    QCOMPARE(w.CollectConfiguration().cbxFName, installed.toStdString());
    QCOMPARE(w.CollectConfiguration().cbxTName, std::string("Georgia"));
    letter.cbxFName.clear();
    w.ApplyConfiguration(letter);
    QCOMPARE(w.cbxFName->currentIndex(), -1);
    QCOMPARE(w.CollectConfiguration().cbxFName, installed.toStdString());
  }

  void enteringAStepPutsTheFocusInItsFirstField() {
    TfrmMain& w = fixture_->Window();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const std::pair<int, QWidget*> steps[] = {
        {1, w.prfEditor1},  {2, w.prfEditor3},    {3, w.edtFeatureTitle}, {4, w.edtTestName},
        {5, w.prfEditor10}, {6, w.edtDirectLink}, {7, w.edtFilename},
    };
    for (const auto& [step, field] : steps) {
      QTest::mouseClick(w.btnNext, Qt::LeftButton);
      QCOMPARE(w.pgcMain->currentIndex(), step);
      QTRY_VERIFY2(FocusIn(field), qPrintable(field->objectName()));
    }
    for (int step = 7; step > 0; --step) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left, Qt::AltModifier);
    }
    QTRY_COMPARE(w.pgcMain->currentIndex(), 0);
    QTRY_VERIFY(FocusIn(w.edtPageTitle));
  }

  // The focus given to an editor by the program (here, following a pre-flight
  // item) comes with a caret: typing reaches the editor.
  void anEditorFocusedByTheProgramTakesTyping() {
    TfrmMain& w = fixture_->Window();
    QVERIFY(WindowFixture::WaitForEditors(w));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.pgcMain->setCurrentIndex(w.pgcMain->count() - 1);
    // The list is made anew when the preview has been drawn.
    QTRY_VERIFY_WITH_TIMEOUT(w.pagePreview->View() != nullptr && !w.pagePreview->Loading(), 30000);
    QListWidgetItem* headline = nullptr;
    for (int i = 0; i < w.lstPreflight->count(); ++i) {
      if (w.lstPreflight->item(i)->text() == QStringLiteral("The main headline is empty.")) {
        headline = w.lstPreflight->item(i);
      }
    }
    QVERIFY(headline != nullptr);
    // The list lays its items out once it is on screen.
    QTRY_VERIFY(
        w.lstPreflight->viewport()->rect().contains(w.lstPreflight->visualItemRect(headline)));
    const QPoint at = w.lstPreflight->visualItemRect(headline).center();
    // A double click: the first click, then the second one reported as such.
    QTest::mouseClick(w.lstPreflight->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w.lstPreflight->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(w.pgcMain->currentIndex(), 1);
    QTRY_VERIFY(FocusIn(w.prfEditor1));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Fresh"));
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor1->GetHtml().contains(QStringLiteral("Fresh")), 20000);

    // Again with text in the editor: the caret goes to its end.
    w.prfEditor3->SetHtml(QStringLiteral("<div>Start</div>"));
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor3->IsReady(), 30000);
    QTest::mouseClick(w.btnNext, Qt::LeftButton);
    QTRY_VERIFY(FocusIn(w.prfEditor3));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral(" end"));
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor3->GetHtml().contains(QStringLiteral("Start end")), 20000);
  }

  void featuresAreCreatedRefusedShownAndDeleted() {
    TfrmMain& w = fixture_->Window();
    const auto create = [&](const QString& title, const QString& body) {
      w.edtFeatureTitle->setText(title);
      w.memFeatureBody->setPlainText(body);
      QTest::mouseClick(w.btnCreateFeat, Qt::LeftButton);
    };
    create(QStringLiteral("Fast"), QString());
    QCOMPARE(Messages(), QStringList{QStringLiteral("Please provide a valid feature's content.")});
    QCOMPARE(w.edtFeatureTitle->text(), QStringLiteral("Fast"));  // kept for completing
    QCOMPARE(w.lbxFeatures->count(), 0);

    create(QStringLiteral("A^B"), QStringLiteral("body"));
    QCOMPARE(Messages().last(), QStringLiteral("The character ^ cannot be used in a feature."));
    QCOMPARE(w.lbxFeatures->count(), 0);

    create(QStringLiteral("One"), QStringLiteral("line 1\nline 2\n"));
    create(QStringLiteral("Two"), QStringLiteral("b"));
    create(QStringLiteral("Three"), QStringLiteral("c"));
    QVERIFY(w.edtFeatureTitle->text().isEmpty());
    QVERIFY(w.memFeatureBody->toPlainText().isEmpty());
    QCOMPARE(w.FeatureList().entries().front(), std::string("^One^line 1$$line 2^"));

    w.lbxFeatures->setCurrentRow(0);
    QCOMPARE(w.memFeatureDetails->toPlainText(), QStringLiteral("One\nline 1\nline 2"));

    MessageBox::ClearHistory();
    w.lbxFeatures->clearSelection();
    QTest::mouseClick(w.btnDeleteFeat, Qt::LeftButton);
    QCOMPARE(Messages(), QStringList{QStringLiteral("Please select a feature to delete.")});

    w.lbxFeatures->setCurrentRow(1);
    QTest::mouseClick(w.btnDeleteFeat, Qt::LeftButton);
    QVERIFY(w.memFeatureDetails->toPlainText().isEmpty());
    create(QStringLiteral("Four"), QStringLiteral("d"));
    QCOMPARE(ListTexts(w.lbxFeatures),
             (QStringList{QStringLiteral("Feature 1"), QStringLiteral("Feature 3"),
                          QStringLiteral("Feature 3")}));

    // Typed "$" come back as typed, never as line breaks.
    create(QStringLiteral("Save $$"), QStringLiteral("Stop wasting $$$ on cheap notebooks\n$5"));
    w.lbxFeatures->setCurrentRow(3);
    QCOMPARE(w.memFeatureDetails->toPlainText(),
             QStringLiteral("Save $$\nStop wasting $$$ on cheap notebooks\n$5"));
  }

  void testimonialsNeedAllThreeFields() {
    TfrmMain& w = fixture_->Window();
    w.edtTestName->setText(QStringLiteral("Ann"));
    w.memTest->setPlainText(QStringLiteral("Great"));
    QTest::mouseClick(w.btnCreateTest, Qt::LeftButton);
    QCOMPARE(Messages(),
             QStringList{QStringLiteral("Please provide a valid testimonial's content.")});
    w.edtTestWebsite->setText(QStringLiteral("http://ann.example"));
    QTest::mouseClick(w.btnCreateTest, Qt::LeftButton);
    QCOMPARE(ListTexts(w.lbxTestimonials), QStringList{QStringLiteral("Testimonial 1")});
    w.lbxTestimonials->setCurrentRow(0);
    QCOMPARE(w.memTestDetails->toPlainText(), QStringLiteral("Ann\nhttp://ann.example\nGreat"));

    // Deleting from an empty list says nothing.
    w.lbxTestimonials->setCurrentRow(0);
    QTest::mouseClick(w.btnDeleteTest, Qt::LeftButton);
    MessageBox::ClearHistory();
    QTest::mouseClick(w.btnDeleteTest, Qt::LeftButton);
    QVERIFY(MessageBox::History().isEmpty());
  }

  // Both list steps: selecting fills the form, Update replaces in place,
  // Move Up/Down reorder, and deletions come back with Ctrl+Z or Undo.
  void listEntriesAreUpdatedMovedAndPutBack_data() {
    QTest::addColumn<QString>("kind");  // "Feat" or "Test", as the buttons' names end
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("incomplete");
    QTest::newRow("features") << "Feat" << QStringList{"edtFeatureTitle"} << "memFeatureBody"
                              << "lbxFeatures"
                              << "Please provide a valid feature's content.";
    QTest::newRow("testimonials") << "Test" << QStringList{"edtTestName", "edtTestWebsite"}
                                  << "memTest"
                                  << "lbxTestimonials"
                                  << "Please provide a valid testimonial's content.";
  }

  void listEntriesAreUpdatedMovedAndPutBack() {
    QFETCH(QString, kind);
    QFETCH(QStringList, lines);
    QFETCH(QString, body);
    QFETCH(QString, list);
    QFETCH(QString, incomplete);
    TfrmMain& w = fixture_->Window();
    wordlark::EntryListPage* page = kind == "Feat" ? w.featuresPage : w.testimonialsPage;
    w.GoToStep(kind == "Feat" ? 3 : 4);  // steps 4 and 5
    const auto child = [&]<typename W>(W*, const QString& name) {
      auto* widget = w.findChild<W*>(name);
      if (widget == nullptr) {
        qFatal("no %s", qPrintable(name));
      }
      return widget;
    };
    const auto button = [&](const char* action) {
      return child(static_cast<QPushButton*>(nullptr), QLatin1String("btn") + action + kind);
    };
    auto* box = child(static_cast<QListWidget*>(nullptr), list);
    auto* memo = child(static_cast<QPlainTextEdit*>(nullptr), body);
    QList<QLineEdit*> edits;
    for (const QString& name : lines) {
      edits << child(static_cast<QLineEdit*>(nullptr), name);
    }
    // The form filled with `first` in its first line, "w" in the others.
    const auto fill = [&](const QString& first, const QString& text) {
      for (QLineEdit* edit : edits) {
        edit->setText(edit == edits.front() ? first : QStringLiteral("w"));
      }
      memo->setPlainText(text);
    };
    const auto firsts = [&] {
      QString out;
      for (std::size_t i = 0; i < page->Entries().size(); ++i) {
        out += QString::fromStdString(page->Entries()[i]).section(QLatin1Char('^'), 1, 1) + ' ';
      }
      return out.trimmed();
    };
    for (const char* first : {"A", "B", "C"}) {
      fill(QLatin1String(first), QStringLiteral("body ") + first);
      QTest::mouseClick(button("Create"), Qt::LeftButton);
    }
    const QString prefix =
        kind == "Feat" ? QStringLiteral("Feature ") : QStringLiteral("Testimonial ");
    QCOMPARE(ListTexts(box), (QStringList{prefix + "1", prefix + "2", prefix + "3"}));
    QCOMPARE(box->item(1)->toolTip(), QStringLiteral("B"));
    QVERIFY(button("Undo")->isHidden());
    QSignalSpy changes(page, &wordlark::EntryListPage::entriesChanged);

    // Selecting fills the form and the details box.
    box->setCurrentRow(1);
    QCOMPARE(edits.front()->text(), QStringLiteral("B"));
    QCOMPARE(memo->toPlainText(), QStringLiteral("body B"));
    QVERIFY(
        w.findChild<QPlainTextEdit*>(list == "lbxFeatures" ? "memFeatureDetails" : "memTestDetails")
            ->toPlainText()
            .endsWith(QStringLiteral("body B")));

    // Update: the checks and messages of Create, then the entry in place.
    edits.front()->clear();
    QTest::mouseClick(button("Update"), Qt::LeftButton);
    QCOMPARE(Messages(), QStringList{incomplete});
    QCOMPARE(firsts(), QStringLiteral("A B C"));
    fill(QStringLiteral("Bee"), QStringLiteral("two\nlines\n\n"));
    QTest::mouseClick(button("Update"), Qt::LeftButton);
    QCOMPARE(Messages().size(), 1);
    QCOMPARE(firsts(), QStringLiteral("A Bee C"));
    QVERIFY(page->Entries()[1].ends_with("^two$$lines$$^"));
    QCOMPARE(ListTexts(box), (QStringList{prefix + "1", prefix + "2", prefix + "3"}));
    QCOMPARE(box->item(1)->toolTip(), QStringLiteral("Bee"));
    QCOMPARE(box->currentRow(), 1);
    QCOMPARE(changes.size(), 1);

    // Move Up and Move Down carry the entry with its name.
    QTest::mouseClick(button("Up"), Qt::LeftButton);
    QCOMPARE(firsts(), QStringLiteral("Bee A C"));
    QCOMPARE(ListTexts(box), (QStringList{prefix + "2", prefix + "1", prefix + "3"}));
    QCOMPARE(box->currentRow(), 0);
    QVERIFY(!button("Up")->isEnabled());
    QTest::mouseClick(button("Down"), Qt::LeftButton);
    QTest::mouseClick(button("Down"), Qt::LeftButton);
    QCOMPARE(firsts(), QStringLiteral("A C Bee"));
    QVERIFY(!button("Down")->isEnabled() && button("Up")->isEnabled());
    QCOMPARE(changes.size(), 4);

    // Delete, then Ctrl+Z in the list puts it back, selected and in the form.
    QTest::mouseClick(button("Delete"), Qt::LeftButton);
    QCOMPARE(firsts(), QStringLiteral("A C"));
    QVERIFY(!button("Undo")->isHidden());
    fill(QStringLiteral("typed"), QStringLiteral("over"));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(firsts(), QStringLiteral("A C Bee"));
    QCOMPARE(ListTexts(box), (QStringList{prefix + "1", prefix + "3", prefix + "2"}));
    QCOMPARE(box->currentRow(), 2);
    QCOMPARE(edits.front()->text(), QStringLiteral("Bee"));
    QVERIFY(button("Undo")->isHidden());
    // ... and so does the Undo button, the last deletion first.
    box->setCurrentRow(0);
    QTest::mouseClick(button("Delete"), Qt::LeftButton);
    box->setCurrentRow(0);
    QTest::mouseClick(button("Delete"), Qt::LeftButton);
    QCOMPARE(firsts(), QStringLiteral("Bee"));
    QTest::mouseClick(button("Undo"), Qt::LeftButton);
    QVERIFY(!button("Undo")->isHidden());
    QTest::mouseClick(button("Undo"), Qt::LeftButton);
    QCOMPARE(firsts(), QStringLiteral("A C Bee"));
    QVERIFY(button("Undo")->isHidden());
    QCOMPARE(changes.size(), 10);

    // Update with nothing selected says so.
    box->clearSelection();
    QTest::mouseClick(button("Update"), Qt::LeftButton);
    QCOMPARE(Messages().last(), kind == "Feat"
                                    ? QStringLiteral("Please select a feature to update.")
                                    : QStringLiteral("Please select a testimonial to update."));

    // An entry longer than a line edit's usual limit comes back whole.
    const std::string long_first(40000, 'x');
    page->Assign({"^" + long_first + (kind == "Feat" ? "^b^" : "^w^b^")});
    QVERIFY(button("Undo")->isHidden());
    box->setCurrentRow(0);
    QCOMPARE(edits.front()->text().size(), 40000);
    memo->setPlainText(QStringLiteral("new"));
    QTest::mouseClick(button("Update"), Qt::LeftButton);
    QCOMPARE(page->Entries().front(), "^" + long_first + (kind == "Feat" ? "^new^" : "^w^new^"));
  }

  // The editors check spelling as the user last chose, kept in the user's
  // settings.
  void spellCheckingFollowsTheUsersChoice() {
    QVERIFY(wordlark::SpellChecking());
    wordlark::UserSettings::SetSpellChecking(false);
    QVERIFY(!wordlark::UserSettings::SpellChecking());
    fixture_->NewWindow();
    QVERIFY(!wordlark::SpellChecking());
    wordlark::UserSettings::SetSpellChecking(true);
    fixture_->NewWindow();
    QVERIFY(wordlark::SpellChecking());
  }

  void eachToolbarFormatsItsOwnEditor() {
    TfrmMain& w = fixture_->Window();
    QVERIFY(WindowFixture::WaitForEditors(w));
    w.EditorForTag(10)->SetHtml(QStringLiteral("<div>closing</div>"));
    w.EditorForTag(11)->SetHtml(QStringLiteral("<div>p.s.</div>"));
    QVERIFY(WindowFixture::WaitForEditors(w));
    auto* center11 = w.findChild<QToolButton*>(QStringLiteral("btnCenter11"));
    QVERIFY(center11);
    QCOMPARE(center11->property("Tag").toInt(), 11);
    center11->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor11->GetHtml().contains(QStringLiteral("center")), 20000);
    QVERIFY(!w.prfEditor10->GetHtml().contains(QStringLiteral("center")));

    // On a selection: Bold of the lower toolbar and the size "7  (36 pt)"
    // format the lower editor only.
    wordlark::test::SelectAll(*w.prfEditor11);
    w.findChild<QToolButton*>(QStringLiteral("btnBold11"))->click();
    auto* size11 = w.findChild<QComboBox*>(QStringLiteral("cbxFontSize11"));
    QVERIFY(size11);
    size11->setCurrentText(QStringLiteral("7  (36 pt)"));
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor11->GetHtml().contains(QStringLiteral("size=\"7\"")),
                             20000);
    QVERIFY(w.prfEditor11->GetHtml().contains(QStringLiteral("<b>")));
    QVERIFY(!w.prfEditor10->GetHtml().contains(QStringLiteral("<b>")));
    QVERIFY(!w.prfEditor10->GetHtml().contains(QStringLiteral("size=")));
  }

  // The toolbar of an editor shows the format at its caret: the buttons
  // checked, the boxes on the caret's font, and nothing sent back to the
  // editor, nothing changed in the letter.
  void theToolbarFollowsTheCaretWithoutChangingTheLetter() {
    TfrmMain& w = fixture_->Window();
    w.GoToStep(1);  // step 2
    w.prfEditor2->SetHtml(
        QStringLiteral("<div style=\"text-align: center;\"><b id=\"b\">bold</b></div>"
                       "<div><font face=\"Georgia\" size=\"5\"><span id=\"g\">big</span>"
                       "</font></div>"));
    QVERIFY(WindowFixture::WaitForEditors(w));
    const QString html = w.prfEditor2->GetHtml();
    QVERIFY(!w.Session().IsModified());
    auto* bold = w.findChild<QToolButton*>(QStringLiteral("btnBold2"));
    auto* center = w.findChild<QToolButton*>(QStringLiteral("btnCenter2"));
    auto* left = w.findChild<QToolButton*>(QStringLiteral("btnLeft2"));
    auto* name = w.findChild<QComboBox*>(QStringLiteral("cbxFontName2"));
    auto* size = w.findChild<QComboBox*>(QStringLiteral("cbxFontSize2"));
    QVERIFY(bold && center && left && name && size);
    QCOMPARE(bold->toolTip(), QStringLiteral("Bold (Ctrl+B)"));

    const auto caretIn = [&](const char* id) {
      wordlark::test::Eval(*w.prfEditor2,
                           QStringLiteral("{ const r = document.createRange();"
                                          "  r.setStart(document.getElementById('%1').firstChild,"
                                          "  1); const s = window.getSelection();"
                                          "  s.removeAllRanges(); s.addRange(r); }")
                               .arg(QLatin1String(id)));
    };
    caretIn("b");
    QTRY_VERIFY(bold->isChecked());
    QVERIFY(center->isChecked());
    QVERIFY(!left->isChecked());
    caretIn("g");
    QTRY_COMPARE(name->currentText(), QStringLiteral("Georgia"));
    QCOMPARE(size->currentText(), QStringLiteral("5  (18 pt)"));
    QVERIFY(!bold->isChecked());
    QVERIFY(left->isChecked());
    QVERIFY(!center->isChecked());
    // Nothing went back: the document and the letter's state are as they were.
    QCOMPARE(w.prfEditor2->GetHtml(), html);
    QVERIFY(!w.Session().IsModified());
  }

  // A link made through the dialog is in the letter at once, survives Save
  // and Load and reaches the page; other addresses are refused; Ctrl+K in
  // the editor opens the dialog on the link, which can remove it; Ctrl+click
  // opens it in the browser.
  void linksAreMadeThroughTheDialogAndReachThePage() {
    using wordlark::LinkDialog;
    TfrmMain& w = fixture_->Window();
    WriteBytes(fixture_->Folder() / "Templates" / "plain.tem",
               "<html><body>%%INTRODUCTION%%</body></html>\n");
    w.FillTemplateList();
    w.GoToStep(2);  // step 3
    w.prfEditor3->SetHtml(QStringLiteral("<div id=\"d\">Visit our shop today</div>"));
    QVERIFY(WindowFixture::WaitForEditors(w));
    wordlark::test::Eval(*w.prfEditor3,
                         QStringLiteral("{ const t = document.getElementById('d').firstChild;"
                                        "  const r = document.createRange(); r.setStart(t, 10);"
                                        "  r.setEnd(t, 14); const s = window.getSelection();"
                                        "  s.removeAllRanges(); s.addRange(r); }"));
    QTRY_COMPARE(w.prfEditor3->FormatAtCaret().selectedText, QStringLiteral("shop"));
    auto* link = w.findChild<QToolButton*>(QStringLiteral("btnLink3"));
    QVERIFY(link);

    // Refused: a warning, the document unchanged.
    LinkDialog::QueueAnswer(
        LinkDialog::Answer{LinkDialog::Answer::Action::kSet, "javascript:alert(1)", "shop"});
    link->click();
    QCOMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Warning);
    QVERIFY(Messages().front().contains(QStringLiteral("(tel:)")));
    QVERIFY(!w.prfEditor3->GetHtml().contains(QStringLiteral("<a ")));

    LinkDialog::QueueAnswer(
        LinkDialog::Answer{LinkDialog::Answer::Action::kSet, "example.com/shop", "shop"});
    link->click();
    QCOMPARE(LinkDialog::Requests().size(), 2);
    QCOMPARE(LinkDialog::Requests().back().text, QStringLiteral("shop"));
    QVERIFY(!LinkDialog::Requests().back().inLink);
    // In the letter at once, without waiting for the page.
    const QString linked = QStringLiteral(
        "<div id=\"d\">Visit our <a href=\"https://example.com/shop\">shop</a>"
        " today</div>");
    QCOMPARE(QString::fromStdString(w.CollectConfiguration().prfEditor3.body()), linked);
    QVERIFY(w.Session().IsModified());

    const auto file = fixture_->Folder() / "letter.set";
    w.SaveConfiguration(PathText(file));
    TfrmMain fresh(fixture_->Folder());
    fresh.LoadConfiguration(PathText(file));
    QVERIFY(WindowFixture::WaitForEditors(fresh));
    QVERIFY(fresh.prfEditor3->GetHtml().contains(linked));
    const auto out = fixture_->Folder() / "page.html";
    fresh.edtFilename->setText(PathText(out));
    fresh.btnFinishClick();
    QVERIFY2(ReadBytes(out).find(linked.toStdString()) != std::string::npos,
             ReadBytes(out).c_str());

    // Ctrl+click opens it through the desktop seam.
    QVERIFY(WindowFixture::WaitForEditors(w));
    const QVariantList at =
        wordlark::test::Eval(*w.prfEditor3,
                             QStringLiteral("(() => { const r = document.querySelector('a')"
                                            ".getBoundingClientRect(); return [r.x + r.width / 2,"
                                            " r.y + r.height / 2]; })()"))
            .toList();
    QCOMPARE(at.size(), 2);
    QWidget* keys = wordlark::test::ViewOf(*w.prfEditor3)->focusProxy();
    w.activateWindow();
    QTest::mouseClick(keys, Qt::LeftButton, Qt::ControlModifier,
                      QPoint(at[0].toInt(), at[1].toInt()));
    QTRY_COMPARE(fixture_->OpenedUrls(), QStringList{QStringLiteral("https://example.com/shop")});

    // Ctrl+K with the caret in the link: the dialog shows it; Remove Link.
    QTRY_VERIFY(w.prfEditor3->FormatAtCaret().inLink);
    LinkDialog::QueueAnswer(LinkDialog::Answer{LinkDialog::Answer::Action::kRemove, {}, {}});
    QTest::keyClick(keys, Qt::Key_K, Qt::ControlModifier);
    QTRY_COMPARE(LinkDialog::Requests().size(), 3);
    QCOMPARE(LinkDialog::Requests().back().address, QStringLiteral("https://example.com/shop"));
    QVERIFY(LinkDialog::Requests().back().inLink);
    QCOMPARE(QString::fromStdString(w.CollectConfiguration().prfEditor3.body()),
             QStringLiteral("<div id=\"d\">Visit our shop today</div>"));
  }

  void theColourDialogKeepsItsColourAcrossToolbars() {
    TfrmMain& w = fixture_->Window();
    auto* color1 = w.findChild<QToolButton*>(QStringLiteral("btnFontColor1"));
    auto* back10 = w.findChild<QToolButton*>(QStringLiteral("btnBGColor10"));
    auto* color2 = w.findChild<QToolButton*>(QStringLiteral("btnFontColor2"));
    QVERIFY(color1 && back10 && color2);
    ColorPicker::QueueAnswer(QColor(Qt::red));
    color1->click();
    ColorPicker::QueueAnswer(std::nullopt);  // cancelled: the colour stays
    back10->click();
    ColorPicker::QueueAnswer(std::nullopt);
    color2->click();
    QCOMPARE(ColorPicker::OpenedWith(),
             (QList<QColor>{QColor(Qt::black), QColor(Qt::red), QColor(Qt::red)}));
  }

  void saveThenLoadRestoresTheWholeLetter() {
    TfrmMain& w = fixture_->Window();
    QVERIFY(WindowFixture::WaitForEditors(w));
    w.edtPageTitle->setText(QStringLiteral("Caf\u00e9 \u65e5\u672c"));
    w.edtFullName->setText(QStringLiteral("Jo Seller"));
    w.edtCurrentDate->setText(QStringLiteral("May 1"));
    w.edtHeaderPicture->setText(QStringLiteral("http://x.example/h.png"));
    w.edtCoverPicture->setText(QStringLiteral("cover.png"));
    w.edtFooterPicture->setText(QStringLiteral("/tmp/footer.png"));
    w.cbxMainBgColor->SetValue(0x00123456);
    w.prfEditor1->SetHtml(QStringLiteral("<b>Headline</b>"));
    w.edtAttention->setText(QStringLiteral("Sub"));
    w.prfEditor2->SetHtml(QStringLiteral("<div>Intro</div>"));
    w.prfEditor3->SetHtml(QStringLiteral("<div>Product</div>"));
    w.prfEditor10->SetHtml(QStringLiteral("<div>Closing</div>"));
    w.prfEditor11->SetHtml(QStringLiteral("<div>P.S.</div>"));
    w.edtFeatureTitle->setText(QStringLiteral("F"));
    w.memFeatureBody->setPlainText(QStringLiteral("fb"));
    w.btnCreateFeatClick();
    w.edtTestName->setText(QStringLiteral("N"));
    w.edtTestWebsite->setText(QStringLiteral("W"));
    w.memTest->setPlainText(QStringLiteral("T1\nT2"));
    w.btnCreateTestClick();
    w.cbxFBgColor->SetValue(0x000000FF);
    w.cbxFColor->SetValue(0x00ABCDEF);
    w.cbxFName->setCurrentIndex(w.cbxFName->findText(QStringLiteral("Verdana")));
    w.cbxFSize->setValue(17);
    w.chkFBold->setChecked(true);
    w.chkFItalic->setChecked(true);
    w.cbxTSize->setValue(-2);
    w.chkTUnderline->setChecked(true);
    w.cbxTName->setCurrentIndex(w.cbxTName->findText(QStringLiteral("Georgia")));
    w.edtDirectLink->setText(QStringLiteral("http://order.example"));
    w.edtClickBankName->setText(QStringLiteral("cb"));
    w.edtProductName->setText(QStringLiteral("prod"));
    w.edtDescription->setText(QStringLiteral("desc"));
    w.memPaypalCode->setPlainText(QStringLiteral("<form>\n<input>\n</form>"));
    w.edtPaypalEmail->setText(QStringLiteral("pay@x.example"));
    w.cbxOSize->setValue(21);
    w.chkOBold->setChecked(true);
    QVERIFY(WindowFixture::WaitForEditors(w));
    const wordlark::LetterConfiguration saved = w.CollectConfiguration();

    const auto file = fixture_->Folder() / "letter";  // ".set" is added
    FileDialog::QueueAnswer(PathText(file));
    w.btnSaveClick();
    QCOMPARE(Messages(), QStringList{QStringLiteral("Configuration saved successfully!")});
    QVERIFY(std::filesystem::exists(fixture_->Folder() / "letter.set"));
    QCOMPARE(FileDialog::Requests().front().title, QStringLiteral("Save file"));
    QCOMPARE(FileDialog::Requests().front().filter, QStringLiteral("Settings files (*.set)|*.set"));

    TfrmMain fresh(fixture_->Folder());
    FileDialog::QueueAnswer(PathText(fixture_->Folder() / "letter.set"));
    fresh.btnLoadClick();
    QCOMPARE(Messages().last(), QStringLiteral("Configuration loaded successfully!"));
    QVERIFY(WindowFixture::WaitForEditors(fresh));
    const wordlark::LetterConfiguration loaded = fresh.CollectConfiguration();
    QVERIFY(loaded == saved);
    QCOMPARE(ListTexts(fresh.lbxTestimonials), QStringList{QStringLiteral("Testimonial 1")});
  }

  // Every text box of the letter holds a value of any length: 100,000
  // characters come in with Load and go out with Save, whole.
  void longValuesSurviveLoadAndSave() {
    using Kind = wordlark::LetterBinding::Kind;
    using L = wordlark::LetterConfiguration;
    TfrmMain& w = fixture_->Window();
    QVERIFY(WindowFixture::WaitForEditors(w));
    L letter = w.CollectConfiguration();
    int texts = 0;
    for (const auto& row : w.Binding().Rows()) {
      if (row.kind == Kind::kText) {
        // Each value its own: its box's name, then characters up to 100,000.
        std::string value = row.control->objectName().toStdString() + ' ';
        for (int i = 0; value.size() < 100000; ++i) {
          value += static_cast<char>('a' + i % 26);
        }
        letter.*std::get<std::string L::*>(row.field) = value;
        ++texts;
      }
    }
    QCOMPARE(texts, 12);
    const auto in = fixture_->Folder() / "long.set";
    wordlark::SaveConfiguration(in, letter);

    FileDialog::QueueAnswer(PathText(in));
    w.btnLoadClick();
    QCOMPARE(Messages(), QStringList{QStringLiteral("Configuration loaded successfully!")});
    QVERIFY(WindowFixture::WaitForEditors(w));
    const auto out = fixture_->Folder() / "saved.set";
    FileDialog::QueueAnswer(PathText(out));
    w.btnSaveClick();
    L saved;
    QVERIFY(wordlark::LoadConfiguration(out, saved));
    for (const auto& row : w.Binding().Rows()) {
      if (row.kind == Kind::kText) {
        const std::string& expected = letter.*std::get<std::string L::*>(row.field);
        const std::string& written = saved.*std::get<std::string L::*>(row.field);
        QVERIFY2(static_cast<QLineEdit*>(row.control)->text().size() == 100000,
                 qPrintable(row.control->objectName()));
        QVERIFY2(written == expected, qPrintable(row.control->objectName()));
      }
    }
  }

  void aBadFileChangesNothing() {
    TfrmMain& w = fixture_->Window();
    w.edtPageTitle->setText(QStringLiteral("keep me"));
    WriteBytes(fixture_->Folder() / "bad.set",
               "<%%PageTitle%%>other<%%/PageTitle%%>\r\n<%%FSize%%>abc<%%/FSize%%>\r\n");
    FileDialog::QueueAnswer(PathText(fixture_->Folder() / "bad.set"));
    MessageBox::QueueAnswer(MessageBox::Button::Discard);  // the typed title may go
    QTest::mouseClick(w.btnLoad, Qt::LeftButton);
    QCOMPARE(w.edtPageTitle->text(), QStringLiteral("keep me"));
    QCOMPARE(MessageBox::History().size(), 2);  // the question, then the error
    QCOMPARE(MessageBox::History().back().kind, MessageBox::Kind::Error);
    QCOMPARE(MessageBox::History().back().text,
             QStringLiteral("'abc' is not a valid integer value"));
  }

  void finishChecksTheNameWritesThePageAndCopiesPictures() {
    TfrmMain& w = fixture_->Window();
    w.btnFinishClick();
    QCOMPARE(Messages(), QStringList{QStringLiteral(
                             "Please select a location where you want to save your output file.")});

    // A picture picked with Browse is copied beside the page.
    const auto picture = fixture_->Folder() / "pictures" / "head er.png";
    std::filesystem::create_directories(picture.parent_path());
    WriteBytes(picture, "PNG");
    FileDialog::QueueAnswer(PathText(picture));
    w.bsSkinButton1Click();
    QCOMPARE(w.edtHeaderPicture->text(), PathText(picture));
    QCOMPARE(FileDialog::Requests().last().title, QStringLiteral("Open picture"));

    w.edtPageTitle->setText(QStringLiteral("Title \u20ac \u65e5"));
    const auto out = fixture_->Folder() / "site" / "page";
    std::filesystem::create_directories(out.parent_path());
    FileDialog::QueueAnswer(PathText(out));
    w.bsSkinButton3Click();
    QCOMPARE(w.edtFilename->text(), PathText(out) + QStringLiteral(".html"));
    MessageBox::ClearHistory();
    w.btnFinishClick();
    QCOMPARE(Messages(), QStringList{QStringLiteral("You have successfully saved your file as:") +
                                     w.edtFilename->text()});
    const std::string page = ReadBytes(fixture_->Folder() / "site" / "page.html");
    QVERIFY(page.find("<title>Title \x80 &#26085;</title>") != std::string::npos);
    // The blank is escaped so that the unquoted attribute still names the file.
    QVERIFY2(page.find("<img border=0 src=head%20er.png><br><br>") != std::string::npos,
             page.c_str());
    QCOMPARE(ReadBytes(fixture_->Folder() / "site" / "head er.png"), std::string("PNG"));

    // A picture that cannot be copied is reported after the success message.
    WriteBytes(fixture_->Folder() / "pictures" / "blocked.png", "PNG");
    std::filesystem::create_directories(fixture_->Folder() / "site" / "blocked.png");
    w.edtFooterPicture->setText(PathText(fixture_->Folder() / "pictures" / "blocked.png"));
    MessageBox::ClearHistory();
    w.btnFinishClick();
    QCOMPARE(MessageBox::History().size(), 2);
    QCOMPARE(MessageBox::History()[0].kind, MessageBox::Kind::Information);
    QCOMPARE(MessageBox::History()[1].kind, MessageBox::Kind::Warning);
    QVERIFY(MessageBox::History()[1].text.contains(QStringLiteral("blocked.png")));
    w.edtFooterPicture->clear();

    MessageBox::ClearHistory();
    w.edtFilename->setText(PathText(fixture_->Folder() / "missing" / "page.html"));
    w.btnFinishClick();
    QCOMPARE(Messages(), QStringList{QStringLiteral("Please check the output filename!")});
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Error);
    QVERIFY(!std::filesystem::exists(fixture_->Folder() / "missing"));

    // A page that would replace the template, or grow past its bound: a
    // warning, and nothing written.
    const auto tem = fixture_->Folder() / "Templates" / "plain.tem";
    const std::string template_bytes = ReadBytes(tem);
    w.edtFilename->setText(PathText(tem));
    MessageBox::ClearHistory();
    w.btnFinishClick();
    QCOMPARE(Messages(), QStringList{QStringLiteral("The page would replace \"") + PathText(tem) +
                                     QStringLiteral("\", which is the template the page is made "
                                                    "from. Please choose another output "
                                                    "filename.")});
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Warning);
    QCOMPARE(ReadBytes(tem), template_bytes);

    const std::string page_bytes = ReadBytes(fixture_->Folder() / "site" / "page.html");
    w.edtFilename->setText(PathText(fixture_->Folder() / "site" / "page.html"));
    w.edtPageTitle->setText(QStringLiteral("%%FULLNAME%%").repeated(2500));
    w.edtFullName->setText(QString(30000, QLatin1Char('n')));
    MessageBox::ClearHistory();
    w.btnFinishClick();
    QCOMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Warning);
    QVERIFY(Messages().front().startsWith(QStringLiteral("The page would be larger than 64 MiB")));
    QCOMPARE(ReadBytes(fixture_->Folder() / "site" / "page.html"), page_bytes);
  }

  void aMissingTemplatesFolderIsReportedAndStartUpGoesOn() {
    TempDir bare;
    MessageBox::ClearHistory();
    TfrmMain w(bare.path());
    w.show();
    QTRY_COMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Error);
    QVERIFY(MessageBox::History().front().text.contains(QStringLiteral("Templates")));
    QCOMPARE(w.cbxTemplates->count(), 0);

    // Finish then makes nothing, and says so.
    MessageBox::ClearHistory();
    w.edtFilename->setText(PathText(bare.path() / "page.html"));
    w.btnFinishClick();
    QCOMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Warning);
    QVERIFY(!std::filesystem::exists(bare.path() / "page.html"));
  }

 private:
  std::unique_ptr<WindowFixture> fixture_;
};

WORDLARK_GUI_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
