// The letter as a document in the window: asking before changes are lost,
// a new letter, saving in place, the recovery files, remembered places and
// recent letters, and a letter named on the command line. Crashes are real:
// a window in a process of its own, killed with SIGKILL.
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "TfrmMain.h"
#include "document/LetterSession.h"
#include "gui_test_main.h"
#include "letter/config_file.h"
#include "loop_probe.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "seams/UserSettings.h"
#include "test_support.h"
#include "widgets/QtText.h"
#include "window_fixture.h"

using wordlark::FileDialog;
using wordlark::LetterSession;
using wordlark::MessageBox;
using wordlark::PathText;
using wordlark::TfrmMain;
using wordlark::UserSettings;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;
namespace fs = std::filesystem;

namespace {

using Button = MessageBox::Button;

constexpr const char* kChildMode = "--edit-and-wait";
constexpr const char* kTypedBeforeCrash = "typed before the crash";

// The recovery letters in `folder`.
QStringList RecoveryLetters(const fs::path& folder) {
  QStringList names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".set") {
      names << PathText(entry.path().filename());
    }
  }
  return names;
}

// The letter in a file; an empty one while there is no such file yet.
wordlark::LetterConfiguration LetterIn(const fs::path& letterFile) {
  wordlark::LetterConfiguration letter;
  std::error_code ec;
  if (fs::is_regular_file(letterFile, ec)) {
    wordlark::LoadConfiguration(letterFile, letter);
  }
  return letter;
}

std::string PageTitleIn(const fs::path& letterFile) {
  return LetterIn(letterFile).edtPageTitle;
}

// Makes `window` the active one, so that its shortcuts answer.
bool Activate(QWidget& window) {
  window.activateWindow();
  return QTest::qWaitForWindowActive(&window);
}

// The child's part of the crash test: a window in a process of its own whose
// user typed a title; once the autosave has kept it, says so and waits to be
// killed.
int EditAndWait(const char* programFolder) {
  wordlark::TfrmMain window{fs::path(programFolder)};
  window.show();
  window.edtPageTitle->setText(QString::fromUtf8(kTypedBeforeCrash));
  const fs::path recovery = wordlark::PathOf(UserSettings::StateFolder()) / "recovery";
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!RecoveryLetters(recovery).isEmpty()) {
      poll.stop();
      std::printf("kept\n");
      std::fflush(stdout);
    }
  });
  poll.start(50);
  return QApplication::exec();
}

}  // namespace

class LetterSessionTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    WriteBytes(fixture_->Folder() / "Templates" / "Alpha.tem", "<p>%%PAGETITLE%%</p>");
    WriteBytes(fixture_->Folder() / "Templates" / "Beta.tem", "<div>%%PAGETITLE%%</div>");
    QVERIFY(fixture_->ShowWindow());
  }

  void cleanup() { fixture_.reset(); }

  // Each of the three questions with each answer: what goes on, what is
  // saved, what stays.
  void askingBeforeChangesAreLost_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("saved");
    for (const char* command : {"close", "load", "new"}) {
      QTest::newRow(qPrintable(QStringLiteral("%1, save").arg(command)))
          << command << int(Button::Save) << true << true;
      QTest::newRow(qPrintable(QStringLiteral("%1, discard").arg(command)))
          << command << int(Button::Discard) << true << false;
      QTest::newRow(qPrintable(QStringLiteral("%1, cancel").arg(command)))
          << command << int(Button::Cancel) << false << false;
    }
  }
  void askingBeforeChangesAreLost() {
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(bool, goesOn);
    QFETCH(bool, saved);
    TfrmMain& w = fixture_->Window();
    const fs::path mine = fixture_->Folder() / "mine.set";
    const fs::path other = fixture_->Folder() / "other.set";
    w.edtPageTitle->setText(QStringLiteral("other"));
    w.SaveConfiguration(PathText(other));
    w.edtPageTitle->setText(QStringLiteral("saved"));
    w.SaveConfiguration(PathText(mine));
    w.edtPageTitle->setText(QStringLiteral("changed"));
    QVERIFY(w.Session().IsModified());
    MessageBox::ClearHistory();

    MessageBox::QueueAnswer(Button(answer));
    bool closed = false;
    if (command == QLatin1String("close")) {
      closed = w.close();
    } else if (command == QLatin1String("load")) {
      FileDialog::QueueAnswer(PathText(other));
      w.btnLoadClick();
    } else {
      QTest::mouseClick(w.btnNew, Qt::LeftButton);
    }

    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Question);
    QVERIFY(MessageBox::History().front().text.startsWith(
        QStringLiteral("The letter \"mine.set\" has changes that are not saved.")));
    QCOMPARE(PageTitleIn(mine), std::string(saved ? "changed" : "saved"));
    if (command == QLatin1String("close")) {
      QCOMPARE(closed, goesOn);
    } else if (command == QLatin1String("load")) {
      QCOMPARE(FileDialog::Requests().size(), goesOn ? 1 : 0);
      QCOMPARE(w.edtPageTitle->text(),
               goesOn ? QStringLiteral("other") : QStringLiteral("changed"));
    } else {
      QCOMPARE(w.edtPageTitle->text(), goesOn ? QString() : QStringLiteral("changed"));
    }
    if (goesOn && command != QLatin1String("close")) {
      QVERIFY(!w.Session().IsModified());
    } else if (!goesOn) {
      QVERIFY(w.Session().IsModified());
      QCOMPARE(w.Session().FilePath(), PathText(mine));
    }
  }

  // Save on a letter never saved goes through the dialog; a cancelled
  // dialog cancels what asked.
  void savingANewLetterAsksForItsName() {
    TfrmMain& w = fixture_->Window();
    w.edtPageTitle->setText(QStringLiteral("fresh"));
    MessageBox::QueueAnswer(Button::Save);
    FileDialog::QueueAnswer(QString());
    QVERIFY(!w.close());
    QVERIFY(w.Session().IsModified());

    MessageBox::QueueAnswer(Button::Save);
    FileDialog::QueueAnswer(PathText(fixture_->Folder() / "named"));
    QVERIFY(w.close());
    QCOMPARE(PageTitleIn(fixture_->Folder() / "named.set"), std::string("fresh"));
    QCOMPARE(FileDialog::Requests().front().folder, PathText(fixture_->Documents()));
  }

  void aNewLetterStartsOverAtStepOne() {
    TfrmMain& w = fixture_->Window();
    QVERIFY(WindowFixture::WaitForEditors(w));
    const wordlark::LetterConfiguration defaults = w.CollectConfiguration();
    w.ApplyConfiguration(wordlark::test::FullLetter());
    w.edtFilename->setText(QStringLiteral("/tmp/page.html"));
    w.cbxTemplates->setCurrentIndex(1);
    w.SaveConfiguration(PathText(fixture_->Folder() / "full.set"));
    w.GoToStep(5);

    QVERIFY(Activate(w));
    QTest::keyClick(w.edtPageTitle, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(w.pgcMain->currentIndex(), 0);
    QVERIFY(WindowFixture::WaitForEditors(w));
    QVERIFY(w.CollectConfiguration() == defaults);
    QCOMPARE(w.edtFilename->text(), QString());
    QCOMPARE(w.cbxTemplates->currentIndex(), 0);
    QCOMPARE(w.Session().FilePath(), QString());
    QCOMPARE(w.windowTitle(), QStringLiteral("Untitled[*] \u2014 Wordlark"));
    QVERIFY(MessageBox::History().isEmpty());  // nothing to lose, nothing asked
  }

  // Ctrl+S writes the letter's file without a dialog; Save Configuration
  // (Ctrl+Shift+S) opens its dialog on that file.
  void ctrlSSavesInPlace() {
    TfrmMain& w = fixture_->Window();
    const fs::path file = fixture_->Folder() / "place.set";
    w.SaveConfiguration(PathText(file));
    w.edtPageTitle->setText(QStringLiteral("again"));
    QVERIFY(Activate(w));
    QTest::keyClick(w.edtPageTitle, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(PageTitleIn(file), std::string("again"));
    QVERIFY(FileDialog::Requests().isEmpty());
    QVERIFY(!w.isWindowModified());

    FileDialog::QueueAnswer(QString());
    QTest::keyClick(w.edtPageTitle, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(FileDialog::Requests().size(), 1);
    QCOMPARE(FileDialog::Requests().front().folder, PathText(file));
  }

  // The recovery is written a moment after the last change, and at the
  // latest after the longest wait while changes go on; saving, discarding
  // and closing a letter without changes remove it.
  void theRecoveryFollowsTheChanges() {
    TfrmMain& w = fixture_->Window();
    const fs::path folder = fixture_->RecoveryFolder();
    w.Session().SetAutosaveDelays(300, 1000);
    w.edtPageTitle->setText(QStringLiteral("one"));
    QTRY_COMPARE(RecoveryLetters(folder).size(), 1);
    const fs::path kept = folder / S(RecoveryLetters(folder).front());
    QTRY_COMPARE(PageTitleIn(kept), std::string("one"));

    // Typing that never pauses long enough still gets kept.
    QElapsedTimer typing;
    typing.start();
    int n = 0;
    while (typing.elapsed() < 2500) {
      w.edtPageTitle->setText(QStringLiteral("word %1").arg(++n));
      QTest::qWait(50);
      if (PageTitleIn(kept) != "one") {
        break;
      }
    }
    QVERIFY2(PageTitleIn(kept) != "one", "nothing kept during long typing");
    QVERIFY(typing.elapsed() < 2500);

    w.SaveConfiguration(PathText(fixture_->Folder() / "saved.set"));
    w.Session().Recovery().Flush();
    QVERIFY(RecoveryLetters(folder).isEmpty());

    w.edtPageTitle->setText(QStringLiteral("two"));
    QTRY_COMPARE(RecoveryLetters(folder).size(), 1);
    MessageBox::QueueAnswer(Button::Discard);
    QVERIFY(w.close());
    QVERIFY(RecoveryLetters(folder).isEmpty());
    QVERIFY(!fs::exists(kept.parent_path() / (kept.stem().string() + ".lock")));
  }

  // Keeping a large letter never stops the window answering: only collecting
  // it happens on the interface thread, the writing elsewhere.
  void keepingALargeLetterKeepsTheWindowAnswering() {
    TfrmMain& w = fixture_->Window();
    wordlark::LetterConfiguration large = wordlark::test::FullLetter();
    large.FeatureList.clear();
    for (int i = 0; i < 10000; ++i) {
      large.FeatureList.push_back("^Feature " + std::to_string(i) + "^" +
                                  std::string(200, 'a' + i % 26) + "^");
    }
    std::string html;
    while (html.size() < 1024 * 1024) {
      html += "<p>Paragraph <b>" + std::to_string(html.size()) + "</b> of the introduction.</p>";
    }
    large.prfEditor2.SetHtml(html);
    w.ApplyConfiguration(large);
    QVERIFY(WindowFixture::WaitForEditors(w));
    w.Session().SetAutosaveDelays(50, 1000);
    const fs::path folder = fixture_->RecoveryFolder();

    wordlark::test::LoopProbe probe;
    QVERIFY(probe.Works());
    const long long changedAt = wordlark::test::LoopProbe::NowMs();
    w.edtPageTitle->setText(QStringLiteral("large"));
    QVERIFY(
        wordlark::test::WaitInEventLoop([&] { return !RecoveryLetters(folder).isEmpty(); }, 60000));
    const long long keptAt = wordlark::test::LoopProbe::NowMs();
    probe.Stop();
    const long long standStill = probe.LongestAwayMs(changedAt, keptAt);
    qInfo(
        "autosave of 10,000 features and 1 MiB of editor HTML: away from the event loop at "
        "most %lld ms at a stretch",
        standStill);
    QVERIFY2(standStill < wordlark::test::kMaxStandStillMs,
             qPrintable(QStringLiteral("the event loop stood still for %1 ms").arg(standStill)));
    w.Session().Recovery().Flush();
    const wordlark::LetterConfiguration kept = LetterIn(folder / S(RecoveryLetters(folder)[0]));
    QCOMPARE(kept.FeatureList.size(), std::size_t{10000});
    QCOMPARE(kept.edtPageTitle, std::string("large"));
  }

  // A window that ended without saving leaves its recovery; the next one
  // offers it. Restore brings back the letter, marked modified, with its
  // file, step, output name and template; Discard removes it; Cancel keeps
  // it for later. A window that still runs keeps its own.
  void aLeftRecoveryIsOffered_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("restore") << int(Button::Restore);
    QTest::newRow("discard") << int(Button::Discard);
    QTest::newRow("cancel") << int(Button::Cancel);
  }
  void aLeftRecoveryIsOffered() {
    QFETCH(int, answer);
    const fs::path folder = fixture_->RecoveryFolder();
    const QString letterFile = PathText(fixture_->Folder() / "left.set");
    {
      TfrmMain& w = fixture_->Window();
      w.SaveConfiguration(letterFile);
      w.Session().SetAutosaveDelays(50, 1000);
      w.edtPageTitle->setText(QStringLiteral("left behind"));
      w.edtFilename->setText(QStringLiteral("/pages/left.html"));
      w.cbxTemplates->setCurrentIndex(1);
      w.GoToStep(3);
      w.edtFullName->setText(QStringLiteral("typed last"));
      QTRY_COMPARE(LetterIn(folder / S(RecoveryLetters(folder).value(0))).edtFullName,
                   std::string("typed last"));
      w.Session().Recovery().Flush();
    }
    // A second window runs meanwhile, with changes of its own.
    TfrmMain other(fixture_->Folder());
    other.Session().SetAutosaveDelays(50, 1000);
    other.edtPageTitle->setText(QStringLiteral("still running"));
    QTRY_COMPARE(RecoveryLetters(folder).size(), 2);

    fixture_->NewWindow();  // the first one ends without a question
    MessageBox::ClearHistory();
    MessageBox::QueueAnswer(Button(answer));
    QVERIFY(fixture_->ShowWindow());
    TfrmMain& w = fixture_->Window();
    QTRY_COMPARE(MessageBox::History().size(), 1);
    QVERIFY(MessageBox::History().front().text.startsWith(
        QStringLiteral("The letter \"left.set\" had changes that were not saved")));

    switch (Button(answer)) {
      case Button::Restore:
        QCOMPARE(w.edtPageTitle->text(), QStringLiteral("left behind"));
        QCOMPARE(w.edtFullName->text(), QStringLiteral("typed last"));
        QVERIFY(w.Session().IsModified());
        QCOMPARE(w.Session().FilePath(), letterFile);
        QCOMPARE(w.edtFilename->text(), QStringLiteral("/pages/left.html"));
        QCOMPARE(w.cbxTemplates->currentText(), QStringLiteral("Beta"));
        QCOMPARE(w.pgcMain->currentIndex(), 3);
        // Now this window's, and the other window's, and nothing else.
        QCOMPARE(RecoveryLetters(folder).size(), 2);
        break;
      case Button::Discard:
        QCOMPARE(w.edtPageTitle->text(), QString());
        QCOMPARE(RecoveryLetters(folder).size(), 1);
        break;
      default:
        QCOMPARE(w.edtPageTitle->text(), QString());
        QCOMPARE(RecoveryLetters(folder).size(), 2);
        break;
    }
    QVERIFY(other.Session().IsModified());
    QCOMPARE(other.edtPageTitle->text(), QStringLiteral("still running"));
  }

  // The real thing: a window in a process of its own, killed with SIGKILL
  // once the autosave has run; the next start restores what was typed.
  void aKilledWindowsLetterComesBack() {
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QString::fromLatin1(kChildMode), PathText(fixture_->Folder())});
    child.start();
    QVERIFY(child.waitForStarted());
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("kept"), 90000);
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(RecoveryLetters(fixture_->RecoveryFolder()).size(), 1);

    MessageBox::QueueAnswer(Button::Restore);
    fixture_->NewWindow();
    QVERIFY(fixture_->ShowWindow());
    TfrmMain& w = fixture_->Window();
    QTRY_COMPARE(w.edtPageTitle->text(), QString::fromUtf8(kTypedBeforeCrash));
    QVERIFY(w.Session().IsModified());
    QVERIFY(w.isWindowModified());
  }

  // Dialogs start in the documents folder, never the program folder, and
  // then where their last choice was made, across runs; each letter file
  // brings back its page's name and template.
  void placesAreRememberedAcrossRuns() {
    TfrmMain& w = fixture_->Window();
    const fs::path letters = fixture_->Folder() / "letters";
    const fs::path pictures = fixture_->Folder() / "pictures";
    fs::create_directories(letters);
    fs::create_directories(pictures);
    WriteBytes(pictures / "head.png", "PNG");
    FileDialog::QueueAnswer(PathText(pictures / "head.png"));
    w.bsSkinButton1Click();
    FileDialog::QueueAnswer(PathText(letters / "a.set"));
    w.btnSaveClick();
    FileDialog::QueueAnswer(PathText(fixture_->Folder() / "page.html"));
    w.bsSkinButton3Click();
    w.cbxTemplates->setCurrentIndex(1);
    FileDialog::QueueAnswer(QString());
    w.btnLoadClick();
    for (const auto& request : FileDialog::Requests()) {
      QCOMPARE(request.folder, PathText(fixture_->Documents()));
    }
    w.SaveLetter();  // in place: the page's name and template go with it

    FileDialog::Reset();
    fixture_->NewWindow();
    QVERIFY(fixture_->ShowWindow());
    TfrmMain& next = fixture_->Window();
    for (int i = 0; i < 4; ++i) {
      FileDialog::QueueAnswer(QString());
    }
    next.bsSkinButton1Click();
    next.btnSaveClick();
    next.bsSkinButton3Click();
    next.btnLoadClick();
    const auto& asked = FileDialog::Requests();
    QCOMPARE(asked.size(), 4);
    QCOMPARE(asked[0].folder, PathText(pictures));
    QCOMPARE(asked[1].folder, PathText(letters));
    QCOMPARE(asked[2].folder, PathText(fixture_->Folder()));
    QCOMPARE(asked[3].folder, PathText(fixture_->Documents()));  // nothing opened yet

    next.LoadConfiguration(PathText(letters / "a.set"));
    QCOMPARE(next.edtFilename->text(), PathText(fixture_->Folder() / "page.html"));
    QCOMPARE(next.cbxTemplates->currentText(), QStringLiteral("Beta"));
  }

  // The menu beside Load offers the letters used last, newest first; one
  // that has gone is taken off with a message.
  void recentLettersAreOffered() {
    TfrmMain& w = fixture_->Window();
    QStringList saved;
    for (int i = 1; i <= UserSettings::kMaxRecent + 1; ++i) {
      saved.prepend(PathText(fixture_->Folder() / QStringLiteral("r%1.set").arg(i).toStdString()));
      w.SaveConfiguration(saved.front());
    }
    w.FillRecentMenu();
    QStringList shown;
    for (QAction* action : w.btnRecent->menu()->actions()) {
      shown << action->toolTip();
    }
    QCOMPARE(shown, saved.mid(0, UserSettings::kMaxRecent));

    w.edtPageTitle->setText(QStringLiteral("r8 now"));
    w.SaveConfiguration(saved[1]);
    w.btnNewClick();
    QCOMPARE(w.edtPageTitle->text(), QString());
    w.btnRecent->menu()->actions()[1]->trigger();
    QCOMPARE(w.Session().FilePath(), saved[1]);
    QCOMPARE(w.edtPageTitle->text(), QStringLiteral("r8 now"));

    fs::remove(PathOf(saved[2]));
    w.FillRecentMenu();
    MessageBox::ClearHistory();
    w.btnRecent->menu()->actions()[2]->trigger();
    QVERIFY(MessageBox::HistoryTexts().value(0).contains(QStringLiteral("is no longer there")));
    QVERIFY(!UserSettings::RecentLetters().contains(saved[2]));
    QCOMPARE(w.Session().FilePath(), saved[1]);
  }

  // Finish knows the letter's own file and never writes the page over it.
  void finishKeepsTheLettersOwnFile() {
    TfrmMain& w = fixture_->Window();
    const fs::path letter = fixture_->Folder() / "own.set";
    w.edtPageTitle->setText(QStringLiteral("own"));
    w.SaveConfiguration(PathText(letter));
    const std::string before = wordlark::test::ReadBytes(letter);
    w.edtFilename->setText(PathText(letter));
    MessageBox::ClearHistory();
    w.btnFinishClick();
    QCOMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Warning);
    QVERIFY2(MessageBox::History().front().text.startsWith(
                 QStringLiteral("The page would replace \"") + PathText(letter)),
             qPrintable(MessageBox::History().front().text));
    QCOMPARE(wordlark::test::ReadBytes(letter), before);
  }

  // `wordlark LETTER` opens the letter: the real program, as a process.
  void theProgramOpensALetterNamedOnItsCommandLine() {
    TfrmMain& w = fixture_->Window();
    w.edtPageTitle->setText(QStringLiteral("from the command line"));
    const QString letter = PathText(fixture_->Folder() / "given.set");
    w.SaveConfiguration(letter);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WORDLARK_STARTUP_PROBE"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(WORDLARK_BIN_DIR "/wordlark"), {letter});
    QVERIFY(program.waitForFinished(120000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("modified=0 title=given.set[*] \u2014 Wordlark")),
             qPrintable(out));

    // In the window: the letter is there once the window shows.
    fixture_->NewWindow().OpenAtStart(letter);
    QVERIFY(fixture_->ShowWindow());
    QTRY_COMPARE(fixture_->Window().edtPageTitle->text(), QStringLiteral("from the command line"));
    QVERIFY(!fixture_->Window().Session().IsModified());
  }

 private:
  static std::filesystem::path PathOf(const QString& text) { return wordlark::PathOf(text); }
  static std::string S(const QString& text) { return wordlark::S(text); }

  std::unique_ptr<WindowFixture> fixture_;
};

int main(int argc, char** argv) {
  wordlark::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  if (argc == 3 && std::strcmp(argv[1], kChildMode) == 0) {
    return EditAndWait(argv[2]);
  }
  LetterSessionTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}

#include "letter_session_test.moc"
