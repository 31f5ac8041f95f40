#include "TfrmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "FormatToolbar.h"
#include "HtmlEditor.h"
#include "brand/BannerStrip.h"
#include "brand/BrandLook.h"
#include "brand/TfrmAbout.h"
#include "brand/WebLinks.h"
#include "letter/config_file.h"
#include "online/OnlineChecks.h"
#include "render/output.h"
#include "render/preflight.h"
#include "seams/Desktop.h"
#include "seams/Dialogs.h"
#include "seams/MessageBox.h"
#include "util/file_io.h"
#include "widgets/ColorBox.h"
#include "widgets/FontLists.h"
#include "widgets/PagePreview.h"
#include "widgets/QtText.h"
#include "wizard/EntryListPage.h"
#include "wizard/LetterBinding.h"
#include "wizard/ListFormatBox.h"

namespace wordlark {
namespace {

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  label->setFont(font);
  return label;
}

QLabel* Note(const QString& text, QWidget* parent) {
  return WizardPage::Note(text, parent);
}

}  // namespace

TfrmMain::TfrmMain(std::filesystem::path programFolder, RandomIndex random, QWidget* parent)
    : QMainWindow(parent), programFolder_(std::move(programFolder)), random_(std::move(random)) {
  setObjectName(QStringLiteral("frmMain"));
  if (programFolder_.empty()) {
    programFolder_ = PathOf(QCoreApplication::applicationDirPath());
  }
  const QString start = PathText(programFolder_);
  pictureDialogFolder_ = pageDialogFolder_ = configOpenFolder_ = configSaveFolder_ = start;
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
  setWindowTitle(QStringLiteral("Wordlark"));
  resize(900, 720);

  pgcPrinc = Named(new QStackedWidget(this), "pgcPrinc");
  setCentralWidget(pgcPrinc);

  // The welcome page.
  stsWelcome = Named(new QWidget(pgcPrinc), "stsWelcome");
  {
    auto* layout = new QVBoxLayout(stsWelcome);
    prfWelcome = Named(new HtmlEditor(stsWelcome), "prfWelcome");
    prfWelcome->SetBrowseMode(true);
    layout->addWidget(prfWelcome, 1);
    auto* panel = new QHBoxLayout;
    panel->addStretch(1);
    btnThanks = Named(new QPushButton(tr("Thanks, just show me the main application"), stsWelcome),
                      "btnThanks");
    btnThanks->setDefault(true);
    panel->addWidget(btnThanks);
    panel->addStretch(1);
    layout->addLayout(panel);
    Bind(btnThanks, &QPushButton::clicked, &TfrmMain::btnThanksClick);
  }
  pgcPrinc->addWidget(stsWelcome);

  // The main page.
  stsMain = Named(new QWidget(pgcPrinc), "stsMain");
  auto* main = new QVBoxLayout(stsMain);
  main->setContentsMargins(6, 6, 6, 6);
  {
    auto* bar = new QHBoxLayout;
    btnLoad = Named(new QPushButton(tr("Load Configuration"), stsMain), "btnLoad");
    btnSave = Named(new QPushButton(tr("Save Configuration"), stsMain), "btnSave");
    btnMakeMoney = Named(new QPushButton(tr("Make Money"), stsMain), "btnMakeMoney");
    btnAbout = Named(new QPushButton(tr("About"), stsMain), "btnAbout");
    const auto tool = [this](const char* name, const QString& hint, const QString& icon,
                             QStyle::StandardPixmap fallback) {
      auto* b = Named(new QToolButton(stsMain), name);
      b->setToolTip(hint);
      b->setAccessibleName(hint);
      QIcon i = QIcon::fromTheme(icon);
      b->setIcon(i.isNull() ? style()->standardIcon(fallback) : i);
      b->setAutoRaise(true);
      return b;
    };
    btnNews = tool("btnNews", tr("Check News"), QStringLiteral("mail-unread"),
                   QStyle::SP_MessageBoxInformation);
    btnUpdate = tool("btnUpdate", tr("Check Updates"), QStringLiteral("system-software-update"),
                     QStyle::SP_BrowserReload);
    btnHelp =
        tool("btnHelp", tr("Help"), QStringLiteral("help-contents"), QStyle::SP_MessageBoxQuestion);
    for (QWidget* w : {static_cast<QWidget*>(btnLoad), static_cast<QWidget*>(btnSave),
                       static_cast<QWidget*>(btnMakeMoney), static_cast<QWidget*>(btnAbout)}) {
      bar->addWidget(w);
    }
    bar->addStretch(1);
    bar->addWidget(btnNews);
    bar->addWidget(btnUpdate);
    bar->addWidget(btnHelp);
    main->addLayout(bar);
    Bind(btnLoad, &QPushButton::clicked, &TfrmMain::btnLoadClick);
    Bind(btnMakeMoney, &QPushButton::clicked, &TfrmMain::btnMakeMoneyClick);
    Bind(btnAbout, &QPushButton::clicked, &TfrmMain::btnAboutClick);
    Bind(btnHelp, &QToolButton::clicked, &TfrmMain::btnHelpClick);
    Bind(btnNews, &QToolButton::clicked, &TfrmMain::btnNewsClick);
    Bind(btnUpdate, &QToolButton::clicked, &TfrmMain::btnUpdateClick);
    Bind(btnSave, &QPushButton::clicked, &TfrmMain::btnSaveClick);
  }

  panBanner = new BannerStrip(stsMain);
  imgBanner = panBanner->StillView();
  gifBanner = panBanner->AnimatedView();
  Bind(imgBanner, &ClickableLabel::clicked, &TfrmMain::imgBannerClick);
  Bind(gifBanner, &ClickableLabel::clicked, &TfrmMain::gifBannerClick);
  main->addWidget(panBanner);

  pgcMain = Named(new QStackedWidget(stsMain), "pgcMain");
  const std::pair<const char*, QWidget* (TfrmMain::*)()> steps[] = {
      {"bsSkinTabSheet1", &TfrmMain::BuildStep1},  {"bsSkinTabSheet2", &TfrmMain::BuildStep2},
      {"bsSkinTabSheet3", &TfrmMain::BuildStep3},  {"bsSkinTabSheet4", &TfrmMain::BuildStep4},
      {"bsSkinTabSheet6", &TfrmMain::BuildStep5},  {"bsSkinTabSheet10", &TfrmMain::BuildStep6},
      {"bsSkinTabSheet11", &TfrmMain::BuildStep7}, {"bsSkinTabSheet12", &TfrmMain::BuildStep8},
  };
  for (const auto& [name, build] : steps) {
    QWidget* page = (this->*build)();
    page->setObjectName(QString::fromLatin1(name));
    pgcMain->addWidget(page);
  }
  main->addWidget(pgcMain, 1);
  Bind(pgcMain, &QStackedWidget::currentChanged, &TfrmMain::RefreshPreviewIfShown);

  panWizard = Named(new QFrame(stsMain), "panWizard");
  {
    auto* nav = new QHBoxLayout(panWizard);
    nav->setContentsMargins(0, 0, 0, 0);
    nav->addStretch(1);
    btnBack = Named(new QPushButton(tr("Back"), panWizard), "btnBack");
    btnNext = Named(new QPushButton(tr("Next"), panWizard), "btnNext");
    btnBack->setToolTip(tr("Back (Alt+Left)"));
    btnNext->setToolTip(tr("Next (Alt+Right)"));
    nav->addWidget(btnBack);
    nav->addWidget(btnNext);
    Bind(btnBack, &QPushButton::clicked, &TfrmMain::btnBackClick);
    Bind(btnNext, &QPushButton::clicked, &TfrmMain::btnNextClick);
  }
  main->addWidget(panWizard);

  panLinks = Named(new QFrame(stsMain), "panLinks");
  {
    auto* links = new QHBoxLayout(panLinks);
    links->setContentsMargins(0, 0, 0, 0);
    const QString search = QStringLiteral("https://www.google.com/");
    lblLink1URL = Named(new LinkLabel(tr("Google"), search, panLinks), "lblLink1URL");
    lblLink2URL = Named(new LinkLabel(tr("Google"), search, panLinks), "lblLink2URL");
    Bind(lblLink1URL, &LinkLabel::clicked, &TfrmMain::lblLink1URLClick);
    Bind(lblLink2URL, &LinkLabel::clicked, &TfrmMain::lblLink2URLClick);
    lblLink1URL->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    links->addWidget(lblLink1URL);
    links->addStretch(1);
    links->addWidget(lblLink2URL);
  }
  main->addWidget(panLinks);
  pgcPrinc->addWidget(stsMain);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(100);
  Bind(Timer1, &QTimer::timeout, &TfrmMain::Timer1Timer);
  online_ = new OnlineChecks(this, brand_, programFolder_, btnNews, btnUpdate, Timer1);
  IdHTTP1 = online_->Client();

  const auto shortcut = [this](const QKeySequence& keys, void (TfrmMain::*handler)()) {
    auto* s = new QShortcut(keys, this);
    s->setContext(Qt::WindowShortcut);
    Bind(s, &QShortcut::activated, handler);
  };
  shortcut(QKeySequence::Save, &TfrmMain::btnSaveClick);
  shortcut(QKeySequence::Open, &TfrmMain::btnLoadClick);
  shortcut(QKeySequence(Qt::ALT | Qt::Key_Left), &TfrmMain::btnBackClick);
  shortcut(QKeySequence(Qt::ALT | Qt::Key_Right), &TfrmMain::btnNextClick);

  binding_ = std::make_unique<LetterBinding>(*this);
}

