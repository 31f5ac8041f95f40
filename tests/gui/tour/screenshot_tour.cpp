// Walks the wizard with the sample letter loaded and saves a picture of each
// step: docs/screenshots/step1.png ... step8.png, then of step 8's preview
// for every template at desktop and at phone width:
// preview-NAME-desktop.png and preview-NAME-phone.png. Run under a display
// (for example xvfb-run); see scripts/screenshots.sh.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <cstdio>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "seams/MessageBox.h"
#include "widgets/PagePreview.h"

using wordlark::MessageBox;
using wordlark::PagePreview;
using wordlark::TfrmMain;

namespace {

void Settle(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s PROGRAM_FOLDER LETTER.set OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  wordlark::PrepareWebEngineEnvironment();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Wordlark"));
  MessageBox::SetAutoAnswer(MessageBox::Button::Ok);

  TfrmMain window{std::filesystem::path(argv[1])};
  window.resize(1000, 760);
  window.show();
  window.LoadConfiguration(QString::fromLocal8Bit(argv[2]));
  // The sample's pictures lie beside it; the letter names them relative to
  // where it is kept.
  const QDir letterFolder = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteDir();
  for (QLineEdit* box :
       {window.edtHeaderPicture, window.edtCoverPicture, window.edtFooterPicture}) {
    if (!box->text().isEmpty() && letterFolder.exists(box->text())) {
      box->setText(letterFolder.absoluteFilePath(box->text()));
    }
  }
  window.edtFilename->setText(QDir::home().filePath(QStringLiteral("letters/sales-page.html")));
  Settle(3000);

  const QDir out(QString::fromLocal8Bit(argv[3]));
  // A branded program folder opens on its welcome page.
  if (window.stsWelcome != nullptr && window.pgcPrinc->currentWidget() == window.stsWelcome) {
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    if (!shot.save(out.filePath(QStringLiteral("welcome.png")))) {
      std::fprintf(stderr, "cannot write the welcome page's screenshot\n");
      return 1;
    }
    window.btnThanksClick();
  }
  for (int step = 0; step < window.pgcMain->count(); ++step) {
    if (step == 1) {
      // The caret in the bold headline: its toolbar shows Bold checked.
      window.activateWindow();
      window.prfEditor1->setFocus();
    } else if (step == 3) {
      window.lbxFeatures->setCurrentRow(0);
    } else if (step == 4) {
      window.lbxTestimonials->setCurrentRow(0);
    }
    Settle(1500);
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const QString file = out.filePath(QStringLiteral("step%1.png").arg(step + 1));
    if (!shot.save(file)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
    window.btnNextClick();
  }

  // The preview of each template, on a larger window, wholly on the screen:
  // what lies off the screen does not show in a grab.
  window.move(window.screen()->availableGeometry().topLeft());
  window.resize(1200, 900);
  for (int index = 0; index < window.cbxTemplates->count(); ++index) {
    window.cbxTemplates->setCurrentIndex(index);
    const QString name = window.cbxTemplates->itemText(index).toLower();
    for (const auto& [width, label] : {std::pair{PagePreview::Width::kDesktop, "desktop"},
                                       std::pair{PagePreview::Width::kPhone, "phone"}}) {
      window.pagePreview->SetWidth(width);
      Settle(2500);
      const QPixmap shot = window.screen()->grabWindow(window.winId());
      const QString file =
          out.filePath(QStringLiteral("preview-%1-%2.png").arg(name, QLatin1String(label)));
      if (!shot.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
      }
    }
  }
  return 0;
}
