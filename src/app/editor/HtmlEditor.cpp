#include "HtmlEditor.h"

#include <QColor>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <algorithm>
#include <array>

#include "EditorProfile.h"
#include "PictureDrop.h"
#include "letter/editor_document.h"
#include "letter/html_body.h"

// Resources of a static library must be registered by name from outside any
// namespace.
static void InitEditorResources() {
  Q_INIT_RESOURCE(html_editor);
}

namespace wordlark {

namespace {

constexpr auto kScriptWorld = QWebEngineScript::ApplicationWorld;

// The page the document is loaded into. It has no content of its own; the
// editor's script builds the body from the text given to SetHtml. Addresses
// in the document resolve against the program's own scheme, so that a
// picture given by its file's path ("/home/.../photo.png") shows.
const QString& ShellHtml() {
  static const QString html = QStringLiteral(
                                  "<html><head><meta charset=\"utf-8\"><base href=\"%1\"><style>"
                                  "html{height:100%}body{min-height:calc(100% - 16px);"
                                  "overflow-wrap:break-word}</style></head><body></body></html>")
                                  .arg(QString::fromLatin1(kEditorBaseUrl));
  return html;
}

QString ReadResource(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    qWarning("HtmlEditor: resource %s is missing", qPrintable(path));
    return {};
  }
  return QString::fromUtf8(file.readAll());
}

// The channel library and the editor's own script, as one script for the
// isolated world.
const QString& EditorScriptSource() {
  static const QString source = [] {
    InitEditorResources();
    return ReadResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")) + QStringLiteral("\n") +
           ReadResource(QStringLiteral(":/wordlark/editor/html_editor.js"));
  }();
  return source;
}

// The script every editor page runs, made once.
const QWebEngineScript& EditorScript() {
  static const QWebEngineScript script = [] {
    QWebEngineScript s;
    s.setName(QStringLiteral("wordlark-editor"));
    s.setSourceCode(EditorScriptSource());
    s.setInjectionPoint(QWebEngineScript::DocumentReady);
    s.setWorldId(kScriptWorld);
    s.setRunsOnSubFrames(false);
    return s;
  }();
  return script;
}

// `value` as a JavaScript literal.
QString JsLiteral(const QJsonValue& value) {
  const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(json.mid(1, json.size() - 2));
}

}  // namespace

// The page never leaves the editor's document: every navigation but the
// editor's own load is refused, a followed link goes to the editor, and no
// new windows open.
class EditorPage : public QWebEnginePage {
 public:
  EditorPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

  void AllowShellLoad() { shellLoadAllowed_ = true; }
  void SetLinkHandler(std::function<void(const QUrl&)> handler) {
    linkHandler_ = std::move(handler);
  }

 protected:
  bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override {
    if (is_main_frame && shellLoadAllowed_ && url.scheme() == u"data") {
      shellLoadAllowed_ = false;
      return true;
    }
    if (is_main_frame && type == NavigationTypeLinkClicked && linkHandler_) {
      linkHandler_(url);
    }
    return false;
  }

  QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

 private:
  bool shellLoadAllowed_ = false;
  std::function<void(const QUrl&)> linkHandler_;
};

// The object the page's script reaches over the web channel.
class EditorBridge : public QObject {
  Q_OBJECT

 public:
  explicit EditorBridge(HtmlEditor* editor) : QObject(editor), editor_(editor) {}

  Q_INVOKABLE void pageReady() { editor_->OnPageReady(); }
  Q_INVOKABLE void pageLoaded(int generation, int sequence, const QStringList& blocks) {
    editor_->OnPageLoaded(generation, sequence, blocks);
  }
  Q_INVOKABLE void pageSpliced(int generation, int sequence, int index, int count,
                               const QStringList& blocks) {
    editor_->OnPageSpliced(generation, sequence, index, count, blocks);
  }
  Q_INVOKABLE void pageResynced(int generation, int sequence, const QStringList& blocks) {
    editor_->OnPageResynced(generation, sequence, blocks);
  }
  Q_INVOKABLE void linkClicked(const QString& href) { editor_->OnLinkClicked(href); }
  Q_INVOKABLE void commandDone(int generation) { editor_->OnCommandDone(generation); }
  Q_INVOKABLE void caretFormat(const QVariantMap& format) { editor_->OnCaretFormat(format); }
  Q_INVOKABLE void linkRequested() { emit editor_->linkRequested(); }