QWidget* TfrmMain::BuildStep1() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Heading(tr("Step 1: General settings"), page));
  auto* form = new QGridLayout;
  int row = 0;
  const auto text = [&](const QString& label, const char* name) {
    auto* edit = Named(new QLineEdit(page), name);
    form->addWidget(new QLabel(label, page), row, 0);
    form->addWidget(edit, row, 1, 1, 2);
    ++row;
    return edit;
  };
  const auto picture = [&](const QString& label, const char* name, const char* button,
                           QPushButton*& browse) {
    auto* edit = Named(new QLineEdit(page), name);
    browse = Named(new QPushButton(tr("Browse..."), page), button);
    form->addWidget(new QLabel(label, page), row, 0);
    form->addWidget(edit, row, 1);
    form->addWidget(browse, row, 2);
    ++row;
    return edit;
  };
  edtPageTitle = text(tr("Page Title:"), "edtPageTitle");
  edtFullName = text(tr("Your Full Name:"), "edtFullName");
  edtCurrentDate = text(tr("Current Date:"), "edtCurrentDate");
  form->addWidget(Note(tr("You can type a image url or browse for an image stored in your PC. In "
                          "the last case, the image will be copied to the same folder of your "
                          "output html file."),
                       page),
                  row++, 1, 1, 2);
  edtHeaderPicture =
      picture(tr("Header Picture:"), "edtHeaderPicture", "bsSkinButton1", bsSkinButton1);
  edtCoverPicture =
      picture(tr("Cover Picture:"), "edtCoverPicture", "bsSkinButton2", bsSkinButton2);
  edtFooterPicture =
      picture(tr("Footer Picture:"), "edtFooterPicture", "bsSkinButton4", bsSkinButton4);
  cbxMainBgColor = Named(new ColorBox(page), "cbxMainBgColor");
  cbxMainBgColor->SetValue(kColorWhite);
  form->addWidget(new QLabel(tr("Background Color:"), page), row, 0);
  form->addWidget(cbxMainBgColor, row++, 1, Qt::AlignLeft);
  form->setColumnStretch(1, 1);
  layout->addLayout(form);
  layout->addStretch(1);
  Bind(bsSkinButton1, &QPushButton::clicked, &TfrmMain::bsSkinButton1Click);
  Bind(bsSkinButton2, &QPushButton::clicked, &TfrmMain::bsSkinButton2Click);
  Bind(bsSkinButton4, &QPushButton::clicked, &TfrmMain::bsSkinButton4Click);
  return page;
}

