// The shell's own controls: the welcome page, the tool strip, Back and Next,
// and the link bar. The steps, the banner and the toolbars build their own.
#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "HtmlEditor.h"
#include "TfrmMain.h"
#include "brand/WebLinks.h"
#include "seams/Desktop.h"
#include "wizard/WizardPage.h"

namespace wordlark {

// The welcome page, in front of the main page, showing the welcome text.
void TfrmMain::BuildWelcomePage() {
  stsWelcome = Named(new QWidget(pgcPrinc), "stsWelcome");
  auto* layout = new QVBoxLayout(stsWelcome);
  prfWelcome = Named(new HtmlEditor(stsWelcome, HtmlEditor::EngineStart::kOnDemand), "prfWelcome");
  prfWelcome->SetBrowseMode(true);
  prfWelcome->SetLinkOpener([](const QUrl& url) { OpenUrlInBrowser(url.toString()); });
  prfWelcome->SetHtml(welcomeText_);
  layout->addWidget(prfWelcome, 1);
  auto* panel = new QHBoxLayout;
  panel->addStretch(1);
  btnThanks = Named(new QPushButton(tr("Thanks, just show me the main application"), stsWelcome),
                    "btnThanks");
  btnThanks->setDefault(true);
  connect(btnThanks, &QPushButton::clicked, this,
          [this] { Guarded([this] { btnThanksClick(); }); });
  panel->addWidget(btnThanks);
  panel->addStretch(1);
  layout->addLayout(panel);
  pgcPrinc->insertWidget(0, stsWelcome);
  // Enter anywhere on the welcome page presses the default button, also with
  // the focus in the page's text.
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* enter = new QShortcut(QKeySequence(key), stsWelcome);
    connect(enter, &QShortcut::activated, btnThanks, &QPushButton::click);
  }
}

void TfrmMain::BuildToolStrip(QVBoxLayout* main) {
  auto* bar = new QHBoxLayout;
  btnNew = Named(new QPushButton(tr("New Letter"), stsMain), "btnNew");
  btnNew->setToolTip(tr("A new letter, every value as at the start (Ctrl+N)"));
  btnLoad = Named(new QPushButton(tr("Load Configuration"), stsMain), "btnLoad");
  btnLoad->setToolTip(tr("Open a letter (Ctrl+O)"));
  // The letters opened or saved last, in a menu that opens beside Load.
  btnRecent = Named(new QToolButton(stsMain), "btnRecent");
  btnRecent->setArrowType(Qt::DownArrow);
  btnRecent->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
  btnRecent->setToolTip(tr("Recent letters"));
  btnRecent->setAccessibleName(tr("Recent letters"));
  btnRecent->setPopupMode(QToolButton::InstantPopup);
  btnRecent->setMenu(new QMenu(btnRecent));
  connect(btnRecent->menu(), &QMenu::aboutToShow, this, &TfrmMain::FillRecentMenu);
  btnSave = Named(new QPushButton(tr("Save Configuration"), stsMain), "btnSave");
  btnSave->setToolTip(tr("Save the letter under a name (Ctrl+Shift+S); Ctrl+S saves it in place"));
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
  bar->addWidget(btnNew);
  auto* load = new QHBoxLayout;  // the menu button sits against Load
  load->setSpacing(0);
  load->addWidget(btnLoad);
  load->addWidget(btnRecent);
  bar->addLayout(load);
  for (QWidget* w : {static_cast<QWidget*>(btnSave), static_cast<QWidget*>(btnMakeMoney),
                     static_cast<QWidget*>(btnAbout)}) {
    bar->addWidget(w);
  }
  bar->addStretch(1);
  bar->addWidget(btnNews);
  bar->addWidget(btnUpdate);
  bar->addWidget(btnHelp);
  main->addLayout(bar);
}

void TfrmMain::BuildNavigation(QVBoxLayout* main) {
  panWizard = Named(new QFrame(stsMain), "panWizard");
  auto* nav = new QHBoxLayout(panWizard);
  nav->setContentsMargins(0, 0, 0, 0);
  nav->addStretch(1);
  btnBack = Named(new QPushButton(tr("Back"), panWizard), "btnBack");
  btnNext = Named(new QPushButton(tr("Next"), panWizard), "btnNext");
  btnBack->setToolTip(tr("Back (Alt+Left)"));
  btnNext->setToolTip(tr("Next (Alt+Right)"));
  nav->addWidget(btnBack);
  nav->addWidget(btnNext);
  main->addWidget(panWizard);
}

void TfrmMain::BuildLinkBar(QVBoxLayout* main) {
  panLinks = Named(new QFrame(stsMain), "panLinks");
  auto* links = new QHBoxLayout(panLinks);
  links->setContentsMargins(0, 0, 0, 0);
  const QString search = QStringLiteral("https://www.google.com/");
  lblLink1URL = Named(new LinkLabel(tr("Google"), search, panLinks), "lblLink1URL");
  lblLink2URL = Named(new LinkLabel(tr("Google"), search, panLinks), "lblLink2URL");
  lblLink1URL->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblLink2URL->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  links->addWidget(lblLink1URL);
  links->addStretch(1);
  links->addWidget(lblLink2URL);
  main->addWidget(panLinks);
}

}  // namespace wordlark
