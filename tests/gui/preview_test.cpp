// Step 8's preview of the page Finish would write, and the pre-flight list
// beside it, on the real window offscreen.
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QWebEngineView>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "gui_test_main.h"
#include "letter/list_items.h"
#include "loop_probe.h"
#include "render/output.h"
#include "render/renderer.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "test_support.h"
#include "widgets/PagePreview.h"
#include "widgets/QtText.h"
#include "window_fixture.h"
#include "wizard/PictureDialog.h"
#include "wizard/PreviewWorker.h"

using wordlark::MessageBox;
using wordlark::PagePreview;
using wordlark::PathText;
using wordlark::TfrmMain;
using wordlark::test::EvalIn;
using wordlark::test::ListTexts;
using wordlark::test::LoopProbe;
using wordlark::test::ReadBytes;
using wordlark::test::WaitInEventLoop;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;

namespace {

// Notes the first paint of a widget after it is armed.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
  void Arm() { paintedAt_ = -1; }
  long long PaintedAt() const { return paintedAt_; }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint && paintedAt_ < 0) {
      paintedAt_ = LoopProbe::NowMs();
    }
    return QObject::eventFilter(object, event);
  }

 private:
  long long paintedAt_ = 0;
};

bool AnyContains(const QStringList& texts, const QString& piece) {
  return std::any_of(texts.begin(), texts.end(),
                     [&piece](const QString& t) { return t.contains(piece); });
}

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    const auto templates = fixture_->Folder() / "Templates";
    WriteBytes(templates / "Alpha.tem",
               "<html><head><title>%%PAGETITLE%%</title></head>\n"
               "<body id=alpha>%%HEADERPICTURE%%<h1>%%ORDERHEADLINE%%</h1>\n"
               "%%ORDERCODE%%</body></html>\n");
    WriteBytes(templates / "beta.tem",
               "<html><head><title>%%PAGETITLE%%</title>\n"
               "<meta name=viewport content=\"width=device-width\"></head>\n"
               "<body id=beta><p>%%ORDERHEADLINE%%</p>%%FOOTERPICTURE%%</body></html>\n");
    QImage thumbnail(24, 18, QImage::Format_RGB32);
    thumbnail.fill(Qt::darkCyan);
    QVERIFY(thumbnail.save(PathText(templates / "Alpha.png")));

    fixture_->NewWindow().resize(900, 720);
    QVERIFY(fixture_->ShowWindow());
    QTRY_VERIFY_WITH_TIMEOUT(fixture_->Window().prfEditor1->IsReady(), 60000);
  }

  void cleanup() { fixture_.reset(); }

  void thePreviewShowsThePageFinishWouldWriteAndCopiesNothing() {
    TfrmMain& w = fixture_->Window();
    QCOMPARE(w.cbxTemplates->count(), 2);
    QVERIFY(!w.cbxTemplates->itemIcon(0).isNull());  // Alpha.png beside Alpha.tem
    QVERIFY(w.cbxTemplates->itemIcon(1).isNull());

    const auto picture = fixture_->Folder() / "pictures" / "head er.png";
    std::filesystem::create_directories(picture.parent_path());
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(PathText(picture)));
    const auto site = fixture_->Folder() / "site";
    std::filesystem::create_directories(site);
    w.edtPageTitle->setText(QStringLiteral("Spring \u20ac sale"));
    w.edtHeaderPicture->setText(PathText(picture));
    w.prfEditor1->SetHtml(QStringLiteral("<b>Sell more</b>"));
    w.edtFilename->setText(PathText(site / "page.html"));

    GoToStep8();
    QCOMPARE(w.pagePreview->PageBytes(), ExpectedPage(0));
    QVERIFY(w.pagePreview->PageBytes().contains("src=head%20er.png"));

    // The view holds that very page, read as windows-1252 ...
    QWebEnginePage* page = w.pagePreview->View()->page();
    QCOMPARE(EvalIn(page, QStringLiteral("document.title")).toString(),
             QStringLiteral("Spring \u20ac sale"));
    QWebEnginePage reference;
    QSignalSpy loaded(&reference, &QWebEnginePage::loadFinished);
    reference.setContent(ExpectedPage(0), QStringLiteral("text/html;charset=windows-1252"),
                         page->url());
    QVERIFY(loaded.wait(30000));
    const QString dom = QStringLiteral("document.documentElement.outerHTML");
    QCOMPARE(EvalIn(page, dom).toString(), EvalIn(&reference, dom).toString());
    // ... with the local picture shown from where it is, and nothing copied.
    QTRY_COMPARE_WITH_TIMEOUT(
        EvalIn(page, QStringLiteral("document.images[0].naturalWidth")).toInt(), 7, 30000);
    QVERIFY(std::filesystem::is_empty(site));

    // Finish afterwards writes the same bytes the preview showed.
    w.btnFinishClick();
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Information);
    QCOMPARE(QByteArray::fromStdString(ReadBytes(site / "page.html")), ExpectedPage(0));
  }

  // A local picture in an editor: the preview shows it from where it is,
  // Finish copies it beside the page under its own name, and the pre-flight
  // list names it once it is gone.
  void aPictureInTheTextIsPreviewedAndCopiedByFinish() {
    TfrmMain& w = fixture_->Window();
    const auto picture = fixture_->Folder() / "pictures" / "in text.png";
    std::filesystem::create_directories(picture.parent_path());
    QImage image(9, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(PathText(picture)));
    const auto site = fixture_->Folder() / "site";
    std::filesystem::create_directories(site);
    w.prfEditor1->SetHtml(
        QStringLiteral("<b>Sell</b> <img src=\"%1\" alt=\"Our shop\">").arg(PathText(picture)));
    w.edtFilename->setText(PathText(site / "page.html"));

    GoToStep8();
    QCOMPARE(w.pagePreview->PageBytes(), ExpectedPage(0));
    QVERIFY(w.pagePreview->PageBytes().contains("<img src=\"in%20text.png\" alt=\"Our shop\">"));
    QWebEnginePage* page = w.pagePreview->View()->page();
    QTRY_COMPARE_WITH_TIMEOUT(
        EvalIn(page, QStringLiteral("document.images[0].naturalWidth")).toInt(), 9, 30000);
    QVERIFY(std::filesystem::is_empty(site));
    QVERIFY(!AnyContains(ListTexts(w.lstPreflight), QStringLiteral("in text.png")));

    w.btnFinishClick();
    QCOMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Information);
    QCOMPARE(QByteArray::fromStdString(ReadBytes(site / "page.html")), ExpectedPage(0));
    QCOMPARE(ReadBytes(site / "in text.png"), ReadBytes(picture));

    std::filesystem::remove(picture);
    w.RefreshPreviewIfShown();
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 30000);
    QVERIFY(AnyContains(
        ListTexts(w.lstPreflight),
        QStringLiteral("\"%1\" in the main headline is not a file").arg(PathText(picture))));
  }

  // Ctrl+Shift+P in an editor, or its toolbar's picture button, asks for a
  // picture (the picture dialog or an address) and its description, and puts
  // it at the caret.
  void aPictureIsInsertedThroughItsDialog() {
    TfrmMain& w = fixture_->Window();
    const auto picture = fixture_->Folder() / "pictures" / "dot.png";
    std::filesystem::create_directories(picture.parent_path());
    QVERIFY(QImage(2, 2, QImage::Format_RGB32).save(PathText(picture)));
    w.prfEditor3->SetHtml(QStringLiteral("<p>Look:</p>"));
    w.pgcMain->setCurrentIndex(2);
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor3->IsReady(), 30000);
    const auto pressShortcut = [&w] {
      w.activateWindow();
      w.prfEditor3->setFocus();
      QTRY_VERIFY(QApplication::focusWidget() != nullptr &&
                  w.prfEditor3->isAncestorOf(QApplication::focusWidget()));
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_P,
                      Qt::ControlModifier | Qt::ShiftModifier);
    };

    const auto answer = [](const QString& address, const QString& description, bool browse) {
      auto* timer = new QTimer;
      QObject::connect(timer, &QTimer::timeout, [=] {
        auto* dialog = qobject_cast<wordlark::PictureDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
          return;
        }
        timer->stop();
        timer->deleteLater();
        if (browse) {
          QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("btnPictureBrowse")),
                            Qt::LeftButton);
        } else {
          dialog->findChild<QLineEdit*>(QStringLiteral("edtPictureAddress"))->setText(address);
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("edtPictureDescription"))
            ->setText(description);
        dialog->accept();
      });
      timer->start(50);
    };

    wordlark::FileDialog::QueueAnswer(PathText(picture));
    answer({}, QStringLiteral("A dot"), true);
    pressShortcut();
    const QString inserted =
        QStringLiteral("<img src=\"%1\" alt=\"A dot\">").arg(PathText(picture));
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor3->GetBodyHtml().contains(inserted), 30000);
    QCOMPARE(wordlark::FileDialog::Requests().size(), 1);
    QVERIFY(wordlark::FileDialog::Requests().front().filter.contains(QStringLiteral("*.png")));

    // An address without a description, from the toolbar's button.
    answer(QStringLiteral("https://example.com/b.png"), {}, false);
    QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("btnPicture3")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor3->GetBodyHtml().contains(
                                 QStringLiteral("<img src=\"https://example.com/b.png\">")),
                             30000);
    QVERIFY(w.prfEditor3->GetBodyHtml().contains(inserted));
  }

  void changingTheTemplateChangesThePreview() {
    TfrmMain& w = fixture_->Window();
    w.prfEditor1->SetHtml(QStringLiteral("Headline"));
    GoToStep8();
    QCOMPARE(BodyId(), QStringLiteral("alpha"));

    w.cbxTemplates->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 30000);
    QCOMPARE(w.pagePreview->PageBytes(), ExpectedPage(1));
    QCOMPARE(BodyId(), QStringLiteral("beta"));

    // A letter loaded while step 8 is showing is previewed at once.
    w.edtPageTitle->setText(QStringLiteral("Loaded"));
    w.SaveConfiguration(PathText(fixture_->Folder() / "l.set"));
    w.edtPageTitle->setText(QStringLiteral("Typed"));
    w.LoadConfiguration(PathText(fixture_->Folder() / "l.set"));
    QTRY_VERIFY_WITH_TIMEOUT(w.pagePreview->PageBytes().contains("<title>Loaded</title>"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 30000);
    QCOMPARE(EvalIn(w.pagePreview->View()->page(), QStringLiteral("document.title")).toString(),
             QStringLiteral("Loaded"));

    // Without the template there is a message instead of a page.
    std::filesystem::remove(fixture_->Folder() / "Templates" / "beta.tem");
    w.RefreshPreviewIfShown();
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 30000);
    QVERIFY(w.pagePreview->PageBytes().isEmpty());
    const auto* message = w.pagePreview->findChild<QLabel*>(QStringLiteral("lblPreviewMessage"));
    QVERIFY(message->isVisible());
    QCOMPARE(message->text(), QString::fromUtf8(wordlark::kNoTemplateMessage));
  }

  void phoneAndDesktopWidths() {
    TfrmMain& w = fixture_->Window();
    GoToStep8();
    QWebEnginePage* page = w.pagePreview->View()->page();
    const QString width = QStringLiteral("window.innerWidth");
    // The window is narrower than a desktop: the page is laid out at desktop
    // width and scaled down.
    QVERIFY(w.pagePreview->View()->width() < PagePreview::kDesktopWidth);
    QTRY_COMPARE_WITH_TIMEOUT(EvalIn(page, width).toInt(), PagePreview::kDesktopWidth, 10000);

    QTest::mouseClick(w.pagePreview->findChild<QToolButton*>(QStringLiteral("btnPreviewPhone")),
                      Qt::LeftButton);
    QCOMPARE(w.pagePreview->CurrentWidth(), PagePreview::Width::kPhone);
    QTRY_COMPARE_WITH_TIMEOUT(EvalIn(page, width).toInt(), PagePreview::kPhoneWidth, 10000);
    QCOMPARE(w.pagePreview->View()->width(), PagePreview::kPhoneWidth);

    // The width chosen stays when the page is shown anew.
    w.cbxTemplates->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 30000);
    QCOMPARE(BodyId(), QStringLiteral("beta"));
    QTRY_COMPARE_WITH_TIMEOUT(EvalIn(page, width).toInt(), PagePreview::kPhoneWidth, 10000);

    QTest::mouseClick(w.pagePreview->findChild<QToolButton*>(QStringLiteral("btnPreviewDesktop")),
                      Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(EvalIn(page, width).toInt(), PagePreview::kDesktopWidth, 10000);
  }

  void preflightItemsComeAndGoWithTheValues() {
    TfrmMain& w = fixture_->Window();
    GoToStep8();
    QStringList items = ListTexts(w.lstPreflight);
    QCOMPARE(items.size(), 3);
    QVERIFY(AnyContains(items, QStringLiteral("headline is empty")));
    QVERIFY(AnyContains(items, QStringLiteral("no way to order")));
    QVERIFY(AnyContains(items, QStringLiteral("No output file name")));
    QVERIFY(!w.lblPreflightOk->isVisible());

    // The output name is checked as it is typed.
    w.edtFilename->setText(QStringLiteral("page.html"));
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 30000);
    items = ListTexts(w.lstPreflight);
    QVERIFY(AnyContains(items, QStringLiteral("\"page.html\" names no folder")));
    QVERIFY(AnyContains(items, PathText(fixture_->Folder() / "Templates" / "page.html")));
    w.edtFilename->setText(PathText(fixture_->Folder() / "page.html"));
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 30000);
    QCOMPARE(ListTexts(w.lstPreflight).size(), 2);

    // A picture that is nowhere; activating its item leads to its box.
    w.edtHeaderPicture->setText(QStringLiteral("nowhere.png"));
    w.pgcMain->setCurrentIndex(0);
    GoToStep8();
    items = ListTexts(w.lstPreflight);
    QVERIFY(AnyContains(items, QStringLiteral("\"nowhere.png\" is neither a file")));
    for (int i = 0; i < w.lstPreflight->count(); ++i) {
      if (w.lstPreflight->item(i)->text().contains(QStringLiteral("nowhere.png"))) {
        w.lstPreflightActivate(w.lstPreflight->item(i));
      }
    }
    QCOMPARE(w.pgcMain->currentIndex(), 0);
    QTRY_VERIFY(w.edtHeaderPicture->hasFocus());
    QVERIFY(!w.btnBack->isEnabled());

    // Filling in the values clears the list; Finish was never blocked.
    w.edtHeaderPicture->setText(QStringLiteral("https://example.com/head.png"));
    w.prfEditor1->SetHtml(QStringLiteral("Headline"));
    w.edtDirectLink->setText(QStringLiteral("https://example.com/order"));
    GoToStep8();
    QCOMPARE(ListTexts(w.lstPreflight), QStringList{});
    QVERIFY(w.lblPreflightOk->isVisible());
  }

  // A letter with 10,000 features (a page of about 20 MB) is previewed while
  // the window keeps answering: the user-interface thread never stays away
  // from its event loop for long, from reaching step 8 to the page shown.
  void theWindowAnswersWhileAHugeLetterPreviews() {
    TfrmMain& w = fixture_->Window();
    ApplyHugeLetter();
    QWidget* step8 = w.pgcMain->widget(w.pgcMain->count() - 1);
    PaintWatch painted(step8);
    QTest::qWait(200);  // whatever the letter's arrival still had to do

    LoopProbe probe;
    QVERIFY(probe.Works());
    painted.Arm();
    const long long reachedAt = LoopProbe::NowMs();
    w.pgcMain->setCurrentIndex(w.pgcMain->count() - 1);
    // Waited for in an event loop of its own: QTRY_VERIFY sleeps between its
    // looks, which the probe would count as standing still.
    QVERIFY(WaitInEventLoop(
        [&] { return PreviewDone() && w.pagePreview->PageBytes().contains("Feature 9999"); },
        60000));
    const long long shownAt = LoopProbe::NowMs();
    probe.Stop();
    QVERIFY(painted.PaintedAt() >= reachedAt);
    const long long standStill = probe.LongestAwayMs(reachedAt, shownAt);
    qInfo(
        "step 8 reached: first repaint after %lld ms, page shown after %lld ms; away from the "
        "event loop at most %lld ms at a stretch",
        painted.PaintedAt() - reachedAt, shownAt - reachedAt, standStill);
    QVERIFY2(standStill < wordlark::test::kMaxStandStillMs,
             qPrintable(QStringLiteral("the event loop stood still for %1 ms").arg(standStill)));
    QCOMPARE(w.pagePreview->PageBytes().size(), ExpectedPage(0).size());
  }

  // Only the newest request is shown; closing the window ends the render,
  // and the window can go while one runs.
  void theNewestRequestWinsAndClosingEndsTheRender() {
    TfrmMain& w = fixture_->Window();
    ApplyHugeLetter();
    auto* worker = w.findChild<wordlark::PreviewWorker*>();
    QVERIFY(worker != nullptr);
    QSignalSpy results(worker, &wordlark::PreviewWorker::ready);

    // The huge page is asked for, and the small one of the other template
    // right after it: the huge one never arrives.
    w.pgcMain->setCurrentIndex(w.pgcMain->count() - 1);
    QVERIFY(w.PreviewRendering());
    w.cbxTemplates->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(PreviewDone(), 60000);
    QCOMPARE(results.size(), 1);
    QCOMPARE(w.pagePreview->PageBytes(), ExpectedPage(1));
    QCOMPARE(BodyId(), QStringLiteral("beta"));

    // Closed while the huge page is made: nothing follows.
    w.cbxTemplates->setCurrentIndex(0);
    QVERIFY(w.PreviewRendering());
    w.close();
    QVERIFY(!w.PreviewRendering());
    QTest::qWait(1500);
    QCOMPARE(results.size(), 1);
    QCOMPARE(w.pagePreview->PageBytes(), ExpectedPage(1));

    // The window goes while a render runs.
    w.RefreshPreview();
    QVERIFY(w.PreviewRendering());
    fixture_.reset();
  }

 private:
  void GoToStep8() {
    TfrmMain& w = fixture_->Window();
    w.pgcMain->setCurrentIndex(w.pgcMain->count() - 1);
    QVERIFY(w.pagePreview->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(w.pagePreview->View() != nullptr && PreviewDone(), 30000);
  }

  // 10,000 features of 2,000 characters each, on a template that shows them:
  // a page of about 23 MB.
  void ApplyHugeLetter() {
    TfrmMain& w = fixture_->Window();
    wordlark::LetterConfiguration letter = w.CollectConfiguration();
    const std::string body(2000, 'b');
    for (int i = 0; i < 10000; ++i) {
      letter.FeatureList.push_back(wordlark::MakeFeatureItem("Feature " + std::to_string(i), body));
    }
    WriteBytes(fixture_->Folder() / "Templates" / "Alpha.tem",
               "<html><head><title>%%PAGETITLE%%</title></head>\n"
               "<body id=alpha>%%FEATURES%%</body></html>\n");
    w.ApplyConfiguration(letter);
  }

  // True once the preview shows the page it was asked for last.
  bool PreviewDone() const {
    const TfrmMain& w = fixture_->Window();
    return !w.PreviewRendering() && !w.pagePreview->Loading();
  }

  // What Finish would write from the window's letter with template `index`.
  QByteArray ExpectedPage(int index) const {
    TfrmMain& w = fixture_->Window();
    wordlark::RenderContext context{w.Templates()[index].file, w.edtFilename->text().toStdString(),
                                    w.TemplatesFolder()};
    context.copy_pictures = false;
    return QByteArray::fromStdString(
        wordlark::PageFileBytes(wordlark::RenderLetter(w.CollectConfiguration(), context).page));
  }

  QString BodyId() const {
    return EvalIn(fixture_->Window().pagePreview->View()->page(),
                  QStringLiteral("document.body.id"))
        .toString();
  }

  std::unique_ptr<WindowFixture> fixture_;
};

WORDLARK_GUI_TEST_MAIN(PreviewTest)
#include "preview_test.moc"
