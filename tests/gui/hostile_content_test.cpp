// Hostile HTML wherever the program shows or edits HTML from outside: in a
// letter loaded from a configuration file, in the reseller's welcome page and
// in a news text. Every payload would call home to a server on 127.0.0.1 if it
// ran or navigated; the server must hear nothing but the harmless picture
// that proves the page was live and able to reach it.
#include <QApplication>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTreeWidget>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "gui_test_main.h"
#include "online/QtHttpClient.h"
#include "online/TfrmNews.h"
#include "seams/MessageBox.h"
#include "test_http_server.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "widgets/PagePreview.h"
#include "window_fixture.h"

using wordlark::MessageBox;
using wordlark::TfrmMain;
using wordlark::TfrmNews;
using wordlark::test::ReceivedRequest;
using wordlark::test::ServedReply;
using wordlark::test::TestHttpServer;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;

namespace {

// A picture that may load (remote pictures are allowed), and payloads that
// must never reach the server.
std::string Payloads(const std::string& home) {
  return "<p>Plain letter text</p>"
         "<img src=\"" +
         home +
         "/picture-may-load.png\">"
         "<img src=x onerror=\"fetch('" +
         home +
         "/ran-onerror')\">"
         "<svg onload=\"fetch('" +
         home +
         "/ran-svg-onload')\"><circle r=5></circle></svg>"
         "<script>fetch('" +
         home +
         "/ran-script')</script>"
         "<iframe srcdoc=\"<script>fetch('" +
         home +
         "/ran-srcdoc')</script>\"></iframe>"
         "<iframe src=\"" +
         home +
         "/loaded-iframe\"></iframe>"
         "<meta http-equiv=\"refresh\" content=\"0;url=" +
         home +
         "/followed-refresh\">"
         "<body onload=\"fetch('" +
         home +
         "/ran-body-onload')\">"
         "<a href=\"javascript:fetch('" +
         home +
         "/ran-javascript-link')\">click</a>"
         "<form action=\"" +
         home + "/sent-form\"><input autofocus onfocus=\"fetch('" + home +
         "/ran-onfocus')\"></form>";
}

}  // namespace

class HostileContentTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    server_ = std::make_unique<TestHttpServer>([](const ReceivedRequest& request) {
      ServedReply reply;
      if (request.target.endsWith("getnewsdetails.php")) {
        reply.body = hostileNews_ + "\xAFOK";
      } else {
        reply.status = 404;
      }
      return reply;
    });
    home_ = server_->UrlBytes("");
  }

  void cleanup() {
    fixture_.reset();
    server_.reset();
  }

  void aLoadedLetterRunsNothing() {
    TfrmMain& w = fixture_->NewWindow();
    QVERIFY(fixture_->ShowWindow());
    const std::string body = Payloads(home_);
    WriteBytes(fixture_->Folder() / "hostile.set",
               "<%%PageTitle%%><script>x()</script><%%/PageTitle%%>\r\n"
               "<%%prfEditor1%%>" +
                   body +
                   "<%%/prfEditor1%%>\r\n"
                   "<%%prfEditor2%%>" +
                   body +
                   "<%%/prfEditor2%%>\r\n"
                   "<%%FSize%%>13<%%/FSize%%>\r\n<%%FUnderline%%>0<%%/FUnderline%%>\r\n"
                   "<%%FItalic%%>0<%%/FItalic%%>\r\n<%%FBold%%>0<%%/FBold%%>\r\n"
                   "<%%TSize%%>13<%%/TSize%%>\r\n<%%TUnderline%%>0<%%/TUnderline%%>\r\n"
                   "<%%TItalic%%>0<%%/TItalic%%>\r\n<%%TBold%%>0<%%/TBold%%>\r\n"
                   "<%%OSize%%>13<%%/OSize%%>\r\n<%%OUnderline%%>0<%%/OUnderline%%>\r\n"
                   "<%%OItalic%%>0<%%/OItalic%%>\r\n<%%OBold%%>0<%%/OBold%%>\r\n");
    w.LoadConfiguration(QString::fromStdString((fixture_->Folder() / "hostile.set").string()));
    QTRY_VERIFY_WITH_TIMEOUT(w.prfEditor1->IsReady() && w.prfEditor2->IsReady(), 60000);
    ExpectOnlyThePicture();
    // The text is kept; nothing of the user's letter is lost on the way.
    QVERIFY(w.prfEditor1->GetHtml().contains(QStringLiteral("Plain letter text")));

    // The page preview of step 8 shows the payloads inside a real page; only
    // its header picture may reach the server.
    WriteBytes(fixture_->Folder() / "Templates" / "page.tem",
               "<html><head><title>%%PAGETITLE%%</title></head><body>%%HEADERPICTURE%%"
               "%%ORDERHEADLINE%%%%OPENING%%</body></html>");
    w.FillTemplateList();
    w.edtHeaderPicture->setText(QString::fromStdString(home_ + "/preview-picture.png"));
    w.pgcMain->setCurrentIndex(w.pgcMain->count() - 1);
    QTRY_VERIFY_WITH_TIMEOUT(!w.PreviewRendering(), 30000);
    QVERIFY(w.pagePreview->PageBytes().contains("ran-script"));
    ExpectOnlyThePicture({}, "/preview-picture.png");
  }

  void aWelcomePageRunsNothing() {
    WriteBytes(fixture_->Folder() / "dbsettings.dat",
               wordlark::EncipherBytes("<%%ApplicationName%%>X<%%/ApplicationName%%>\r\n"
                                       "<%%Welcome1%%><html><head><meta http-equiv=\"refresh\" "
                                       "content=\"0;url=" +
                                           home_ +
                                           "/followed-head-refresh\">"
                                           "</head><body>" +
                                           Payloads(home_) + "</body></html><%%/Welcome1%%>\r\n",
                                       wordlark::SettingsPassPhrase));
    TfrmMain& w = fixture_->NewWindow();
    QVERIFY(fixture_->ShowWindow());
    QCOMPARE(w.pgcPrinc->currentWidget(), w.stsWelcome);
    QTRY_VERIFY_WITH_TIMEOUT(w.prfWelcome->IsReady(), 60000);
    ExpectOnlyThePicture();
  }

  void aNewsTextRunsNothing() {
    hostileNews_ = QByteArray::fromStdString(Payloads(home_));
    // The news text arrives with its dollar signs escaped, as the service sends it.
    hostileNews_.replace("$", "$24");
    WriteBytes(fixture_->Folder() / "dbsettings.dat",
               wordlark::EncipherBytes("<%%BranderType%%>Master<%%/BranderType%%>\r\n"
                                       "<%%MasterNewsBaseURL%%>" +
                                           home_ +
                                           "/news/<%%/MasterNewsBaseURL%%>\r\n"
                                           "<%%MasterPublID%%>1<%%/MasterPublID%%>\r\n",
                                       wordlark::SettingsPassPhrase));
    wordlark::BrandSettings brand;
    brand.BranderType = "Master";
    brand.MasterNewsBaseURL = home_ + "/news/";
    brand.MasterPublID = "1";
    QtHttpClient client;
    TfrmNews news({{"9", "Hostile", "2026-12-01"}}, brand, fixture_->Folder(), client);
    news.show();
    auto* items = news.findChild<QTreeWidget*>(QStringLiteral("lvwItems"));
    auto* view = news.findChild<wordlark::HtmlEditor*>(QStringLiteral("prfEditorNews"));
    QVERIFY(items != nullptr && view != nullptr);
    items->setCurrentItem(items->topLevelItem(0));
    QTRY_VERIFY_WITH_TIMEOUT(view->GetHtml().contains(QStringLiteral("Plain letter text")), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(view->IsReady(), 60000);
    ExpectOnlyThePicture({"/news/getnewsdetails.php"});
  }

 private:
  // Gives a payload time to act, then checks what reached the server.
  void ExpectOnlyThePicture(QList<QByteArray> allowed = {},
                            const QByteArray& picture = "/picture-may-load.png") {
    allowed << "/picture-may-load.png" << picture;
    // The harmless picture shows that the page was live and could call home.
    QTRY_VERIFY_WITH_TIMEOUT(HasRequest(picture), 30000);
    QTest::qWait(1500);
    for (const ReceivedRequest& r : server_->Requests()) {
      QVERIFY2(allowed.contains(r.target), r.target.constData());
    }
  }

  bool HasRequest(const QByteArray& target) const {
    for (const ReceivedRequest& r : server_->Requests()) {
      if (r.target == target) {
        return true;
      }
    }
    return false;
  }

  std::unique_ptr<WindowFixture> fixture_;
  std::unique_ptr<TestHttpServer> server_;
  std::string home_;
  static inline QByteArray hostileNews_;
};

WORDLARK_GUI_TEST_MAIN(HostileContentTest)
#include "hostile_content_test.moc"