HtmlEditor* TfrmMain::AddEditor(QWidget* page, QVBoxLayout* layout, int tag, const QString& name,
                                const QString& label, bool stretch) {
  layout->addWidget(Note(label, page));
  auto* toolbar = new FormatToolbar(tag, page);
  layout->addWidget(toolbar);
  toolbars.push_back(toolbar);
  auto* editor = new HtmlEditor(page);
  editor->setObjectName(name);
  editor->SetUseDivOnCarriageReturn(true);
  editor->setMinimumHeight(110);
  layout->addWidget(editor, stretch ? 1 : 0);
  return editor;
}

QWidget* TfrmMain::BuildStep2() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Heading(tr("Step 2: Page Contents"), page));
  prfEditor1 =
      AddEditor(page, layout, 1, QStringLiteral("prfEditor1"),
                tr("Enter the Main Headline. This should capture your reader's attention"), false);
  prfEditor1->setFixedHeight(120);
  layout->addWidget(
      Note(tr("Enter the Sub Headline. This is to reinforce the main headline."), page));
  edtAttention = Named(new QLineEdit(page), "edtAttention");
  layout->addWidget(edtAttention);
  prfEditor2 = AddEditor(page, layout, 2, QStringLiteral("prfEditor2"),
                         tr("Enter the Introduction Paragraph. "), true);
  return page;
}

QWidget* TfrmMain::BuildStep3() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Heading(tr("Step 3: Aditional Page Contents"), page));
  prfEditor3 = AddEditor(page, layout, 3, QStringLiteral("prfEditor3"),
                         tr("Enter the Product Introduction."), true);
  return page;
}

