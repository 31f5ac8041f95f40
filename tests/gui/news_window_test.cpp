// The news window against a real news service on 127.0.0.1 and a real
// enciphered settings file, and the news balloon.
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <filesystem>
#include <memory>

#include "HtmlEditor.h"
#include "gui_test_main.h"
#include "online/NewsBalloon.h"
#include "online/QtHttpClient.h"
#include "online/TfrmNews.h"
#include "online/last_news_id.h"
#include "seams/MessageBox.h"
#include "test_http_server.h"
#include "test_support.h"
#include "util/cipher/aes_lib.h"
#include "window_fixture.h"

using wordlark::HtmlEditor;
using wordlark::MessageBox;
using wordlark::NewsBalloon;
using wordlark::ShowNewsBalloon;
using wordlark::TfrmNews;
using wordlark::test::ReceivedRequest;
using wordlark::test::ServedReply;
using wordlark::test::TestHttpServer;
using wordlark::test::WindowFixture;

namespace {

constexpr int kTimeout = 60000;  // the web engine is slow to start without a GPU

const std::string kPlainSettings =
    "<%%ApplicationName%%>Lark Pro<%%/ApplicationName%%>\r\n"
    "<%%LastNewsId%%>1<%%/LastNewsId%%>\r\n"
    "<%%BranderCode%%>WL<%%/BranderCode%%>\r\n";

// The value of the form field `name` in a multipart body.
QByteArray FieldValue(const QByteArray& body, const QByteArray& name) {
  const QByteArray marker = "name=\"" + name + "\"\r\n\r\n";
  const qsizetype start = body.indexOf(marker);
  if (start < 0) {
    return {};
  }
  const qsizetype from = start + marker.size();
  return body.mid(from, body.indexOf("\r\n", from) - from);
}

void ClickItem(QTreeWidget* list, int row) {
  const QRect rect = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

QList<QTreeWidgetItem*> Selected(QTreeWidget* list) {
  return list->selectedItems();
}

}  // namespace

class NewsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    wordlark::test::WriteBytes(*fixture_ / "dbsettings.dat",
                               wordlark::EncipherBytes(kPlainSettings));
    holdNext_ = false;
    server_ = std::make_unique<TestHttpServer>([this](const ReceivedRequest& request) {
      const QByteArray id = FieldValue(request.body, "newsid");
      ServedReply reply;
      if (id == "9") {
        reply.body = "$3Cp$3ENine caf\xE9$3C/p$3E\xAFOK";
      } else if (id == "5") {
        reply.body = "$3Cp$3EFive$3C/p$3E\xAFOK";
      } else if (id == "3") {
        reply.body = "$3Cp$3ESpoilt $4G$3C/p$3E\xAFOK";  // "$4G" is no escape
      } else {
        reply.body = "INVALIDNEWS";
      }
      reply.hold = std::exchange(holdNext_, false);
      return reply;
    });
    settings_ = {};
    settings_.BranderType = "Platinum";
    settings_.BranderCode = "WL";
    settings_.PlatinumPublID = "publisher";
    settings_.PlatinumNewsBaseURL = server_->UrlBytes("/news/");
    client_ = std::make_unique<QtHttpClient>();
    window_ = std::make_unique<TfrmNews>(wordlark::NewsList{{"9", "Newest", "2024-05-01"},
                                                            {"5", "Older", "2023-01-01"},
                                                            {"7", "Withdrawn", "2022-12-24"},
                                                            {"3", "Spoilt", "2022-06-01"}},
                                         settings_, fixture_->Folder(), *client_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    list_ = window_->findChild<QTreeWidget*>("lvwItems");
    editor_ = window_->findChild<HtmlEditor*>("prfEditorNews");
    QVERIFY(list_ != nullptr && editor_ != nullptr);
  }

  void cleanup() {
    window_.reset();
    client_.reset();
    server_.reset();
    fixture_.reset();
  }

  void theListShowsTheNewsAsSent() {
    QCOMPARE(window_->windowTitle(), QString("News"));
    QCOMPARE(list_->columnCount(), 2);  // the news id has no column
    QCOMPARE(list_->headerItem()->text(0), QString("News Title"));
    QCOMPARE(list_->headerItem()->text(1), QString("Published"));
    QCOMPARE(list_->header()->sectionSize(1), 160);
    QStringList rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
      rows << list_->topLevelItem(i)->text(0) + "|" + list_->topLevelItem(i)->text(1);
    }
    QCOMPARE(rows, QStringList({"Newest|2024-05-01", "Older|2023-01-01", "Withdrawn|2022-12-24",
                                "Spoilt|2022-06-01"}));
    QVERIFY(Selected(list_).isEmpty());
    QVERIFY(editor_->BrowseMode());
    QCOMPARE(editor_->GetBodyHtml(), QString("<body>&nbsp;</body>"));
    QCOMPARE(server_->Requests().size(), 0);  // nothing is fetched before a choice
    QCOMPARE(window_->findChild<QPushButton*>("btnExit")->text(), QString("Close"));

