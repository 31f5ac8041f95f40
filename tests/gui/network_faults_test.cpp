// Network faults under the main window's news and update buttons, against a
// real HTTP server on 127.0.0.1 (or an address nobody answers at). Every fault
// ends in the flow's own messages, or in none at all once the window closed
// under the request; the client is fit for the next request afterwards; and
// the event loop keeps answering while a request waits: the user-interface
// thread never stays away from its event loop's wait for long.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "TfrmMain.h"
#include "gui_test_main.h"
#include "loop_probe.h"
#include "online/NewsBalloon.h"
#include "online/QtHttpClient.h"
#include "online/news.h"
#include "online/update.h"
#include "seams/MessageBox.h"
#include "test_http_server.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "window_fixture.h"

using wordlark::MessageBox;
using wordlark::NewsBalloon;
using wordlark::TfrmMain;
using wordlark::test::LoopProbe;
using wordlark::test::ReceivedRequest;
using wordlark::test::ServedReply;
using wordlark::test::TestHttpServer;
using wordlark::test::WindowFixture;
using wordlark::test::WriteBytes;

namespace {

enum class Button { News, Update };

enum class Fault {
  Refused,       // a port with no listener
  UnknownHost,   // a name under ".invalid"
  NotFound,      // 404 with a body that would pass for a good answer
  ServerError,   // 500, the same
  RedirectLoop,  // every address redirects to a new one: /loop/1, /loop/2, ...
  Stall,         // part of the body, then nothing for 30 s, then the rest
  Reset,         // the connection reset half-way through the body
  Garbage,       // 20 MiB of binary noise
  Endless,       // a reply that never ends
  EmptyBody,     // 200 with no body
  Unanswered,    // the connection closed without a byte of answer
};

constexpr int kTickMs = 10;
using wordlark::test::kMaxStandStillMs;  // while a request runs
constexpr qint64 kGarbageSize = 20 * 1024 * 1024;
constexpr char kUnknownHost[] = "wordlark-faults.invalid";

// 20 MiB of pseudo-random bytes. There is no "K" in it, so it never holds the
// news service's "OK": what the news flow makes of it is fixed.
const QByteArray& Garbage() {
  static const QByteArray bytes = [] {
    QByteArray noise(kGarbageSize, Qt::Uninitialized);
    quint32 state = 0x9E3779B9u;
    for (char& c : noise) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      c = static_cast<char>(state >> 24);
      if (c == 'K') {
        c = 'k';
      }
    }
    return noise;
  }();
  return bytes;
}

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Warning(std::string_view text) {
  return QStringLiteral("warning: ") + Q(text);
}
QString Information(std::string_view text) {
  return QStringLiteral("information: ") + Q(text);
}

QStringList Messages() {
  QStringList texts;
  for (const auto& m : MessageBox::History()) {
    switch (m.kind) {
      case MessageBox::Kind::Warning:
        texts << QStringLiteral("warning: ") + m.text;
        break;
      case MessageBox::Kind::Error:
        texts << QStringLiteral("error: ") + m.text;
        break;
      case MessageBox::Kind::Information:
        texts << QStringLiteral("information: ") + m.text;
        break;
      case MessageBox::Kind::Question:
        texts << QStringLiteral("question: ") + m.text;
        break;
    }
  }
  return texts;
}

// The longest step between consecutive points of time, taking only the ticks
// that fall inside [from, to] and the two ends themselves.
qint64 LongestGap(const std::vector<qint64>& ticks, qint64 from, qint64 to) {
  qint64 last = from;
  qint64 longest = 0;
  for (const qint64 tick : ticks) {
    if (tick > from && tick < to) {
      longest = std::max(longest, tick - last);
      last = tick;
    }
  }
  return std::max(longest, to - last);
}

QStringList FileNames(const std::filesystem::path& folder) {
  QStringList names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names << QString::fromStdString(entry.path().filename().string());
  }
  names.sort();
  return names;
}

}  // namespace

class NetworkFaultsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { Garbage(); }  // built once, outside every measurement

  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    armed_ = false;
    armedRequests_ = 0;
    armedTargets_.clear();
    clock_.start();
    offeredVersion_ = "1.0";
    server_ = std::make_unique<TestHttpServer>(
        [this](const ReceivedRequest& request) { return Answer(request); });
    QVERIFY(server_->IsListening());
  }

  void cleanup() {
    fixture_.reset();
    server_.reset();
    QTRY_VERIFY(VisibleWindows().isEmpty());
  }

  void aFaultEndsInTheFlowsOwnMessages_data() {
    QTest::addColumn<Button>("button");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("closeDuring");
    const std::pair<Fault, const char*> faults[] = {
        {Fault::Refused, "refused"},
        {Fault::UnknownHost, "unknown host"},
        {Fault::NotFound, "404"},
        {Fault::ServerError, "500"},
        {Fault::RedirectLoop, "redirect loop"},
        {Fault::Stall, "stall"},
        {Fault::Reset, "reset mid-body"},
        {Fault::Garbage, "20 MiB of garbage"},
        {Fault::Endless, "endless reply"},
        {Fault::EmptyBody, "empty body"},
        {Fault::Unanswered, "no answer"},
    };
    for (const auto& [button, buttonName] :
         {std::pair{Button::News, "news"}, std::pair{Button::Update, "update"}}) {
      for (const auto& [fault, faultName] : faults) {
        QTest::addRow("%s, %s", buttonName, faultName) << button << fault << false;
        QTest::addRow("%s, %s, window closed", buttonName, faultName) << button << fault << true;
      }
    }
  }

  void aFaultEndsInTheFlowsOwnMessages() {
    QFETCH(Button, button);
    QFETCH(Fault, fault);
    QFETCH(bool, closeDuring);
    button_ = button;
    fault_ = fault;
    closeDuring_ = closeDuring;

    WriteSettings(BaseUrl(QStringLiteral("/news/")));
    TfrmMain* w = &fixture_->NewWindow();
    w->SetUpdateBaseUrl(BaseUrl(QStringLiteral("/liveupdate/word_lark/")));
    w->show();
    // The start-up checks ran (quietly) before the button is pressed.
    QTRY_VERIFY_WITH_TIMEOUT(
        !w->Timer1->isActive() && !w->IdHTTP1->Busy() && w->btnNews->isEnabled(), 15000);
    QVERIFY(Messages().isEmpty());
    if (NewsBalloon::Current() != nullptr) {
      NewsBalloon::Current()->close();
    }

    // The probe: a tick every 10 ms, the spans the client was busy, and the
    // close of the window at the row's moment.
    std::vector<qint64> ticks;
    std::vector<std::pair<qint64, qint64>> busy;
    bool closed = false;
    bool closedWhileBusy = false;
    qint64 closedAt = -1;
    QString strayDialog;
    bool overdue = false;
    const auto closeNow = [&] {
      if (closed) {
        return;
      }
      closed = true;
      closedWhileBusy = w->IdHTTP1->Busy();
      closedAt = clock_.elapsed();
      w->close();
    };
    const QMetaObject::Connection busyProbe =
        connect(w->IdHTTP1, &QtHttpClient::busyChanged, this, [&](bool nowBusy) {
          if (nowBusy) {
            busy.emplace_back(clock_.elapsed(), -1);
            if (closeDuring_ && (fault_ == Fault::Refused || fault_ == Fault::UnknownHost)) {
              // These fail within a few milliseconds: close on the first turn
              // of the request's own event loop.
              QTimer::singleShot(0, this, closeNow);
            }
          } else if (!busy.empty()) {
            busy.back().second = clock_.elapsed();
          }
        });
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(kTickMs);
    const qint64 clickedAt = clock_.elapsed();
    connect(&tick, &QTimer::timeout, this, [&] {
      const qint64 now = clock_.elapsed();
      ticks.push_back(now);
      if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        strayDialog = dialog->windowTitle();  // no fault may open the news window
        dialog->close();
      }
      if (now - clickedAt > 60000 && !closed) {
        overdue = true;  // a request that never ends: end it to fail the row
        closeNow();
      }
      if (closeDuring_ && CloseMomentReached(now)) {
        closeNow();
      }
    });
    MessageBox::ClearHistory();
    armed_ = true;
    LoopProbe probe;
    QVERIFY(probe.Works());
    tick.start();
    (button == Button::News ? w->btnNews : w->btnUpdate)->click();
    const qint64 returnedAt = clock_.elapsed();
    tick.stop();
    probe.Stop();
    disconnect(busyProbe);
    armed_ = false;

    QVERIFY2(!overdue, "the request never ended");
    QCOMPARE(strayDialog, QString());
    QCOMPARE(busy.size(), std::size_t{1});
    QVERIFY(busy.front().second >= busy.front().first);
    const qint64 base = clock_.msecsSinceReference();
    const qint64 standStill =
        probe.LongestAwayMs(base + busy.front().first, base + busy.front().second);
    qInfo(
        "%s: in flight %lld ms; away from the event loop at most %lld ms at a stretch; longest "
        "tick gap in flight %lld ms, over the whole click %lld ms",
        QTest::currentDataTag(), busy.front().second - busy.front().first, standStill,
        LongestGap(ticks, busy.front().first, busy.front().second),
        LongestGap(ticks, clickedAt, returnedAt));
    QVERIFY2(standStill < kMaxStandStillMs,
             qPrintable(QStringLiteral("the event loop stood still for %1 ms").arg(standStill)));

    if (IsServed(fault)) {
      QVERIFY(armedRequests_ >= 1);  // the fault did reach the client
    }
    if (closeDuring) {
      QVERIFY(closed);
      QVERIFY(closedWhileBusy);
      QVERIFY(!w->isVisible());
      // The close ended the request: the click did not wait for the server.
      QVERIFY2(returnedAt - closedAt < 1000,
               qPrintable(QStringLiteral("%1 ms from close to return").arg(returnedAt - closedAt)));
      QCOMPARE(Messages(), QStringList());
      // Nothing follows later either: no message, no new request.
      const qsizetype requestsAtClose = server_->Requests().size();
      QTest::qWait(300);
      QCOMPARE(Messages(), QStringList());
      QVERIFY(!w->Timer1->isActive());
      QCOMPARE(server_->Requests().size(), requestsAtClose);
      if (button == Button::Update) {
        QCOMPARE(FileNames(fixture_->Folder()),
                 (QStringList{QStringLiteral("Templates"), QStringLiteral("dbsettings.dat")}));
      }
      return;
    }

    QVERIFY(!closed);
    QVERIFY(w->isVisible());
    QCOMPARE(Messages(), ExpectedMessages());
    if (fault == Fault::RedirectLoop) {
      // The client gave up after its own limit, not on some other failure:
      // the first request and the ten redirects allowed, each sent once.
      QCOMPARE(armedRequests_, QtHttpClient::kMaxRedirects + 1);
      QVERIFY(armedTargets_.contains(QByteArray("/loop/10")));
      QVERIFY(!armedTargets_.contains(QByteArray("/loop/11")));
    }
    if (button == Button::Update) {
      CheckInformationFile();
      if (QTest::currentTestFailed()) {
        return;
      }
    }
    QVERIFY(fixture_->StartedPrograms().isEmpty());

    // The client is fit for the next request: a good answer offering an
    // update gets through (the updater is missing, which ends the flow).
    QVERIFY(w->btnNews->isEnabled() && w->btnUpdate->isEnabled());
    offeredVersion_ = "9.9";
    w->SetUpdateBaseUrl(server_->UrlBytes(QStringLiteral("/liveupdate/word_lark/")));
    MessageBox::ClearHistory();
    w->btnUpdate->click();
    QCOMPARE(Messages(), (QStringList{Information(wordlark::UpdateQuestion("9.9")),
                                      Warning(wordlark::kUpdaterMissingMessage)}));
  }

 private:
  static bool IsServed(Fault fault) {
    return fault != Fault::Refused && fault != Fault::UnknownHost;
  }

  // The base of the news or update addresses for the row's fault.
  std::string BaseUrl(const QString& path) const {
    switch (fault_) {
      case Fault::Refused:
        return QStringLiteral("http://127.0.0.1:%1%2")
            .arg(TestHttpServer::UnusedPort())
            .arg(path)
            .toStdString();
      case Fault::UnknownHost:
        return (QStringLiteral("http://") + QLatin1String(kUnknownHost) + path).toStdString();
      default:
        return server_->UrlBytes(path);
    }
  }

  // What a good answer would hold: a news list, or a newer version. An error
  // page or a broken reply carrying it must never be taken for one.
  QByteArray Tempting() const {
    return button_ == Button::News ? QByteArray("8^Spring sale^2026-12-01\xAFOK")
                                   : QByteArray("[APPLICATION]\r\nVersion=9.9\r\n");
  }

  ServedReply Answer(const ReceivedRequest& request) {
    if (!armed_) {
      // The start-up checks and the follow-up request: good answers.
      ServedReply reply;
      if (request.target.endsWith("mainappupdate.inf")) {
        reply.body = "[APPLICATION]\r\nVersion=" + offeredVersion_ + "\r\n";
      } else {
        reply.body = "8^Spring sale\xAFOK";
      }
      return reply;
    }
    if (++armedRequests_ == 1) {
      firstArmedAt_ = clock_.elapsed();
    }
    armedTargets_ << request.target;
    ServedReply reply;
    switch (fault_) {
      case Fault::Refused:
      case Fault::UnknownHost:
        break;  // never reached
      case Fault::NotFound:
      case Fault::ServerError:
        reply.status = fault_ == Fault::NotFound ? 404 : 500;
        reply.body = Tempting();
        reply.delayMs = closeDuring_ ? 3000 : 0;
        break;
      case Fault::RedirectLoop: {
        const QByteArray loop = "/loop/";
        const int hop =
            request.target.startsWith(loop) ? request.target.mid(loop.size()).toInt() : 0;
        reply.status = 302;
        reply.headers.append(
            {"Location",
             server_->Url(QString::fromLatin1(loop + QByteArray::number(hop + 1))).toUtf8()});
        reply.delayMs = 30;  // slow enough for a close to land in the middle
        break;
      }
      case Fault::Stall:
        // The news stall runs the full 30 s once; the update one is shorter.
        if (button_ == Button::News) {
          reply.body = "INVALIDUSER";
          reply.pieceSize = 7;
        } else {
          reply.body = "[APPLICATION]\r\nVersion=1.0\r\n";
          reply.pieceSize = 16;
        }
        reply.pieceDelayMs = (button_ == Button::News || closeDuring_) ? 30000 : 3000;
        break;
      case Fault::Reset:
        reply.body = Tempting() + QByteArray(64 * 1024, 'x');
        reply.cutAfter = 32 * 1024;
        reply.resetAfterMs = closeDuring_ ? 5000 : 100;
        break;
      case Fault::Garbage:
        reply.body = Garbage();
        if (closeDuring_) {
          // Slow enough that the reply is still coming (short of the flow's
          // bound) when the window closes.
          reply.pieceSize = button_ == Button::News ? 32 * 1024 : 2 * 1024;
          reply.pieceDelayMs = 20;
        }
        break;
      case Fault::Endless:
        reply.endless = true;
        if (closeDuring_) {
          reply.body = QByteArray(button_ == Button::News ? 32 * 1024 : 2 * 1024, 'x');
          reply.pieceDelayMs = 20;
        }
        break;
      case Fault::EmptyBody:
        reply.delayMs = closeDuring_ ? 3000 : 0;
        break;
      case Fault::Unanswered:
        reply.unanswered = true;
        reply.delayMs = closeDuring_ ? 3000 : 0;
        break;
    }
    return reply;
  }

  // When the window of a "closed" row closes: the refused and unknown-host
  // rows close at once (see the busy probe); a redirect loop on its third
  // address; the others 200 ms after the request reached the server, while
  // their answer is still to come or still coming.
  bool CloseMomentReached(qint64 now) const {
    switch (fault_) {
      case Fault::Refused:
      case Fault::UnknownHost:
        return false;
      case Fault::RedirectLoop:
        return armedRequests_ >= 3;
      default:
        return armedRequests_ >= 1 && now - firstArmedAt_ >= 200;
    }
  }

  QStringList ExpectedMessages() const {
    if (button_ == Button::Update) {
      return {Information(wordlark::kNoUpdatesMessage)};
    }
    switch (fault_) {
      case Fault::Stall:  // the answer did come in the end
        return {Warning(wordlark::kNewsPublisherTroubleMessage),
                Information(wordlark::kNoNewsMessage)};
      default:
        return {Warning(wordlark::kNewsSiteTroubleMessage), Information(wordlark::kNoNewsMessage)};
    }
  }

  // The downloaded information file: there only when the download completed,
  // and nothing else left in the program folder.
  void CheckInformationFile() const {
    const std::filesystem::path info = fixture_->Folder() / wordlark::kUpdateInfoFileName;
    QStringList expected{QStringLiteral("Templates"), QStringLiteral("dbsettings.dat")};
    switch (fault_) {
      case Fault::EmptyBody:
        QCOMPARE(std::filesystem::file_size(info), std::uintmax_t{0});
        break;
      case Fault::Stall:
        QCOMPARE(wordlark::test::ReadBytes(info), std::string("[APPLICATION]\r\nVersion=1.0\r\n"));
        break;
      default:
        QVERIFY(!std::filesystem::exists(info));
        return;
    }
    expected << QString::fromLatin1(wordlark::kUpdateInfoFileName.data(),
                                    static_cast<qsizetype>(wordlark::kUpdateInfoFileName.size()));
    expected.sort();
    QCOMPARE(FileNames(fixture_->Folder()), expected);
  }

  void WriteSettings(const std::string& newsBase) {
    const std::string plain =
        "<%%ApplicationName%%>Crumb<%%/ApplicationName%%>\r\n"
        "<%%BranderCode%%>CC-1<%%/BranderCode%%>\r\n"
        "<%%BranderType%%>Master<%%/BranderType%%>\r\n"
        "<%%MasterNewsBaseURL%%>" +
        newsBase +
        "<%%/MasterNewsBaseURL%%>\r\n"
        "<%%MasterPublID%%>1<%%/MasterPublID%%>\r\n"
        "<%%LastNewsId%%>8<%%/LastNewsId%%>\r\n";
    WriteBytes(fixture_->Folder() / "dbsettings.dat",
               wordlark::EncipherBytes(plain, wordlark::SettingsPassPhrase));
  }

  static QWidgetList VisibleWindows() {
    QWidgetList shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->isVisible()) {
        shown << widget;
      }
    }
    return shown;
  }

  std::unique_ptr<WindowFixture> fixture_;
  std::unique_ptr<TestHttpServer> server_;
  QElapsedTimer clock_;
  Button button_ = Button::News;
  Fault fault_ = Fault::Refused;
  bool closeDuring_ = false;
  bool armed_ = false;
  int armedRequests_ = 0;
  QList<QByteArray> armedTargets_;
  qint64 firstArmedAt_ = 0;
  QByteArray offeredVersion_;
};

WORDLARK_GUI_TEST_MAIN(NetworkFaultsTest)
#include "network_faults_test.moc"
