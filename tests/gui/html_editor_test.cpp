#include <signal.h>

#include <QBuffer>
#include <QClipboard>
#include <QColor>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>

#include "HtmlEditor.h"
#include "LinkDialog.h"
#include "gui_test_main.h"
#include "letter/editor_document.h"
#include "test_support.h"

using wordlark::HtmlEditor;
using wordlark::test::Eval;
using wordlark::test::PageBody;
using wordlark::test::SelectAll;
using wordlark::test::ShowFocused;
using wordlark::test::ViewOf;

namespace {

// The web engine is slow to start on a loaded machine without a GPU.
constexpr int kTimeout = wordlark::test::kPageTimeoutMs;

void PlaceCaretAtEnd(HtmlEditor& editor) {
  Eval(editor,
       QStringLiteral("{ const r = document.createRange(); r.selectNodeContents(document.body);"
                      "  r.collapse(false); const s = window.getSelection();"
                      "  s.removeAllRanges(); s.addRange(r); }"));
}

// Clicks the middle of the element with the id, with `modifiers` held.
void ClickElement(HtmlEditor& editor, const QString& id,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  const QVariantList at =
      Eval(editor, QStringLiteral("(() => { const r = document.getElementById('%1')"
                                  ".getBoundingClientRect(); return [r.x + r.width / 2,"
                                  " r.y + r.height / 2]; })()")
                       .arg(id))
          .toList();
  QVERIFY(at.size() == 2);
  QTest::mouseClick(ViewOf(editor)->focusProxy(), Qt::LeftButton, modifiers,
                    QPoint(at[0].toInt(), at[1].toInt()));
}

// Selects the characters `from` to `to` of the first text node in the
// element matching `selector` (a caret when they are equal).
void SelectInText(HtmlEditor& editor, const QString& selector, int from, int to) {
  Eval(editor, QStringLiteral("{ const n = document.querySelector('%1').firstChild;"
                              "  const r = document.createRange(); r.setStart(n, %2);"
                              "  r.setEnd(n, %3); const s = window.getSelection();"
                              "  s.removeAllRanges(); s.addRange(r); }")
                   .arg(selector)
                   .arg(from)
                   .arg(to));
}

// A web server on 127.0.0.1 that answers every request with a 3x2 PNG.
class PictureServer : public QObject {
 public:
  PictureServer() {
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer(&png_);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
          request_ += socket->readAll();
          if (!request_.contains("\r\n\r\n")) {
            return;
          }
          ++requests_;
          request_.clear();
          socket->write(
              "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\n"
              "Content-Length: " +
              QByteArray::number(png_.size()) + "\r\n\r\n" + png_);
          socket->disconnectFromHost();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
    server_.listen(QHostAddress::LocalHost);
  }
  QString Url(const QString& name) const {
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.serverPort()).arg(name);
  }
  const QByteArray& png() const { return png_; }
  int requests() const { return requests_; }

 private:
  QTcpServer server_;
  QByteArray png_;
  QByteArray request_;
  int requests_ = 0;
};

// The fixed frame of GetHtml removed: what is left must be the content.
QString StripDocumentFrame(QString html) {
  for (const char* piece :
       {"<html>", "<head>", "<title></title>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\" />",
        "</head>", "<body>", "</body>", "</html>", "\r", "\n"}) {
    html.remove(QString::fromLatin1(piece));
  }
  return html;
}

}  // namespace

class HtmlEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void setHtmlBeforeLoadAndWhileHidden() {
    HtmlEditor editor;
    QVERIFY(!editor.isVisible());
    QVERIFY(!editor.IsReady());
    // Several calls before the page is up: the last one wins, and reads see
    // it at once.
    editor.SetHtml(QStringLiteral("<p>first</p>"));
    editor.SetHtml(QStringLiteral("<P>Hello <B>World</B></P>"));
    QCOMPARE(StripDocumentFrame(editor.GetHtml()), QStringLiteral("<p>Hello <b>World</b></p>"));
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body><p>Hello <b>World</b></p></body>"));

    QSignalSpy ready(&editor, &HtmlEditor::documentReady);
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(ready.count(), 1);
    QCOMPARE(PageBody(editor), QStringLiteral("<p>Hello <b>World</b></p>"));
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body><p>Hello <b>World</b></p></body>"));

