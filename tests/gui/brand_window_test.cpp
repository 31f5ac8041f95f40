// The reseller's brand in the real main window: real enciphered settings
// files, banner pictures and skins in temporary program folders.
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <deque>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "brand/TfrmAbout.h"
#include "brand/WebLinks.h"
#include "brand/skin.h"
#include "gui_test_main.h"
#include "seams/Desktop.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "util/file_io.h"
#include "window_fixture.h"

using wordlark::BrowsableUrl;
using wordlark::FileDialog;
using wordlark::MessageBox;
using wordlark::OpenUrlInBrowser;
using wordlark::TfrmAbout;
using wordlark::TfrmMain;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;

namespace {

std::string Settings(const std::string& fields) {
  return wordlark::EncipherBytes(fields, wordlark::SettingsPassPhrase);
}

const char* const kFields =
    "<%%ApplicationName%%>Crumb Writer<%%/ApplicationName%%>\r\n"
    "<%%BranderCode%%>CC-1<%%/BranderCode%%>\r\n"
    "<%%BranderType%%>Gold<%%/BranderType%%>\r\n"
    "<%%AffiliateURL%%>https://example.com/p?ref=%%AFFILIATEID%%<%%/AffiliateURL%%>\r\n"
    "<%%AffiliateID%%>cc<%%/AffiliateID%%>\r\n"
    "<%%GoldNewsBaseURL%%>https://news.example.com/<%%/GoldNewsBaseURL%%>\r\n"
    "<%%GoldPublID%%>3<%%/GoldPublID%%>\r\n"
    "<%%MakeMoneyButton%%>Earn with us<%%/MakeMoneyButton%%>\r\n"
    "<%%AppHelpURL%%>https://example.com/help<%%/AppHelpURL%%>\r\n"
    "<%%CopyrightYears%%>2024-2026<%%/CopyrightYears%%>\r\n"
    "<%%CopyrightCompany%%>Crumb \xA9 Media<%%/CopyrightCompany%%>\r\n"
    "<%%AboutText%%>Line one\r\nLine two<%%/AboutText%%>\r\n"
    "<%%Welcome1%%><p>First welcome</p><%%/Welcome1%%>\r\n"
    "<%%Welcome2%%><p>Second welcome</p><%%/Welcome2%%>\r\n"
    "<%%Banner1%%>still.png^https://example.com/one<%%/Banner1%%>\r\n"
    "<%%Banner2%%>moving.GIF^https://example.com/two<%%/Banner2%%>\r\n"
    "<%%Link1%%>Tips^https://example.com/tips<%%/Link1%%>\r\n"
    "<%%Link2%%>Forum^https://example.com/forum<%%/Link2%%>\r\n"
    "<%%Link3%%>Shop^https://example.com/shop<%%/Link3%%>\r\n";

// Positions handed out in order: welcome page, banner, first link, second link.
wordlark::RandomIndex Pinned(std::deque<std::size_t> picks) {
  auto queue = std::make_shared<std::deque<std::size_t>>(std::move(picks));
  return [queue](std::size_t n) {
    std::size_t pick = 0;
    if (!queue->empty()) {
      pick = queue->front();
      queue->pop_front();
    }
    return pick < n ? pick : 0;
  };
}

// The caption an X11 desktop shows for a window titled `title`: Qt's X11
// platform appends a dash and the application's display name unless that name
// is empty or the title already ends with it.
QString X11Caption(const QString& title) {
  const QString name = QApplication::applicationDisplayName();
  if (name.isEmpty() || title.endsWith(name)) {
    return title;
  }
  return title.isEmpty() ? name : title + QStringLiteral(" \u2014 ") + name;
}

// Runs `open`, which shows a modal dialog, and hands the dialog to `look`
// before closing it.
void WithModalDialog(const std::function<void()>& open, const std::function<void(QDialog*)>& look) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog != nullptr && dialog->isVisible() && !seen) {
      seen = true;
      look(dialog);
      dialog->close();
    }
  });
  poll.start();
  open();
  QVERIFY(seen);
}

