// The page behind every editor: a picture given by its file's path shows in
// it as it will on the letter.
#include <QImage>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "HtmlEditor.h"
#include "gui_test_main.h"
#include "test_support.h"

using wordlark::HtmlEditor;
using wordlark::test::Eval;

namespace {
QString Text(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}
}  // namespace

class EditorPageTest : public QObject {
  Q_OBJECT

 private slots:
  // Pictures by path, beside one that is missing and one that is not a
  // picture: only the real pictures load, each at its own size.
  void localPicturesShowInTheEditor() {
    wordlark::test::TempDir folder;
    const QString dot = Text(folder / "a dot.png");
    const QString wide = Text(folder / "wide.bmp");
    QVERIFY(QImage(2, 3, QImage::Format_RGB32).save(dot));
    QVERIFY(QImage(7, 1, QImage::Format_RGB32).save(wide));
    wordlark::test::WriteBytes(folder / "notes.txt", "not a picture");
    const QString text = Text(folder / "notes.txt");
    const QString missing = Text(folder / "missing.png");

    HtmlEditor editor;
    editor.SetHtml(QStringLiteral("<p><img src=\"%1\"><img src=\"%2\"><img src=\"%3\">"
                                  "<img src=\"%4\"></p>")
                       .arg(dot.toHtmlEscaped(), wide.toHtmlEscaped(), text.toHtmlEscaped(),
                            missing.toHtmlEscaped()));
    QVERIFY(editor.WaitUntilReady());
    const QString sizes = QStringLiteral(
        "Array.from(document.images).every((i) => i.complete) &&"
        " Array.from(document.images).map((i) => i.naturalWidth + 'x' + i.naturalHeight)"
        "  .join(' ')");
    QTRY_COMPARE_WITH_TIMEOUT(Eval(editor, sizes).toString(), QStringLiteral("2x3 7x1 0x0 0x0"),
                              wordlark::test::kPageTimeoutMs);
    // The document keeps the paths as they were given.
    QVERIFY(editor.GetBodyHtml().contains(QStringLiteral("src=\"%1\"").arg(dot.toHtmlEscaped())));
  }
};

WORDLARK_GUI_TEST_MAIN(EditorPageTest)
#include "editor_page_test.moc"
