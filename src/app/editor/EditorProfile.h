// The web engine behind the editors: its start-up flags, the one profile
// the editors share, spell checking, and the editors' context menu.
#pragma once

#include <QPoint>

class QWebEngineView;

namespace wordlark {

// The view's own context menu at `at`, with the spelling suggestions for a
// misspelt word under the pointer and, in an editable page, the switch for
// spell checking.
void ShowEditorContextMenu(QWebEngineView* view, const QPoint& at);

}  // namespace wordlark
