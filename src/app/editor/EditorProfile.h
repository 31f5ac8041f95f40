// The web engine behind the editors: its start-up flags, the one profile
// the editors share, spell checking, and the editors' context menu.
#pragma once

#include <QPoint>

class QString;
class QWebEngineUrlRequestJob;
class QWebEngineView;

namespace wordlark {

// The view's own context menu at `at`, with the spelling suggestions for a
// misspelt word under the pointer and, in an editable page, the switch for
// spell checking.
void ShowEditorContextMenu(QWebEngineView* view, const QPoint& at);

// Answers `job` with the picture file at `path`, typed by its content; the
// request fails when the file is not a readable picture of a sensible size.
void ReplyWithPicture(QWebEngineUrlRequestJob* job, const QString& path);

}  // namespace wordlark
