// Step 8's preview of the page Finish would write, and the pre-flight list
// beside it, on the real window offscreen.
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QWebEngineView>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "gui_test_main.h"
#include "render/output.h"
#include "render/renderer.h"
#include "seams/MessageBox.h"
#include "test_support.h"
#include "widgets/PagePreview.h"
#include "widgets/QtText.h"
#include "window_fixture.h"

using wordlark::MessageBox;
using wordlark::PagePreview;
using wordlark::PathText;
using wordlark::TfrmMain;
using wordlark::test::EvalIn;
using wordlark::test::ListTexts;
using wordlark::test::ReadBytes;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;

namespace {

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

  void changingTheTemplateChangesThePreview() {
    TfrmMain& w = fixture_->Window();
    w.prfEditor1->SetHtml(QStringLiteral("Headline"));
    GoToStep8();
    QCOMPARE(BodyId(), QStringLiteral("alpha"));

    w.cbxTemplates->setCurrentIndex(1);
    QTRY_VERIFY_WITH_TIMEOUT(!w.pagePreview->Loading(), 30000);
    QCOMPARE(w.pagePreview->PageBytes(), ExpectedPage(1));
    QCOMPARE(BodyId(), QStringLiteral("beta"));

    // A letter loaded while step 8 is showing is previewed at once.
    w.edtPageTitle->setText(QStringLiteral("Loaded"));
    w.SaveConfiguration(PathText(fixture_->Folder() / "l.set"));
    w.edtPageTitle->setText(QStringLiteral("Typed"));
    w.LoadConfiguration(PathText(fixture_->Folder() / "l.set"));
    QTRY_VERIFY_WITH_TIMEOUT(w.pagePreview->PageBytes().contains("<title>Loaded</title>"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.pagePreview->Loading(), 30000);
    QCOMPARE(EvalIn(w.pagePreview->View()->page(), QStringLiteral("document.title")).toString(),
             QStringLiteral("Loaded"));

    // Without the template there is a message instead of a page.
    std::filesystem::remove(fixture_->Folder() / "Templates" / "beta.tem");
    w.RefreshPreviewIfShown();
    QVERIFY(w.pagePreview->PageBytes().isEmpty());
    QVERIFY(w.pagePreview->findChild<QLabel*>(QStringLiteral("lblPreviewMessage"))->isVisible());
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
    QTRY_VERIFY_WITH_TIMEOUT(!w.pagePreview->Loading(), 30000);
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
    items = ListTexts(w.lstPreflight);
    QVERIFY(AnyContains(items, QStringLiteral("\"page.html\" names no folder")));
    QVERIFY(AnyContains(items, PathText(fixture_->Folder() / "Templates" / "page.html")));
    w.edtFilename->setText(PathText(fixture_->Folder() / "page.html"));
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

 private:
  void GoToStep8() {
    TfrmMain& w = fixture_->Window();
    w.pgcMain->setCurrentIndex(w.pgcMain->count() - 1);
    QVERIFY(w.pagePreview->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(w.pagePreview->View() != nullptr && !w.pagePreview->Loading(), 30000);
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