    // Once up, a whole document replaces the previous one; only its body
    // counts, also in the copy read before the page has answered.
    editor.SetHtml(QStringLiteral(
        "<!DOCTYPE html><HTML><HEAD><TITLE>T</TITLE><style>p{color:red}</style></HEAD>"
        "<BODY bgcolor=\"#ffffff\"><P>Page</P></BODY></HTML>"));
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body><p>Page</p></body>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(PageBody(editor), QStringLiteral("<p>Page</p>"));
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body><p>Page</p></body>"));
  }

  void headStylesShowOnlyInBrowseMode_data() {
    QTest::addColumn<bool>("browse");
    QTest::addColumn<QString>("color");
    QTest::addColumn<QString>("background");
    QTest::newRow("browse") << true << "rgb(255, 0, 0)"
                            << "rgb(0, 0, 255)";
    QTest::newRow("edit") << false << "rgb(0, 0, 0)"
                          << "rgba(0, 0, 0, 0)";
  }
  // A page shown in browse mode looks as written; an edited document shows
  // only the body the editor keeps.
  void headStylesShowOnlyInBrowseMode() {
    QFETCH(bool, browse);
    QFETCH(QString, color);
    QFETCH(QString, background);
    HtmlEditor editor;
    editor.SetBrowseMode(browse);
    editor.SetHtml(
        QStringLiteral("<html><head><style>p { color: red }</style></head>"
                       "<body bgcolor=\"#0000ff\"><p>text</p></body></html>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(Eval(editor, QStringLiteral("getComputedStyle(document.querySelector('p')).color"))
                 .toString(),
             color);
    QCOMPARE(
        Eval(editor, QStringLiteral("getComputedStyle(document.body).backgroundColor")).toString(),
        background);
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body><p>text</p></body>"));
  }

  void bodyContentOfTextsAsThePageParsesThem_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("body");
    QTest::newRow("fragment") << "Plain <B>bold</B>"
                              << "Plain <b>bold</b>";
    QTest::newRow("document") << "<html><head><title>x</title></head><body><p>a</p></body></html>"
                              << "<p>a</p>";
    QTest::newRow("body attributes") << "<BODY class=\"x\" title='a>b'>text</BODY>"
                                     << "text";
    QTest::newRow("no body tag") << "<html><head><title>x</title></head><p>a</p></html>"
                                 << "<p>a</p>";
    QTest::newRow("unclosed body") << "<html><body><p>a</p></html>"
                                   << "<p>a</p>";
    QTest::newRow("own form") << QString::fromStdString(wordlark::EditorDocumentHtml("<i>x</i>"))
                              << "<i>x</i>";
    QTest::newRow("empty") << ""
                           << "";
  }
  // The copy the editor holds before the page answers matches what the page
  // then reports.
  void bodyContentOfTextsAsThePageParsesThem() {
    QFETCH(QString, text);
    QFETCH(QString, body);
    QCOMPARE(HtmlEditor::BodyContentOf(text), body);
    HtmlEditor editor;
    editor.SetHtml(text);
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(PageBody(editor), body);
  }

  void getHtmlHasTheFixedForm() {
    HtmlEditor editor;
    editor.SetHtml(
        QStringLiteral("<p>Caf\u00e9 &amp; <a href=\"http://example.com/\">more</a></p>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    const QString html = editor.GetHtml();
    QVERIFY(html.startsWith(
        QStringLiteral("<html>\r\n<head>\r\n<title></title>\r\n<meta http-equiv=\"Content-Type\" "
                       "content=\"text/html; charset=windows-1252\" />\r\n</head>\r\n<body>")));
    QVERIFY(html.endsWith(QStringLiteral("</body>\r\n</html>\r\n")));
    QCOMPARE(StripDocumentFrame(html),
             QStringLiteral("<p>Caf\u00e9 &amp; <a href=\"http://example.com/\">more</a></p>"));
  }

  void visibleContentDecision_data() {
    QTest::addColumn<QString>("content");
    QTest::addColumn<bool>("visible");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks") << " \r\n\t " << false;
    QTest::newRow("nbsp") << "&nbsp; &#160;\u00a0" << false;
    QTest::newRow("emptied div") << "<div><br></div>" << false;
    QTest::newRow("emptied p") << "<p></p><p><br></p>" << false;
    QTest::newRow("br") << "<br>" << false;
    QTest::newRow("formatting only") << "<font size=\"7\"><b><br></b></font>" << false;
    QTest::newRow("comment") << "<!-- a note -->" << false;
    QTest::newRow("style only") << "<style>p { color: red }</style>" << false;
    QTest::newRow("text") << "<div>x</div>" << true;
    QTest::newRow("entity") << "&amp;" << true;
    QTest::newRow("lone angle") << "a < b" << true;
    QTest::newRow("image") << "<img src=\"a.png\">" << true;
    QTest::newRow("rule") << "<div><hr></div>" << true;
    QTest::newRow("table") << "<table border=\"1\"><tr><td></td></tr></table>" << true;
    QTest::newRow("list item") << "<ul><li><br></li></ul>" << true;
  }
  void visibleContentDecision() {
    QFETCH(QString, content);
    QFETCH(bool, visible);
    QCOMPARE(HtmlEditor::HasVisibleContent(content), visible);
  }

  void bodyHtmlOfAnEmptiedEditorIsTheEmptyBody() {
    HtmlEditor editor;
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body>&nbsp;</body>"));
    editor.SetHtml(QStringLiteral("<div>&nbsp;</div>  "));
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body>&nbsp;</body>"));
    editor.SetHtml(QStringLiteral("<p>Some <b>text</b></p><p>more</p>"));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    SelectAll(editor);
    QTest::keyClick(ViewOf(editor)->focusProxy(), Qt::Key_Delete);
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(), QStringLiteral("<body>&nbsp;</body>"),
                              kTimeout);

    // A picture alone is content.
    editor.SetHtml(QStringLiteral("<img src=\"http://127.0.0.1:1/a.png\">"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(editor.GetBodyHtml(),
             QStringLiteral("<body><img src=\"http://127.0.0.1:1/a.png\"></body>"));
  }

  void commandsFormatTheSelection_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");
    const QString text = QStringLiteral("<p>Hello world</p>");
    QTest::newRow("Bold") << text << "Bold" << QVariant() << "<p><b>Hello world</b></p>";
    QTest::newRow("Italic") << text << "Italic" << QVariant() << "<p><i>Hello world</i></p>";
    QTest::newRow("Underline") << text << "Underline" << QVariant() << "<p><u>Hello world</u></p>";
    QTest::newRow("Bold off") << "<p><b>Hello world</b></p>"
                              << "Bold" << QVariant() << "<p>Hello world</p>";
    // The page puts a list made from a paragraph inside the paragraph, which
    // would not read back as the same document.
    QTest::newRow("InsertOrderedList")
        << text << "InsertOrderedList" << QVariant() << "<ol><li>Hello world</li></ol>";
    QTest::newRow("list in aligned paragraph")
        << "<p style=\"text-align: center;\">one</p><p>two</p>"
        << "InsertOrderedList" << QVariant()
        << "<div style=\"text-align: center;\"><ol><li>one</li><li>two</li></ol></div>";
    QTest::newRow("InsertUnorderedList")
        << text << "InsertUnorderedList" << QVariant() << "<ul><li>Hello world</li></ul>";
    QTest::newRow("list off") << "<ul><li>Hello world</li></ul>"
                              << "InsertUnorderedList" << QVariant() << "Hello world";
    QTest::newRow("Indent") << text << "Indent" << QVariant()
                            << "<blockquote style=\"margin: 0 0 0 40px; border: none; padding: "
                               "0px;\"><p>Hello world</p></blockquote>";
    QTest::newRow("Outdent") << "<blockquote><p>Hello world</p></blockquote>"
                             << "Outdent" << QVariant() << text;
    QTest::newRow("JustifyLeft") << "<p style=\"text-align: center;\">Hello world</p>"
                                 << "JustifyLeft" << QVariant()
                                 << "<p style=\"text-align: left;\">Hello world</p>";
    QTest::newRow("JustifyCenter") << text << "JustifyCenter" << QVariant()
                                   << "<p style=\"text-align: center;\">Hello world</p>";
    QTest::newRow("JustifyRight") << text << "JustifyRight" << QVariant()
                                  << "<p style=\"text-align: right;\">Hello world</p>";
    QTest::newRow("JustifyFull") << text << "JustifyFull" << QVariant()
                                 << "<p style=\"text-align: justify;\">Hello world</p>";
    QTest::newRow("ForeColor") << text << "ForeColor" << QVariant(QColor(255, 0, 0))
                               << "<p><font color=\"#ff0000\">Hello world</font></p>";
    QTest::newRow("ForeColor name") << text << "ForeColor" << QVariant(QStringLiteral("#0000FF"))
                                    << "<p><font color=\"#0000ff\">Hello world</font></p>";
    QTest::newRow("BackColor")
        << text << "BackColor" << QVariant(QColor(0, 255, 0))
        << "<p><span style=\"background-color: rgb(0, 255, 0);\">Hello world</span></p>";
    QTest::newRow("FontSize") << text << "FontSize" << QVariant(7)
                              << "<p><font size=\"7\">Hello world</font></p>";
    QTest::newRow("FontName") << text << "FontName" << QVariant(QStringLiteral("Times New Roman"))
                              << "<p><font face=\"Times New Roman\">Hello world</font></p>";
  }
  // Each command on a selection changes the document, the editor's copy
  // follows the page, and the copy reads back as the same document.
  void commandsFormatTheSelection() {
    QFETCH(QString, start);
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    HtmlEditor editor;
    editor.SetHtml(start);
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QSignalSpy changed(&editor, &HtmlEditor::contentChanged);
    SelectAll(editor);
    editor.ExecCommand(name, value);
    QTRY_COMPARE_WITH_TIMEOUT(StripDocumentFrame(editor.GetHtml()), expected, kTimeout);
    QCOMPARE(changed.count(), 1);

    editor.SetHtml(editor.GetHtml());
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(PageBody(editor), expected);
  }

  // Commands that cannot be carried out leave the document as it is.
  void refusedCommandsDoNothing() {
    const QString text = QStringLiteral("<p>Hello world</p>");
    HtmlEditor editor;
    editor.SetHtml(text);
    editor.ExecCommand(QStringLiteral("Bold"));  // not ready yet
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    SelectAll(editor);
    editor.ExecCommand(QStringLiteral("FontSize"), 0);
    editor.ExecCommand(QStringLiteral("FontSize"), 8);
    editor.ExecCommand(QStringLiteral("FontSize"), QStringLiteral("big"));
    editor.ExecCommand(QStringLiteral("ForeColor"), QStringLiteral("no colour"));
    editor.ExecCommand(QStringLiteral("ForeColor"));
    editor.ExecCommand(QStringLiteral("FontName"), QString());
    editor.ExecCommand(QStringLiteral("Delete"));
    editor.ExecCommand(QStringLiteral("insertHTML"), QStringLiteral("<b>x</b>"));
    // A command that does change the document, sent last, shows that the
    // ones before it have been through the page.
    editor.ExecCommand(QStringLiteral("Italic"));
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p><i>Hello world</i></p>"),
                              kTimeout);

    editor.SetBrowseMode(true);
    SelectAll(editor);
    editor.ExecCommand(QStringLiteral("Italic"));
    editor.ExecCommand(QStringLiteral("SetHtml"));
    editor.SetBrowseMode(false);
    SelectAll(editor);
    editor.ExecCommand(QStringLiteral("Underline"));
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p><i><u>Hello world</u></i></p>"),
                              kTimeout);
  }

  // An editor that never had the focus has no selection: a command acts at
  // the end of the document.
  void commandWithoutSelectionActsAtTheEnd() {
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p>one</p><p>two</p>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(Eval(editor, QStringLiteral("window.getSelection().rangeCount")).toInt(), 0);
    editor.ExecCommand(QStringLiteral("JustifyCenter"));
    QTRY_COMPARE_WITH_TIMEOUT(
        editor.GetBodyHtml(),
        QStringLiteral("<body><p>one</p><p style=\"text-align: center;\">two</p></body>"),
        kTimeout);

    HtmlEditor empty;
    QTRY_VERIFY_WITH_TIMEOUT(empty.IsReady(), kTimeout);
    empty.ExecCommand(QStringLiteral("FontName"), QStringLiteral("Times New Roman"));
    empty.ExecCommand(QStringLiteral("Bold"));
    empty.ExecCommand(QStringLiteral("InsertUnorderedList"));
    QTRY_VERIFY_WITH_TIMEOUT(PageBody(empty).contains(QStringLiteral("<ul>")), kTimeout);
  }

  // Pictures from the web show; the page cannot read the local disk.
  // A picture goes in at the caret with its description; files of pictures
  // pasted or dropped from the file manager go in as pictures with their
  // paths, and nothing else does.
  void picturesGoInAtTheCaretAndFromTheFileManager() {
    wordlark::test::TempDir dir;
    const QString photo = QString::fromStdString((dir / "my photo.png").string());
    const QString notes = QString::fromStdString((dir / "notes.txt").string());
    QVERIFY(QImage(3, 2, QImage::Format_RGB32).save(photo));
    wordlark::test::WriteBytes(dir / "notes.txt", "text");

    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p id=\"a\">one</p><p id=\"b\">two</p>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QVERIFY(ShowFocused(editor));
    Eval(editor, QStringLiteral("{ const r = document.createRange();"
                                "  r.selectNodeContents(document.getElementById('a'));"
                                "  r.collapse(false); const s = window.getSelection();"
                                "  s.removeAllRanges(); s.addRange(r); }"));
    editor.InsertPicture(QStringLiteral("  https://example.com/x.png "),
                         QStringLiteral("A \"dot\" & more"));
    QTRY_COMPARE_WITH_TIMEOUT(
        StripDocumentFrame(editor.GetHtml()),
        QStringLiteral("<p id=\"a\">one<img src=\"https://example.com/x.png\" alt=\"A "
                       "&quot;dot&quot; &amp; more\"></p><p id=\"b\">two</p>"),
        kTimeout);
    const QString before = editor.GetHtml();
    editor.InsertPicture(QStringLiteral(" "), QStringLiteral("nothing"));

    // Pasted: the picture files of the clipboard, at the caret.
    PlaceCaretAtEnd(editor);
    auto* copied = new QMimeData;
    copied->setUrls({QUrl::fromLocalFile(photo), QUrl::fromLocalFile(notes)});
    QGuiApplication::clipboard()->setMimeData(copied);
    QTest::keyClick(ViewOf(editor)->focusProxy(), Qt::Key_V, Qt::ControlModifier);
    const QString pasted = QStringLiteral("<img src=\"%1\">").arg(photo);
    QTRY_VERIFY_WITH_TIMEOUT(
        editor.GetHtml().endsWith(QStringLiteral("two%1</p></body>\r\n</html>\r\n").arg(pasted)),
        kTimeout);
    QVERIFY(editor.GetHtml().startsWith(before.left(before.indexOf(QStringLiteral("two")))));
    QCOMPARE(editor.GetHtml().count(QStringLiteral("<img")), 2);  // the empty address added none

    // Dropped on the first paragraph: a path as text counts too.
    const QVariantList at =
        Eval(editor,
             QStringLiteral("(() => { const r = document.getElementById('a')"
                            ".getBoundingClientRect(); return [r.x + 2, r.y + r.height / 2]; })()"))
            .toList();
    QCOMPARE(at.size(), 2);
    QMimeData dropped;
    dropped.setText(QStringLiteral("file://") +
                    QString::fromUtf8(QUrl::toPercentEncoding(photo, QByteArrayLiteral("/"))));
    QDropEvent drop(QPointF(at[0].toDouble(), at[1].toDouble()), Qt::CopyAction, &dropped,
                    Qt::LeftButton, Qt::NoModifier);
    QDragEnterEvent enter(QPoint(at[0].toInt(), at[1].toInt()), Qt::CopyAction, &dropped,
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ViewOf(editor)->focusProxy(), &enter);
    QVERIFY(enter.isAccepted());
    QApplication::sendEvent(ViewOf(editor)->focusProxy(), &drop);
    QVERIFY(drop.isAccepted());
    QTRY_VERIFY_WITH_TIMEOUT(editor.GetHtml().contains(QStringLiteral("<p id=\"a\">") + pasted),
                             kTimeout);

    // Files that are no pictures, and addresses of the web, are not taken.
    QCOMPARE(HtmlEditor::LocalPictureFiles(
                 {QUrl::fromLocalFile(notes), QUrl(QStringLiteral("https://example.com/y.png")),
                  QUrl::fromLocalFile(photo + QStringLiteral(".gone.png"))}),
             QStringList{});

    // Browse mode takes no picture.
    editor.SetBrowseMode(true);
    editor.InsertPicture(photo);
    QTest::qWait(300);
    QCOMPARE(editor.GetHtml().count(QStringLiteral("<img")), 3);
  }

  void picturesLoadFromTheWebButNotFromDisk() {
    PictureServer server;
    wordlark::test::TempDir dir;
    const auto local = dir / "local.png";
    wordlark::test::WriteBytes(local, server.png().toStdString());
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<img id=\"disk\" src=\"%1\"><img id=\"web\" src=\"%2\">")
                       .arg(QUrl::fromLocalFile(QString::fromStdString(local.string())).toString(),
                            server.Url(QStringLiteral("web.png"))));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(
        Eval(editor, QStringLiteral("document.getElementById('web').naturalWidth")).toInt(), 3,
        kTimeout);
    QCOMPARE(server.requests(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(
        Eval(editor, QStringLiteral("document.getElementById('disk').complete")).toBool(),
        kTimeout);
    QCOMPARE(Eval(editor, QStringLiteral("document.getElementById('disk').naturalWidth")).toInt(),
             0);
  }

  // HTML loaded into the editor never runs code. The same payload in a plain
  // view with scripts on does change the title, so the check can fail.
  void scriptsInLoadedHtmlDoNotRun() {
    const QString handler = QStringLiteral(
        "<img id=\"broken\" src=\"http://127.0.0.1:1/x.png\" "
        "onerror=\"document.title='pwned'; document.body.setAttribute('data-pwned', '1')\">");
    const QString payload =
        QStringLiteral("<p id=\"p\">text</p>") + handler +
        QStringLiteral(
            "<script>document.body.setAttribute('data-pwned', '2'); document.title = 'pwned';"
            "</script>"
            "<p id=\"clickable\" onclick=\"document.title='pwned'\">click</p>");

    QWebEngineView control;
    QSignalSpy title(&control, &QWebEngineView::titleChanged);
    control.setHtml(QStringLiteral("<html><body>%1</body></html>").arg(handler));
    QTRY_COMPARE_WITH_TIMEOUT(control.title(), QStringLiteral("pwned"), kTimeout);

    HtmlEditor editor;
    editor.SetHtml(payload);
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    // The picture's load has failed, so its error handler would have run.
    QTRY_VERIFY_WITH_TIMEOUT(
        Eval(editor, QStringLiteral("document.getElementById('broken').complete")).toBool(),
        kTimeout);
    // Not even a click on an element with a handler.
    ClickElement(editor, QStringLiteral("clickable"));
    Eval(editor, QStringLiteral("0"));
    QCOMPARE(Eval(editor, QStringLiteral("document.title")).toString(), QString());
    QVERIFY(!Eval(editor, QStringLiteral("document.body.hasAttribute('data-pwned')")).toBool());
    QVERIFY(ViewOf(editor)->title() != QStringLiteral("pwned"));
  }

  void browseModeOpensLinksOutside() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString target = QStringLiteral("http://127.0.0.1:%1/page").arg(server.serverPort());

    HtmlEditor editor;
    QList<QUrl> opened;
    editor.SetLinkOpener([&](const QUrl& url) { opened << url; });
    editor.SetBrowseMode(true);
    editor.SetHtml(
        QStringLiteral("<p><a id=\"web\" href=\"%1\">web</a></p>"
                       "<p><a id=\"blank\" href=\"%1?new\" target=\"_blank\">new</a></p>"
                       "<p><a id=\"js\" href=\"javascript:document.title='x'\">js</a></p>")
            .arg(target));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QVERIFY(!Eval(editor, QStringLiteral("document.body.isContentEditable")).toBool());

    ClickElement(editor, QStringLiteral("js"));
    ClickElement(editor, QStringLiteral("web"));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, kTimeout);
    QCOMPARE(opened[0], QUrl(target));
    ClickElement(editor, QStringLiteral("blank"));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, kTimeout);
    QCOMPARE(opened[1], QUrl(target + QStringLiteral("?new")));

    // The view stayed on the document: nothing asked the server for the page.
    QCOMPARE(Eval(editor, QStringLiteral("document.getElementById('web') !== null")).toBool(),
             true);
    QVERIFY(!server.hasPendingConnections());
    QCOMPARE(Eval(editor, QStringLiteral("document.title")).toString(), QString());
  }

  // Nothing takes an edited document away to another address: not a refresh
  // in the loaded HTML, not a click on a link or a form button, not a load
  // from outside the document (as a dropped address would start).
  void editModeNeverNavigates() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString target = QStringLiteral("http://127.0.0.1:%1/away").arg(server.serverPort());
    HtmlEditor editor;
    bool opened = false;
    editor.SetLinkOpener([&](const QUrl&) { opened = true; });
    editor.SetHtml(QStringLiteral("<meta http-equiv=\"refresh\" content=\"0;url=%1\">"
                                  "<p><a id=\"link\" href=\"%1\">link</a></p>"
                                  "<form action=\"%1\"><button id=\"send\">send</button></form>")
                       .arg(target));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QWebEnginePage* page = ViewOf(editor)->page();
    const QUrl document_url = page->url();
    // A navigation would reach the server well within the waits.
    ClickElement(editor, QStringLiteral("link"));
    ClickElement(editor, QStringLiteral("send"));
    QTest::qWait(1500);
    QVERIFY(!server.hasPendingConnections());
    page->load(QUrl(target));
    QTest::qWait(1500);
    QVERIFY(!server.hasPendingConnections());
    QCOMPARE(page->url(), document_url);
    QVERIFY(!opened);
    QVERIFY(Eval(editor, QStringLiteral("document.body.isContentEditable")).toBool());
    QVERIFY(PageBody(editor).contains(QStringLiteral("link</a>")));
  }

  void enterStartsDivOrParagraph_data() {
    QTest::addColumn<bool>("useDiv");
    QTest::addColumn<QString>("expected");
    QTest::newRow("div") << true << "abc<div>def</div>";
    QTest::newRow("paragraph") << false << "abc<p>def</p>";
  }
  void enterStartsDivOrParagraph() {
    QFETCH(bool, useDiv);
    QFETCH(QString, expected);
    HtmlEditor editor;
    editor.SetUseDivOnCarriageReturn(useDiv);
    editor.SetHtml(QStringLiteral("abc"));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    PlaceCaretAtEnd(editor);
    QWidget* keys = ViewOf(editor)->focusProxy();
    QTest::keyClick(keys, Qt::Key_Return);
    QTest::keyClicks(keys, QStringLiteral("def"));
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), expected, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(), QStringLiteral("<body>%1</body>").arg(expected),
                              kTimeout);
  }

  void undoAndRedoWithTheUsualKeys() {
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p>old document</p>"));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    PlaceCaretAtEnd(editor);
    QWidget* keys = ViewOf(editor)->focusProxy();
    QTest::keyClicks(keys, QStringLiteral("xyz"));
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p>old documentxyz</p>"), kTimeout);

    // A new document starts a new history: undo does not bring the old back.
    editor.SetHtml(QStringLiteral("<p>start</p>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    PlaceCaretAtEnd(editor);
    QTest::keyClicks(keys, QStringLiteral("abc"));
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p>startabc</p>"), kTimeout);
    SelectAll(editor);
    editor.ExecCommand(QStringLiteral("Bold"));
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p><b>startabc</b></p>"), kTimeout);

    QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p>startabc</p>"), kTimeout);
    QTest::keyClick(keys, Qt::Key_Y, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p><b>startabc</b></p>"), kTimeout);
    QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p>startabc</p>"), kTimeout);
    QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(PageBody(editor), QStringLiteral("<p><b>startabc</b></p>"), kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(),
                              QStringLiteral("<body><p><b>startabc</b></p></body>"), kTimeout);

    for (int i = 0; i < 6; ++i) {
      QTest::keyClick(keys, Qt::Key_Z, Qt::ControlModifier);
    }
    // A key typed after them is handled after them: once it shows, every
    // undo has run, and none went past the start of the new document.
    QTest::keyClicks(keys, QStringLiteral("Q"));
    QTRY_VERIFY_WITH_TIMEOUT(PageBody(editor).contains(u'Q'), kTimeout);
    QCOMPARE(PageBody(editor).remove(u'Q'), QStringLiteral("<p>start</p>"));
  }

  void caretFormatFollowsTheCaret_data() {
    QTest::addColumn<QString>("selector");
    QTest::addColumn<QStringList>("active");
    QTest::addColumn<QString>("fontName");
    QTest::addColumn<int>("fontSize");
    // Text without a face of its own shows the page's standard font (empty
    // here), which depends on the machine.
    QTest::newRow("bold italic") << "#bi" << QStringList{"Bold", "Italic", "JustifyLeft"} << ""
                                 << 3;
    QTest::newRow("plain") << "#plain" << QStringList{"JustifyLeft"} << "" << 3;
    QTest::newRow("underlined, centred, font")
        << "#u" << QStringList{"Underline", "JustifyCenter"} << "Georgia" << 5;
    QTest::newRow("numbered list, right")
        << "#li" << QStringList{"InsertOrderedList", "JustifyRight"} << "" << 3;
    QTest::newRow("justified, small") << "#small" << QStringList{"JustifyFull"} << "Arial" << 1;
  }
  // The page reports what the text at the caret has, as the caret moves.
  void caretFormatFollowsTheCaret() {
    QFETCH(QString, selector);
    QFETCH(QStringList, active);
    QFETCH(QString, fontName);
    QFETCH(int, fontSize);
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral(
        "<p><b><i id=\"bi\">bold italic</i></b> <span id=\"plain\">plain</span></p>"
        "<p style=\"text-align: center;\"><font face=\"Georgia\" size=\"5\"><u id=\"u\">"
        "under</u></font></p>"
        "<ol style=\"text-align: right;\"><li id=\"li\">item</li></ol>"
        "<div style=\"text-align: justify;\"><font face=\"Arial, sans-serif\" size=\"1\">"
        "<span id=\"small\">small</span></font></div>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QSignalSpy changed(&editor, &HtmlEditor::caretFormatChanged);
    SelectInText(editor, selector, 2, 2);
    QTRY_VERIFY_WITH_TIMEOUT(changed.count() > 0, kTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(editor.FormatAtCaret().active, active, kTimeout);
    if (fontName.isEmpty()) {
      fontName = Eval(editor, QStringLiteral("getComputedStyle(document.body).fontFamily"))
                     .toString()
                     .remove(u'"');
      QVERIFY(!fontName.isEmpty() && !fontName.contains(u','));
    }
    QCOMPARE(editor.FormatAtCaret().fontName, fontName);
    QCOMPARE(editor.FormatAtCaret().fontSize, fontSize);
    QVERIFY(!editor.FormatAtCaret().inLink);
  }

  void shortcutKeysFormat_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Ctrl+B") << int(Qt::Key_B) << "<p><b>Hello</b></p>";
    QTest::newRow("Ctrl+I") << int(Qt::Key_I) << "<p><i>Hello</i></p>";
    QTest::newRow("Ctrl+U") << int(Qt::Key_U) << "<p><u>Hello</u></p>";
  }
  void shortcutKeysFormat() {
    QFETCH(int, key);
    QFETCH(QString, expected);
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p>Hello</p>"));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    SelectAll(editor);
    QTest::keyClick(ViewOf(editor)->focusProxy(), Qt::Key(key), Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(), QStringLiteral("<body>%1</body>").arg(expected),
                              kTimeout);
  }

  // A link is made from the selection, changed and removed again; the copy
  // of the body is exact as soon as each call returns.
  void linksAreMadeChangedAndRemoved() {
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p id=\"p\">Visit our <b>shop</b> today</p>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QSignalSpy changed(&editor, &HtmlEditor::contentChanged);
    // "our " and "shop": the selection crosses the bold.
    Eval(editor, QStringLiteral("{ const p = document.getElementById('p');"
                                "  const r = document.createRange();"
                                "  r.setStart(p.firstChild, 6); r.setEnd(p.lastChild, 0);"
                                "  const s = window.getSelection();"
                                "  s.removeAllRanges(); s.addRange(r); }"));
    QTRY_COMPARE_WITH_TIMEOUT(editor.FormatAtCaret().selectedText, QStringLiteral("our shop"),
                              kTimeout);
    editor.SetLink(QStringLiteral("https://example.com/"));
    QCOMPARE(editor.GetBodyHtml(),
             QStringLiteral("<body><p id=\"p\">Visit <a href=\"https://example.com/\">our "
                            "<b>shop</b></a> today</p></body>"));
    QCOMPARE(changed.count(), 1);

    SelectInText(editor, QStringLiteral("a"), 1, 1);
    QTRY_VERIFY_WITH_TIMEOUT(editor.FormatAtCaret().inLink, kTimeout);
    QCOMPARE(editor.FormatAtCaret().linkAddress, QStringLiteral("https://example.com/"));
    QCOMPARE(editor.FormatAtCaret().linkText, QStringLiteral("our shop"));

    // The caret in a link: the link changes, its text too when one is given.
    editor.SetLink(QStringLiteral("tel:+15550100"));
    QCOMPARE(editor.GetBodyHtml(),
             QStringLiteral("<body><p id=\"p\">Visit <a href=\"tel:+15550100\">our "
                            "<b>shop</b></a> today</p></body>"));
    editor.SetLink(QStringLiteral("https://example.org/?a=1&b=<2>"), QStringLiteral("the <shop>"));
    QCOMPARE(editor.GetBodyHtml(),
             QStringLiteral("<body><p id=\"p\">Visit <a href=\"https://example.org/?a=1&amp;"
                            "b=<2>\">the &lt;shop&gt;</a> today</p></body>"));

    SelectInText(editor, QStringLiteral("a"), 2, 2);
    editor.RemoveLink();
    QCOMPARE(editor.GetBodyHtml(),
             QStringLiteral("<body><p id=\"p\">Visit the &lt;shop&gt; today</p></body>"));

    // A caret outside any link: a new link with the given text, or with the
    // address as its text.
    SelectInText(editor, QStringLiteral("p"), 5, 5);
    editor.SetLink(QStringLiteral("mailto:jo@example.com"));
    QCOMPARE(editor.GetBodyHtml(),
             QStringLiteral("<body><p id=\"p\">Visit<a href=\"mailto:jo@example.com\">"
                            "jo@example.com</a> the &lt;shop&gt; today</p></body>"));
    editor.SetHtml(editor.GetHtml());
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QVERIFY(PageBody(editor).contains(
        QStringLiteral("<a href=\"mailto:jo@example.com\">jo@example.com</a>")));
  }

  // In an editable document a plain click on a link places the caret; a
  // Ctrl+click opens web and mail addresses, and nothing else.
  void ctrlClickOpensALinkAndAPlainClickPlacesTheCaret() {
    HtmlEditor editor;
    QList<QUrl> opened;
    editor.SetLinkOpener([&](const QUrl& url) { opened << url; });
    editor.SetHtml(
        QStringLiteral("<p><a id=\"web\" href=\"https://example.com/a\">web link</a></p>"
                       "<p><a id=\"mail\" href=\"mailto:jo@example.com\">mail link</a></p>"
                       "<p><a id=\"tel\" href=\"tel:+15550100\">telephone link</a></p>"
                       "<p><a id=\"js\" href=\"javascript:void(0)\">script link</a></p>"));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);

    ClickElement(editor, QStringLiteral("web"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.FormatAtCaret().inLink, kTimeout);
    QCOMPARE(editor.FormatAtCaret().linkAddress, QStringLiteral("https://example.com/a"));

    const auto ctrlClick = [&](const QString& id) {
      ClickElement(editor, id, Qt::ControlModifier);
    };
    ctrlClick(QStringLiteral("tel"));
    ctrlClick(QStringLiteral("js"));
    ctrlClick(QStringLiteral("mail"));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, kTimeout);
    QCOMPARE(opened[0], QUrl(QStringLiteral("mailto:jo@example.com")));
    ctrlClick(QStringLiteral("web"));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, kTimeout);
    QCOMPARE(opened[1], QUrl(QStringLiteral("https://example.com/a")));
    // The plain click opened nothing.
    QCOMPARE(opened.size(), 2);
  }

  // Ctrl+K asks for the link dialog, after the caret's link has been told.
  void ctrlKAsksForTheLinkDialog() {
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p>see <a href=\"https://example.com/\">here</a></p>"));
    QVERIFY(ShowFocused(editor));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    SelectInText(editor, QStringLiteral("a"), 2, 2);
    QSignalSpy asked(&editor, &HtmlEditor::linkRequested);
    QTest::keyClick(ViewOf(editor)->focusProxy(), Qt::Key_K, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(asked.count(), 1, kTimeout);
    QVERIFY(editor.FormatAtCaret().inLink);
    QCOMPARE(editor.FormatAtCaret().linkText, QStringLiteral("here"));
    QCOMPARE(PageBody(editor),
             QStringLiteral("<p>see <a href=\"https://example.com/\">here</a></p>"));
  }

  void linkAddressesAreChecked_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("address");  // empty: refused
    QTest::newRow("https") << "https://example.com/offer?x=1"
                           << "https://example.com/offer?x=1";
    QTest::newRow("http, upper-case scheme") << " HTTP://example.com "
                                             << "http://example.com";
    QTest::newRow("bare host") << "example.com"
                               << "https://example.com";
    QTest::newRow("bare host with path") << "www.example.com/a?b#c"
                                         << "https://www.example.com/a?b#c";
    QTest::newRow("bare host with port") << "example.com:8080/x"
                                         << "https://example.com:8080/x";
    QTest::newRow("bare mail") << "jo@example.com"
                               << "mailto:jo@example.com";
    QTest::newRow("mailto") << "mailto:jo@example.com?subject=Hi"
                            << "mailto:jo@example.com?subject=Hi";
    QTest::newRow("tel with blanks") << "tel:+1 (555) 010-0"
                                     << "tel:+15550100";
    QTest::newRow("javascript") << "javascript:alert(1)"
                                << "";
    QTest::newRow("file") << "file:///etc/passwd"
                          << "";
    QTest::newRow("ftp") << "ftp://example.com/"
                         << "";
    QTest::newRow("data") << "data:text/html,x"
                          << "";
    QTest::newRow("empty") << "  "
                           << "";
    QTest::newRow("word") << "offer"
                          << "";
    QTest::newRow("web without host") << "https:example.com"
                                      << "";
    QTest::newRow("blank inside") << "https://example.com/a b"
                                  << "";
    QTest::newRow("mailto without address") << "mailto:"
                                            << "";
    QTest::newRow("tel with letters") << "tel:call-me"
                                      << "";
    QTest::newRow("relative") << "//example.com/x"
                              << "";
  }
  void linkAddressesAreChecked() {
    QFETCH(QString, typed);
    QFETCH(QString, address);
    QString error;
    const auto result = wordlark::NormalizeLinkAddress(typed, &error);
    QCOMPARE(result.value_or(QString()), address);
    QCOMPARE(error.isEmpty(), !address.isEmpty());
  }

  // The dialog's OK takes only an address a link can have, and says why not.
  void theLinkDialogRefusesOtherAddresses() {
    wordlark::LinkDialog dialog({QString(), QStringLiteral("our shop"), false});
    QVERIFY(!dialog.btnRemoveLink->isEnabled());
    QCOMPARE(dialog.edtLinkText->text(), QStringLiteral("our shop"));
    dialog.show();
    dialog.edtLinkAddress->setText(QStringLiteral("javascript:alert(1)"));
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.lblLinkError->isVisible());
    QVERIFY(dialog.lblLinkError->text().contains(QStringLiteral("mailto:")));
    dialog.edtLinkAddress->setText(QStringLiteral("example.com"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.edtLinkAddress->text(), QStringLiteral("https://example.com"));
  }

  // A renderer that dies takes nothing with it: the editor keeps the text and
  // a new page shows it again.
  // A misspelt word gets suggestions in the context menu, and choosing one
  // puts it in place; switched off with the menu's check item, the same word
  // gets none, and the switch is told to the listener.
  void misspeltWordsGetSuggestionsUntilSpellingIsSwitchedOff() {
    QList<bool> told;
    wordlark::SetSpellCheckingListener([&](bool on) { told << on; });
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<div>Hello</div>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QVERIFY(ShowFocused(editor));
    PlaceCaretAtEnd(editor);
    QTest::keyClicks(ViewOf(editor)->focusProxy(), QStringLiteral(" wrold and speling "));
    QTRY_VERIFY_WITH_TIMEOUT(editor.GetHtml().contains(QStringLiteral("speling")), kTimeout);

    // The context menu of a right click on `word`, once it has come up.
    const auto menuAt = [&](const QString& word) -> QMenu* {
      const QVariantList at =
          Eval(editor,
               QStringLiteral("(() => { const w = document.createTreeWalker(document.body, 4);"
                              " for (let n = w.nextNode(); n; n = w.nextNode()) {"
                              "  const i = n.data.indexOf('%1'); if (i < 0) continue;"
                              "  const r = document.createRange(); r.setStart(n, i);"
                              "  r.setEnd(n, i + %2); const b = r.getBoundingClientRect();"
                              "  return [b.x + b.width / 2, b.y + b.height / 2]; }"
                              " return []; })()")
                   .arg(word)
                   .arg(word.size()))
              .toList();
      if (at.size() != 2) {
        return nullptr;
      }
      QTest::mouseClick(ViewOf(editor)->focusProxy(), Qt::RightButton, {},
                        QPoint(at[0].toInt(), at[1].toInt()));
      if (!QTest::qWaitFor([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                           kTimeout)) {
        return nullptr;
      }
      return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };
    const auto texts = [](QMenu* menu) {
      QStringList out;
      for (QAction* action : menu->actions()) {
        out << action->text();
      }
      return out;
    };
    // Checking runs in the background: the menu asked for too early has no
    // suggestions yet.
    QPointer<QMenu> menu;  // a menu closed goes away
    const auto suggestsFor = [&](const QString& word, const QString& suggestion) {
      return QTest::qWaitFor(
          [&] {
            if (menu != nullptr) {
              menu->close();
            }
            menu = menuAt(word);
            return menu != nullptr && texts(menu).contains(suggestion);
          },
          kTimeout);
    };
    QVERIFY(suggestsFor(QStringLiteral("wrold"), QStringLiteral("world")));
    QAction* world = nullptr;
    for (QAction* action : menu->actions()) {
      if (action->text() == QStringLiteral("world")) {
        world = action;
      }
    }
    world->trigger();
    menu->close();
    QTRY_VERIFY_WITH_TIMEOUT(editor.GetHtml().contains(QStringLiteral("Hello world and speling")),
                             kTimeout);

    QVERIFY(suggestsFor(QStringLiteral("speling"), QStringLiteral("spelling")));
    auto* check = menu->findChild<QAction*>(QStringLiteral("actCheckSpelling"));
    QVERIFY(check != nullptr && check->isCheckable() && check->isChecked());
    check->setChecked(false);
    menu->close();
    QVERIFY(!wordlark::SpellChecking());
    QCOMPARE(told, QList<bool>{false});

    // Off: the same word has no suggestions, and the item shows it off.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          menu = menuAt(QStringLiteral("speling"));
          const bool none = menu != nullptr && !texts(menu).contains(QStringLiteral("spelling"));
          const bool shownOff =
              menu != nullptr &&
              !menu->findChild<QAction*>(QStringLiteral("actCheckSpelling"))->isChecked();
          if (menu != nullptr) {
            menu->close();
          }
          return none && shownOff;
        }(),
        kTimeout);
    // ... and stays so for some time: nothing checks any more.
    QTest::qWait(1000);
    menu = menuAt(QStringLiteral("speling"));
    QVERIFY(menu != nullptr);
    QVERIFY(!texts(menu).contains(QStringLiteral("spelling")));
    menu->close();

    wordlark::SetSpellChecking(true);
    wordlark::SetSpellCheckingListener({});
  }

  void textSurvivesACrashedRenderer() {
    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p>keep me</p>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    SelectAll(editor);
    editor.ExecCommand(QStringLiteral("Bold"));
    QTRY_COMPARE_WITH_TIMEOUT(editor.GetBodyHtml(),
                              QStringLiteral("<body><p><b>keep me</b></p></body>"), kTimeout);
    QWebEnginePage* page = ViewOf(editor)->page();
    const qint64 pid = page->renderProcessPid();
    QVERIFY(pid > 0);
    QSignalSpy gone(page, &QWebEnginePage::renderProcessTerminated);
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, kTimeout);
    QCOMPARE(editor.GetBodyHtml(), QStringLiteral("<body><p><b>keep me</b></p></body>"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.IsReady(), kTimeout);
    QCOMPARE(PageBody(editor), QStringLiteral("<p><b>keep me</b></p>"));
  }
};

WORDLARK_GUI_TEST_MAIN(HtmlEditorTest)

#include "html_editor_test.moc"
