#include "LinkDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QQueue>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>

namespace wordlark {
namespace {

QQueue<std::optional<LinkDialog::Answer>> g_answers;
QList<LinkDialog::Request> g_requests;

QString KindsMessage() {
  return QObject::tr(
      "A link can only go to a web address (http:// or https://), a mail address (mailto:) or a "
      "telephone number (tel:).");
}

std::optional<QString> Refuse(QString* error, const QString& message) {
  if (error != nullptr) {
    *error = message;
  }
  return std::nullopt;
}

}  // namespace

std::optional<QString> NormalizeLinkAddress(const QString& typed, QString* error) {
  QString text = typed.trimmed();
  if (text.isEmpty()) {
    return Refuse(error, QObject::tr("Enter the address the link goes to."));
  }
  // A scheme is letters before a colon; "example.com:8080" has none.
  static const QRegularExpression scheme_re(QStringLiteral("^([A-Za-z][A-Za-z0-9+-]*):"));
  const QRegularExpressionMatch match = scheme_re.match(text);
  QString scheme = match.hasMatch() ? match.captured(1).toLower() : QString();
  if (scheme.isEmpty()) {
    static const QRegularExpression mail_re(QStringLiteral("^[^\\s@/:]+@[^\\s@/:]+\\.[^\\s@/:]+$"));
    static const QRegularExpression host_re(
        QStringLiteral("^[^\\s/?#@:]+\\.[A-Za-z]{2,}(:\\d+)?([/?#]\\S*)?$"));
    if (mail_re.match(text).hasMatch()) {
      scheme = QStringLiteral("mailto");
      text = QStringLiteral("mailto:") + text;
    } else if (host_re.match(text).hasMatch()) {
      scheme = QStringLiteral("https");
      text = QStringLiteral("https://") + text;
    } else {
      return Refuse(error, KindsMessage());
    }
  }
  const QString rest = text.mid(scheme.size() + 1);
  if (scheme == u"tel") {
    QString number = rest;
    number.remove(QRegularExpression(QStringLiteral("[\\s.()-]")));
    static const QRegularExpression number_re(QStringLiteral("^\\+?\\d{2,20}$"));
    if (!number_re.match(number).hasMatch()) {
      return Refuse(error, QObject::tr("\"%1\" is not a telephone number.").arg(rest.trimmed()));
    }
    return QStringLiteral("tel:") + number;
  }
  if (scheme != u"http" && scheme != u"https" && scheme != u"mailto") {
    return Refuse(error, KindsMessage());
  }
  if (rest.contains(QRegularExpression(QStringLiteral("\\s")))) {
    return Refuse(error, QObject::tr("A link's address cannot hold blanks."));
  }
  const QUrl url(text, QUrl::StrictMode);
  const bool web = scheme != u"mailto";
  if (!url.isValid() || (web && (url.host().isEmpty() || !rest.startsWith(u"//"))) ||
      (!web && !url.path().contains(u'@'))) {
    return Refuse(error, QObject::tr("\"%1\" is not a valid address.").arg(typed.trimmed()));
  }
  return scheme + text.mid(scheme.size());
}

LinkDialog::LinkDialog(const Request& request, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgLink"));
  setWindowTitle(tr("Link"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  edtLinkAddress = new QLineEdit(request.address, this);
  edtLinkAddress->setObjectName(QStringLiteral("edtLinkAddress"));
  edtLinkAddress->setPlaceholderText(QStringLiteral("https://example.com"));
  edtLinkAddress->setMinimumWidth(320);
  edtLinkText = new QLineEdit(request.text, this);
  edtLinkText->setObjectName(QStringLiteral("edtLinkText"));
  form->addRow(tr("&Address:"), edtLinkAddress);
  form->addRow(tr("&Text:"), edtLinkText);
  layout->addLayout(form);
  lblLinkError = new QLabel(this);
  lblLinkError->setObjectName(QStringLiteral("lblLinkError"));
  lblLinkError->setWordWrap(true);
  lblLinkError->setStyleSheet(QStringLiteral("color: #b00020"));
  lblLinkError->hide();
  layout->addWidget(lblLinkError);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  btnRemoveLink = buttons->addButton(tr("&Remove Link"), QDialogButtonBox::ResetRole);
  btnRemoveLink->setObjectName(QStringLiteral("btnRemoveLink"));
  btnRemoveLink->setEnabled(request.inLink);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &LinkDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &LinkDialog::reject);
  connect(btnRemoveLink, &QPushButton::clicked, this, [this] {
    remove_ = true;
    QDialog::accept();
  });
  edtLinkAddress->setFocus();
  edtLinkAddress->selectAll();
}

// OK takes only an address a link can have; otherwise the dialog says why
// and stays open.
void LinkDialog::accept() {
  QString error;
  const auto address = NormalizeLinkAddress(edtLinkAddress->text(), &error);
  if (!address) {
    lblLinkError->setText(error);
    lblLinkError->show();
    edtLinkAddress->setFocus();
    return;
  }
  edtLinkAddress->setText(*address);
  QDialog::accept();
}

std::optional<LinkDialog::Answer> LinkDialog::Ask(QWidget* parent, const Request& request) {
  g_requests.append(request);
  if (!g_answers.isEmpty()) {
    return g_answers.dequeue();
  }
  LinkDialog dialog(request, parent);
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  if (dialog.RemoveChosen()) {
    return Answer{Answer::Action::kRemove, {}, {}};
  }
  return Answer{Answer::Action::kSet, dialog.edtLinkAddress->text(), dialog.edtLinkText->text()};
}

void LinkDialog::QueueAnswer(std::optional<Answer> answer) {
  g_answers.enqueue(std::move(answer));
}

const QList<LinkDialog::Request>& LinkDialog::Requests() {
  return g_requests;
}

void LinkDialog::Reset() {
  g_answers.clear();
  g_requests.clear();
}

}  // namespace wordlark
