#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormatToolbar.h"
#include "brand/BannerStrip.h"
#include "brand/brand_settings.h"
#include "letter/letter_configuration.h"
#include "letter/list_items.h"
#include "online/OnlineChecks.h"
#include "online/news.h"
#include "render/catalogue.h"
#include "wizard/EditorCommands.h"
#include "wizard/EntryListPage.h"
#include "wizard/FinishPage.h"
#include "wizard/GeneralPage.h"
#include "wizard/WizardControls.h"

class QtHttpClient;
class QComboBox;
class QFrame;
class QListWidgetItem;
class QPushButton;
class QStackedWidget;
class QTimer;
class QToolButton;
class QVBoxLayout;

namespace wordlark {

class ClickableLabel;
class HtmlEditor;
class LetterBinding;
class LetterSession;
class LinkLabel;

// The main window, the shell of a run: the welcome page, the tool strip, the
// banner, the eight wizard steps with Back and Next, the link bar, loading
// and saving the letter, and start-up and closing. The steps, the banner and
// the online services live in rooms of their own; the window's handlers keep
// the names of its events and forward to them.
class TfrmMain : public QMainWindow, public WizardControls, public FormatToolbar::Handlers {
  Q_OBJECT

 public:
  // The program folder holds the templates and the reseller's files; by
  // default the folder of the running executable.
  // The brand's random choices come from `random` (tests pin them).
  explicit TfrmMain(std::filesystem::path programFolder = {},
                    RandomIndex random = SystemRandomIndex(), QWidget* parent = nullptr);
  ~TfrmMain() override;

  // The letter as the wizard's controls hold it, and the other way round.
  // Applying a letter is the program's change, not the user's: it leaves the
  // modified state alone.
  LetterConfiguration CollectConfiguration() const;
  void ApplyConfiguration(const LetterConfiguration& letter);
  // The letter as a document: its file, its changes, its recovery.
  LetterSession& Session() const { return *session_; }
  // A letter named on the command line, opened once the window shows.
  void OpenAtStart(const QString& path) { letterToOpen_ = path; }
  // Which control holds which value of the letter.
  const LetterBinding& Binding() const { return *binding_; }

  HtmlEditor* EditorForTag(int tag) const { return commands_.EditorForTag(tag); }
  // The web views behind the editors (and the welcome page) start right after
  // the window's first paint, in the background; this starts them now.
  void StartEditors();

  // Folders the window works from: the program folder, and the templates
  // folder that relative paths typed by the user resolve against.
  std::filesystem::path ProgramFolder() const { return programFolder_; }
  std::filesystem::path TemplatesFolder() const;

  const FeatureListModel& FeatureList() const { return featureList_; }
  const TestimonialListModel& TestimonialList() const { return testimonialList_; }
  const std::vector<TemplateEntry>& Templates() const { return finish_->Templates(); }

  // Wizard navigation.
  void btnNextClick();
  void btnBackClick();
  void GoToStep(int step);

  // Pictures of step 1.
  void bsSkinButton1Click() { general_->BrowsePicture(edtHeaderPicture); }
  void bsSkinButton2Click() { general_->BrowsePicture(edtCoverPicture); }
  void bsSkinButton4Click() { general_->BrowsePicture(edtFooterPicture); }

  // Lists of steps 4 and 5.
  void btnCreateFeatClick() { featuresPage->Create(); }
  void btnDeleteFeatClick() { featuresPage->Delete(); }
  void lbxFeaturesListBoxClick() { featuresPage->ShowSelected(); }
  void btnCreateTestClick() { testimonialsPage->Create(); }
  void btnDeleteTestClick() { testimonialsPage->Delete(); }
  void lbxTestimonialsListBoxClick() { testimonialsPage->ShowSelected(); }

  // Letter files: a new letter, load (from the dialog or the recent
  // letters), save in place (Ctrl+S) and Save Configuration (the dialog).
  void btnNewClick();
  void btnLoadClick();
  void btnSaveClick();
  void SaveLetter();
  void SaveConfiguration(const QString& path);
  void LoadConfiguration(const QString& path);
  void FillRecentMenu();

  // Step 8.
  void FillTemplateList() { finish_->FillTemplateList(); }
  void bsSkinButton3Click() { finish_->BrowseOutputFile(); }
  void btnFinishClick() { finish_->Finish(); }
  // The preview of the page Finish would write, for the selected template,
  // and the pre-flight list beside it.
  void RefreshPreviewIfShown();
  void RefreshPreview() { finish_->RefreshPreview(); }
  void RefreshPreflight() { finish_->RefreshPreflight(); }
  // True while the preview or the pre-flight list asked for last is still
  // being made.
  bool PreviewRendering() const { return finish_->Rendering(); }
  void lstPreflightActivate(QListWidgetItem* item);
  std::filesystem::path SelectedTemplateFile() const { return finish_->SelectedTemplateFile(); }

