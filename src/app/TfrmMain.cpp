#include "TfrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "HtmlEditor.h"
#include "brand/BrandLook.h"
#include "brand/TfrmAbout.h"
#include "brand/WebLinks.h"
#include "document/LetterSession.h"
#include "letter/config_file.h"
#include "seams/Desktop.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "seams/UserSettings.h"
#include "widgets/FirstPaint.h"
#include "widgets/FontLists.h"
#include "widgets/QtText.h"
#include "wizard/EditorsPage.h"
#include "wizard/LetterBinding.h"
#include "wizard/OrderPage.h"

namespace wordlark {

TfrmMain::TfrmMain(std::filesystem::path programFolder, RandomIndex random, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), random_(std::move(random)) {
  setObjectName(QStringLiteral("frmMain"));
  if (programFolder_.empty()) {
    programFolder_ = PathOf(QCoreApplication::applicationDirPath());
  }
  BuildWindow();
  FormCreate();
}

TfrmMain::~TfrmMain() = default;

std::filesystem::path TfrmMain::TemplatesFolder() const {
  return programFolder_ / "Templates";
}

void TfrmMain::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    MessageBox::Error(this, QString::fromUtf8(e.what()));
  }
}

template <typename Sender, typename Signal>
void TfrmMain::Bind(Sender* sender, Signal signal, void (TfrmMain::*handler)()) {
  connect(sender, signal, this,
          [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
}

// ---------------------------------------------------------------------------
// The window's controls.

void TfrmMain::BuildWindow() {
  // The font families every font box offers, gathered once.
  fontFamilies_ = LetterFontFamilies();
  caption_ = QStringLiteral("Wordlark");
  // Every window's caption is exactly what the program sets: on X11 Qt would
  // append the application's display name to each caption that does not end
  // with it ("About ... — Wordlark"). The main window's caption names the
  // program and the letter, and message boxes take theirs from it.
  QApplication::setApplicationDisplayName(QString());
  resize(900, 720);

  pgcPrinc = Named(new QStackedWidget(this), "pgcPrinc");
  setCentralWidget(pgcPrinc);

  stsMain = Named(new QWidget(pgcPrinc), "stsMain");
  auto* main = new QVBoxLayout(stsMain);
  main->setContentsMargins(6, 6, 6, 6);
  BuildToolStrip(main);
  panBanner = new BannerStrip(stsMain);
  imgBanner = panBanner->StillView();
  gifBanner = panBanner->AnimatedView();
  main->addWidget(panBanner);
  BuildSteps();
  main->addWidget(pgcMain, 1);
  BuildNavigation(main);
  BuildLinkBar(main);
  pgcPrinc->addWidget(stsMain);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(100);
  online_ = new OnlineChecks(this, brand_, programFolder_, btnNews, btnUpdate, Timer1);
  IdHTTP1 = online_->Client();
  binding_ = std::make_unique<LetterBinding>(*this);
  session_ = new LetterSession(*this, *binding_);
  connect(session_, &LetterSession::stateChanged, this, &TfrmMain::UpdateTitle);
  BindEvents();
}

void TfrmMain::BuildSteps() {
  pgcMain = Named(new QStackedWidget(stsMain), "pgcMain");
  general_ = new GeneralPage(*this);
  featuresPage = EntryListPage::Features(*this, featureList_, fontFamilies_);
  testimonialsPage = EntryListPage::Testimonials(*this, testimonialList_, fontFamilies_);
  finish_ = new FinishPage(
      *this, TemplatesFolder(), [this] { return CollectConfiguration(); },
      [this] { return session_->FilePath(); });
  const std::pair<const char*, QWidget*> steps[] = {
      {"bsSkinTabSheet1", general_},
      {"bsSkinTabSheet2", EditorsPage::Headline(*this, *this, fontFamilies_)},
      {"bsSkinTabSheet3", EditorsPage::Product(*this, *this, fontFamilies_)},
      {"bsSkinTabSheet4", featuresPage},
      {"bsSkinTabSheet6", testimonialsPage},
      {"bsSkinTabSheet10", EditorsPage::Ending(*this, *this, fontFamilies_)},
      {"bsSkinTabSheet11", new OrderPage(*this, fontFamilies_)},
      {"bsSkinTabSheet12", finish_},
  };
  for (const auto& [name, page] : steps) {
    page->setObjectName(QString::fromLatin1(name));
    pgcMain->addWidget(page);
  }
}

// Every event of the window's controls goes to its handler; the toolbars
// connect their own controls.
void TfrmMain::BindEvents() {
  Bind(btnNew, &QPushButton::clicked, &TfrmMain::btnNewClick);
  Bind(btnLoad, &QPushButton::clicked, &TfrmMain::btnLoadClick);
  Bind(btnSave, &QPushButton::clicked, &TfrmMain::btnSaveClick);
  Bind(btnMakeMoney, &QPushButton::clicked, &TfrmMain::btnMakeMoneyClick);
  Bind(btnAbout, &QPushButton::clicked, &TfrmMain::btnAboutClick);
  Bind(btnNews, &QToolButton::clicked, &TfrmMain::btnNewsClick);
  Bind(btnUpdate, &QToolButton::clicked, &TfrmMain::btnUpdateClick);
  Bind(btnHelp, &QToolButton::clicked, &TfrmMain::btnHelpClick);
  Bind(imgBanner, &ClickableLabel::clicked, &TfrmMain::imgBannerClick);
  Bind(gifBanner, &ClickableLabel::clicked, &TfrmMain::gifBannerClick);
  Bind(lblLink1URL, &LinkLabel::clicked, &TfrmMain::lblLink1URLClick);
  Bind(lblLink2URL, &LinkLabel::clicked, &TfrmMain::lblLink2URLClick);
  Bind(btnBack, &QPushButton::clicked, &TfrmMain::btnBackClick);
  Bind(btnNext, &QPushButton::clicked, &TfrmMain::btnNextClick);
  // However a step is entered, its editors come up with it.
  connect(pgcMain, &QStackedWidget::currentChanged, this, [this](int step) { ReadyStep(step); });
  Bind(pgcMain, &QStackedWidget::currentChanged, &TfrmMain::RefreshPreviewIfShown);
  Bind(Timer1, &QTimer::timeout, &TfrmMain::Timer1Timer);

  Bind(bsSkinButton1, &QPushButton::clicked, &TfrmMain::bsSkinButton1Click);
  Bind(bsSkinButton2, &QPushButton::clicked, &TfrmMain::bsSkinButton2Click);
  Bind(bsSkinButton4, &QPushButton::clicked, &TfrmMain::bsSkinButton4Click);
  Bind(btnCreateFeat, &QPushButton::clicked, &TfrmMain::btnCreateFeatClick);
  Bind(btnDeleteFeat, &QPushButton::clicked, &TfrmMain::btnDeleteFeatClick);
  Bind(lbxFeatures, &QListWidget::itemSelectionChanged, &TfrmMain::lbxFeaturesListBoxClick);
  Bind(btnCreateTest, &QPushButton::clicked, &TfrmMain::btnCreateTestClick);
  Bind(btnDeleteTest, &QPushButton::clicked, &TfrmMain::btnDeleteTestClick);
  Bind(lbxTestimonials, &QListWidget::itemSelectionChanged, &TfrmMain::lbxTestimonialsListBoxClick);
  Bind(bsSkinButton3, &QPushButton::clicked, &TfrmMain::bsSkinButton3Click);
  Bind(btnFinish, &QPushButton::clicked, &TfrmMain::btnFinishClick);
  Bind(cbxTemplates, &QComboBox::currentIndexChanged, &TfrmMain::RefreshPreviewIfShown);
  Bind(edtFilename, &QLineEdit::textChanged, &TfrmMain::RefreshPreflight);
  connect(lstPreflight, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { Guarded([this, item] { lstPreflightActivate(item); }); });

  // The window's shortcuts belong to the main page: while the welcome page
  // shows, they do nothing.
  const auto shortcut = [this](const QKeySequence& keys, void (TfrmMain::*handler)()) {
    auto* s = new QShortcut(keys, stsMain);
    s->setContext(Qt::WindowShortcut);
    Bind(s, &QShortcut::activated, handler);
  };
  shortcut(QKeySequence::New, &TfrmMain::btnNewClick);
  shortcut(QKeySequence::Open, &TfrmMain::btnLoadClick);
  shortcut(QKeySequence::Save, &TfrmMain::SaveLetter);
  shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &TfrmMain::btnSaveClick);
  shortcut(QKeySequence(Qt::ALT | Qt::Key_Left), &TfrmMain::btnBackClick);
  shortcut(QKeySequence(Qt::ALT | Qt::Key_Right), &TfrmMain::btnNextClick);
}

// ---------------------------------------------------------------------------
// Start-up, show, resize and close.

void TfrmMain::FormCreate() {
  // Both banner views occupy the same place.
  gifBanner->setGeometry(imgBanner->geometry());
  Guarded([this] { LoadBrandSettings(); });

  pgcMain->setCurrentIndex(0);
  UpdateWizardButtons();

  // "Times New Roman" preselected in the editors' font lists where there is
  // one; every preselection sends the font name to its editor.
  const int times = IndexOfFamily(fontFamilies_, QStringLiteral("Times New Roman"));
  for (FormatToolbar* t : toolbars) {
    t->fontName->setCurrentIndex(times);
  }

  FillTemplateList();
  session_->TakeDefaults();
  UpdateTitle();
  Timer1->start();
}

void TfrmMain::showEvent(QShowEvent* event) {
  if (!shown_) {
    PlaceOnScreen();
  }
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    Guarded([this] { FormShow(); });
    // Nothing the first step shows needs the web engine: it starts once the
    // window is on screen.
    CallAfterFirstPaint(this, [this] { StartEditors(); });
  }
}