QWidget* TfrmMain::BuildStep4() {
  featuresPage =
      new EntryListPage({tr("Step 4: Features"),
                         {{tr("Title:"), "edtFeatureTitle", &edtFeatureTitle}},
                         {tr("Body:"), "memFeatureBody", &memFeatureBody},
                         {tr("Create Feature"), "btnCreateFeat", &btnCreateFeat},
                         {tr("Delete Feature"), "btnDeleteFeat", &btnDeleteFeat},
                         {tr("Features:"), "lbxFeatures", &lbxFeatures},
                         {tr("Feature details:"), "memFeatureDetails", &memFeatureDetails},
                         {"F", kColorLightCream, &cbxFBgColor, &cbxFColor, &cbxFName, &cbxFSize,
                          &chkFBold, &chkFUnderline, &chkFItalic}},
                        featureList_, fontFamilies_);
  Bind(btnCreateFeat, &QPushButton::clicked, &TfrmMain::btnCreateFeatClick);
  Bind(btnDeleteFeat, &QPushButton::clicked, &TfrmMain::btnDeleteFeatClick);
  Bind(lbxFeatures, &QListWidget::itemSelectionChanged, &TfrmMain::lbxFeaturesListBoxClick);
  return featuresPage;
}

QWidget* TfrmMain::BuildStep5() {
  testimonialsPage =
      new EntryListPage({tr("Step 5: Testimonials"),
                         {{tr("Name:"), "edtTestName", &edtTestName},
                          {tr(" Website:"), "edtTestWebsite", &edtTestWebsite}},
                         {tr("Content:"), "memTest", &memTest},
                         {tr("Create Testimonial"), "btnCreateTest", &btnCreateTest},
                         {tr("Delete Testimonial"), "btnDeleteTest", &btnDeleteTest},
                         {tr("Testimonials:"), "lbxTestimonials", &lbxTestimonials},
                         {tr("Testimonial details:"), "memTestDetails", &memTestDetails},
                         {"T", kColorLightCream, &cbxTBgColor, &cbxTColor, &cbxTName, &cbxTSize,
                          &chkTBold, &chkTUnderline, &chkTItalic}},
                        testimonialList_, fontFamilies_);
  Bind(btnCreateTest, &QPushButton::clicked, &TfrmMain::btnCreateTestClick);
  Bind(btnDeleteTest, &QPushButton::clicked, &TfrmMain::btnDeleteTestClick);
  Bind(lbxTestimonials, &QListWidget::itemSelectionChanged, &TfrmMain::lbxTestimonialsListBoxClick);
  return testimonialsPage;
}

QWidget* TfrmMain::BuildStep6() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Heading(tr("Step 6: Ending Page Contents"), page));
  prfEditor10 = AddEditor(page, layout, 10, QStringLiteral("prfEditor10"),
                          tr("Enter the Closing Statement."), true);
  prfEditor11 = AddEditor(page, layout, 11, QStringLiteral("prfEditor11"),
                          tr("Your bottom statement. This acts like a P.S."), true);
  return page;
}

QWidget* TfrmMain::BuildStep7() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Heading(tr("Step 7: Order Link Options"), page));
  layout->addWidget(Note(tr("Enter the Direct Link to your Order Product Page."), page));
  edtDirectLink = Named(new QLineEdit(page), "edtDirectLink");
  layout->addWidget(edtDirectLink);

  layout->addWidget(Note(tr("If you use Clickbank enter the account data here."), page));
  auto* cb = new QFormLayout;
  edtClickBankName = Named(new QLineEdit(page), "edtClickBankName");
  edtProductName = Named(new QLineEdit(page), "edtProductName");
  edtDescription = Named(new QLineEdit(page), "edtDescription");
  cb->addRow(tr("Clickbank Name:"), edtClickBankName);
  cb->addRow(tr("Product Name:"), edtProductName);
  cb->addRow(tr("Description:"), edtDescription);
  layout->addLayout(cb);

  layout->addWidget(Note(tr("If you use Paypal, create the product button in your Paypal account "
                            "and paste this code here."),
                         page));
  memPaypalCode = Named(new QPlainTextEdit(page), "memPaypalCode");
  layout->addWidget(memPaypalCode, 1);
  auto* affiliate = new QHBoxLayout;
  affiliate->addWidget(new QLabel(tr("Enter your Affiliate ID (Paypal Email):"), page));
  edtPaypalEmail = Named(new QLineEdit(page), "edtPaypalEmail");
  affiliate->addWidget(edtPaypalEmail, 1);
  affiliate->addWidget(new QLabel(tr("Optional"), page));
  layout->addLayout(affiliate);

  // The order link's format: kept in the letter and its files, never shown.
  auto* hidden = new QWidget(page);
  hidden->setObjectName(QStringLiteral("panOrderFormat"));
  auto* hiddenLayout = new QVBoxLayout(hidden);
  hiddenLayout->addWidget(new QLabel(tr("Enter the format for your Order Link."), hidden));
  hiddenLayout->addWidget(
      new ListFormatBox({"O", kColorMoneyGreen, &cbxOBgColor, &cbxOColor, &cbxOName, &cbxOSize,
                         &chkOBold, &chkOUnderline, &chkOItalic},
                        fontFamilies_, hidden));
  hidden->hide();
  layout->addWidget(hidden);
  return page;
}