    // The list's panel keeps at least 10 pixels when the splitter is dragged.
    auto* splitter = window_->findChild<QSplitter*>();
    splitter->setSizes({0, 1000});
    QVERIFY(splitter->sizes().at(0) >= 10);
  }

  void choosingANewsShowsItsTextAndRecordsIt() {
    ClickItem(list_, 0);
    QCOMPARE(Selected(list_), QList<QTreeWidgetItem*>({list_->topLevelItem(0)}));
    QCOMPARE(server_->Requests().size(), 1);
    const QByteArray body = server_->Requests().front().body;
    QCOMPARE(server_->Requests().front().target, QByteArray("/news/getnewsdetails.php"));
    QCOMPARE(FieldValue(body, "newsid"), QByteArray("9"));
    QCOMPARE(FieldValue(body, "prodtype"), QByteArray("BP"));
    QTRY_VERIFY_WITH_TIMEOUT(editor_->IsReady(), kTimeout);
    QCOMPARE(wordlark::test::PageBody(*editor_), QString::fromUtf8("<p>Nine café</p>"));
    QCOMPARE(wordlark::ReadLastNewsId(fixture_->Folder()), std::string("9"));
    QVERIFY(!window_->Busy());

    // An older news after a newer one: its id is recorded all the same.
    ClickItem(list_, 1);
    QTRY_VERIFY_WITH_TIMEOUT(editor_->IsReady(), kTimeout);
    QCOMPARE(wordlark::test::PageBody(*editor_), QString("<p>Five</p>"));
    QCOMPARE(wordlark::ReadLastNewsId(fixture_->Folder()), std::string("5"));

    // The rest of the settings file is as it was, and no plain copy is left.
    std::string plain;
    QCOMPARE(
        wordlark::DecipherBytes(wordlark::test::ReadBytes(*fixture_ / "dbsettings.dat"), plain),
        wordlark::CipherResult::Ok);
    QCOMPARE(plain, wordlark::SetLastNewsIdEntry(kPlainSettings, "5"));
    QVERIFY(!std::filesystem::exists(*fixture_ / "dbsettings.sim"));
    QVERIFY(MessageBox::History().isEmpty());
  }

  // A link clicked in a news text goes through the program's rules for
  // addresses: a mail link loses its attachment.
  void aLinkInANewsGoesOutByTheProgramsRules() {
    editor_->SetHtml(QStringLiteral(
        "<p><a id=\"l\" href=\"mailto:news@example.com?attach=/etc/passwd\">Write</a></p>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor_->IsReady(), kTimeout);
    wordlark::test::Eval(*editor_, QStringLiteral("document.getElementById('l').click()"));
    QTRY_COMPARE(fixture_->OpenedUrls(), QStringList{QStringLiteral("mailto:news@example.com")});
  }

  void aFailedTextLeavesTheShownOneAndTheRecord() {
    ClickItem(list_, 0);
    QTRY_VERIFY_WITH_TIMEOUT(editor_->IsReady(), kTimeout);
    ClickItem(list_, 2);  // the service answers INVALIDNEWS
    QCOMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Warning);
    QCOMPARE(MessageBox::History().front().text,
             QString::fromUtf8(wordlark::kNewsItemTroubleMessage));
    QCOMPARE(editor_->GetBodyHtml(), QString("<body><p>Nine café</p></body>"));
    QCOMPARE(wordlark::ReadLastNewsId(fixture_->Folder()), std::string("9"));
    QVERIFY(!window_->Busy());
    QVERIFY(!list_->testAttribute(Qt::WA_SetCursor));

    // A service that cannot be reached: the site message, nothing changes.
    server_.reset();
    ClickItem(list_, 1);
    QCOMPARE(MessageBox::History().size(), 2);
    QCOMPARE(MessageBox::History().back().text,
             QString::fromUtf8(wordlark::kNewsSiteTroubleMessage));
    QCOMPARE(wordlark::ReadLastNewsId(fixture_->Folder()), std::string("9"));
  }

  // A text whose escapes are broken: one warning, an empty page, and the news
  // counts as read, so the start-up balloon does not announce it again.
  void aSpoiltTextWarnsOnceAndIsRecorded() {
    ClickItem(list_, 0);
    QTRY_VERIFY_WITH_TIMEOUT(editor_->IsReady(), kTimeout);
    ClickItem(list_, 3);
    QTRY_VERIFY_WITH_TIMEOUT(editor_->IsReady(), kTimeout);
    QCOMPARE(MessageBox::History().size(), 1);
    QCOMPARE(MessageBox::History().front().kind, MessageBox::Kind::Warning);
    QCOMPARE(MessageBox::History().front().text,
             QString::fromUtf8(wordlark::kNewsItemTroubleMessage));
    QTRY_COMPARE_WITH_TIMEOUT(wordlark::test::PageBody(*editor_), QString(), kTimeout);
    QCOMPARE(wordlark::ReadLastNewsId(fixture_->Folder()), std::string("3"));
    QVERIFY(!window_->Busy());
  }

  // While a text is on its way the list keeps its selection and Close waits;
  // both are handled from the event loop that runs during the request.
  void theWindowHoldsStillWhileATextIsFetched() {
    holdNext_ = true;
    bool busyMeanwhile = false;
    bool waitCursor = false;
    bool keptSelection = false;
    bool stillOpen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
      if (server_->HeldCount() == 0) {
        return;
      }
      poll.stop();
      busyMeanwhile = window_->Busy();
      waitCursor = list_->cursor().shape() == Qt::WaitCursor &&
                   editor_->cursor().shape() == Qt::WaitCursor &&
                   window_->cursor().shape() == Qt::WaitCursor;
      ClickItem(list_, 1);
      keptSelection = Selected(list_) == QList<QTreeWidgetItem*>({list_->topLevelItem(0)});
      QTest::mouseClick(window_->findChild<QPushButton*>("btnExit"), Qt::LeftButton);
      stillOpen = window_->isVisible();
      server_->ReleaseHeld();
    });
    poll.start(5);
    ClickItem(list_, 0);
    QVERIFY(busyMeanwhile);
    QVERIFY(waitCursor);
    QVERIFY(keptSelection);
    QVERIFY(stillOpen);
    QCOMPARE(server_->Requests().size(), 1);  // the refused click fetched nothing
    QCOMPARE(wordlark::ReadLastNewsId(fixture_->Folder()), std::string("9"));
    QVERIFY(!window_->isVisible());  // Close took effect once the text was in
    QCOMPARE(window_->result(), int(QDialog::Accepted));
    QCOMPARE(list_->cursor().shape(), Qt::ArrowCursor);
  }

  void closeEndsTheModalShowing() {
    window_->hide();
    QTimer::singleShot(0, this, [this] {
      QTest::mouseClick(window_->findChild<QPushButton*>("btnExit"), Qt::LeftButton);
    });
    QCOMPARE(window_->exec(), int(QDialog::Accepted));
    QVERIFY(!window_->isVisible());
    QCOMPARE(list_->topLevelItemCount(), 4);  // shown afresh, not twice
  }

  void theBalloonPointsAtTheButtonAndOneClickClosesIt() {
    QWidget host;
    host.resize(400, 300);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(37, 21, 0, 0);
    auto* button = new QToolButton;
    button->setFixedSize(31, 23);
    layout->addWidget(button, 0, Qt::AlignRight | Qt::AlignTop);
    host.move(200, 150);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    QPointer<NewsBalloon> first = ShowNewsBalloon(button, "You've Got A Message!\r\nHello");
    QVERIFY(first->isVisible());
    QCOMPARE(NewsBalloon::Current(), first.data());
    const QPoint centre = button->parentWidget()->mapToGlobal(
        QPoint(button->x() + button->width() / 2, button->y() + button->height() / 2));
    QCOMPARE(first->TipPosition(), centre);
    // It opens below the point and mostly to its left.
    QCOMPARE(first->geometry().top(), centre.y());
    QVERIFY(first->geometry().left() < centre.x() && first->geometry().right() > centre.x());
    QVERIFY(first->geometry().center().x() < centre.x());
    QCOMPARE(first->Text(), QString("You've Got A Message!\nHello"));
    QVERIFY(!first->grab().isNull());

    // A second balloon replaces the first.
    QPointer<NewsBalloon> second = ShowNewsBalloon(button, "You've Got A Message!\r\nAgain");
    QVERIFY(!first || !first->isVisible());
    QTRY_VERIFY(first.isNull());
    QVERIFY(second->isVisible());
    QCOMPARE(NewsBalloon::Current(), second.data());

    // One click anywhere closes it.
    QTest::mouseClick(&host, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!second || !second->isVisible());
    QTRY_VERIFY(second.isNull());
    QCOMPARE(NewsBalloon::Current(), nullptr);
  }

 private:
  std::unique_ptr<WindowFixture> fixture_;
  std::unique_ptr<TestHttpServer> server_;
  std::unique_ptr<QtHttpClient> client_;
  std::unique_ptr<TfrmNews> window_;
  wordlark::BrandSettings settings_;
  QTreeWidget* list_ = nullptr;
  HtmlEditor* editor_ = nullptr;
  bool holdNext_ = false;
};

WORDLARK_GUI_TEST_MAIN(NewsWindowTest)
#include "news_window_test.moc"