 private:
  HtmlEditor* editor_;
};

HtmlEditor::HtmlEditor(QWidget* parent, EngineStart start) : QWidget(parent) {
  linkOpener_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  // Until the page is there the editor shows an empty sheet.
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  if (start == EngineStart::kNow) {
    StartEngine();
  }
}

void HtmlEditor::StartEngine() {
  if (view_ != nullptr) {
    return;
  }
  view_ = new QWebEngineView(this);
  page_ = new EditorPage(AcquireWebProfile(), view_);
  page_->SetLinkHandler([this](const QUrl& url) {
    if (browseMode_) {
      OpenLink(url);
    }
  });

  bridge_ = new EditorBridge(this);
  auto* channel = new QWebChannel(page_);
  channel->registerObject(QStringLiteral("wordlarkEditor"), bridge_);
  page_->setWebChannel(channel, kScriptWorld);
  page_->scripts().insert(EditorScript());

  view_->setPage(page_);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowEditorContextMenu(view_, at); });
  layout()->addWidget(view_);
  const bool focused = hasFocus();
  setFocusProxy(view_);
  if (focused) {
    view_->setFocus(Qt::OtherFocusReason);
  }

  connect(page_, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus, int) { OnRenderProcessGone(); });

  new PictureDropFilter(this, view_);
  LoadShell();
}

bool HtmlEditor::WaitUntilReady(int timeout_ms) {
  StartEngine();
  if (IsReady()) {
    return true;
  }
  // The event loop keeps running, the user's input waits.
  QEventLoop loop;
  connect(this, &HtmlEditor::documentReady, &loop, &QEventLoop::quit);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  return IsReady();
}

HtmlEditor::~HtmlEditor() {
  if (view_ == nullptr) {
    return;
  }
  // The page must go before the profile it uses.
  page_->disconnect(this);
  delete view_;
  view_ = nullptr;
  page_ = nullptr;
  ReleaseWebProfile();
}

void HtmlEditor::LoadShell() {
  pageUp_ = false;
  page_->AllowShellLoad();
  page_->setHtml(ShellHtml());
}

void HtmlEditor::RunScript(const QString& source) {
  page_->runJavaScript(source, kScriptWorld);
}

void HtmlEditor::SendLoad(const QString& text) {
  RunScript(QStringLiteral("wordlarkEditor.load(%1, %2);")
                .arg(JsLiteral(text), QString::number(generation_)));
}

void HtmlEditor::SendConfiguration() {
  if (pageUp_) {
    RunScript(QStringLiteral("wordlarkEditor.configure(%1, %2);")
                  .arg(browseMode_ ? u"true" : u"false", useDiv_ ? u"true" : u"false"));
  }
}

void HtmlEditor::SetHtml(const QString& text) {
  ++generation_;
  body_ = BodyContentOf(text);
  bodyStale_ = false;
  blocks_.clear();
  // Line breaks after the closing body tag would end up in the body when the
  // page parses the text, and grow with every save and load.
  static const QRegularExpression after_body(QStringLiteral("(</body\\s*>)\\s*(</html\\s*>)?\\s*$"),
                                             QRegularExpression::CaseInsensitiveOption);
  QString page_text = text;
  page_text.replace(after_body, QStringLiteral("\\1"));
  if (pageUp_) {
    pending_.reset();
    SendLoad(page_text);
  } else {
    pending_ = page_text;
  }
}

QString HtmlEditor::GetHtml() const {
  Settle();
  return QString::fromStdString(EditorDocumentHtml(Body().toStdString()));
}

QString HtmlEditor::GetBodyHtml() const {
  Settle();
  const QString& body = Body();
  if (!HasVisibleContent(body)) {
    return QString::fromUtf8(kEmptyEditorBody.data(), qsizetype(kEmptyEditorBody.size()));
  }
  return QString::fromStdString(EditorBodyHtml(body.toStdString()));
}