QWidget* TfrmMain::BuildStep8() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Heading(tr("Step 8: Finish"), page));
  layout->addWidget(
      new QLabel(tr("Select a template and enter a name for the generated output file:"), page));

  auto* chooser = new QHBoxLayout;
  chooser->addWidget(new QLabel(tr("Template:"), page));
  cbxTemplates = Named(new QComboBox(page), "cbxTemplates");
  cbxTemplates->setIconSize(QSize(96, 72));
  cbxTemplates->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  chooser->addWidget(cbxTemplates);
  chooser->addStretch(1);
  layout->addLayout(chooser);

  // The page as Finish would write it, and what is worth a look before that.
  auto* middle = new QHBoxLayout;
  grpPreview = Named(new QGroupBox(tr("Preview"), page), "grpPreview");
  auto* previewLayout = new QVBoxLayout(grpPreview);
  pagePreview = Named(new PagePreview(grpPreview), "pagePreview");
  previewLayout->addWidget(pagePreview);
  middle->addWidget(grpPreview, 3);
  auto* checks = Named(new QGroupBox(tr("Before you finish"), page), "grpPreflight");
  auto* checksLayout = new QVBoxLayout(checks);
  lstPreflight = Named(new QListWidget(checks), "lstPreflight");
  lstPreflight->setWordWrap(true);
  lstPreflight->setTextElideMode(Qt::ElideNone);
  lstPreflight->setToolTip(tr("Double-click an item to go to its value"));
  checksLayout->addWidget(lstPreflight, 1);
  lblPreflightOk =
      Named(new QLabel(tr("Nothing to look at: the page has everything it needs."), checks),
            "lblPreflightOk");
  lblPreflightOk->setWordWrap(true);
  lblPreflightOk->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  checksLayout->addWidget(lblPreflightOk, 1);
  middle->addWidget(checks, 1);
  layout->addLayout(middle, 1);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Output filename:"), page));
  edtFilename = Named(new QLineEdit(page), "edtFilename");
  row->addWidget(edtFilename, 1);
  bsSkinButton3 = Named(new QPushButton(tr("Browse..."), page), "bsSkinButton3");
  row->addWidget(bsSkinButton3);
  layout->addLayout(row);
  auto* finish = new QHBoxLayout;
  btnFinish = Named(new QPushButton(tr("Save generated code"), page), "btnFinish");
  finish->addWidget(btnFinish);
  finish->addStretch(1);
  layout->addLayout(finish);
  Bind(bsSkinButton3, &QPushButton::clicked, &TfrmMain::bsSkinButton3Click);
  Bind(btnFinish, &QPushButton::clicked, &TfrmMain::btnFinishClick);
  Bind(cbxTemplates, &QComboBox::currentIndexChanged, &TfrmMain::RefreshPreviewIfShown);
  Bind(edtFilename, &QLineEdit::textChanged, &TfrmMain::RefreshPreflight);
  connect(lstPreflight, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { Guarded([this, item] { lstPreflightActivate(item); }); });
  return page;
}

void TfrmMain::ConnectToolbar(FormatToolbar* t) {
  connect(t->fontName, &QComboBox::currentTextChanged, this,
          [this, box = t->fontName] { Guarded([this, box] { cbxFontName1Change(box); }); });
  connect(t->fontSize, &QComboBox::currentTextChanged, this,
          [this, box = t->fontSize] { Guarded([this, box] { cbxFontSize1Change(box); }); });
  const std::pair<QToolButton*, void (TfrmMain::*)(QWidget*)> buttons[] = {
      {t->bold, &TfrmMain::btnBold1Click},           {t->italic, &TfrmMain::btnItalic1Click},
      {t->underline, &TfrmMain::btnUnderline1Click}, {t->number, &TfrmMain::btnNumber1Click},
      {t->bullets, &TfrmMain::btnPlecas1Click},      {t->outdent, &TfrmMain::btnOutdent1Click},
      {t->indent, &TfrmMain::btnIdent1Click},        {t->alignLeft, &TfrmMain::btnLeft1Click},
      {t->center, &TfrmMain::btnCenter1Click},       {t->alignRight, &TfrmMain::btnRight1Click},
      {t->justify, &TfrmMain::btnAlign1Click},       {t->fontColor, &TfrmMain::btnFontColor1Click},
      {t->backColor, &TfrmMain::btnBGColor1Click},
  };
  for (const auto& [button, handler] : buttons) {
    connect(button, &QToolButton::clicked, this, [this, button, handler] {
      Guarded([this, button, handler] { (this->*handler)(button); });
    });
  }
}

// ---------------------------------------------------------------------------
// Start-up, show, resize and close.