void WritePicture(const std::filesystem::path& file, const char* format, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(30, 110, 90));
  QVERIFY(image.save(QString::fromStdString(file.string()), format));
}

}  // namespace

class BrandWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { fixture_ = std::make_unique<WindowFixture>(); }

  void cleanup() { fixture_.reset(); }

  void withoutSettingsTheWindowKeepsItsDesign() {
    TfrmMain& w = fixture_->NewWindow();
    QVERIFY(fixture_->ShowWindow());
    QCOMPARE(w.windowTitle(), QStringLiteral("Untitled[*] \u2014 Wordlark"));
    QVERIFY(w.btnNews->isVisibleTo(&w));
    QCOMPARE(w.btnMakeMoney->text(), QStringLiteral("Make Money"));
    QVERIFY(w.panBanner->isVisibleTo(&w));
    QCOMPARE(w.panBanner->height(), 65);
    QCOMPARE(w.lblLink1URL->text(), QStringLiteral("Google"));
    QCOMPARE(w.lblLink2URL->text(), QStringLiteral("Google"));
    QVERIFY(BrowsableUrl(w.lblLink1URL->Url()).isValid());
    QCOMPARE(w.pgcPrinc->currentWidget(), w.stsMain);
    QVERIFY(w.stsWelcome == nullptr);
    QVERIFY(w.prfWelcome == nullptr);
    QVERIFY(w.findChild<wordlark::HtmlEditor*>(QStringLiteral("prfWelcome")) == nullptr);

    TfrmAbout about(w.Brand());
    QCOMPARE(about.windowTitle(), QStringLiteral("About ..."));
    QCOMPARE(about.lblProductName->text(), QString());
    QCOMPARE(about.lblProductVersion->text(), QStringLiteral("Product Version: 2.0"));
    QCOMPARE(about.lblCopyright->text(), QStringLiteral("Copyright (c)  "));
    QCOMPARE(about.memAbout->toPlainText(), QString());
  }

  // A link clicked on the welcome page goes through the program's rules for
  // addresses: a mail link loses its attachment.
  void aWelcomeLinkGoesOutByTheProgramsRules() {
    WriteBytes(fixture_->Folder() / "dbsettings.dat",
               Settings("<%%Welcome1%%><p><a id=\"l\" href=\"mailto:hi@example.com?attach=/etc/"
                        "passwd\">Write</a></p><%%/Welcome1%%>\r\n"));
    TfrmMain& w = fixture_->NewWindow();
    QVERIFY(fixture_->ShowWindow());
    QTRY_VERIFY_WITH_TIMEOUT(w.prfWelcome->IsReady(), wordlark::test::kPageTimeoutMs);
    wordlark::test::Eval(*w.prfWelcome, QStringLiteral("document.getElementById('l').click()"));
    QTRY_COMPARE(fixture_->OpenedUrls(), QStringList{QStringLiteral("mailto:hi@example.com")});
  }

  void settingsBrandTheWindow() {
    WriteBytes(fixture_->Folder() / "dbsettings.dat", Settings(kFields));
    std::filesystem::copy_file(
        std::filesystem::path(WORDLARK_TEST_DATA) / "brand" / "banner-300x40.gif",
        fixture_->Folder() / "banner2.dat");
    WriteBytes(fixture_->Folder() / "mainskin.dat",
               wordlark::PackSkin("QPushButton#btnMakeMoney { color: rgb(200, 0, 0); }"));
    WritePicture(fixture_->Folder() / "main.ico", "ICO", QSize(32, 32));

    TfrmMain& w = fixture_->NewWindow(Pinned({1, 1, 0, 1}));
    w.resize(783 + 40, 700);
    QVERIFY(fixture_->ShowWindow());
    QCOMPARE(w.windowTitle(), QStringLiteral("Untitled[*] \u2014 Crumb Writer v2.0"));
    QVERIFY(!w.btnNews->isHidden());
    QCOMPARE(w.btnMakeMoney->text(), QStringLiteral("Earn with us"));
    QVERIFY(!w.windowIcon().isNull());

    // The second welcome page is shown first; Thanks leads to the wizard and
    // runs the start-up checks again.
    QCOMPARE(w.pgcPrinc->currentWidget(), w.stsWelcome);
    QVERIFY(w.prfWelcome->GetHtml().contains(QStringLiteral("Second welcome")));
    QTRY_VERIFY_WITH_TIMEOUT(w.prfWelcome->IsReady(), wordlark::test::kPageTimeoutMs);
    const QPointer<wordlark::HtmlEditor> welcome = w.prfWelcome;
    w.Timer1->stop();
    QTest::mouseClick(w.btnThanks, Qt::LeftButton);
    QCOMPARE(w.pgcPrinc->currentWidget(), w.stsMain);
    QVERIFY(w.Timer1->isActive());
    // Left for good, the welcome page goes with its view.
    QTRY_VERIFY(welcome.isNull());
    QVERIFY(w.stsWelcome == nullptr && w.prfWelcome == nullptr && w.btnThanks == nullptr);

    // The animated banner, its strip 10 pixels higher, centred, with the hand.
    QVERIFY(w.gifBanner->isVisibleTo(&w));
    QVERIFY(!w.imgBanner->isVisibleTo(&w));
    QCOMPARE(w.gifBanner->size(), QSize(300, 40));
    QCOMPARE(w.panBanner->height(), 50);
    QCOMPARE(w.gifBanner->x(), w.panBanner->width() / 2 - 150);
    QCOMPARE(w.gifBanner->y(), 5);
    QCOMPARE(w.gifBanner->cursor().shape(), Qt::PointingHandCursor);

    // Two different links.
    QVERIFY(w.panLinks->isVisibleTo(&w));
    QCOMPARE(w.lblLink1URL->text(), QStringLiteral("Tips"));
    QCOMPARE(w.lblLink2URL->text(), QStringLiteral("Shop"));

    // The skin replaces the look.
    w.btnMakeMoney->ensurePolished();
    QCOMPARE(w.btnMakeMoney->palette().color(QPalette::ButtonText), QColor(200, 0, 0));

    // The web buttons.
    QTest::mouseClick(w.gifBanner, Qt::LeftButton);
    QTest::mouseClick(w.btnMakeMoney, Qt::LeftButton);
    QTest::mouseClick(w.btnHelp, Qt::LeftButton);
    QTest::mouseClick(w.lblLink2URL, Qt::LeftButton);
    QCOMPARE(fixture_->OpenedUrls(), (QStringList{QStringLiteral("https://example.com/two"),
                                                  QStringLiteral("https://example.com/p?ref=cc"),
                                                  QStringLiteral("https://example.com/help"),
                                                  QStringLiteral("https://example.com/shop")}));

    TfrmAbout about(w.Brand());
    QCOMPARE(about.windowTitle(), QStringLiteral("About Crumb Writer..."));
    QCOMPARE(about.lblProductName->text(), QStringLiteral("Crumb Writer"));
    QCOMPARE(about.lblCopyright->text(),
             QStringLiteral("Copyright (c) 2024-2026 Crumb \u00a9 Media"));
    QCOMPARE(about.memAbout->toPlainText(), QStringLiteral("Line one\nLine two"));
  }

  void theWelcomePageTakesEnterAndNoWindowShortcuts() {
    WriteBytes(fixture_->Folder() / "dbsettings.dat", Settings(kFields));
    TfrmMain& w = fixture_->NewWindow(Pinned({0}));
    QVERIFY(fixture_->ShowWindow());
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(w.pgcPrinc->currentWidget(), w.stsWelcome);
    QTRY_VERIFY_WITH_TIMEOUT(w.prfWelcome->IsReady(), wordlark::test::kPageTimeoutMs);

    // The window's shortcuts belong to the main page.
    FileDialog::QueueAnswer(QString());
    FileDialog::QueueAnswer(QString());
    QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
    QVERIFY(FileDialog::Requests().isEmpty());
    QCOMPARE(w.pgcMain->currentIndex(), 0);
    QCOMPARE(w.pgcPrinc->currentWidget(), w.stsWelcome);

    // Enter, with the focus in the page's text, shows the main page.
    QWidget* text = wordlark::test::ViewOf(*w.prfWelcome)->focusProxy();
    QVERIFY(text != nullptr);
    text->setFocus();
    QTRY_VERIFY(text->hasFocus());
    QTest::keyClick(text, Qt::Key_Return);
    QTRY_COMPARE(w.pgcPrinc->currentWidget(), w.stsMain);
    QTRY_VERIFY(w.edtPageTitle->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(w.pgcMain->currentIndex(), 1);

    // Enter on the button itself, where the window opens with the focus.
    TfrmMain& again = fixture_->NewWindow(Pinned({1}));
    QVERIFY(fixture_->ShowWindow());
    again.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&again));
    QTRY_VERIFY(again.btnThanks->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(again.pgcPrinc->currentWidget(), again.stsMain);
  }

  void theAboutWindowKeepsItsCaptionSizeAndPlace() {
    WriteBytes(fixture_->Folder() / "dbsettings.dat", Settings(kFields));
    TfrmMain& w = fixture_->NewWindow(Pinned({0}));
    QVERIFY(fixture_->ShowWindow());
    QTest::mouseClick(w.btnThanks, Qt::LeftButton);
    QCOMPARE(X11Caption(w.windowTitle()), QStringLiteral("Untitled[*] \u2014 Crumb Writer v2.0"));
    WithModalDialog(
        [&] { QTest::mouseClick(w.btnAbout, Qt::LeftButton); },
        [&](QDialog* about) {
          QCOMPARE(about->windowTitle(), QStringLiteral("About Crumb Writer..."));
          QCOMPARE(X11Caption(about->windowTitle()), QStringLiteral("About Crumb Writer..."));
          QCOMPARE(about->minimumSize(), about->maximumSize());
          const QPoint offset = about->frameGeometry().center() - w.frameGeometry().center();
          QVERIFY2(offset.manhattanLength() <= 2,
                   qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        });
  }

  void aStillBannerWithoutLinkAndOneLink() {
    WriteBytes(fixture_->Folder() / "dbsettings.dat",
               Settings("<%%ApplicationName%%>X<%%/ApplicationName%%>\r\n"
                        "<%%Banner1%%>pic.png^^<%%/Banner1%%>\r\n"
                        "<%%Link1%%>Only^https://example.com/only<%%/Link1%%>\r\n"));
    WritePicture(fixture_->Folder() / "banner1.dat", "PNG", QSize(120, 30));
    TfrmMain& w = fixture_->NewWindow(Pinned({0, 0, 0}));
    QVERIFY(fixture_->ShowWindow());
    QVERIFY(w.imgBanner->isVisibleTo(&w));
    QCOMPARE(w.panBanner->height(), 40);
    QCOMPARE(w.imgBanner->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(w.imgBanner, Qt::LeftButton);
    QVERIFY(fixture_->OpenedUrls().isEmpty());
    QVERIFY(w.panLinks->isVisibleTo(&w));
    QCOMPARE(w.lblLink1URL->text(), QStringLiteral("Only"));
    QCOMPARE(w.lblLink2URL->text(), QString());
    QVERIFY(!w.btnNews->isVisibleTo(&w));  // no level
  }

  void aFileThatDoesNotAuthenticateReadsAsEmpty() {
    const std::string good = Settings(kFields);
    const std::pair<const char*, std::string> files[] = {
        {"foreign pass phrase", wordlark::EncipherBytes(kFields, "another pass phrase")},
        {"damaged body",
         [&] {
           std::string bad = good;
           bad[bad.size() / 2] ^= 0x01;
           return bad;
         }()},
    };
    for (const auto& [what, bytes] : files) {
      WriteBytes(fixture_->Folder() / "dbsettings.dat", bytes);
      WritePicture(fixture_->Folder() / "banner1.dat", "PNG", QSize(100, 20));
      TfrmMain& w = fixture_->NewWindow(Pinned({0, 0, 0, 0}));
      QVERIFY(fixture_->ShowWindow());
      QVERIFY2(w.windowTitle() == QStringLiteral("Untitled[*] \u2014  v2.0"), what);
      QVERIFY2(!w.btnNews->isVisibleTo(&w), what);
      QCOMPARE(w.btnMakeMoney->text(), QStringLiteral("Make Money"));
      QVERIFY2(!w.panBanner->isVisibleTo(&w), what);
      QVERIFY2(!w.panLinks->isVisibleTo(&w), what);
      QCOMPARE(w.pgcPrinc->currentWidget(), w.stsMain);
      QVERIFY(MessageBox::History().isEmpty());
    }
  }

  void onlyWebAndMailAddressesAreOpened() {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("https://example.com/a"), QStringLiteral("https://example.com/a")},
        {QStringLiteral("www.example.com"), QStringLiteral("http://www.example.com")},
        {QStringLiteral("mailto:a@example.com"), QStringLiteral("mailto:a@example.com")},
        {QStringLiteral("javascript:alert(1)"), QString()},
        {QStringLiteral("file:///etc/passwd"), QString()},
        {QStringLiteral(""), QString()},
        {QStringLiteral("http://"), QString()},
    };
    for (const auto& [typed, opened] : cases) {
      fixture_->ClearRecords();
      const bool result = OpenUrlInBrowser(typed);
      QCOMPARE(result, !opened.isEmpty());
      QCOMPARE(fixture_->OpenedUrls(), opened.isEmpty() ? QStringList{} : QStringList{opened});
    }
  }

  // Addresses as people type them are opened, with what an address may not
  // hold percent-encoded.
  void typedAddressesAreOpenedEncoded() {
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral("https://example.com/my page"), "https://example.com/my%20page"},
        {QStringLiteral("https://example.com/a|b"), "https://example.com/a%7Cb"},
        {QStringLiteral("https://example.com/p?q={x}"), "https://example.com/p?q=%7Bx%7D"},
        {QStringLiteral("https://example.com/50%off"), "https://example.com/50%25off"},
        {QStringLiteral("https://example.com/p?ref=%%affiliateid%%"),
         "https://example.com/p?ref=%25%25affiliateid%25%25"},
        {QStringLiteral("https://example.com/a%20b?c=%7B"), "https://example.com/a%20b?c=%7B"},
        {QStringLiteral("example.com/a b"), "http://example.com/a%20b"},
        // A mail address hands over no file to attach, however it is named.
        {QStringLiteral("mailto:help@example.com?subject=Hi&attach=/etc/passwd&body=x"),
         "mailto:help@example.com?subject=Hi&body=x"},
        {QStringLiteral("mailto:help@example.com?Attachment=%2Froot%2F.ssh%2Fid_rsa"),
         "mailto:help@example.com"},
        {QStringLiteral("mailto:help@example.com?%61ttach=/x&ATTACH=/y&cc=a@example.com"),
         "mailto:help@example.com?cc=a@example.com"},
    };
    for (const auto& [typed, encoded] : cases) {
      fixture_->ClearRecords();
      QVERIFY2(OpenUrlInBrowser(typed), qPrintable(typed));
      QCOMPARE(fixture_->OpenedUrls().size(), 1);
      QCOMPARE(BrowsableUrl(typed).toEncoded(), encoded);
    }
    // Still nothing but web and mail addresses.
    for (const QString& typed : {QStringLiteral("javascript:alert('a b|c')"),
                                 QStringLiteral("file:///tmp/a b"), QStringLiteral("http:// |")}) {
      fixture_->ClearRecords();
      QVERIFY2(!OpenUrlInBrowser(typed), qPrintable(typed));
      QVERIFY(fixture_->OpenedUrls().isEmpty());
    }
  }

 private:
  std::unique_ptr<WindowFixture> fixture_;
};

WORDLARK_GUI_TEST_MAIN(BrandWindowTest)
#include "brand_window_test.moc"