void HtmlEditor::ExecCommand(const QString& name, const QVariant& value) {
  if (!IsReady() || browseMode_) {
    return;
  }
  struct Command {
    QStringView name;
    QStringView page_command;
    enum Kind { kNone, kColor, kSize, kFace } kind;
  };
  // BackColor colours the text's background, which the page calls hiliteColor.
  static constexpr std::array<Command, 15> commands = {{
      {u"Bold", u"bold", Command::kNone},
      {u"Italic", u"italic", Command::kNone},
      {u"Underline", u"underline", Command::kNone},
      {u"InsertOrderedList", u"insertOrderedList", Command::kNone},
      {u"InsertUnorderedList", u"insertUnorderedList", Command::kNone},
      {u"Indent", u"indent", Command::kNone},
      {u"Outdent", u"outdent", Command::kNone},
      {u"JustifyLeft", u"justifyLeft", Command::kNone},
      {u"JustifyCenter", u"justifyCenter", Command::kNone},
      {u"JustifyRight", u"justifyRight", Command::kNone},
      {u"JustifyFull", u"justifyFull", Command::kNone},
      {u"ForeColor", u"foreColor", Command::kColor},
      {u"BackColor", u"hiliteColor", Command::kColor},
      {u"FontSize", u"fontSize", Command::kSize},
      {u"FontName", u"fontName", Command::kFace},
  }};
  const auto it = std::find_if(commands.begin(), commands.end(),
                               [&](const Command& c) { return c.name == name; });
  if (it == commands.end()) {
    return;
  }

  QJsonValue argument;  // null: the command takes no value
  switch (it->kind) {
    case Command::kNone:
      break;
    case Command::kColor: {
      QColor color;
      if (value.metaType() == QMetaType::fromType<QColor>()) {
        color = value.value<QColor>();
      } else if (value.canConvert<QString>()) {
        color = QColor::fromString(value.toString());
      }
      if (!color.isValid()) {
        return;
      }
      argument = color.name(QColor::HexRgb);
      break;
    }
    case Command::kSize: {
      bool ok = false;
      const int size = value.toInt(&ok);
      if (!ok || size < 1 || size > 7) {
        return;
      }
      argument = QString::number(size);
      break;
    }
    case Command::kFace: {
      const QString face = value.toString().trimmed();
      if (face.isEmpty()) {
        return;
      }
      argument = face;
      break;
    }
  }
  SendCommand(QStringLiteral("wordlarkEditor.exec(%1, %2);")
                  .arg(JsLiteral(it->page_command.toString()), JsLiteral(argument)));
}

void HtmlEditor::SetLink(const QString& address, const std::optional<QString>& text) {
  if (!IsReady() || browseMode_ || address.isEmpty()) {
    return;
  }
  SendCommand(QStringLiteral("wordlarkEditor.setLink(%1, %2);")
                  .arg(JsLiteral(address), text ? JsLiteral(*text) : QStringLiteral("null")));
}

void HtmlEditor::RemoveLink() {
  if (!IsReady() || browseMode_) {
    return;
  }
  SendCommand(QStringLiteral("wordlarkEditor.removeLink();"));
}

void HtmlEditor::SendCommand(const QString& script) {
  ++commandsInFlight_;
  RunScript(script);
}

void HtmlEditor::Settle() const {
  if (commandsInFlight_ == 0 || !pageUp_) {
    return;
  }
  // The page answers each command in order; user input waits meanwhile, so
  // nothing the user does slips in between.
  QEventLoop loop;
  connect(this, &HtmlEditor::commandsSettled, &loop, &QEventLoop::quit);
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  if (commandsInFlight_ > 0) {
    qWarning("HtmlEditor: the page did not carry out %d command(s)", commandsInFlight_);
    auto* self = const_cast<HtmlEditor*>(this);
    self->commandsInFlight_ = 0;
    emit self->commandsSettled();
  }
}

void HtmlEditor::OnCommandDone(int /*generation*/) {
  // What the command changed has been reported before this.
  if (commandsInFlight_ > 0) {
    --commandsInFlight_;
  }
  if (commandsInFlight_ == 0) {
    emit commandsSettled();
  }
}