void TfrmMain::StartEditors() {
  if (!editorsStarting_) {
    editorsStarting_ = true;
    StartNextEditor();
  }
}

// One editor per turn of the event loop, so that the window answers between
// them: the welcome page's view first, then the steps' editors in step order,
// each that has not started yet (entering a step starts its own).
void TfrmMain::StartNextEditor() {
  QList<HtmlEditor*> order;
  if (prfWelcome != nullptr) {
    order << prfWelcome;
  }
  for (int step = 0; step < pgcMain->count(); ++step) {
    order << pgcMain->widget(step)->findChildren<HtmlEditor*>();
  }
  for (HtmlEditor* editor : std::as_const(order)) {
    if (!editor->EngineStarted()) {
      editor->StartEngine();
      QTimer::singleShot(0, this, &TfrmMain::StartNextEditor);
      return;
    }
  }
}

// A step shows only once its editors hold their documents, so that the user
// never types into an editor that is not there yet.
void TfrmMain::ReadyStep(int step) {
  if (QWidget* page = pgcMain->widget(step)) {
    for (HtmlEditor* editor : page->findChildren<HtmlEditor*>()) {
      editor->WaitUntilReady();
    }
  }
}

// The window opens centred on its screen, and no larger than the screen's
// available area (the frame included, where the window already has one).
void TfrmMain::PlaceOnScreen() {
  const QScreen* screen = this->screen();
  if (screen == nullptr) {
    return;
  }
  const QRect area = screen->availableGeometry();
  const QSize frame = frameGeometry().size() - geometry().size();
  resize(size().boundedTo(area.size() - frame));
  QRect outer(QPoint(0, 0), size() + frame);
  outer.moveCenter(area.center());
  move(outer.topLeft());
}