void TfrmMain::FormCreate() {
  // Both banner views occupy the same place.
  gifBanner->setGeometry(imgBanner->geometry());
  Guarded([this] { LoadBrandSettings(); });

  pgcMain->setCurrentIndex(0);
  UpdateWizardButtons();

  // The editors' font lists, "Times New Roman" preselected where there is one.
  // Every preselection sends the font name to its editor.
  const QStringList& families = fontFamilies_;
  const int times = IndexOfFamily(families, QStringLiteral("Times New Roman"));
  for (FormatToolbar* t : toolbars) {
    t->fontName->addItems(families);
    t->fontName->setCurrentIndex(-1);
    ConnectToolbar(t);
  }
  for (FormatToolbar* t : toolbars) {
    t->fontName->setCurrentIndex(times);
  }

  FillTemplateList();
  Timer1->start();
}

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    Guarded([this] { FormShow(); });
  }
}

void TfrmMain::FormShow() {
  pgcMain->setCurrentIndex(0);
  UpdateWizardButtons();
  if (!welcomeText_.isEmpty()) {
    pgcPrinc->setCurrentWidget(stsWelcome);
    prfWelcome->SetHtml(welcomeText_);
  } else if (stsWelcome != nullptr) {
    pgcPrinc->removeWidget(stsWelcome);
    stsWelcome->deleteLater();
    stsWelcome = nullptr;
    prfWelcome = nullptr;
    btnThanks = nullptr;
  }
  pgcPrinc->setCurrentIndex(0);
  FormResize();
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
  if (!welcomeText_.isEmpty()) {
    Timer1->start();
  }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TfrmMain::FormClose() {
  online_->Close();
}

// ---------------------------------------------------------------------------
// News and live update.

void TfrmMain::btnNewsClick() {
  online_->ShowNews();
}
void TfrmMain::ShowNewsBalloon(const QString& text) {
  online_->ShowBalloon(text);
}
void TfrmMain::Timer1Timer() {
  online_->RunStartupChecks();
}
void TfrmMain::btnUpdateClick() {
  online_->CheckOnRequest();
}
void TfrmMain::CheckForUpdate(bool quiet) {
  online_->CheckForUpdate(quiet);
}
const NewsList& TfrmMain::NewsList() const {
  return online_->News();
}
void TfrmMain::SetUpdateBaseUrl(const std::string& url) {
  online_->SetUpdateBaseUrl(url);
}

// ---------------------------------------------------------------------------
// The reseller's brand.

void TfrmMain::LoadBrandSettings() {
  const BrandLoad load = wordlark::LoadBrandSettings(programFolder_, random_);
  if (!load.settings_file_found) {
    return;  // the designed window
  }
  brand_ = load.settings;
  setWindowTitle(Q(MainWindowCaption(brand_)));
  QApplication::setApplicationDisplayName(windowTitle());
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
// Wizard navigation.

void TfrmMain::UpdateWizardButtons() {
  const int page = pgcMain->currentIndex();
  btnNext->setEnabled(page < pgcMain->count() - 1);
  btnBack->setEnabled(page > 0);
}

void TfrmMain::btnNextClick() {
  if (pgcMain->currentIndex() < pgcMain->count() - 1) {
    pgcMain->setCurrentIndex(pgcMain->currentIndex() + 1);
  }
  UpdateWizardButtons();
}

void TfrmMain::btnBackClick() {
  if (pgcMain->currentIndex() > 0) {
    pgcMain->setCurrentIndex(pgcMain->currentIndex() - 1);
  }
  UpdateWizardButtons();
}

void TfrmMain::BrowsePicture(QLineEdit* target) {
  const QString path = FileDialog::GetOpenFileName(
      this, tr("Open picture"), pictureDialogFolder_,
      QStringLiteral("All (*.bmp;*.gif;*.jpg;*.png)|*.bmp;*.gif;*.jpg;*.png|Bitmaps "
                     "(*.bmp)|*.bmp|Gif (*.gif)|*.gif|Jpg (*.jpg)|*.jpg|Png (*.png)|*.png"));
  if (path.isEmpty()) {
    return;
  }
  const QFileInfo info(path);
  pictureDialogFolder_ = info.absolutePath();
  target->setText(QDir::toNativeSeparators(info.absoluteFilePath()));
}

void TfrmMain::bsSkinButton1Click() {
  BrowsePicture(edtHeaderPicture);
}
void TfrmMain::bsSkinButton2Click() {
  BrowsePicture(edtCoverPicture);
}
void TfrmMain::bsSkinButton4Click() {
  BrowsePicture(edtFooterPicture);
}

// ---------------------------------------------------------------------------
// Features and testimonials.

void TfrmMain::btnCreateFeatClick() {
  featuresPage->Create();
}
void TfrmMain::btnDeleteFeatClick() {
  featuresPage->Delete();
}
void TfrmMain::lbxFeaturesListBoxClick() {
  featuresPage->ShowSelected();
}
void TfrmMain::btnCreateTestClick() {
  testimonialsPage->Create();
}
void TfrmMain::btnDeleteTestClick() {
  testimonialsPage->Delete();
}
void TfrmMain::lbxTestimonialsListBoxClick() {
  testimonialsPage->ShowSelected();
}

// ---------------------------------------------------------------------------
// The letter and its configuration files.

LetterConfiguration TfrmMain::CollectConfiguration() const {
  return binding_->Collect();
}

void TfrmMain::ApplyConfiguration(const LetterConfiguration& letter) {
  binding_->Apply(letter);
  RefreshPreviewIfShown();
}

void TfrmMain::btnSaveClick() {
  QString path = FileDialog::GetSaveFileName(this, tr("Save file"), configSaveFolder_,
                                             QStringLiteral("Settings files (*.set)|*.set"));
  if (path.isEmpty()) {
    return;
  }
  if (QFileInfo(path).suffix().compare(QStringLiteral("set"), Qt::CaseInsensitive) != 0) {
    path += QStringLiteral(".set");
  }
  configSaveFolder_ = QFileInfo(path).absolutePath();
  SaveConfiguration(path);
  MessageBox::Information(this, tr("Configuration saved successfully!"));
}

void TfrmMain::SaveConfiguration(const QString& path) {
  wordlark::SaveConfiguration(PathOf(path), CollectConfiguration());
}

void TfrmMain::btnLoadClick() {
  const QString path = FileDialog::GetOpenFileName(this, tr("Open file"), configOpenFolder_,
                                                   QStringLiteral("Settings files (*.set)|*.set"));
  if (path.isEmpty()) {
    return;
  }
  configOpenFolder_ = QFileInfo(path).absolutePath();
  LoadConfiguration(path);
  MessageBox::Information(this, tr("Configuration loaded successfully!"));
}

void TfrmMain::LoadConfiguration(const QString& path) {
  // All or nothing: the file is read and checked whole before a control
  // changes, so a bad value leaves the letter as it was.
  LetterConfiguration letter = CollectConfiguration();
  if (wordlark::LoadConfiguration(PathOf(path), letter)) {
    ApplyConfiguration(letter);
  }
}

// ---------------------------------------------------------------------------
// Step 8: the template catalogue and the finished page.

void TfrmMain::FillTemplateList() {
  cbxTemplates->clear();
  templates_.clear();
  try {
    templates_ = ScanTemplates(TemplatesFolder());
  } catch (const std::exception& e) {
    // Start-up goes on with an empty catalogue; Finish then makes nothing.
    QTimer::singleShot(
        0, this, [this, text = QString::fromUtf8(e.what())] { MessageBox::Error(this, text); });
  }
  const QSignalBlocker quiet(cbxTemplates);
  for (const auto& entry : templates_) {
    // A template's thumbnail is the picture of the same name beside it.
    std::filesystem::path thumbnail = entry.file;
    thumbnail.replace_extension(".png");
    std::error_code ec;
    cbxTemplates->addItem(
        std::filesystem::is_regular_file(thumbnail, ec) ? QIcon(PathText(thumbnail)) : QIcon(),
        Q(entry.name));
  }
  if (cbxTemplates->count() > 0) {
    cbxTemplates->setCurrentIndex(0);
  }
}

void TfrmMain::bsSkinButton3Click() {
  QString path = FileDialog::GetSaveFileName(this, tr("Save file"), pageDialogFolder_,
                                             QStringLiteral("HTML files|*.html"));
  if (path.isEmpty()) {
    return;
  }
  if (QFileInfo(path).suffix().compare(QStringLiteral("html"), Qt::CaseInsensitive) != 0) {
    path += QStringLiteral(".html");
  }
  pageDialogFolder_ = QFileInfo(path).absolutePath();
  edtFilename->setText(path);
}

std::filesystem::path TfrmMain::SelectedTemplateFile() const {
  const int index = cbxTemplates->currentIndex();
  return (index >= 0 && index < static_cast<int>(templates_.size())) ? templates_[index].file
                                                                     : std::filesystem::path();
}

void TfrmMain::RefreshPreviewIfShown() {
  if (pgcMain->currentIndex() == pgcMain->count() - 1) {
    RefreshPreview();
  }
}

void TfrmMain::RefreshPreview() {
  const LetterConfiguration letter = CollectConfiguration();
  ShowPreflight(letter);
  RenderContext context{SelectedTemplateFile(), S(edtFilename->text()), TemplatesFolder()};
  context.copy_pictures = false;
  RenderedLetter rendered;
  try {
    rendered = RenderLetter(letter, context);
  } catch (const std::exception& e) {
    pagePreview->ShowMessage(QString::fromUtf8(e.what()));
    return;
  }
  if (!rendered.template_found) {
    pagePreview->ShowMessage(Q(kNoTemplateMessage));
    return;
  }
  const std::string bytes = PageFileBytes(rendered.page);
  pagePreview->ShowPage(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                        rendered.local_pictures);
}

void TfrmMain::RefreshPreflight() {
  ShowPreflight(CollectConfiguration());
}

void TfrmMain::ShowPreflight(const LetterConfiguration& letter) {
  lstPreflight->clear();
  const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (const PreflightItem& item :
       PreflightCheck(letter, S(edtFilename->text()), TemplatesFolder())) {
    auto* entry = new QListWidgetItem(warning, Q(item.message), lstPreflight);
    entry->setData(Qt::UserRole, Q(item.control));
  }
  lstPreflight->setVisible(lstPreflight->count() > 0);
  lblPreflightOk->setVisible(lstPreflight->count() == 0);
}

void TfrmMain::lstPreflightActivate(QListWidgetItem* item) {
  QWidget* control = findChild<QWidget*>(item->data(Qt::UserRole).toString());
  if (control == nullptr) {
    return;
  }
  for (int step = 0; step < pgcMain->count(); ++step) {
    if (pgcMain->widget(step)->isAncestorOf(control)) {
      pgcMain->setCurrentIndex(step);
      UpdateWizardButtons();
      control->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}

void TfrmMain::btnFinishClick() {
  const FinishOutcome outcome = FinishLetter(CollectConfiguration(), SelectedTemplateFile(),
                                             S(edtFilename->text()), TemplatesFolder());
  switch (outcome.status) {
    case FinishStatus::kNoOutputName:
    case FinishStatus::kNoTemplate:
      MessageBox::Warning(this, Q(outcome.message));
      return;
    case FinishStatus::kWriteFailed:
      // No page: the pictures that could not go beside it are beside the point.
      MessageBox::Error(this, Q(outcome.message));
      return;
    case FinishStatus::kSaved:
      MessageBox::Information(this, Q(outcome.message));
      break;
  }
  // A page whose pictures did not make it beside it is not finished work.
  if (!outcome.failed_pictures.empty()) {
    QStringList lines;
    for (const auto& problem : outcome.failed_pictures) {
      lines << Q(problem.Message());
    }
    MessageBox::Warning(this, lines.join(QLatin1Char('\n')));
  }
}

// ---------------------------------------------------------------------------
// The formatting toolbars.

HtmlEditor* TfrmMain::EditorForTag(int tag) const {
  switch (tag) {
    case 1:
      return prfEditor1;
    case 2:
      return prfEditor2;
    case 3:
      return prfEditor3;
    case 10:
      return prfEditor10;
    case 11:
      return prfEditor11;
    default:
      return nullptr;
  }
}

void TfrmMain::SendCommand(QWidget* sender, const QString& command, const QVariant& value) {
  if (HtmlEditor* editor = EditorForTag(sender->property("Tag").toInt())) {
    editor->ExecCommand(command, value);
  }
}

void TfrmMain::cbxFontName1Change(QComboBox* box) {
  if (box->currentIndex() >= 0) {
    SendCommand(box, QStringLiteral("FontName"), box->currentText());
  }
}

void TfrmMain::cbxFontSize1Change(QComboBox* box) {
  const QString text = box->currentText();
  if (!text.isEmpty() && text[0].isDigit()) {
    SendCommand(box, QStringLiteral("FontSize"), text[0].digitValue());
  }
}

void TfrmMain::btnBold1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("Bold"));
}
void TfrmMain::btnItalic1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("Italic"));
}
void TfrmMain::btnUnderline1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("Underline"));
}
void TfrmMain::btnNumber1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("InsertOrderedList"));
}
void TfrmMain::btnPlecas1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("InsertUnorderedList"));
}
void TfrmMain::btnOutdent1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("Outdent"));
}
void TfrmMain::btnIdent1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("Indent"));
}
void TfrmMain::btnLeft1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("JustifyLeft"));
}
void TfrmMain::btnCenter1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("JustifyCenter"));
}
void TfrmMain::btnRight1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("JustifyRight"));
}
void TfrmMain::btnAlign1Click(QWidget* s) {
  SendCommand(s, QStringLiteral("JustifyFull"));
}

void TfrmMain::PickColorFor(QWidget* sender, const QString& command) {
  const auto color = ColorPicker::GetColor(this, colorDialogColor_, tr("Set color"));
  if (!color) {
    return;
  }
  colorDialogColor_ = *color;
  SendCommand(sender, command, *color);
}

void TfrmMain::btnFontColor1Click(QWidget* s) {
  PickColorFor(s, QStringLiteral("ForeColor"));
}
void TfrmMain::btnBGColor1Click(QWidget* s) {
  PickColorFor(s, QStringLiteral("BackColor"));
}

}  // namespace wordlark