const QString& HtmlEditor::Body() const {
  if (bodyStale_) {
    body_ = blocks_.join(QString());
    bodyStale_ = false;
  }
  return body_;
}

bool HtmlEditor::TakeBlocks(const QStringList& blocks) {
  const QString before = Body();
  blocks_ = blocks;
  bodyStale_ = true;
  return Body() != before;
}

void HtmlEditor::RequestAllBlocks() {
  if (resyncing_) {
    return;
  }
  resyncing_ = true;
  ++commandsInFlight_;
  RunScript(QStringLiteral("wordlarkEditor.reportAll();"));
}

void HtmlEditor::OnCaretFormat(const QVariantMap& format) {
  // The page's command names, as ExecCommand names them.
  static const QList<std::pair<QString, QString>> kStates = {
      {QStringLiteral("bold"), QStringLiteral("Bold")},
      {QStringLiteral("italic"), QStringLiteral("Italic")},
      {QStringLiteral("underline"), QStringLiteral("Underline")},
      {QStringLiteral("insertOrderedList"), QStringLiteral("InsertOrderedList")},
      {QStringLiteral("insertUnorderedList"), QStringLiteral("InsertUnorderedList")},
      {QStringLiteral("justifyLeft"), QStringLiteral("JustifyLeft")},
      {QStringLiteral("justifyCenter"), QStringLiteral("JustifyCenter")},
      {QStringLiteral("justifyRight"), QStringLiteral("JustifyRight")},
      {QStringLiteral("justifyFull"), QStringLiteral("JustifyFull")},
  };
  CaretFormat caret;
  const QVariantMap states = format.value(QStringLiteral("states")).toMap();
  for (const auto& [page_name, name] : kStates) {
    if (states.value(page_name).toBool()) {
      caret.active << name;
    }
  }
  caret.fontName = format.value(QStringLiteral("fontName")).toString().left(200);
  bool ok = false;
  const int size = format.value(QStringLiteral("fontSize")).toInt(&ok);
  caret.fontSize = ok && size >= 1 && size <= 7 ? size : 0;
  caret.inLink = format.value(QStringLiteral("inLink")).toBool();
  caret.linkAddress = format.value(QStringLiteral("linkAddress")).toString();
  caret.linkText = format.value(QStringLiteral("linkText")).toString();
  caret.selectedText =
      format.value(QStringLiteral("selectedText")).toString().left(kSelectedTextLimit);
  if (caret != caret_) {
    caret_ = std::move(caret);
    emit caretFormatChanged();
  }
}

void HtmlEditor::InsertPicture(const QString& src, const QString& alt) {
  if (!IsReady() || browseMode_ || src.trimmed().isEmpty()) {
    return;
  }
  RunScript(QStringLiteral("wordlarkEditor.insertPicture(%1, %2);")
                .arg(JsLiteral(src.trimmed()), JsLiteral(alt.trimmed())));
}

QStringList HtmlEditor::LocalPictureFiles(const QList<QUrl>& urls) {
  static const QStringList kSuffixes = {
      QStringLiteral("bmp"), QStringLiteral("gif"),  QStringLiteral("jpg"), QStringLiteral("jpeg"),
      QStringLiteral("png"), QStringLiteral("webp"), QStringLiteral("svg"), QStringLiteral("ico"),
  };
  QStringList files;
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) {
      continue;
    }
    const QFileInfo info(url.toLocalFile());
    if (info.isFile() && kSuffixes.contains(info.suffix().toLower())) {
      files << info.absoluteFilePath();
    }
  }
  return files;
}

void HtmlEditor::SetBrowseMode(bool on) {
  browseMode_ = on;
  SendConfiguration();
}

void HtmlEditor::SetUseDivOnCarriageReturn(bool on) {
  useDiv_ = on;
  SendConfiguration();
}

void HtmlEditor::SetLinkOpener(LinkOpener opener) {
  linkOpener_ = std::move(opener);
}

bool HtmlEditor::IsReady() const {
  return pageUp_ && loadedGeneration_ == generation_;
}