// Entering a step puts the focus in its first field.
void TfrmMain::FocusStepField() {
  if (const auto* page = qobject_cast<WizardPage*>(pgcMain->currentWidget())) {
    if (QWidget* field = page->FirstField()) {
      field->setFocus(Qt::OtherFocusReason);
    }
  }
}

void TfrmMain::FormShow() {
  pgcMain->setCurrentIndex(0);
  UpdateWizardButtons();
  // The welcome page exists only when there is a welcome text to show.
  if (!welcomeText_.isEmpty()) {
    BuildWelcomePage();
    pgcPrinc->setCurrentWidget(stsWelcome);
    btnThanks->setFocus(Qt::OtherFocusReason);
  }
  pgcPrinc->setCurrentIndex(0);
  if (pgcPrinc->currentWidget() == stsMain) {
    FocusStepField();
  }
  FormResize();
  // Once the window is up: a letter left by a window that ended without
  // saving it, then the letter named on the command line.
  QTimer::singleShot(0, this, [this] {
    Guarded([this] { session_->OfferRecovery(); });
    if (!letterToOpen_.isEmpty()) {
      Guarded([this] { session_->OpenGiven(letterToOpen_); });
    }
  });
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TfrmMain::FormResize() {
  panBanner->CentreViews();
}

void TfrmMain::btnThanksClick() {
  pgcPrinc->setCurrentWidget(stsMain);
  DropWelcomePage();
  FocusStepField();
  if (!welcomeText_.isEmpty()) {
    Timer1->start();
  }
}

// There is no way back to the welcome page: it goes, with its view, once
// left.
void TfrmMain::DropWelcomePage() {
  if (stsWelcome == nullptr) {
    return;
  }
  pgcPrinc->removeWidget(stsWelcome);
  stsWelcome->hide();
  stsWelcome->deleteLater();  // its button's click is still being handled
  stsWelcome = nullptr;
  prfWelcome = nullptr;
  btnThanks = nullptr;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  bool mayClose = false;
  Guarded([&] { mayClose = session_->MayReplace(LetterSession::Replacing::kByClosing); });
  if (!mayClose) {
    event->ignore();
    return;
  }
  session_->End();
  FormClose();
  event->accept();
}

void TfrmMain::FormClose() {
  online_->Close();
  finish_->StopPreview();
}

// ---------------------------------------------------------------------------
// The reseller's brand.

void TfrmMain::LoadBrandSettings() {
  const BrandLoad load = wordlark::LoadBrandSettings(programFolder_, random_);
  if (!load.settings_file_found) {
    return;  // the designed window
  }
  brand_ = load.settings;
  caption_ = Q(MainWindowCaption(brand_));
  UpdateTitle();
  btnNews->setVisible(NewsButtonVisible(brand_));
  btnMakeMoney->setText(Q(MakeMoneyCaption(brand_)));
  welcomeText_ = Q(brand_.WelcomeText);
  panBanner->ShowBanner(programFolder_, brand_);
  panLinks->setVisible(LinkBarVisible(brand_));
  lblLink1URL->setText(Q(brand_.FirstLinkCaption));
  lblLink1URL->SetUrl(Q(brand_.FirstLinkURL));
  lblLink2URL->setText(Q(brand_.SecondLinkCaption));
  lblLink2URL->SetUrl(Q(brand_.SecondLinkURL));
  ApplyBrandSkin(programFolder_);
  ApplyBrandIcon(programFolder_, this);
}

void TfrmMain::imgBannerClick() {
  if (!brand_.BannerURL.empty()) {
    OpenUrlInBrowser(Q(brand_.BannerURL));
  }
}
void TfrmMain::gifBannerClick() {
  imgBannerClick();
}
void TfrmMain::lblLink1URLClick() {
  OpenUrlInBrowser(lblLink1URL->Url());
}
void TfrmMain::lblLink2URLClick() {
  OpenUrlInBrowser(lblLink2URL->Url());
}
void TfrmMain::btnMakeMoneyClick() {
  OpenUrlInBrowser(Q(brand_.AffiliateURL));
}
void TfrmMain::btnHelpClick() {
  OpenUrlInBrowser(Q(brand_.AppHelpURL));
}
void TfrmMain::btnAboutClick() {
  TfrmAbout about(brand_, this);
  about.exec();
}

// ---------------------------------------------------------------------------
// Wizard navigation and the steps' handlers.

void TfrmMain::UpdateWizardButtons() {
  const int page = pgcMain->currentIndex();
  btnNext->setEnabled(page < pgcMain->count() - 1);
  btnBack->setEnabled(page > 0);
}

// Entering a step puts the focus in its first field.
void TfrmMain::GoToStep(int step) {
  step = std::clamp(step, 0, pgcMain->count() - 1);
  if (step != pgcMain->currentIndex()) {
    ReadyStep(step);
    pgcMain->setCurrentIndex(step);
    FocusStepField();
  }
  UpdateWizardButtons();
}

void TfrmMain::btnNextClick() {
  GoToStep(pgcMain->currentIndex() + 1);
}

void TfrmMain::btnBackClick() {
  GoToStep(pgcMain->currentIndex() - 1);
}

void TfrmMain::RefreshPreviewIfShown() {
  if (pgcMain->currentWidget() == finish_) {
    RefreshPreview();
  }
}

// Leads to the value a pre-flight item is about: its step, and the focus in it.
void TfrmMain::lstPreflightActivate(QListWidgetItem* item) {
  QWidget* control = findChild<QWidget*>(item->data(Qt::UserRole).toString());
  if (control == nullptr) {
    return;
  }
  for (int step = 0; step < pgcMain->count(); ++step) {
    if (pgcMain->widget(step)->isAncestorOf(control)) {
      ReadyStep(step);
      pgcMain->setCurrentIndex(step);
      UpdateWizardButtons();
      control->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// The letter and its configuration files.

LetterConfiguration TfrmMain::CollectConfiguration() const {
  return binding_->Collect();
}

void TfrmMain::ApplyConfiguration(const LetterConfiguration& letter) {
  session_->Quietly([&] { binding_->Apply(letter); });
  RefreshPreviewIfShown();
}

// The title names the letter and marks unsaved changes, around the caption.
void TfrmMain::UpdateTitle() {
  setWindowTitle(session_->DisplayName() + QStringLiteral("[*] \u2014 ") + caption_);
  setWindowFilePath(session_->FilePath());
  setWindowModified(session_->IsModified());
}

void TfrmMain::btnNewClick() {
  session_->NewLetter();
}
void TfrmMain::btnLoadClick() {
  session_->Load();
}
void TfrmMain::btnSaveClick() {
  session_->SaveAs();
}
void TfrmMain::SaveLetter() {
  session_->Save();
}
void TfrmMain::SaveConfiguration(const QString& path) {
  session_->SaveTo(path);
}
void TfrmMain::LoadConfiguration(const QString& path) {
  session_->LoadFrom(path);
}

void TfrmMain::FillRecentMenu() {
  QMenu* menu = btnRecent->menu();
  menu->clear();
  const QStringList letters = UserSettings::RecentLetters();
  if (letters.isEmpty()) {
    menu->addAction(tr("No recent letters"))->setEnabled(false);
  }
  for (const QString& path : letters) {
    QAction* action = menu->addAction(QFileInfo(path).fileName());
    action->setToolTip(path);
    action->setStatusTip(path);
    connect(action, &QAction::triggered, this,
            [this, path] { Guarded([this, &path] { session_->LoadRecent(path); }); });
  }
}

}  // namespace wordlark