  // The formatting toolbars.
  void cbxFontName1Change(QComboBox* box) override { commands_.SendFontName(box); }
  void cbxFontSize1Change(QComboBox* box) override { commands_.SendFontSize(box); }
  void btnBold1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnItalic1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnUnderline1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnNumber1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnPlecas1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnOutdent1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnIdent1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnLeft1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnCenter1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnRight1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnAlign1Click(QWidget* sender) override { commands_.Send(sender); }
  void btnFontColor1Click(QWidget* sender) override { commands_.PickColorAndSend(sender); }
  void btnBGColor1Click(QWidget* sender) override { commands_.PickColorAndSend(sender); }
  void btnLink1Click(QWidget* sender) override { commands_.EditLink(sender); }
  void btnPicture1Click(QWidget* sender) override { commands_.InsertPicture(sender); }

  // The reseller's brand, read once at start-up.
  const BrandSettings& Brand() const { return brand_; }
  void LoadBrandSettings();

  // Banner, links and web buttons; the about window.
  void imgBannerClick();
  void gifBannerClick();
  void lblLink1URLClick();
  void lblLink2URLClick();
  void btnMakeMoneyClick();
  void btnHelpClick();
  void btnAboutClick();

  // The welcome page.
  void btnThanksClick();
  QString WelcomeText() const { return welcomeText_; }

  // News and live update.
  void btnNewsClick() { online_->ShowNews(); }
  void ShowNewsBalloon(const QString& text) { online_->ShowBalloon(text); }
  void Timer1Timer() { online_->RunStartupChecks(); }
  void CheckForUpdate(bool quiet) { online_->CheckForUpdate(quiet); }
  void btnUpdateClick() { online_->CheckOnRequest(); }
  const wordlark::NewsList& NewsList() const { return online_->News(); }
  // Where the live update looks (tests point it at their own server).
  void SetUpdateBaseUrl(const std::string& url) { online_->SetUpdateBaseUrl(url); }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormResize();
  void FormClose();

  void BuildWindow();
  void BuildWelcomePage();
  void DropWelcomePage();
  // The editors start one by one, in the order the user reaches them; a step
  // is entered only once its editors are ready.
  void StartNextEditor();
  void ReadyStep(int step);
  void BuildToolStrip(QVBoxLayout* main);
  void BuildSteps();
  void BuildNavigation(QVBoxLayout* main);
  void BuildLinkBar(QVBoxLayout* main);
  void BindEvents();
  void UpdateWizardButtons();
  void UpdateTitle();
  void PlaceOnScreen();
  void FocusStepField();

  // Runs a handler as the top-level error handling would: an error that
  // escapes it ends the handler and is shown to the user.
  void Guarded(const std::function<void()>& handler);
  void RunHandler(const std::function<void()>& handler) override { Guarded(handler); }
  template <typename Sender, typename Signal>
  void Bind(Sender* sender, Signal signal, void (TfrmMain::*handler)());

 public:
  // The shell's controls, named as the window's layout names them.
  QStackedWidget* pgcPrinc = nullptr;
  QWidget* stsWelcome = nullptr;
  QWidget* stsMain = nullptr;
  HtmlEditor* prfWelcome = nullptr;
  QPushButton* btnThanks = nullptr;

  QPushButton* btnNew = nullptr;
  QPushButton* btnLoad = nullptr;
  QToolButton* btnRecent = nullptr;  // the recent letters, beside Load
  QPushButton* btnSave = nullptr;
  QPushButton* btnMakeMoney = nullptr;
  QPushButton* btnAbout = nullptr;
  QToolButton* btnNews = nullptr;
  QToolButton* btnUpdate = nullptr;
  QToolButton* btnHelp = nullptr;

  BannerStrip* panBanner = nullptr;
  ClickableLabel* imgBanner = nullptr;
  ClickableLabel* gifBanner = nullptr;

  QStackedWidget* pgcMain = nullptr;
  QFrame* panWizard = nullptr;
  QPushButton* btnBack = nullptr;
  QPushButton* btnNext = nullptr;
  QFrame* panLinks = nullptr;
  LinkLabel* lblLink1URL = nullptr;
  LinkLabel* lblLink2URL = nullptr;

  QTimer* Timer1 = nullptr;
  QtHttpClient* IdHTTP1 = nullptr;  // the one HTTP client of the window

 private:
  std::filesystem::path programFolder_;
  RandomIndex random_;
  BrandSettings brand_;
  FeatureListModel featureList_;
  TestimonialListModel testimonialList_;
  QString welcomeText_;
  QString caption_;  // the brand's, around which the title shows the letter
  QString letterToOpen_;
  QStringList fontFamilies_;
  EditorCommands commands_{*this};
  GeneralPage* general_ = nullptr;
  FinishPage* finish_ = nullptr;
  std::unique_ptr<LetterBinding> binding_;
  LetterSession* session_ = nullptr;
  OnlineChecks* online_ = nullptr;
  bool shown_ = false;
  bool editorsStarting_ = false;
};

}  // namespace wordlark