void HtmlEditor::OnPageReady() {
  pageUp_ = true;
  crashesInARow_ = 0;
  SendConfiguration();
  // Until the first SetHtml the copy is the empty document; after a crashed
  // renderer it is the user's text, which the new page takes over.
  SendLoad(pending_.value_or(Body()));
  pending_.reset();
}

void HtmlEditor::OnPageLoaded(int generation, int sequence, const QStringList& blocks) {
  if (generation != generation_) {
    return;
  }
  blocks_ = blocks;
  bodyStale_ = true;
  sequence_ = sequence;
  loadedGeneration_ = generation;
  emit documentReady();
}

void HtmlEditor::OnPageSpliced(int generation, int sequence, int index, int count,
                               const QStringList& blocks) {
  // Reports of a replaced document do not count, and those sent before the
  // answer to a request for all blocks are in that answer.
  if (generation != generation_ || loadedGeneration_ != generation || resyncing_) {
    return;
  }
  // A report that went missing, or one that does not fit the copy: the copy
  // can no longer be trusted, and the page sends all of it.
  if (sequence != sequence_ + 1 || index < 0 || count < 0 || index > blocks_.size() ||
      count > blocks_.size() - index) {
    qWarning(
        "HtmlEditor: report %d (blocks %d+%d of %lld) does not follow report %d; "
        "asking for the whole body",
        sequence, index, count, static_cast<long long>(blocks_.size()), sequence_);
    RequestAllBlocks();
    return;
  }
  sequence_ = sequence;
  bool changed = count != blocks.size();
  for (qsizetype i = 0; !changed && i < count; ++i) {
    changed = blocks_.at(index + i) != blocks.at(i);
  }
  if (!changed) {
    return;
  }
  if (count == blocks.size()) {
    std::copy(blocks.begin(), blocks.end(), blocks_.begin() + index);
  } else {
    QStringList spliced;
    spliced.reserve(blocks_.size() - count + blocks.size());
    spliced << blocks_.mid(0, index) << blocks << blocks_.mid(index + count);
    blocks_ = std::move(spliced);
  }
  bodyStale_ = true;
  emit contentChanged();
}

void HtmlEditor::OnPageResynced(int generation, int sequence, const QStringList& blocks) {
  resyncing_ = false;
  if (generation == generation_ && loadedGeneration_ == generation) {
    sequence_ = sequence;
    if (TakeBlocks(blocks)) {
      emit contentChanged();
    }
  }
  if (commandsInFlight_ > 0) {
    --commandsInFlight_;
  }
  if (commandsInFlight_ == 0) {
    emit commandsSettled();
  }
}

void HtmlEditor::OnLinkClicked(const QString& href) {
  const QUrl url(href);
  if (browseMode_) {
    OpenLink(url);
    return;
  }
  // Ctrl+click in an editable document: web and mail addresses only.
  static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                      QStringLiteral("mailto")};
  if (schemes.contains(url.scheme().toLower())) {
    OpenLink(url);
  }
}

void HtmlEditor::OpenLink(const QUrl& url) {
  static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                      QStringLiteral("ftp"), QStringLiteral("mailto")};
  if (!url.isValid() || !schemes.contains(url.scheme().toLower()) || !linkOpener_) {
    return;
  }
  linkOpener_(url);
}

void HtmlEditor::OnRenderProcessGone() {
  // The copy stays as it is; a fresh page takes it over. A renderer that
  // keeps failing is not restarted for ever.
  pageUp_ = false;
  loadedGeneration_ = -1;
  resyncing_ = false;
  if (commandsInFlight_ > 0) {
    commandsInFlight_ = 0;
    emit commandsSettled();
  }
  if (!pending_) {
    pending_ = Body();
  }
  if (++crashesInARow_ <= 3) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (page_ != nullptr) {
            LoadShell();
          }
        },
        Qt::QueuedConnection);
  }
}

bool HtmlEditor::HasVisibleContent(const QString& body_content) {
  return HtmlBodyShowsAnything(body_content.toStdString());
}

QString HtmlEditor::BodyContentOf(const QString& text) {
  return QString::fromStdString(HtmlBodyContent(text.toStdString()));
}

}  // namespace wordlark

#include "HtmlEditor.moc"
