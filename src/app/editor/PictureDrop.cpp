#include "PictureDrop.h"

#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QWebEngineView>
#include <algorithm>

#include "HtmlEditor.h"

namespace wordlark {

namespace {

// The local picture files a drop or a paste brings: file: addresses, or a
// text of paths and file: addresses, one a line.
QStringList PicturesIn(const QMimeData* mime) {
  if (mime == nullptr) {
    return {};
  }
  QList<QUrl> urls;
  if (mime->hasUrls()) {
    urls = mime->urls();
  } else if (mime->hasText()) {
    const QStringList lines = mime->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& raw : lines) {
      const QString line = raw.trimmed();
      if (line.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
        urls << QUrl(line);
      } else if (QDir::isAbsolutePath(line)) {
        urls << QUrl::fromLocalFile(line);
      } else if (!line.isEmpty()) {
        return {};  // a text of its own, pasted as text
      }
    }
  }
  return HtmlEditor::LocalPictureFiles(urls);
}

}  // namespace

PictureDropFilter::PictureDropFilter(HtmlEditor* editor, QWebEngineView* view)
    : QObject(editor), editor_(editor), view_(view) {
  view->installEventFilter(this);
  for (QObject* child : view->children()) {
    if (child->isWidgetType()) {
      child->installEventFilter(this);
    }
  }
}

bool PictureDropFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      if (watched == view_) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType()) {
          child->installEventFilter(this);
        }
      }
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (editor_->BrowseMode() || PicturesIn(drag->mimeData()).isEmpty()) {
        break;
      }
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList files =
          editor_->BrowseMode() ? QStringList() : PicturesIn(drop->mimeData());
      if (files.isEmpty()) {
        break;
      }
      const QPointF at = drop->position() / std::max(0.01, view_->zoomFactor());
      editor_->RunScript(QStringLiteral("wordlarkEditor.caretAt(%1, %2);")
                             .arg(QString::number(at.x()), QString::number(at.y())));
      for (const QString& file : files) {
        editor_->InsertPicture(file);
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      return true;
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (!key->matches(QKeySequence::Paste) || editor_->BrowseMode()) {
        break;
      }
      const QStringList files = PicturesIn(QGuiApplication::clipboard()->mimeData());
      if (files.isEmpty()) {
        break;
      }
      for (const QString& file : files) {
        editor_->InsertPicture(file);
      }
      return true;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace wordlark
