// Pictures dropped on an editor or pasted into it from the file manager.
#pragma once

#include <QObject>

class QWebEngineView;

namespace wordlark {

class HtmlEditor;

// Files of pictures dropped on the editor or pasted into it from the file
// manager become pictures in the document, with their paths as addresses
// (the engine would otherwise open a dropped file, or paste its name as
// text). Everything else goes to the engine as it came.
class PictureDropFilter : public QObject {
 public:
  PictureDropFilter(HtmlEditor* editor, QWebEngineView* view);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  HtmlEditor* editor_;
  QWebEngineView* view_;
};

}  // namespace wordlark
