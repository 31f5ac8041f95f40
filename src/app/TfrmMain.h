#pragma once

#include <QColor>
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
#include "online/news.h"
#include "render/catalogue.h"
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
class FinishPage;
class GeneralPage;
class HtmlEditor;
class LetterBinding;
class LinkLabel;
class OnlineChecks;

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
  LetterConfiguration CollectConfiguration() const;
  void ApplyConfiguration(const LetterConfiguration& letter);
  // Which control holds which value of the letter.
  const LetterBinding& Binding() const { return *binding_; }

  HtmlEditor* EditorForTag(int tag) const;

  // Folders the window works from: the program folder, and the templates
  // folder that relative paths typed by the user resolve against.
  std::filesystem::path ProgramFolder() const { return programFolder_; }
  std::filesystem::path TemplatesFolder() const;

  const FeatureListModel& FeatureList() const { return featureList_; }
  const TestimonialListModel& TestimonialList() const { return testimonialList_; }
  const std::vector<TemplateEntry>& Templates() const;

  // Wizard navigation.
  void btnNextClick();
  void btnBackClick();

  // Pictures of step 1.
  void bsSkinButton1Click();
  void bsSkinButton2Click();
  void bsSkinButton4Click();

  // Lists of steps 4 and 5.
  void btnCreateFeatClick();
  void btnDeleteFeatClick();
  void lbxFeaturesListBoxClick();
  void btnCreateTestClick();
  void btnDeleteTestClick();
  void lbxTestimonialsListBoxClick();

  // Configuration files.
  void btnSaveClick();
  void btnLoadClick();
  void SaveConfiguration(const QString& path);
  void LoadConfiguration(const QString& path);

  // Step 8.
  void FillTemplateList();
  void bsSkinButton3Click();
  void btnFinishClick();
  // The preview of the page Finish would write, for the selected template,
  // and the pre-flight list beside it.
  void RefreshPreviewIfShown();
  void RefreshPreview();
  void RefreshPreflight();
  void lstPreflightActivate(QListWidgetItem* item);
  std::filesystem::path SelectedTemplateFile() const;

  // The formatting toolbars.
  void cbxFontName1Change(QComboBox* box) override;
  void cbxFontSize1Change(QComboBox* box) override;
  void btnBold1Click(QWidget* sender) override;
  void btnItalic1Click(QWidget* sender) override;
  void btnUnderline1Click(QWidget* sender) override;
  void btnNumber1Click(QWidget* sender) override;
  void btnPlecas1Click(QWidget* sender) override;
  void btnOutdent1Click(QWidget* sender) override;
  void btnIdent1Click(QWidget* sender) override;
  void btnLeft1Click(QWidget* sender) override;
  void btnCenter1Click(QWidget* sender) override;
  void btnRight1Click(QWidget* sender) override;
  void btnAlign1Click(QWidget* sender) override;
  void btnFontColor1Click(QWidget* sender) override;
  void btnBGColor1Click(QWidget* sender) override;

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
  void btnNewsClick();
  void ShowNewsBalloon(const QString& text);
  void Timer1Timer();
  void CheckForUpdate(bool quiet);
  void btnUpdateClick();
  const wordlark::NewsList& NewsList() const;
  // Where the live update looks (tests point it at their own server).
  void SetUpdateBaseUrl(const std::string& url);

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
  void BuildToolStrip(QVBoxLayout* main);
  void BuildSteps();
  void BuildNavigation(QVBoxLayout* main);
  void BuildLinkBar(QVBoxLayout* main);
  void BindEvents();
  void UpdateWizardButtons();
  // The toolbar commands: the editor from the sender's tag, the command from
  // its "Command" property.
  void SendCommand(QWidget* sender, const QString& command, const QVariant& value = {});
  void SendToolbarCommand(QWidget* sender);
  void PickColorFor(QWidget* sender);

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

  QPushButton* btnLoad = nullptr;
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
  QStringList fontFamilies_;
  QColor colorDialogColor_ = Qt::black;  // ColorDialog1 keeps its last colour
  // Each file dialog opens where the file chosen last in it was.
  QString configOpenFolder_;
  QString configSaveFolder_;
  GeneralPage* general_ = nullptr;
  FinishPage* finish_ = nullptr;
  std::unique_ptr<LetterBinding> binding_;
  OnlineChecks* online_ = nullptr;
  bool shown_ = false;
};

}  // namespace wordlark
