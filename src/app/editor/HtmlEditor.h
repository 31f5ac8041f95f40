#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <optional>

class QWebEngineProfile;
class QWebEngineView;

namespace wordlark {

class EditorBridge;
class EditorPage;

// Sets up the process for the web engine behind the editors: all views share
// one renderer process, the sandbox is off when running as root (it cannot
// start there), and without the sandbox or a real display the pages and the
// views draw in software, without loading OpenGL. Call once in main() before
// the QApplication is created.
void PrepareWebEngineEnvironment();

// The off-the-record profile every web view of the program shares; the
// documents' own scripts never run in it. Each Acquire is matched by one
// Release; the profile goes with its last user.
QWebEngineProfile* AcquireWebProfile();
void ReleaseWebProfile();

// Spell checking as the user types, in every editor at once (US English, from
// the program folder's qtwebengine_dictionaries): on unless switched off, by
// the program or with the check item of an editor's context menu, which also
// tells the listener.
bool SpellChecking();
void SetSpellChecking(bool on);
void SetSpellCheckingListener(std::function<void(bool)> listener);

// The URL scheme under which the page preview serves a page and its local
// pictures (registered by PrepareWebEngineEnvironment).
inline constexpr char kPreviewScheme[] = "wordlark-preview";

// The URL scheme the editors' documents resolve their addresses against: a
// path below kEditorBaseUrl is a local picture file, so that a picture given
// by its file's path shows in the editor.
inline constexpr char kEditorScheme[] = "wordlark-editor";
inline constexpr char kEditorBaseUrl[] = "wordlark-editor://editor/";

// The rich-text editor of every formatted section, and the display of HTML
// pages (welcome page, news). The document lives in a web page whose body is
// editable; commands go to the page's editing commands.
//
// The widget keeps a copy of the body that the page keeps current, so reading
// never waits for the page. The page's own scripts never run: the editor's
// script works in a separate script world.
class HtmlEditor : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool BrowseMode READ BrowseMode WRITE SetBrowseMode)
  Q_PROPERTY(
      bool UseDivOnCarriageReturn READ UseDivOnCarriageReturn WRITE SetUseDivOnCarriageReturn)

 public:
  // Opens a link outside the program; receives only http, https, ftp and
  // mailto addresses (in an editable document only http, https and mailto).
  using LinkOpener = std::function<void(const QUrl&)>;

  // What the text at the caret has, as the page last reported it.
  struct CaretFormat {
    QStringList active;    // the commands whose state is on: "Bold", "JustifyCenter", ...
    QString fontName;      // the first family of the caret's font
    int fontSize = 0;      // its HTML font size 1 to 7; 0 when unknown
    QString linkAddress;   // the href of the link around the caret, if any
    QString linkText;      // that link's text
    QString selectedText;  // the selection's text (up to kSelectedTextLimit characters)
    bool inLink = false;
    bool operator==(const CaretFormat&) const = default;
  };
  static constexpr int kSelectedTextLimit = 2000;

  // When the web engine behind the editor starts: at once, or on demand
  // (StartEngine, WaitUntilReady), so that a window can show before any web
  // view exists. Until then the editor keeps its document as a copy: SetHtml
  // and the reads work, commands do nothing.
  enum class EngineStart { kNow, kOnDemand };

  explicit HtmlEditor(QWidget* parent = nullptr, EngineStart start = EngineStart::kNow);
  ~HtmlEditor() override;

  // Creates the web view and loads the document into it; nothing when it
  // exists already.
  void StartEngine();
  bool EngineStarted() const { return view_ != nullptr; }
  // Starts the engine if need be and waits, with the event loop running but
  // user input held back, until the page holds the document; false when it
  // did not within `timeout_ms`.
  bool WaitUntilReady(int timeout_ms = 20000);

  // Replaces the whole document with `text` parsed as HTML; a fragment
  // without html and body becomes the body. Works before the page has loaded
  // and while the widget is hidden; GetHtml reflects it at once.
  void SetHtml(const QString& text);

  // The document in its fixed form: the standard head, then the body's
  // content (see EditorDocumentHtml).
  QString GetHtml() const;

  // "<body>" + content + "</body>", or exactly "<body>&nbsp;</body>" when the
  // document holds nothing a reader would see.
  QString GetBodyHtml() const;

  // Runs one formatting command on the selection, or on the block around the
  // caret: "Bold", "Italic", "Underline", "InsertOrderedList",
  // "InsertUnorderedList", "Indent", "Outdent", "JustifyLeft",
  // "JustifyCenter", "JustifyRight", "JustifyFull", "ForeColor" and
  // "BackColor" (a QColor or a colour name), "FontSize" (1 to 7), "FontName"
  // (a face name). Anything else, a bad value, a document that is not ready
  // or browse mode: nothing happens.
  void ExecCommand(const QString& name, const QVariant& value = {});

  // Puts a picture at the caret (at the end of the document when it has no
  // caret): an <img> with `src` as its address and `alt`, when not empty, as
  // its description. A local picture's src is its file's path; Finish copies
  // it beside the page. Nothing happens for an empty src, in browse mode or
  // before the document is ready.
  void InsertPicture(const QString& src, const QString& alt = {});

  // The local picture files among `urls` (file: addresses of files with a
  // picture's extension), as paths: what a drop or paste of files from the
  // file manager puts into the document.
  static QStringList LocalPictureFiles(const QList<QUrl>& urls);
  // The format at the caret, kept current by the page.
  const CaretFormat& FormatAtCaret() const { return caret_; }

  // Makes the selection a link to `address`, or changes the link around the
  // caret. `text` replaces the linked text; without it the selected text (or
  // the link's text) stays, and with neither the address is the text.
  void SetLink(const QString& address, const std::optional<QString>& text = std::nullopt);
  // Removes the link around the caret, or the links in the selection.
  void RemoveLink();

  // A browse-mode view shows the document without editing; a click on a link
  // goes to the link opener instead of navigating. In an editable document a
  // plain click on a link places the caret and Ctrl+click opens it.
  bool BrowseMode() const { return browseMode_; }
  void SetBrowseMode(bool on);

  // Enter starts a div instead of a paragraph.
  bool UseDivOnCarriageReturn() const { return useDiv_; }
  void SetUseDivOnCarriageReturn(bool on);

  // Replaces the default link opener (QDesktopServices::openUrl).
  void SetLinkOpener(LinkOpener opener);

  // True once the page holds the document of the last SetHtml.
  bool IsReady() const;

  // Whether body content holds anything a reader would see
  // (HtmlBodyShowsAnything).
  static bool HasVisibleContent(const QString& body_content);

  // The content of the body of `text` read as a document or fragment, with
  // element names in lower case: the form the page will give it
  // (HtmlBodyContent).
  static QString BodyContentOf(const QString& text);

 signals:
  // The document changed in the page: typing, a command, undo. SetHtml does
  // not count.
  void contentChanged();
  // The page has taken over the document of the last SetHtml.
  void documentReady();
  // FormatAtCaret changed.
  void caretFormatChanged();
  // The user asked for the link dialog (Ctrl+K in the document).
  void linkRequested();
  // Every command sent to the page has been carried out.
  void commandsSettled();

 private:
  friend class EditorBridge;
  friend class PictureDropFilter;

  void LoadShell();
  void SendLoad(const QString& text);
  void SendConfiguration();
  void RunScript(const QString& source);
  void OpenLink(const QUrl& url);

  void OnPageReady();
  void OnPageLoaded(int generation, int sequence, const QStringList& blocks);
  void OnPageSpliced(int generation, int sequence, int index, int count, const QStringList& blocks);
  void OnPageResynced(int generation, int sequence, const QStringList& blocks);
  void OnLinkClicked(const QString& href);
  void OnCommandDone(int generation);
  // Asks the page for all of its blocks; reads wait for the answer.
  void RequestAllBlocks();
  // Takes `blocks` as the whole body; true when that changed the content.
  bool TakeBlocks(const QStringList& blocks);
  // The body's content as last known (body_, brought up to date from the
  // blocks when they changed since).
  const QString& Body() const;
  void OnCaretFormat(const QVariantMap& format);
  void SendCommand(const QString& script);
  // Waits until the page has carried out the commands sent to it, so that
  // the copy of the body is exact when it is read.
  void Settle() const;
  void OnRenderProcessGone();

  QWebEngineView* view_ = nullptr;
  EditorPage* page_ = nullptr;
  EditorBridge* bridge_ = nullptr;

  // The body's content as the page last reported it, as the list of its
  // top-level blocks (each one's markup), which the page's reports splice.
  // body_ is their concatenation when not stale, or the text of SetHtml
  // until the page has taken it.
  QStringList blocks_;
  mutable QString body_;
  mutable bool bodyStale_ = false;
  int sequence_ = 0;                // the number of the page's last report taken
  bool resyncing_ = false;          // all blocks have been asked for
  std::optional<QString> pending_;  // text waiting for the page to come up
  int generation_ = 0;              // counts SetHtml calls; stale reports are dropped
  int loadedGeneration_ = -1;
  bool pageUp_ = false;
  int crashesInARow_ = 0;
  bool browseMode_ = false;
  bool useDiv_ = false;
  LinkOpener linkOpener_;
  CaretFormat caret_;
  int commandsInFlight_ = 0;
};

}  // namespace wordlark
