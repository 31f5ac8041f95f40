#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "letter/letter_configuration.h"
#include "render/catalogue.h"
#include "render/preflight.h"
#include "wizard/WizardPage.h"

namespace wordlark {

class PreviewWorker;
struct PreviewResult;
struct WizardControls;

// Step 8: the template chooser with thumbnails, the preview of the page
// Finish would write and the pre-flight list beside it, the output file name,
// and Finish itself.
class FinishPage : public WizardPage {
  Q_OBJECT

 public:
  // The letter comes from `letter` whenever the page needs it, and the file
  // it belongs to from `letterFile` (Finish never writes the page over it);
  // templates and relative output names resolve against `templatesFolder`.
  FinishPage(WizardControls& controls, std::filesystem::path templatesFolder,
             std::function<LetterConfiguration()> letter, std::function<QString()> letterFile,
             QWidget* parent = nullptr);

  // Scans the templates folder into the chooser, the first template chosen. A
  // scan that fails leaves the chooser empty and is reported once the event
  // loop runs.
  void FillTemplateList();
  const std::vector<TemplateEntry>& Templates() const { return templates_; }
  std::filesystem::path SelectedTemplateFile() const;

  // Asks for the output file, in the folder of the page chosen last (in this
  // run or an earlier one); ".html" is added to a name without it.
  void BrowseOutputFile();
  // Shows the page of the chosen template with the letter as it stands, and
  // the pre-flight list; nothing is written. Both are made in the
  // background from the letter as it is now: the window keeps answering, and
  // what is shown follows once it is ready (the newest request wins).
  void RefreshPreview();
  void RefreshPreflight();
  // True while a preview or pre-flight list asked for is still to come.
  bool Rendering() const;
  // Stops the preview being made; nothing more is shown.
  void StopPreview();
  // Writes the page and copies its pictures beside it, and says how it went.
  void Finish();

 private:
  void Request(bool page);
  void ShowResult(const PreviewResult& result);
  void ShowPreflight(const std::vector<PreflightItem>& items);

  WizardControls& c_;
  std::filesystem::path templatesFolder_;
  std::function<LetterConfiguration()> letter_;
  std::function<QString()> letterFile_;  // the letter's own file, when it has one
  std::vector<TemplateEntry> templates_;
  PreviewWorker* worker_ = nullptr;
  // A page was asked for and has not been shown yet: a later request for
  // the pre-flight list alone must bring it too.
  bool pagePending_ = false;
};

}  // namespace wordlark
