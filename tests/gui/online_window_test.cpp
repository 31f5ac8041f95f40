// The news and live-update flows of the real main window against a real HTTP
// server on 127.0.0.1: the start-up checks, the news button, the update button
// and a window closed while a request waits.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

#include "TfrmMain.h"
#include "gui_test_main.h"
#include "online/NewsBalloon.h"
#include "online/QtHttpClient.h"
#include "online/update.h"
#include "seams/MessageBox.h"
#include "test_http_server.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "window_fixture.h"

using wordlark::MessageBox;
using wordlark::NewsBalloon;
using wordlark::TfrmMain;
using wordlark::test::ReceivedRequest;
using wordlark::test::ServedReply;
using wordlark::test::TestHttpServer;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;

namespace {

ServedReply Text(const QByteArray& body, int status = 200) {
  ServedReply reply;
  reply.status = status;
  reply.body = body;
  return reply;
}

QStringList Messages() {
  return MessageBox::HistoryTexts();
}

}  // namespace

class OnlineWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    latest_ = "8^Spring sale\xAFOK";
    version_ = "[application]\r\nversion=2.0\r\n";
    server_ = std::make_unique<TestHttpServer>([this](const ReceivedRequest& request) {
      if (request.target.endsWith("mainappupdate.inf")) {
        return version_.isEmpty() ? Text("missing", 404) : Text(version_);
      }
      if (request.target.endsWith("getlastnews.php")) {
        ServedReply reply =
            Text(request.body.contains("lastcode") ? latest_
                                                   : QByteArray("8^Spring sale^2026-12-01"
                                                                "\xAF"
                                                                "7^Winter^2026-11-01\xAFOK"));
        reply.hold = hold_;
        return reply;
      }
      return Text("INVALIDNEWS");
    });
  }

  void cleanup() {
    fixture_.reset();
    server_.reset();
  }

  void theStartupChecksAnnounceUnreadNewsOnly() {
    const struct {
      const char* stored;
      QByteArray latest;
      bool balloon;
    } cases[] = {
        {"7", "8^Spring sale\xAFOK", true},
        {"8", "8^Spring sale\xAFOK", false},
        {nullptr, "1^First\xAFOK", true},
    };
    for (const auto& c : cases) {
      latest_ = c.latest;
      WriteSettings(c.stored);
      auto w = MakeWindow();
      QTRY_VERIFY(!w->Timer1->isActive());
      // Both checks ran: the update file was asked for after the news.
      QTRY_VERIFY(!server_->Requests().isEmpty() &&
                  server_->Requests().last().target.endsWith("mainappupdate.inf"));
      QCOMPARE(NewsBalloon::Current() != nullptr, c.balloon);
      if (c.balloon) {
        QVERIFY(NewsBalloon::Current()->Text().startsWith(QStringLiteral("You've Got A Message!")));
        NewsBalloon::Current()->close();
      }
      QVERIFY(Messages().isEmpty());  // the start-up run is quiet
    }
  }

  // With a welcome page the news button is on the hidden main page: the
  // balloon waits, and opens at the button once the main page shows.
  void theStartupBalloonWaitsForTheMainPage() {
    WriteSettings("7", "<%%Welcome1%%><p>Hello</p><%%/Welcome1%%>\r\n");
    auto w = MakeWindow();
    QCOMPARE(w->pgcPrinc->currentWidget(), w->stsWelcome);
    QTRY_VERIFY(!server_->Requests().isEmpty() &&
                server_->Requests().last().target.endsWith("mainappupdate.inf"));
    QVERIFY(NewsBalloon::Current() == nullptr);

    // The second run of the checks after Thanks finds nothing unread: the
    // balloon shown is the one that waited.
    latest_ = "7^Winter\xAFOK";
    const auto asked = server_->Requests().size();
    QTest::mouseClick(w->btnThanks, Qt::LeftButton);
    QTRY_VERIFY(NewsBalloon::Current() != nullptr);
    QTRY_COMPARE(server_->Requests().size(), asked + 2);
    const NewsBalloon* balloon = NewsBalloon::Current();
    QVERIFY(balloon->Text().startsWith(QStringLiteral("You've Got A Message!")));
    QVERIFY(w->btnNews->isVisible());
    QVERIFY(w->btnNews->x() >= 0);
    const QPoint centre = w->btnNews->mapToGlobal(w->btnNews->rect().center());
    QVERIFY((balloon->TipPosition() - centre).manhattanLength() <= 2);
    QVERIFY(w->geometry().contains(balloon->TipPosition()));
  }

  void theUpdateButtonReportsAndOffersUpdates() {
    WriteSettings("8");
    auto w = MakeWindow();
    QTRY_VERIFY(!w->Timer1->isActive() && w->btnUpdate->isEnabled());

    version_ = "[APPLICATION]\r\nVersion=2.0\r\n";
    MessageBox::ClearHistory();
    w->btnUpdate->click();
    QCOMPARE(Messages(),
             QStringList{QStringLiteral("There's no new updates for this application!")});

    version_.clear();  // 404: no update either
    MessageBox::ClearHistory();
    w->btnUpdate->click();
    QCOMPARE(Messages(),
             QStringList{QStringLiteral("There's no new updates for this application!")});

    version_ = "[APPLICATION]\r\nVersion=2.1\r\n";
    MessageBox::ClearHistory();
    w->btnUpdate->click();
    QCOMPARE(Messages(),
             (QStringList{QString::fromStdString(wordlark::UpdateQuestion("2.1")),
                          QStringLiteral("The updater module is missing. Please reinstall again "
                                         "the current version!")}));
    QVERIFY(w->isVisible());

    WriteBytes(fixture_->Folder() / "Updater.exe", "#!/bin/sh\n");
    MessageBox::ClearHistory();
    w->btnUpdate->click();
    QCOMPARE(MessageBox::History().size(), 2);
    const QString base = server_->Url(QStringLiteral("/liveupdate/word_lark/"));
    QCOMPARE(fixture_->StartedPrograms(),
             (QStringList{QString::fromStdString((fixture_->Folder() / "Updater.exe").string()),
                          base, QStringLiteral("2.0"), QStringLiteral("A")}));
    QVERIFY(!w->isVisible());  // the window closed for the updater
  }

  void theNewsButtonOpensTheNewsWindow() {
    WriteSettings("8");
    auto w = MakeWindow();
    QTRY_VERIFY(!w->Timer1->isActive() && w->btnNews->isEnabled());
    // The news window is modal: a poll outside it reads and closes it.
    QString shownTitle;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        shownTitle = dialog->windowTitle();
        dialog->close();
      }
    });
    poll.start();
    w->btnNews->click();
    QCOMPARE(shownTitle, QStringLiteral("News"));
    QCOMPARE(w->NewsList().size(), std::size_t{2});
    QVERIFY(Messages().isEmpty());
  }

  void withoutANewsLevelThereIsNoNews() {
    WriteBytes(fixture_->Folder() / "dbsettings.dat",
               wordlark::EncipherBytes("<%%ApplicationName%%>X<%%/ApplicationName%%>",
                                       wordlark::SettingsPassPhrase));
    auto w = MakeWindow();
    QTRY_VERIFY(!w->Timer1->isActive());
    MessageBox::ClearHistory();
    w->btnNewsClick();
    QCOMPARE(Messages(), QStringList{QStringLiteral("There's no news for this application!")});
  }

  void aWindowClosedDuringARequestStopsThere() {
    WriteSettings("8");
    auto w = MakeWindow();
    QTRY_VERIFY(!w->Timer1->isActive() && w->btnNews->isEnabled());
    hold_ = true;
    MessageBox::ClearHistory();
    // Once the request waits at the server, the buttons rest; then the
    // window closes under it.
    bool restedWhileWaiting = false;
    QTimer poll;
    poll.setInterval(20);
    connect(&poll, &QTimer::timeout, this, [&] {
      if (server_->HeldCount() == 1 && w->isVisible()) {
        restedWhileWaiting = !w->btnNews->isEnabled() && !w->btnUpdate->isEnabled();
        w->close();
      }
    });
    poll.start();
    w->btnNews->click();  // returns once the close has ended the request
    QVERIFY(restedWhileWaiting);
    QVERIFY(Messages().isEmpty());
    QVERIFY(!w->isVisible());
    server_->ReleaseHeld();
    hold_ = false;
  }

 private:
  void WriteSettings(const char* lastNewsId, const std::string& more = {}) {
    std::string plain =
        "<%%ApplicationName%%>Crumb<%%/ApplicationName%%>\r\n"
        "<%%BranderCode%%>CC-1<%%/BranderCode%%>\r\n"
        "<%%BranderType%%>Master<%%/BranderType%%>\r\n"
        "<%%MasterNewsBaseURL%%>" +
        server_->UrlBytes("/news/") +
        "<%%/MasterNewsBaseURL%%>\r\n"
        "<%%MasterPublID%%>1<%%/MasterPublID%%>\r\n";
    if (lastNewsId != nullptr) {
      plain += std::string("<%%LastNewsId%%>") + lastNewsId + "<%%/LastNewsId%%>\r\n";
    }
    plain += more;
    WriteBytes(fixture_->Folder() / "dbsettings.dat",
               wordlark::EncipherBytes(plain, wordlark::SettingsPassPhrase));
  }

  TfrmMain* MakeWindow() {
    TfrmMain& w = fixture_->NewWindow();
    w.SetUpdateBaseUrl(server_->UrlBytes("/liveupdate/word_lark/"));
    w.show();
    return &w;
  }

  std::unique_ptr<WindowFixture> fixture_;
  std::unique_ptr<TestHttpServer> server_;
  QByteArray latest_;
  QByteArray version_;
  bool hold_ = false;
};

WORDLARK_GUI_TEST_MAIN(OnlineWindowTest)
#include "online_window_test.moc"
